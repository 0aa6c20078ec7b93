#include "StationLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tolvex {

namespace {

QString besideProgram(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("station-default"));
}

bool inBuildFolder(const QString& programDir) {
    return QFileInfo(besideProgram(programDir)).isDir();
}

} // namespace

QString defaultStationFiles(const QString& programDir) {
    if (inBuildFolder(programDir)) return besideProgram(programDir);
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/tolvex/station-default")));
}

QString stationDirectory(const QString& programDir, const QString& argument) {
    if (!argument.isEmpty()) return QDir(argument).absolutePath();
    return inBuildFolder(programDir) ? programDir : userStationDir();
}

QString userStationDir() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Tolvex/station");
}

} // namespace tolvex
