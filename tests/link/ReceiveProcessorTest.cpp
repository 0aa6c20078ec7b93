#include "LinkRig.h"

#include <set>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct Outcome {
    std::vector<Handed> handed;
    std::vector<Sent> sent;
    LinkState state;
    QByteArray lblConn;
    QByteArray savedUnproto;
};

Outcome play(const Dialogue& d, Cut cut, unsigned seed) {
    LinkRig rig;
    for (const Stage& stage : d.stages) {
        if (stage.act) stage.act(rig);
        for (const QByteArray& chunk : cutStream(stage.bytes, cut, seed++))
            rig.feed(chunk);
        rig.clock.advance(stage.after);
    }
    return {rig.handlers.handed, rig.sent(), rig.session.state(), rig.view.caption("lblConn"),
            rig.session.SavedUnproto};
}

Act connectTo(const char* destination) {
    return [destination](LinkRig& r) { ASSERT_TRUE(r.connect.connect(destination)); };
}

const std::vector<Dialogue>& dialogues() {
    static const std::vector<Dialogue> all = {
        {"direct connect, message, link drop",
         {{connectTo("N1ABC"), "\r*** CONNECTED to N1ABC\r", 0},
          {{}, ".hdr  .pon  _N1ABC _Water report\r\rTanks full\r$^\r", 100},
          {{}, "\r*** DISCONNECTED\rcmd:", 0}},
         {{"header", ".hdr  .pon  _N1ABC _Water report\r"},
          {"incoming", ".hdr  .pon  _N1ABC _Water report\r\rTanks full\r  ", 1}},
         {{0, "C N1ABC\r"}, {100, "\x03\r"}},
         LinkState::LinkIdle,
         "",
         ""},
        {"connect through two nodes",
         {{connectTo("N1ABC,NODEA,NODEB"), "\r*** CONNECTED to NODEA\r", 200},
          {{}, "Welcome to NODEA node\rNODEA:N0NOD} Connected to NODEB\r", 200},
          {{}, "NODEB:N0NOB} Connected to N1ABC\r", 0},
          {{}, ".hdr  _N1ABC _Relay\rvia two nodes\r$^\r", 0}},
         {{"header", ".hdr  _N1ABC _Relay\r"}, {"incoming", ".hdr  _N1ABC _Relay\rvia two nodes\r  ", 1}},
         {{0, "C NODEA\r"}, {200, "C NODEB\r"}, {400, "C N1ABC\r"}},
         LinkState::LinkCalling,
         "Connected",
         ""},
        {"node failure",
         {{connectTo("N1ABC,NODEA,NODEB"), "*** CONNECTED to NODEA\r", 200},
          {{}, "NODEA:N0NOD} Failure with NODEB\r", 100},
          {{}, "\r*** DISCONNECTED\rcmd:", 0}},
         {},
         {{0, "C NODEA\r"}, {200, "C NODEB\r"}, {200, "\x03\r"}, {200, "D\r"}},
         LinkState::LinkIdle,
         "",
         ""},
        {"local mailbox",
         {{[](LinkRig& r) { r.connect.connectToMailbox(); }, "cmd:", 0},
          {{},
           "\r*** CONNECTED to W1XYZ-1\r[KPC3P-8.2-HM$]\r99845 BYTES AVAILABLE\rENTER COMMAND: B,J,K,L,R,S, "
           "or Help >",
           0},
          {{}, "R 1\r.hdr  _W2DEF _Shelter\r\rNeed cots\r$^\rENTER COMMAND: B,J,K,L,R,S, or Help >", 0},
          {{}, "\r*** DISCONNECTED\r", 0}},
         {{"header", ".hdr  _W2DEF _Shelter\r"}, {"incoming", ".hdr  _W2DEF _Shelter\r\rNeed cots\r  ", 1}},
         {{0, "\r\x03"}, {0, "C W1XYZ-1\r"}},
         LinkState::LinkIdle,
         "",
         ""},
        {"incoming connect, message asking to disconnect",
         {{{}, "cmd:\r*** CONNECTED to W2DEF\r", 0},
          {{}, ".hdr  .dis  _W2DEF _Done\rBye now\r$^\r", 600},
          {{}, "*** DISCONNECTED\rcmd:", 0}},
         {{"header", ".hdr  .dis  _W2DEF _Done\r"}, {"incoming", ".hdr  .dis  _W2DEF _Done\rBye now\r  ", 1}},
         {{600, "\x03\r"}, {600, "D\r"}},
         LinkState::LinkIdle,
         "",
         ""},
        {"link drop",
         {{{}, "*** CONNECTED to W2DEF\r", 0}, {{}, "hello\r*** DISCONNECTED\r", 150}},
         {},
         {{150, "\x03\r"}},
         LinkState::LinkIdle,
         "",
         ""},
        {"group and net frames",
         {{{},
           "W2DEF>CQ: <UI>:\rjust chatting\r"
           "W2DEF>ZULGRP,RELAY*: <UI>:\rWater at noon $^ de W2DEF \r"
           "W1XYZ>ZULGRP: <UI>:\rour own $^ \r"
           "W3GHI>ARES:Road closed $^ \r"
           "W2DEF>NETCTL: <UI>:\r  .ckinW2DEF  $^ de W2DEF \r"
           "W4JKL>ZULGRP: <UI>:\rno marker here\rnext line\r"
           "W4JKL>NETCTL: <UI>:\rnet text without marker\rcmd:",
           0}},
         {{"incoming", "W2DEF>ZULGRP,RELAY*: <UI>:\rWater at noon ", 0},
          {"incoming", "W3GHI>ARES:Road closed ", 0},
          {"ncs", "W2DEF>NETCTL: <UI>:\r  .ckinW2DEF  $"},
          {"incoming", "W4JKL>ZULGRP: <UI>:\rno marker here\r", 0},
          {"incoming", "W4JKL>NETCTL: <UI>:\rnet text without marker\r", 0}},
         {},
         LinkState::LinkIdle,
         "",
         ""},
        // A station calling in as the first connect command goes out is that station's link, not
        // the answer: no next hop goes into it. The call answered is read in any dialect.
        {"a station calling in as the command goes out, through a node",
         {{connectTo("N1ABC,NODEA"), "\r*** CONNECTED to W3XYZ\r", 300}, {{}, ".hdr  _W3XYZ _Hi\r$^\r", 0}},
         {{"header", ".hdr  _W3XYZ _Hi\r"}, {"incoming", ".hdr  _W3XYZ _Hi\r  ", 1}},
         {{0, "C NODEA\r"}},
         LinkState::LinkConnected,
         "Connected",
         ""},
        {"a station calling in as the command goes out, direct",
         {{connectTo("N1ABC VIA RELAY"), "*** CONNECTED to W3XYZ VIA RELAY\r", 0}},
         {},
         {{0, "C N1ABC VIA RELAY\r"}},
         LinkState::LinkConnected,
         "Connected",
         ""},
        {"the first node answering in another dialect",
         {{connectTo("N1ABC,nodea"), "*** CONNECTED to: NODEA-0\r", 200}},
         {},
         {{0, "C nodea\r"}, {200, "C N1ABC\r"}},
         LinkState::LinkCalling,
         "Connecting",
         ""},
        {"the call answered with its path",
         {{connectTo("N1ABC*"), "*** CONNECTED to N1ABC VIA RELAY\r", 0}},
         {},
         {{0, "C N1ABC*\r"}},
         LinkState::LinkCalling,
         "Connected",
         ""},
        // The failed call's own disconnect, queued behind the operator's, finds a station has
        // called in since: it leaves that link alone.
        {"a call failing in Disconnect's pause, then a station calling in",
         {{connectTo("N1ABC"), "", 0},
          {[](LinkRig& r) { r.connect.disconnect(); }, "*** retry count exceeded\r*** DISCONNECTED\r", 500},
          {{}, "*** CONNECTED to W3XYZ\r", 5000}},
         {},
         {{0, "C N1ABC\r"}, {0, "\r\x03"}},
         LinkState::LinkConnected,
         "Connected",
         ""},
        {"UNPROTO answer after the echoed command",
         {{[](LinkRig& r) { r.rx.startUnprotoQuery(); }, "", 2500},
          {{}, "UNPROTO\rUNPROTO CQ VIA RELAY\rcmd:", 900}},
         {},
         {{2500, "UNPROTO\r"}},
         LinkState::LinkIdle,
         "",
         "CQ VIA RELAY"},
    };
    return all;
}

} // namespace

