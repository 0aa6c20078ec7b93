#pragma once
// Timers on the Qt event loop: one single-shot QTimer per pending call.
#include "Platform.h"

#include <QElapsedTimer>
#include <unordered_map>

class QTimer;

namespace tolvex {

class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    qint64 nowMs() const override;
    TimerId callAfter(int ms, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    std::size_t pending() const { return timers_.size(); }

private:
    QElapsedTimer elapsed_;
    TimerId next_ = 1;
    std::unordered_map<TimerId, QTimer*> timers_;
};

} // namespace tolvex
