// Whole stations over KISS: one on a sound-card modem's KISS port, running its own link layer,
// against stations on the modems' AGW ports (the modem's link layer), over real 1200-baud audio;
// and two stations over the simulator's lossy KISS channel.
#include "Soundcard.h"
#include "Stations.h"
#include "app/Application.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

// About 200 bytes, several lines, the punctuation a real message carries, different per sender.
QByteArray messageFrom(const QByteArray& call) {
    return "From " + call +
           ": water truck at the school 1400, north gate.\r\n"
           "Bring 20 jerrycans; 5 are at the church (ask for Ms. O'Neil).\r\n"
           "Road via Elm St. closed: use 3rd Ave & Pine.\r\n"
           "Reply by 1300 if you can't make it.\r\n";
}

std::string shown(QByteArray text) {
    return text.replace('\r', "<CR>").toStdString();
}

// One station of a run: its folder, call and running program.
struct Desk {
    QString dir;
    QByteArray call;
    Application* app = nullptr;
    StationLogic& logic() const { return app->logic(); }
};

// The files of messages `to` has received so far.
QStringList received(const Desk& to) {
    return QDir(to.dir + "/Messages").entryList({"r*.txt"}, QDir::Files);
}

// `from` sends a formal message to `to` over the link that is up; it must be saved at `to` as
// composed: the header and every line, after them only the blank the end marker left.
void sendMessage(const Desk& from, const Desk& to, const QByteArray& subject, int waitMs,
                 const std::function<std::string()>& why) {
    const QByteArray text = messageFrom(from.call);
    const QByteArray header = ".hdr  _" + from.call + " _" + subject;
    const int before = to.logic().station.RcvdCount;
    const QStringList earlier = received(to);
    from.logic().pending.store(subject, header, text, false);
    from.logic().sendPending();
    ASSERT_TRUE(QTest::qWaitFor([&] { return to.logic().station.RcvdCount == before + 1; }, waitMs))
        << from.call.toStdString() << " to " << to.call.toStdString() << "\n"
        << why();
    QStringList now = received(to);
    for (const QString& name : earlier)
        now.removeAll(name);
    ASSERT_EQ(now.size(), 1) << now.join(' ').toStdString();
    EXPECT_TRUE(now[0].endsWith("_" + from.call + "_" + subject + ".txt")) << now[0].toStdString();
    QByteArray saved = test::readFile(to.dir + "/Messages/" + now[0]);
    saved.replace("\r\n", "\r");
    QByteArray sent = text;
    sent.replace("\r\n", "\r");
    EXPECT_TRUE(saved.trimmed().endsWith(header + "\r\r" + sent.trimmed())) << shown(saved);
    // The sender listens a little after the send for its echo; the next step waits for that.
    (void)QTest::qWaitFor([&] { return !from.logic().sender.sending(); }, 15000);
}

bool bothIdle(const Desk& x, const Desk& y) {
    return x.logic().session.state() == LinkState::LinkIdle &&
           y.logic().session.state() == LinkState::LinkIdle;
}

