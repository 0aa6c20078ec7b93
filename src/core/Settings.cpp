#include "Settings.h"

namespace tolvex {

QByteArray Settings::cmdChar() const {
    bool ok = false;
    const int code = CmdCmd.trimmed().toInt(&ok);
    if (!ok || code < 0 || code > 255) return {};
    return QByteArray(1, static_cast<char>(code));
}

QByteArray firstWord(const QByteArray& value) {
    const qsizetype blank = value.indexOf(' ');
    if (blank < 0) return value;
    return value.left(blank).trimmed();
}

} // namespace tolvex
