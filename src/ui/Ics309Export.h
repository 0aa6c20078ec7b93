#pragma once
// Writing the ICS-309 communications log of a station into a file, as CSV or as a PDF form
// (chosen by the file's extension). The PDF needs a QGuiApplication (any platform, offscreen too).
#include "messaging/Ics309.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

namespace tolvex {

struct Ics309Request {
    QString stationDir;
    QDateTime from, to; // local, as parseLocalDateTime gives them
    QString incident;
    QString operatorName; // empty: the station's call
    QString outputPath;   // ".csv" or ".pdf"
};

struct Ics309Result {
    QString error;       // empty when the file was written
    QStringList notices; // message files named for the operator; the log was still written
    int rows = 0;

    bool ok() const { return error.isEmpty(); }
};

// The station's call (from its Parms.inf), or an error text when the folder is no station.
struct StationCall {
    QString call;
    QString error;
};
StationCall readStationCall(const QString& stationDir);

// Collects the rows and writes the file whole (an existing file is replaced only once the new one
// is complete). prepared is block 5's date and time (local).
Ics309Result exportIcs309(const Ics309Request& request, const QTimeZone& zone, const QDateTime& prepared);
// The same in the computer's zone, prepared now.
Ics309Result exportIcs309(const Ics309Request& request);

// The PDF form alone; an error text, or empty when written.
QString writeIcs309Pdf(const QString& path, const Ics309Form& form, const std::vector<Ics309Row>& rows);

} // namespace tolvex
