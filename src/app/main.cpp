// Tolvex: a packet-radio terminal for emergency communications.
// Usage: tolvex [DIR] — DIR is the station directory (default: the folder holding the program).
#include "Application.h"
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

QString stationDirFrom(int argc, char** argv) {
    return tolvex::stationDirectory(QCoreApplication::applicationDirPath(),
                                    argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvex"));
    QApplication::setQuitOnLastWindowClosed(false); // the program ends through its own shutdown

    const QString dir = stationDirFrom(argc, argv);
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
