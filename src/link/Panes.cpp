#include "Panes.h"

namespace tolvex {

Panes::Panes(const Settings& settings, LinkSession& session, MainView& view, Sequencer& sequencer,
             TncPort& tnc, Scheduler& scheduler, MessageBoxes& boxes)
    : settings_(settings), session_(session), view_(view), sequencer_(sequencer), tnc_(tnc),
      scheduler_(scheduler), boxes_(boxes) {}

Panes::~Panes() {
    if (byeLimit_) scheduler_.cancel(byeLimit_);
}

void Panes::addText(MainElement pane, QByteArray& charbuff) {
    // One pass: a backspace erases the character before it in this chunk; with none left it
    // erases what an earlier chunk put last into the pane and the buffer, but never their only
    // character. A chunk without one, the usual case, goes on as it is.
    if (charbuff.contains('\b')) {
        QByteArray out;
        out.reserve(charbuff.size());
        for (const char c : std::as_const(charbuff)) {
            if (c != '\b') {
                out.append(c);
            } else if (!out.isEmpty()) {
                out.chop(1);
            } else {
                if (session_.RxBuffer.size() > 1) session_.RxBuffer.chop(1);
                if (view_.paneLength(pane) > 1) view_.chopPane(pane, 1);
            }
        }
        charbuff = std::move(out);
    }
    session_.RxBuffer += charbuff;
    if (!charbuff.isEmpty()) view_.appendToPane(pane, charbuff);
    // A flood while connecting or in the mailbox never reaches the usual trimming points:
    // past a hard limit the pane is trimmed here, so it stays bounded in every state.
    if (view_.paneLength(pane) > kPaneHardLimit) view_.keepPaneTail(pane, kPaneKeep);
}

void Panes::preventOverflow(MainElement pane) {
    if (view_.paneLength(pane) > kPaneLimit) view_.keepPaneTail(pane, kPaneKeep);
}

void Panes::monitorReceive() {
    if (session_.state() != LinkState::LinkBbs) {
        session_.RxBuffer.clear();
        leaveMailbox();
        return;
    }
    if (byeLimit_) return; // goodbye said once; the mailbox is still to answer it
    // The link is up until the mailbox hangs up: its disconnected text brings the monitor view.
    sequencer_.run({Step::send(settings_.Bye + settings_.OutLineEnd)});
    session_.endRequested(scheduler_.nowMs());
    const quint64 link = session_.linkId();
    byeLimit_ = scheduler_.callAfter(kByeAnswerMs, [this, link] {
        byeLimit_ = 0;
        if (session_.linkId() != link || session_.state() != LinkState::LinkBbs) return;
        boxes_.show(QStringLiteral("Mailbox Still Connected"),
                    QStringLiteral("The mailbox did not hang up after the goodbye command.\r\n"
                                   "Press Disconnect to end the link."),
                    MessageBoxes::Icon::Warning);
        session_.byeUnanswered(); // Disconnect is offered
    });
}

void Panes::leaveMailbox() {
    if (byeLimit_) scheduler_.cancel(byeLimit_);
    byeLimit_ = 0;
    session_.setState(LinkState::LinkIdle); // the indicators switch back to the monitor view
    preventLocalOverflow();
    tnc_.focusToPanel();
}

} // namespace tolvex
