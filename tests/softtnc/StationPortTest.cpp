// The station port: what Ports/COMn holds decides between the serial device and the software TNC
// on a sound-card modem.
#include "softtnc/StationPort.h"
#include "softtnc/AgwFrame.h"
#include "softtnc/Ax25Frame.h"
#include "softtnc/KissFrame.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using namespace tolvex;

namespace {

template <typename Done> bool waitFor(Done done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(StationPort, WhatEachPortFileStandsFor) {
    using Kind = PortTarget::Kind;
    struct Case {
        QByteArray contents;
        Kind kind;
        QString host;
        quint16 port;
        const char* problem; // part of the reason for a malformed modem file
    };
    const std::vector<Case> cases = {
        {"agw localhost:8000\n", Kind::Modem, "localhost", 8000, ""},
        {"agw 127.0.0.1:1", Kind::Modem, "127.0.0.1", 1, ""},
        {"  AGW \t modem.example-1.org : 65535  \r\nsecond line ignored\n", Kind::Modem,
         "modem.example-1.org", 65535, ""},
        {"agw [::1]:8001\n", Kind::Modem, "::1", 8001, ""},
        {"agw localhost:0\n", Kind::BadModem, {}, 0, "1 to 65535"},
        {"agw localhost:65536\n", Kind::BadModem, {}, 0, "1 to 65535"},
        {"agw localhost:80x\n", Kind::BadModem, {}, 0, "1 to 65535"},
        {"agw localhost:-1\n", Kind::BadModem, {}, 0, "1 to 65535"},
        {"agw localhost:\n", Kind::BadModem, {}, 0, "1 to 65535"},
        {"agw :8000\n", Kind::BadModem, {}, 0, "no host"},
        {"agw localhost\n", Kind::BadModem, {}, 0, "no port"},
        {"agw\n", Kind::BadModem, {}, 0, "no port"},
        {"agw two words:8000\n", Kind::BadModem, {}, 0, "not a host"},
        {"agw [nonsense]:8000\n", Kind::BadModem, {}, 0, "not an IPv6"},
        {"agwx localhost:8000\n", Kind::Device, {}, 0, ""},
        {"\nagw localhost:8000\n", Kind::Device, {}, 0, ""},
        {"", Kind::Device, {}, 0, ""},
        {"agw localhost:8000\n" + QByteArray(300, '#'), Kind::Device, {}, 0, ""}, // too long for a modem file
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    Settings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents.toStdString());
        ASSERT_TRUE(test::writeFile(path, c.contents));
        const PortTarget target = portTarget(path);
        EXPECT_EQ(target.kind, c.kind);
        EXPECT_EQ(modemAddress(path).has_value(), c.kind == Kind::Modem);
        if (c.kind == Kind::Modem) {
            EXPECT_EQ(target.modem, (ModemAddress{c.host, c.port}));
            EXPECT_TRUE(target.problem.isEmpty());
        }
        if (c.kind == Kind::BadModem) {
            EXPECT_TRUE(target.problem.startsWith(path)) << target.problem.toStdString();
            EXPECT_TRUE(target.problem.contains(QLatin1String(c.problem))) << target.problem.toStdString();
            // A malformed modem file fails the open with its reason, and nothing is opened.
            StationPort port(settings);
            EXPECT_FALSE(port.open({path}));
            EXPECT_EQ(port.problem(), target.problem);
            EXPECT_EQ(port.kind(), StationPort::Kind::None);
            EXPECT_FALSE(port.isOpen());
            EXPECT_FALSE(port.write("x"));
        }
        if (c.kind == Kind::Device) {
            // Not a serial device either: it is tried as one, and refuses.
            StationPort port(settings);
            EXPECT_FALSE(port.open({path}));
            EXPECT_TRUE(port.problem().isEmpty());
            EXPECT_EQ(port.kind(), StationPort::Kind::None);
        }
    }
    // A missing path and a directory are devices; a link to a modem file is the modem.
    EXPECT_EQ(portTarget(dir.filePath("COM9")).kind, Kind::Device);
    {
        // The serial port's own reason reaches the setup problem box.
        StationPort port(settings);
        EXPECT_FALSE(port.open({dir.filePath("COM9")}));
        EXPECT_TRUE(port.problem().startsWith(dir.filePath("COM9") + ": no such device"))
            << port.problem().toStdString();
    }
    EXPECT_EQ(portTarget(dir.path()).kind, Kind::Device);
    ASSERT_TRUE(test::writeFile(path, "agw localhost:8000\n"));
    ASSERT_TRUE(QFile::link(path, dir.filePath("COM2")));
    EXPECT_EQ(modemAddress(dir.filePath("COM2")), (ModemAddress{"localhost", 8000}));
}

TEST(StationPort, WritingAModemFileReplacesALinkAndRefusesBadAddresses) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Ports");
    const QString device = dir.filePath("ttyFake");
    ASSERT_TRUE(test::writeFile(device, "untouched"));
    const QString com = dir.filePath("Ports/COM1");
    ASSERT_TRUE(QFile::link(device, com));

