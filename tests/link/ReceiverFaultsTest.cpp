#include "LinkRig.h"

using namespace tolvex;
using namespace tolvex::test;

namespace {

const QByteArray kLinkEnded = "\r*** The link ended before the end of this message ***\r";
const QByteArray kNextBegan = "\r*** Another message began before the end of this message ***\r";

Act connectTo(const char* destination) {
    return [destination](LinkRig& r) { ASSERT_TRUE(r.connect.connect(destination)); };
}

// A TNC that ends its lines in CR LF, read with LF as the line end, asked for its UNPROTO path.
Act queryWithCrLf() {
    return [](LinkRig& r) {
        r.station.settings.InLineEnd = "\n";
        r.rx.startUnprotoQuery();
    };
}

const QByteArray kConnectDuringQuery =
    "UNPROTO\r\n*** CONNECTED to W1AW\r\n.hdr  _W1AW _Early\r\n\r\nbody\r\n$^\r\n";

const std::vector<Dialogue>& rows() {
    static const std::vector<Dialogue> all = {
        {"lines held during an answered query keep their CR LF",
         {{queryWithCrLf(), "", 2500}, {{}, kConnectDuringQuery + "UNPROTO CQ\r\n", 0}},
         {{"header", ".hdr  _W1AW _Early\r\n"}, {"incoming", ".hdr  _W1AW _Early\r\n\r\nbody\r\n  ", 1}},
         {{2500, "UNPROTO\r"}},
         LinkState::LinkConnected,
         "Connected"},
        {"lines held during an unanswered query keep their CR LF",
         {{queryWithCrLf(), "", 2500}, {{}, kConnectDuringQuery, 900}},
         {{"header", ".hdr  _W1AW _Early\r\n"}, {"incoming", ".hdr  _W1AW _Early\r\n\r\nbody\r\n  ", 1}},
         {{2500, "UNPROTO\r"}},
         LinkState::LinkConnected,
         "Connected"},
        {"a header before the end of a message",
         {{{}, "*** CONNECTED to W2DEF\r.hdr  _W2DEF _One\rfirst\r.hdr  _W2DEF _Two\rsecond\r$^\r", 0}},
         {{"header", ".hdr  _W2DEF _One\r"},
          {"incoming", ".hdr  _W2DEF _One\rfirst\r" + kNextBegan, 1},
          {"header", ".hdr  _W2DEF _Two\r"},
          {"incoming", ".hdr  _W2DEF _Two\rsecond\r  ", 1}},
         {},
         LinkState::LinkConnected,
         "Connected"},
        {"failure after the last hop",
         {{connectTo("N0ZZZ,ND1"), "*** CONNECTED to ND1\r", 200},
          {{}, "ND1:N0ND1} Failure with N0ZZZ\r", 0}},
         {},
         {{0, "C ND1\r"}, {200, "C N0ZZZ\r"}, {200, "\x03\r"}, {200, "D\r"}},
         LinkState::LinkIdle,
         "Connect failed"},
        {"a node repeating its failure text gets one disconnect",
         {{connectTo("N0ZZZ,ND1,ND2"), "*** CONNECTED to ND1\r", 200},
          {{}, QByteArray("ND1:N0ND1} Failure with ND2\r").repeated(3), 0}},
         {},
         {{0, "C ND1\r"}, {200, "C ND2\r"}, {200, "\x03\r"}, {200, "D\r"}},
         LinkState::LinkViaNodes,
         "Connecting"},
        {"direct call the TNC gave up on",
         {{connectTo("N0ZZZ"), "*** retry count exceeded\r*** DISCONNECTED\rcmd:", 0}},
         {},
         {{0, "C N0ZZZ\r"}, {0, "\x03\r"}, {0, "D\r"}},
         LinkState::LinkIdle,
         "Connect failed"},
        {"the mailbox view after a failed call",
         {{connectTo("N0ZZZ"), "*** retry count exceeded\r", 0},
          {[](LinkRig& r) { r.connect.connectToMailbox(); }, "", 0}},
         {},
         {{0, "C N0ZZZ\r"}, {0, "\x03\r"}, {0, "D\r"}, {0, "\r\x03"}},
         LinkState::LinkBbsCalling,
         ""},
        {"failure words once the call is answered are the far station's text",
         {{connectTo("N1ABC"), "NOD:N0NOD} Connected to N1ABC, Busy from 0900\r", 0},
          {{}, ".hdr  _N1ABC _Roads\rBusy from noon, retry count exceeded\r$^\r", 0}},
         {{"header", ".hdr  _N1ABC _Roads\r"},
          {"incoming", ".hdr  _N1ABC _Roads\rBusy from noon, retry count exceeded\r  ", 1}},
         {{0, "C N1ABC\r"}},
         LinkState::LinkCalling,
         "Connected"},
        {"only unconnected frames are group or net traffic",
         {{{},
           "N0AAA>ZULGRP,RELAY*/2: <UI>:\rone $^\r"
           "N0AAA>ZULGRP: <<UI>>:\rtwo $^\r"
           "N0AAA>ZULGRP,RELAY* 12/08/26 18:07:43 <UI R>:\rthree $^\r"
           "18:07:43R N0AAA>ZULGRP Port=1 <UI C>:\rfour $^\r"
           "N0AAA>ARES [12:00:00] [UI]:\rfive $^\r"
           "[0] N0AAA>ZULGRP:six <I> $^\r"
           "18:07:44R N0AAA>NETCTL Port=1 <UI C>:\r  .ckinN0AAA  $^\r"
           "18:06:30R N0AAA>NETCTL Port=1 <C C P>\r"
           "18:06:34R N0AAA>NETCTL Port=1 <I C S0 R0>:\r.hdr  _N0AAA _Report\rtext $^\r"
           "N0AAA>ZULGRP <C>\rN0AAA>ZULGRP <D>\rN0AAA>ZULGRP <UA>\rN0AAA>ZULGRP <DM>\rN0AAA>ZULGRP <RR1>\r"
           "N0AAA>ZULGRP,RELAY*: <<I>>:\rnot ours $^\r"
           "N0AAA>ARES [I]:\rnor this $^\rcmd:",
           0}},
         {{"incoming", "N0AAA>ZULGRP,RELAY*/2: <UI>:\rone ", 0},
          {"incoming", "N0AAA>ZULGRP: <<UI>>:\rtwo ", 0},
          {"incoming", "N0AAA>ZULGRP,RELAY* 12/08/26 18:07:43 <UI R>:\rthree ", 0},
          {"incoming", "18:07:43R N0AAA>ZULGRP Port=1 <UI C>:\rfour ", 0},
          {"incoming", "N0AAA>ARES [12:00:00] [UI]:\rfive ", 0},
          {"incoming", "[0] N0AAA>ZULGRP:six <I> ", 0},
          {"ncs", "18:07:44R N0AAA>NETCTL Port=1 <UI C>:\r  .ckinN0AAA  $"}},
         {},
         LinkState::LinkIdle,
         ""},
        {"another link's text as the software TNC shows it is neither a connect nor a group frame",
         {{{},
           "N0AAA>N0CCC: <I S0 R0>:\r*** connected to N0XYZ\r.hdr  _N0AAA _Report\rtext $^\r"
           "N0CCC>N0AAA,RELAY*: <RR R1>\rN0AAA>N0CCC: <I S1 R0>:\rbye *** disconnected\rcmd:",
           0}},
         {},
         {},
         LinkState::LinkIdle,
         ""},
        {"a connect to a net control station whose net call is its own",
         {{[](LinkRig& r) {
               r.station.settings.NCSCallsign = "W1XYZ";
               r.station.deriveNames();
           },
           "18:06:30R N0AAA>W1XYZ Port=1 <C C P>\r\r*** CONNECTED to N0AAA\r", 0}},
         {},
         {},
         LinkState::LinkConnected,
         "Connected"},
        {"last words running into the disconnected text",
         {{{}, "*** CONNECTED to W2DEF\r.hdr  _W2DEF _Roads\rBridge clo*** DISCONNECTED\r", 150}},
         {{"header", ".hdr  _W2DEF _Roads\r"},
          {"incoming", ".hdr  _W2DEF _Roads\rBridge clo" + kLinkEnded, 1}},
         {{150, "\x03\r"}},
         LinkState::LinkIdle,
         ""},
        {"mailbox link dropping in the middle of a message",
         {{[](LinkRig& r) { r.connect.connectToMailbox(); }, "cmd:", 0},
          {{}, "\r*** CONNECTED to W1XYZ-1\rENTER COMMAND: B,J,K,L,R,S, or Help >", 0},
          {{}, "R 1\r.hdr  _W2DEF _Shelter\r\rNeed co\r*** DISCONNECTED\r", 0}},
         {{"header", ".hdr  _W2DEF _Shelter\r"},
          {"incoming", ".hdr  _W2DEF _Shelter\r\rNeed co\r" + kLinkEnded, 1}},
         {{0, "\r\x03"}, {0, "C W1XYZ-1\r"}},
         LinkState::LinkIdle,
         ""},
    };
    return all;
}

} // namespace

