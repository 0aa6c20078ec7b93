#include "Ics309.h"

#include "MessageFiles.h"
#include "MessageHeader.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace tolvex {

namespace {

// Enough of a message file for its banner, header and the first lines of a form.
constexpr qint64 kHeadBytes = 16 * 1024;
// The message number stands near the top of a form; further down it would be message text.
constexpr int kNumberLines = 12;
constexpr qsizetype kNumberLength = 20;

QDateTime naive(const QDate& date, const QTime& time) {
    return QDateTime(date, time, Qt::UTC);
}

QDateTime naive(const QDateTime& local) {
    return naive(local.date(), local.time());
}

// The parts of a message file name that are not text from the air.
struct NameStamp {
    MessageKind kind;
    int month, day, hour, minute, second;
    int copy = 1;
};

int digitsAt(const QByteArray& s, qsizetype at) {
    return (s.at(at) - '0') * 10 + (s.at(at + 1) - '0');
}

std::optional<NameStamp> nameStamp(const QByteArray& name) {
    if (name.size() < 11) return std::nullopt;
    const char letter = char(QChar::toLower(uint(uchar(name.at(0)))));
    if (letter != 'r' && letter != 's') return std::nullopt;
    for (qsizetype i = 1; i <= 10; ++i)
        if (name.at(i) < '0' || name.at(i) > '9') return std::nullopt;
    NameStamp stamp{letter == 'r' ? MessageKind::Received : MessageKind::Sent,
                    digitsAt(name, 1),
                    digitsAt(name, 3),
                    digitsAt(name, 5),
                    digitsAt(name, 7),
                    digitsAt(name, 9)};
    if (stamp.month < 1 || stamp.month > 12 || stamp.day < 1 || stamp.day > 31 || stamp.hour > 23 ||
        stamp.minute > 59 || stamp.second > 59)
        return std::nullopt;
    qsizetype at = 11;
    if (at < name.size() && name.at(at) == '-') {
        qsizetype end = at + 1;
        while (end < name.size() && end - at <= 5 && name.at(end) >= '0' && name.at(end) <= '9')
            ++end;
        if (end == at + 1) return std::nullopt;
        stamp.copy = name.mid(at + 1, end - at - 1).toInt();
        at = end;
    }
    // The correspondent's underscore, or a name that ends after its stamp.
    if (at < name.size() && name.at(at) != '_' && name.mid(at).toLower() != ".txt") return std::nullopt;
    return stamp;
}

// The stamp carries no year. It is found from a moment known to lie at or after the stamp: the
// date and time in a received message's banner (taken as the message was shown, a moment before
// its file was stamped), or, for files without a banner (sent copies), the file's modification
// time, which is the stamp's own moment, or later when the file was copied or touched since. The
// year is the latest that puts the stamp no later than that moment (with a day's grace for a
// clock set back or a banner taken a minute before midnight), so a file stamped 12-31 23:59:59
// and written on 1 January stays in the old year, and one copied months later keeps its own.
std::optional<QDateTime> stampTime(const NameStamp& stamp, const QDateTime& reference) {
    if (!reference.isValid()) return std::nullopt;
    const QDateTime latest = reference.addDays(1);
    for (int year = reference.date().year() + 1; year >= reference.date().year() - 8; --year) {
        const QDate date(year, stamp.month, stamp.day); // 29 February only in leap years
        if (!date.isValid()) continue;
        const QDateTime candidate = naive(date, QTime(stamp.hour, stamp.minute, stamp.second));
        if (candidate <= latest) return candidate;
    }
    return std::nullopt;
}

QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == '\r' || text.at(i) == '\n') {
            out.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

// "=========== MESSAGE RECEIVED  07 Dec 2026  14:05============" to that local date and time.
std::optional<QDateTime> bannerTime(const QByteArray& line) {
    static const QByteArray marker = "MESSAGE RECEIVED  ";
    const qsizetype at = line.indexOf(marker);
    if (at < 0) return std::nullopt;
    const QByteArray rest = line.mid(at + marker.size());
    static const std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (rest.size() < 18) return std::nullopt;
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (rest.mid(3, 3) == months[size_t(m)]) month = m + 1;
    bool dayOk = false, yearOk = false, hourOk = false, minuteOk = false;
    const QDate date(rest.mid(7, 4).toInt(&yearOk), month, rest.left(2).toInt(&dayOk));
    const QTime time(rest.mid(13, 2).toInt(&hourOk), rest.mid(16, 2).toInt(&minuteOk));
    if (!dayOk || !yearOk || !hourOk || !minuteOk || !date.isValid() || !time.isValid()) return std::nullopt;
    return naive(date, time);
}

// What a message file's first lines tell.
struct FileHead {
    std::optional<QDateTime> banner;
    bool hasHeader = false;
    QByteArray from, subject; // from the ".hdr" line
    QByteArray number;        // "Number:" near the top of the text
    QByteArray firstLine;     // the first line of text after the banner, for a message without header
};

FileHead readHead(const QByteArray& head) {
    FileHead read;
    const QList<QByteArray> all = lines(head);
    int afterHeader = -1;
    for (const QByteArray& line : all) {
        if (afterHeader >= 0) {
            if (afterHeader++ >= kNumberLines) break;
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith("Number:")) {
                const QByteArray value = trimmed.mid(7).trimmed();
                const qsizetype end = value.indexOf(' ');
                read.number = value.left(std::min(end < 0 ? value.size() : end, kNumberLength));
                break;
            }
            continue;
        }
        if (line.startsWith(".hdr")) {
            const MessageRequests header = parseHeader(line, false, LinkState::LinkIdle);
            read.hasHeader = true;
            read.from = header.MsgFrom;
            read.subject = header.MsgSubject;
            afterHeader = 0;
            continue;
        }
        if (!read.banner && line.contains("MESSAGE RECEIVED  ")) {
            read.banner = bannerTime(line);
            continue;
        }
        if (read.firstLine.isEmpty() && !line.trimmed().isEmpty()) read.firstLine = line.trimmed();
    }
    return read;
}

