// What the command line asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tncsim {

enum class Dialect { Tapr, Kantronics, Aea, Emulator };
enum class MonitorStyle { Kantronics, Tnc2, Aea, Software, Bpq };
enum class NodeStyle { Bpq, Netrom, Kanode };

struct StationDef {
    std::string dir;
    std::string call;
};

struct NodeDef {
    std::string alias;
    std::string call;
    NodeStyle style = NodeStyle::Bpq;
};

struct Options {
    std::vector<StationDef> stations;
    std::vector<NodeDef> nodes;
    std::set<std::string> failCalls;
    std::set<std::string> busyCalls;
    std::vector<std::string> scripts;
    Dialect dialect = Dialect::Tapr;
    MonitorStyle monitor = MonitorStyle::Kantronics;
    bool crlf = false;
    std::optional<std::uint32_t> chunkSeed;
    int delayMs = 0;
    bool echo = false;
    std::string logPath;
    std::string unprotoAnswer = "UNPROTO CQ";
    std::optional<int> agwPort;  // AGW server on 127.0.0.1; 0 picks a free port
    std::optional<int> kissPort; // KISS server on 127.0.0.1; 0 picks a free port
    int kissLossPercent = 0;     // of the frames each KISS client hears
    int kissDuplicatePercent = 0;
    int kissDelayPercent = 0;
    int kissDelayMs = 0;
    std::uint32_t kissSeed = 1;
};

// Fills `options` from argv. Returns false with `error` set on a bad command line;
// `help` is set when --help was asked for.
bool parseCommandLine(int argc, char** argv, Options& options, bool& help, std::string& error);

const char* usageText();

} // namespace tncsim
