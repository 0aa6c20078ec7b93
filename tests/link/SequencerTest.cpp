#include "core/Sequencer.h"
#include "support/Doubles.h"

#include <gtest/gtest.h>

using namespace tolvex;
using tolvex::test::ManualScheduler;

namespace {
struct Line {
    qint64 at;
    QByteArray bytes;
    bool operator==(const Line&) const = default;
};
} // namespace

class SequencerTest : public ::testing::Test {
protected:
    ManualScheduler clock;
    std::vector<Line> line;
    Sequencer seq{clock, [this](const QByteArray& b) { line.push_back({clock.nowMs(), b}); }};
};

TEST_F(SequencerTest, SendsAtOnceWhenIdleAndPausesOnTheClock) {
    seq.run({Step::send("A"), Step::wait(400), Step::send("B"), Step::wait(1500), Step::send("C")});
    EXPECT_EQ(line, (std::vector<Line>{{0, "A"}}));
    clock.advance(399);
    EXPECT_EQ(line.size(), 1u);
    clock.advance(1);
    clock.advance(1500);
    EXPECT_EQ(line, (std::vector<Line>{{0, "A"}, {400, "B"}, {1900, "C"}}));
    EXPECT_FALSE(seq.busy());
}

TEST_F(SequencerTest, SecondSequenceWaitsForTheFirst) {
    seq.run({Step::send("1a"), Step::wait(200), Step::send("1b")});
    seq.run({Step::send("2a"), Step::wait(100), Step::send("2b")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{0, "1a"}, {200, "1b"}, {200, "2a"}, {300, "2b"}}));
}

TEST_F(SequencerTest, ActionsReadLateAndMayQueueMore) {
    QByteArray path = "early";
    seq.run({Step::wait(10), Step::run([&] { seq.run({Step::send(path)}); }), Step::send("after")});
    path = "late";
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{10, "after"}, {10, "late"}}));
}

TEST_F(SequencerTest, RunNowDropsWhatWasQueued) {
    seq.run({Step::send("x"), Step::wait(1000), Step::send("never")});
    seq.run({Step::send("never either")});
    clock.advance(50);
    seq.runNow({Step::send("bye"), Step::wait(400), Step::send("end")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{0, "x"}, {50, "bye"}, {450, "end"}}));
}

TEST_F(SequencerTest, RunNowFromInsideAnActionReplacesTheRest) {
    seq.run({Step::run([&] { seq.runNow({Step::send("now")}); }), Step::send("dropped")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{0, "now"}}));
}
