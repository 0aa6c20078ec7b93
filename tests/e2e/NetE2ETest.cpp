// Three stations on one simulated channel run a whole net, from "Activate Net" to "Close Net",
// and a group broadcast reaches a member of the group and not a station outside it.
#include "app/Application.h"
#include "tncsim/SimHarness.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

const QString kBin = QStringLiteral(TOLVEX_BIN_DIR);

QString makeStation(const QString& dir, const QByteArray& call, const QByteArray& settings) {
    QDir().mkpath(dir);
    for (const QString& name : QDir(kBin + "/station-default").entryList(QDir::Files))
        QFile::copy(kBin + "/station-default/" + name, dir + "/" + name);
    QFile in(dir + "/Parms.inf");
    if (!in.open(QIODevice::ReadOnly)) return {};
    QByteArray parms = in.readAll();
    in.close();
    parms.replace("\nNCSCallsign=\r\n", "\nNCSCallsign=N0NCS\r\n")
        .replace("Callsign=\r\n", "Callsign=" + call + "\r\n")
        .replace("SSID=\r\n", "SSID=" + call + "-1\r\n")
        .replace("AlertPref=0", "AlertPref=2"); // no sound device under test
    for (const QByteArray& kv : settings.split(';')) {
        const QByteArray key = kv.left(kv.indexOf('=') + 1);
        const qsizetype at = parms.indexOf("\n" + key);
        if (at >= 0) parms.replace(at + 1, parms.indexOf('\r', at) - at - 1, kv);
    }
    QFile::setPermissions(dir + "/Parms.inf", QFile::ReadOwner | QFile::WriteOwner);
    QFile out(dir + "/Parms.inf");
    if (!out.open(QIODevice::WriteOnly)) return {};
    out.write(parms);
    return dir;
}

QString netPane(Application& station) {
    return station.mainWindow().findChild<QPlainTextEdit*>("txtNet")->toPlainText();
}

bool netShown(Application& station) {
    return !station.mainWindow().findChild<QPlainTextEdit*>("txtNet")->isHidden();
}

} // namespace

TEST(NetE2E, AWholeNetAndAGroupBroadcast) {
    QTemporaryDir tmp;
    const QString ncs = makeStation(tmp.filePath("ncs"), "N0NCS", "ThisNCS=1;NetOperation=1");
    const QString a = makeStation(tmp.filePath("a"), "N0AAA", "RemoteOperation=1;GroupAd(0)=ZULGRP");
    const QString b = makeStation(tmp.filePath("b"), "N0BBB", "RemoteOperation=1;GroupAd(0)=ZULGRP");
    ASSERT_FALSE(ncs.isEmpty() || a.isEmpty() || b.isEmpty());
    QProcess sim;
    const QString log = tmp.filePath("sim.log");
    sim.start(TNCSIM_BIN, {"--log", log, ncs + "=N0NCS", a + "=N0AAA", b + "=N0BBB"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QByteArray ready;
    for (int i = 0; i < 50 && !ready.contains("tncsim ready"); ++i) {
        sim.waitForReadyRead(100);
        ready += sim.readAllStandardOutput();
    }
    ASSERT_TRUE(ready.contains("tncsim ready"));

    Application control(ncs), memberA(a), memberB(b);
    for (Application* s : {&control, &memberA, &memberB})
        ASSERT_TRUE(s->start());
    for (Application* s : {&control, &memberA, &memberB})
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s->logic().session.SavedUnproto.isEmpty(); }, 8000));
    NetControl& console = control.logic().net.control;
    ASSERT_TRUE(QTest::qWaitFor([&] { return console.isOpen(); }, 2000));
    EXPECT_FALSE(memberA.logic().net.member.isOpen());

    // Activate Net: members allowing a remote start get the net pane and their console.
    console.buttonClicked(frmNCS::cmdActivate);
    for (Application* m : {&memberA, &memberB}) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return m->logic().net.member.isOpen() && netShown(*m); }, 8000))
            << tncsimtest::readFile(log.toStdString());
        EXPECT_TRUE(netPane(*m).contains("The net is now active")) << netPane(*m).toStdString();
    }

    // A checks in, B asks to send traffic: the control console's lists fill.
    memberA.logic().net.member.buttonClicked(frmInfoNet::cmdCkIn);
    memberB.logic().net.member.buttonClicked(frmInfoNet::cmdRTS);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return console.checkins().size() >= 1 && console.trafficRequests().size() >= 1; }, 10000));
    EXPECT_TRUE(console.blinking());

    // Permission to B, then A's check-out notice.
    console.trafficDoubleClicked(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return netPane(memberB).contains("N0BBB"); }, 8000))
        << netPane(memberB).toStdString();
    const qsizetype before = console.checkins().size();
    console.checkinDelete(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return netPane(memberA).contains("checked out"); }, 8000))
        << netPane(memberA).toStdString();
    EXPECT_EQ(console.checkins().size(), before - 1);

    // Close Net: the members' net panes close.
    console.buttonClicked(frmNCS::Command1);
    for (Application* m : {&memberA, &memberB})
        EXPECT_TRUE(QTest::qWaitFor([&] { return !netShown(*m); }, 8000));

    // A broadcast to ZULGRP reaches B (in the group) and not the control station.
    memberA.mainWindow().findChild<QPushButton*>("cmdGroup")->click();
    QWidget* dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "frmBroadcast" && top->isVisible()) dialog = top;
            return dialog != nullptr;
        },
        2000));
    auto* group = dialog->findChild<QAbstractButton*>("Option1_0");
    ASSERT_NE(group, nullptr);
    group->click();
    dialog->findChild<QLineEdit*>("Text1")->setText("Water at the school at 1400");
    dialog->findChild<QPushButton*>("cmdSend")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return memberB.logic().station.RcvdCount == 1; }, 10000))
        << tncsimtest::readFile(log.toStdString());
    auto* rcvdB = memberB.mainWindow().findChild<QWidget*>("rtbRcvd");
    EXPECT_TRUE(rcvdB->property("plainText").toString().contains("Water at the school at 1400"));
    QTest::qWait(1000);
    EXPECT_EQ(control.logic().station.RcvdCount, 0);

    for (Application* s : {&control, &memberA, &memberB})
        s->shutdown();
    QTest::qWait(2500);
    sim.terminate();
    sim.waitForFinished(3000);
}
