#include "core/StationFiles.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {} // namespace

TEST(StationFiles, NewOrEmptyFolderBecomesAStationExistingOneIsLeftAlone) {
    QTemporaryDir tmp;
    const QString defaults = tmp.filePath("defaults");
    ASSERT_TRUE(test::writeFile(defaults + "/Parms.inf", "Callsign=\r\n"));
    ASSERT_TRUE(test::writeFile(defaults + "/Forms/General.frm", "form"));
    QDir().mkpath(defaults + "/Messages");

    const QString fresh = tmp.filePath("new station/with blanks");
    EXPECT_EQ(prepareStation(fresh, defaults), StationPrepared::Created);
    EXPECT_TRUE(QFile::exists(fresh + "/Parms.inf"));
    EXPECT_TRUE(QFile::exists(fresh + "/Forms/General.frm"));
    EXPECT_TRUE(QDir(fresh + "/Messages").exists());

    const QString empty = tmp.filePath("empty");
    QDir().mkpath(empty);
    EXPECT_EQ(prepareStation(empty, defaults), StationPrepared::Created);

    // The serial port linked first, as for a real TNC: still a new station, the link kept.
    const QString portsOnly = tmp.filePath("ports only");
    QDir().mkpath(portsOnly + "/Ports");
    ASSERT_TRUE(QFile::link("/dev/ttyUSB0", portsOnly + "/Ports/COM1"));
    EXPECT_EQ(prepareStation(portsOnly, defaults), StationPrepared::Created);
    EXPECT_TRUE(QFile::exists(portsOnly + "/Parms.inf"));
    EXPECT_TRUE(QFileInfo(portsOnly + "/Ports/COM1").isSymLink());

    // A station that lost its Parms.inf is not silently re-made: the operator must be told.
    const QString broken = tmp.filePath("broken");
    ASSERT_TRUE(test::writeFile(broken + "/MsgNo.inf", "5\r\n"));
    EXPECT_EQ(prepareStation(broken, defaults), StationPrepared::Existing);
    EXPECT_FALSE(QFile::exists(broken + "/Parms.inf"));

    EXPECT_EQ(prepareStation(tmp.filePath("other"), tmp.filePath("no defaults")), StationPrepared::Failed);
}
