#include "NetTestRig.h"

#include <gtest/gtest.h>

namespace tolvex {
namespace {

using Writes = std::vector<std::pair<qint64, QByteArray>>;
const QByteArray Cmd = "\x03";

// The control console's lines: command mode, UNPROTO, converse 200 ms apart, the line, 400 ms,
// command mode; the trailer is asked once per line, when the line goes out.
TEST(NetControl, ExactLinesAndPausesWithAndWithoutIdentification) {
    struct Case {
        const char* what;
        std::int16_t addFcc;
        std::function<void(test::NetRig&)> press;
        QByteArray line; // without trailer and line end
    };
    const std::vector<Case> cases = {
        {"activate", 0, [](test::NetRig& r) { r.net.control.buttonClicked(frmNCS::cmdActivate); },
         ".netactive From NCS- NET IS OPEN   $^ "},
        {"activate identified", 1, [](test::NetRig& r) { r.net.control.buttonClicked(frmNCS::cmdActivate); },
         ".netactive From NCS- NET IS OPEN   $^ "},
        {"activate with an empty announcement", 0,
         [](test::NetRig& r) {
             r.s.NetActiveMsg = "";
             r.net.control.buttonClicked(frmNCS::cmdActivate);
         },
         ".netactive From NCS-    $^ "},
        {"permission with an empty text: the call alone", 0,
         [](test::NetRig& r) {
             r.s.PermitMsg = "";
             r.net.reception.processNCS("  .rtsN0CALL  $");
             r.net.control.trafficDoubleClicked(0);
         },
         ".netmsg From NCS- N0CALL      $^ "},
        {"stored instruction, untrimmed", 1,
         [](test::NetRig& r) { r.net.control.buttonClicked(frmNCS::cmdNCS2); },
         ".netmsg From NCS-  ANY MORE ?    $^ "},
        {"typed instruction: 40 characters, capitals", 0,
         [](test::NetRig& r) {
             r.controlView.texts["txtMsg"] = "  please stand by for traffic from county eoc";
             EXPECT_FALSE(r.net.control.messageKeyPress('x'));
             EXPECT_TRUE(r.net.control.messageKeyPress(13));
             EXPECT_EQ(r.controlView.texts["txtMsg"], "");
         },
         ".netmsg From NCS- PLEASE STAND BY FOR TRAFFIC FROM COUNT   $^ "},
        {"permission to the call of an emergency entry", 1,
         [](test::NetRig& r) {
             r.net.reception.processNCS("  .rsen0call  $");
             r.net.control.trafficDoubleClicked(0);
             EXPECT_EQ(r.controlView.deselected, std::vector<std::string>{"List1"});
             EXPECT_EQ(r.net.control.trafficRequests().rows(), QList<QByteArray>{"N0CALL  EMER"});
         },
         ".netmsg From NCS- N0CALL   GO AHEAD   $^ "},
        {"check-out notice", 0,
         [](test::NetRig& r) {
             r.net.reception.processNCS("  .ckinN0CALL  $");
             r.net.control.checkinDelete(0);
             EXPECT_EQ(r.net.control.checkins().size(), 0);
             EXPECT_TRUE(r.controlView.rows["List2"].isEmpty());
         },
         ".netmsg From NCS- N0CALL checked out   $^ "},
        {"close net, with Close typed in the box", 1,
         [](test::NetRig& r) {
             r.controlView.texts["txtMsg"] = "Close";
             r.net.control.buttonClicked(frmNCS::Command1);
         },
         ".netclosed $^ "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::NetRig r;
        r.s.AddFCC = c.addFcc;
        r.becomeControl();
        r.rig.clock.advance(1000);
        c.press(r);
        r.rig.clock.runAll();
        const QByteArray trailer = c.addFcc ? " de KA1ABC " : "";
        const Writes expected = {{0, "\r" + Cmd + "\r"},
                                 {200, "UNPROTO NETCTL V RELAY\r"},
                                 {400, "K\r"},
                                 {600, c.line + trailer + "\r"},
                                 {1000, Cmd + "\r"}};
        EXPECT_EQ(r.writes(1000), expected);
        EXPECT_TRUE(r.rig.boxes.shown.empty());
    }
}

TEST(NetControl, HalfDuplexEchoesTheLineAndCloseNetEndsTheRole) {
    test::NetRig r;
    r.s.Duplex = "half";
    r.s.AddFCC = 1;
    r.becomeControl();
    r.rig.view.visible["tbMon"] = true;
    r.net.control.buttonClicked(frmNCS::Command1);
    // Close-down comes at the press, before anything is sent, and asks nothing.
    EXPECT_FALSE(r.net.control.isOpen());
    EXPECT_EQ(r.controlCloses, 1);
    EXPECT_FALSE(r.rig.view.shown("txtNet"));
    EXPECT_EQ(r.saved().NetOperation, "0");
    EXPECT_TRUE(r.rig.boxes.shown.empty());
    r.rig.clock.runAll();
    // The line as it went out, its line end included, then a line break.
    EXPECT_EQ(r.rig.view.pane("tbMon"), ".netclosed $^  de KA1ABC \r\r\n");
    EXPECT_EQ(r.rig.view.focus, "tbMon"); // the console is gone: focus to the terminal pane
}

// Sending the check-in list: a broadcast to the first group, echoed, without identification.
TEST(NetControl, CheckinListGoesToTheFirstGroup) {
    test::NetRig r;
    r.s.AddFCC = 1;
    r.becomeControl();
    r.rig.view.visible["tbMon"] = true;
    r.net.control.buttonClicked(frmNCS::cmdSend);
    EXPECT_TRUE(r.rig.port.writes.empty()); // an empty list sends nothing
    r.net.reception.processNCS("  .ckinN0CALL  $");
    r.net.reception.processNCS("  .ckinSTN2  $");
    r.net.control.buttonClicked(frmNCS::cmdSend);
    r.rig.clock.runAll();
    const Writes expected = {{0, "\r" + Cmd + "\r"},
                             {200, "UNPROTO ZULGRP\r"},
                             {400, "K\r"},
                             {600, "Checkins: N0CALL STN2  $^\r"},
                             {900, Cmd + "\r"}};
    EXPECT_EQ(r.writes(), expected);
    EXPECT_EQ(r.rig.view.pane("tbMon"),
              "\r\n" + Cmd + "\r\nUNPROTO ZULGRP\r\nK\r\n"); // full duplex: no list echo
    r.net.control.buttonClicked(frmNCS::cmdClear);
    EXPECT_EQ(r.net.control.checkins().size(), 0);
    EXPECT_TRUE(r.controlView.rows["List2"].isEmpty());
}

// The button pressed decides the line; empty stored texts do nothing; two quick check-outs each
// send their own notice and remove their own entry.
TEST(NetControl, ButtonsDecideAndQuickCheckoutsEachSendTheirOwn) {
    test::NetRig r;
    r.s.NCSMsg[0] = r.s.NetActiveMsg; // equal texts: still an instruction
    r.s.NCSMsg[2] = "";
    r.becomeControl();
    EXPECT_EQ(r.controlView.texts["cmdNCS2"], "ANY MORE ?");
    EXPECT_EQ(r.controlView.texts["cmdNCS3"], "");
    r.net.control.buttonClicked(frmNCS::cmdNCS3);
    r.rig.clock.runAll();
    EXPECT_TRUE(r.rig.port.writes.empty());
    r.net.control.buttonClicked(frmNCS::cmdNCS1);
    r.controlView.texts["txtMsg"] = "x";
    EXPECT_TRUE(r.net.control.messageKeyPress(13)); // one character: nothing
    EXPECT_EQ(r.controlView.texts["txtMsg"], "");
    for (const char* line : {"  .ckinAA1  $", "  .ckinBB2  $", "  .ckinCC3  $"})
        r.net.reception.processNCS(line);
    r.net.control.checkinDelete(0);
    r.net.control.checkinDelete(0);
    r.net.control.trafficDelete(0); // nothing there
    EXPECT_EQ(r.net.control.checkins().rows(), QList<QByteArray>{"CC3"});
    EXPECT_EQ(r.controlView.rows["List2"], QList<QByteArray>{"CC3"});
    r.rig.clock.runAll();
    const QByteArray all = r.rig.port.written();
    EXPECT_TRUE(all.contains(".netmsg From NCS- NET IS OPEN   $^ \r"));
    EXPECT_FALSE(all.contains(".netactive"));
    EXPECT_TRUE(all.contains(".netmsg From NCS- AA1 checked out   $^ \r"));
    EXPECT_TRUE(all.contains(".netmsg From NCS- BB2 checked out   $^ \r"));
    EXPECT_EQ(all.count("UNPROTO"), 3); // three whole sequences, one after the other
    EXPECT_LT(all.indexOf("AA1 checked"), all.indexOf("UNPROTO", all.indexOf("AA1 checked")));
}

TEST(NetControl, EverySendIsRefusedWhileLinked) {
    test::NetRig r;
    r.becomeControl();
    r.net.reception.processNCS("  .ckinAA1  $");
    r.net.reception.processNCS("  .rtsAA1  $");
    r.net.member.open();
    r.rig.session.setState(LinkState::LinkConnected);
    const std::vector<std::function<void()>> presses = {
        [&] { r.net.control.buttonClicked(frmNCS::cmdActivate); },
        [&] { r.net.control.buttonClicked(frmNCS::cmdNCS4); },
        [&] { r.net.control.buttonClicked(frmNCS::cmdSend); },
        [&] {
            r.controlView.texts["txtMsg"] = "hello";
            r.net.control.messageKeyPress(13);
        },
        [&] { r.net.control.trafficDoubleClicked(0); },
        [&] { r.net.control.checkinDelete(0); },
        [&] { r.net.control.buttonClicked(frmNCS::Command1); },
        [&] { r.net.member.buttonClicked(frmInfoNet::cmdCkIn); },
        [&] { r.net.member.buttonClicked(frmInfoNet::cmdInfoNet1); },
        [&] {
            r.memberView.texts["txtInfoMsg"] = "hello";
            r.net.member.messageKeyPress(13);
        },
    };
    for (const auto& press : presses)
        press();
    r.rig.clock.runAll();
    EXPECT_TRUE(r.rig.port.writes.empty());
    ASSERT_EQ(r.rig.boxes.shown.size(), presses.size());
    for (const auto& box : r.rig.boxes.shown)
        EXPECT_EQ(box.title, QStringLiteral("Message already in progress"));
    // A refused line keeps what was typed, a refused check-out the station, a refused Close Net
    // the net.
    EXPECT_EQ(r.controlView.texts["txtMsg"], "HELLO");
    EXPECT_EQ(r.memberView.texts["txtInfoMsg"], "HELLO");
    EXPECT_EQ(r.net.control.checkins().rows(), QList<QByteArray>{"AA1"});
    EXPECT_TRUE(r.net.control.isOpen());
    EXPECT_EQ(r.s.NetOperation, "1");
    EXPECT_TRUE(r.rig.view.shown("txtNet"));
}

TEST(NetControl, BlinkingAndClosingWithTheNetActive) {
    test::NetRig r;
    r.becomeControl();
    r.net.reception.processNCS("  .rtsAA1  $");
    r.net.reception.processNCS("  .ckinAA1  $");
    EXPECT_TRUE(r.net.control.blinking());
    r.rig.clock.advance(1200);
    EXPECT_TRUE(r.controlView.yellow);
    r.rig.clock.advance(1200);
    EXPECT_FALSE(r.controlView.yellow);
    r.rig.clock.advance(1200);
    r.net.control.trafficMouseDown();
    EXPECT_FALSE(r.net.control.blinking());
    EXPECT_FALSE(r.controlView.yellow);
    r.net.reception.processNCS("  .rtsBB2  $"); // blinks again
    // No: the window and its lists stay, the blinking stops.
    r.net.control.requestClose();
    r.net.control.requestClose(); // one question at a time
    ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
    EXPECT_EQ(r.rig.boxes.shown[0].title, QStringLiteral("Net is Active"));
    EXPECT_EQ(r.rig.boxes.shown[0].text,
              QStringLiteral("Net is still active. Are you sure you want to close this window ?"));
    EXPECT_EQ(r.rig.boxes.shown[0].buttons, MessageBoxes::Buttons::YesNo);
    r.rig.boxes.answer(MessageBoxes::Answer::No);
    EXPECT_TRUE(r.net.control.isOpen());
    EXPECT_FALSE(r.net.control.blinking());
    EXPECT_EQ(r.net.control.trafficRequests().size(), 2);
    // Yes: the station becomes a member of the still active net.
    r.net.reception.processNCS("  .ckoutAA1  $");
    r.net.control.requestClose();
    r.rig.boxes.answer(MessageBoxes::Answer::Yes);
    EXPECT_FALSE(r.net.control.isOpen());
    EXPECT_EQ(r.controlCloses, 1);
    EXPECT_TRUE(r.net.member.isOpen());
    EXPECT_TRUE(r.rig.view.shown("txtNet"));
    EXPECT_EQ(r.netPane(), "");
    EXPECT_FALSE(r.rig.view.shown("lblNct"));
    EXPECT_EQ(r.rig.station.NetMsgCount, 0);
    const Settings saved = r.saved();
    EXPECT_EQ(saved.ThisNCS, "0");
    EXPECT_EQ(saved.RemoteOperation, 1);
    EXPECT_EQ(saved.NetOperation, "1");
    // Opened again, the console starts with empty lists.
    r.net.control.open();
    EXPECT_EQ(r.net.control.checkins().size(), 0);
    EXPECT_TRUE(r.controlView.rows["List1"].isEmpty());
    // A role change takes it away without asking, blinking or not; it opens again white.
    r.net.control.addTrafficRequest("ZZ9"); // a member now: the receiver would drop the request
    r.rig.clock.advance(1200);
    ASSERT_TRUE(r.controlView.yellow);
    r.net.control.close();
    EXPECT_FALSE(r.net.control.isOpen());
    EXPECT_EQ(r.rig.boxes.shown.size(), 2u);
    EXPECT_EQ(r.rig.clock.pending(), 0u);
    r.net.control.open();
    EXPECT_FALSE(r.controlView.yellow);
}

TEST(NetControl, Hints) {
    EXPECT_EQ(NetControl::hint(frmNCS::List1),
              "Double click to tell station to send traffic  -or- "
              "    Click then press Delete key to remove an entry from list.");
    EXPECT_EQ(NetControl::hint(frmNCS::cmdNCS3), "Click to send this intruction to all stations.");
    EXPECT_EQ(NetControl::hint(frmNCS::txtMsg), "Compose a brief instruction to be sent to all stations,"
                                                "    then press the Enter key to send ");
    EXPECT_EQ(NetControl::hint(frmNCS::Frame1), "");
}

// The member console: five writes 250 ms apart, nothing echoed.
TEST(NetMember, ExactLinesStatusAndHints) {
    struct Case {
        const char* what;
        std::int16_t addFcc;
        std::function<void(test::NetRig&)> press;
        QByteArray line;   // between "  ." and "  $^ "
        QByteArray status; // lblHelp afterwards
    };
    const std::vector<Case> cases = {
        {"check in", 0, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdCkIn); }, "ckinW1XYZ",
         "Check in message sent"},
        {"check in identified", 1, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdCkIn); },
         "ckinW1XYZ", "Check in message sent"},
        {"check out", 0, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdCkOut); },
         "ckoutW1XYZ", "Check out request sent"},
        {"traffic", 1, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdRTS); }, "rtsW1XYZ",
         "Request message sent"},
        {"emergency", 0, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdRTSE); }, "rseW1XYZ",
         "Request message sent"},
        {"stored text", 0, [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdInfoNet1); },
         "netmsg From W1XYZ-  ON FREQ ", " ON FREQ "},
        {"second stored text", 1,
         [](test::NetRig& r) { r.net.member.buttonClicked(frmInfoNet::cmdInfoNet2); },
         "netmsg From W1XYZ- QRT", "QRT sent"},
        {"typed", 1,
         [](test::NetRig& r) {
             r.memberView.texts["txtInfoMsg"] = " hello there";
             EXPECT_TRUE(r.net.member.messageKeyPress(13));
             EXPECT_EQ(r.memberView.texts["txtInfoMsg"], "");
         },
         "netmsg From W1XYZ- HELLO THERE", "HELLO THERE sent"},
        {"typed, cut to 40", 0,
         [](test::NetRig& r) {
             r.memberView.texts["txtInfoMsg"] = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrs";
             r.net.member.messageKeyPress(13);
         },
         "netmsg From W1XYZ- ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN sent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::NetRig r;
        r.s.AddFCC = c.addFcc;
        r.s.Duplex = "half";
        r.rig.view.visible["tbLocal"] = true;
        r.net.member.open();
        r.rig.clock.advance(50);
        c.press(r);
        EXPECT_EQ(r.memberView.texts["lblHelp"], c.status);
        r.rig.clock.runAll();
        const QByteArray trailer = c.addFcc ? " de KA1ABC " : "";
        const Writes expected = {{0, "\r" + Cmd + "\r"},
                                 {250, "UNPROTO NETCTL V RELAY\r"},
                                 {500, "K\r"},
                                 {750, "  ." + c.line + "  $^ " + trailer + "\r"},
                                 {1000, Cmd + "\r"}};
        EXPECT_EQ(r.writes(50), expected);
        EXPECT_EQ(r.rig.view.pane("tbLocal"), ""); // nothing echoed, even in half duplex
        r.net.member.mouseMoved(frmInfoNet::cmdRTS);
        EXPECT_EQ(r.memberView.texts["lblHelp"], "Click to send message to Net Control");
    }
}