// The same byte stream gives the same hand-overs however the port happens to cut it.
TEST(ReceiveProcessorDialogues, SameOutcomeWholeByteByByteByLineAndRandomlySplit) {
    for (const Dialogue& d : dialogues()) {
        SCOPED_TRACE(d.name);
        const Outcome whole = play(d, Cut::Whole, 0);
        EXPECT_EQ(whole.handed, d.handed);
        EXPECT_EQ(whole.sent, d.sent);
        EXPECT_EQ(whole.state, d.state);
        EXPECT_EQ(whole.lblConn, d.lblConn);
        EXPECT_EQ(whole.savedUnproto, d.savedUnproto);
        std::vector<std::pair<Cut, unsigned>> cuts = {{Cut::Bytes, 0}, {Cut::Lines, 0}};
        for (unsigned seed = 1; seed <= 8; ++seed)
            cuts.emplace_back(Cut::Random, seed * 7919);
        for (const auto& [cut, seed] : cuts) {
            SCOPED_TRACE(testing::Message() << "cut " << int(cut) << " seed " << seed);
            const Outcome o = play(d, cut, seed);
            EXPECT_EQ(o.handed, whole.handed);
            EXPECT_EQ(o.sent, whole.sent);
            EXPECT_EQ(o.state, whole.state);
            EXPECT_EQ(o.lblConn, whole.lblConn);
            EXPECT_EQ(o.savedUnproto, whole.savedUnproto);
        }
    }
}

