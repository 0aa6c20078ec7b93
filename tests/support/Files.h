#pragma once
// The files a test writes and reads back.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace tolvex::test {

// A file's bytes, or `whenMissing` when it cannot be read: the default never equals content a
// test expects, so a missing file fails as missing.
inline QByteArray readFile(const QString& path, const QByteArray& whenMissing = "<missing>") {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : whenMissing;
}

// Writes a file whole, making its folder first; false when it cannot.
[[nodiscard]] inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace tolvex::test
