// The whole station against a node-style monitor, which shows other stations' connect requests
// and link text too: on a net control station whose net call is its own call, the monitored
// connect request to it is not net traffic, and the message that follows is taken once.
#include "Stations.h"
#include "app/Application.h"
#include "tncsim/SimHarness.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace tolvex;

TEST(ReceiverE2E, AMonitoredConnectRequestIsNotNetTraffic) {
    QTemporaryDir tmp;
    const QString ncs =
        e2e::makeStation(tmp.filePath("ncs"), "N0NCS", "ThisNCS=1;NetOperation=1;NCSCallsign=N0NCS");
    ASSERT_FALSE(ncs.isEmpty());
    QDir().mkpath(ncs + "/Messages");
    QFile script(tmp.filePath("far.script"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("station N0FAR\nwait 4000\nconnect N0NCS\nwait 500\n"
                 "send .hdr  _N0FAR _Shelter count\nsend\nsend Shelter 3 holds 41 people.\n"
                 "send $^\nwait 500\ndisconnect\n");
    script.close();
    QProcess sim;
    const QString log = tmp.filePath("sim.log");
    ASSERT_TRUE(e2e::startSimulator(
        sim, {"--monitor", "bpq", "--script", script.fileName(), "--log", log, ncs + "=N0NCS"}));

    Application station(ncs);
    ASSERT_TRUE(station.start());
    auto* rcvd = station.mainWindow().findChild<QTextEdit*>("rtbRcvd");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rcvd->toPlainText().contains("41 people"); }, 12000))
        << tncsimtest::readFile(log.toStdString());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return station.logic().session.state() == LinkState::LinkIdle; }, 5000));
    EXPECT_TRUE(tncsimtest::readFile(log.toStdString()).find("<C C P>") != std::string::npos);
    EXPECT_EQ(rcvd->toPlainText().count(QStringLiteral("MESSAGE RECEIVED")), 1)
        << rcvd->toPlainText().toStdString();
    EXPECT_EQ(QDir(ncs + "/Messages").entryList({QStringLiteral("r*")}, QDir::Files).size(), 1);
    sim.terminate();
    sim.waitForFinished(3000);
}
