#include "Doubles.h"

#include <algorithm>

namespace tolvex::test {

Scheduler::TimerId ManualScheduler::callAfter(int ms, std::function<void()> fn) {
    const TimerId id = next_++;
    timers_.push_back({now_ + std::max(ms, 0), id, std::move(fn)});
    return id;
}

void ManualScheduler::cancel(TimerId id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

void ManualScheduler::advance(qint64 ms) {
    const qint64 end = now_ + ms;
    for (;;) {
        auto it = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
            return a.due != b.due ? a.due < b.due : a.id < b.id;
        });
        if (it == timers_.end() || it->due > end) break;
        now_ = it->due;
        auto fn = std::move(it->fn);
        timers_.erase(it);
        fn();
    }
    now_ = end;
}

void ManualScheduler::runAll(qint64 limitMs) {
    const qint64 end = now_ + limitMs;
    while (!timers_.empty() && now_ < end) {
        auto it = std::min_element(timers_.begin(), timers_.end(),
                                   [](const Timer& a, const Timer& b) { return a.due < b.due; });
        advance(std::max<qint64>(0, it->due - now_));
    }
}

bool FakeSerialPort::open(const Config& config) {
    lastConfig = config;
    if (refuseOpen) return false;
    open_ = true;
    ++opens;
    return true;
}

bool FakeSerialPort::write(const QByteArray& bytes) {
    if (!open_) return false;
    writes.push_back({clock_ ? clock_->nowMs() : 0, bytes});
    return true;
}

QByteArray FakeSerialPort::written() const {
    QByteArray all;
    for (const auto& w : writes)
        all += w.bytes;
    return all;
}

} // namespace tolvex::test