TEST(ReceiveProcessorIdle, ConnectTakesEffectOnlyOnceItsLineHasEnded) {
    for (const bool messageFrame : {true, false}) {
        LinkRig rig;
        rig.logic.indicators.setMessagePending(messageFrame);
        rig.session.MsgBuffer = "left over";
        rig.feed("*** CONNECTED to W2DEF");
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        rig.feed("\r");
        EXPECT_EQ(rig.session.state(), LinkState::LinkConnected);
        EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
        EXPECT_TRUE(rig.session.MsgBuffer.isEmpty());
        EXPECT_EQ(rig.view.caption("lblConn"), "Connected");
        EXPECT_EQ(rig.view.shown("cmdSend"), messageFrame); // only with a message to send
        EXPECT_TRUE(rig.view.shown("cmdDisc"));
        for (const char* hidden : {"cmdViewRcv", "cmdLocalBBS", "Label3"})
            EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
    }
}

TEST(ReceiveProcessorIdle, BusyChannelNeitherGrowsTheBufferNorHidesWhatFollows) {
    QByteArray traffic;
    for (int i = 0; i < 500; ++i)
        traffic += "N" + QByteArray::number(i) + "ABC>CQ,RELAY*: <UI>:\rsome text on the channel\r";
    for (const QByteArray& last :
         {QByteArray("*** CONNECTED to W2DEF\r"), QByteArray("W2DEF>ZULGRP: <UI>:\rhi all $^ \r")}) {
        LinkRig rig;
        rig.feed(traffic + last);
        if (last.startsWith("***")) {
            EXPECT_EQ(rig.session.state(), LinkState::LinkConnected);
        } else {
            EXPECT_EQ(rig.handlers.handed,
                      (std::vector<Handed>{{"incoming", "W2DEF>ZULGRP: <UI>:\rhi all ", 0}}));
        }
        EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
    }
    LinkRig rig;
    for (int i = 0; i < 20; ++i)
        rig.feed(traffic);
    EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
    EXPECT_LE(rig.view.pane("tbMon").size(), Panes::kPaneLimit);

    // Group frames back to back, each read ending inside the next frame, so that every read
    // starts in a capture: the pane is still kept short, and every frame is handed over.
    LinkRig groups;
    groups.feed("W2DEF>ZULGRP: <UI>:\r");
    for (int i = 0; i < 1000; ++i)
        groups.feed("status " + QByteArray::number(i) + "\rW2DEF>ZULGRP: <UI>:\r");
    EXPECT_EQ(groups.handlers.handed.size(), 1000u);
    EXPECT_LE(groups.view.pane("tbMon").size(), Panes::kPaneLimit);
}

TEST(ReceiveProcessorIdle, FramesToNoConfiguredAddressAreNotCaptured) {
    struct Case {
        const char* name;
        std::function<void(Station&)> configure;
    };
    const Case cases[] = {
        {"no net configured",
         [](Station& s) {
             s.settings.NCSCallsign.clear();
             s.deriveNames();
         }},
        {"no groups configured",
         [](Station& s) {
             s.settings.GroupAd.fill({});
             s.deriveNames();
         }},
        {"group entry with a leading blank",
         [](Station& s) {
             s.settings.GroupAd = {" ZULGRP"};
             s.deriveNames();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        c.configure(rig.station);
        rig.feed(c.name == std::string("no net configured")
                     ? "W2DEF>CQ: <UI>:\rhello $^ \rW2DEF>N1ABC:x\rmore\r"
                     : "W2DEF>ZULGRP: <UI>:\rhello $^ \r");
        EXPECT_TRUE(rig.handlers.handed.empty());
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    }
}

TEST(ReceiveProcessorLink, TakesEveryCompleteLineAndKeepsWhatFollowsTheEndMarker) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r");
    // Two messages and the start of a third in one chunk, the end marker not on a line of its own.
    rig.feed(".hdr  _W2DEF _One\rfirst$^\r.hdr  _W2DEF _Two\rsecond\r$^\r.hdr  _W2DEF _Three\rthi");
    EXPECT_EQ(rig.handlers.handed, (std::vector<Handed>{{"header", ".hdr  _W2DEF _One\r"},
                                                        {"incoming", ".hdr  _W2DEF _One\rfirst  ", 1},
                                                        {"header", ".hdr  _W2DEF _Two\r"},
                                                        {"incoming", ".hdr  _W2DEF _Two\rsecond\r  ", 1},
                                                        {"header", ".hdr  _W2DEF _Three\r"}}));
    EXPECT_EQ(rig.session.RxBuffer, "thi");
    EXPECT_TRUE(rig.session.HdrActive);
}

TEST(ReceiveProcessorLink, HeaderAndEndMarkerInOneChunkStaySeparateLines) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r.hdr  _W2DEF _Subject\r$^\r");
    ASSERT_EQ(rig.handlers.handed.size(), 2u);
    EXPECT_EQ(rig.handlers.handed[0].text, ".hdr  _W2DEF _Subject\r");
    EXPECT_EQ(rig.handlers.handed[1].text, ".hdr  _W2DEF _Subject\r  ");
}

