// Scripts for distant stations: one command per line, each station's block under "station CALL".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tncsim {

struct Step {
    enum class Kind {
        Wait,
        Connect,
        Send,
        SendRaw,
        Disconnect,
        Ui,
        Await,
        Hear,
        Accept,
        Echo,
        Reply,
        Chatter,
        Loop,
        Repeat
    };
    Kind kind = Kind::Wait;
    int number = 0; // wait MS, chatter N
    int gapMs = 0;  // chatter MS
    bool flag = false;
    std::string target; // connect CALL, ui DEST, hear CALL ("*": any station)
    std::vector<std::string> via;
    std::string text;
};

struct ScriptDef {
    std::string call;
    std::vector<Step> steps;
};

// Parses a script file's text. The word PRACTICE is replaced by `practiceCall` first.
// On an error returns false and sets `error` to "FILE:LINE: what".
bool parseScript(std::string_view text, const std::string& fileName, const std::string& practiceCall,
                 std::vector<ScriptDef>& out, std::string& error);

} // namespace tncsim
