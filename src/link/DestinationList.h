#pragma once
// The saved destinations of the connect dialog (callsign.lst): one entry a line, in list order.
#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

class QIODevice;

namespace tolvex {

namespace DestinationList {

// Lines of a list file; CR LF, CR and LF all end a line, empty lines are dropped and bytes are
// kept as they are.
QList<QByteArray> read(QIODevice& in);
// A missing or unreadable file is an empty list.
QList<QByteArray> load(const QString& path);
// Every entry as one CR LF line. save() replaces the file whole; false when it could not.
void write(QIODevice& out, const QList<QByteArray>& entries);
bool save(const QString& path, const QList<QByteArray>& entries);

// An entry from the Add boxes: "CALL  THRU: NODE1,NODE2,NODE3  'note" (all but the note upper case).
QByteArray buildEntry(const QByteArray& call, const std::array<QByteArray, 3>& nodes, const QByteArray& note);
// The destination an entry stands for: "CALL,NODE1,NODE2", without the note.
QByteArray destinationOf(const QByteArray& entry);

} // namespace DestinationList

} // namespace tolvex
