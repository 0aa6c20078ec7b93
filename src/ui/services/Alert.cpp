#include "Alert.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QRegularExpression>
#include <QSoundEffect>
#include <QUrl>

namespace tolvex {

namespace {

std::int16_t code(MciError e) {
    return static_cast<std::int16_t>(e);
}

bool hasAudioOutput() {
    return !QMediaDevices::audioOutputs().isEmpty();
}

} // namespace

bool isWaveFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

// ---- command layer

MciCommands::MciCommands(WavePlayer& player, QString baseDir)
    : player_(player), baseDir_(std::move(baseDir)) {}

std::int16_t MciCommands::MciCommand(const QString& command) {
    static const QRegularExpression openRe(
        QStringLiteral(R"(^\s*open\s+(.+?)\s+type\s+(\S+)\s+alias\s+(\S+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression deviceRe(QStringLiteral(R"(^\s*(play|stop|close)\s+(\S+)\s*$)"),
                                             QRegularExpression::CaseInsensitiveOption);

    if (const auto m = openRe.match(command); m.hasMatch())
        return open(m.captured(1), m.captured(2), m.captured(3));

    const auto m = deviceRe.match(command);
    if (!m.hasMatch()) return code(MciError::UnknownCommand);
    if (!isOpen() || m.captured(2).compare(alias_, Qt::CaseInsensitive) != 0) return code(MciError::NotOpen);

    const QString verb = m.captured(1).toLower();
    if (verb == QLatin1String("play")) return player_.play() ? 0 : code(MciError::DeviceFailed);
    if (verb == QLatin1String("stop")) {
        player_.stop();
        return 0;
    }
    player_.close();
    alias_.clear();
    return 0;
}

std::int16_t MciCommands::open(QString file, const QString& type, const QString& alias) {
    if (type.compare(QLatin1String("waveaudio"), Qt::CaseInsensitive) != 0)
        return code(MciError::UnknownDeviceType);
    if (isOpen()) return code(MciError::AliasInUse);
    if (file.size() >= 2 && file.startsWith(u'"') && file.endsWith(u'"')) file = file.mid(1, file.size() - 2);
    const QString path = QDir::isAbsolutePath(file) ? file : QDir(baseDir_).filePath(file);
    if (!QFileInfo(path).isFile()) return code(MciError::FileNotFound);
    if (!player_.open(path)) return code(MciError::DeviceFailed);
    alias_ = alias;
    return 0;
}

// ---- the alert

Alert::Alert(Scheduler& scheduler, SoundPlayer& player, MciCommands& mci, QString stationDir)
    : scheduler_(scheduler), player_(player), mci_(mci), stationDir_(std::move(stationDir)) {}

Alert::~Alert() {
    disableTimer1();
}

void Alert::PlayAlert() {
    // A fallback still open from the last alert would hold its alias, and every later fallback
    // open would fail: close it before the new sound replaces it.
    if (mci_.isOpen()) {
        mci_.MciCommand(QStringLiteral("stop wavefile"));
        mci_.MciCommand(QStringLiteral("close wavefile"));
    }
    soundState_ = player_.playAsync(QDir(stationDir_).filePath(QLatin1String(SoundFile))) ? 1 : 0;
    armTimer1();
}

void Alert::armTimer1() {
    disableTimer1();
    timer1_ = scheduler_.callAfter(Timer1Ms, [this] {
        timer1_.reset();
        timer1Tick();
    });
}

void Alert::disableTimer1() {
    if (timer1_) scheduler_.cancel(*timer1_);
    timer1_.reset();
}

void Alert::timer1Tick() {
    if (soundState_ == FallbackPlaying) {
        mci_.MciCommand(QStringLiteral("stop wavefile"));
        mci_.MciCommand(QStringLiteral("close wavefile"));
        return;
    }
    if (soundState_ != 0) return; // the immediate play worked
    const QString open =
        QStringLiteral("open ") + QLatin1String(SoundFile) + QStringLiteral(" type waveaudio alias wavefile");
    // The timer stays armed either way: a failing open is tried again at the next tick.
    armTimer1();
    if (mci_.MciCommand(open) == 0) {
        mci_.MciCommand(QStringLiteral("play wavefile"));
        soundState_ = FallbackPlaying;
    }
}

// ---- Qt players

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::playAsync(const QString& file) {
    // With no output device QSoundEffect plays into nothing and never finishes: report failure so
    // the fallback runs instead.
    if (!isWaveFile(file) || !hasAudioOutput()) return false;
    if (!effect_) effect_ = std::make_unique<QSoundEffect>();
    const QUrl url = QUrl::fromLocalFile(file);
    if (effect_->source() != url)
        effect_->setSource(url);
    else
        effect_->stop();
    effect_->play();
    return true;
}

QtWavePlayer::QtWavePlayer() = default;
QtWavePlayer::~QtWavePlayer() = default;

bool QtWavePlayer::open(const QString& file) {
    if (!isWaveFile(file) || !hasAudioOutput()) return false;
    output_ = std::make_unique<QAudioOutput>();
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(output_.get());
    player_->setSource(QUrl::fromLocalFile(file));
    return true;
}

bool QtWavePlayer::play() {
    if (!player_) return false;
    player_->play();
    return true;
}

void QtWavePlayer::stop() {
    if (player_) player_->stop();
}

void QtWavePlayer::close() {
    player_.reset();
    output_.reset();
}

} // namespace tolvex
