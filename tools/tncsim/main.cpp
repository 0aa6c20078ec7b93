// tncsim: simulated TNCs, nodes, mailboxes and distant stations on one shared packet channel,
// each Tolvex station attached through its own pseudo-terminal.

#include "Options.h"
#include "Sim.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

// Set by SIGTERM/SIGINT; the poll loop wakes at least every 200 ms to look at it.
volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

} // namespace

namespace tncsim {

const char* usageText() {
    return R"(usage: tncsim [options] STATION...

  STATION is DIR=CALL: a station whose TNC has MYCALL CALL; its pseudo-terminal is linked
  as DIR/Ports/COM1 (the link is replaced if present and removed on exit).
  All stations share one channel.

options:
  --node ALIAS:CALL[:style]  a node on the channel; style bpq (default), netrom or kanode
  --fail CALL                connects to CALL fail (retry count exceeded / node failure)
  --busy CALL                CALL answers busy
  --script FILE              scripted distant stations; may repeat
  --dialect tapr|kantronics|aea|emulator
                             wording of the simulated TNCs (default tapr)
  --monitor kantronics|tnc2|aea|software|bpq
                             how unconnected frames are shown (default kantronics);
                             bpq also shows other stations' connects and link text
  --crlf                     end the TNC's lines with CR LF (default CR)
  --chunks SEED              cut every output into random pieces (reproducible per SEED)
  --delay MS                 pause up to MS ms between pieces (--chunks) or before answers
  --echo                     echo typed characters in command and converse mode
  --log FILE                 append every byte to and from each station, C-escaped
  --unproto-answer TEXT      what "UNPROTO" alone answers (default "UNPROTO CQ");
                             "none" answers nothing but the prompt
  --agw PORT                 AGW packet engine server on 127.0.0.1:PORT (0: any free port);
                             its clients share the channel with the stations
  --kiss PORT                KISS server on 127.0.0.1:PORT (0: any free port): every frame a
                             client sends goes to every other client, raw
  --kiss-loss PCT            each client loses PCT% of the frames it would hear
  --kiss-dup PCT             and hears PCT% of them twice
  --kiss-delay PCT:MS        and hears PCT% of them MS ms late (later ones may overtake them)
  --kiss-seed N              seed for those choices (default 1)
  --help                     this text

Prints "tncsim ready" (with --agw: "tncsim ready agw 127.0.0.1:PORT", with --kiss: "kiss 127.0.0.1:PORT" after it) when every link is in place. SIGTERM or SIGINT removes the links.
)";
}

