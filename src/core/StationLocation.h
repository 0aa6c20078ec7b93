#pragma once
// Where the station lives when the operator names none, and where the default station files are.
//
// Run from a build folder, the default files lie beside the program (station-default) and the
// program's own folder is the station, as it always was. Installed (bin/ under a prefix, the
// defaults in the prefix's share/tolvex), the program's folder belongs to the system: the station
// is the operator's own data folder (~/.local/share/Tolvex/station, or under XDG_DATA_HOME), made
// from the installed defaults on first run, which are only ever read.
#include <QString>

namespace tolvex {

// The default station files for the program in programDir: beside it in a build folder, in the
// prefix's share folder when installed.
QString defaultStationFiles(const QString& programDir);

// The station folder: the one the command line names (made absolute), else the program's own
// folder in a build folder, else the operator's own.
QString stationDirectory(const QString& programDir, const QString& argument);

// The operator's own station folder in the XDG data folder.
QString userStationDir();

} // namespace tolvex
