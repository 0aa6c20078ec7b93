#include "core/TncPresets.h"
#include "core/ParmsFile.h"
#include "support/Files.h"

#include <QBuffer>
#include <QSet>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

QByteArray written(const Settings& s) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    writeParms(buffer, s);
    return out;
}

Settings defaultStation() {
    Settings station;
    QByteArray defaults = test::readFile(TOLVEX_SOURCE_DIR "/station/Parms.inf");
    QBuffer in(&defaults);
    in.open(QIODevice::ReadOnly);
    EXPECT_TRUE(readParms(in, station));
    return station;
}

} // namespace

TEST(TncPresets, EachSetsRealKeysTheDialogShowsAndTheyRoundTripThroughTheFile) {
    // The keys the TNC dialog has fields for: a preset's other keys would never reach the dialog.
    const QSet<QByteArray> dialogKeys = {"ConnStr", "DisconStr", "ConverseCmd", "CmdCmd",
                                         "ConnCmd", "DisconCmd", "Duplex"};
    QSet<QByteArray> names;
    for (const TncPreset& preset : tncPresets()) {
        SCOPED_TRACE(preset.name.toStdString());
        EXPECT_FALSE(preset.name.isEmpty());
        EXPECT_FALSE(names.contains(preset.name));
        names.insert(preset.name);
        QSet<QByteArray> keys;
        for (const auto& [key, value] : preset.values) {
            EXPECT_TRUE(dialogKeys.contains(key)) << key.toStdString();
            EXPECT_FALSE(keys.contains(key)) << "twice: " << key.toStdString();
            keys.insert(key);
        }
        EXPECT_EQ(keys, dialogKeys);

        // Each value goes into empty settings (an unknown key would be dropped unseen), is written
        // as its own line, and reads back the same.
        const QByteArray file = written(withPreset(Settings{}, preset));
        for (const auto& [key, value] : preset.values)
            EXPECT_TRUE(file.contains("\r\n" + key + '=' + value + "\r\n")) << key.toStdString();
        QByteArray stationFile = written(withPreset(defaultStation(), preset));
        QBuffer in(&stationFile);
        in.open(QIODevice::ReadOnly);
        Settings back;
        ASSERT_TRUE(readParms(in, back));
        EXPECT_EQ(written(back), stationFile);
    }
}

TEST(TncPresets, TheDefaultsAndTheEmulatorsDifferences) {
    // The first is what a new station starts with.
    const Settings station = defaultStation();
    ASSERT_GE(tncPresets().size(), 3u);
    EXPECT_EQ(written(withPreset(station, tncPresets()[0])), written(station));

    // The emulator starts with its echo off, and its K would connect to the node.
    const auto& emulator = tncPresets()[1];
    const Settings s = withPreset(station, emulator);
    EXPECT_TRUE(s.halfDuplex());
    EXPECT_EQ(s.ConverseCmd, "CONV");
    EXPECT_EQ(s.CmdCmd, "3");
    // What a preset does not show stays as it was.
    EXPECT_EQ(s.Callsign, station.Callsign);
    EXPECT_EQ(s.NodeReady, station.NodeReady);
}