TEST(ReceiverFaults, ParsingRulesHoldHoweverTheStreamIsCut) {
    for (const Dialogue& row : rows()) {
        SCOPED_TRACE(row.name);
        for (const auto& [cut, seed] : std::vector<std::pair<Cut, unsigned>>{
                 {Cut::Whole, 0}, {Cut::Bytes, 0}, {Cut::Lines, 0}, {Cut::Random, 3}, {Cut::Random, 11}}) {
            SCOPED_TRACE(testing::Message() << "cut " << int(cut) << " seed " << seed);
            LinkRig rig;
            unsigned s = seed;
            for (const Stage& turn : row.stages) {
                if (turn.act) turn.act(rig);
                for (const QByteArray& chunk : cutStream(turn.bytes, cut, s++))
                    rig.feed(chunk);
                rig.clock.advance(turn.after);
            }
            EXPECT_EQ(rig.handlers.handed, row.handed);
            EXPECT_EQ(rig.sent(), row.sent);
            EXPECT_EQ(rig.session.state(), row.state);
            EXPECT_EQ(rig.view.caption("lblConn"), row.lblConn);
        }
    }
}

// A header line of more than a megabyte is kept only up to the message's cap, whether it came in
// one chunk or in many, and the link goes on to take the next message whole.
TEST(ReceiverFaults, AnOverlongHeaderLineIsBoundedLikeTheRestOfItsMessage) {
    const QByteArray header = ".hdr  .pon  _W2DEF _" + QByteArray(1536 * 1024, 'x') + "\r";
    const QByteArray rest = "more\r$^\r";
    const QByteArray note =
        "\r\r*** Message cut here: the next " +
        QByteArray::number(header.size() + rest.size() - 1 - ReceiveProcessor::kMessageCap) +
        " characters were not kept ***\r\r";
    const QByteArray next = ".hdr  _W2DEF _Small\rok\r$^\r";
    const std::vector<Handed> expected = {{"header", header.left(ReceiveProcessor::kHeaderLineCap)},
                                          {"incoming", header.left(ReceiveProcessor::kMessageCap) + note, 1},
                                          {"header", ".hdr  _W2DEF _Small\r"},
                                          {"incoming", ".hdr  _W2DEF _Small\rok\r  ", 1}};
    for (const qsizetype piece : {qsizetype(0), qsizetype(1000), qsizetype(70000)}) {
        SCOPED_TRACE(piece);
        LinkRig rig;
        rig.feed("*** CONNECTED to W2DEF\r");
        const QByteArray stream = header + rest + next;
        for (qsizetype at = 0; at < stream.size(); at += piece ? piece : stream.size())
            rig.feed(stream.mid(at, piece ? piece : stream.size()));
        EXPECT_EQ(rig.handlers.handed.size(), expected.size());
        for (std::size_t i = 0; i < qMin(expected.size(), rig.handlers.handed.size()); ++i) {
            EXPECT_EQ(rig.handlers.handed[i].kind, expected[i].kind) << i;
            EXPECT_TRUE(rig.handlers.handed[i].text == expected[i].text) << i;
        }
    }
}

