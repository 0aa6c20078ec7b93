// Two stations, each a software TNC on its own link layer over KISS, as the program drives them:
// through the simulator's lossy KISS channel, and (when the modems are installed) against a
// sound-card modem's own link layer over real 1200-baud audio.
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
    Station(const QByteArray& call, const QString& portFile) : port(settings), file(portFile) {
        settings.Callsign = call;
        settings.TNCCmd = "cmd:";
        settings.CmdCmd = "3";
        settings.ConnCmd = "C";
        settings.DisconCmd = "D";
        settings.ConverseCmd = "CONV";
        settings.UnprotoCmd = "UNPROTO";
        settings.ConnStr = "*** CONNECTED";
        settings.DisconStr = "*** DISCONNECTED";
        settings.InLineEnd = "\r";
        port.onReceived = [this](const QByteArray& bytes) { text += bytes; };
    }
    bool open() { return port.open({file}); }
    void type(const QByteArray& bytes) { port.write(bytes); }
    // Waits for `needle` after what was read before; false when it does not come in time.
    bool waitFor(const QByteArray& needle, int ms) {
        QDeadlineTimer deadline(ms);
        while (!text.contains(needle) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return text.contains(needle);
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
    sim.terminate();
    sim.waitForFinished(5000);
}

} // namespace
