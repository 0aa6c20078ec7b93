#pragma once
// The link state and its buffers. The state has one owner: it changes only through setState(),
// which tells every listener (the receive stream processor, the indicators) what changed.
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

namespace tolvex {

enum class LinkState : std::int16_t {
    LinkIdle = 0,
    LinkConnected = 1,
    LinkViaNodes = 2,
    LinkCalling = 3,
    LinkBbsCalling = 10,
    LinkBbs = 11,
    LinkBbsClosed = 12,
    LinkGroupCapture = 20,
    LinkNetCapture = 21,
    LinkUnprotoQueryDue = 31,
    LinkUnprotoQuery = 32,
};

// What the header of the message being received asked for; set by message reception.
struct MessageRequests {
    bool PrintRequest = false;
    bool AckRequest = false;
    bool AlertRequest = false;
    bool DisconnectRequest = false;
    QByteArray MsgFrom;
    QByteArray MsgSubject;
};

class LinkSession {
public:
    using Listener = std::function<void(LinkState from, LinkState to)>;

    LinkState state() const { return state_; }
    // Tells the listeners in the order they subscribed, also when the state stays the same (a
    // late step that confirms the idle state still restores the idle buttons).
    void setState(LinkState to);
    // Sets the state only while it is still `expected`; true when it did.
    bool setStateIf(LinkState expected, LinkState to);
    void subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

    // A link the connect sequence called is up: the connected text came while calling.
    void markLinkUp();
    // A link to another station is up (not the mailbox): messages can be sent on it.
    bool linkUp() const {
        return state_ == LinkState::LinkConnected || (state_ == LinkState::LinkCalling && callAnswered_);
    }
    // A link to a station or the mailbox is up or being called, whichever side called: the TNC's
    // converse mode now carries text into it. Frames monitored off the air and the start-up
    // query are no link.
    bool anyLink() const;

    QByteArray RxBuffer;  // received characters not yet consumed
    QByteArray MsgBuffer; // lines of the connected message being captured
    bool HdrActive = false;
    bool Sending = false; // the station's own message is going out
    QByteArray SavedUnproto;
    MessageRequests requests;
    QByteArray RemoteCall;   // the station on the link, from the connected text
    QByteArray EchoExpected; // what of the station's own message the TNC has not echoed yet

    // Sending starts: the TNC's echo of these lines is not received text.
    void startSending(const QByteArray& onAir) {
        Sending = true;
        EchoExpected = onAir;
        EchoExpected.removeIf([](char c) { return c == '\n'; }); // lines are compared up to their CR
    }
    void stopSending() {
        Sending = false;
        EchoExpected.clear();
    }
    // Whether a received line is the next line of the station's own message coming back.
    bool takeEcho(QByteArrayView line);

    // The per-message reset.
    void resetMessage() {
        requests = MessageRequests{};
        HdrActive = false;
    }

private:
    LinkState state_ = LinkState::LinkIdle;
    bool callAnswered_ = false;
    std::vector<Listener> listeners_;
};

// Receivers of complete items taken off the air.
class MessageHandlers {
public:
    virtual ~MessageHandlers() = default;
    virtual void processHeader(const QByteArray& line) = 0;
    // msgType 1: a message taken over a link; 0: unconnected text.
    virtual void processIncoming(const QByteArray& incontent, int msgType) = 0;
    virtual void processNCS(const QByteArray& text) = 0;
};

} // namespace tolvex
