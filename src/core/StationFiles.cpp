#include "StationFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace tolvex {

namespace {

bool copyTree(const QString& from, const QString& to) {
    QDir target(to);
    if (!target.mkpath(QStringLiteral("."))) return false;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = QDir(from).relativeFilePath(info.filePath());
        if (info.isDir()) {
            if (!target.mkpath(rel)) return false;
        } else if (!QFile::copy(info.filePath(), target.filePath(rel))) {
            return false;
        } else {
            QFile::setPermissions(target.filePath(rel),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return true;
}

} // namespace

StationPrepared prepareStation(const QString& stationDir, const QString& defaultsDir) {
    // A folder holding nothing but its Ports (the serial link made first) is still a new station.
    QStringList entries = QDir(stationDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    entries.removeAll(QStringLiteral("Ports"));
    if (!entries.isEmpty()) return StationPrepared::Existing;
    if (!QFileInfo(defaultsDir + QStringLiteral("/Parms.inf")).isFile()) return StationPrepared::Failed;
    return copyTree(defaultsDir, stationDir) ? StationPrepared::Created : StationPrepared::Failed;
}

} // namespace tolvex
