#pragma once
// A station directory that does not exist yet, or is empty (but for its Ports folder), becomes a
// new station made from the default station files. An existing station is never touched here.
#include <QString>

namespace tolvex {

enum class StationPrepared { Existing, Created, Failed };

StationPrepared prepareStation(const QString& stationDir, const QString& defaultsDir);

} // namespace tolvex
