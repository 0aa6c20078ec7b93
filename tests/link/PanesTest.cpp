#include "LinkRig.h"

using namespace tolvex;
using namespace tolvex::test;

TEST(Panes, BackspacesEraseInTheChunkThenWhatWasShownLast) {
    struct Case {
        const char* name;
        QByteArray before; // pane and RxBuffer before the chunk
        QByteArray chunk;
        QByteArray pane, buffer, processed;
    };
    const Case cases[] = {
        {"erases across chunks", "AB", "\bC", "AC", "AC", "C"},
        {"erases inside the chunk", "", "AB\bC", "AC", "AC", "AC"},
        {"keeps a lone character", "A", "\bC", "AC", "AC", "C"},
        {"two leading backspaces", "XYZ", "\b\bQ", "XQ", "XQ", "Q"},
        {"more backspaces than text", "XYZ", "A\b\b\b\bQ", "XQ", "XQ", "Q"},
        {"NUL and high bytes kept", "", QByteArray("a\0\xff\xe9", 4), QByteArray("a\0\xff\xe9", 4),
         QByteArray("a\0\xff\xe9", 4), QByteArray("a\0\xff\xe9", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* pane : {"tbMon", "tbLocal"}) {
            LinkRig rig;
            rig.view.panes[pane] = c.before;
            rig.session.RxBuffer = c.before;
            QByteArray charbuff = c.chunk;
            if (qstrcmp(pane, "tbMon") == 0)
                rig.panes.addTextToMon(charbuff);
            else
                rig.panes.addTextToLocal(charbuff);
            EXPECT_EQ(rig.view.pane(pane), c.pane);
            EXPECT_EQ(rig.session.RxBuffer, c.buffer);
            EXPECT_EQ(charbuff, c.processed);
        }
    }
}

TEST(Panes, OverflowCutsToTheLast8000OnlyPast15000) {
    for (const char* pane : {"tbMon", "tbLocal"}) {
        for (const qsizetype size : {qsizetype(15000), qsizetype(15001)}) {
            LinkRig rig;
            QByteArray text(size, 'x');
            text[size - 8000] = 'S'; // first character of the tail kept
            rig.view.panes[pane] = text;
            if (qstrcmp(pane, "tbMon") == 0)
                rig.panes.preventMonOverflow();
            else
                rig.panes.preventLocalOverflow();
            if (size == 15000) {
                EXPECT_EQ(rig.view.pane(pane), text);
            } else {
                EXPECT_EQ(rig.view.pane(pane).size(), 8000);
                EXPECT_EQ(rig.view.pane(pane).front(), 'S');
            }
        }
    }
}

TEST(Panes, MonitorReceiveWithNoMailboxLinkUpReturnsAtOnce) {
    for (const LinkState st : {LinkState::LinkBbsClosed, LinkState::LinkBbsCalling}) {
        LinkRig rig;
        rig.connect.connectToMailbox();
        rig.port.writes.clear();
        rig.session.setState(st);
        rig.session.RxBuffer = "stale";
        rig.view.panes["tbLocal"] = QByteArray(15001, 'l');
        rig.panes.monitorReceive();
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
        EXPECT_EQ(rig.view.pane("tbLocal").size(), 8000);
        for (const char* shown : {"tbMon", "Label1", "cmdLocalBBS"})
            EXPECT_TRUE(rig.view.shown(shown)) << shown;
        for (const char* hidden : {"tbLocal", "Label5", "lblBBS", "cmdViewRcv", "cmdSend"})
            EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
        EXPECT_EQ(rig.view.focus, "tbMon");
    }
}

// While the mailbox link is up, "Monitor  Receive" says goodbye and the link stays until the
// mailbox hangs up; one that does not is named, and Disconnect ends it.
TEST(Panes, MonitorReceiveWaitsForTheMailboxToHangUp) {
    for (const bool hangsUp : {true, false}) {
        SCOPED_TRACE(hangsUp ? "hangs up" : "stays");
        LinkRig rig;
        rig.connect.connectToMailbox();
        rig.feed("cmd:");
        rig.port.writes.clear();
        rig.panes.monitorReceive();
        rig.panes.monitorReceive(); // goodbye is said once
        EXPECT_EQ(rig.port.written(), "B\r");
        rig.clock.advance(Panes::kByeAnswerMs - 1);
        EXPECT_EQ(rig.session.state(), LinkState::LinkBbs);
        EXPECT_EQ(rig.view.caption("lblConn"), "Connected-BBS");
        EXPECT_TRUE(rig.view.shown("tbLocal"));
        if (hangsUp) {
            rig.feed("73\r*** DISCONNECTED\r");
            rig.clock.runAll();
            EXPECT_TRUE(rig.boxes.shown.empty());
        } else {
            rig.clock.advance(1);
            ASSERT_EQ(rig.boxes.shown.size(), 1u);
            EXPECT_EQ(rig.boxes.shown[0].title, "Mailbox Still Connected");
            EXPECT_EQ(rig.session.state(), LinkState::LinkBbs);
            EXPECT_TRUE(rig.view.shown("cmdDisc"));
            EXPECT_FALSE(rig.view.shown("cmdViewRcv"));
            rig.connect.disconnect();
            rig.clock.runAll();
            EXPECT_TRUE(rig.port.written().endsWith("D\r"));
        }
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        for (const char* shown : {"tbMon", "cmdLocalBBS"})
            EXPECT_TRUE(rig.view.shown(shown)) << shown;
        for (const char* hidden : {"tbLocal", "cmdViewRcv", "cmdDisc"})
            EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
    }
}

TEST(PanesBound, FloodOutsideIdleKeepsBothPanesBounded) {
    for (LinkState st : {LinkState::LinkViaNodes, LinkState::LinkBbs}) {
        LinkRig rig;
        rig.session.setState(st);
        for (int i = 0; i < 2000; ++i)
            rig.feed("N0ABC>CQ: <UI>:\rchatter on a busy channel\r");
        const char* pane = st == LinkState::LinkBbs ? "tbLocal" : "tbMon";
        EXPECT_LE(rig.view.pane(pane).size(), Panes::kPaneHardLimit) << int(st);
        EXPECT_TRUE(rig.view.pane(pane).endsWith("busy channel\r")) << int(st);
    }
}
