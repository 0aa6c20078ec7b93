#include "core/SystemClock.h"
#include "core/QtScheduler.h"
#include "messaging/TimeTexts.h"

#include <QEventLoop>
#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

using Period = Clock::Period;

struct ZoneCase {
    const char* id;
    QDate date;
    int bias;
    const char* name; // nullptr: not checked (the name comes from the locale data)
    Period period;
    const char* text;
};

TEST(SystemClock, ZonesOfTheWorld) {
    const QDate jan(2026, 1, 15);
    const QDate jul(2026, 7, 15);
    const std::vector<ZoneCase> cases = {
        {"America/New_York", jan, 300, "Eastern Standard Time", Period::Standard, " EST "},
        {"America/New_York", jul, 300, "Eastern Standard Time", Period::Daylight, " EDT "},
        {"US/Eastern", jul, 300, "Eastern Standard Time", Period::Daylight, " EDT "},
        {"America/Indiana/Indianapolis", jan, 300, "Eastern Standard Time", Period::Standard, " EST "},
        {"America/Chicago", jan, 360, "Central Standard Time", Period::Standard, " CST "},
        {"America/Regina", jul, 360, "Central Standard Time", Period::Unknown, " CST "},
        {"America/Denver", jul, 420, "Mountain Standard Time", Period::Daylight, " MDT "},
        {"America/Phoenix", jan, 420, "Mountain Standard Time", Period::Unknown, " MST "},
        {"America/Phoenix", jul, 420, "Mountain Standard Time", Period::Unknown, " MST "},
        {"America/Los_Angeles", jan, 480, "Pacific Standard Time", Period::Standard, " PST "},
        {"America/Los_Angeles", jul, 480, "Pacific Standard Time", Period::Daylight, " PDT "},
        {"Europe/London", jan, 0, nullptr, Period::Standard, " GMT "},
        {"Europe/London", jul, 0, nullptr, Period::Daylight, " GMT "},
        {"Asia/Kolkata", jul, -330, nullptr, Period::Unknown, "  "},
        {"Australia/Sydney", jan, -600, nullptr, Period::Daylight, "  "},
        {"Australia/Sydney", jul, -600, nullptr, Period::Standard, "  "},
        {"UTC", jul, 0, nullptr, Period::Unknown, " GMT "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + c.date.toString(Qt::ISODate).toStdString());
        const QTimeZone tz(c.id);
        ASSERT_TRUE(tz.isValid());
        const Clock::Zone zone = SystemClock::zoneFor(tz, QDateTime(c.date, QTime(12, 0), tz));
        EXPECT_EQ(zone.biasMinutes, c.bias);
        if (c.name) {
            EXPECT_EQ(zone.standardName, QString::fromLatin1(c.name));
        }
        EXPECT_EQ(zone.period, c.period);
        EXPECT_EQ(zone.observesDaylight, c.period != Period::Unknown);
        EXPECT_EQ(TimeZoneText(zone), c.text);
    }
}

TEST(SystemClock, OtherCountriesCstIsNotUsCentral) {
    const QDate jan(2026, 1, 15);
    for (const char* id : {"Asia/Shanghai", "America/Havana"}) {
        SCOPED_TRACE(id);
        const QTimeZone tz(id);
        const Clock::Zone zone = SystemClock::zoneFor(tz, QDateTime(jan, QTime(12, 0), tz));
        EXPECT_NE(zone.standardName, QStringLiteral("Central Standard Time"));
        EXPECT_EQ(TimeZoneText(zone), "  ");
    }
}

TEST(QtScheduler, RunsFromTheEventLoopInTimeOrderAndCancels) {
    QtScheduler scheduler;
    std::vector<int> ran;
    QEventLoop loop;
    const auto record = [&](int what) {
        ran.push_back(what);
        if (ran.size() == 3) loop.quit();
    };
    scheduler.callAfter(30, [&] { record(30); });
    const auto cancelled = scheduler.callAfter(10, [&] { record(-1); });
    scheduler.callAfter(0, [&] {
        record(0);
        // A call may schedule another one.
        scheduler.callAfter(0, [&] { record(1); });
    });
    scheduler.callAfter(5000, [&] { loop.quit(); }); // guard only
    scheduler.cancel(cancelled);
    scheduler.cancel(12345);  // unknown ids are ignored
    EXPECT_TRUE(ran.empty()); // never synchronously
    loop.exec();
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(ran[0], 0);
    EXPECT_NE(std::find(ran.begin(), ran.end(), 1), ran.end());
    EXPECT_NE(std::find(ran.begin(), ran.end(), 30), ran.end());
    EXPECT_EQ(scheduler.pending(), 1u); // the guard
}

TEST(QtScheduler, DestroyedWithTimersPendingRunsNone) {
    bool ran = false;
    {
        QtScheduler scheduler;
        scheduler.callAfter(0, [&] { ran = true; });
    }
    QEventLoop loop;
    QtScheduler other;
    other.callAfter(20, [&] { loop.quit(); });
    loop.exec();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace tolvex