TEST(ReceiveProcessorLink, CrLfFromTheTncWithCrExpectedOpensNoMessage) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r\n.hdr  _W2DEF _S\r\nbody\r\n$^\r\n");
    EXPECT_TRUE(rig.handlers.handed.empty());
    EXPECT_FALSE(rig.session.HdrActive);
}

// While the station sends, the TNC's echo of its own lines is skipped, and a far station's
// message that comes in meanwhile is still captured whole, its end not taken for ours.
TEST(ReceiveProcessorLink, EchoOfOurOwnMessageIsSkippedAndAFarMessageIsStillCaptured) {
    for (const Cut cut : {Cut::Whole, Cut::Bytes, Cut::Lines}) {
        LinkRig rig;
        rig.feed("*** CONNECTED to W2DEF\r");
        EXPECT_EQ(rig.session.RemoteCall, "W2DEF");
        rig.session.startSending(".hdr  _W1XYZ _Mine\r\n\r\ntext\r\n$^\r\n");
        // Ours: the header and its empty line; theirs begins; ours: "text"; theirs; ours: the end.
        const QByteArray stream = ".hdr  _W1XYZ _Mine\r\r.hdr  _W2DEF _Theirs\rtext\rtheir line\r$^\r$^\r";
        for (const QByteArray& chunk : cutStream(stream, cut))
            rig.feed(chunk);
        EXPECT_FALSE(rig.session.Sending); // all of our message came back
        ASSERT_EQ(rig.handlers.handed.size(), 2u) << show(rig.handlers.handed.back().text);
        EXPECT_EQ(show(rig.handlers.handed[1].text), show(".hdr  _W2DEF _Theirs\rtheir line\r  "));
    }
}

TEST(ReceiveProcessorLink, EveryByteFromTheAirArrivesUnchanged) {
    QByteArray body;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\b' && c != '$') body += char(c);
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r");
    rig.feed(".hdr  _W2DEF _Bytes\r" + body + "\r$^\r");
    ASSERT_EQ(rig.handlers.handed.size(), 2u);
    EXPECT_EQ(rig.handlers.handed[1].text, ".hdr  _W2DEF _Bytes\r" + body + "\r  ");
}

TEST(ReceiveProcessorLink, EndlessLinesStayBoundedAndNoMessageTextIsLost) {
    LinkRig rig;
    const QByteArray block(64 * 1024, 'x');
    for (int i = 0; i < 16; ++i)
        rig.feed(block); // a megabyte with no line end, idle
    EXPECT_LE(rig.session.RxBuffer.size(), ReceiveProcessor::kLineCap);
    rig.feed("\r*** CONNECTED to W2DEF\r");
    EXPECT_EQ(rig.session.state(), LinkState::LinkConnected);

    const QByteArray header = ".hdr  _W2DEF _Big\r";
    rig.feed(header);
    qsizetype fed = header.size();
    for (int i = 0; i < 40; ++i) { // 2.5 MB of one line inside a message
        rig.feed(block);
        fed += block.size();
        EXPECT_LE(rig.session.RxBuffer.size(), ReceiveProcessor::kLineCap);
        EXPECT_LE(rig.session.MsgBuffer.size(), ReceiveProcessor::kMessageCap);
    }
    rig.feed("\r$^\r");
    // One message, cut at its cap, saying how much was not kept; no headerless second message.
    ASSERT_EQ(rig.handlers.handed.size(), 2u);
    const QByteArray& text = rig.handlers.handed[1].text;
    const QByteArray note = "\r\r*** Message cut here: the next " +
                            QByteArray::number(fed + 3 - ReceiveProcessor::kMessageCap) +
                            " characters were not kept ***\r\r";
    EXPECT_TRUE(text.startsWith(header));
    EXPECT_TRUE(text.endsWith(note));
    EXPECT_EQ(text.size(), ReceiveProcessor::kMessageCap + note.size());
}