QString latin1(const QByteArray& text) {
    return QString::fromLatin1(text);
}

} // namespace

std::optional<QDateTime> parseLocalDateTime(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[T ](\\d{2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch()) return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).isEmpty() ? 0 : match.captured(6).toInt());
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return naive(date, time);
}

QString localDateTimeText(const QDateTime& local) {
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString zoneText(const QTimeZone& zone, const QDateTime& from, const QDateTime& to) {
    const auto offset = [&zone](const QDateTime& local) {
        const int seconds = zone.offsetFromUtc(QDateTime(local.date(), local.time(), zone));
        const int minutes = qAbs(seconds) / 60;
        return QStringLiteral("UTC%1%2:%3")
            .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    QString text = QString::fromLatin1(zone.id()) + QStringLiteral(", ") + offset(from);
    const QString last = offset(to.addSecs(-1));
    if (last != offset(from)) text += QStringLiteral(" to ") + last;
    return text;
}

Ics309Rows collectIcs309(const QString& stationDir, const QString& stationCall, const QDateTime& from,
                         const QDateTime& to, const QTimeZone& zone) {
    Ics309Rows out;
    struct Found {
        Ics309Row row;
        int copy;
    };
    std::vector<Found> found;
    const QString folder = stationDir + QStringLiteral("/Messages");
    // System entries too, for the broken links among them: a message file that has gone is named.
    QDirIterator files(folder, {QStringLiteral("r*.txt"), QStringLiteral("s*.txt")},
                       QDir::Files | QDir::System);
    while (files.hasNext()) {
        const QFileInfo info = files.nextFileInfo();
        const QByteArray name = info.fileName().toLatin1();
        const QString shown = QStringLiteral("Messages/") + info.fileName();
        // A pipe or device would block or never end; only files and broken links are read.
        if (!info.isFile() && !(info.isSymLink() && !info.exists())) continue;
        const std::optional<NameStamp> stamp = nameStamp(name);
        if (!stamp) {
            out.notices.append(shown + QStringLiteral(": no time stamp in its name; left out"));
            continue;
        }
        const MessageName parts = parseMessageName(name);
        const QByteArray stem = name.left(name.size() - 4); // the patterns end in ".txt"
        const qsizetype u1 = stem.indexOf('_');
        const qsizetype u2 = u1 < 0 ? -1 : stem.indexOf('_', u1 + 1);
        const QByteArray correspondent = u1 < 0 ? QByteArray() : stem.mid(u1 + 1, u2 < 0 ? -1 : u2 - u1 - 1);
        if (stamp->kind == MessageKind::Received && correspondent == "SelText") continue;

        FileHead head;
        QFile file(info.filePath());
        const bool readable = file.open(QIODevice::ReadOnly);
        if (readable) head = readHead(file.read(kHeadBytes));
        const QDateTime modified = info.lastModified();
        const std::optional<QDateTime> time =
            stampTime(*stamp, head.banner          ? *head.banner
                              : modified.isValid() ? naive(modified.toTimeZone(zone))
                                                   : QDateTime());
        if (!time) {
            out.notices.append(shown + (readable ? QStringLiteral(": its date could not be found; left out")
                                                 : QStringLiteral(": could not be read (") +
                                                       file.errorString() + QStringLiteral("); left out")));
            continue;
        }
        if (*time < from || *time >= to) continue;
        if (!readable)
            out.notices.append(shown + QStringLiteral(": could not be read (") + file.errorString() +
                               QStringLiteral("); listed from its name only"));

        Ics309Row row;
        row.time = *time;
        row.fileName = info.fileName();
        const QString subject = latin1(head.hasHeader ? head.subject : parts.subject);
        if (stamp->kind == MessageKind::Received) {
            row.fromCall = latin1(head.hasHeader && !head.from.isEmpty() ? head.from : correspondent);
            row.toCall = stationCall;
            // A broadcast carries no header: its first line (the monitor's "FROM>TO" line) says most.
            row.message = subject.isEmpty() && !head.hasHeader ? latin1(head.firstLine) : subject;
        } else {
            row.fromCall = head.hasHeader && !head.from.isEmpty() ? latin1(head.from) : stationCall;
            row.toCall = latin1(correspondent);
            row.message = subject;
        }
        row.fromNumber = latin1(head.number);
        for (QString* field : {&row.fromCall, &row.fromNumber, &row.toCall, &row.message})
            *field = ics309Text(*field);
        found.push_back({std::move(row), stamp->copy});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.row.time != b.row.time) return a.row.time < b.row.time;
        if (a.copy != b.copy) return a.copy < b.copy;
        return a.row.fileName < b.row.fileName;
    });
    out.rows.reserve(found.size());
    for (Found& f : found)
        out.rows.push_back(std::move(f.row));
    // The folder's own order is arbitrary; notices come in name order so two runs read alike.
    out.notices.sort();
    return out;
}

