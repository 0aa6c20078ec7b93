#include "messaging/TimeTexts.h"
#include "support/Doubles.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

using Period = Clock::Period;

struct StampCase {
    QDate date;
    QTime time;
    const char* dateText;
    const char* fileStamp;
    const char* shortTime;
};

TEST(TimeTexts, DatesStampsAndShortTimes) {
    const std::vector<StampCase> cases = {
        {{2026, 12, 7}, {14, 5, 9}, "07 Dec 2026", "1207140509", "14:05"},
        {{2027, 3, 3}, {0, 0, 0}, "03 Mar 2027", "0303000000", "00:00"},
        {{2026, 1, 31}, {23, 59, 59}, "31 Jan 2026", "0131235959", "23:59"},
        {{2026, 9, 5}, {9, 5, 1}, "05 Sep 2026", "0905090501", "09:05"},
        {{2024, 2, 29}, {12, 30, 0}, "29 Feb 2024", "0229123000", "12:30"},
        {{2030, 10, 10}, {10, 10, 10}, "10 Oct 2030", "1010101010", "10:10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dateText);
        EXPECT_EQ(DateText(c.date), c.dateText);
        EXPECT_EQ(FileStamp(c.date, c.time), c.fileStamp);
        EXPECT_EQ(ShortTime(c.time), c.shortTime);
    }
}

TEST(TimeTexts, MonthNamesAreEnglishWhateverTheLocale) {
    const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (int m = 1; m <= 12; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(DateText(QDate(2026, m, 1)), QByteArray("01 ") + names[m - 1] + " 2026");
    }
    QLocale::setDefault(saved);
}

TEST(TimeTexts, ReadTheClock) {
    test::ManualClock clock;
    Settings settings;
    clock.d = QDate(2026, 3, 3);
    clock.t = QTime(7, 8, 9);
    clock.z = {300, QStringLiteral("Eastern Standard Time"), Period::Daylight, true};
    const TimeTexts texts(clock, settings);
    EXPECT_EQ(texts.DateText(), "03 Mar 2026");
    EXPECT_EQ(texts.FileStamp(), "0303070809");
    EXPECT_EQ(texts.ShortTime(), "07:08");
    EXPECT_EQ(texts.TimeZoneText(), " EDT ");
}

// A clock on which midnight passes between the read of the date and the read of the time.
class MidnightClock : public test::ManualClock {
public:
    QDate date() const override { return dateReads++ == 0 ? QDate(2026, 12, 7) : QDate(2026, 12, 8); }
    QTime timeOfDay() const override { return QTime(0, 0, 0); }
    mutable int dateReads = 0;
};

TEST(TimeTexts, FileStampNeverPairsYesterdayWithMidnight) {
    MidnightClock clock;
    Settings settings;
    EXPECT_EQ(TimeTexts(clock, settings).FileStamp(), "1208000000");
}

struct ZoneCase {
    const char* what;
    int bias;
    const char* name;
    Period period;
    const char* expected;
};

TEST(TimeTexts, TimeZoneAbbreviations) {
    const std::vector<ZoneCase> cases = {
        {"Eastern summer", 300, "Eastern Standard Time", Period::Daylight, " EDT "},
        {"Eastern winter", 300, "Eastern Standard Time", Period::Standard, " EST "},
        {"Central winter", 360, "Central Standard Time", Period::Standard, " CST "},
        {"Central summer", 360, "Central Standard Time", Period::Daylight, " CDT "},
        {"Mountain winter", 420, "Mountain Standard Time", Period::Standard, " MST "},
        {"Mountain summer", 420, "Mountain Standard Time", Period::Daylight, " MDT "},
        {"Arizona, no daylight saving", 420, "Mountain Standard Time", Period::Unknown, " MST "},
        {"Pacific winter", 480, "Pacific Standard Time", Period::Standard, " PST "},
        {"Pacific summer", 480, "Pacific Standard Time", Period::Daylight, " PDT "},
        {"Central America, no daylight saving", 360, "Central America Standard Time", Period::Unknown,
         " CST "},
        {"London winter", 0, "GMT Standard Time", Period::Standard, " GMT "},
        {"London summer", 0, "GMT Standard Time", Period::Daylight, " GMT "},
        {"Reykjavik", 0, "Greenwich Standard Time", Period::Unknown, " GMT "},
        {"India", -330, "India Standard Time", Period::Unknown, "  "},
        {"Newfoundland", 210, "Newfoundland Standard Time", Period::Standard, "  "},
        {"Central Europe", -60, "W. Europe Standard Time", Period::Daylight, "  "},
        // bias / 30 is rounded to even on a tie: 10.5 -> 10, 9.5 -> 10, 11.5 -> 12, 12.5 -> 12
        {"5 h 15 rounds to 5 h", 315, "Eastern Standard Time", Period::Standard, " EST "},
        {"4 h 45 rounds to 5 h", 285, "Eastern Standard Time", Period::Standard, " EST "},
        {"5 h 45 rounds to 6 h", 345, "Central Standard Time", Period::Standard, " CST "},
        {"6 h 15 rounds to 6 h", 375, "Central Standard Time", Period::Standard, " CST "},
        {"5 h 30 is no US zone", 330, "Central Standard Time", Period::Standard, "  "},
        {"15 min rounds to GMT", 15, "Anything", Period::Standard, " GMT "},
        {"-15 min rounds to GMT", -15, "Anything", Period::Standard, " GMT "},
        {"45 min rounds to 1 h", 45, "Anything", Period::Standard, "  "},
        {"-45 min rounds to -1 h", -45, "Anything", Period::Standard, "  "},
        // The name's first letter, case-sensitive, decides.
        {"Eastern bias, Central name", 300, "Central Standard Time", Period::Standard, "  "},
        {"Bogota", 300, "SA Pacific Standard Time", Period::Unknown, "  "},
        {"Indiana's own name", 300, "US Eastern Standard Time", Period::Standard, "  "},
        {"lower-case name", 300, "eastern standard time", Period::Standard, "  "},
        {"no name", 300, "", Period::Standard, "  "},
        {"Mountain name at Pacific bias", 480, "Mountain Standard Time", Period::Standard, "  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clock::Zone zone{c.bias, QString::fromLatin1(c.name), c.period, c.period != Period::Unknown};
        EXPECT_EQ(TimeZoneText(zone), c.expected);
    }
}

TEST(TimeTexts, TrimNull) {
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {QByteArray("abc\0def", 7), "abc"},
        {QByteArray("\0abc", 4), ""},
        {QByteArray("abc\0", 4), "abc"},
        {"abc", "abc"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in.toHex().constData());
        EXPECT_EQ(TrimNull(in), out);
        EXPECT_EQ(TrimNull(QString::fromLatin1(in)), QString::fromLatin1(out));
    }
}

class StationIdTrailerTest : public ::testing::Test {
protected:
    StationIdTrailerTest() {
        settings.FCC = "KD0ABC";
        settings.AddFCC = 1;
    }
    QByteArray at(qint64 ms) {
        clock.ms = ms;
        return texts.StationIdTrailer();
    }
    test::ManualClock clock;
    Settings settings;
    TimeTexts texts{clock, settings};
};

TEST_F(StationIdTrailerTest, OffNeverIdentifiesNorTouchesTheLastTick) {
    for (std::int16_t flag : {0, 2, -1}) {
        SCOPED_TRACE(flag);
        settings.AddFCC = flag;
        for (qint64 ms : {0LL, 300000LL, 540001LL, 10000000LL, 5000000000LL})
            EXPECT_EQ(at(ms), "");
        EXPECT_FALSE(texts.LastIdTick().has_value());
    }
    // Switched on, the first call identifies at once.
    settings.AddFCC = 1;
    EXPECT_EQ(at(5000000001LL), " de KD0ABC ");
    EXPECT_EQ(texts.LastIdTick(), 5000000001LL);
}

TEST_F(StationIdTrailerTest, AtMostOnceInNineMinutesOnAnyUptime) {
    constexpr qint64 minute = 60000;
    struct Step {
        qint64 offset;
        bool identifies;
    };
    // Offsets from the first call.
    const std::vector<Step> rhythm = {
        {0, true},              // first call after start-up
        {5 * minute, false},    // 5 minutes later
        {9 * minute, false},    // exactly 9 minutes: not more than 9
        {9 * minute + 1, true}, // 9 minutes and 1 ms
        {18 * minute, false},
        {18 * minute + 1, false}, // exactly 9 minutes after the last identification
        {18 * minute + 2, true},
        {60 * minute, true},
        {60 * minute + 1, false},
    };
    // Start-up at 0, just before 2^31 ms (24.8 days), just before 2^32 ms, and after 100 days.
    for (qint64 base : {0LL, (1LL << 31) - 4 * minute, (1LL << 32) - 4 * minute, 8640000000LL}) {
        SCOPED_TRACE(base);
        TimeTexts fresh(clock, settings);
        for (const auto& step : rhythm) {
            SCOPED_TRACE(step.offset);
            clock.ms = base + step.offset;
            EXPECT_EQ(fresh.StationIdTrailer(), step.identifies ? " de KD0ABC " : "");
        }
    }
}

} // namespace
} // namespace tolvex