// A message whose end never comes is not lost when the link drops, nor when another begins.
TEST(ReceiveProcessorLink, AnUnfinishedMessageIsKeptWithANote) {
    const QByteArray note = "\r*** The link ended before the end of this message ***\r";
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r.hdr  _W2DEF _One\rfirst\r.hdr  _W2DEF _Two\rsecond\r");
    rig.feed("*** DISCONNECTED\r");
    std::vector<QByteArray> incoming;
    for (const Handed& h : rig.handlers.handed)
        if (h.kind == "incoming") incoming.push_back(h.text);
    EXPECT_EQ(
        incoming,
        (std::vector<QByteArray>{
            ".hdr  _W2DEF _One\rfirst\r\r*** Another message began before the end of this message ***\r",
            ".hdr  _W2DEF _Two\rsecond\r" + note}));
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
}

TEST(ReceiveProcessorMailbox, ConnectCommandFollowsThePromptAndSysopIsSentAlone) {
    struct Case {
        QByteArray ssid, command;
    };
    for (const Case& c :
         {Case{"SYSOP", "SYSOP\r"}, Case{"W1XYZ-1", "C W1XYZ-1\r"}, Case{"SYSOP-1", "C SYSOP-1\r"}}) {
        LinkRig rig;
        rig.station.settings.SSID = c.ssid;
        rig.connect.connectToMailbox();
        rig.feed("\rc");
        rig.feed("md");
        EXPECT_EQ(rig.session.state(), LinkState::LinkBbsCalling);
        rig.feed(":");
        EXPECT_EQ(rig.session.state(), LinkState::LinkBbs);
        EXPECT_EQ(rig.port.writes.back().bytes, c.command);
        EXPECT_EQ(rig.view.caption("lblConn"), "Connected-BBS");
        EXPECT_EQ(rig.view.pane("tbLocal"), "\rcmd:");
    }
}

TEST(ReceiveProcessorNodes, AnAnswerIsTakenOnceEvenWithOlderTextBeforeIt) {
    LinkRig rig;
    ASSERT_TRUE(rig.connect.connect("N1ABC,NODEA,NODEB"));
    rig.feed("older chatter *** CONNECTED to NODEA");
    rig.feed(" and the same again: *** CONNECTED to NODEA\r");
    rig.clock.advance(200);
    rig.feed("\r");
    rig.clock.advance(1000);
    EXPECT_EQ(rig.sent(), (std::vector<Sent>{{0, "C NODEA\r"}, {200, "C NODEB\r"}}));
    EXPECT_EQ(rig.connect.NodeIndex, 1);
}

TEST(ReceiveProcessorNodes, StaleLinkMadeTextDoesNotShowConnectedBeforeTheLastHopAnswers) {
    LinkRig rig;
    ASSERT_TRUE(rig.connect.connect("N1ABC,NODEA"));
    rig.feed("*** CONNECTED to NODEA\rNOD:N0NOD} Connected to N1ABC but stale\r");
    rig.clock.advance(200);
    EXPECT_EQ(rig.session.state(), LinkState::LinkCalling);
    rig.feed("Welcome\r");
    EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");
    rig.feed("NOD:N0NOD} Connected to N1ABC\r");
    EXPECT_EQ(rig.view.caption("lblConn"), "Connected");
}

TEST(ReceiveProcessorNodes, FailureCancelsAReleasedHopAndDisconnectLeavesTheButton) {
    LinkRig rig;
    ASSERT_TRUE(rig.connect.connect("N1ABC,NODEA,NODEB"));
    rig.feed("*** CONNECTED to NODEA\r*** retry count exceeded\r");
    rig.clock.advance(1000);
    // The released hop's pause is cancelled, so its connect command never goes out and the
    // failure commands need not wait for it.
    EXPECT_EQ(rig.sent(), (std::vector<Sent>{{0, "C NODEA\r"}, {0, "\x03\r"}, {0, "D\r"}}));
    rig.feed("*** DISCONNECTED\r");
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    EXPECT_EQ(rig.view.caption("lblConn"), "");
    EXPECT_FALSE(rig.view.shown("cmdSend"));
    EXPECT_TRUE(rig.view.shown("cmdDisc"));
    EXPECT_TRUE(rig.view.shown("Label3"));
}

