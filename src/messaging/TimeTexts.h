#pragma once
// Dates, time stamps, time-zone abbreviations and the station identification trailer: the exact
// texts that go into messages, banners and file names.
#include "core/Platform.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace tolvex {

// "07 Dec 2026": day with two digits, English month name, four-digit year.
QByteArray DateText(const QDate& date);
// MMDDhhmmss: ten digits, no year.
QByteArray FileStamp(const QDate& date, const QTime& time);
// HH:MM, 24-hour.
QByteArray ShortTime(const QTime& time);
// " EST ", " EDT ", " GMT " ... or two blanks for a zone not known here.
QByteArray TimeZoneText(const Clock::Zone& zone);
// The text up to (not including) its first NUL; the whole text when it holds none.
QByteArray TrimNull(const QByteArray& text);
QString TrimNull(const QString& text);

// The same texts read from the clock, and the rate-limited identification trailer.
class TimeTexts {
public:
    static constexpr qint64 IdIntervalMs = 540000; // 9 minutes

    TimeTexts(const Clock& clock, const Settings& settings) : clock_(clock), settings_(settings) {}

    QByteArray DateText() const;
    QByteArray FileStamp() const;
    QByteArray ShortTime() const;
    QByteArray TimeZoneText() const;

    // " de " + FCC + " " when AddFCC is 1 and more than 9 minutes have passed since the last
    // identification (the first call identifies at once); otherwise empty.
    QByteArray StationIdTrailer();

    // Monotonic count of the last identification; empty before the first one.
    std::optional<qint64> LastIdTick() const { return lastIdTick_; }

private:
    const Clock& clock_;
    const Settings& settings_;
    std::optional<qint64> lastIdTick_;
};

} // namespace tolvex
