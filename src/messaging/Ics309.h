#pragma once
// The ICS-309 communications log: one row per message received or sent in an operational period,
// read from the station's message files, and the log written as CSV. (The PDF form is drawn by
// the window library, which has the painting classes.)
//
// Times are the station's local wall-clock time, as the file stamps carry it: a period and a
// message's time are both local dates and times without a zone (QDateTime in UTC used as a plain
// date and time), so a daylight-saving change inside the period moves nothing.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <optional>
#include <vector>

namespace tolvex {

// What the form's blocks 1, 2, 3 and 5 hold.
struct Ics309Form {
    QString incident;     // 1
    QDateTime from, to;   // 2: local, from included, to not
    QString operatorName; // 3 and 5
    QString stationId;    // 3: the station's call
    QString zone;         // the zone the times are in, stated once in the heading
    QDateTime prepared;   // 5: local
};

// One row of block 4.
struct Ics309Row {
    QDateTime time; // local, to the second
    QString fromCall, fromNumber, toCall, toNumber, message;
    QString fileName; // the message file it was read from

    bool operator==(const Ics309Row&) const = default;
};

struct Ics309Rows {
    std::vector<Ics309Row> rows; // in time order
    QStringList notices;         // one per file that could not be read or dated
};

// A local date and time from "2026-12-08T14:00" or "2026-12-08 14:00" (seconds allowed);
// nothing when the text is no such date and time.
std::optional<QDateTime> parseLocalDateTime(const QString& text);

// The same as the form and the CSV show it: "2026-12-08 14:00".
QString localDateTimeText(const QDateTime& local);

// The zone as stated in the heading: its name and its offset from UTC during the period
// ("Europe/Berlin, UTC+01:00", "America/New_York, UTC-04:00 to UTC-05:00").
QString zoneText(const QTimeZone& zone, const QDateTime& from, const QDateTime& to);

// The messages in Messages/r*.txt and s*.txt of stationDir whose time lies in [from, to), in time
// order; same-second messages by their copy counter, then by file name. For a received message
// "to" is stationCall; for a sent one "from" is the call its header was sent with (stationCall
// when it has none). zone turns a file's modification time into local time (see the .cpp for how
// a message's year is found). Saved text selections are not messages and are left out.
Ics309Rows collectIcs309(const QString& stationDir, const QString& stationCall, const QDateTime& from,
                         const QDateTime& to, const QTimeZone& zone);

// The time column: "14:05" when the period lies within one day, "2026-12-08 14:05" otherwise.
QString ics309TimeText(const Ics309Form& form, const QDateTime& time);

// Text from the air as one printable line: control characters (C0, DEL, C1) become blanks, and
// text longer than maxLength is cut with "...".
QString ics309Text(const QString& text, qsizetype maxLength = 200);

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line break. A field that
// a spreadsheet would take for a formula ("=", "+", "-", "@" first) gets a leading apostrophe.
QByteArray csvField(const QString& text);

// The whole log as CSV: UTF-8, CRLF line ends, six fields on every line.
QByteArray ics309Csv(const Ics309Form& form, const std::vector<Ics309Row>& rows);

} // namespace tolvex
