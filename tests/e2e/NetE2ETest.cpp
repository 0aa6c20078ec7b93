// Three stations on one simulated channel run a whole net, from "Activate Net" to "Close Net",
// and a group broadcast reaches a member of the group and not a station outside it.
#include "Stations.h"
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

QString netPane(Application& station) {
    return station.mainWindow().findChild<QPlainTextEdit*>("txtNet")->toPlainText();
}

bool netShown(Application& station) {
    return !station.mainWindow().findChild<QPlainTextEdit*>("txtNet")->isHidden();
}

} // namespace

TEST(NetE2E, AWholeNetAndAGroupBroadcast) {
    QTemporaryDir tmp;
    const QString ncs =
        e2e::makeStation(tmp.filePath("ncs"), "N0NCS", "ThisNCS=1;NetOperation=1;NCSCallsign=N0NCS");
    const QString a =
        e2e::makeStation(tmp.filePath("a"), "N0AAA", "RemoteOperation=1;GroupAd(0)=ZULGRP;NCSCallsign=N0NCS");
    const QString b =
        e2e::makeStation(tmp.filePath("b"), "N0BBB", "RemoteOperation=1;GroupAd(0)=ZULGRP;NCSCallsign=N0NCS");
    ASSERT_FALSE(ncs.isEmpty() || a.isEmpty() || b.isEmpty());
    QProcess sim;
    const QString log = tmp.filePath("sim.log");
    ASSERT_TRUE(e2e::startSimulator(sim, {"--log", log, ncs + "=N0NCS", a + "=N0AAA", b + "=N0BBB"}));

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
    ASSERT_TRUE(e2e::broadcastToFirstGroup(memberA.mainWindow(), "Water at the school at 1400"));
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
