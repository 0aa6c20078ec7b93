#include "LinkRig.h"

using namespace tolvex;
using namespace tolvex::test;

TEST(ConnectSequence, DestinationIsTheFinalCallThenTheNodesNearestFirst) {
    struct Case {
        QByteArray destination;
        QByteArray dest;
        std::array<QByteArray, 4> nodes;
        int count;
        QByteArray firstCommand;
        LinkState state;
    };
    const Case cases[] = {
        {"N0CALL", "N0CALL", {}, 0, "C N0CALL\r", LinkState::LinkCalling},
        {"N0CALL*", "N0CALL*", {}, 0, "C N0CALL*\r", LinkState::LinkCalling},
        {"N0CALL,NODEA", "N0CALL", {"NODEA"}, 1, "C NODEA\r", LinkState::LinkViaNodes},
        {"N0CALL,NODEA,NODEB", "N0CALL", {"NODEA", "NODEB"}, 2, "C NODEA\r", LinkState::LinkViaNodes},
        {"N0CALL, NODEA,NODEB,NODEC",
         "N0CALL",
         {" NODEA", "NODEB", "NODEC"},
         3,
         "C  NODEA\r",
         LinkState::LinkViaNodes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        rig.session.RxBuffer = "*** CONNECTED to OLD"; // printed before the command: no answer to it
        EXPECT_TRUE(rig.connect.connect(c.destination));
        EXPECT_EQ(rig.connect.DestCall, c.dest);
        EXPECT_EQ(rig.connect.NodeCall, c.nodes);
        EXPECT_EQ(rig.connect.NodeCount, c.count);
        EXPECT_EQ(rig.sent(), (std::vector<Sent>{{0, c.firstCommand}}));
        EXPECT_EQ(rig.session.state(), c.state);
        EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
        EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");
        EXPECT_TRUE(rig.view.shown("cmdDisc"));
        EXPECT_TRUE(rig.view.shown("Label3"));
        EXPECT_FALSE(rig.view.shown("cmdLocalBBS"));
        EXPECT_TRUE(rig.boxes.shown.empty());
    }
}

TEST(ConnectSequence, RefusedDestinationsSendNothing) {
    struct Case {
        QByteArray destination;
        QString title;
    };
    const Case cases[] = {
        {"", "No Destination specified"},
        {"   ", "No Destination specified"},
        {"A,B,C,D,E", "Too Many Nodes"},
        {"A,B,C,D,E,F,G,H", "Too Many Nodes"},
        {"N0CALL,", "Callsign Missing"},
        {",NODEA", "Callsign Missing"},
        {"N0CALL,NODEA,,NODEC", "Callsign Missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        EXPECT_FALSE(rig.connect.connect(c.destination));
        ASSERT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.boxes.shown[0].title, c.title);
        if (c.title == "No Destination specified") {
            EXPECT_EQ(rig.boxes.shown[0].text, "You must enter a destination callsign.");
        }
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    }
}

TEST(ConnectSequence, EachReadyNodeReleasesTheNextHopAndTheStarRuleAppliesAtTheLast) {
    struct Case {
        QByteArray destination;
        std::vector<QByteArray> commands;
    };
    const Case cases[] = {
        {"N0CALL,NODEA,NODEB", {"C NODEA\r", "C NODEB\r", "C N0CALL\r"}},
        {"BBS*,NODEA,NODEB", {"C NODEA\r", "C NODEB\r", "BBS\r"}},
        {"N0CALL,NODEA,NODEB,NODEC", {"C NODEA\r", "C NODEB\r", "C NODEC\r", "C N0CALL\r"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        ASSERT_TRUE(rig.connect.connect(c.destination));
        for (std::size_t i = 1; i < c.commands.size(); ++i) {
            EXPECT_EQ(rig.session.state(), LinkState::LinkViaNodes);
            rig.connect.nodeReady();
        }
        std::vector<QByteArray> written;
        for (const auto& w : rig.port.writes)
            written.push_back(w.bytes);
        EXPECT_EQ(written, c.commands);
        EXPECT_EQ(rig.session.state(), LinkState::LinkCalling);
        EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");
    }
}

TEST(ConnectSequence, HalfDuplexEchoesEachCommandWithCrLf) {
    for (const char* duplex : {"half", "full"}) {
        LinkRig rig;
        rig.station.settings.Duplex = duplex;
        rig.station.settings.OutLineEnd = "\r\n";
        ASSERT_TRUE(rig.connect.connect("BBS*,NODEA"));
        rig.connect.nodeReady();
        EXPECT_EQ(rig.port.written(), "C NODEA\r\nBBS\r\n");
        EXPECT_EQ(rig.view.pane("tbMon"),
                  qstrcmp(duplex, "half") == 0 ? QByteArray("C NODEA\r\nBBS\r\n") : QByteArray());
    }
}

TEST(ConnectSequence, DisconnectPausesThenLeavesEverythingIdle) {
    LinkRig rig;
    ASSERT_TRUE(rig.connect.connect("N0CALL,NODEA"));
    rig.clock.advance(1000);
    rig.connect.disconnect();
    EXPECT_EQ(rig.view.pane("tbMon"), "D\r\n");
    rig.clock.advance(2549);
    EXPECT_EQ(rig.session.state(), LinkState::LinkViaNodes); // answers are still read as before
    rig.connect.nodeReady();                                 // a node answering now changes nothing
    rig.clock.advance(1);
    EXPECT_EQ(rig.sent(), (std::vector<Sent>{{0, "C NODEA\r"}, {1000, "\r\x03"}, {3550, "D\r"}}));
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    for (const char* hidden : {"cmdSend", "cmdDisc", "Label3"})
        EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
    EXPECT_TRUE(rig.view.shown("cmdLocalBBS"));
    EXPECT_EQ(rig.view.caption("lblConn"), "");
    EXPECT_EQ(rig.view.focus, "tbMon");
}

// The link dropped by itself during the disconnect's pause and the operator connected again:
// the disconnect's late end leaves the new connect, or the mailbox connect, alone.
TEST(ConnectSequence, ConnectDuringTheDisconnectPauseIsNotUndone) {
    for (const bool mailbox : {false, true}) {
        SCOPED_TRACE(mailbox ? "mailbox" : "connect");
        LinkRig rig;
        rig.feed("*** CONNECTED to W1AW\r");
        rig.connect.disconnect();
        rig.clock.advance(500);
        rig.feed("*** DISCONNECTED\r");
        rig.clock.advance(500);
        if (mailbox)
            rig.connect.connectToMailbox();
        else
            ASSERT_TRUE(rig.connect.connect("N0CALL"));
        rig.clock.runAll();
        const QByteArray written = rig.port.written();
        const QByteArray next = mailbox ? "\r\x03" : "C N0CALL\r";
        EXPECT_TRUE(written.endsWith(next)) << show(written);
        EXPECT_LT(written.indexOf("D\r"), written.lastIndexOf(next)) << show(written);
        EXPECT_EQ(rig.session.state(), mailbox ? LinkState::LinkBbsCalling : LinkState::LinkCalling);
        EXPECT_EQ(rig.view.shown("cmdViewRcv"), mailbox);
        EXPECT_EQ(rig.view.shown("cmdDisc"), !mailbox); // one button in the connect place
        if (mailbox) {
            rig.feed("cmd:");
            EXPECT_EQ(rig.session.state(), LinkState::LinkBbs);
        } else {
            rig.feed("*** CONNECTED to N0CALL\r");
            EXPECT_EQ(rig.view.caption("lblConn"), "Connected");
        }
    }
}

TEST(ConnectSequence, LocalMailboxSwitchesTheViewAndWakesTheTnc) {
    LinkRig rig;
    rig.session.RxBuffer = "old";
    rig.connect.connectToMailbox();
    EXPECT_EQ(rig.port.written(), "\r\x03");
    EXPECT_EQ(rig.session.state(), LinkState::LinkBbsCalling);
    EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
    EXPECT_TRUE(rig.view.shown("tbLocal"));
    EXPECT_FALSE(rig.view.shown("tbMon"));
    EXPECT_EQ(rig.view.focus, "tbLocal");
}
