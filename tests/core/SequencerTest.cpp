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
    bool portOpen = true;
    Sequencer seq{clock, [this](const QByteArray& b) {
                      if (portOpen) line.push_back({clock.nowMs(), b});
                      return portOpen;
                  }};
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

TEST_F(SequencerTest, ShutdownDropsOrdinarySequencesButNotAnUrgentOne) {
    seq.run({Step::send("x"), Step::wait(1000), Step::send("never")});
    seq.run({Step::send("never either")});
    clock.advance(50);
    seq.runLast({Step::send("bye"), Step::wait(400), Step::send("end")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{0, "x"}, {50, "bye"}, {450, "end"}}));

    line.clear();
    seq.runUrgent({Step::send("disc"), Step::wait(2550), Step::send("D")});
    seq.runLast({Step::send("bye")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{450, "disc"}, {3000, "D"}, {3000, "bye"}}));
}

// What a step decides goes out right after its sequence, ahead of what was queued meanwhile,
// shutdown included.
TEST_F(SequencerTest, NextGoesRightAfterTheSequenceThatQueuedIt) {
    seq.runUrgent({Step::wait(600), Step::run([&] { seq.runNext({Step::send("D")}); }), Step::send("end")});
    clock.advance(250);
    seq.runLast({Step::send("bye")});
    seq.runUrgent({Step::send("urgent")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{600, "end"}, {600, "D"}, {600, "bye"}, {600, "urgent"}}));
}

TEST_F(SequencerTest, ShutdownFromInsideAnActionReplacesTheRest) {
    seq.run({Step::run([&] { seq.runLast({Step::send("now")}); }), Step::send("dropped")});
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{0, "now"}}));
}

// A paced send is overtaken by an urgent sequence after the step in progress, or cancelled by id.
TEST_F(SequencerTest, UrgentGoesAheadAfterTheStepInProgressAndCancelStops) {
    std::vector<Sequencer::Outcome> outcomes;
    const auto record = [&](Sequencer::Outcome o) { outcomes.push_back(o); };
    const Sequencer::Id paced = seq.run(
        {Step::send("p1"), Step::wait(200), Step::send("p2"), Step::wait(200), Step::send("p3")}, record);
    seq.run({Step::send("queued")}, record);
    clock.advance(50);
    seq.runUrgent({Step::send("cmd")}, record);
    EXPECT_EQ(line.size(), 1u); // the wait in progress is not cut short
    clock.advance(150);
    EXPECT_EQ(line, (std::vector<Line>{{0, "p1"}, {200, "cmd"}, {200, "p2"}}));
    EXPECT_TRUE(seq.isActive(paced));
    seq.cancel(paced);
    EXPECT_FALSE(seq.isActive(paced));
    clock.runAll();
    EXPECT_EQ(line.back(), (Line{200, "queued"}));
    EXPECT_EQ(outcomes,
              (std::vector<Sequencer::Outcome>{Sequencer::Outcome::Done, Sequencer::Outcome::Cancelled,
                                               Sequencer::Outcome::Done}));
    seq.cancel(paced); // twice, or an unknown id: nothing happens
    seq.cancel(9999);

    // A sequence whose last step has run is done: an urgent one queued in its final pause does
    // not put it back in the queue, where a late cancel would call it cancelled.
    outcomes.clear();
    const Sequencer::Id whole = seq.run({Step::send("last"), Step::wait(200)}, record);
    clock.advance(100);
    seq.runUrgent({Step::send("drop"), Step::wait(150)}, record);
    clock.advance(120);
    seq.cancel(whole);
    clock.runAll();
    EXPECT_EQ(outcomes,
              (std::vector<Sequencer::Outcome>{Sequencer::Outcome::Done, Sequencer::Outcome::Done}));
}

TEST_F(SequencerTest, WritesToAClosedPortAreReportedAndLateBytesAreReadWhenDue) {
    Sequencer::Outcome outcome = Sequencer::Outcome::Done;
    QByteArray path = "early";
    portOpen = false;
    // A late step that decides on nothing writes nothing (the link it was for has gone).
    seq.run({Step::send("lost"), Step::wait(10), Step::sendLate([&] { return path; }),
             Step::sendLate([] { return QByteArray(); })},
            [&](Sequencer::Outcome o) { outcome = o; });
    path = "late";
    portOpen = true;
    clock.runAll();
    EXPECT_EQ(line, (std::vector<Line>{{10, "late"}}));
    EXPECT_EQ(outcome, Sequencer::Outcome::WriteFailed);
}
