// Two stations, each on its own sound-card modem, the modems joined by a private sound server:
// a connect, a message saved byte for byte, Disconnect, and a group broadcast, all over real
// 1200-baud audio.
#include "Soundcard.h"
#include "Stations.h"
#include "app/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tolvex;

TEST(SoundcardE2E, AMessageAndABroadcastOverTheAir) {
    if (const QString missing = e2e::Air::missing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();

    QTemporaryDir tmp;
    const QByteArray group = "GroupAd(0)=ZULGRP;MsgFormPref=none";
    const QString a = e2e::makeStation(tmp.filePath("a"), "N0AAA", group);
    const QString b = e2e::makeStation(tmp.filePath("b"), "N0BBB", group);
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());

    e2e::Air air(tmp.filePath("air")); // ends after the stations, declared below, have closed
    QByteArray said;
    if (!air.start("N0AAA", "N0BBB", &said)) {
        // A machine that cannot run a sound server at all cannot carry this test; any other
        // failure to start the modems is a fault.
        if (said.contains("PulseAudio did not start")) GTEST_SKIP() << said.toStdString();
        FAIL() << said.toStdString();
    }
    ASSERT_TRUE(air.plugIn(a, 'a') && air.plugIn(b, 'b'));

    Application stationA(a), stationB(b);
    ASSERT_TRUE(stationA.start());
    ASSERT_TRUE(stationB.start());
    StationLogic& la = stationA.logic();
    StationLogic& lb = stationB.logic();
    for (StationLogic* l : {&la, &lb})
        ASSERT_TRUE(QTest::qWaitFor([&] { return !l->session.SavedUnproto.isEmpty(); }, 8000));

    // About 200 bytes, several lines, the punctuation a real message carries.
    const QByteArray text = "Water truck at the school 1400, north gate.\r\n"
                            "Bring 20 jerrycans; 5 are at the church (ask for Ms. O'Neil).\r\n"
                            "Road via Elm St. closed: use 3rd Ave & Pine.\r\n"
                            "Reply by 1300 if you can't make it.\r\n";
    la.pending.store("Water", ".hdr  _N0AAA _Water", text, false);
    ASSERT_TRUE(la.connect.connect("N0BBB"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return la.session.linkUp() && lb.session.linkUp(); }, 15000))
        << air.log('a').toStdString();
    la.sendPending();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lb.station.RcvdCount == 1; }, 30000))
        << air.log('b').toStdString();
    const QStringList received = QDir(b + "/Messages").entryList({"r*.txt"}, QDir::Files);
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received[0].endsWith("_N0AAA_Water.txt")) << received[0].toStdString();
    QByteArray saved = test::readFile(b + "/Messages/" + received[0]);
    saved.replace("\r\n", "\r");
    QByteArray sent = text;
    sent.replace("\r\n", "\r");
    // The header and every line as sent; after them only the blank the end marker left.
    EXPECT_TRUE(saved.trimmed().endsWith(".hdr  _N0AAA _Water\r\r" + sent.trimmed()))
        << QByteArray(saved).replace('\r', "<CR>").toStdString();

    la.connect.disconnect();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return la.session.state() == LinkState::LinkIdle && lb.session.state() == LinkState::LinkIdle;
        },
        10000));

    // A broadcast to ZULGRP goes out as a UI frame and is taken by B, a member of the group. A UI
    // frame has no retries: when B's modem did not decode it (the air lost it), it is sent again,
    // as an operator would; when the modem did decode it, B must have taken it.
    const QByteArray broadcast = "Water at the school at 1400";
    for (int attempt = 1;; ++attempt) {
        const qsizetype heard = air.log('b').count(broadcast);
        ASSERT_TRUE(e2e::broadcastToFirstGroup(stationA.mainWindow(), QString::fromLatin1(broadcast)));
        if (QTest::qWaitFor([&] { return air.log('b').count(broadcast) > heard; }, 8000)) break;
        ASSERT_LT(attempt, 3) << "modem B heard none of the broadcasts:\n" << air.log('b').toStdString();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return lb.station.RcvdCount == 2; }, 5000))
        << air.log('b').toStdString();
    EXPECT_TRUE(stationB.mainWindow()
                    .findChild<QWidget*>("rtbRcvd")
                    ->property("plainText")
                    .toString()
                    .contains(QString::fromLatin1(broadcast)));

    stationA.shutdown();
    stationB.shutdown();
    QTest::qWait(1000);
}
