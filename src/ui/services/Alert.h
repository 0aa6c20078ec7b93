#pragma once
// The alert sound: pmr.wav played at once by the immediate player, or, when that fails, 3.5 s
// later by a fallback player driven by text commands, stopped 3.5 s after it starts.
#include "core/Platform.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QSoundEffect;
class QMediaPlayer;
class QAudioOutput;

namespace tolvex {

// Starts a wave file playing and returns at once; false when it could not start.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual bool playAsync(const QString& file) = 0;
};

// The device behind the fallback commands.
class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    virtual bool open(const QString& file) = 0; // false: no device, or the file cannot be played
    virtual bool play() = 0;
    virtual void stop() = 0;
    virtual void close() = 0;
};

// Result codes of MciCommand; 0 is success.
enum class MciError : std::int16_t {
    None = 0,
    UnknownCommand = 1,
    UnknownDeviceType = 2,
    FileNotFound = 3,
    AliasInUse = 4,
    NotOpen = 5,
    DeviceFailed = 6,
};

// Text commands for the fallback player, one device at a time:
//   "open <file> type waveaudio alias <alias>", "play <alias>", "stop <alias>", "close <alias>".
// A file name without a folder is looked for in baseDir.
class MciCommands {
public:
    MciCommands(WavePlayer& player, QString baseDir);
    std::int16_t MciCommand(const QString& command);
    bool isOpen() const { return !alias_.isEmpty(); }

private:
    std::int16_t open(QString file, const QString& type, const QString& alias);
    WavePlayer& player_;
    QString baseDir_;
    QString alias_; // alias of the open device; empty when none is open
};

// The alert: PlayAlert and the sound timer Timer1.
class Alert {
public:
    static constexpr int Timer1Ms = 3500;
    static constexpr std::int32_t FallbackPlaying = 2;
    static constexpr const char* SoundFile = "pmr.wav";

    Alert(Scheduler& scheduler, SoundPlayer& player, MciCommands& mci, QString stationDir);
    ~Alert();
    Alert(const Alert&) = delete;
    Alert& operator=(const Alert&) = delete;

    void PlayAlert();

    std::int32_t SoundState() const { return soundState_; }
    bool timer1Enabled() const { return timer1_.has_value(); }

private:
    void armTimer1();
    void disableTimer1();
    void timer1Tick();

    Scheduler& scheduler_;
    SoundPlayer& player_;
    MciCommands& mci_;
    QString stationDir_;
    std::int32_t soundState_ = 0;
    std::optional<Scheduler::TimerId> timer1_;
};

// Immediate player on QSoundEffect, made when the first alert plays.
class QtSoundPlayer final : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    bool playAsync(const QString& file) override;

private:
    std::unique_ptr<QSoundEffect> effect_;
};

// Fallback device on QMediaPlayer, made on open and dropped on close.
class QtWavePlayer final : public WavePlayer {
public:
    QtWavePlayer();
    ~QtWavePlayer() override;
    bool open(const QString& file) override;
    bool play() override;
    void stop() override;
    void close() override;

private:
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
};

// True when file exists and starts like a RIFF/WAVE file.
bool isWaveFile(const QString& file);

} // namespace tolvex
