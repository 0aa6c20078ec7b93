#pragma once
// The main window's net pane (txtNet with lblNet) and its "New:" counter (shpNct, lblNct).
#include "core/Station.h"
#include "core/views/MainView.h"

#include <QByteArray>

namespace tolvex {

class NetPane {
public:
    NetPane(Station& station, MainView& view) : station_(station), view_(view) {}

    bool shown() const { return view_.isVisible(frmMain::txtNet); }
    // The pane's whole text becomes `text`, caret at the end.
    void replace(const QByteArray& text) { view_.setPaneText(frmMain::txtNet, text); }
    // A new line at the end of the pane, caret at the end; not counted.
    void append(const QByteArray& text) { view_.appendToPane(frmMain::txtNet, "\r\n" + text); }
    // One more entry the operator has not seen yet.
    void count();
    // Shows the counter while the count is not 0, hides it otherwise.
    void netMsgAlert();
    // A click on the counter: the count goes, the pane stays.
    void counterClicked();
    // The station joins a net: pane and label shown, the pane emptied, no count.
    void enter();
    // The station leaves the net: pane, label and counter hidden, no count.
    void leave();
    // The pane and its label shown (the pane keeps its text).
    void show();

private:
    Station& station_;
    MainView& view_;
};

} // namespace tolvex