// Monitor headers pieced together at random: what is captured, and as what, does not depend on
// how the port cut the stream, however early or late a header shows its frame's kind.
TEST(ReceiverFaults, MonitorHeadersAreReadAlikeHoweverTheyAreCut) {
    const char* pieces[] = {"N0AAA", ">",   "ZULGRP", "NETCTL", "ARES",    ",RELAY*",  "/2",
                            ":",     " ",   "<",      "<<",     "[",       "UI",       "I",
                            "C C P", "RR1", ">",      "]",      "Port=1 ", "12:00:00", "R",
                            "text",  "$^",  "\r",     "W1XYZ",  "\r\r",    "cmd:",     "<UI C>:\r"};
    std::mt19937 gen(20261208);
    for (int round = 0; round < 300; ++round) {
        QByteArray stream;
        for (int n = std::uniform_int_distribution<int>(1, 40)(gen); n > 0; --n)
            stream += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(gen)];
        std::vector<Handed> first;
        for (const Cut cut : {Cut::Whole, Cut::Bytes, Cut::Random}) {
            LinkRig rig;
            for (const QByteArray& chunk : cutStream(stream, cut, unsigned(round)))
                rig.feed(chunk);
            if (cut == Cut::Whole)
                first = rig.handlers.handed;
            else
                ASSERT_EQ(rig.handlers.handed, first) << show(stream) << " cut " << int(cut);
        }
    }
}
