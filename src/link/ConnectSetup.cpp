#include "ConnectSetup.h"

#include "DestinationList.h"

namespace tolvex {

namespace {
const QByteArray kListHint =
    "Double click a callsign to select it as the destination.  Delete callsigns from "
    "this list by selecting then pressing Delete key.";
const QByteArray kAddCallHint = "Enter callsign of final destination.";
const QByteArray kToAddHint =
    "Enter destination callsign or select a destination from callsign list at left.";
const QByteArray kFrameHint =
    " Enter new callsign to be added to list above.     Connection to callsign may be "
    "made through a maximum of 3 nodes.    Enter names of nodes to be used, if any.   "
    "A note may be entered if desired.";
const QByteArray kPathHint =
    "If connection is to be made through  intermediate nodes, enter node names.   A "
    "maximum of 3 tandem nodes can be used.   Top name is node closest to you.    Next "
    "name is node closer to destination.  If 3 nodes are used, bottom line is node "
    "closest to destination.";
const QByteArray kNoteHint = "An informational note may be entered here if desired.";
} // namespace

ConnectSetup::ConnectSetup(QString listPath, MessageBoxes& boxes, ConnectView& view,
                           std::function<bool(QByteArray)> onConnect)
    : listPath_(std::move(listPath)), boxes_(boxes), view_(view), onConnect_(std::move(onConnect)) {}

void ConnectSetup::open() {
    entries_ = DestinationList::load(listPath_);
    view_.setRows(entries_);
}

void ConnectSetup::choose(int row) {
    if (row >= 0 && row < entries_.size())
        view_.setText(frmConnect::txtToAdd, DestinationList::destinationOf(entries_.at(row)));
}

void ConnectSetup::remove(int row) {
    if (row < 0 || row >= entries_.size()) return;
    entries_.removeAt(row);
    view_.removeRow(row);
    save();
}

void ConnectSetup::add() {
    using namespace frmConnect;
    if (view_.text(txtAddCall).isEmpty()) {
        boxes_.show(QStringLiteral("No Callsign Entered"), QStringLiteral("A callsign must be specified"));
        return;
    }
    const QByteArray entry = DestinationList::buildEntry(
        view_.text(txtAddCall), {view_.text(txtPath[0]), view_.text(txtPath[1]), view_.text(txtPath[2])},
        view_.text(txtNote));
    entries_.append(entry);
    view_.appendRow(entry);
    for (ConnectElement box : {txtAddCall, txtPath[0], txtPath[1], txtPath[2], txtNote})
        view_.setText(box, {});
    save();
}

void ConnectSetup::connect() {
    if (onConnect_ && onConnect_(view_.text(frmConnect::txtToAdd))) view_.close();
}

void ConnectSetup::save() {
    if (!DestinationList::save(listPath_, entries_))
        boxes_.show(QStringLiteral("Callsign list not saved"), QStringLiteral("Unable to write ") + listPath_,
                    MessageBoxes::Icon::Warning);
}

void ConnectSetup::pointerOver(std::optional<ConnectElement> element) {
    using namespace frmConnect;
    if (!element) return hint({});
    const ConnectElement e = *element;
    if (e == lstCallsign)
        hint(kListHint);
    else if (e == txtAddCall)
        hint(kAddCallHint);
    else if (e == txtToAdd)
        hint(kToAddHint);
    else if (e == txtNote)
        hint(kNoteHint);
    else if (e == txtPath[0] || e == txtPath[1] || e == txtPath[2])
        hint(kPathHint);
    else if (e == Frame3)
        hint(kFrameHint);
}

void ConnectSetup::hint(const QByteArray& text) {
    if (text == hint_) return;
    hint_ = text;
    view_.setText(frmConnect::Text1, text);
}

} // namespace tolvex
