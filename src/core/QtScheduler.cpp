#include "QtScheduler.h"

#include <QTimer>
#include <algorithm>

namespace tolvex {

QtScheduler::QtScheduler() {
    elapsed_.start();
}

QtScheduler::~QtScheduler() {
    for (auto& [id, timer] : timers_)
        delete timer;
}

qint64 QtScheduler::nowMs() const {
    return elapsed_.elapsed();
}

Scheduler::TimerId QtScheduler::callAfter(int ms, std::function<void()> fn) {
    const TimerId id = next_++;
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    // Pauses between TNC commands are counted in tens of milliseconds: a coarse timer's 5 % slack
    // would stretch them.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, timer, fn = std::move(fn)]() mutable {
        const auto it = timers_.find(id);
        if (it == timers_.end()) return;
        timers_.erase(it);
        // The timer is inside its own signal: delete it once control is back in the event loop.
        auto call = std::move(fn);
        timer->deleteLater();
        call();
    });
    timers_.emplace(id, timer);
    timer->start(std::max(ms, 0));
    return id;
}

void QtScheduler::cancel(TimerId id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    QTimer* timer = it->second;
    timers_.erase(it);
    delete timer;
}

} // namespace tolvex
