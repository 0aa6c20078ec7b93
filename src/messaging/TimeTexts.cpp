#include "TimeTexts.h"

#include <array>
#include <utility>

namespace tolvex {

namespace {

QByteArray twoDigits(int n) {
    return QByteArray::number(n).rightJustified(2, '0');
}

// bias / 30 rounded to the nearest integer, ties to even, in exact integer arithmetic.
int halfHoursRounded(int biasMinutes) {
    int q = biasMinutes / 30;
    int r = biasMinutes % 30;
    if (r < 0) { // make q the floor and r the non-negative remainder
        r += 30;
        --q;
    }
    if (2 * r > 30 || (2 * r == 30 && (q & 1) != 0)) ++q;
    return q;
}

// Date and time of day read together: if midnight passes between the two reads, read both again,
// so a stamp never pairs yesterday's date with today's 00:00.
std::pair<QDate, QTime> readNow(const Clock& clock) {
    QDate date = clock.date();
    QTime time = clock.timeOfDay();
    const QDate again = clock.date();
    if (again != date) {
        date = again;
        time = clock.timeOfDay();
    }
    return {date, time};
}

} // namespace

QByteArray DateText(const QDate& date) {
    static constexpr std::array<const char*, 12> months = {" Jan ", " Feb ", " Mar ", " Apr ",
                                                           " May ", " Jun ", " Jul ", " Aug ",
                                                           " Sep ", " Oct ", " Nov ", " Dec "};
    const int m = date.month();
    if (m < 1 || m > 12) return {};
    return twoDigits(date.day()) + months[static_cast<std::size_t>(m - 1)] +
           QByteArray::number(date.year()).rightJustified(4, '0');
}

QByteArray FileStamp(const QDate& date, const QTime& time) {
    return twoDigits(date.month()) + twoDigits(date.day()) + twoDigits(time.hour()) +
           twoDigits(time.minute()) + twoDigits(time.second());
}

QByteArray ShortTime(const QTime& time) {
    return twoDigits(time.hour()) + ':' + twoDigits(time.minute());
}

QByteArray TimeZoneText(const Clock::Zone& zone) {
    const int halfHours = halfHoursRounded(zone.biasMinutes);
    if (halfHours == 0) return " GMT ";

    struct UsZone {
        int halfHours;
        char initial;
        const char* standard;
        const char* daylight;
    };
    static constexpr std::array<UsZone, 4> zones = {{{10, 'E', " EST ", " EDT "},
                                                     {12, 'C', " CST ", " CDT "},
                                                     {14, 'M', " MST ", " MDT "},
                                                     {16, 'P', " PST ", " PDT "}}};
    // A zone that keeps standard time all year (Arizona) shows its standard abbreviation.
    const bool daylight = zone.period == Clock::Period::Daylight;
    for (const auto& z : zones) {
        if (halfHours == z.halfHours && zone.standardName.startsWith(QLatin1Char(z.initial)))
            return daylight ? z.daylight : z.standard;
    }
    return "  ";
}

QByteArray TrimNull(const QByteArray& text) {
    const qsizetype p = text.indexOf('\0');
    return p < 0 ? text : text.left(p);
}

QString TrimNull(const QString& text) {
    const qsizetype p = text.indexOf(QChar(0));
    return p < 0 ? text : text.left(p);
}

QByteArray TimeTexts::DateText() const {
    return tolvex::DateText(clock_.date());
}

QByteArray TimeTexts::FileStamp() const {
    const auto [date, time] = readNow(clock_);
    return tolvex::FileStamp(date, time);
}

QByteArray TimeTexts::ShortTime() const {
    return tolvex::ShortTime(clock_.timeOfDay());
}

QByteArray TimeTexts::TimeZoneText() const {
    return tolvex::TimeZoneText(clock_.zone());
}

QByteArray TimeTexts::StationIdTrailer() {
    if (settings_.AddFCC != 1) return {};
    const qint64 now = clock_.monotonicMs();
    if (lastIdTick_ && now - *lastIdTick_ <= IdIntervalMs) return {};
    QByteArray trailer = " de " + settings_.FCC + ' ';
    lastIdTick_ = clock_.monotonicMs();
    return trailer;
}

} // namespace tolvex
