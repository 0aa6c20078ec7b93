#include "Alert.h"

#include <QDir>
#include <QFile>

namespace tolvex {

bool isWaveFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

Alert::Alert(Scheduler& scheduler, AlertSound& immediate, AlertSound& fallback, QString stationDir)
    : scheduler_(scheduler), immediate_(immediate), fallback_(fallback), stationDir_(std::move(stationDir)) {}

Alert::~Alert() {
    disarm();
    if (sound_ == Sound::Fallback) fallback_.stop();
}

void Alert::play() {
    // The new sound replaces a fallback still playing from the last alert.
    if (sound_ == Sound::Fallback) fallback_.stop();
    sound_ = immediate_.play(soundPath()) ? Sound::Immediate : Sound::Failed;
    arm();
}

QString Alert::soundPath() const {
    return QDir(stationDir_).filePath(QLatin1String(soundFile));
}

void Alert::arm() {
    disarm();
    timer_ = scheduler_.callAfter(waitMs, [this] {
        timer_.reset();
        tick();
    });
}

void Alert::disarm() {
    if (timer_) scheduler_.cancel(*timer_);
    timer_.reset();
}

void Alert::tick() {
    switch (sound_) {
    case Sound::Immediate:
        if (immediate_.started()) return;
        // It took the file but never played it (a wave it cannot decode): the fallback's turn.
        immediate_.stop();
        sound_ = Sound::Failed;
        tick();
        return;
    case Sound::Fallback:
        fallback_.stop();
        sound_ = Sound::Failed;
        return;
    case Sound::Failed:
        // Armed either way: the next tick stops a fallback that started, or tries it again.
        arm();
        if (fallback_.play(soundPath())) sound_ = Sound::Fallback;
        return;
    }
}

} // namespace tolvex
