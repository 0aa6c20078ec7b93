#include "ConnectSequence.h"

namespace tolvex {

namespace {

// Whether the TNC may hold a link in this state, so that ending it brings a disconnected text.
bool linkMayBeUp(LinkState state) {
    switch (state) {
    case LinkState::LinkConnected:
    case LinkState::LinkViaNodes:
    case LinkState::LinkCalling:
    case LinkState::LinkBbs:
        return true;
    case LinkState::LinkIdle:
    case LinkState::LinkBbsCalling:
    case LinkState::LinkBbsClosed:
    case LinkState::LinkGroupCapture:
    case LinkState::LinkNetCapture:
    case LinkState::LinkUnprotoQueryDue:
    case LinkState::LinkUnprotoQuery:
        return false;
    }
    return false;
}

bool callUnderWay(LinkState state) {
    return state == LinkState::LinkCalling || state == LinkState::LinkViaNodes;
}

} // namespace

ConnectSequence::ConnectSequence(const Settings& settings, LinkSession& session, Sequencer& sequencer,
                                 TncPort& tnc, MessageBoxes& boxes, Scheduler& scheduler)
    : settings_(settings), session_(session), sequencer_(sequencer), tnc_(tnc), boxes_(boxes),
      scheduler_(scheduler) {
    // An attempt that ended (its link dropped) takes along its connect command if that still waits
    // behind other sequences: sent later, the TNC would call while the station shows idle.
    session_.subscribe([this](LinkState from, LinkState to) {
        if (to == LinkState::LinkIdle && callUnderWay(from)) sequencer_.cancel(command_);
    });
}

ConnectSequence::~ConnectSequence() {
    stopWaiting();
}

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
    session_.beginLink();
    session_.setState(LinkState::LinkViaNodes);
    if (session_.endingLink(scheduler_.nowMs()) != 0) {
        waiting_ = true; // "Connecting" shows; the first command follows the old link's end
        waitingLink_ = session_.linkId();
        armWaitLimit();
        return true;
    }
    stopWaiting();
    begin();
    return true;
}

void ConnectSequence::armWaitLimit() {
    if (waitLimit_) scheduler_.cancel(waitLimit_);
    const qint64 left = session_.endAwaitedUntil() - scheduler_.nowMs();
    waitLimit_ = scheduler_.callAfter(int(qMax<qint64>(0, left)), [this] {
        waitLimit_ = 0;
        if (!waiting_) return;
        if (session_.endingLink(scheduler_.nowMs()) != 0) {
            armWaitLimit(); // the request went to the TNC later than the connect was pressed
            return;
        }
        session_.endSeen(); // it did not come: the new link goes ahead without it
        oldLinkEnded();
    });
}

void ConnectSequence::stopWaiting() {
    waiting_ = false;
    if (waitLimit_) scheduler_.cancel(waitLimit_);
    waitLimit_ = 0;
}

void ConnectSequence::oldLinkEnded() {
    if (!waiting_) return;
    // Only if nothing else (the mailbox view left, start-up) took the station elsewhere meanwhile.
    const bool stillCalling =
        session_.linkId() == waitingLink_ && session_.state() == LinkState::LinkViaNodes;
    stopWaiting();
    if (stillCalling) begin();
}

void ConnectSequence::sendConnect(const QByteArray& text) {
    // Whatever the TNC printed before this command is no answer to it: a stale ready or link-made
    // text must not release the next hop or show "Connected".
    // Only the beginning of a disconnected text stays: the link dropping as the command goes out
    // still ends it.
    QByteArray& rx = session_.RxBuffer;
    const QByteArray& down = settings_.DisconStr;
    qsizetype keep = qMin(rx.size(), qMax<qsizetype>(0, down.size() - 1));
    while (keep > 0 && !down.startsWith(QByteArrayView(rx).last(keep)))
        --keep;
    rx = rx.right(keep);
    ++hop_;
    Sequence seq{Step::send(text + settings_.OutLineEnd)};
    if (settings_.halfDuplex()) seq.push_back(Step::run([this, text] { tnc_.echoToPane(text + "\r\n"); }));
    command_ = sequencer_.run(std::move(seq));
}

