#pragma once
// The alert's two players. Both refuse a file that is not a wave file, and refuse when the
// computer has no audio output: played into nothing the sound would never end, and the alert
// would never try the other player.
#include "core/Platform.h"

#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QSoundEffect;

namespace tolvex {

// Plays at once on QSoundEffect, made when the first alert plays. The effect decodes the file
// after play() has returned and plays only plain PCM: started() stays false for a wave file it
// cannot decode, so the alert turns to the other player.
class QtImmediateSound final : public AlertSound {
public:
    QtImmediateSound();
    ~QtImmediateSound() override;
    bool play(const QString& file) override;
    void stop() override;
    bool started() const override { return started_; }

private:
    std::unique_ptr<QSoundEffect> effect_;
    bool started_ = false;
};

// Plays through QMediaPlayer, made on play and dropped on stop, so no device stays open between
// alerts.
class QtFallbackSound final : public AlertSound {
public:
    QtFallbackSound();
    ~QtFallbackSound() override;
    bool play(const QString& file) override;
    void stop() override;

private:
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
};

} // namespace tolvex
