#pragma once
// The message log window's logic: the "r" and "s" files of the Messages folder listed side by
// side, decoded from their names, shown, printed and deleted.
#include "core/Platform.h"
#include "core/views/LogView.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace tolvex {

// One listed file.
struct LogRow {
    QString diskName;         // the name as the folder gave it, used to open and delete the file
    QByteArray fileName;      // the same name as 8-bit text, ".txt" included
    QByteArray dateText;      // "07 Dec  1405"
    QByteArray correspondent; // padded towards six characters
    QByteArray subject;

    QByteArray text() const; // the row as the list shows it
};

class MessageLog {
public:
    // messagesDir is the station's Messages folder; it need not exist.
    MessageLog(QString messagesDir, LogView& view, MessageBoxes& boxes, Printer& printer);

    // Fills both lists, as when the window opens.
    void open();
    // Rebuild one side from the folder, rows sorted by file name.
    void fillReceived();
    void fillSent();

    // A mouse button released over lstRcvd or lstSent: shows the selected row's file.
    void showReceived();
    void showSent();
    // Prints what rtbMessage holds; a failure is ignored.
    void print();
    // Deletes the file selected on the side last clicked (the sent side before any click).
    void deleteSelected();

    const std::vector<LogRow>& receivedRows() const { return received_; }
    const std::vector<LogRow>& sentRows() const { return sent_; }
    // "rcvd" or "sent" after a click on that list, empty before either.
    QByteArray selectedSide() const { return side_; }

private:
    struct Side {
        std::vector<LogRow>& rows;
        LogElement list;
        LogElement other;
        const char* pattern;
        const char* marker;
    };
    Side received();
    Side sent();
    void fill(const Side& side);
    static LogRow makeRow(const QString& diskName);
    void showRows(const Side& side); // sorted, then into its list
    void show(const Side& side);

    QString dir_;
    LogView& view_;
    MessageBoxes& boxes_;
    Printer& printer_;
    std::vector<LogRow> received_, sent_;
    QByteArray side_;
};

} // namespace tolvex
