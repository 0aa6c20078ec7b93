// What the operator is told when a serial device will not open.
#include "link/QtSerialPort.h"
#include "support/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tolvex;

TEST(QtSerialPort, OpenProblemNamesTheDeviceAndTheGroupThatGrantsIt) {
    QTemporaryDir dir;
    // Stand-ins for devices, owned by the groups serial devices have (as root the permission is
    // not enforced, so whether the user may use the device is given, as the port asks it).
    const auto device = [&](const QString& name, const QString& group) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(test::writeFile(path, ""));
        const gid_t gid = group == QLatin1String("dialout") ? 20 : group == QLatin1String("uucp") ? 10 : 0;
        EXPECT_EQ(::chown(QFile::encodeName(path).constData(), uid_t(-1), gid), 0);
        return path;
    };
    const QString ttyUsb = device("ttyUSB0", "dialout");
    const QString ttyAcm = device("ttyACM0", "uucp");
    const QString rootOnly = device("ttyS4", "root");
    ASSERT_TRUE(QFile::link(ttyUsb, dir.filePath("COM1")));
    ASSERT_EQ(QFileInfo(ttyUsb).group(), "dialout");

    using E = QSerialPort::SerialPortError;
    struct Case {
        const char* name;
        E error;
        QString device;
        bool accessible;
        QStringList says;    // parts of the text, in order
        QStringList notSays; // never in it
    };
    const Case cases[] = {
        {"no permission, dialout",
         E::PermissionError,
         ttyUsb,
         false,
         {ttyUsb + ": permission denied", "group \"dialout\"", "adduser $USER dialout", "log out and in"},
         {"in use"}},
        {"another group",
         E::PermissionError,
         ttyAcm,
         false,
         {"group \"uucp\"", "adduser $USER uucp"},
         {"dialout"}},
        // The link in Ports is followed: the operator must know the device it leads to.
        {"through a link",
         E::PermissionError,
         dir.filePath("COM1"),
         false,
         {ttyUsb + ": ", "\"dialout\""},
         {"COM1"}},
        // No group to join: no advice to join root.
        {"root's device",
         E::PermissionError,
         rootOnly,
         false,
         {rootOnly + ": permission denied", "administrator"},
         {"adduser", "\"root\""}},
        // The device cannot be looked at: Debian's group for serial devices.
        {"unknown device",
         E::PermissionError,
         "/nonexistent/ttyUSB7",
         false,
         {"/nonexistent/ttyUSB7", "\"dialout\""},
         {}},
        // A permission error on a device the user may use is another program's lock on it.
        {"locked", E::PermissionError, ttyUsb, true, {ttyUsb + " is in use by another program"}, {"adduser"}},
        {"missing", E::DeviceNotFoundError, "/dev/ttyUSB9", false, {"/dev/ttyUSB9: no such device"}, {}},
        {"other failure", E::OpenError, ttyUsb, true, {}, {}},
        {"unknown error", E::UnknownError, ttyUsb, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = serialOpenProblem(c.error, c.device, c.accessible);
        EXPECT_EQ(text.isEmpty(), c.says.isEmpty()) << text.toStdString();
        qsizetype at = 0;
        for (const QString& part : c.says) {
            const qsizetype found = text.indexOf(part, at);
            EXPECT_GE(found, 0) << "missing or out of order: " << part.toStdString() << " in "
                                << text.toStdString();
            if (found >= 0) at = found + part.size();
        }
        for (const QString& part : c.notSays)
            EXPECT_FALSE(text.contains(part)) << text.toStdString();
    }

    // The real port reports it: a device that is not there says so after the general text.
    QtSerialPort port;
    EXPECT_FALSE(port.open({dir.filePath("ttyUSB9")}));
    EXPECT_EQ(port.problem(),
              dir.filePath("ttyUSB9") + ": no such device (is the TNC's cable or USB adapter plugged in?)");
    EXPECT_FALSE(port.open({rootOnly})); // a plain file is no serial device: nothing more to say
    EXPECT_TRUE(port.problem().isEmpty()) << port.problem().toStdString();
}
