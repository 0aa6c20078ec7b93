#include "ui/platform/QtAlertSound.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tolvex {
namespace {

// Only a wave file on a computer with an audio output is played; anything else is refused, so
// the alert goes on to its other player. The audio backend warns when it finds no sound server,
// which is no fault here: the players run in a child process whose warnings are not fatal
// (Qt reads QT_FATAL_WARNINGS at the first warning, and none has been given yet).
TEST(QtAlertSoundDeathTest, RefusesWithoutAWaveFileOrAnAudioOutput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wave = dir.filePath(QStringLiteral("pmr.wav"));
    const QString text = dir.filePath(QStringLiteral("notes.wav"));
    {
        QFile f(wave);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
        QFile g(text);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("not a sound");
    }
    const auto run = [&] {
        qunsetenv("QT_FATAL_WARNINGS");
        const bool hasOutput = !QMediaDevices::audioOutputs().isEmpty();
        QtImmediateSound immediate;
        QtFallbackSound fallback;
        int faults = 0;
        for (AlertSound* sound :
             {static_cast<AlertSound*>(&immediate), static_cast<AlertSound*>(&fallback)}) {
            faults += sound->play(dir.filePath(QStringLiteral("missing.wav")));
            faults += sound->play(text);
            faults += sound->play(wave) != hasOutput;
            sound->stop();
            sound->stop(); // stopping twice, or with nothing playing, is harmless
        }
        std::fprintf(stderr, "faults: %d\n", faults);
        std::exit(faults);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "faults: 0");
}

} // namespace
} // namespace tolvex
