#include "core/StationLocation.h"
#include "core/StationFiles.h"
#include "support/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

// Every file under a folder with its bytes: a tree that was written to reads back different.
QMap<QString, QByteArray> tree(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path), test::readFile(path));
    }
    return files;
}

// XDG_DATA_HOME for one test, put back afterwards.
class DataHome {
public:
    explicit DataHome(const QByteArray& value)
        : old_(qgetenv("XDG_DATA_HOME")), had_(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
        if (value.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", value);
    }
    ~DataHome() {
        if (had_)
            qputenv("XDG_DATA_HOME", old_);
        else
            qunsetenv("XDG_DATA_HOME");
    }

private:
    QByteArray old_;
    bool had_;
};

} // namespace

// Paths below are relative to a temporary root; "~" stands for HOME's data folder when
// XDG_DATA_HOME is unset.
TEST(StationLocation, BuildFolderAndInstalledLayoutsWithAndWithoutArgument) {
    struct Case {
        const char* name;
        const char* programDir; // a build tree has station-default beside the program
        bool installed;
        const char* argument;
        bool xdgSet;
        const char* station;
        const char* defaults;
    };
    const Case cases[] = {
        {"build, no argument", "build/bin", false, "", true, "build/bin", "build/bin/station-default"},
        {"build, argument", "build/bin", false, "practice", true, "practice", "build/bin/station-default"},
        {"installed, no argument", "usr/bin", true, "", true, "xdg/Tolvex/station",
         "usr/share/tolvex/station-default"},
        {"installed, argument", "usr/bin", true, "my station", true, "my station",
         "usr/share/tolvex/station-default"},
        {"installed, no XDG_DATA_HOME", "usr/bin", true, "", false, "~/Tolvex/station",
         "usr/share/tolvex/station-default"},
        // Copied alone somewhere, with no defaults anywhere: still never the program's own folder.
        {"bare program", "opt", false, "", true, "xdg/Tolvex/station", "share/tolvex/station-default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QString root = tmp.path();
        const QString program = root + "/" + c.programDir;
        const QString defaultsDir =
            c.installed ? root + "/usr/share/tolvex/station-default" : program + "/station-default";
        if (QString(c.programDir) != "opt") {
            ASSERT_TRUE(test::writeFile(defaultsDir + "/Parms.inf", "Callsign=\r\n"));
            ASSERT_TRUE(test::writeFile(defaultsDir + "/Forms/General.frm", "form"));
        }
        QDir().mkpath(program);
        const DataHome home(c.xdgSet ? (root + "/xdg").toUtf8() : QByteArray());
        const QString dataHome = QDir::homePath() + "/.local/share";
        const auto expand = [&](const QString& rel) {
            return rel.startsWith('~') ? dataHome + rel.mid(1) : root + "/" + rel;
        };

        const QString argument = *c.argument ? root + "/" + c.argument : QString();
        const QString station = stationDirectory(program, argument);
        EXPECT_EQ(station, expand(c.station));
        EXPECT_EQ(defaultStationFiles(program), expand(c.defaults));
        // HOME is not the test's to fill; a build folder's station is already there.
        if (!c.xdgSet || QString(c.programDir) == "opt" || station == program) continue;

        // The first run makes the station from the defaults and writes only there.
        const auto before = tree(root + "/usr");
        ASSERT_EQ(prepareStation(station, defaultStationFiles(program)), StationPrepared::Created);
        EXPECT_EQ(test::readFile(station + "/Forms/General.frm"), "form");
        ASSERT_TRUE(test::writeFile(station + "/Parms.inf", "Callsign=N0TLV\r\n"));
        EXPECT_EQ(prepareStation(station, defaultStationFiles(program)), StationPrepared::Existing);
        EXPECT_EQ(tree(root + "/usr"), before);
        EXPECT_EQ(test::readFile(defaultsDir + "/Parms.inf"), "Callsign=\r\n");
    }
}
