#include "SystemClock.h"

#include <QLocale>
#include <array>

namespace tolvex {

namespace {

constexpr qint64 DaysAheadForDaylight = 400;

struct UsName {
    int standardOffsetHours; // east of UTC
    const char* abbreviation;
    const char* name;
};
constexpr std::array<UsName, 4> UsNames = {{{-5, "EST", "Eastern Standard Time"},
                                            {-6, "CST", "Central Standard Time"},
                                            {-7, "MST", "Mountain Standard Time"},
                                            {-8, "PST", "Pacific Standard Time"}}};

struct IdName {
    const char* id;
    const char* name;
};
// Ids whose tz data may carry no usable abbreviation (the POSIX-style ones) or are the main aliases.
constexpr std::array<IdName, 17> UsIds = {{
    {"America/New_York", "Eastern Standard Time"},
    {"US/Eastern", "Eastern Standard Time"},
    {"EST5EDT", "Eastern Standard Time"},
    {"America/Detroit", "Eastern Standard Time"},
    {"America/Chicago", "Central Standard Time"},
    {"US/Central", "Central Standard Time"},
    {"CST6CDT", "Central Standard Time"},
    {"America/Denver", "Mountain Standard Time"},
    {"US/Mountain", "Mountain Standard Time"},
    {"MST7MDT", "Mountain Standard Time"},
    {"America/Phoenix", "Mountain Standard Time"},
    {"US/Arizona", "Mountain Standard Time"},
    {"America/Boise", "Mountain Standard Time"},
    {"America/Los_Angeles", "Pacific Standard Time"},
    {"US/Pacific", "Pacific Standard Time"},
    {"PST8PDT", "Pacific Standard Time"},
    {"America/Shiprock", "Mountain Standard Time"},
}};

// The zone's abbreviation during standard time, looked up around the moment at.
QString standardAbbreviation(const QTimeZone& tz, const QDateTime& at) {
    if (!tz.isDaylightTime(at)) return tz.abbreviation(at);
    const QTimeZone::OffsetData next = tz.nextTransition(at);
    if (next.atUtc.isValid() && next.daylightTimeOffset == 0) return next.abbreviation;
    const int year = at.date().year();
    for (const QDate& d : {QDate(year, 1, 1), QDate(year, 7, 1)}) {
        const QDateTime probe(d, QTime(12, 0), tz);
        if (!tz.isDaylightTime(probe)) return tz.abbreviation(probe);
    }
    return {};
}

QString standardNameFor(const QTimeZone& tz, const QDateTime& at) {
    const QByteArray id = tz.id();
    for (const auto& entry : UsIds) {
        if (id == entry.id) return QString::fromLatin1(entry.name);
    }
    // Other US and Canadian zones (Indiana, Kentucky, Regina...) by their abbreviation; the offset
    // check keeps China's "CST" and Cuba's "CST" out.
    const QString abbreviation = standardAbbreviation(tz, at);
    const int offsetHours = tz.standardTimeOffset(at) / 3600;
    const bool wholeHours = tz.standardTimeOffset(at) % 3600 == 0;
    for (const auto& entry : UsNames) {
        if (wholeHours && offsetHours == entry.standardOffsetHours &&
            abbreviation == QLatin1String(entry.abbreviation))
            return QString::fromLatin1(entry.name);
    }
    return tz.displayName(QTimeZone::StandardTime, QTimeZone::LongName, QLocale::c());
}

// hasDaylightTime() is true for zones that gave daylight saving up long ago (Phoenix, Kolkata), so
// look at what lies ahead instead: a change into daylight time within the next year or so, or
// January and July of this year differing.
bool observesDaylight(const QTimeZone& tz, const QDateTime& at) {
    if (tz.isDaylightTime(at)) return true;
    const QTimeZone::OffsetData next = tz.nextTransition(at);
    if (next.atUtc.isValid() && next.daylightTimeOffset > 0 && at.daysTo(next.atUtc) <= DaysAheadForDaylight)
        return true;
    const int year = at.date().year();
    const QDateTime january(QDate(year, 1, 1), QTime(12, 0), tz);
    const QDateTime july(QDate(year, 7, 1), QTime(12, 0), tz);
    return tz.offsetFromUtc(january) != tz.offsetFromUtc(july);
}

} // namespace

SystemClock::SystemClock() {
    elapsed_.start();
}

QDate SystemClock::date() const {
    return QDate::currentDate();
}

QTime SystemClock::timeOfDay() const {
    return QTime::currentTime();
}

Clock::Zone SystemClock::zone() const {
    return zoneFor(QTimeZone::systemTimeZone(), QDateTime::currentDateTime());
}

qint64 SystemClock::monotonicMs() const {
    return elapsed_.elapsed();
}

Clock::Zone SystemClock::zoneFor(const QTimeZone& tz, const QDateTime& at) {
    Zone zone;
    if (!tz.isValid()) return zone;
    // Qt counts seconds east of UTC; the bias is minutes to add to local time to get UTC.
    zone.biasMinutes = -tz.standardTimeOffset(at) / 60;
    zone.standardName = standardNameFor(tz, at);
    zone.observesDaylight = observesDaylight(tz, at);
    if (tz.isDaylightTime(at))
        zone.period = Period::Daylight;
    else
        zone.period = zone.observesDaylight ? Period::Standard : Period::Unknown;
    return zone;
}

} // namespace tolvex
