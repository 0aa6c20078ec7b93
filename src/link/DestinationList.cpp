#include "DestinationList.h"

#include "core/Lines.h"

#include <QFile>
#include <QSaveFile>

namespace tolvex::DestinationList {

namespace {
const QByteArray kThru = "  THRU: ";
}

QList<QByteArray> read(QIODevice& in) {
    const QByteArray data = in.readAll(); // all of it: a save writes back what was read
    QList<QByteArray> lines = splitLines(data);
    lines.removeIf([](const QByteArray& line) { return line.isEmpty(); });
    return lines;
}

QList<QByteArray> load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return read(file);
}

void write(QIODevice& out, const QList<QByteArray>& entries) {
    for (const QByteArray& entry : entries) {
        out.write(entry);
        out.write("\r\n");
    }
}

bool save(const QString& path, const QList<QByteArray>& entries) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    write(file, entries);
    return file.commit();
}

QByteArray buildEntry(const QByteArray& call, const std::array<QByteArray, 3>& nodes,
                      const QByteArray& note) {
    QByteArray entry = call.trimmed();
    if (!nodes[0].isEmpty()) entry += "  thru: " + nodes[0].trimmed();
    for (std::size_t i = 1; i < nodes.size(); ++i)
        if (!nodes[i].isEmpty()) entry += ',' + nodes[i].trimmed();
    entry = entry.toUpper();
    if (!note.isEmpty()) entry += "  '" + note;
    return entry;
}

QByteArray destinationOf(const QByteArray& entry) {
    QByteArray text = entry;
    const qsizetype thru = text.indexOf(kThru);
    if (thru >= 0) text = text.left(thru) + ',' + text.mid(thru + kThru.size());
    const qsizetype quote = text.indexOf('\'');
    if (quote >= 0) text.truncate(quote);
    return text.trimmed();
}

} // namespace tolvex::DestinationList
