#pragma once
// The two terminal panes of the main window: tbMon (channel monitor) and tbLocal (the TNC's own
// mailbox). Received text is appended here with the backspace rule it shares with RxBuffer, the
// panes are kept short, and the view switches between them.
#include "LinkSession.h"
#include "TncPort.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Settings.h"
#include "core/views/MainView.h"

namespace tolvex {

class Panes {
public:
    // A pane longer than kPaneLimit characters is cut down to its last kPaneKeep.
    static constexpr qsizetype kPaneLimit = 15000;
    static constexpr qsizetype kPaneKeep = 8000;
    static constexpr qsizetype kPaneHardLimit = 4 * kPaneLimit;
    // The mailbox hangs up this soon after the goodbye, or the operator is told it did not.
    static constexpr int kByeAnswerMs = 5000;

    Panes(const Settings& settings, LinkSession& session, MainView& view, Sequencer& sequencer, TncPort& tnc,
          Scheduler& scheduler, MessageBoxes& boxes);
    ~Panes();
    Panes(const Panes&) = delete;
    Panes& operator=(const Panes&) = delete;

    // Applies the backspaces of charbuff (left holding the processed text) and appends it to
    // RxBuffer and to the end of the pane. Costs the chunk, never the pane.
    void addTextToMon(QByteArray& charbuff) { addText(frmMain::tbMon, charbuff); }
    void addTextToLocal(QByteArray& charbuff) { addText(frmMain::tbLocal, charbuff); }

    void preventMonOverflow() { preventOverflow(frmMain::tbMon); }
    void preventLocalOverflow() { preventOverflow(frmMain::tbLocal); }

    // "Monitor  Receive". While the mailbox link is up it says goodbye and stays until the
    // mailbox hangs up (its disconnected text leaves the mailbox view); otherwise unread received
    // text is dropped and leaveMailbox().
    void monitorReceive();
    // Back to the monitor view, LinkIdle; the received text not yet read stays to be read there.
    void leaveMailbox();

private:
    void addText(MainElement pane, QByteArray& charbuff);
    void preventOverflow(MainElement pane);

    const Settings& settings_;
    LinkSession& session_;
    MainView& view_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    Scheduler& scheduler_;
    MessageBoxes& boxes_;
    Scheduler::TimerId byeLimit_ = 0; // the goodbye went out; the mailbox has not hung up yet
};

} // namespace tolvex
