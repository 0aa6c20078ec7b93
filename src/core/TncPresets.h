#pragma once
// The TNC settings each common kind of TNC needs, as Parms.inf keys and values, for the TNC
// dialog to offer. Each sets only what the dialog shows: the link texts, the command words and
// the duplex mode.
#include "Settings.h"

#include <QByteArray>
#include <utility>
#include <vector>

namespace tolvex {

struct TncPreset {
    QByteArray name;
    std::vector<std::pair<QByteArray, QByteArray>> values; // Parms.inf key, value
};

const std::vector<TncPreset>& tncPresets();

// The settings with the preset's values, each read as Parms.inf would read its line.
Settings withPreset(Settings settings, const TncPreset& preset);

} // namespace tolvex
