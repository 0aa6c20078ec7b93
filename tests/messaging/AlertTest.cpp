#include "messaging/Alert.h"
#include "support/Doubles.h"
#include "support/Files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

// Logs "<ms> <name>" for each start and "<ms> <name> stop" for each stop, and the files asked for.
class RecordingSound : public AlertSound {
public:
    RecordingSound(const char* name, const Scheduler& clock, QStringList& log)
        : name_(QString::fromLatin1(name)), clock_(clock), log_(log) {}
    bool play(const QString& file) override {
        log_ << QString::number(clock_.nowMs()) + u' ' + name_;
        files << file;
        return starts;
    }
    void stop() override { log_ << QString::number(clock_.nowMs()) + u' ' + name_ + QStringLiteral(" stop"); }
    bool started() const override { return sounds; }
    bool starts = true;
    bool sounds = true; // false: takes the file, then never plays it
    QStringList files;

private:
    QString name_;
    const Scheduler& clock_;
    QStringList& log_;
};

struct Step {
    qint64 at;
    const char* what; // "alert", or "<immediate|fallback> <works|fails|silent>" from then on
};

struct AlertCase {
    const char* what;
    std::vector<Step> steps;
    QStringList log;
};

TEST(Alert, PlaysAtOnceOrThroughTheFallback) {
    const std::vector<AlertCase> cases = {
        {"immediate play works: the tick only disarms", {{0, "alert"}}, {"0 immediate"}},
        {"fallback 3.5 s after the alert, stopped 3.5 s later",
         {{0, "immediate fails"}, {0, "alert"}},
         {"0 immediate", "3500 fallback", "7000 fallback stop"}},
        {"failing fallback retried every 3.5 s",
         {{0, "immediate fails"}, {0, "fallback fails"}, {0, "alert"}, {12000, "fallback works"}},
         {"0 immediate", "3500 fallback", "7000 fallback", "10500 fallback", "14000 fallback",
          "17500 fallback stop"}},
        {"immediate takes the file but never sounds: the fallback plays at the tick",
         {{0, "immediate silent"}, {0, "alert"}},
         {"0 immediate", "3500 immediate stop", "3500 fallback", "7000 fallback stop"}},
        {"a new alert restarts the wait",
         {{0, "immediate fails"}, {0, "alert"}, {2000, "alert"}},
         {"0 immediate", "2000 immediate", "5500 fallback", "9000 fallback stop"}},
        {"alert while the fallback plays, then the immediate play works",
         {{0, "immediate fails"}, {0, "alert"}, {4000, "immediate works"}, {4000, "alert"}},
         {"0 immediate", "3500 fallback", "4000 fallback stop", "4000 immediate"}},
        {"alert while the fallback plays, immediate fails again",
         {{0, "immediate fails"}, {0, "alert"}, {4000, "alert"}},
         {"0 immediate", "3500 fallback", "4000 fallback stop", "4000 immediate", "7500 fallback",
          "11000 fallback stop"}},
        {"alert after the fallback was stopped stops nothing more",
         {{0, "immediate fails"}, {0, "alert"}, {10000, "alert"}},
         {"0 immediate", "3500 fallback", "7000 fallback stop", "10000 immediate", "13500 fallback",
          "17000 fallback stop"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir station;
        test::ManualScheduler scheduler;
        QStringList log;
        RecordingSound immediate("immediate", scheduler, log);
        RecordingSound fallback("fallback", scheduler, log);
        Alert alert(scheduler, immediate, fallback, station.path());

        for (const auto& step : c.steps) {
            scheduler.advance(step.at - scheduler.nowMs());
            const QString what = QString::fromLatin1(step.what);
            if (what == QLatin1String("alert")) {
                alert.play();
                continue;
            }
            const QStringList parts = what.split(u' ');
            RecordingSound& sound = parts[0] == QLatin1String("immediate") ? immediate : fallback;
            sound.starts = parts[1] != QLatin1String("fails");
            sound.sounds = parts[1] == QLatin1String("works");
        }
        scheduler.advance(60000);

        EXPECT_EQ(log, c.log);
        EXPECT_EQ(scheduler.pending(), 0u) << "the sound timer is off once the alert is over";
        for (const auto& file : immediate.files + fallback.files)
            EXPECT_EQ(file, station.filePath(QStringLiteral("pmr.wav")));
    }
}

TEST(Alert, DestroyedAlertLeavesNoTimerAndNoSound) {
    test::ManualScheduler scheduler;
    QStringList log;
    RecordingSound immediate("immediate", scheduler, log);
    RecordingSound fallback("fallback", scheduler, log);
    immediate.starts = false;
    {
        Alert alert(scheduler, immediate, fallback, QStringLiteral("/station"));
        alert.play();
        scheduler.advance(3500);
        EXPECT_EQ(scheduler.pending(), 1u);
    }
    EXPECT_EQ(scheduler.pending(), 0u);
    EXPECT_EQ(log, (QStringList{"0 immediate", "3500 fallback", "3500 fallback stop"}));
}

TEST(Alert, IsWaveFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeFile(dir.filePath("good.wav"), QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16)));
    ASSERT_TRUE(test::writeFile(dir.filePath("short.wav"), "RIFF"));
    ASSERT_TRUE(test::writeFile(dir.filePath("avi.wav"), QByteArray("RIFF\x24\0\0\0AVI LIST", 16)));
    ASSERT_TRUE(test::writeFile(dir.filePath("text.wav"), "this is not a sound file"));
    EXPECT_TRUE(isWaveFile(dir.filePath("good.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("short.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("avi.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("text.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("missing.wav")));
}

} // namespace
} // namespace tolvex
