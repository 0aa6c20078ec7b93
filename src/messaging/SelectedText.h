#pragma once
// Keeping and printing text that passed through the main window: the monitor's selection saved
// into the message log under a subject, the selections of the panes printed, and the monitor or
// local pane emptied.
#include "TimeTexts.h"
#include "core/Platform.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "link/TncPort.h"

namespace tolvex {

class SelectedText {
public:
    SelectedText(Station& station, MainView& view, TncPort& tnc, Printer& printer, MessageBoxes& boxes,
                 TimeTexts& times);

    // A mouse button released over tbMon: what is selected there now is what "Save Selected" keeps.
    void monitorSelected(const QByteArray& selection) { MonSelection = selection; }
    // cmdSaveCM: ask for the subject in frSave.
    void askSubject();
    // Enter in txtSave: the remembered selection goes into the log. A failed save says so and
    // leaves frSave open, so the operator can try another subject.
    void save(const QByteArray& subject);
    // cmdPrintCM: the selection of the visible monitor or local pane.
    void printPaneSelection();
    // cmdPS: the selection of the received messages, with its colours.
    void printReceivedSelection();
    // Command1: empties the visible monitor or local pane.
    void clearPane();

    QByteArray MonSelection;

private:
    bool selectionMissing(const QByteArray& selection);

    Station& station_;
    MainView& view_;
    TncPort& tnc_;
    Printer& printer_;
    MessageBoxes& boxes_;
    TimeTexts& times_;
};

} // namespace tolvex
