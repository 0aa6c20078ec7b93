// Tolvex: a packet-radio terminal for emergency communications.
// Usage: tolvex [DIR] — DIR is the station directory (default: the program's folder in a build folder, else
// the operator's own); tolvex --help lists the options.
#include "Application.h"
#include "CommandLine.h"
#include "TerminationSignals.h"
#include "core/StationFiles.h"
#include "core/StationLocation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>

namespace {

// Messages that end the program are printed too, so they are not lost without a screen.
void printFatal(const QString& text) {
    std::fprintf(stderr, "tolvex: %s\n", qPrintable(text));
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

QString stationDirFrom(const tolvex::CommandLine& line) {
    return tolvex::stationDirectory(QCoreApplication::applicationDirPath(),
                                    line.stationDir.value_or(QString()));
}

// The log needs Qt's painting for its PDF form but never a screen: it is drawn offscreen.
int writeIcs309(int argc, char** argv, const tolvex::Ics309Request& request) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const tolvex::Ics309Result result = tolvex::exportIcs309(request);
    for (const QString& notice : result.notices)
        printFatal(notice);
    if (!result.ok()) {
        printFatal(result.error);
        return 1;
    }
    std::printf("tolvex: %d %s in the ICS-309 log %s\n", result.rows,
                result.rows == 1 ? "message" : "messages", qPrintable(request.outputPath));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Tolvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVEX_VERSION));
    // Decided before any window or folder is made, and without a display.
    const tolvex::CommandLine line = tolvex::parseCommandLine(argumentsOf(argc, argv));
    switch (line.action) {
    case tolvex::CommandLine::Action::Print:
        std::fputs(qPrintable(line.text), stdout);
        return line.exitCode;
    case tolvex::CommandLine::Action::Fail:
        std::fputs(qPrintable(line.text), stderr);
        return line.exitCode;
    case tolvex::CommandLine::Action::Ics309:
        return writeIcs309(argc, argv, line.ics309);
    case tolvex::CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // the program ends through its own shutdown

    const QString dir = stationDirFrom(line);
    const QString defaults = tolvex::defaultStationFiles(QCoreApplication::applicationDirPath());
    if (tolvex::prepareStation(dir, defaults) == tolvex::StationPrepared::Failed)
        printFatal(QStringLiteral("could not make a new station in ") + dir + QStringLiteral(" from ") +
                   defaults);

    tolvex::Application tolvex(dir);
    tolvex::TerminationSignals signals([&tolvex] { tolvex.shutdown(); });
    if (!tolvex.start()) {
        // The program cannot go on; it ends when the operator has read why.
        printFatal(QStringLiteral("Critical Fault: unable to read ") + dir + QStringLiteral("/Parms.inf"));
        QTimer closed;
        QObject::connect(&closed, &QTimer::timeout, &closed, [&tolvex] {
            if (tolvex.messagesOpen() == 0) QCoreApplication::exit(1);
        });
        closed.start(100);
        QApplication::exec();
        return 1;
    }
    return QApplication::exec();
}