    QString problem;
    EXPECT_FALSE(writeModemFile(com, "localhost", "0", &problem));
    EXPECT_TRUE(problem.contains("1 to 65535")) << problem.toStdString();
    EXPECT_FALSE(writeModemFile(com, "", "8000", &problem));
    EXPECT_TRUE(problem.contains("no host")) << problem.toStdString();
    EXPECT_TRUE(QFileInfo(com).isSymLink()); // refused: the link stays

    ASSERT_TRUE(writeModemFile(com, " localhost ", " 8000 ", &problem)) << problem.toStdString();
    EXPECT_FALSE(QFileInfo(com).isSymLink());
    QFile written(com);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "agw localhost:8000\n");
    QFile target(device);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), "untouched");

    ASSERT_TRUE(writeModemFile(com, "::1", "8001", &problem));
    EXPECT_EQ(modemAddress(com), (ModemAddress{"::1", 8001}));
}

TEST(StationPort, AModemFileOpensTheSoftwareTncOnThatModem) {
    QTcpServer modem;
    ASSERT_TRUE(modem.listen(QHostAddress::LocalHost));
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    ASSERT_TRUE(test::writeFile(path, "agw 127.0.0.1:" + QByteArray::number(modem.serverPort()) + "\n"));

    Settings settings;
    settings.Callsign = "n0call";
    StationPort port(settings);
    QList<SerialPort::Error> errors;
    QByteArray received;
    port.onError = [&](SerialPort::Error e) { errors.append(e); };
    port.onReceived = [&](const QByteArray& bytes) { received += bytes; };
    ASSERT_TRUE(port.open({path}));
    EXPECT_EQ(port.kind(), StationPort::Kind::Modem);
    EXPECT_TRUE(port.isOpen());
    ASSERT_NE(port.softTnc(), nullptr);

    ASSERT_TRUE(waitFor([&] { return modem.hasPendingConnections(); }));
    QTcpSocket* link = modem.nextPendingConnection();
    AgwDecoder decoder;
    QList<AgwFrame> frames;
    ASSERT_TRUE(waitFor([&] {
        frames += decoder.feed(link->readAll());
        return frames.size() >= 2;
    }));
    EXPECT_EQ(frames[0].kind, 'X');
    EXPECT_EQ(frames[0].callFrom, "N0CALL");
    EXPECT_EQ(frames[1].kind, 'm');

    // What the program types reaches the software TNC, and its answers come back from the event
    // loop, as from a serial line, never from inside the write.
    EXPECT_TRUE(port.write("MYCALL\r"));
    EXPECT_TRUE(received.isEmpty());
    ASSERT_TRUE(waitFor([&] { return received.contains("N0CALL"); })) << received.toStdString();

    // The modem going away, here inside a frame, is the device lost, as the program knows it
    // from a serial port, and the port says which modem and how.
    link->write(QByteArray(20, 'x'));
    link->flush();
    link->close();
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_EQ(errors.first(), SerialPort::Error::DeviceLost);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.problem().startsWith("the modem at 127.0.0.1:" + QString::number(modem.serverPort())))
        << port.problem().toStdString();
    EXPECT_TRUE(port.problem().endsWith("in the middle of a frame")) << port.problem().toStdString();

    // Reopening the same port reaches the modem again.
    ASSERT_TRUE(port.open({path}));
    EXPECT_TRUE(waitFor([&] { return modem.hasPendingConnections(); }));
    port.close();
    EXPECT_FALSE(port.isOpen());
}

