#include "Settings.h"

namespace tolvex {

QByteArray Settings::cmdChar() const {
    bool ok = false;
    const int code = CmdCmd.trimmed().toInt(&ok);
    if (!ok || code < 0 || code > 255) return {};
    return QByteArray(1, static_cast<char>(code));
}

namespace {
template <typename Text> Text joinLines(const Text& value) {
    using Char = typename Text::value_type;
    if (!value.contains(Char(u'\r')) && !value.contains(Char(u'\n'))) return value;
    const auto isBreak = [&value](qsizetype i) { return value[i] == Char(u'\r') || value[i] == Char(u'\n'); };
    qsizetype from = 0;
    qsizetype to = value.size();
    while (from < to && isBreak(from))
        ++from;
    while (to > from && isBreak(to - 1))
        --to;
    Text line;
    line.reserve(to - from);
    for (qsizetype i = from; i < to; ++i) {
        if (!isBreak(i))
            line.append(value[i]);
        else if (!isBreak(i - 1)) // value[from] is no break, so i - 1 stays inside
            line.append(Char(u' '));
    }
    return line;
}
} // namespace

QByteArray oneLine(const QByteArray& value) {
    return joinLines(value);
}

QString oneLine(const QString& value) {
    return joinLines(value);
}

QByteArray firstWord(const QByteArray& value) {
    const qsizetype blank = value.indexOf(' ');
    if (blank < 0) return value;
    return value.left(blank).trimmed();
}

} // namespace tolvex
