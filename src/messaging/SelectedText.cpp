#include "SelectedText.h"

#include "MessageFiles.h"
#include "Reception.h"

#include <QDir>

namespace tolvex {

SelectedText::SelectedText(Station& station, MainView& view, TncPort& tnc, Printer& printer,
                           MessageBoxes& boxes, TimeTexts& times)
    : station_(station), view_(view), tnc_(tnc), printer_(printer), boxes_(boxes), times_(times) {}

void SelectedText::askSubject() {
    view_.setVisible(frmMain::frSave, true);
    view_.setText(frmMain::txtSave, {});
    view_.setFocus(frmMain::txtSave);
}

void SelectedText::save(const QByteArray& subject) {
    // A selection ends its lines as the pane hands them over (LF); the file, like every message
    // file, ends them in CR LF.
    QByteArray text = MonSelection;
    text.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    const SavedMessage saved = saveInMessagesFolder(station_.dir, MessageKind::Received, times_.FileStamp(),
                                                    "SelText", subject, text + "\r\n");
    if (!saved.ok()) {
        boxes_.show(Reception::SaveFailTitle,
                    Reception::SaveFailText + QStringLiteral("\r\nFileLoc = ") + saved.path,
                    MessageBoxes::Icon::Warning);
        return;
    }
    view_.setVisible(frmMain::frSave, false);
    tnc_.focusToPanel();
}

bool SelectedText::selectionMissing(const QByteArray& selection) {
    if (!selection.isEmpty()) return false;
    boxes_.show(QStringLiteral("No text selected"), QStringLiteral("Select text to print"));
    return true;
}

void SelectedText::printPaneSelection() {
    const bool local = view_.isVisible(frmMain::tbLocal);
    if (local || view_.isVisible(frmMain::tbMon)) {
        const QByteArray selection = view_.selectedText(local ? frmMain::tbLocal : frmMain::tbMon);
        if (!selectionMissing(selection)) (void)printer_.printText(selection); // printer problems are ignored
    }
    tnc_.focusToPanel();
}

void SelectedText::printReceivedSelection() {
    if (!selectionMissing(view_.selectedText(frmMain::rtbRcvd))) (void)view_.printSelection(frmMain::rtbRcvd);
    tnc_.focusToPanel();
}

void SelectedText::clearPane() {
    view_.setPaneText(view_.isVisible(frmMain::tbMon) ? frmMain::tbMon : frmMain::tbLocal, {});
    tnc_.focusToPanel();
}

} // namespace tolvex
