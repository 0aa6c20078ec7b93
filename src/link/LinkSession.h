#pragma once
// The link state shared by the receive stream processor and the Parts that set it
// (start-up, connect sequence, view switch, broadcast window).
#include <QByteArray>
#include <cstdint>

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

// What the header of the message being received asked for; set by ProcessHeader.
struct MessageRequests {
    bool PrintRequest = false;
    bool AckRequest = false;
    bool AlertRequest = false;
    bool DisconnectRequest = false;
    QByteArray MsgFrom;
    QByteArray MsgSubject;
};

struct LinkSession {
    LinkState linkState = LinkState::LinkIdle;
    QByteArray RxBuffer;  // received characters not yet consumed
    QByteArray MsgBuffer; // lines of the connected message being captured
    bool HdrActive = false;
    bool Sending = false; // the station's own message is going out
    QByteArray SavedUnproto;
    MessageRequests requests;

    // The per-message reset.
    void resetMessage() {
        requests = MessageRequests{};
        HdrActive = false;
        Sending = false;
    }
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
