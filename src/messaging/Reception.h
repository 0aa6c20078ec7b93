#pragma once
// What the station does with a message taken off the air: show it in rtbRcvd under its banner,
// print it, sound the alert, keep it in Messages and count it; and the "New:" counter and Clear.
#include "core/Platform.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"
#include "messaging/Alert.h"
#include "messaging/TimeTexts.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>

namespace tolvex {

class Reception : public MessageHandlers {
public:
    // Once the pane grows past PaneLimit characters its oldest messages go, whole, until it holds
    // at most PaneKeep; the newest message always stays whole, however long.
    static constexpr qsizetype PaneLimit = 8000;
    static constexpr qsizetype PaneKeep = 5000;
    // The counter is kept only on screens taller than this (5 inches).
    static constexpr int CountingScreenTwips = 7200;

    Reception(Station& station, LinkSession& session, MainView& view, const TimeTexts& time, Alert& alert,
              Printer& printer, MessageBoxes& boxes, TncPort& tnc);

    // Reads the requests, sender and subject of a ".hdr" line into session.requests.
    void processHeader(const QByteArray& line) override;
    // A complete message (msgType 1) or unconnected capture (0), acted on by the preferences and
    // the requests in session.requests.
    void processIncoming(const QByteArray& incontent, int msgType) override;
    // A net directive line: shown in txtNet until nets are handled here.
    // Net lines go to the net, which sits above messaging and sets this.
    void processNCS(const QByteArray& text) override {
        if (onNetLine) onNetLine(text);
    }
    std::function<void(const QByteArray&)> onNetLine;

    // Shows the counter while RcvdCount is not 0, hides it otherwise.
    void showCount();
    // cmdClear: empties the pane and the count, focus back to the active pane.
    void clearPane();
    // A click on the counter: the count goes, the pane stays.
    void resetCount();

    // The blue line above each message: CR LF CR LF, the title, date, time, CR LF.
    static QByteArray banner(const QByteArray& dateText, const QByteArray& shortTime);
    // The text with every backspace applied to the character before it (a leading one dropped).
    static QByteArray applyBackspaces(const QByteArray& text);
    // The text without the TNC's "cmd:" prompts, also those the removal itself brings together.
    static QByteArray removePrompts(const QByteArray& text);

    static const QString PrintFailTitle;
    static const QString PrintFailText;
    static const QString SaveFailTitle;
    static const QString SaveFailText; // followed by CR LF, "FileLoc = " and the file

private:
    void trimPane();
    bool wantsPrint() const;
    bool wantsAlert() const;
    // False after a failure already shown to the operator.
    bool save(const QByteArray& content);

    Station& station_;
    LinkSession& session_;
    MainView& view_;
    const TimeTexts& time_;
    Alert& alert_;
    Printer& printer_;
    MessageBoxes& boxes_;
    TncPort& tnc_;
    // How long each message in the pane is, oldest first, in the pane's own characters.
    std::deque<qsizetype> shown_;
};

} // namespace tolvex
