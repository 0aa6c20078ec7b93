#include "LinkSession.h"

namespace tolvex {

void LinkSession::tell(LinkEvent event, LinkState from) {
    for (const Listener& listener : listeners_)
        listener(event, from, state_);
}

void LinkSession::setState(LinkState to) {
    const LinkState from = state_;
    if (from == to) return;
    state_ = to;
    callAnswered_ = false;
    if (to == LinkState::LinkConnected) {
        ++linkId_;    // only a link that came up while idle gets here
        ending_ = {}; // the TNC took a new link: the old one has ended, whatever it printed
    }
    tell(LinkEvent::Changed, from);
}

bool LinkSession::confirmIdle() {
    if (state_ != LinkState::LinkIdle) return false;
    tell(LinkEvent::IdleConfirmed, state_);
    return true;
}

bool LinkSession::anyLink() const {
    switch (state_) {
    case LinkState::LinkConnected:
    case LinkState::LinkViaNodes:
    case LinkState::LinkCalling:
    case LinkState::LinkBbsCalling:
    case LinkState::LinkBbs:
    case LinkState::LinkBbsClosed:
        return true;
    case LinkState::LinkIdle:
    case LinkState::LinkGroupCapture:
    case LinkState::LinkNetCapture:
    case LinkState::LinkUnprotoQueryDue:
    case LinkState::LinkUnprotoQuery:
        return false;
    }
    return false;
}

void LinkSession::markLinkUp() {
    if (state_ != LinkState::LinkCalling || callAnswered_) return;
    callAnswered_ = true;
    tell(LinkEvent::Answered, state_);
}

void LinkSession::byeUnanswered() {
    if (state_ == LinkState::LinkBbs) tell(LinkEvent::ByeUnanswered, state_);
}

bool LinkSession::takeEcho(QByteArrayView line) {
    const auto trimmed = [](QByteArrayView v) {
        while (!v.isEmpty() && (v.back() == '\r' || v.back() == '\n'))
            v.chop(1);
        return v;
    };
    const qsizetype end = EchoExpected.indexOf('\r');
    const QByteArrayView next =
        end < 0 ? QByteArrayView(EchoExpected) : QByteArrayView(EchoExpected).first(end);
    if (EchoExpected.isEmpty() || trimmed(line) != next) return false;
    EchoExpected.remove(0, end < 0 ? EchoExpected.size() : end + 1);
    if (EchoExpected.isEmpty()) Sending = false; // all of it came back
    return true;
}

} // namespace tolvex
