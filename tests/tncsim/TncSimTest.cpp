// Black-box tests of tncsim: the real binary on pseudo-terminals, checked byte by byte.

#include "SimHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::string_literals;
using namespace tncsimtest;

namespace {

const std::string kGreeting =
    "[TOLVEXSIM-1.0-H$]\r99845 BYTES AVAILABLE\rENTER COMMAND: B,J,K,L,R,S, or Help >\r";
const std::string kMailboxPrompt = "ENTER COMMAND: B,J,K,L,R,S, or Help >\r";
const std::string kKanodePrompt = "ENTER COMMAND: B,C,J,N,X, or Help ?\r";

// Every byte value but Ctrl-C, which the sending TNC takes as its command character.
std::string everyByteButCtrlC() {
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        if (c != 3) bytes += static_cast<char>(c);
    return bytes + "\r";
}

struct Expect {
    char port;
    std::string bytes;
};

// One thing typed at a station (nothing, when only waiting) and what each port then shows.
struct Say {
    char port;
    std::string typed;
    std::vector<Expect> expect;
};

// Stations a=N0AAA and b=N0BBB are always there.
struct Dialogue {
    std::string name;
    std::vector<std::string> args;
    std::string script;
    std::vector<Say> says;
};

void PrintTo(const Dialogue& dialogue, std::ostream* os) {
    *os << dialogue.name;
}

std::vector<std::string> withStations(const TempDir& dir, std::vector<std::string> args) {
    args.push_back(dir.file("a") + "=N0AAA");
    args.push_back(dir.file("b") + "=N0BBB");
    return args;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Polls a log file until `done` holds for its text (the simulator logs right after each write).
template <typename F> bool waitForLog(const std::string& file, F&& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (!done(readFile(file))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::poll(nullptr, 0, 10);
    }
    return true;
}

class Dialogues : public testing::TestWithParam<Dialogue> {};

TEST_P(Dialogues, BytesOnTheLine) {
    const Dialogue& dialogue = GetParam();
    TempDir dir;
    std::vector<std::string> args = dialogue.args;
    if (!dialogue.script.empty()) {
        writeFile(dir.file("test.script"), dialogue.script);
        args.push_back("--script");
        args.push_back(dir.file("test.script"));
    }
    SimProcess sim(withStations(dir, args));
    ASSERT_TRUE(sim.ready());
    Port a(dir.file("a/Ports/COM1"));
    Port b(dir.file("b/Ports/COM1"));
    ASSERT_TRUE(a.isOpen() && b.isOpen());

    for (std::size_t i = 0; i < dialogue.says.size(); ++i) {
        const Say& say = dialogue.says[i];
        if (!say.typed.empty()) (say.port == 'a' ? a : b).send(say.typed);
        for (const Expect& expect : say.expect)
            ASSERT_EQ((expect.port == 'a' ? a : b).take(expect.bytes.size()), expect.bytes)
                << "step " << i << ", station " << expect.port;
    }
}

const std::vector<std::string> kNodeAB{"--node", "NODA:N0NDA", "--node", "NODB:N0NDB"};

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- command mode

INSTANTIATE_TEST_SUITE_P(
    CommandMode, Dialogues,
    testing::Values(
        Dialogue{
            "PromptOnCrCtrlCAndLoneLf",
            {},
            "",
            {{'a', "\r", {{'a', "cmd:"}}}, {'a', "\x03", {{'a', "cmd:"}}}, {'a', "\n\r", {{'a', "cmd:"}}}}},
        Dialogue{
            "UnprotoQueryFullAndAbbreviated",
            {},
            "",
            {{'a', "UNPROTO\r", {{'a', "UNPROTO CQ\rcmd:"}}}, {'a', "u\r", {{'a', "UNPROTO CQ\rcmd:"}}}}},
        Dialogue{"UnprotoQueryCrLf",
                 {"--crlf"},
                 "",
                 {{'a', "UNPROTO\r\n", {{'a', "UNPROTO CQ\r\ncmd:"}}}, {'a', "\r\n", {{'a', "cmd:"}}}}},
        Dialogue{"UnprotoSetKeepsViaPath",
                 {},
                 "",
                 {{'a', "UNPROTO ZULGRP VIA RELAY\r", {{'a', "cmd:"}}},
                  {'a', "UNPROTO\r", {{'a', "UNPROTO ZULGRP VIA RELAY\rcmd:"}}}}},
        Dialogue{"UnprotoStubAnswersOnlyThePrompt",
                 {"--unproto-answer", "none"},
                 "",
                 {{'a', "UNPROTO\r", {{'a', "cmd:"}}}}},
        Dialogue{"UnprotoDualPortAnswer",
                 {"--unproto-answer", "UNPROTO  CQ/CQ"},
                 "",
                 {{'a', "UNPROTO\r", {{'a', "UNPROTO  CQ/CQ\rcmd:"}}}}},
        Dialogue{"MycallAskedAndSet",
                 {},
                 "",
                 {{'a', "MYCALL\r", {{'a', "MYCALL N0AAA\rcmd:"}}},
                  {'a', "mycall n0ccc\r", {{'a', "MYCALL was N0AAA\rcmd:"}}},
                  {'a', "MY\r", {{'a', "MYCALL N0CCC\rcmd:"}}}}},
        Dialogue{"UnknownTapr", {}, "", {{'a', "XYZZY\r", {{'a', "EH?\rcmd:"}}}}},
        Dialogue{"UnknownKantronics",
                 {"--dialect", "kantronics"},
                 "",
                 {{'a', "XYZZY\r", {{'a', "    $\rEH?\rcmd:"}}}}},
        Dialogue{"UnknownAea", {"--dialect", "aea"}, "", {{'a', "XYZZY\r", {{'a', "?EH\rcmd:"}}}}},
        Dialogue{"UnknownEmulator", {"--dialect", "emulator"}, "", {{'a', "XYZZY\r", {{'a', "Eh?\rcmd:"}}}}},
        Dialogue{"EchoAndBackspace",
                 {"--echo"},
                 "",
                 {{'a', "MX\x08Y\r", {{'a', "MX\b \bY\rMYCALL N0AAA\rcmd:"}}}}},
        Dialogue{"DisconnectWhenIdleOnlyPrompts", {}, "", {{'a', "D\r", {{'a', "cmd:"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- links between two stations

INSTANTIATE_TEST_SUITE_P(
    Links, Dialogues,
    testing::Values(
        Dialogue{"TaprEveryByteBothWays",
                 {},
                 "",
                 {{'a', "C N0BBB\r", {{'a', "*** CONNECTED to N0BBB\r"}, {'b', "*** CONNECTED to N0AAA\r"}}},
                  {'a', everyByteButCtrlC(), {{'b', everyByteButCtrlC()}}},
                  {'b', "\xff\x00 back\r"s, {{'a', "\xff\x00 back\r"s}}},
                  {'a', "\x03", {{'a', "cmd:"}}},
                  {'a', "D\r", {{'a', "*** DISCONNECTED\rcmd:"}, {'b', "*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{
            "Aea",
            {"--dialect", "aea"},
            "",
            {{'a', "c n0bbb\r", {{'a', "*** CONNECTED to: N0BBB\r"}, {'b', "*** CONNECTED to: N0AAA\r"}}},
             {'b',
              "\x03"
              "D\r",
              {{'b', "cmd:*** DISCONNECTED: N0AAA\rcmd:"}, {'a', "*** DISCONNECTED: N0BBB\rcmd:"}}}}},
        Dialogue{
            "Emulator",
            {"--dialect", "emulator"},
            "",
            {{'a', "C N0BBB\r", {{'a', "\r*** CONNECTED to N0BBB\r"}, {'b', "\r*** CONNECTED to N0AAA\r"}}},
             {'a',
              "\x03"
              "D\r",
              {{'a', "cmd:\r*** DISCONNECTED\rcmd:cmd:"}, {'b', "\r*** DISCONNECTED\rcmd:cmd:"}}}}},
        Dialogue{
            "CrLfLineEndsLeaveLinkDataAlone",
            {"--crlf"},
            "",
            {{'a', "C N0BBB\r\n", {{'a', "*** CONNECTED to N0BBB\r\n"}, {'b', "*** CONNECTED to N0AAA\r\n"}}},
             {'a', "one\rtwo\r\n", {{'b', "one\rtwo\r\n"}}},
             {'a',
              "\x03"
              "D\r\n",
              {{'a', "cmd:*** DISCONNECTED\r\ncmd:"}, {'b', "*** DISCONNECTED\r\ncmd:"}}}}},
        Dialogue{"PartLineGoesOutOnCtrlCAndConverseResumes",
                 {},
                 "",
                 {{'a', "C N0BBB\r", {{'a', "*** CONNECTED to N0BBB\r"}, {'b', "*** CONNECTED to N0AAA\r"}}},
                  {'a', "no line end\x03", {{'b', "no line end"}, {'a', "cmd:"}}},
                  {'a', "K\rmore\r", {{'b', "more\r"}}}}},
        Dialogue{"LinkedStationAnswersBusy",
                 {},
                 "",
                 {{'a', "C N0AAA-1\r", {{'a', "*** CONNECTED to N0AAA-1\r" + kGreeting}}},
                  {'b', "C N0AAA\r", {{'b', "*** N0AAA busy\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"Mailbox",
                 {},
                 "",
                 {{'a', "C N0AAA-1\r", {{'a', "*** CONNECTED to N0AAA-1\r" + kGreeting}}},
                  {'a', "L\r", {{'a', "No messages\r" + kMailboxPrompt}}},
                  {'a', "R 1\r", {{'a', kMailboxPrompt}}},
                  {'a', "B\r", {{'a', "*** DISCONNECTED\rcmd:"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- nodes

INSTANTIATE_TEST_SUITE_P(
    Nodes, Dialogues,
    testing::Values(
        Dialogue{
            "TwoBpqNodesFarEndHangsUp",
            kNodeAB,
            "",
            {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
             {'a', "C NODB\r", {{'a', "NODA:N0NDA} Connected to NODB\r"}}},
             {'a',
              "C N0BBB\r",
              {{'a', "NODB:N0NDB} Connected to N0BBB\r"}, {'b', "*** CONNECTED to N0NDB\r"}}},
             {'a', "up\x00\xff\r"s, {{'b', "up\x00\xff\r"s}}},
             {'b', "down\r", {{'a', "down\r"}}},
             {'b',
              "\x03"
              "D\r",
              {{'b', "cmd:*** DISCONNECTED\rcmd:"}, {'a', "*** DISCONNECTED\rcmd:"}}},
             // Back down: nothing is left hanging at the nodes, a direct call works.
             {'a', "C N0BBB\r", {{'a', "*** CONNECTED to N0BBB\r"}, {'b', "*** CONNECTED to N0AAA\r"}}}}},
        Dialogue{"TwoBpqNodesUserHangsUp",
                 kNodeAB,
                 "",
                 {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
                  {'a', "C 1 N0NDB\r", {{'a', "NODA:N0NDA} Connected to N0NDB\r"}}},
                  {'a',
                   "C N0BBB\r",
                   {{'a', "NODB:N0NDB} Connected to N0BBB\r"}, {'b', "*** CONNECTED to N0NDB\r"}}},
                  {'a',
                   "\x03"
                   "D\r",
                   {{'a', "cmd:*** DISCONNECTED\rcmd:"}, {'b', "*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"BpqNetromKanodeChain",
                 {"--node", "NODA:N0NDA", "--node", "NODB:N0NDB:netrom", "--node", "NODC:N0NDC:kanode"},
                 "",
                 {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
                  {'a', "C NODB\r", {{'a', "NODA:N0NDA} Connected to NODB\r"}}},
                  {'a',
                   "C NODC\r",
                   {{'a', "NODB:N0NDB> Connected to NODC\r###CONNECTED TO NODE NODC(N0NDC) CHANNEL A\r" +
                              kKanodePrompt}}},
                  {'a', "C N0BBB\r", {{'a', "###LINK MADE\r"}, {'b', "*** CONNECTED to N0NDC\r"}}},
                  {'b', "hello from b\r", {{'a', "hello from b\r"}}},
                  {'b',
                   "\x03"
                   "D\r",
                   {{'b', "cmd:*** DISCONNECTED\rcmd:"},
                    {'a', "###DISCONNECTED BY N0BBB AT NODE NODC\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"BpqInvalidCommandAndBye",
                 {"--node", "NODA:N0NDA"},
                 "",
                 {{'a', "C N0NDA\r", {{'a', "*** CONNECTED to N0NDA\r"}}},
                  {'a', "FROB\r", {{'a', "NODA:N0NDA} Invalid command\r"}}},
                  {'a', "BYE\r", {{'a', "*** DISCONNECTED\rcmd:"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- connects that fail

INSTANTIATE_TEST_SUITE_P(
    Failures, Dialogues,
    testing::Values(
        Dialogue{"DirectNoAnswer",
                 {"--fail", "N0ZZZ"},
                 "",
                 {{'a', "C N0ZZZ\r", {{'a', "*** retry count exceeded\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"DirectUnknownCall",
                 {},
                 "",
                 {{'a', "C N0QQQ\r", {{'a', "*** retry count exceeded\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"DirectBusy",
                 {"--busy", "N0YYY"},
                 "",
                 {{'a', "C N0YYY\r", {{'a', "*** N0YYY busy\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"AeaNoAnswer",
                 {"--dialect", "aea", "--fail", "N0BBB"},
                 "",
                 {{'a', "C N0BBB\r", {{'a', "*** RETRY COUNT EXCEEDED\r*** DISCONNECTED: N0BBB\rcmd:"}}}}},
        Dialogue{"ThroughBpq",
                 {"--node", "NODA:N0NDA", "--fail", "N0ZZZ"},
                 "",
                 {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
                  {'a', "C N0ZZZ\r", {{'a', "NODA:N0NDA} Failure with N0ZZZ\r"}}},
                  {'a',
                   "\x03"
                   "D\r",
                   {{'a', "cmd:*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"BusyThroughBpq",
                 {"--node", "NODA:N0NDA", "--busy", "N0YYY"},
                 "",
                 {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
                  {'a', "C N0YYY\r", {{'a', "NODA:N0NDA} Busy from N0YYY\r"}}}}},
        Dialogue{"UnknownThroughNetrom",
                 {"--node", "NODN:N0NDN:netrom"},
                 "",
                 {{'a', "C NODN\r", {{'a', "*** CONNECTED to NODN\r"}}},
                  {'a', "C N0QQQ\r", {{'a', "NODN:N0NDN> Failure with N0QQQ\r"}}}}},
        Dialogue{
            "ThroughKanode",
            {"--node", "KAN:N0KAN:kanode", "--fail", "N0ZZZ"},
            "",
            {{'a',
              "C KAN\r",
              {{'a', "*** CONNECTED to KAN\r###CONNECTED TO NODE KAN(N0KAN) CHANNEL A\r" + kKanodePrompt}}},
             {'a', "C N0ZZZ\r", {{'a', "###UNABLE TO CONNECT TO N0ZZZ\r" + kKanodePrompt}}}}},
        Dialogue{"AtTheSecondNode",
                 plus(kNodeAB, {"--fail", "N0ZZZ"}),
                 "",
                 {{'a', "C NODA\r", {{'a', "*** CONNECTED to NODA\r"}}},
                  {'a', "C NODB\r", {{'a', "NODA:N0NDA} Connected to NODB\r"}}},
                  {'a', "C N0ZZZ\r", {{'a', "NODB:N0NDB} Failure with N0ZZZ\r"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- unconnected frames in the other station's monitor

Say sendGroupLine(const std::string& shownAtB) {
    return {'a', "K\rhello group$^\r", {{'b', shownAtB}}};
}

INSTANTIATE_TEST_SUITE_P(
    Monitor, Dialogues,
    testing::Values(
        Dialogue{"Kantronics",
                 {},
                 "",
                 {{'a', "UNPROTO ZULGRP\r", {{'a', "cmd:"}}},
                  sendGroupLine("N0AAA>ZULGRP: <UI>:\rhello group$^\r"),
                  {'a', "\x03", {{'a', "cmd:"}}}}},
        Dialogue{"Tnc2",
                 {"--monitor", "tnc2"},
                 "",
                 {{'a', "UNPROTO ZULGRP\r", {{'a', "cmd:"}}},
                  sendGroupLine("N0AAA>ZULGRP:hello group$^\r"),
                  {'a', "\x03", {{'a', "cmd:"}}}}},
        Dialogue{"Aea",
                 {"--monitor", "aea"},
                 "",
                 {{'a', "UNPROTO ZULGRP\r", {{'a', "cmd:"}}},
                  sendGroupLine("N0AAA>ZULGRP <UI R>:\rhello group$^\r"),
                  {'a', "\x03", {{'a', "cmd:"}}}}},
        Dialogue{"Software",
                 {"--monitor", "software"},
                 "",
                 {{'a', "UNPROTO ZULGRP\r", {{'a', "cmd:"}}},
                  sendGroupLine("[0] N0AAA>ZULGRP:hello group$^\r"),
                  {'a', "\x03", {{'a', "cmd:"}}}}},
        // A node's monitor: link frames between other stations too, marked with their kind.
        Dialogue{"Bpq",
                 {"--monitor", "bpq", "--node", "NODA:N0NDA"},
                 "",
                 {{'a', "UNPROTO ZULGRP\r", {{'a', "cmd:"}}},
                  sendGroupLine("N0AAA>ZULGRP Port=1 <UI C>:\rhello group$^\r"),
                  {'a', "\x03", {{'a', "cmd:"}}},
                  {'a', "C NODA\r", {{'b', "N0AAA>NODA Port=1 <C C P>\r"}, {'a', "*** CONNECTED to NODA\r"}}},
                  {'a',
                   "N\r",
                   {{'b', "N0AAA>NODA Port=1 <I C S0 R0>:\rN\r"},
                    {'b', "NODA>N0AAA Port=1 <I C S0 R0>:\rNODA:N0NDA} Nodes\r"},
                    {'a', "NODA:N0NDA} Nodes\r"}}}}},
        // The way Tolvex sends a broadcast: no line end before Ctrl-C. The sender never sees its
        // own frame, so its next bytes are the prompts.
        Dialogue{"ViaDigiPartLineAndCrLf",
                 {"--monitor", "tnc2", "--crlf"},
                 "",
                 {{'a', "UNPROTO ZULGRP VIA RELAY\r", {{'a', "cmd:"}}},
                  {'a',
                   "K\rnet up$^ de N0AAA \x03",
                   {{'b', "N0AAA>ZULGRP,RELAY*:net up$^ de N0AAA \r\n"}, {'a', "cmd:"}}},
                  {'a', "\r", {{'a', "cmd:"}}}}},
        Dialogue{"NotShownWhileLinked",
                 {},
                 "",
                 {{'a', "C N0AAA-1\r", {{'a', "*** CONNECTED to N0AAA-1\r" + kGreeting}}},
                  {'b', "K\rduring\r\x03", {{'b', "cmd:"}}},
                  {'a', "L\r", {{'a', "No messages\r" + kMailboxPrompt}}},
                  {'a', "B\r", {{'a', "*** DISCONNECTED\rcmd:"}}},
                  {'b', "K\rafter\r\x03", {{'b', "cmd:"}, {'a', "N0BBB>CQ: <UI>:\rafter\r"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- scripted distant stations

INSTANTIATE_TEST_SUITE_P(
    Scripts, Dialogues,
    testing::Values(
        Dialogue{
            "FramedMessage",
            {},
            R"(# a distant station sends one message
station W1XYZ
connect N0AAA
send .hdr  _W1XYZ _Test traffic
send
send First line
send Second line
send $^
disconnect
)",
            {{'a',
              "",
              {{'a', "*** CONNECTED to W1XYZ\r.hdr  _W1XYZ _Test traffic\r\rFirst line\rSecond line\r$^\r"
                     "*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"ThroughANodeToPractice",
                 {"--node", "NODA:N0NDA"},
                 "station W1P\nconnect PRACTICE via NODA\nsend hello\ndisconnect\n",
                 {{'a', "", {{'a', "*** CONNECTED to N0NDA\rhello\r*** DISCONNECTED\rcmd:"}}}}},
        Dialogue{"EchoAndAwait",
                 {},
                 "station W1ECH\necho on\nawait quit\nsend bye now\ndisconnect\n",
                 {{'a', "C W1ECH\r", {{'a', "*** CONNECTED to W1ECH\r"}}},
                  {'a', "ping\r", {{'a', "ECHO: ping\r"}}},
                  {'a', "quit\r", {{'a', "ECHO: quit\rbye now\r*** DISCONNECTED\rcmd:"}}}}},
        // Chat is echoed, a message is answered by one receipt only, and a receipt is not answered.
        Dialogue{"ReceiptForAMessage",
                 {},
                 "station W1RCP\necho on\nreply on\n",
                 {{'a', "C W1RCP\r", {{'a', "*** CONNECTED to W1RCP\r"}}},
                  {'a', "hi\r", {{'a', "ECHO: hi\r"}}},
                  {'a',
                   ".hdr  .ack  _N0AAA _Water $^ supply\r\rAll well\rend $^ here\r",
                   {{'a', ".hdr  _W1RCP _Receipt\r\rYour message \"Water $^ supply\" was received at W1RCP. "
                          "73\r$^\r"}}},
                  {'a', ".hdr  _N0AAA _Receipt\r\rthanks\r$^\rbye\r", {{'a', "ECHO: bye\r"}}}}},
        Dialogue{"RawBytesAndUiFrame",
                 {},
                 R"(station W1RAW
connect N0AAA
sendraw a\x00b\xffc\r\x03
disconnect
wait 100
ui ZULGRP net check$^
)",
                 {{'a',
                   "",
                   {{'a', "*** CONNECTED to W1RAW\ra\x00"s
                          "b\xff"
                          "c\r\x03*** DISCONNECTED\rcmd:"
                          "W1RAW>ZULGRP: <UI>:\rnet check$^\r"}}},
                  {'b', "", {{'b', "W1RAW>ZULGRP: <UI>:\rnet check$^\r"}}}}},
        // A net control script answers only the station and the words it waits for, and each
        // "hear" counts one frame.
        Dialogue{"HearNetLines",
                 {},
                 R"(station N0NCS
hear PRACTICE .ckin
ui N0NCS .netmsg From NCS- PRACTICE checked in   $^
hear * .rts
ui N0NCS .netmsg From NCS- go ahead   $^
)",
                 {{'b', "UNPROTO N0NCS\r", {{'b', "cmd:"}}},
                  {'b', "K\r.ckinN0AAA  $^\r", {{'a', "N0BBB>N0NCS: <UI>:\r.ckinN0AAA  $^\r"}}},
                  {'a', "UNPROTO N0NCS\r", {{'a', "cmd:"}}},
                  {'a',
                   "K\r  .ckinN0AAA  $^\r",
                   {{'b', "N0AAA>N0NCS: <UI>:\r  .ckinN0AAA  $^\rN0NCS>N0NCS: <UI>:\r"
                          ".netmsg From NCS- N0AAA checked in   $^\r"},
                    {'a', "N0NCS>N0NCS: <UI>:\r.netmsg From NCS- N0AAA checked in   $^\r"}}},
                  {'a', "  .ckinN0AAA  $^\r", {{'b', "N0AAA>N0NCS: <UI>:\r  .ckinN0AAA  $^\r"}}},
                  {'b',
                   ".rtsN0BBB  $^\r",
                   {{'a', "N0BBB>N0NCS: <UI>:\r.rtsN0BBB  $^\rN0NCS>N0NCS: <UI>:\r"
                          ".netmsg From NCS- go ahead   $^\r"}}}}},
        Dialogue{"AcceptOff",
                 {},
                 "station W1OFF\naccept off\n",
                 {{'a', "C W1OFF\r", {{'a', "*** retry count exceeded\r*** DISCONNECTED\rcmd:"}}}}}),
    [](const auto& p) { return p.param.name; });

// ---- the same dialogue, cut differently

struct Cutting {
    std::string name;
    std::vector<std::string> args;
    bool chunked;
};

void PrintTo(const Cutting& cutting, std::ostream* os) {
    *os << cutting.name;
}

// Runs a mailbox visit with --log and returns the pieces written to station a.
std::vector<std::string> mailboxVisit(const std::vector<std::string>& extraArgs) {
    TempDir dir;
    const std::string log = dir.file("sim.log");
    SimProcess sim(withStations(dir, plus({"--log", log}, extraArgs)));
    EXPECT_TRUE(sim.ready());
    Port a(dir.file("a/Ports/COM1"));
    const std::vector<std::pair<std::string, std::string>> steps{
        {"UNPROTO\r", "UNPROTO CQ\rcmd:"},
        {"C N0AAA-1\r", "*** CONNECTED to N0AAA-1\r" + kGreeting},
        {"L\rB\r", "No messages\r" + kMailboxPrompt + "*** DISCONNECTED\rcmd:"},
    };
    std::string expected;
    for (const auto& [typed, answer] : steps) {
        a.send(typed);
        EXPECT_EQ(a.take(answer.size()), answer);
        expected += answer;
    }

    std::vector<std::string> pieces;
    EXPECT_TRUE(waitForLog(log, [&](const std::string&) {
        pieces = logged(log, "N0AAA> ");
        std::string joined;
        for (const std::string& piece : pieces)
            joined += piece;
        return joined == expected;
    }));
    return pieces;
}

class Cuttings : public testing::TestWithParam<Cutting> {};

TEST_P(Cuttings, SameBytesOnlyCutDifferently) {
    const std::vector<std::string> pieces = mailboxVisit(GetParam().args);
    if (GetParam().chunked) {
        // The 83-byte greeting cannot have gone out whole.
        for (const std::string& piece : pieces)
            EXPECT_LE(piece.size(), 64u);
    }
}

INSTANTIATE_TEST_SUITE_P(Output, Cuttings,
                         testing::Values(Cutting{"Whole", {}, false},
                                         Cutting{"Delayed", {"--delay", "30"}, false},
                                         Cutting{"Chunks", {"--chunks", "7"}, true},
                                         Cutting{"ChunksAndDelay", {"--chunks", "11", "--delay", "6"}, true}),
                         [](const auto& p) { return p.param.name; });

TEST(Chunks, SameSeedCutsTheSameWay) {
    EXPECT_EQ(mailboxVisit({"--chunks", "42"}), mailboxVisit({"--chunks", "42"}));
}

// ---- process and device life

TEST(Log, EscapesBothDirections) {
    TempDir dir;
    const std::string log = dir.file("sim.log");
    SimProcess sim(withStations(dir, {"--log", log}));
    ASSERT_TRUE(sim.ready());
    Port a(dir.file("a/Ports/COM1"));
    a.send("\x00\xff\\\r"s);
    ASSERT_EQ(a.take(8), "EH?\rcmd:");
    EXPECT_TRUE(waitForLog(log, [](const std::string& text) {
        return text.find("N0AAA< \\x00\\xff\\\\\\r\n") != std::string::npos &&
               text.find("N0AAA> EH?\\rcmd:\n") != std::string::npos;
    })) << readFile(log);
}

TEST(Device, ReopenedAfterCloseWithWhatHappenedMeanwhile) {
    TempDir dir;
    SimProcess sim(withStations(dir, {}));
    ASSERT_TRUE(sim.ready());
    const std::string path = dir.file("a/Ports/COM1");
    {
        Port a(path);
        a.send("\r");
        ASSERT_EQ(a.take(4), "cmd:");
    }
    Port b(dir.file("b/Ports/COM1"));
    b.send("C N0AAA\r");
    ASSERT_EQ(b.take(23), "*** CONNECTED to N0AAA\r");
    Port a(path);
    ASSERT_TRUE(a.isOpen());
    EXPECT_EQ(a.take(23), "*** CONNECTED to N0BBB\r");
    a.send("still here\r");
    EXPECT_EQ(b.take(11), "still here\r");
}

class Signals : public testing::TestWithParam<int> {};

TEST_P(Signals, RemoveTheLinksAndExitCleanly) {
    namespace fs = std::filesystem;
    TempDir dir;
    fs::create_directories(dir.file("a/Ports"));
    writeFile(dir.file("a/Ports/COM1"), "left over from an earlier run");
    SimProcess sim(withStations(dir, {}));
    ASSERT_TRUE(sim.ready());
    const fs::path link = dir.file("a/Ports/COM1");
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string().rfind("/dev/pts/", 0), 0u);
    EXPECT_TRUE(fs::is_symlink(dir.file("b/Ports/COM1")));

    EXPECT_EQ(sim.stop(GetParam()), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("b/Ports/COM1"))));
}

INSTANTIATE_TEST_SUITE_P(Term, Signals, testing::Values(SIGTERM, SIGINT));

struct CommandLine {
    std::string name;
    std::vector<std::string> args;
    std::string script;
    int exitCode;
    std::string inOutput;
};

void PrintTo(const CommandLine& line, std::ostream* os) {
    *os << line.name;
}

class CommandLines : public testing::TestWithParam<CommandLine> {};

TEST_P(CommandLines, ExitCodeAndOutput) {
    TempDir dir;
    std::vector<std::string> args = GetParam().args;
    if (!GetParam().script.empty()) {
        writeFile(dir.file("bad.script"), GetParam().script);
        args = withStations(dir, {"--script", dir.file("bad.script")});
    }
    std::string output;
    EXPECT_EQ(runToExit(args, output), GetParam().exitCode);
    EXPECT_NE(output.find(GetParam().inOutput), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(
    Start, CommandLines,
    testing::Values(CommandLine{"Help", {"--help"}, "", 0, "--node ALIAS:CALL[:style]"},
                    CommandLine{"UnknownOption", {"--bogus", "x=N0AAA"}, "", 2, ""},
                    CommandLine{"NoStation", {"--crlf"}, "", 2, ""},
                    CommandLine{"BadNodeStyle", {"--node", "A:B:fancy", "x=N0AAA"}, "", 2, ""},
                    CommandLine{"ScriptErrorStopsBeforeReady", {}, "station W1X\nfrobnicate\n", 1, ""},
                    CommandLine{"HearNeedsAText", {}, "station W1X\nhear N0AAA\n", 1, ""},
                    CommandLine{"AgwPortOutOfRange", {"--agw", "70000", "x=N0AAA"}, "", 2, ""}),
    [](const auto& p) { return p.param.name; });

// ---- AGW clients on the shared channel

AgwFrame agw(char kind, std::string from = "", std::string to = "", std::string data = "") {
    return AgwFrame{kind, std::move(from), std::move(to), std::move(data), 0, 0xF0};
}

std::string agwSummary(const AgwFrame& frame) {
    return std::string(1, frame.kind) + " " + frame.from + ">" + frame.to + " " + frame.data;
}

TEST(Agw, ClientSharesTheChannelWithPtyStations) {
    TempDir dir;
    SimProcess sim(withStations(dir, {"--agw", "0"}));
    ASSERT_TRUE(sim.ready());
    AgwClient client(sim.agwPort());
    ASSERT_TRUE(client.isOpen());
    Port a(dir.file("a/Ports/COM1"));
    Port b(dir.file("b/Ports/COM1"));

    client.send(agw('X', "N0AGW"));
    EXPECT_EQ(agwSummary(client.next()), "X N0AGW> \1"s);
    client.send(agw('X', "N0AAA")); // a pty station has it
    EXPECT_EQ(agwSummary(client.next()), "X N0AAA> \0"s);

    // A pty station calls the registered call; a line each way; the client hangs up.
    a.send("C N0AGW\r");
    EXPECT_EQ(a.take(23), "*** CONNECTED to N0AGW\r");
    EXPECT_EQ(agwSummary(client.next()), "C N0AAA>N0AGW *** CONNECTED To Station N0AAA\r\0"s);
    a.send("hello agw\r");
    EXPECT_EQ(agwSummary(client.next()), "D N0AAA>N0AGW hello agw\r");
    client.send(agw('D', "N0AGW", "N0AAA", "hi pty\r"));
    EXPECT_EQ(a.take(7), "hi pty\r");
    client.send(agw('d', "N0AGW", "N0AAA"));
    EXPECT_EQ(agwSummary(client.next()), "d N0AAA>N0AGW *** DISCONNECTED From Station N0AAA\r\0"s);
    EXPECT_NE(a.until("cmd:").find("*** DISCONNECTED\r"), std::string::npos);

    // The client calls a pty station, and a call nobody has.
    client.send(agw('C', "N0AGW", "N0BBB"));
    EXPECT_EQ(agwSummary(client.next()), "C N0BBB>N0AGW *** CONNECTED With Station N0BBB\r\0"s);
    EXPECT_EQ(b.take(23), "*** CONNECTED to N0AGW\r");
    b.send("\x03"
           "D\r");
    EXPECT_EQ(agwSummary(client.next()), "d N0BBB>N0AGW *** DISCONNECTED From Station N0BBB\r\0"s);
    client.send(agw('C', "N0AGW", "N0ZZZ"));
    EXPECT_EQ(agwSummary(client.next()), "d N0ZZZ>N0AGW *** DISCONNECTED RETRYOUT With N0ZZZ\r\0"s);

    // UI frames both ways: the client's shows in a pty monitor, a pty station's in the client's.
    client.send(agw('M', "N0AGW", "CQ", "agw beacon"));
    EXPECT_NE(a.until("agw beacon\r").find("N0AGW>CQ: <UI>:\ragw beacon\r"), std::string::npos);
    client.send(agw('m'));
    // The version answer comes after the server has taken the 'm': only then is b's frame sure
    // to reach a monitoring client.
    client.send(agw('R'));
    EXPECT_EQ(client.next().kind, 'R');
    b.until("cmd:");
    b.send("K\rfrom b\r");
    const AgwFrame heard = client.next();
    EXPECT_EQ(heard.kind, 'U');
    EXPECT_TRUE(heard.data.starts_with(" 1:Fm N0BBB To CQ <UI pid=F0 Len=6 PF=0 >[")) << heard.data;
    EXPECT_TRUE(heard.data.ends_with("]\rfrom b\r")) << heard.data;
}

struct BadInput {
    std::string name;
    std::string bytes;
    bool closeAfter; // the client itself goes away mid-frame
};

void PrintTo(const BadInput& input, std::ostream* os) {
    *os << input.name;
}

class AgwBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(AgwBadInput, DropsTheClientOnly) {
    TempDir dir;
    SimProcess sim(withStations(dir, {"--agw", "0"}));
    ASSERT_TRUE(sim.ready());
    {
        AgwClient bad(sim.agwPort());
        bad.send(agw('X', "N0AGW"));
        ASSERT_EQ(bad.next().kind, 'X');
        bad.sendRaw(GetParam().bytes);
        if (!GetParam().closeAfter) {
            EXPECT_EQ(bad.next("", 2000).kind, '-');
        }
    }
    // The server lives on, the dropped client's call is free again, the pty stations work.
    AgwClient good(sim.agwPort());
    good.send(agw('X', "N0AGW"));
    EXPECT_EQ(agwSummary(good.next()), "X N0AGW> \1"s);
    Port a(dir.file("a/Ports/COM1"));
    Port b(dir.file("b/Ports/COM1"));
    a.send("C N0BBB\r");
    EXPECT_EQ(b.take(23), "*** CONNECTED to N0AAA\r");
}

const std::string kAbsurdLength = "\0\0\0\0D\0\xF0\0N0AGW\0\0\0\0\0N0AAA\0\0\0\0\0\xF0\xFF\xFF\xFF\0\0\0\0"s;

INSTANTIATE_TEST_SUITE_P(Agw, AgwBadInput,
                         testing::Values(BadInput{"GarbageHeader", std::string(36, '\xFF'), false},
                                         BadInput{"AbsurdLength", kAbsurdLength, false},
                                         BadInput{"TruncatedHeader", "\0\0\0\0M\0\xF0\0N0A"s, true}),
                         [](const auto& p) { return p.param.name; });

// ---- KISS clients --------------------------------------------------------------------------

class KissClient {
public:
    explicit KissClient(int port) : fd_(connectLoopback(port)) {}
    ~KissClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    KissClient(const KissClient&) = delete;
    KissClient& operator=(const KissClient&) = delete;
    bool isOpen() const { return fd_ >= 0; }
    void send(const std::string& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    // Bytes until `count` have come or nothing more arrives for `quietMs`.
    std::string take(std::size_t count, int quietMs = 4000) {
        std::string got;
        while (got.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, quietMs) <= 0) break;
            char buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int fd_ = -1;
};

// A data frame for port 0 around `payload`, escaped as on the wire.
std::string kissFrame(const std::string& payload) {
    std::string out = "\xC0\x00"s;
    for (const char c : payload)
        out += c == '\xC0' ? "\xDB\xDC"s : c == '\xDB' ? "\xDB\xDD"s : std::string(1, c);
    return out + "\xC0";
}

TEST(Kiss, FramesGoRawToEveryOtherClientWithTheFaultsAskedFor) {
    const std::string frame = kissFrame("N0AAA>N0BBB \xC0 and \xDB inside, 15 bytes and more");
    const struct {
        std::vector<std::string> options;
        std::string bClient; // what the second client receives of one frame
    } rows[] = {
        {{}, frame},
        {{"--kiss-loss", "100"}, ""},
        {{"--kiss-dup", "100"}, frame + frame},
        {{"--kiss-delay", "100:200"}, frame},
    };
    for (const auto& row : rows) {
        TempDir dir;
        std::vector<std::string> args = {"--kiss", "0"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        SimProcess sim(withStations(dir, args));
        ASSERT_TRUE(sim.ready());
        ASSERT_GT(sim.kissPort(), 0);
        KissClient a(sim.kissPort()), b(sim.kissPort()), c(sim.kissPort());
        ASSERT_TRUE(a.isOpen() && b.isOpen() && c.isOpen());
        // Noise before the frame, and the frame in two writes.
        a.send("noise" + frame.substr(0, 9));
        a.send(frame.substr(9));
        EXPECT_EQ(b.take(std::max<std::size_t>(row.bClient.size(), 1), row.bClient.empty() ? 500 : 4000),
                  row.bClient);
        if (row.options.empty()) {
            EXPECT_EQ(c.take(frame.size()), frame);
        }
        EXPECT_EQ(a.take(1, 300), ""); // no echo to the sender
    }

    // Unconnected frames cross between the KISS clients and the pty stations, both ways.
    {
        TempDir shared;
        SimProcess sim(withStations(shared, {"--kiss", "0"}));
        ASSERT_TRUE(sim.ready());
        KissClient k(sim.kissPort());
        Port a(shared.file("a/Ports/COM1"));
        a.send("U ZULGRP VIA RELAY\rK\rfrom the pty\r\x03");
        // ZULGRP (C bit), N0AAA, RELAY repeated and last, UI, no layer 3, the text.
        const std::string ui = kissFrame("\xB4\xAA\x98\x8E\xA4\xA0\xE0\x9C\x60\x82\x82\x82\x40\x60"
                                         "\xA4\x8A\x98\x82\xB2\x40\xE1\x03\xF0"s +
                                         "from the pty");
        EXPECT_EQ(k.take(ui.size()), ui);
        // N0KIS to CQ, with the SSID of a mailbox, from the KISS side.
        k.send(
            kissFrame("\x86\xA2\x40\x40\x40\x40\xE0\x9C\x60\x96\x92\xA6\x40\x63\x03\xF0"s + "from kiss\r"));
        EXPECT_TRUE(a.until("from kiss\r").ends_with("cmd:N0KIS-1>CQ: <UI>:\rfrom kiss\r"));
    }

    // Held back, a share of frames is overtaken by later ones; none is lost.
    TempDir dir;
    SimProcess sim(withStations(dir, {"--kiss", "0", "--kiss-delay", "50:500"}));
    ASSERT_TRUE(sim.ready());
    KissClient a(sim.kissPort()), b(sim.kissPort());
    std::string sent;
    for (char n = 'a'; n <= 'l'; ++n)
        sent += kissFrame("frame " + std::string(1, n) + " of twelve, long enough");
    a.send(sent);
    const std::string got = b.take(sent.size());
    EXPECT_EQ(got.size(), sent.size());
    EXPECT_NE(got, sent);
    EXPECT_TRUE(std::is_permutation(got.begin(), got.end(), sent.begin()));
}

} // namespace
