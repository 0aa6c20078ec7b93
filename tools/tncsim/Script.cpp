#include "Script.h"

#include "Text.h"

#include <charconv>

namespace tncsim {

namespace {

bool toInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

bool onOff(const std::vector<std::string>& args, bool defaultValue, bool& value) {
    if (args.empty()) {
        value = defaultValue;
        return true;
    }
    const std::string word = toLower(args[0]);
    if (args.size() != 1 || (word != "on" && word != "off")) return false;
    value = word == "on";
    return true;
}

// The text after the command word and one blank, kept exactly (inner and trailing blanks count).
std::string rawArgument(std::string_view line, std::size_t commandEnd) {
    if (commandEnd < line.size()) ++commandEnd;
    return std::string(line.substr(commandEnd));
}

} // namespace

bool parseScript(std::string_view text, const std::string& fileName, const std::string& practiceCall,
                 std::vector<ScriptDef>& out, std::string& error) {
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;

        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = replaceWord(line, "PRACTICE", practiceCall);
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        line.erase(0, start);

        const auto fail = [&](const std::string& what) {
            error = fileName + ":" + std::to_string(lineNo) + ": " + what;
            return false;
        };
        std::size_t commandEnd = line.find_first_of(" \t");
        if (commandEnd == std::string::npos) commandEnd = line.size();
        const std::string command = toLower(line.substr(0, commandEnd));
        const std::vector<std::string> args = words(line.substr(commandEnd));

        if (command == "station") {
            if (args.size() != 1) return fail("station needs one call");
            out.push_back(ScriptDef{toUpper(args[0]), {}});
            continue;
        }
        if (out.empty()) return fail("\"" + command + "\" before any \"station CALL\" line");

        Step step;
        if (command == "wait") {
            step.kind = Step::Kind::Wait;
            if (args.size() != 1 || !toInt(args[0], step.number)) return fail("wait needs milliseconds");
        } else if (command == "connect") {
            step.kind = Step::Kind::Connect;
            const std::vector<std::string> parts = words(line.substr(commandEnd), true);
            if (parts.empty()) return fail("connect needs a call");
            step.target = toUpper(parts[0]);
            if (parts.size() > 1) {
                if (toUpper(parts[1]) != "VIA" || parts.size() < 3)
                    return fail("use: connect CALL [via NODE ...]");
                for (std::size_t i = 2; i < parts.size(); ++i)
                    step.via.push_back(toUpper(parts[i]));
            }
        } else if (command == "send" || command == "sendraw" || command == "await") {
            step.kind = command == "send"      ? Step::Kind::Send
                        : command == "sendraw" ? Step::Kind::SendRaw
                                               : Step::Kind::Await;
            const auto value = unescaped(rawArgument(line, commandEnd));
            if (!value) return fail("bad escape (use \\r \\n \\t \\0 \\\\ \\xHH)");
            step.text = *value;
            if (step.kind == Step::Kind::Await && step.text.empty()) return fail("await needs a text");
        } else if (command == "disconnect") {
            step.kind = Step::Kind::Disconnect;
        } else if (command == "ui" || command == "hear") {
            const bool hear = command == "hear";
            step.kind = hear ? Step::Kind::Hear : Step::Kind::Ui;
            if (args.empty()) return fail(hear ? "use: hear CALL|* TEXT" : "ui needs a destination");
            step.target = toUpper(args[0]);
            const std::string rest = line.substr(commandEnd);
            const std::size_t destAt = rest.find(args[0]);
            const auto value = unescaped(rawArgument(rest, destAt + args[0].size()));
            if (!value) return fail("bad escape (use \\r \\n \\t \\0 \\\\ \\xHH)");
            step.text = *value;
            if (hear && step.text.empty()) return fail("use: hear CALL|* TEXT");
        } else if (command == "accept") {
            step.kind = Step::Kind::Accept;
            if (!onOff(args, true, step.flag)) return fail("use: accept [on|off]");
        } else if (command == "echo") {
            step.kind = Step::Kind::Echo;
            if (args.empty() || !onOff(args, true, step.flag)) return fail("use: echo on|off");
        } else if (command == "reply") {
            step.kind = Step::Kind::Reply;
            if (args.empty() || !onOff(args, true, step.flag)) return fail("use: reply on|off");
        } else if (command == "chatter") {
            step.kind = Step::Kind::Chatter;
            if (args.size() != 2 || !toInt(args[0], step.number) || !toInt(args[1], step.gapMs))
                return fail("use: chatter N MS");
        } else if (command == "loop") {
            step.kind = Step::Kind::Loop;
        } else if (command == "repeat") {
            step.kind = Step::Kind::Repeat;
        } else {
            return fail("unknown command \"" + command + "\"");
        }
        out.back().steps.push_back(std::move(step));
    }
    return true;
}

} // namespace tncsim
