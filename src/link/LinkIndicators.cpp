#include "LinkIndicators.h"

namespace tolvex {

LinkIndicators::LinkIndicators(LinkSession& session, MainView& view) : session_(session), view_(view) {
    session_.subscribe([this](LinkEvent event, LinkState from, LinkState to) { told(event, from, to); });
    showIdle(); // the state starts idle
    updateSend();
}

void LinkIndicators::setMessagePending(bool pending) {
    pending_ = pending;
    updateSend();
}

void LinkIndicators::updateSend() {
    view_.setVisible(frmMain::cmdSend, pending_ && session_.linkUp());
}

void LinkIndicators::told(LinkEvent event, LinkState from, LinkState to) {
    switch (event) {
    case LinkEvent::Changed:
        changed(from, to);
        break;
    case LinkEvent::Answered:
        view_.setText(frmMain::lblConn, "Connected");
        break;
    case LinkEvent::IdleConfirmed:
        showIdle();
        break;
    case LinkEvent::ByeUnanswered:
        // The mailbox stays connected: Disconnect takes the place of "Monitor  Receive".
        view_.setVisible(frmMain::cmdViewRcv, false);
        view_.setVisible(frmMain::cmdDisc, true);
        break;
    }
    updateSend();
}

void LinkIndicators::changed(LinkState from, LinkState to) {
    using enum LinkState;
    switch (to) {
    case LinkIdle:
        switch (from) {
        case LinkGroupCapture:
        case LinkNetCapture:
        case LinkUnprotoQueryDue:
        case LinkUnprotoQuery:
            break; // unconnected frames and start-up chatter leave the buttons as they are
        case LinkViaNodes:
            // A node hung up: the disconnect button stays until the operator presses it.
            view_.setText(frmMain::lblConn, {});
            break;
        case LinkIdle:
        case LinkConnected:
        case LinkCalling:
        case LinkBbsCalling:
        case LinkBbs:
        case LinkBbsClosed:
            showIdle();
            break;
        }
        break;
    case LinkViaNodes:
    case LinkCalling:
        showConnecting();
        break;
    case LinkConnected:
        view_.setText(frmMain::lblConn, "Connected");
        view_.setVisible(frmMain::cmdDisc, true);
        view_.setVisible(frmMain::cmdViewRcv, false);
        view_.setVisible(frmMain::cmdLocalBBS, false);
        break;
    case LinkBbsCalling:
        showMailboxView();
        break;
    case LinkBbs:
        view_.setText(frmMain::lblConn, "Connected-BBS");
        break;
    case LinkBbsClosed:
    case LinkGroupCapture:
    case LinkNetCapture:
    case LinkUnprotoQueryDue:
    case LinkUnprotoQuery:
        break;
    }
}

void LinkIndicators::showIdle() {
    view_.setText(frmMain::lblConn, {});
    view_.setVisible(frmMain::cmdDisc, false);
    view_.setVisible(frmMain::Label3, false);
    view_.setVisible(frmMain::cmdLocalBBS, true);
    view_.setVisible(frmMain::cmdViewRcv, false);
    // The monitor view, also when leaving the mailbox.
    view_.setVisible(frmMain::tbLocal, false);
    view_.setVisible(frmMain::tbMon, true);
    view_.setVisible(frmMain::lblBBS, false);
    view_.setVisible(frmMain::Label5, false);
    view_.setVisible(frmMain::Label1, true);
}

void LinkIndicators::showConnecting() {
    view_.setText(frmMain::lblConn, "Connecting");
    view_.setVisible(frmMain::cmdLocalBBS, false);
    view_.setVisible(frmMain::cmdDisc, true);
    view_.setVisible(frmMain::Label3, true);
}

void LinkIndicators::showMailboxView() {
    view_.setText(frmMain::lblConn, {}); // what the last connect came to no longer applies
    view_.setVisible(frmMain::cmdDisc, false);
    view_.setVisible(frmMain::Label3, false);
    view_.setVisible(frmMain::tbLocal, true);
    view_.setVisible(frmMain::tbMon, false);
    view_.setVisible(frmMain::cmdLocalBBS, false);
    view_.setVisible(frmMain::cmdViewRcv, true);
    view_.setVisible(frmMain::Label1, false);
    view_.setVisible(frmMain::Label5, true);
    view_.setVisible(frmMain::lblBBS, true);
}

} // namespace tolvex
