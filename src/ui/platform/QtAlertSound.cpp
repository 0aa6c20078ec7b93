#include "QtAlertSound.h"

#include "messaging/Alert.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSoundEffect>
#include <QUrl>

namespace tolvex {

namespace {

bool canPlay(const QString& file) {
    return isWaveFile(file) && !QMediaDevices::audioOutputs().isEmpty();
}

} // namespace

QtImmediateSound::QtImmediateSound() = default;
QtImmediateSound::~QtImmediateSound() = default;

bool QtImmediateSound::play(const QString& file) {
    started_ = false;
    if (!canPlay(file)) return false;
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
        // Only a sound heard counts; an effect that fails to load never plays and stays silent.
        QObject::connect(effect_.get(), &QSoundEffect::playingChanged, effect_.get(), [this] {
            if (effect_->isPlaying()) started_ = true;
        });
    }
    const QUrl url = QUrl::fromLocalFile(file);
    if (effect_->source() != url)
        effect_->setSource(url);
    else
        effect_->stop(); // a second alert starts the sound again from the beginning
    effect_->play();
    return true;
}

void QtImmediateSound::stop() {
    if (effect_) effect_->stop();
}

QtFallbackSound::QtFallbackSound() = default;

QtFallbackSound::~QtFallbackSound() {
    stop();
}

bool QtFallbackSound::play(const QString& file) {
    stop();
    if (!canPlay(file)) return false;
    output_ = std::make_unique<QAudioOutput>();
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(output_.get());
    player_->setSource(QUrl::fromLocalFile(file));
    player_->play();
    return true;
}

void QtFallbackSound::stop() {
    if (player_) player_->stop();
    player_.reset();
    output_.reset();
}

} // namespace tolvex
