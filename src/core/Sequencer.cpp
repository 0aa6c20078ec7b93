#include "Sequencer.h"

#include <algorithm>

namespace tolvex {

Sequencer::~Sequencer() {
    if (waitTimer_) scheduler_.cancel(waitTimer_);
}

Sequencer::Id Sequencer::enqueue(Sequence sequence, Finished finished, Place place) {
    Job job{nextId_++, place != Place::Ordinary, {}, std::move(finished)};
    for (auto& step : sequence)
        job.steps.push_back(std::move(step));
    const Id id = job.id;
    if (place == Place::Next)
        urgent_.push_front(std::move(job));
    else
        (job.urgent ? urgent_ : normal_).push_back(std::move(job));
    pump();
    return id;
}

Sequencer::Id Sequencer::run(Sequence sequence, Finished finished) {
    return enqueue(std::move(sequence), std::move(finished), Place::Ordinary);
}

Sequencer::Id Sequencer::runUrgent(Sequence sequence, Finished finished) {
    return enqueue(std::move(sequence), std::move(finished), Place::Urgent);
}

Sequencer::Id Sequencer::runNext(Sequence sequence, Finished finished) {
    return enqueue(std::move(sequence), std::move(finished), Place::Next);
}

Sequencer::Id Sequencer::runLast(Sequence sequence, Finished finished) {
    std::vector<Id> dropped;
    for (const Job& job : normal_)
        dropped.push_back(job.id);
    if (current_ && !current_->urgent) dropped.push_back(current_->id);
    for (const Id id : dropped)
        cancel(id);
    return runUrgent(std::move(sequence), std::move(finished));
}

bool Sequencer::isActive(Id id) const {
    const auto has = [id](const std::deque<Job>& q) {
        return std::any_of(q.begin(), q.end(), [id](const Job& j) { return j.id == id; });
    };
    return (current_ && current_->id == id && !current_->cancelled) || has(urgent_) || has(normal_);
}

void Sequencer::cancel(Id id) {
    for (auto* queue : {&urgent_, &normal_}) {
        const auto it = std::find_if(queue->begin(), queue->end(), [id](const Job& j) { return j.id == id; });
        if (it == queue->end()) continue;
        Finished finished = std::move(it->finished);
        queue->erase(it);
        if (finished) finished(Outcome::Cancelled);
        return;
    }
    if (!current_ || current_->id != id) return;
    if (pumping_) {
        current_->cancelled = true; // the running loop stops it before its next step
        return;
    }
    if (waitTimer_) scheduler_.cancel(waitTimer_);
    waitTimer_ = 0;
    finishCurrent(Outcome::Cancelled);
    pump();
}

void Sequencer::finishCurrent(Outcome outcome) {
    Finished finished = std::move(current_->finished);
    current_.reset();
    if (finished) finished(outcome);
}

void Sequencer::pump() {
    // An action or a finished callback may queue or cancel sequences: the loop below takes them.
    if (pumping_ || waitTimer_) return;
    pumping_ = true;
    for (;;) {
        if (current_ && current_->cancelled) {
            finishCurrent(Outcome::Cancelled);
            continue;
        }
        // A sequence whose last step has run is done, whatever was queued meanwhile.
        if (current_ && current_->steps.empty()) {
            finishCurrent(current_->writeFailed ? Outcome::WriteFailed : Outcome::Done);
            continue;
        }
        // An urgent sequence goes ahead of an ordinary one between two of its steps.
        if (current_ && !current_->urgent && !urgent_.empty()) {
            normal_.push_front(std::move(*current_));
            current_.reset();
        }
        if (!current_) {
            auto& queue = !urgent_.empty() ? urgent_ : normal_;
            if (queue.empty()) break;
            current_ = std::move(queue.front());
            queue.pop_front();
        }
        if (current_->steps.empty()) {
            finishCurrent(current_->writeFailed ? Outcome::WriteFailed : Outcome::Done);
            continue;
        }
        Step step = std::move(current_->steps.front());
        current_->steps.pop_front();
        switch (step.kind) {
        case Step::Kind::Send:
        case Step::Kind::SendLate: {
            const QByteArray bytes = step.kind == Step::Kind::Send ? step.bytes : step.lateBytes();
            // A late step that decided on nothing writes nothing.
            if ((step.kind == Step::Kind::Send || !bytes.isEmpty()) && !write_(bytes))
                current_->writeFailed = true;
            break;
        }
        case Step::Kind::Wait:
            waitTimer_ = scheduler_.callAfter(step.ms, [this] {
                waitTimer_ = 0;
                pump();
            });
            pumping_ = false;
            return; // paused
        case Step::Kind::Action:
            if (step.action) step.action();
            break;
        }
    }
    pumping_ = false;
}

} // namespace tolvex
