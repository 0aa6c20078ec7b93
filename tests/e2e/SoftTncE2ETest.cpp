// A station whose COM1 is a sound-card modem reached through AGW (here the simulator's AGW
// server): it connects to a station on a hardware-style TNC, sends a message, and disconnects.
#include "Stations.h"
#include "app/Application.h"
#include "tncsim/SimHarness.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;

TEST(SoftTncE2E, AMessageOverTheSoftwareTnc) {
    QTemporaryDir tmp;
    const QString a = e2e::makeStation(tmp.filePath("a"), "N0AGW", "MsgFormPref=none");
    const QString b = e2e::makeStation(tmp.filePath("b"), "N0BBB");
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());
    QProcess sim;
    QByteArray ready;
    ASSERT_TRUE(e2e::startSimulator(sim, {"--agw", "0", b + "=N0BBB"}, &ready));
    const QRegularExpressionMatch port =
        QRegularExpression(QStringLiteral("agw 127\\.0\\.0\\.1:(\\d+)")).match(QString::fromLatin1(ready));
    ASSERT_TRUE(port.hasMatch()) << ready.toStdString();
    QDir().mkpath(a + "/Ports");
    QFile modem(a + "/Ports/COM1");
    ASSERT_TRUE(modem.open(QIODevice::WriteOnly));
    modem.write("agw 127.0.0.1:" + port.captured(1).toLatin1() + "\n");
    modem.close();

    Application stationA(a), stationB(b);
    ASSERT_TRUE(stationA.start());
    ASSERT_TRUE(stationB.start());
    StationLogic& la = stationA.logic();
    StationLogic& lb = stationB.logic();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !la.session.SavedUnproto.isEmpty(); }, 8000))
        << stationA.mainWindow().findChild<QPlainTextEdit*>("tbMon")->toPlainText().toStdString() << " state "
        << int(la.session.state()) << " open " << la.tnc.isOpen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lb.session.SavedUnproto.isEmpty(); }, 8000));

    la.pending.store("Water", ".hdr  _N0AGW _Water", "Water truck at the school 1400.\r\n", false);
    ASSERT_TRUE(la.connect.connect("N0BBB"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return la.session.linkUp() && lb.session.linkUp(); }, 10000));
    la.sendPending();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lb.station.RcvdCount == 1; }, 20000));
    const QStringList received = QDir(b + "/Messages").entryList({"r*.txt"}, QDir::Files);
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received[0].endsWith("_N0AGW_Water.txt"));

    la.connect.disconnect();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return la.session.state() == LinkState::LinkIdle && lb.session.state() == LinkState::LinkIdle;
        },
        8000));
    stationA.shutdown();
    stationB.shutdown();
    QTest::qWait(2500);
    sim.terminate();
    sim.waitForFinished(3000);
}
