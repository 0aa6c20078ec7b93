#pragma once
// The computer's clock: local date and time, the system time zone, a monotonic millisecond count.
#include "Platform.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimeZone>

namespace tolvex {

class SystemClock final : public Clock {
public:
    SystemClock();
    QDate date() const override;
    QTime timeOfDay() const override;
    Zone zone() const override;
    qint64 monotonicMs() const override;

    // The zone as the station texts need it, for the zone tz at the moment at.
    static Zone zoneFor(const QTimeZone& tz, const QDateTime& at);

private:
    QElapsedTimer elapsed_;
};

} // namespace tolvex
