#pragma once
// The connect dialog's rules: the saved destinations (callsign.lst) kept in step with the list on
// screen, new entries built from the Add boxes, the destination chosen or typed handed to the
// connect, and the hints.
#include "core/Platform.h"
#include "core/views/ConnectView.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tolvex {

class ConnectSetup {
public:
    // onConnect gets the destination as typed ("CALL,NODE1,NODE2"); the dialog closes when it
    // returns true.
    ConnectSetup(QString listPath, MessageBoxes& boxes, ConnectView& view,
                 std::function<bool(QByteArray)> onConnect);

    // Fills the list from the file; a missing or unreadable one is an empty list.
    void open();
    // A row double-clicked (or Enter on it): its destination goes into the To Station box.
    void choose(int row);
    // Delete on a selected row: gone from the list and the file.
    void remove(int row);
    // Add: a new entry from the Add boxes, which empty; the file is written at once.
    void add();
    // Connect, or Enter in the To Station box.
    void connect();
    // The pointer over an element (or the focus in it); nullopt for the dialog's bare background.
    void pointerOver(std::optional<ConnectElement> element);

    const QList<QByteArray>& entries() const { return entries_; }

private:
    void save();
    void hint(const QByteArray& text);

    QString listPath_;
    MessageBoxes& boxes_;
    ConnectView& view_;
    std::function<bool(QByteArray)> onConnect_;
    QList<QByteArray> entries_;
    QByteArray hint_;
};

} // namespace tolvex
