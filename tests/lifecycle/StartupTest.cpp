#include "lifecycle/Startup.h"
#include "link/LinkRig.h"
#include "support/Files.h"
#include "support/StationRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

QByteArray parms(const QByteArray& callsign, const QByteArray& net = "0", const QByteArray& ncs = "0") {
    return "Callsign=" + callsign +
           "\r\nCmdCmd=3\r\nUnprotoCmd=UNPROTO\r\nLFout=0\r\nLFin=1\r\nBaudSet=3\r\n"
           "ParitySet=2\r\nDataBitSet=1\r\nNetOperation=" +
           net + "\r\nThisNCS=" + ncs +
           "\r\nGroupAd(0)=ZULGRP VIA RELAY\r\nGroupAd(1)=SOLO\r\nNCSCallsign=N0NCS  net\r\n";
}

} // namespace

class StartupTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    Station& station = rig.station;
    RecordingMessageBoxes& boxes = rig.boxes;
    ManualScheduler& clock = rig.clock;
    FakeSerialPort& port = rig.port;
    RecordingMainView& view = rig.view;
    RecordingHost& host = rig.host;
    LinkSession& session = rig.session;
    Sequencer& sequencer = rig.sequencer;
    Startup& startup = rig.startup;
    int queries = 0;

    StartupTest() {
        session.subscribe([this](LinkState, LinkState to) {
            if (to == LinkState::LinkUnprotoQueryDue) ++queries;
        });
    }
    void put(const QString& name, const QByteArray& data) {
        ASSERT_TRUE(test::writeFile(dir.filePath(name), data));
    }
    QByteArray file(const QString& name) { return test::readFile(dir.filePath(name), {}); }
};

TEST_F(StartupTest, StationWithCallsignWakesTheTncAndQueuesTheQuery) {
    put("Parms.inf", parms("N0CALL"));
    put("MsgNo.inf", "12\r\n");
    ASSERT_TRUE(startup.start());
    EXPECT_EQ(host.calls, QStringList{"main"});
    EXPECT_TRUE(port.writes.empty()); // nothing before the window is drawn
    clock.advance(0);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0].bytes, "\r\x03\r");
    EXPECT_EQ(view.pane("tbMon"), "          INITIALIZING ...  PLEASE WAIT ");
    EXPECT_EQ(view.pane("tbMon").size(), 40);
    EXPECT_EQ(session.state(), LinkState::LinkUnprotoQueryDue);
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(station.MsgNo, "12");
    EXPECT_EQ(station.GroupName[0], "ZULGRP");
    EXPECT_EQ(station.GroupName[1], "SOLO");
    EXPECT_EQ(station.GroupName[2], "");
    EXPECT_EQ(station.NcsName, "N0NCS");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StartupTest, NetConsolesOpenByTheNetSettings) {
    struct Case {
        const char* net;
        const char* ncs;
        QStringList calls;
    };
    const Case cases[] = {
        {"0", "1", {"main"}},
        {"1", "0", {"main", "member"}},
        {"1", "1", {"main", "member", "control"}},
    };
    for (const Case& c : cases) {
        put("Parms.inf", parms("N0CALL", c.net, c.ncs));
        put("MsgNo.inf", "1\r\n");
        StationRig r{dir.path()};
        ASSERT_TRUE(r.startup.start());
        r.clock.advance(0);
        EXPECT_EQ(r.host.calls, c.calls) << c.net << c.ncs;
        EXPECT_EQ(r.view.shown("lblNet"), QByteArray(c.net) == "1");
    }
}

TEST_F(StartupTest, FirstRunStoresTheCallsignAndStartsOnce) {
    put("Parms.inf", parms(""));
    ASSERT_TRUE(startup.start());
    EXPECT_EQ(host.calls, QStringList{"welcome"});
    startup.welcomeContinue(" n0call");
    EXPECT_EQ(station.settings.Callsign, " N0CALL");
    EXPECT_EQ(station.settings.FCC, " N0CALL");
    EXPECT_EQ(station.settings.SSID, " N0CALL-1");
    EXPECT_TRUE(file("Parms.inf").startsWith("Callsign= N0CALL\r\nFCC= N0CALL\r\n"));
    EXPECT_TRUE(file("Parms.inf").contains("\r\nSSID= N0CALL-1\r\n"));
    startup.welcomeContinue("again"); // a second press cannot start the station twice
    EXPECT_EQ(host.calls, (QStringList{"welcome", "main", "closeWelcome", "closeWelcome"}));
    clock.advance(0);
    EXPECT_EQ(port.writes.size(), 1u);
    // No MsgNo.inf on a new station: the operator is told and numbering starts at 1.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Lost Message Count");
    EXPECT_EQ(station.MsgNo, "1");
}