bool ConnectSequence::firstCommandPending() const {
    return waiting_ || (hop_ == firstHop_ && sequencer_.isActive(command_));
}

QByteArray ConnectSequence::firstHopCall() const {
    if (waiting_ || hop_ != firstHop_ || firstHop_ == 0) return {};
    // "CALL VIA DIGI" or "CALL*" as typed: the TNC names only the call.
    QByteArray call = (NodeCount != 0 ? NodeCall[0] : DestCall).simplified();
    call = call.left(call.indexOf(' ') < 0 ? call.size() : call.indexOf(' '));
    while (call.endsWith('*'))
        call.chop(1);
    return call;
}

void ConnectSequence::giveUpForIncoming() {
    stopWaiting();
    sequencer_.cancel(command_);
    disconnecting_ = false;
}

void ConnectSequence::begin() {
    firstHop_ = hop_ + 1;
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
    if (disconnecting_ || waiting_) return;
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
    // A connect command still queued (behind a broadcast, say) would call once the station is idle.
    sequencer_.cancel(command_);
    if (waiting_) {
        // Nothing of this connect went out, and the link before it is already being taken down.
        stopWaiting();
        session_.setState(LinkState::LinkIdle);
        session_.confirmIdle();
        tnc_.focusToPanel();
        return;
    }
    tnc_.echoToPane(settings_.DisconCmd + "\r\n");
    // No node answer may send another connect once the operator asked to leave.
    disconnecting_ = true;
    const quint64 link = session_.linkId();
    if (linkMayBeUp(session_.state())) session_.endRequested(scheduler_.nowMs());
    sequencer_.runUrgent({
        // Late too: a second press waits behind the first, and a station may have called in by then.
        Step::sendLate([this, link] {
            return session_.newerLinkUp(link) ? QByteArray() : settings_.OutLineEnd + settings_.cmdChar();
        }),
        Step::wait(kDisconnectPauseMs),
        // A call (or a node's hop) answered during the pause put the TNC into converse mode again.
        Step::sendLate([this, link, calling = !session_.linkUp() && callUnderWay(session_.state())] {
            return calling && !session_.newerLinkUp(link) ? settings_.cmdChar() + settings_.OutLineEnd
                                                          : QByteArray();
        }),
        // The link ended during the pause and another one came up: the command would end that one.
        Step::sendLate([this, link] {
            return session_.newerLinkUp(link) ? QByteArray() : settings_.DisconCmd + settings_.OutLineEnd;
        }),
        Step::run([this, link] {
            session_.endRequestedAgain(link, scheduler_.nowMs());
            // A connect the operator started meanwhile is left to run.
            if (link != session_.linkId()) return;
            disconnecting_ = false;
            // Leaving a connect through nodes that a node hung up, the state is idle already, but
            // the operator's own disconnect clears the connect place too.
            session_.setState(LinkState::LinkIdle);
            session_.confirmIdle();
            tnc_.focusToPanel();
        }),
    });
}

void ConnectSequence::connectToMailbox() {
    session_.beginLink();
    stopWaiting();
    disconnecting_ = false;
    session_.setState(LinkState::LinkBbsCalling);
    tnc_.focusToPanel();
    session_.RxBuffer.clear();
    sequencer_.run({Step::send(settings_.OutLineEnd + settings_.cmdChar())});
}

void ConnectSequence::portLost() {
    stopWaiting();
    disconnecting_ = false;
    session_.endSeen();
    session_.beginLink();                   // what was started for the old link finds it gone
    session_.setState(LinkState::LinkIdle); // a message half in takes its unfinished line along
    session_.RxBuffer.clear();
    session_.confirmIdle();
}

} // namespace tolvex
