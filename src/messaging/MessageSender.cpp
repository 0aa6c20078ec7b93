#include "MessageSender.h"

#include "MessageFiles.h"

#include <QDir>

namespace tolvex {

MessageSender::MessageSender(Station& station, LinkSession& session, Sequencer& sequencer, TncPort& tnc,
                             MessageBoxes& boxes, TimeTexts& times, Scheduler& scheduler)
    : station_(station), session_(session), sequencer_(sequencer), tnc_(tnc), boxes_(boxes), times_(times),
      scheduler_(scheduler) {
    // A link that drops takes the rest of the send with it: typed into the TNC's command
    // interpreter it would be read as commands.
    session_.subscribe([this](LinkState, LinkState) {
        if (!session_.linkUp()) cancel();
    });
}

MessageSender::~MessageSender() {
    if (grace_) scheduler_.cancel(grace_);
}

QByteArray MessageSender::onAir(const OutgoingMessage& message, const QByteArray& outLineEnd) {
    return message.header + outLineEnd + outLineEnd + message.bodyTnc;
}

void MessageSender::send(const OutgoingMessage& message) {
    if (job_) return; // the first press is still going out
    if (session_.HdrActive) {
        boxes_.show(QStringLiteral("Message in progress"),
                    QStringLiteral("   A message is being received now so\r\n"
                                   "your message cannot be sent at this time.\r\n"
                                   "              Try again later."));
        return;
    }
    if (!tnc_.isOpen()) {
        boxes_.show(QStringLiteral("Message not sent"),
                    QStringLiteral("The TNC port is not open, so the message was not sent.\r\n"
                                   "It is still waiting to be sent. Check the TNC cable, then re-open\r\n"
                                   "the port from Setup, TNC Parameters."),
                    MessageBoxes::Icon::Warning);
        return;
    }
    const Settings& s = station_.settings;
    const QByteArray text = onAir(message, s.OutLineEnd);
    QByteArray call = session_.RemoteCall;
    if (grace_) scheduler_.cancel(grace_);
    grace_ = 0;
    session_.startSending(text);
    if (s.halfDuplex()) {
        tnc_.echoToPane(message.header + "\r\n");
        tnc_.echoToPane(message.body + "\r\n");
    }
    Sequence steps;
    steps.reserve(std::size_t(text.size() + text.size() / kCharsPerPause));
    for (qsizetype i = 0; i < text.size(); ++i) {
        steps.push_back(Step::send(text.sliced(i, 1)));
        // No pause after the last character: the send is complete once it is written, and a
        // drop or Disconnect in a pause still pending would cancel a message already gone out.
        if ((i + 1) % kCharsPerPause == 0 && i + 1 < text.size()) steps.push_back(Step::wait(kPauseMs));
    }
    job_ = sequencer_.run(std::move(steps), [this, message, call](Sequencer::Outcome outcome) {
        finished(outcome, message, call);
    });
    tnc_.focusToPanel();
}

void MessageSender::cancel() {
    if (!job_) return;
    sequencer_.cancel(job_); // finished() follows
}

void MessageSender::finished(Sequencer::Outcome outcome, const OutgoingMessage& message,
                             const QByteArray& call) {
    job_ = 0;
    switch (outcome) {
    case Sequencer::Outcome::Done:
        saveSentCopy(message, call);
        // A TNC that echoes nothing (half duplex, echo off) must not leave Sending set.
        grace_ = scheduler_.callAfter(kEchoGraceMs, [this] {
            grace_ = 0;
            session_.stopSending();
        });
        break;
    case Sequencer::Outcome::WriteFailed:
        endSending();
        boxes_.show(QStringLiteral("Message not sent"),
                    QStringLiteral("The TNC port closed while the message was being sent.\r\n"
                                   "It is still waiting to be sent; no sent copy was kept."),
                    MessageBoxes::Icon::Warning);
        break;
    case Sequencer::Outcome::Cancelled:
        endSending();
        break;
    }
}

void MessageSender::endSending() {
    if (grace_) scheduler_.cancel(grace_);
    grace_ = 0;
    session_.stopSending();
}

void MessageSender::saveSentCopy(const OutgoingMessage& message, const QByteArray& call) {
    if (!Settings::isOn(station_.settings.SaveSentMsgs)) return;
    // Failures are ignored: the message has been sent.
    (void)saveInMessagesFolder(station_.dir, MessageKind::Sent, times_.FileStamp(), call, message.subject,
                               message.header + "\r\n\r\n" + message.body + "\r\n");
}

} // namespace tolvex
