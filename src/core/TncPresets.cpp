#include "TncPresets.h"

#include "ParmsFile.h"

#include <QBuffer>

namespace tolvex {

namespace {

// The words a TNC-2 style command mode knows, and the texts it prints for a link.
std::vector<std::pair<QByteArray, QByteArray>> textMode(const QByteArray& duplex) {
    return {{"ConnStr", "*** CONNECTED"},
            {"DisconStr", "*** DISCONNECTED"},
            {"ConverseCmd", "CONV"},
            {"CmdCmd", "3"},
            {"ConnCmd", "C"},
            {"DisconCmd", "D"},
            {"Duplex", duplex}};
}

} // namespace

const std::vector<TncPreset>& tncPresets() {
    static const std::vector<TncPreset> presets = {
        // Kantronics and TNC-2 units echo what is typed to them.
        {"Kantronics or TNC-2 text mode", textMode("full")},
        // A node's TNC-2 emulator starts with its echo off, and its K connects to the node, so
        // converse mode must be CONV.
        {"Node's TNC-2 emulator", textMode("half")},
        // The built-in software TNC speaks the station's own words and echoes like a TNC-2, on a
        // sound-card modem and on a KISS TNC alike.
        {"Sound-card modem or KISS TNC", textMode("full")},
    };
    return presets;
}

Settings withPreset(Settings settings, const TncPreset& preset) {
    QByteArray lines;
    for (const auto& [key, value] : preset.values)
        lines += key + '=' + value + "\r\n";
    QBuffer in(&lines);
    in.open(QIODevice::ReadOnly);
    readParms(in, settings);
    return settings;
}

} // namespace tolvex