TEST(NetMember, EmptyStoredTextAndShortTypedSendNothing) {
    test::NetRig r;
    r.s.InfoNet2Msg = "";
    r.rig.view.visible["tbMon"] = true;
    r.net.member.open();
    r.net.member.open();
    EXPECT_EQ(r.memberShows, 1);
    EXPECT_EQ(r.memberView.texts["cmdInfoNet1"], "ON FREQ");
    EXPECT_EQ(r.memberView.texts["cmdInfoNet2"], "");
    r.net.member.buttonClicked(frmInfoNet::cmdInfoNet2);
    EXPECT_EQ(r.rig.view.focus, "tbMon");
    r.memberView.texts["txtInfoMsg"] = "a";
    EXPECT_TRUE(r.net.member.messageKeyPress(13));
    EXPECT_FALSE(r.net.member.messageKeyPress('b'));
    r.rig.clock.runAll();
    EXPECT_TRUE(r.rig.port.writes.empty());
    r.net.member.mouseMoved(frmInfoNet::cmdInfoNet2);
    EXPECT_EQ(r.memberView.texts["lblHelp"], "");
    r.net.member.mouseMoved(frmInfoNet::txtInfoMsg);
    EXPECT_EQ(r.memberView.texts["lblHelp"], "Compose brief message for Net Control.  Press Enter to send");
    r.net.member.mouseMoved(std::nullopt);
    EXPECT_EQ(r.memberView.texts["lblHelp"], "");
    // Two requests send two whole lines, one after the other.
    r.net.member.buttonClicked(frmInfoNet::cmdRTS);
    r.net.member.buttonClicked(frmInfoNet::cmdRTS);
    r.rig.clock.runAll();
    EXPECT_EQ(r.rig.port.written().count("  .rtsW1XYZ  $^ \r"), 2);
    EXPECT_EQ(r.rig.port.writes.size(), 10u);
}

} // namespace
} // namespace tolvex
