#pragma once
// Every timed dialogue with the TNC is a sequence of steps: send these bytes, wait N ms, run this
// action. One sequencer runs them one after another on the event loop's timers, so two presses
// never interleave their commands at the TNC, and received text keeps being processed in between.
#include "core/Platform.h"

#include <QByteArray>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace tolvex {

struct Step {
    enum class Kind { Send, SendLate, Wait, Action };
    Kind kind;
    QByteArray bytes;
    int ms = 0;
    std::function<void()> action;
    std::function<QByteArray()> lateBytes;

    static Step send(QByteArray b) { return {Kind::Send, std::move(b), 0, {}, {}}; }
    // Bytes decided when the step comes round (the UNPROTO path learnt meanwhile, say).
    static Step sendLate(std::function<QByteArray()> fn) {
        return {Kind::SendLate, {}, 0, {}, std::move(fn)};
    }
    static Step wait(int ms) { return {Kind::Wait, {}, ms, {}, {}}; }
    static Step run(std::function<void()> fn) { return {Kind::Action, {}, 0, std::move(fn), {}}; }
};

using Sequence = std::vector<Step>;

class Sequencer {
public:
    using Id = quint64;
    enum class Outcome {
        Done,        // every step ran and every write reached the port
        WriteFailed, // every step ran, but at least one write found the port closed
        Cancelled,   // cancelled before its last step
    };
    // The one write to the TNC; false when nothing could be written (the port is closed).
    using Writer = std::function<bool(const QByteArray&)>;
    using Finished = std::function<void(Outcome)>;

    Sequencer(Scheduler& scheduler, Writer writer) : scheduler_(scheduler), write_(std::move(writer)) {}
    ~Sequencer();
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Queues a sequence behind those already waiting; starts at once (synchronously) when idle.
    Id run(Sequence sequence, Finished finished = {});
    // Goes ahead of every ordinary sequence, after the step in progress: a disconnect, command mode
    // after a link dropped. Urgent sequences run in the order they came.
    Id runUrgent(Sequence sequence, Finished finished = {});
    // Goes ahead of everything queued, right after the sequence in progress: what a step decided
    // follows it before anything queued meanwhile (a disconnect asked for, then shutdown).
    Id runNext(Sequence sequence, Finished finished = {});
    // Shutdown: every ordinary sequence, running or queued, is dropped; urgent ones still go first.
    Id runLast(Sequence sequence, Finished finished = {});
    // A queued sequence is dropped; a running one stops before its next step. Unknown ids are ignored.
    void cancel(Id id);
    bool isActive(Id id) const;
    bool busy() const { return current_ || !urgent_.empty() || !normal_.empty(); }

private:
    struct Job {
        Id id;
        bool urgent;
        std::deque<Step> steps;
        Finished finished;
        bool writeFailed = false;
        bool cancelled = false;
    };
    enum class Place { Urgent, Ordinary, Next };
    Id enqueue(Sequence sequence, Finished finished, Place place);
    void pump();
    void finishCurrent(Outcome outcome);

    Scheduler& scheduler_;
    Writer write_;
    std::optional<Job> current_;
    std::deque<Job> urgent_, normal_;
    Id nextId_ = 1;
    bool pumping_ = false;
    Scheduler::TimerId waitTimer_ = 0;
};

} // namespace tolvex
