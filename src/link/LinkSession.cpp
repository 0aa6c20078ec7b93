#include "LinkSession.h"

namespace tolvex {

void LinkSession::setState(LinkState to) {
    const LinkState from = state_;
    state_ = to;
    if (from != to) callAnswered_ = false;
    for (const Listener& listener : listeners_)
        listener(from, to);
}

bool LinkSession::setStateIf(LinkState expected, LinkState to) {
    if (state_ != expected) return false;
    setState(to);
    return true;
}

void LinkSession::markLinkUp() {
    if (state_ != LinkState::LinkCalling || callAnswered_) return;
    callAnswered_ = true;
    for (const Listener& listener : listeners_)
        listener(state_, state_);
}

} // namespace tolvex
