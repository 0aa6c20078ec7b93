#include "Sequencer.h"

namespace tolvex {

Sequencer::~Sequencer() {
    if (waitTimer_) scheduler_.cancel(waitTimer_);
}

void Sequencer::run(Sequence sequence) {
    for (auto& step : sequence) queue_.push_back(std::move(step));
    if (!running_) pump();
}

void Sequencer::runNow(Sequence sequence) {
    if (waitTimer_) scheduler_.cancel(waitTimer_);
    waitTimer_ = 0;
    queue_.clear();
    for (auto& step : sequence) queue_.push_back(std::move(step));
    if (!pumping_) pump(); // from inside an action the running loop takes the new steps

}

void Sequencer::pump() {
    if (pumping_) return; // an action queued more steps; the loop below takes them
    pumping_ = true;
    running_ = true;
    while (!queue_.empty()) {
        Step step = std::move(queue_.front());
        queue_.pop_front();
        switch (step.kind) {
        case Step::Kind::Send:
            write_(step.bytes);
            break;
        case Step::Kind::Wait:
            waitTimer_ = scheduler_.callAfter(step.ms, [this] {
                waitTimer_ = 0;
                pump();
            });
            pumping_ = false;
            return; // still running: paused
        case Step::Kind::Action:
            if (step.action) step.action();
            break;
        }
    }
    running_ = false;
    pumping_ = false;
}

} // namespace tolvex
