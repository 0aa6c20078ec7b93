// Two stations, each on its own sound-card modem, the modems joined by a private sound server:
// a connect, a message saved byte for byte, Disconnect, and a group broadcast, all over real
// 1200-baud audio.
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

namespace {

// Runs one function of scripts/soundcard.sh; what it printed goes to `out`.
bool soundcard(const QString& call, QByteArray* out = nullptr) {
    QProcess shell;
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"), QStringLiteral("source '") + QStringLiteral(TOLVEX_SOURCE_DIR) +
                                           QStringLiteral("/scripts/soundcard.sh'; ") + call});
    const bool done = shell.waitForFinished(25000);
    if (out) *out = shell.readAll();
    return done && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
}

// The modems end however the test ends, after the stations (declared after this) have closed.
struct Modems {
    QString dir;
    ~Modems() {
        if (!dir.isEmpty()) soundcard(QStringLiteral("soundcard_stop '") + dir + QStringLiteral("'"));
    }
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SoundcardE2E, AMessageAndABroadcastOverTheAir) {
    // Real audio between two modems failed once in five local runs; until that is understood the
    // test runs only when asked for.
    if (qEnvironmentVariable("TOLVEX_SOUNDCARD_TESTS") != QLatin1String("1"))
        GTEST_SKIP() << "set TOLVEX_SOUNDCARD_TESTS=1 to run the two Dire Wolf modems";
    for (const char* program : {"direwolf", "pulseaudio"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            GTEST_SKIP() << program
                         << " is not installed (apt-get install direwolf pulseaudio libasound2-plugins)";

    QTemporaryDir tmp;
    const QByteArray group = "GroupAd(0)=ZULGRP;MsgFormPref=none";
    const QString a = e2e::makeStation(tmp.filePath("a"), "N0AAA", group);
    const QString b = e2e::makeStation(tmp.filePath("b"), "N0BBB", group);
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());

    // Modems listen on any interface: ports from the process id let runs go side by side.
    const int portA = 20000 + int(::getpid() % 4000) * 10, portB = portA + 4;
    Modems modems;
    QByteArray said;
    ASSERT_TRUE(soundcard(QStringLiteral("soundcard_start '%1' %2 %3 N0AAA N0BBB")
                              .arg(tmp.filePath("air"))
                              .arg(portA)
                              .arg(portB),
                          &said))
        << said.toStdString();
    modems.dir = tmp.filePath("air");
    for (const auto& [dir, port] : {std::pair{a, portA}, std::pair{b, portB}}) {
        QDir().mkpath(dir + "/Ports");
        QFile com(dir + "/Ports/COM1");
        ASSERT_TRUE(com.open(QIODevice::WriteOnly));
        com.write("agw 127.0.0.1:" + QByteArray::number(port) + "\n");
    }

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
        << readAll(tmp.filePath("air/modem-a.log")).toStdString();
    la.sendPending();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lb.station.RcvdCount == 1; }, 30000))
        << readAll(tmp.filePath("air/modem-b.log")).toStdString();
    const QStringList received = QDir(b + "/Messages").entryList({"r*.txt"}, QDir::Files);
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received[0].endsWith("_N0AAA_Water.txt")) << received[0].toStdString();
    QByteArray saved = readAll(b + "/Messages/" + received[0]);
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

    // A broadcast to ZULGRP goes out as a UI frame and is taken by B, a member of the group.
    ASSERT_TRUE(e2e::broadcastToFirstGroup(stationA.mainWindow(), "Water at the school at 1400"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lb.station.RcvdCount == 2; }, 15000))
        << readAll(tmp.filePath("air/modem-b.log")).toStdString();
    EXPECT_TRUE(stationB.mainWindow()
                    .findChild<QWidget*>("rtbRcvd")
                    ->property("plainText")
                    .toString()
                    .contains("Water at the school at 1400"));

    stationA.shutdown();
    stationB.shutdown();
    QTest::qWait(1000);
}