namespace {

bool toNumber(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

} // namespace

bool parseCommandLine(int argc, char** argv, Options& options, bool& help, std::string& error) {
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        } else if (arg == "--node") {
            if (!value(v)) return false;
            const std::vector<std::string> parts = [&] {
                std::vector<std::string> out(1);
                for (char c : v) {
                    if (c == ':')
                        out.emplace_back();
                    else
                        out.back() += c;
                }
                return out;
            }();
            if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[1].empty()) {
                error = "--node wants ALIAS:CALL[:style], got " + v;
                return false;
            }
            NodeDef node{toUpper(parts[0]), toUpper(parts[1]), NodeStyle::Bpq};
            const std::string style = parts.size() == 3 ? toLower(parts[2]) : "bpq";
            if (style == "netrom")
                node.style = NodeStyle::Netrom;
            else if (style == "kanode")
                node.style = NodeStyle::Kanode;
            else if (style != "bpq") {
                error = "unknown node style " + parts[2];
                return false;
            }
            options.nodes.push_back(node);
        } else if (arg == "--fail" || arg == "--busy") {
            if (!value(v)) return false;
            (arg == "--fail" ? options.failCalls : options.busyCalls).insert(toUpper(v));
        } else if (arg == "--script") {
            if (!value(v)) return false;
            options.scripts.push_back(v);
        } else if (arg == "--dialect") {
            if (!value(v)) return false;
            const std::string d = toLower(v);
            if (d == "tapr")
                options.dialect = Dialect::Tapr;
            else if (d == "kantronics")
                options.dialect = Dialect::Kantronics;
            else if (d == "aea")
                options.dialect = Dialect::Aea;
            else if (d == "emulator")
                options.dialect = Dialect::Emulator;
            else {
                error = "unknown dialect " + v;
                return false;
            }
        } else if (arg == "--monitor") {
            if (!value(v)) return false;
            const std::string m = toLower(v);
            if (m == "kantronics")
                options.monitor = MonitorStyle::Kantronics;
            else if (m == "tnc2")
                options.monitor = MonitorStyle::Tnc2;
            else if (m == "aea")
                options.monitor = MonitorStyle::Aea;
            else if (m == "software")
                options.monitor = MonitorStyle::Software;
            else if (m == "bpq")
                options.monitor = MonitorStyle::Bpq;
            else {
                error = "unknown monitor format " + v;
                return false;
            }
        } else if (arg == "--crlf") {
            options.crlf = true;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--chunks" || arg == "--delay") {
            long long number = 0;
            if (!value(v)) return false;
            if (!toNumber(v, number) || number > 0xffffffffLL) {
                error = arg + " wants a number, got " + v;
                return false;
            }
            if (arg == "--chunks")
                options.chunkSeed = static_cast<std::uint32_t>(number);
            else
                options.delayMs = static_cast<int>(std::min(number, 60000LL));
        } else if (arg == "--agw") {
            long long number = 0;
            if (!value(v)) return false;
            if (!toNumber(v, number) || number > 65535) {
                error = "--agw wants a port number, got " + v;
                return false;
            }
            options.agwPort = static_cast<int>(number);
        } else if (arg == "--kiss" || arg == "--kiss-loss" || arg == "--kiss-dup" || arg == "--kiss-seed") {
            long long number = 0;
            if (!value(v)) return false;
            const long long most = arg == "--kiss" ? 65535 : arg == "--kiss-seed" ? 0xffffffffLL : 100;
            if (!toNumber(v, number) || number > most) {
                error = arg + " wants a number from 0 to " + std::to_string(most) + ", got " + v;
                return false;
            }
            if (arg == "--kiss")
                options.kissPort = static_cast<int>(number);
            else if (arg == "--kiss-loss")
                options.kissLossPercent = static_cast<int>(number);
            else if (arg == "--kiss-dup")
                options.kissDuplicatePercent = static_cast<int>(number);
            else
                options.kissSeed = static_cast<std::uint32_t>(number);
        } else if (arg == "--kiss-delay") {
            long long percent = 0, ms = 0;
            if (!value(v)) return false;
            const std::size_t colon = v.find(':');
            if (colon == std::string::npos || !toNumber(v.substr(0, colon), percent) || percent > 100 ||
                !toNumber(v.substr(colon + 1), ms) || ms > 60000) {
                error = "--kiss-delay wants PERCENT:MS, got " + v;
                return false;
            }
            options.kissDelayPercent = static_cast<int>(percent);
            options.kissDelayMs = static_cast<int>(ms);
        } else if (arg == "--log") {
            if (!value(options.logPath)) return false;
        } else if (arg == "--unproto-answer") {
            if (!value(options.unprotoAnswer)) return false;
        } else if (arg.starts_with("-")) {
            error = "unknown option " + arg;
            return false;
        } else {
            const std::size_t eq = arg.rfind('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == arg.size()) {
                error = "a station is DIR=CALL, got " + arg;
                return false;
            }
            const std::string call = toUpper(arg.substr(eq + 1));
            for (const StationDef& other : options.stations) {
                if (toUpper(other.call) == call) {
                    error = "two stations with the call " + call;
                    return false;
                }
            }
            options.stations.push_back(StationDef{arg.substr(0, eq), call});
        }
    }
    if (options.stations.empty()) {
        error = "no station given";
        return false;
    }
    return true;
}

} // namespace tncsim

int main(int argc, char** argv) {
    tncsim::Options options;
    bool help = false;
    std::string error;
    if (!tncsim::parseCommandLine(argc, argv, options, help, error)) {
        std::cerr << "tncsim: " << error << "\n(tncsim --help lists the options)\n";
        return 2;
    }
    if (help) {
        std::cout << tncsim::usageText();
        return 0;
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    tncsim::Sim sim(std::move(options));
    if (!sim.start(error)) {
        std::cerr << "tncsim: " << error << '\n';
        sim.shutdown();
        return 1;
    }
    std::cout << "tncsim ready";
    if (const int port = sim.agwPort()) std::cout << " agw 127.0.0.1:" << port;
    if (const int port = sim.kissPort()) std::cout << " kiss 127.0.0.1:" << port;
    std::cout << std::endl;
    sim.run(stopRequested);
    sim.shutdown();
    return 0;
}