TEST(StationPort, KissPortFiles) {
    using Kind = PortTarget::Kind;
    using Way = PortTarget::Way;
    const struct {
        QByteArray contents;
        Kind kind;
        Way way;
        QString device; // a serial device, or HOST:PORT
        int baud;
        const char* problem;
    } cases[] = {
        {"kiss /dev/ttyUSB0 57600\n", Kind::Modem, Way::KissSerial, "/dev/ttyUSB0", 57600, ""},
        {"  KISS \t /dev/serial/by-id/usb-tnc   9600 \r\n", Kind::Modem, Way::KissSerial,
         "/dev/serial/by-id/usb-tnc", 9600, ""},
        {"kiss-tcp localhost:8001\n", Kind::Modem, Way::KissTcp, "localhost:8001", 0, ""},
        {"Kiss-TCP [::1]:8001", Kind::Modem, Way::KissTcp, "::1:8001", 0, ""},
        {"kiss /dev/ttyUSB0\n", Kind::BadModem, Way::KissSerial, {}, 0, "kiss DEVICE BAUD"},
        {"kiss\n", Kind::BadModem, Way::KissSerial, {}, 0, "kiss DEVICE BAUD"},
        {"kiss /dev/ttyUSB0 fast\n", Kind::BadModem, Way::KissSerial, {}, 0, "baud rate \"fast\""},
        {"kiss /dev/ttyUSB0 12\n", Kind::BadModem, Way::KissSerial, {}, 0, "baud rate \"12\""},
        {"kiss /dev/tty USB0 9600\n", Kind::BadModem, Way::KissSerial, {}, 0, "kiss DEVICE BAUD"},
        {"kiss-tcp localhost\n", Kind::BadModem, Way::KissTcp, {}, 0, "no port"},
        {"kisstcp localhost:8001\n", Kind::Device, Way::Agw, {}, 0, ""},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    Settings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents.toStdString());
        ASSERT_TRUE(test::writeFile(path, c.contents));
        const PortTarget target = portTarget(path);
        EXPECT_EQ(target.kind, c.kind);
        EXPECT_FALSE(modemAddress(path)); // no AGW modem
        if (c.kind == Kind::Modem) {
            EXPECT_EQ(target.way, c.way);
            EXPECT_EQ(c.way == Way::KissSerial ? target.kissDevice
                                               : target.modem.host + ':' + QString::number(target.modem.port),
                      c.device);
            EXPECT_EQ(target.kissBaud, c.baud);
            // Written back in the one form, and read again as the same port.
            const QString first = c.way == Way::KissSerial ? target.kissDevice : target.modem.host;
            const QString second =
                QString::number(c.way == Way::KissSerial ? target.kissBaud : target.modem.port);
            ASSERT_TRUE(writeModemFile(path, c.way, first, second));
            const PortTarget again = portTarget(path);
            EXPECT_EQ(test::readFile(path), modemFileLine(target).toUtf8());
            EXPECT_EQ(modemFileLine(again), modemFileLine(target));
            EXPECT_EQ(again.way, c.way);
        }
        if (c.kind == Kind::BadModem) {
            EXPECT_TRUE(target.problem.startsWith(path + ": ")) << target.problem.toStdString();
            EXPECT_TRUE(target.problem.contains(QLatin1String(c.problem))) << target.problem.toStdString();
            StationPort port(settings);
            EXPECT_FALSE(port.open({path}));
            EXPECT_EQ(port.problem(), target.problem);
        }
    }
    // A serial KISS TNC that is not there.
    ASSERT_TRUE(test::writeFile(path, "kiss " + dir.filePath("ttyNone").toUtf8() + " 9600\n"));
    StationPort port(settings);
    EXPECT_FALSE(port.open({path}));
    EXPECT_EQ(port.problem(), "cannot open the KISS TNC at " + dir.filePath("ttyNone"));
    EXPECT_EQ(port.kind(), StationPort::Kind::None);
}

TEST(StationPort, ASerialKissTncThatGoesAwayIsTheDeviceLost) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave); // the port opens the device by its name
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    ASSERT_TRUE(test::writeFile(path, "kiss " + QByteArray(name) + " 9600\n"));

    Settings settings;
    settings.Callsign = "N0KIS";
    settings.ConnCmd = "C";
    StationPort port(settings);
    QList<SerialPort::Error> errors;
    port.onError = [&](SerialPort::Error e) { errors.append(e); };
    ASSERT_TRUE(port.open({path})) << port.problem().toStdString();
    // Garbage on the line is no error; a connect goes out as a KISS frame on it.
    ASSERT_EQ(::write(master, "\xC0garbage\xC0\x00\xDB\x41\xC0", 13), 13);
    port.write("C N0BBB\r");
    QByteArray out;
    ASSERT_TRUE(waitFor([&] {
        char buffer[256];
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) out.append(buffer, n);
        }
        return out.endsWith('\xC0') && out.size() > 16;
    }));
    EXPECT_EQ(decodeAx25(KissDecoder().feed(out).value(0).payload).frame->type, Ax25Type::SABM);
    EXPECT_TRUE(errors.isEmpty());

    ::close(master); // the TNC unplugged
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_EQ(errors.first(), SerialPort::Error::DeviceLost);
    EXPECT_EQ(port.problem(), "the KISS TNC at " + QString::fromLatin1(name) + ": the device is gone");
}