QString ics309TimeText(const Ics309Form& form, const QDateTime& time) {
    const bool oneDay = form.from.date() == form.to.addSecs(-1).date();
    return time.toString(oneDay ? QStringLiteral("HH:mm") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString ics309Text(const QString& text, qsizetype maxLength) {
    QString clean = text;
    for (QChar& c : clean) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0)) c = QLatin1Char(' ');
    }
    clean = clean.trimmed();
    if (clean.size() > maxLength) clean = clean.left(maxLength - 3) + QStringLiteral("...");
    return clean;
}

QByteArray csvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (!field.isEmpty() && QByteArray("=+-@").contains(field.at(0))) field.prepend('\'');
    const bool quote =
        field.contains(',') || field.contains('"') || field.contains('\r') || field.contains('\n');
    if (!quote) return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

QByteArray ics309Csv(const Ics309Form& form, const std::vector<Ics309Row>& rows) {
    constexpr int kFields = 6;
    QByteArray csv;
    const auto line = [&csv](const QStringList& fields) {
        for (int i = 0; i < kFields; ++i) {
            if (i > 0) csv += ',';
            if (i < fields.size()) csv += csvField(ics309Text(fields.at(i)));
        }
        csv += "\r\n";
    };
    line({QStringLiteral("ICS 309 Communications Log")});
    line({QStringLiteral("1. Incident Name"), form.incident});
    line({QStringLiteral("2. Operational Period From"), localDateTimeText(form.from)});
    line({QStringLiteral("2. Operational Period To"), localDateTimeText(form.to)});
    line({QStringLiteral("3. Radio Operator Name"), form.operatorName});
    line({QStringLiteral("3. Station ID"), form.stationId});
    line({QStringLiteral("Time Zone"), form.zone});
    line({QStringLiteral("4. Communications Log")});
    line({QStringLiteral("Time"), QStringLiteral("From Call Sign/ID"), QStringLiteral("From Msg #"),
          QStringLiteral("To Call Sign/ID"), QStringLiteral("To Msg #"), QStringLiteral("Message")});
    for (const Ics309Row& row : rows)
        line({ics309TimeText(form, row.time), row.fromCall, row.fromNumber, row.toCall, row.toNumber,
              row.message});
    line({QStringLiteral("5. Prepared By"), form.operatorName});
    line({QStringLiteral("5. Date/Time Prepared"), localDateTimeText(form.prepared)});
    return csv;
}

} // namespace tolvex
