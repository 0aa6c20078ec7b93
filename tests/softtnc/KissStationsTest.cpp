// Two stations, each a software TNC on its own link layer over KISS, as the program drives them:
// through the simulator's lossy KISS channel, and (when the modems are installed) against a
// sound-card modem's own link layer over real 1200-baud audio.
#include "TncSettings.h"
#include "softtnc/SoftTnc.h"
#include "softtnc/StationPort.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tolvex;

namespace {

// One station's port, typed to and read from as the program does.
struct Station {
    Station(const QByteArray& call, const QString& portFile)
        : settings(test::softTncSettings(call)), port(settings), file(portFile) {
        port.onReceived = [this](const QByteArray& bytes) { text += bytes; };
    }
    bool open() { return port.open({file}); }
    void type(const QByteArray& bytes) { port.write(bytes); }
    // Waits for `needle` in what was read since `from`; false when it does not come in time.
    bool waitFor(const QByteArray& needle, int ms, qsizetype from = 0) {
        QDeadlineTimer deadline(ms);
        while (text.indexOf(needle, from) < 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return text.indexOf(needle, from) >= 0;
    }
    Settings settings;
    StationPort port;
    QString file;
    QByteArray text;
};

// Printable lines, different in every run of the same size, as a message is.
QByteArray message(int size, char first) {
    QByteArray text;
    for (int i = 0; text.size() < size; ++i) {
        text += QByteArray(1, char(first + i % 20)) + " line " + QByteArray::number(i) + " of the message ";
        if (i % 3 == 2) text += '\r';
    }
    text.truncate(size - 1);
    return text + '\r';
}

TEST(KissStations, exchangeAMessageOverTheSimulatorsLossyChannel) {
    QTemporaryDir dir;
    QProcess sim;
    sim.start(QStringLiteral(TNCSIM_BIN),
              {"--kiss", "0", "--kiss-seed", qEnvironmentVariable("KISS_SEED", "3"), "--kiss-loss",
               qEnvironmentVariable("KISS_LOSS", "10"), "--kiss-dup", "3", "--kiss-delay", "2:300",
               dir.filePath("sim") + "=N0ZZZ"});
    ASSERT_TRUE(sim.waitForReadyRead(10000));
    QByteArray ready = sim.readLine();
    const qsizetype at = ready.indexOf(" kiss 127.0.0.1:");
    ASSERT_GE(at, 0) << ready.toStdString();
    const QByteArray portFile = "kiss-tcp 127.0.0.1:" + ready.mid(at + 16).trimmed() + "\n";
    ASSERT_TRUE(test::writeFile(dir.filePath("a"), portFile));
    ASSERT_TRUE(test::writeFile(dir.filePath("b"), portFile));

    Station a("N0AAA", dir.filePath("a")), b("N0BBB", dir.filePath("b"));
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    // The channel has no air time: a short T1 keeps the retries quick.
    for (Station* s : {&a, &b})
        s->type("HBAUD 19200\rFRACK 1\rTXDELAY 0\r");
    ASSERT_TRUE(a.waitFor("TXDELAY was 30\rcmd:", 5000)) << a.text.toStdString();

    a.type("C N0BBB\r");
    ASSERT_TRUE(a.waitFor("*** CONNECTED to N0BBB\r", 30000)) << a.text.toStdString();
    ASSERT_TRUE(b.waitFor("*** CONNECTED to N0AAA\r", 5000)) << b.text.toStdString();
    const QByteArray there = message(2048, 'A'), back = message(1024, 'a');
    a.type(there);
    b.type(back);
    EXPECT_TRUE(b.waitFor(there, 120000)) << b.text.size() << " bytes at B";
    EXPECT_TRUE(a.waitFor(back, 120000)) << a.text.size() << " bytes at A";
    // Byte for byte, once: nothing lost, doubled or garbled on the way.
    EXPECT_EQ(b.text,
              "HBAUD 19200\rHBAUD was 1200\rcmd:FRACK 1\rFRACK was 3\rcmd:TXDELAY 0\rTXDELAY was 30\rcmd:"
              "*** CONNECTED to N0AAA\r" +
                  back + there);

    a.type("\3D\r");
    EXPECT_TRUE(a.waitFor("*** DISCONNECTED\r", 30000)) << a.text.toStdString();
    EXPECT_TRUE(b.waitFor("*** DISCONNECTED\r", 30000)) << b.text.toStdString();

    // The KISS server going away is the device lost, with the server named in the reason.
    QList<SerialPort::Error> errors;
    a.port.onError = [&errors](SerialPort::Error e) { errors.append(e); };
    sim.terminate();
    sim.waitForFinished(5000);
    QDeadlineTimer deadline(5000);
    while (errors.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(errors, QList<SerialPort::Error>{SerialPort::Error::DeviceLost});
    EXPECT_TRUE(a.port.problem().startsWith("the KISS TNC at 127.0.0.1:")) << a.port.problem().toStdString();
}

// Two sound-card modems joined by a private sound server (scripts/soundcard.sh). Its ports end in
// 2, 3, 6 and 7, beside the end-to-end tests' pairs, which end in 0, 1, 4 and 5.
class Modems {
public:
    explicit Modems(QString dir) : dir_(std::move(dir)) {}
    ~Modems() {
        if (started_) script(QStringLiteral("soundcard_stop '%1'").arg(dir_));
    }
    bool start(QByteArray* said) {
        started_ = true;
        for (int attempt = 0; attempt < 3; ++attempt) {
            agwA_ = 20002 + int((::getpid() + attempt * 977) % 2900) * 10;
            if (script(QStringLiteral("soundcard_start '%1' %2 %3 N0AAA N0BBB")
                           .arg(dir_)
                           .arg(agwA_)
                           .arg(agwA_ + 4),
                       said))
                return true;
            if (!said->contains("already in use")) return false;
        }
        return false;
    }
    QByteArray kissA() const { return "kiss-tcp 127.0.0.1:" + QByteArray::number(agwA_ + 1) + "\n"; }
    QByteArray agwB() const { return "agw 127.0.0.1:" + QByteArray::number(agwA_ + 4) + "\n"; }

private:
    bool script(const QString& call, QByteArray* out = nullptr) const {
        QProcess shell;
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("source '" TOLVEX_SOURCE_DIR "/scripts/soundcard.sh'; ") + call});
        const bool done = shell.waitForFinished(25000);
        if (out) *out = shell.readAll();
        return done && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
    }
    QString dir_;
    int agwA_ = 0;
    bool started_ = false;
};

// Our link layer on modem A's KISS port against the modem's own on B (through AGW): a broadcast
// each way, a connect each way (the modem calls with SABME and falls back on our DM), text each
// way, a disconnect from each side.
TEST(KissStations, interworkWithASoundCardModemsLinkLayer) {
    for (const char* program : {"direwolf", "pulseaudio"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            GTEST_SKIP() << program << " is not installed";
    QTemporaryDir dir;
    dir.setAutoRemove(!qEnvironmentVariableIsSet("KEEP_MODEM_LOGS")); // to read what the modems heard
    Modems modems(dir.path());
    QByteArray said;
    ASSERT_TRUE(modems.start(&said)) << said.toStdString();
    ASSERT_TRUE(test::writeFile(dir.filePath("kiss"), modems.kissA()));
    ASSERT_TRUE(test::writeFile(dir.filePath("agw"), modems.agwB()));
    Station k("N0KIS", dir.filePath("kiss")), w("N0BBB", dir.filePath("agw"));
    ASSERT_TRUE(k.open());
    ASSERT_TRUE(w.open());

    // A broadcast each way, shown by the other's monitor.
    k.type("UNPROTO ZULGRP\rCONV\rto the group from kiss\r\3");
    ASSERT_TRUE(w.waitFor("N0KIS>ZULGRP: <UI>:\rto the group from kiss\r", 20000)) << w.text.toStdString();
    w.type("UNPROTO ZULGRP VIA N0AAA\rCONV\rto the group from agw\r\3");
    ASSERT_TRUE(k.waitFor("N0BBB>ZULGRP,N0AAA: <UI>:\rto the group from agw\r", 20000))
        << k.text.toStdString();

    k.type("C N0BBB\r");
    ASSERT_TRUE(k.waitFor("*** CONNECTED to N0BBB\r", 60000)) << k.text.toStdString();
    ASSERT_TRUE(w.waitFor("*** CONNECTED to N0KIS\r", 10000)) << w.text.toStdString();
    const QByteArray there = message(300, 'A'), back = message(300, 'a');
    k.type(there);
    ASSERT_TRUE(w.waitFor(there, 60000)) << w.text.toStdString();
    w.type(back);
    ASSERT_TRUE(k.waitFor(back, 60000)) << k.text.toStdString();
    k.type("\3D\r");
    ASSERT_TRUE(k.waitFor("*** DISCONNECTED\r", 30000)) << k.text.toStdString();
    ASSERT_TRUE(w.waitFor("*** DISCONNECTED\r", 30000)) << w.text.toStdString();

    const qsizetype kRead = k.text.size(), wRead = w.text.size();
    w.type("\3C N0KIS\r");
    ASSERT_TRUE(k.waitFor("*** CONNECTED to N0BBB\r", 60000, kRead)) << k.text.mid(kRead).toStdString();
    ASSERT_TRUE(w.waitFor("*** CONNECTED to N0KIS\r", 10000, wRead)) << w.text.mid(wRead).toStdString();
    w.type("\3D\r");
    EXPECT_TRUE(w.waitFor("*** DISCONNECTED\r", 30000, wRead)) << w.text.mid(wRead).toStdString();
    EXPECT_TRUE(k.waitFor("*** CONNECTED to N0BBB\r*** DISCONNECTED\r", 30000, kRead))
        << k.text.mid(kRead).toStdString();
}

} // namespace
