#pragma once
// Text files as the station keeps them, whatever line ends an editor left.
#include <QByteArray>
#include <QList>

namespace tolvex {

// The lines of `data`, each ended by CR LF, CR or LF; a last line without an end counts, and an
// end at the very end makes no empty line after it.
inline QList<QByteArray> splitLines(const QByteArray& data) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && data[end] != '\r' && data[end] != '\n')
            ++end;
        lines.append(data.mid(start, end - start));
        if (end < n && data[end] == '\r' && end + 1 < n && data[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace tolvex
