#include "ConnectSequence.h"

namespace tolvex {

ConnectSequence::ConnectSequence(const Settings& settings, LinkSession& session, Sequencer& sequencer,
                                 TncPort& tnc, MessageBoxes& boxes)
    : settings_(settings), session_(session), sequencer_(sequencer), tnc_(tnc), boxes_(boxes) {}

bool ConnectSequence::connect(const QByteArray& destination) {
    if (destination.trimmed().isEmpty()) {
        boxes_.show(QStringLiteral("No Destination specified"),
                    QStringLiteral("You must enter a destination callsign."));
        return false;
    }
    const QList<QByteArray> parts = destination.split(',');
    if (parts.size() > kMaxNodes + 1) {
        boxes_.show(QStringLiteral("Too Many Nodes"),
                    QStringLiteral(
                        "A connection can pass through at most 3 nodes.\r\n"
                        "Enter the destination as CALL,NODE1,NODE2,NODE3 with the node nearest you first."),
                    MessageBoxes::Icon::Warning);
        return false;
    }
    for (const QByteArray& part : parts) {
        // An empty entry would put a bare connect command on the air.
        if (part.trimmed().isEmpty()) {
            boxes_.show(
                QStringLiteral("Callsign Missing"),
                QStringLiteral(
                    "Every callsign of the destination must be given: CALL or CALL,NODE1,NODE2,NODE3,\r\n"
                    "with no empty entry between the commas."),
                MessageBoxes::Icon::Warning);
            return false;
        }
    }
    // Blanks are kept as typed: the TNC reads them as it would from the keyboard.
    NodeCall.fill({});
    NodeCount = 0;
    DestCall = parts.front();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        NodeCall[static_cast<std::size_t>(i - 1)] = parts[i];
        ++NodeCount;
    }
    disconnecting_ = false;
    ++attempt_;
    session_.setState(LinkState::LinkViaNodes);
    begin();
    return true;
}

void ConnectSequence::sendConnect(const QByteArray& text) {
    // Whatever the TNC printed before this command is no answer to it: a stale ready or link-made
    // text must not release the next hop or show "Connected".
    session_.RxBuffer.clear();
    ++hop_;
    Sequence seq{Step::send(text + settings_.OutLineEnd)};
    if (settings_.halfDuplex()) seq.push_back(Step::run([this, text] { tnc_.echoToPane(text + "\r\n"); }));
    sequencer_.run(std::move(seq));
}

void ConnectSequence::begin() {
    const QByteArray connCmd = settings_.ConnCmd + ' ';
    if (NodeCount != 0) {
        NodeIndex = 0;
        sendConnect(connCmd + NodeCall[0]);
        return;
    }
    sendConnect(connCmd + DestCall); // a trailing "*" goes out with the call here
    session_.setState(LinkState::LinkCalling);
}

void ConnectSequence::nodeReady() {
    if (disconnecting_) return;
    const QByteArray connCmd = settings_.ConnCmd + ' ';
    const auto next = static_cast<std::size_t>(NodeIndex + 1);
    if (next < NodeCall.size() && !NodeCall[next].isEmpty()) {
        ++NodeIndex;
        sendConnect(connCmd + NodeCall[next]);
        return;
    }
    // At the last node a destination ending in "*" is a text to type there, not a call.
    if (DestCall.endsWith('*'))
        sendConnect(DestCall.chopped(1));
    else
        sendConnect(connCmd + DestCall);
    session_.setState(LinkState::LinkCalling);
}

void ConnectSequence::disconnect() {
    if (onDisconnect) onDisconnect();
    tnc_.echoToPane(settings_.DisconCmd + "\r\n");
    // No node answer may send another connect once the operator asked to leave.
    disconnecting_ = true;
    const quint64 attempt = attempt_;
    sequencer_.runUrgent({
        Step::send(settings_.OutLineEnd + settings_.cmdChar()),
        Step::wait(kDisconnectPauseMs),
        Step::send(settings_.DisconCmd + settings_.OutLineEnd),
        Step::run([this, attempt] {
            // A connect the operator started meanwhile is left to run.
            if (attempt != attempt_) return;
            disconnecting_ = false;
            // Leaving a connect through nodes, the first change keeps Disconnect shown (as when a
            // node hangs up); the operator's own disconnect then confirms idle, clearing its place.
            session_.setState(LinkState::LinkIdle);
            session_.setState(LinkState::LinkIdle);
            tnc_.focusToPanel();
        }),
    });
}

void ConnectSequence::connectToMailbox() {
    ++attempt_;
    disconnecting_ = false;
    session_.setState(LinkState::LinkBbsCalling);
    tnc_.focusToPanel();
    session_.RxBuffer.clear();
    sequencer_.run({Step::send(settings_.OutLineEnd + settings_.cmdChar())});
}

} // namespace tolvex
