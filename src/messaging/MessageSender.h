#pragma once
// "Send Message": the pending message goes out over the link, ten characters per 200 ms, as one
// sequence that stops when the link drops or the operator disconnects. The sent copy is made
// from the text the send started with, named after the station on the link.
#include "TimeTexts.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"

#include <QByteArray>

namespace tolvex {

// What is sent, copied from the pending message when Send is pressed.
struct OutgoingMessage {
    QByteArray subject; // OutSubject
    QByteArray header;  // OutHeader, no line end
    QByteArray body;    // OutBody, lines end in CR LF, "$^" last
    QByteArray bodyTnc; // OutBodyTnc, lines end in CR
};

class MessageSender {
public:
    static constexpr int kCharsPerPause = 10;
    static constexpr int kPauseMs = 200;
    // How long after the last character the TNC's echo of it may still come back.
    static constexpr int kEchoGraceMs = 3000;

    MessageSender(Station& station, LinkSession& session, Sequencer& sequencer, TncPort& tnc,
                  MessageBoxes& boxes, TimeTexts& times, Scheduler& scheduler);
    ~MessageSender();
    MessageSender(const MessageSender&) = delete;
    MessageSender& operator=(const MessageSender&) = delete;

    // cmdSend. Refused, with the operator told why, while a message is being received or the port
    // is closed; ignored while a send is under way.
    void send(const OutgoingMessage& message);
    // The link is going down (the operator's Disconnect): the rest is not sent; it stays pending.
    void cancel();
    bool sending() const { return job_ != 0; }

    // The on-air text: header, two line ends, the body with CR line ends.
    static QByteArray onAir(const OutgoingMessage& message, const QByteArray& outLineEnd);

private:
    void finished(Sequencer::Outcome outcome, const OutgoingMessage& message, const QByteArray& call);
    void saveSentCopy(const OutgoingMessage& message, const QByteArray& call);
    void endSending();

    Station& station_;
    LinkSession& session_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    MessageBoxes& boxes_;
    TimeTexts& times_;
    Scheduler& scheduler_;
    Sequencer::Id job_ = 0;
    Scheduler::TimerId grace_ = 0;
};

} // namespace tolvex
