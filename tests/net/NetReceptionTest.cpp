#include "NetTestRig.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tolvex {
namespace {

// A net line as the stream processor hands it over: the monitor header, its line end, the text
// up to and including the "$" of the end marker.
QByteArray captured(const QByteArray& text) {
    return "N0CALL>NETCTL,RELAY <UI>:\r\n" + text + "$";
}

enum class Role { Out, Member, ControlOpen, ControlClosed };

struct Case {
    const char* what;
    Role role;
    std::int16_t remote, dirAlert;
    std::vector<QByteArray> lines; // raw captures
    QByteArray pane;               // txtNet afterwards
    int count;
    QList<QByteArray> traffic, checkins;
    int alerts;
    bool paneShown;
    const char* netOperation;
};

TEST(NetReception, EveryRuleInEveryRole) {
    const QByteArray ckin = captured("  .ckinN0CALL  "), ckout = captured("  .ckoutN0CALL  ");
    const QByteArray rts = captured("  .rtsN0CALL  "), rse = captured("  .rseN0CALL  ");
    const QByteArray ncsMsg = captured(".netmsg From NCS- HELLO   ");
    const QByteArray memberMsg = captured("  .netmsg From N0CALL- ON FREQ  ");
    const QByteArray active = captured(".netactive From NCS- NET IS OPEN   ");
    const QByteArray closed = captured(".netclosed ");
    const QByteArray checkIn = "\r\nFrom N0CALL- Checking into net";
    const std::vector<Case> cases = {
        {"check-in on the control station",
         Role::ControlOpen,
         0,
         1,
         {ckin},
         checkIn,
         1,
         {},
         {"N0CALL"},
         1,
         true,
         "1"},
        {"repeated check-in only alerts again",
         Role::ControlOpen,
         0,
         1,
         {ckin, ckin},
         checkIn,
         1,
         {},
         {"N0CALL"},
         2,
         true,
         "1"},
        {"no alert without DirAlert",
         Role::ControlOpen,
         0,
         0,
         {ckin},
         checkIn,
         1,
         {},
         {"N0CALL"},
         0,
         true,
         "1"},
        {"traffic then emergency traffic",
         Role::ControlOpen,
         0,
         1,
         {rts, rse, rts},
         "\r\nFrom N0CALL- Request to send traffic\r\nFrom N0CALL- Request to send EMERGENCY traffic"
         "\r\nFrom N0CALL- Request to send traffic",
         3,
         {"N0CALL", "N0CALL  EMER"},
         {},
         3,
         true,
         "1"},
        {"check-out request leaves the check-in",
         Role::ControlOpen,
         0,
         0,
         {ckin, ckout},
         checkIn + "\r\nFrom N0CALL- Request to check out",
         2,
         {},
         {"N0CALL"},
         0,
         true,
         "1"},
        {"call in capitals, trailing blanks gone, leading kept",
         Role::ControlOpen,
         0,
         0,
         {captured("  .ckinn0call   "), captured(".ckin w1aa ")},
         checkIn + "\r\nFrom  W1AA- Checking into net",
         2,
         {},
         {"N0CALL", " W1AA"},
         0,
         true,
         "1"},
        {"missing call adds one empty entry",
         Role::ControlOpen,
         0,
         0,
         {captured(".ckin  "), captured(".ckin ")},
         "\r\nFrom - Checking into net",
         1,
         {},
         {""},
         0,
         true,
         "1"},
        {"requests on a member change nothing",
         Role::Member,
         1,
         1,
         {ckin, ckout, rts, rse},
         "",
         0,
         {},
         {},
         0,
         true,
         "1"},
        {"requests with the console closed change nothing",
         Role::ControlClosed,
         1,
         1,
         {ckin, ckout, rts, rse},
         "",
         0,
         {},
         {},
         0,
         true,
         "1"},
        {"net message on a member",
         Role::Member,
         0,
         1,
         {ncsMsg, memberMsg},
         "\r\n From NCS- HELLO  \r\n From N0CALL- ON FREQ ",
         2,
         {},
         {},
         2,
         true,
         "1"},
        {"net message out of the net goes to the hidden pane",
         Role::Out,
         0,
         0,
         {ncsMsg},
         "\r\n From NCS- HELLO  ",
         1,
         {},
         {},
         0,
         false,
         "0"},
        {"message and check-in in one line is a message",
         Role::ControlOpen,
         0,
         0,
         {captured(".netmsg x .ckinN0CALL ")},
         "\r\n x .ckinN0CALL",
         1,
         {},
         {},
         0,
         true,
         "1"},
        {"capitals are no command",
         Role::ControlOpen,
         1,
         1,
         {captured(".CKINN0CALL "), captured(".NETMSG HI "), captured(".NETACTIVE X ")},
         "",
         0,
         {},
         {},
         0,
         true,
         "1"},
        {"short captures are ignored",
         Role::ControlOpen,
         1,
         1,
         {"$", "n$", "", "x $", ".ckin$"},
         "",
         0,
         {},
         {},
         0,
         true,
         "1"},
        {"remote start opens the pane once",
         Role::Out,
         1,
         1,
         {active, active},
         " From NCS- NET IS OPEN  ",
         0,
         {},
         {},
         1,
         true,
         "1"},
        {"remote start then a message",
         Role::Out,
         1,
         0,
         {active, ncsMsg},
         " From NCS- NET IS OPEN  \r\n From NCS- HELLO  ",
         1,
         {},
         {},
         0,
         true,
         "1"},
        {"remote start not allowed", Role::Out, 0, 1, {active}, "", 0, {}, {}, 0, false, "0"},
        {"remote close not allowed", Role::Member, 0, 1, {closed}, "", 0, {}, {}, 0, true, "1"},
        {"remote close",
         Role::Member,
         1,
         1,
         {ncsMsg, closed},
         "\r\n From NCS- HELLO  ",
         0,
         {},
         {},
         1,
         false,
         "0"},
        {"closed beats message",
         Role::Member,
         1,
         0,
         {captured(".netmsg bye .netclosed ")},
         "",
         0,
         {},
         {},
         0,
         false,
         "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::NetRig r;
        r.s.RemoteOperation = c.remote;
        r.s.DirAlert = c.dirAlert;
        if (c.role != Role::Out) {
            r.s.NetOperation = "1";
            r.net.pane.enter();
            r.net.member.open(); // as start-up does
        }
        if (c.role == Role::ControlOpen || c.role == Role::ControlClosed) r.s.ThisNCS = "1";
        if (c.role == Role::ControlOpen) r.net.control.open();
        for (const QByteArray& line : c.lines)
            r.net.reception.processNCS(line);

        EXPECT_EQ(r.netPane(), c.pane);
        EXPECT_EQ(r.rig.station.NetMsgCount, c.count);
        EXPECT_EQ(r.rig.view.shown("lblNct"), c.count != 0);
        EXPECT_EQ(r.rig.view.shown("shpNct"), c.count != 0);
        if (c.count) {
            EXPECT_EQ(r.rig.view.caption("lblNct"), "New: " + QByteArray::number(c.count));
        }
        EXPECT_EQ(r.net.control.trafficRequests().rows(), c.traffic);
        EXPECT_EQ(r.net.control.checkins().rows(), c.checkins);
        if (c.role == Role::ControlOpen) {
            EXPECT_EQ(r.controlView.rows["List1"], c.traffic);
            EXPECT_EQ(r.controlView.rows["List2"], c.checkins);
            EXPECT_EQ(r.net.control.blinking(), !c.traffic.isEmpty());
        }
        EXPECT_EQ(r.alerts(), c.alerts);
        EXPECT_EQ(r.rig.view.shown("txtNet"), c.paneShown);
        EXPECT_EQ(r.rig.view.shown("lblNet"), c.paneShown);
        EXPECT_EQ(r.s.NetOperation, c.netOperation);
        const auto anyHolds = [&c](const char* word) {
            return std::any_of(c.lines.begin(), c.lines.end(),
                               [word](const QByteArray& l) { return l.contains(word); });
        };
        const bool started = c.remote && anyHolds(".netactive"),
                   closedNet = c.remote && anyHolds(".netclosed");
        EXPECT_EQ(r.net.member.isOpen(), c.role == Role::Out ? started : !closedNet);
        EXPECT_LE(r.memberShows, 1);
        if (started || closedNet) {
            EXPECT_EQ(r.saved().NetOperation, c.netOperation);
        }
        EXPECT_TRUE(r.rig.port.writes.empty()); // nothing received is answered
        EXPECT_TRUE(r.rig.boxes.shown.empty());
    }
}

TEST(NetReception, CounterAndPaneClicksAndTheConsoleSurvivesAskingAndRemoteClose) {
    test::NetRig r;
    r.becomeControl();
    r.s.RemoteOperation = 1;
    for (const char* call : {"A1", "B2", "C3"})
        r.net.reception.processNCS(captured(QByteArray("  .ckin") + call + "  "));
    ASSERT_EQ(r.rig.view.caption("lblNct"), "New: 3");
    r.net.reception.counterClicked();
    EXPECT_FALSE(r.rig.view.shown("lblNct"));
    EXPECT_FALSE(r.rig.view.shown("shpNct"));
    EXPECT_EQ(r.netPane().count("Checking into net"), 3);
    r.rig.view.visible["tbMon"] = false; // the local pane is the one in view
    r.rig.view.visible["tbLocal"] = true;
    r.net.reception.netPaneClicked();
    EXPECT_EQ(r.rig.view.focus, "tbLocal");
    // Asking whether the console is open neither reopens it nor empties its lists.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(r.net.control.isOpen());
    r.net.control.open();
    EXPECT_EQ(r.controlShows, 1);
    EXPECT_EQ(r.net.control.checkins().size(), 3);
    // A remote close takes the member console away but leaves the control console open.
    r.net.reception.processNCS(captured(".netclosed "));
    EXPECT_TRUE(r.net.control.isOpen());
    EXPECT_EQ(r.controlCloses, 0);
}

// A flood of check-ins and requests with huge or odd calls: nothing breaks, the lists stay unique.
TEST(NetReception, FloodOfCheckinsStaysUniqueAndBounded) {
    test::NetRig r;
    r.becomeControl();
    for (int i = 0; i < 10000; ++i)
        r.net.reception.processNCS(captured("  .ckinS" + QByteArray::number(i) + "  "));
    for (int i = 0; i < 10000; ++i)
        r.net.reception.processNCS(captured("  .ckinS" + QByteArray::number(i % 100) + "  "));
    EXPECT_EQ(r.net.control.checkins().size(), 10000);
    EXPECT_EQ(r.controlView.rows["List2"].size(), 10000);
    EXPECT_EQ(r.rig.station.NetMsgCount, 10000);
    const QByteArray huge(200000, 'x');
    r.net.reception.processNCS(captured("  .rts" + huge + "  "));
    r.net.reception.processNCS(captured("  .rts" + huge + "  "));
    r.net.reception.processNCS(captured(QByteArray(".rse") + '\0' + "\xff\r\n  "));
    EXPECT_EQ(r.net.control.trafficRequests().size(), 2);
    EXPECT_EQ(r.net.control.trafficRequests().rows().first(), huge.toUpper());
}

} // namespace
} // namespace tolvex
