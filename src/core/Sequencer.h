#pragma once
// Every timed dialogue with the TNC is a sequence of steps: send these bytes, wait N ms, run this
// action. One sequencer runs them one after another on the event loop's timers, so two presses
// never interleave their commands at the TNC, and received text keeps being processed in between.
#include "core/Platform.h"

#include <QByteArray>
#include <deque>
#include <functional>
#include <vector>

namespace tolvex {

struct Step {
    enum class Kind { Send, Wait, Action };
    Kind kind;
    QByteArray bytes;
    int ms = 0;
    std::function<void()> action;

    static Step send(QByteArray b) { return {Kind::Send, std::move(b), 0, {}}; }
    static Step wait(int ms) { return {Kind::Wait, {}, ms, {}}; }
    static Step run(std::function<void()> fn) { return {Kind::Action, {}, 0, std::move(fn)}; }
};

using Sequence = std::vector<Step>;

class Sequencer {
public:
    using Writer = std::function<void(const QByteArray&)>;
    Sequencer(Scheduler& scheduler, Writer writer) : scheduler_(scheduler), write_(std::move(writer)) {}
    ~Sequencer();
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Queue a sequence behind those already running; starts at once (synchronously) when idle.
    void run(Sequence sequence);
    // Drop whatever is queued or paused and run this one now (shutdown).
    void runNow(Sequence sequence);
    bool busy() const { return running_ || !queue_.empty(); }

private:
    void pump();

    Scheduler& scheduler_;
    Writer write_;
    std::deque<Step> queue_;
    bool running_ = false;  // inside pump, or paused in a wait
    bool pumping_ = false;
    Scheduler::TimerId waitTimer_ = 0;
};

} // namespace tolvex
