#pragma once
// The link state and its buffers. The state has one owner: it changes only through setState(),
// which tells every listener (the receive stream processor, the indicators) what changed; other
// events (a call answered, idle confirmed) have their own names.
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

// What a listener is told.
enum class LinkEvent {
    Changed,       // the state went from one value to another
    Answered,      // the station called answered: the link is up, the state stays LinkCalling
    IdleConfirmed, // a step that ended a link leaves the station idle: the connect place clears
    ByeUnanswered, // the mailbox did not hang up after the goodbye: Disconnect is offered
};

class LinkSession {
public:
    using Listener = std::function<void(LinkEvent event, LinkState from, LinkState to)>;
    // Listeners that only look at the state are told of every event.
    using StateListener = std::function<void(LinkState from, LinkState to)>;

    // The disconnected text of a link the station asked to end is awaited this long.
    static constexpr int kEndTextLimitMs = 15000;

    LinkState state() const { return state_; }
    // Tells the listeners in the order they subscribed, only when the state changes.
    void setState(LinkState to);
    // A step that ended a link: when the station is idle, the listeners clear the connect place;
    // true when it was idle.
    bool confirmIdle();
    void subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }
    void subscribe(StateListener listener) {
        listeners_.push_back(
            [l = std::move(listener)](LinkEvent, LinkState from, LinkState to) { l(from, to); });
    }

    // A link the connect sequence called is up: the connected text came while calling.
    void markLinkUp();
    // The mailbox's goodbye went unanswered.
    void byeUnanswered();
    // A link to another station is up (not the mailbox): messages can be sent on it.
    bool linkUp() const {
        return state_ == LinkState::LinkConnected || (state_ == LinkState::LinkCalling && callAnswered_);
    }
    // A link to a station or the mailbox is up or being called, whichever side called: the TNC's
    // converse mode now carries text into it. Frames monitored off the air and the start-up
    // query are no link.
    bool anyLink() const;

    // Every link and connect attempt has its own number: a step that finishes late acts only for
    // the link it was started for. A link that comes up while idle gets one by itself.
    quint64 linkId() const { return linkId_; }
    quint64 beginLink() { return ++linkId_; }
    // Another link than `link` is up: steps left over from `link` must not touch it (the TNC's
    // converse mode carries text into it, and a disconnect command would end it).
    bool newerLinkUp(quint64 link) const { return link != linkId_ && linkUp(); }

    // The station asked the TNC to end the current link (the disconnect command, the mailbox's
    // goodbye): the disconnected text that follows is that link's, not a newer one's.
    void endRequested(qint64 nowMs) { ending_ = {linkId_, nowMs}; }
    // The request went to the TNC only now: the wait for its text starts again.
    void endRequestedAgain(quint64 link, qint64 nowMs) {
        if (ending_.link == link) ending_.sinceMs = nowMs;
    }
    // The link whose disconnected text is still awaited at nowMs; 0 when none.
    quint64 endingLink(qint64 nowMs) const {
        return ending_.link != 0 && nowMs - ending_.sinceMs < kEndTextLimitMs ? ending_.link : 0;
    }
    qint64 endAwaitedUntil() const { return ending_.sinceMs + kEndTextLimitMs; }
    void endSeen() { ending_ = {}; }

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
    void tell(LinkEvent event, LinkState from);

    struct Ending {
        quint64 link = 0;
        qint64 sinceMs = 0;
    };
    LinkState state_ = LinkState::LinkIdle;
    bool callAnswered_ = false;
    quint64 linkId_ = 1;
    Ending ending_;
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
