#include "Reception.h"
#include "MessageFiles.h"
#include "MessageHeader.h"

#include <QDir>

namespace tolvex {

namespace {

constexpr char Backspace = 8;
constexpr QByteArrayView Prompt = "cmd:";

// PrintPref and AlertPref: 0 every message, 1 when the sender asked, anything else never.
bool byPreference(std::int16_t pref, bool requested) {
    return pref == 0 || (pref == 1 && requested);
}

} // namespace

const QString Reception::PrintFailTitle = QStringLiteral("Unable to print");
const QString Reception::PrintFailText = QStringLiteral("Unable to print message at F1:ProcessIncoming");
const QString Reception::SaveFailTitle = QStringLiteral("Unable to save");
const QString Reception::SaveFailText = QStringLiteral("Unable to save message at F1:ProcessIncoming");

Reception::Reception(Station& station, LinkSession& session, MainView& view, const TimeTexts& time,
                     Alert& alert, Printer& printer, MessageBoxes& boxes, TncPort& tnc)
    : station_(station), session_(session), view_(view), time_(time), alert_(alert), printer_(printer),
      boxes_(boxes), tnc_(tnc) {}

void Reception::processHeader(const QByteArray& line) {
    session_.requests = parseHeader(line, session_.Sending, session_.state());
}

QByteArray Reception::banner(const QByteArray& dateText, const QByteArray& shortTime) {
    return "\r\n\r\n=========== MESSAGE RECEIVED  " + dateText + "  " + shortTime + "============\r\n";
}

QByteArray Reception::applyBackspaces(const QByteArray& text) {
    // One pass: a backspace takes back the last character kept, as repeated removal of the first
    // backspace would, without going over the text again for each one.
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != Backspace)
            out += c;
        else if (!out.isEmpty())
            out.chop(1);
    }
    return out;
}

QByteArray Reception::removePrompts(const QByteArray& text) {
    // "cmd:" cannot overlap itself, so dropping it whenever the kept text ends in it gives the same
    // result as removing the first one until none is left, in one pass.
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        out += c;
        if (out.endsWith(Prompt)) out.chop(Prompt.size());
    }
    return out;
}

bool Reception::wantsPrint() const {
    return byPreference(station_.settings.PrintPref, session_.requests.PrintRequest);
}

bool Reception::wantsAlert() const {
    return byPreference(station_.settings.AlertPref, session_.requests.AlertRequest);
}

void Reception::processIncoming(const QByteArray& incontent, int msgType) {
    const QByteArray head = banner(time_.DateText(), time_.ShortTime());
    QByteArray text = applyBackspaces(incontent);
    if (msgType == 0) text = removePrompts(text);

    const MessageRequests& asked = session_.requests;
    const qsizetype before = view_.receivedLength();
    view_.appendReceived(head, TextColour::Blue);
    if (asked.AckRequest)
        view_.appendReceived("\r\n>> Please confirm receipt of this message from " + asked.MsgFrom +
                                 " Subject: " + asked.MsgSubject + " <<\r\n",
                             TextColour::Red);
    view_.appendReceived(text, TextColour::Black);
    shown_.push_back(view_.receivedLength() - before);
    trimPane();

    const QByteArray message = head + text;
    // A printer that fails is reported, but the message is still announced, kept and counted.
    if (wantsPrint() && !printer_.printText(message))
        boxes_.show(PrintFailTitle, PrintFailText, MessageBoxes::Icon::Warning);
    if (wantsAlert()) alert_.play();
    if (Settings::isOn(station_.settings.SaveRcvdMsgs) && !save(message + "\r\n")) return;

    if (view_.screenHeightTwips() > CountingScreenTwips) {
        increment(station_.RcvdCount);
        showCount();
    }
}

void Reception::trimPane() {
    const qsizetype length = view_.receivedLength();
    if (length <= PaneLimit) return;
    // Counted back from the end, where the newest messages are, in the pane's own characters:
    // text the operator cut or pasted further up never moves the cut into the messages kept.
    qsizetype kept = shown_.back();
    std::size_t keep = 1;
    while (keep < shown_.size() && kept + shown_[shown_.size() - 1 - keep] <= PaneKeep)
        kept += shown_[shown_.size() - 1 - keep++];
    shown_.erase(shown_.begin(), shown_.end() - std::ptrdiff_t(keep));
    if (kept < length) view_.removeReceived(0, length - kept);
}

bool Reception::save(const QByteArray& content) {
    const MessageRequests& asked = session_.requests;
    const SavedMessage saved = saveInMessagesFolder(station_.dir, MessageKind::Received, time_.FileStamp(),
                                                    asked.MsgFrom, asked.MsgSubject, content);
    if (saved.ok()) return true;
    boxes_.show(SaveFailTitle,
                SaveFailText + QStringLiteral("\r\nFileLoc = ") + QDir::toNativeSeparators(saved.path),
                MessageBoxes::Icon::Warning);
    return false;
}

void Reception::showCount() {
    const bool any = station_.RcvdCount != 0;
    for (const MainElement e : {frmMain::shpRM, frmMain::lblRCount_0, frmMain::lblRCount_1})
        view_.setVisible(e, any);
    if (any) view_.setText(frmMain::lblRCount_1, QByteArray::number(station_.RcvdCount));
}

void Reception::clearPane() {
    view_.removeReceived(0, view_.receivedLength());
    shown_.clear();
    resetCount();
    tnc_.focusToPanel();
}

void Reception::resetCount() {
    station_.RcvdCount = 0;
    showCount();
}

} // namespace tolvex