TEST_F(StartupTest, UnreadableSettingsEndTheProgram) {
    put("Parms.inf", "garbage without equals\r\n");
    EXPECT_FALSE(startup.start());
    EXPECT_TRUE(host.calls.isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Critical Fault");
}

TEST_F(StartupTest, PortThatWillNotOpenLeavesTheWindowIdle) {
    put("Parms.inf", parms("N0CALL"));
    put("MsgNo.inf", "1\r\n");
    port.refuseOpen = true;
    ASSERT_TRUE(startup.start());
    clock.advance(0);
    EXPECT_EQ(session.state(), LinkState::LinkIdle);
    EXPECT_EQ(view.pane("tbMon"), "");
    EXPECT_EQ(queries, 0);
    EXPECT_EQ(boxes.shown.back().title, "ComPort setup problem");
    startup.shutdown(); // nothing is sent, the program just ends
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(host.calls.last(), "quit");
}

TEST_F(StartupTest, EndProgramGivesBackTheUnprotoPathThenCloses) {
    put("Parms.inf", parms("N0CALL"));
    put("MsgNo.inf", "1\r\n");
    ASSERT_TRUE(startup.start());
    clock.advance(1000);
    session.SavedUnproto = "CQ VIA RELAY";
    port.writes.clear();
    sequencer.run({Step::wait(5000), Step::send("queued message")}); // gives way to shutdown
    startup.shutdown();
    startup.shutdown(); // a second request while ending changes nothing
    clock.advance(399);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0].bytes, "\r\x03\r");
    clock.advance(1);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[1].bytes, "UNPROTO CQ VIA RELAY\r");
    EXPECT_EQ(port.writes[1].at - port.writes[0].at, 400);
    clock.advance(1499);
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(host.calls.contains("quit"));
    clock.advance(1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(host.calls.last(), "quit");
    EXPECT_EQ(host.exitCode, 0);
    clock.runAll();
    EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(StartupTest, EndBeforeTheAnswerSendsTheCommandAndOneBlank) {
    put("Parms.inf", parms("N0CALL"));
    put("MsgNo.inf", "1\r\n");
    ASSERT_TRUE(startup.start());
    clock.advance(0);
    startup.shutdown();
    clock.runAll();
    ASSERT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(port.writes[2].bytes, "UNPROTO \r");
}

// Exit pressed during Disconnect's pause: the disconnect command still goes out, then shutdown's.
TEST_F(StartupTest, ShutdownLetsAPendingDisconnectGoFirst) {
    put("Parms.inf", parms("N0CALL"));
    put("MsgNo.inf", "1\r\n");
    ASSERT_TRUE(startup.start());
    clock.advance(3000);
    session.setState(LinkState::LinkConnected);
    port.writes.clear();
    rig.connect.disconnect();
    clock.advance(1000);
    startup.shutdown();
    clock.runAll();
    QList<QByteArray> written;
    for (const auto& w : port.writes)
        written << w.bytes;
    EXPECT_EQ(written,
              (QList<QByteArray>{"\r\x03", "\r", "\r\x03\r", "UNPROTO \r"})); // DisconCmd is empty here
    EXPECT_EQ(host.calls.last(), "quit");
}

// Exit during the pause before a disconnect a far station asked for: the disconnect still goes
// out, ahead of the closing commands.
TEST(Shutdown, ADisconnectAskedForGoesOutFirst) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W2DEF\r.hdr  .dis  _W2DEF _Done\rbye\r$^\r");
    rig.clock.advance(250);
    rig.startup.shutdown();
    rig.clock.runAll();
    EXPECT_EQ(rig.sent(),
              (std::vector<Sent>{{600, "\x03\r"}, {600, "D\r"}, {600, "\r\x03\r"}, {1000, "UNPROTO \r"}}));
    EXPECT_EQ(rig.host.calls.last(), "quit");
}

TEST(Counters, StopAtTheirLargestValue) {
    std::int16_t n = INT16_MAX - 1;
    increment(n);
    increment(n);
    EXPECT_EQ(n, INT16_MAX);
}