// Each fixed pause lies between the event and the bytes that follow it, on the clock.
TEST(ReceiveProcessorPauses, BytesFollowEachEventAfterItsPause) {
    struct Case {
        const char* name;
        Act lead; // brings the link to the moment before the event
        QByteArray event;
        int pauseMs;
        std::vector<QByteArray> bytes;
    };
    const Case cases[] = {
        {"link dropped while connected",
         [](LinkRig& r) { r.feed("*** CONNECTED to W2DEF\r"); },
         "*** DISCONNECTED\r",
         150,
         {"\x03\r"}},
        {"node ready",
         [](LinkRig& r) { ASSERT_TRUE(r.connect.connect("N1ABC,NODEA")); },
         "*** CONNECTED to NODEA\r",
         200,
         {"C N1ABC\r"}},
        {"message asking to disconnect",
         [](LinkRig& r) { r.feed("*** CONNECTED to W2DEF\r.hdr  .dis  _W2DEF _x\r"); },
         "$^\r",
         600,
         {"\x03\r", "D\r"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        c.lead(rig);
        rig.clock.advance(1000);
        const std::size_t before = rig.port.writes.size();
        rig.feed(c.event);
        rig.clock.advance(c.pauseMs - 1);
        EXPECT_EQ(rig.port.writes.size(), before);
        rig.clock.advance(1);
        std::vector<Sent> expected;
        for (const QByteArray& b : c.bytes)
            expected.push_back({1000 + c.pauseMs, b});
        const std::vector<Sent> all = rig.sent();
        EXPECT_EQ(std::vector<Sent>(all.begin() + qsizetype(before), all.end()), expected);
    }
}

TEST(ReceiveProcessorUnproto, PathIsTheTextBetweenTheBlankAndTheLineEnd) {
    struct Case {
        QByteArray inLineEnd, answer, path;
    };
    const Case cases[] = {
        {"\r", "UNPROTO CQ\r", "CQ"},
        {"\r", "cmd:UNPROTO CQ VIA RELAY\r", "CQ VIA RELAY"},
        {"\r", "UNPROTO CQ\r\n", "CQ"},
        {"\n", "UNPROTO CQ\r\n", "CQ"},
        {"\n", "UNPROTO CQ\n", "CQ"},
        {"\r", "UNPROTO  CQ/CQ \r", "CQ/CQ"},
        {"\r", "UNPROTO\r\nUNPROTO CQ\r", "CQ"},
        {"\r", "unproto\rUnproto ID\r", "ID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.answer));
        LinkRig rig;
        rig.station.settings.InLineEnd = c.inLineEnd;
        rig.view.panes["tbMon"] = ("          INITIALIZING ...  PLEASE WAIT ");
        rig.rx.startUnprotoQuery();
        rig.clock.advance(2500);
        rig.feed(c.answer);
        EXPECT_EQ(rig.session.SavedUnproto, c.path);
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        EXPECT_EQ(rig.view.pane("tbMon"), "");
    }
}

TEST(ReceiveProcessorUnproto, UnansweredQueryEndsOnTheFourthTickAndEarlyTextIsIgnored) {
    LinkRig rig;
    const QByteArray initializing = "          INITIALIZING ...  PLEASE WAIT ";
    rig.view.panes["tbMon"] = (initializing);
    rig.rx.startUnprotoQuery();
    rig.feed("cmd:UNPROTO CQ\r");
    EXPECT_EQ(rig.view.pane("tbMon"), initializing);
    EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
    rig.clock.advance(2500);
    EXPECT_EQ(rig.sent(), (std::vector<Sent>{{2500, "UNPROTO\r"}}));
    EXPECT_EQ(rig.session.state(), LinkState::LinkUnprotoQuery);
    rig.feed("cmd:UNPROTO\r"); // the echo alone
    rig.clock.advance(899);
    EXPECT_EQ(rig.session.state(), LinkState::LinkUnprotoQuery);
    rig.clock.advance(1);
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    EXPECT_EQ(rig.rx.unprotoTicks(), 4);
    EXPECT_EQ(rig.session.SavedUnproto, "");
    EXPECT_EQ(rig.clock.pending(), 0u);
}

TEST(ReceiveProcessorInput, ChunksArrivingWhileAHandlerHoldsUpProcessingFollowInOrder) {
    LinkRig rig;
    struct Reentrant : RecordingHandlers {
        using RecordingHandlers::RecordingHandlers;
        ReceiveProcessor* rx = nullptr;
        void processIncoming(const QByteArray& text, int type) override {
            RecordingHandlers::processIncoming(text, type);
            if (handed.size() == 1) rx->comInput("W3GHI>ZULGRP:second $^\r"); // a box let the port in
        }
    } handlers{rig.session};
    handlers.rx = &rig.rx;
    ReceiveProcessor rx{rig.station, rig.session,   rig.view, handlers, rig.panes,
                        rig.connect, rig.sequencer, rig.tnc,  rig.clock};
    handlers.rx = &rx;
    rx.comInput("W2DEF>ZULGRP:first $^\rW4JKL>ZULGRP:third $^\r");
    EXPECT_EQ(handlers.handed, (std::vector<Handed>{{"incoming", "W2DEF>ZULGRP:first ", 0},
                                                    {"incoming", "W4JKL>ZULGRP:third ", 0},
                                                    {"incoming", "W3GHI>ZULGRP:second ", 0}}));
}

// Garbage, floods and recorded traffic cut and shuffled at random, with the operator pressing
// buttons and time passing: nothing crashes, the buffers stay bounded, and the link state only
// moves along the transitions the receive side is allowed to make.
TEST(ReceiveProcessorFuzz, GarbageAndShuffledTrafficKeepTheInvariants) {
    using S = LinkState;
    const std::set<std::pair<S, S>> allowed = {
        {S::LinkIdle, S::LinkConnected},
        {S::LinkIdle, S::LinkGroupCapture},
        {S::LinkIdle, S::LinkNetCapture},
        {S::LinkGroupCapture, S::LinkIdle},
        {S::LinkNetCapture, S::LinkIdle},
        {S::LinkConnected, S::LinkIdle},
        {S::LinkCalling, S::LinkIdle},
        {S::LinkViaNodes, S::LinkIdle},
        {S::LinkBbsCalling, S::LinkBbs},
        {S::LinkBbs, S::LinkBbsClosed},
        {S::LinkBbsClosed, S::LinkIdle},
        {S::LinkUnprotoQueryDue, S::LinkUnprotoQuery},
        {S::LinkUnprotoQuery, S::LinkIdle},
        // A station called in before the connect's first command went out.
        {S::LinkViaNodes, S::LinkConnected},
        {S::LinkCalling, S::LinkConnected},
    };
    // The old link's end lets a connect that waited for it go.
    const std::pair<S, S> waitedConnectGoes = {S::LinkViaNodes, S::LinkCalling};
    const std::set<S> values = {
        S::LinkIdle,        S::LinkConnected, S::LinkViaNodes,     S::LinkCalling,    S::LinkBbsCalling,
        S::LinkBbs,         S::LinkBbsClosed, S::LinkGroupCapture, S::LinkNetCapture, S::LinkUnprotoQueryDue,
        S::LinkUnprotoQuery};
    std::vector<QByteArray> corpus;
    for (const Dialogue& d : dialogues())
        for (const Stage& s : d.stages)
            for (const QByteArray& piece : cutStream(s.bytes, Cut::Lines))
                corpus.push_back(piece);
    for (const char* p : {"\b", "$^", "$", "^", ".hdr ", ".hdr  .dis  _X _Y\r", "cmd:", "\0", "\r", "\n",
                          ">ZULGRP", ">NETCTL", "UNPROTO", "*** CONNECTED to X\r", "*** DISCONNECTED\r",
                          "} Connected to", "Busy from", "\r\n"})
        corpus.push_back(QByteArray(p, qMax<qsizetype>(1, qstrlen(p))));

    std::set<S> seen;
    std::mt19937 gen(20261207);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); };
    for (int round = 0; round < 30; ++round) {
        LinkRig rig;
        bool feeding = false; // only what the receive side does on its own is checked
        rig.session.subscribe([&](S from, S to) {
            if (feeding && from != to && to != S::LinkUnprotoQueryDue) {
                EXPECT_TRUE(allowed.count({from, to}) || std::pair(from, to) == waitedConnectGoes)
                    << int(from) << " -> " << int(to);
            }
        });
        for (int step = 0; step < 400; ++step) {
            const int r = pick(100);
            QByteArray chunk;
            if (r < 55) {
                for (int k = pick(4) + 1; k > 0; --k)
                    chunk += corpus[std::size_t(pick(int(corpus.size())))];
            } else if (r < 75) {
                chunk.resize(pick(300) + 1);
                for (char& c : chunk)
                    c = char(pick(256));
            } else if (r < 78) {
                chunk = QByteArray(pick(40000) + 1, char('A' + pick(26))); // a flood with no line end
            } else if (r < 88) {
                rig.clock.advance(pick(3000));
            } else {
                switch (pick(7)) {
                case 0:
                    rig.connect.connect(corpus[std::size_t(pick(int(corpus.size())))].left(20));
                    break;
                case 1:
                    rig.connect.connect("N1ABC,NODEA,NODEB");
                    break;
                case 2:
                    rig.connect.disconnect();
                    break;
                case 3:
                    rig.connect.connectToMailbox();
                    break;
                case 4:
                    rig.panes.monitorReceive();
                    break;
                case 5:
                    rig.rx.startUnprotoQuery();
                    break;
                case 6:
                    rig.session.Sending = true;
                    break;
                }
            }
            feeding = true;
            if (!chunk.isEmpty()) rig.feed(chunk);
            feeding = false;
            ASSERT_TRUE(values.count(rig.session.state()));
            seen.insert(rig.session.state());
            ASSERT_LE(rig.session.RxBuffer.size(), ReceiveProcessor::kCaptureCap);
            ASSERT_LT(rig.session.MsgBuffer.size(), ReceiveProcessor::kMessageCap);
        }
        rig.clock.runAll();
    }
    EXPECT_GE(seen.size(), values.size() - 1); // LinkBbsClosed never outlives a call
}

// A station that connects while the start-up query is under way is not lost: what is not the
// answer is read in the idle state once the query ends, answered or not.
TEST(ReceiveProcessorUnproto, AConnectDuringTheQueryIsKept) {
    for (const bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered" : "no answer");
        LinkRig rig;
        rig.rx.startUnprotoQuery();
        rig.clock.advance(2500);
        rig.feed("cmd:UNPROTO\r*** CONNECTED to W1AW\r");
        if (answered) rig.feed("UNPROTO CQ VIA RELAY\r");
        rig.clock.advance(1000);
        EXPECT_EQ(rig.session.state(), LinkState::LinkConnected);
        EXPECT_EQ(rig.session.SavedUnproto, answered ? "CQ VIA RELAY" : "");
        EXPECT_TRUE(rig.view.pane("tbMon").contains("*** CONNECTED to W1AW\r"));
    }
}

// The command-mode character after a drop, and the disconnect a message asked for, do not wait
// behind a long queued sequence (a paced send, say) while the buttons already show idle.
TEST(ReceiveProcessorConnected, LinkEndingCommandsGoAheadOfQueuedSequences) {
    struct Case {
        const char* name;
        QByteArray input;
        std::vector<Sent> expected;
    };
    const Case cases[] = {
        // The pause in progress (200 ms) ends, then the urgent sequence runs whole, pauses included.
        {"link dropped", "*** DISCONNECTED\r", {{350, "\x03\r"}, {350, "paced 2"}, {550, "paced 3"}}},
        {"disconnect asked for",
         ".hdr  .dis  _W2DEF _Done\rtext\r$^\r",
         {{800, "\x03\r"}, {800, "D\r"}, {800, "paced 2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.feed("*** CONNECTED to W2DEF\r");
        Sequence paced;
        for (int i = 1; i <= 10; ++i) {
            paced.push_back(Step::send("paced " + QByteArray::number(i)));
            paced.push_back(Step::wait(200));
        }
        rig.sequencer.run(std::move(paced));
        rig.port.writes.clear();
        rig.feed(c.input);
        rig.clock.advance(c.expected.back().at);
        EXPECT_EQ(rig.sent(), c.expected);
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    }
}

// However the link ends with a message half in, what came of it is kept, with the same note.
TEST(ReceiveProcessorLink, AMessageHalfInIsKeptHoweverTheLinkEnds) {
    const std::pair<const char*, Act> cases[] = {
        {"the link drops", [](LinkRig& r) { r.feed("*** DISCONNECTED\r"); }},
        {"Disconnect", [](LinkRig& r) { r.connect.disconnect(); }},
        {"a connect over it", [](LinkRig& r) { ASSERT_TRUE(r.connect.connect("N0CALL")); }},
        {"the port is lost", [](LinkRig& r) { r.port.onError(SerialPort::Error::DeviceLost); }},
    };
    for (const auto& [name, end] : cases) {
        SCOPED_TRACE(name);
        LinkRig rig;
        rig.feed("*** CONNECTED to W2DEF\r.hdr  _W2DEF _Half\rfirst line\rsecond li");
        end(rig);
        rig.clock.runAll();
        EXPECT_EQ(rig.handlers.handed.back(), (Handed{"incoming",
                                                      ".hdr  _W2DEF _Half\rfirst line\rsecond li\r*** The "
                                                      "link ended before the end of this message ***\r",
                                                      1}));
        EXPECT_FALSE(rig.session.HdrActive);
    }
}

// A pulled adapter or a lost modem closes the port; the link state and its buttons follow it to idle.
TEST(ReceiveProcessorLink, ALostPortLeavesNoLinkOnScreen) {
    const std::pair<const char*, Act> cases[] = {
        {"connected", [](LinkRig& r) { r.feed("*** CONNECTED to W2DEF\r"); }},
        {"called and answered",
         [](LinkRig& r) {
             ASSERT_TRUE(r.connect.connect("N0CALL"));
             r.feed("*** CONNECTED to N0CALL\r");
         }},
        {"calling", [](LinkRig& r) { ASSERT_TRUE(r.connect.connect("N0CALL")); }},
        {"through nodes", [](LinkRig& r) { ASSERT_TRUE(r.connect.connect("N0CALL,NODEA")); }},
        {"mailbox",
         [](LinkRig& r) {
             r.connect.connectToMailbox();
             r.feed("cmd:");
         }},
    };
    for (const auto& [name, lead] : cases) {
        SCOPED_TRACE(name);
        LinkRig rig;
        rig.logic.indicators.setMessagePending(true);
        lead(rig);
        rig.port.onError(SerialPort::Error::DeviceLost);
        rig.port.onError(SerialPort::Error::DeviceLost); // reported once
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        EXPECT_FALSE(rig.session.linkUp());
        EXPECT_EQ(rig.view.caption("lblConn"), "");
        for (const char* hidden : {"cmdSend", "cmdDisc", "Label3", "cmdViewRcv", "tbLocal"})
            EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
        for (const char* shown : {"cmdLocalBBS", "tbMon"})
            EXPECT_TRUE(rig.view.shown(shown)) << shown;
        rig.clock.runAll(); // nothing started for the old link changes that
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    }
}
