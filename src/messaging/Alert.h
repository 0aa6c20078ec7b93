#pragma once
// The alert sound: pmr.wav from the station folder, played at once by the immediate player or,
// when that fails or has not started by then, 3.5 s later by the fallback player, which is
// stopped 3.5 s after it starts.
#include "core/Platform.h"

#include <QString>
#include <optional>

namespace tolvex {

class Alert {
public:
    static constexpr int waitMs = 3500;
    static constexpr const char* soundFile = "pmr.wav";

    Alert(Scheduler& scheduler, AlertSound& immediate, AlertSound& fallback, QString stationDir);
    ~Alert();
    Alert(const Alert&) = delete;
    Alert& operator=(const Alert&) = delete;

    // Starts the sound and returns at once; failures are never reported to the operator.
    void play();

private:
    enum class Sound { Failed, Immediate, Fallback };

    QString soundPath() const;
    void arm();
    void disarm();
    void tick();

    Scheduler& scheduler_;
    AlertSound& immediate_;
    AlertSound& fallback_;
    QString stationDir_;
    Sound sound_ = Sound::Failed;
    std::optional<Scheduler::TimerId> timer_;
};

// True when file exists and starts like a RIFF/WAVE file.
bool isWaveFile(const QString& file);

} // namespace tolvex
