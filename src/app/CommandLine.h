#pragma once
// The program's command line, decided before any window or station folder is made:
//   tolvex [DIR]                      run the station in DIR
//   tolvex --help | --version         print and end
//   tolvex --ics309 DIR --from DATE_TIME --to DATE_TIME [--incident NAME] [--operator NAME] -o FILE
//                                     write the station's ICS-309 log and end, with no window
#include "ui/Ics309Export.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tolvex {

struct CommandLine {
    enum class Action {
        Run,    // open the station
        Print,  // print text on standard output and end with exitCode (help, version)
        Fail,   // print text on standard error and end with exitCode (a usage error)
        Ics309, // write ics309 and end
    };
    Action action = Action::Run;
    QString text;
    int exitCode = 0;
    std::optional<QString> stationDir; // Run: the folder given, none when no argument was
    Ics309Request ics309;
};

// Exit status of a command line the program does not understand.
inline constexpr int kUsageExit = 2;

// arguments as QCoreApplication::arguments() gives them, the program's name first. Options Qt's
// own application object reads (-platform, -style ...) are accepted and left to it.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace tolvex