// Station K on modem A's KISS port, W on modem B's AGW port, and C on modem A's AGW port, with
// modem B repeating connected frames: K calls W, W calls K, each sends a message and ends its link;
// a broadcast each way; K calls C through modem B as a digipeater and sends a message there.
TEST(KissE2E, kissStationAgainstAModemsStationsOverTheAir) {
    if (const QString missing = e2e::Air::missing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();

    QTemporaryDir tmp;
    tmp.setAutoRemove(!qEnvironmentVariableIsSet("KEEP_MODEM_LOGS")); // to read what the modems heard
    const QByteArray group = "GroupAd(0)=ZULGRP;MsgFormPref=none";
    Desk k{e2e::makeStation(tmp.filePath("k"), "N0KIS", group), "N0KIS"};
    Desk w{e2e::makeStation(tmp.filePath("w"), "N0BBB", group), "N0BBB"};
    Desk c{e2e::makeStation(tmp.filePath("c"), "N0CCC", "MsgFormPref=none"), "N0CCC"};
    ASSERT_FALSE(k.dir.isEmpty() || w.dir.isEmpty() || c.dir.isEmpty());

    e2e::Air air(tmp.filePath("air")); // ends after the stations, declared below, have closed
    QByteArray said;
    if (!air.start("N0AAA", "N0BBB", &said, QStringLiteral("cdigipeat-b"))) {
        if (said.contains("PulseAudio did not start")) GTEST_SKIP() << said.toStdString();
        FAIL() << said.toStdString();
    }
    ASSERT_TRUE(air.plugIn(k.dir, 'a', e2e::Air::Way::Kiss) && air.plugIn(w.dir, 'b') &&
                air.plugIn(c.dir, 'a'));
    const auto logs = [&] {
        return "--- modem A\n" + air.log('a').right(3000).toStdString() + "\n--- modem B\n" +
               air.log('b').right(3000).toStdString();
    };

    Application appK(k.dir), appW(w.dir), appC(c.dir);
    k.app = &appK;
    w.app = &appW;
    c.app = &appC;
    for (Application* app : {&appK, &appW, &appC})
        ASSERT_TRUE(app->start());
    for (const Desk* d : {&k, &w, &c})
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d->logic().session.SavedUnproto.isEmpty(); }, 15000))
            << d->call.toStdString();

    // Each way: the caller's link layer against the other's, a message, the caller ends the link.
    // The modem opens its calls with SABME and falls back on the KISS station's refusal.
    const struct {
        const Desk& caller;
        const Desk& called;
        QByteArray subject;
    } links[] = {{k, w, "KissOut"}, {w, k, "KissIn"}};
    for (const auto& link : links) {
        SCOPED_TRACE(link.caller.call.toStdString() + " calls " + link.called.call.toStdString());
        ASSERT_TRUE(link.caller.logic().connect.connect(link.called.call));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return link.caller.logic().session.linkUp() && link.called.logic().session.linkUp(); },
            40000))
            << logs();
        sendMessage(link.caller, link.called, link.subject, 60000, logs);
        link.caller.logic().connect.disconnect();
        ASSERT_TRUE(QTest::qWaitFor([&] { return bothIdle(link.caller, link.called); }, 30000)) << logs();
    }

    // A group broadcast each way, taken by the other member of the group. A UI frame has no
    // retries: when the far modem did not decode it, it is sent again, as an operator would.
    const struct {
        const Desk& from;
        const Desk& to;
        char hearingModem;
        QByteArray text;
    } broadcasts[] = {{k, w, 'b', "Water at the school at 1400"}, {w, k, 'a', "Shelter opens at 1600"}};
    for (const auto& b : broadcasts) {
        SCOPED_TRACE(b.from.call.toStdString() + " broadcasts");
        const int before = b.to.logic().station.RcvdCount;
        for (int attempt = 1;; ++attempt) {
            const qsizetype heard = air.log(b.hearingModem).count(b.text);
            ASSERT_TRUE(e2e::broadcastToFirstGroup(b.from.app->mainWindow(), QString::fromLatin1(b.text)));
            if (QTest::qWaitFor([&] { return air.log(b.hearingModem).count(b.text) > heard; }, 10000)) break;
            ASSERT_LT(attempt, 3) << "the far modem heard none of the broadcasts\n" << logs();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return b.to.logic().station.RcvdCount == before + 1; }, 8000))
            << logs();
        EXPECT_TRUE(b.to.app->mainWindow()
                        .findChild<QWidget*>("rtbRcvd")
                        ->property("plainText")
                        .toString()
                        .contains(QString::fromLatin1(b.text)));
    }

    // Through a digipeater: modem B repeats K's frames to C, whose modem is K's own, and C's
    // answers back; K hears its own frames repeated too and must not take them for C's.
    ASSERT_TRUE(k.logic().connect.connect("N0CCC VIA N0BBB"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return k.logic().session.linkUp() && c.logic().session.linkUp(); }, 40000))
        << logs();
    EXPECT_TRUE(air.log('a').contains("N0KIS>N0CCC,N0BBB*")) << logs();
    sendMessage(k, c, "ViaDigi", 90000, logs);
    c.logic().connect.disconnect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bothIdle(k, c); }, 30000)) << logs();

    for (Application* app : {&appK, &appW, &appC})
        app->shutdown();
    QTest::qWait(1000);
}

} // namespace

namespace {

// Two stations, each on its own link layer, over the simulator's KISS channel, which drops one
// frame in ten and doubles and delays a few: a message each way saved byte for byte, whatever the
// retries and rejects it took.
TEST(KissE2E, twoKissStationsOverALossyChannel) {
    QTemporaryDir tmp;
    QProcess sim;
    QByteArray ready;
    ASSERT_TRUE(e2e::startSimulator(sim,
                                    {"--kiss", "0", "--kiss-seed", "5", "--kiss-loss", "10", "--kiss-dup",
                                     "3", "--kiss-delay", "2:300", tmp.filePath("sim") + "=N0ZZZ"},
                                    &ready))
        << ready.toStdString();
    const qsizetype at = ready.indexOf(" kiss 127.0.0.1:");
    ASSERT_GE(at, 0) << ready.toStdString();
    const QByteArray port = ready.mid(at + 16, ready.indexOf('\n', at) - at - 16).trimmed();
    const QByteArray settings = "MsgFormPref=none";
    Desk a{e2e::makeStation(tmp.filePath("a"), "N0AAA", settings), "N0AAA"};
    Desk b{e2e::makeStation(tmp.filePath("b"), "N0BBB", settings), "N0BBB"};
    for (const Desk* d : {&a, &b}) {
        ASSERT_FALSE(d->dir.isEmpty());
        QDir().mkpath(d->dir + "/Ports");
        ASSERT_TRUE(test::writeFile(d->dir + "/Ports/COM1", "kiss-tcp 127.0.0.1:" + port + "\n"));
    }
    const auto nothing = [] { return std::string(); };

    Application appA(a.dir), appB(b.dir);
    a.app = &appA;
    b.app = &appB;
    ASSERT_TRUE(appA.start());
    ASSERT_TRUE(appB.start());
    for (const Desk* d : {&a, &b})
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d->logic().session.SavedUnproto.isEmpty(); }, 15000))
            << d->call.toStdString();
    ASSERT_TRUE(a.logic().connect.connect("N0BBB"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return a.logic().session.linkUp() && b.logic().session.linkUp(); }, 60000));
    sendMessage(a, b, "Lossy", 120000, nothing);
    sendMessage(b, a, "LossyBack", 120000, nothing);
    b.logic().connect.disconnect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bothIdle(a, b); }, 60000));

    appA.shutdown();
    appB.shutdown();
    sim.terminate();
    sim.waitForFinished(5000);
}

} // namespace
