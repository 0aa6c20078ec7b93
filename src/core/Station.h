#pragma once
// The station's state for the whole run: its directory, settings, the calls derived from them,
// the outgoing message number and the counters. Built once in main and handed to whoever needs it.
#include "Settings.h"

#include <QString>
#include <array>
#include <cstdint>

namespace tolvex {

struct Station {
    QString dir; // the station directory, without a trailing slash
    Settings settings;
    std::array<QByteArray, 6> GroupName; // first word of each GroupAd entry
    QByteArray NcsName;                  // first word of NCSCallsign
    QByteArray MsgNo = "1";
    std::int16_t RcvdCount = 0;
    std::int16_t NetMsgCount = 0;

    void deriveNames() {
        for (std::size_t i = 0; i < GroupName.size(); ++i)
            GroupName[i] = firstWord(settings.GroupAd[i]);
        NcsName = firstWord(settings.NCSCallsign);
    }
    QString path(const QString& name) const { return dir + QLatin1Char('/') + name; }
};

// Counters never overflow into a negative count: they stop at the largest value.
inline void increment(std::int16_t& counter) {
    if (counter < INT16_MAX) ++counter;
}

} // namespace tolvex
