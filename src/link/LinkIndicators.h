#pragma once
// The main window's link buttons and captions, shown from the link state: idle, connecting,
// connected, and the mailbox view. Nothing else sets them.
#include "LinkSession.h"
#include "core/views/MainView.h"

namespace tolvex {

class LinkIndicators {
public:
    LinkIndicators(LinkSession& session, MainView& view);

    // "Send Message" shows exactly while a link is up and a message is pending.
    void setMessagePending(bool pending);

private:
    void told(LinkEvent event, LinkState from, LinkState to);
    void changed(LinkState from, LinkState to);
    void showIdle();
    void showConnecting();
    void showMailboxView();
    void updateSend();

    LinkSession& session_;
    MainView& view_;
    bool pending_ = false;
};

} // namespace tolvex
