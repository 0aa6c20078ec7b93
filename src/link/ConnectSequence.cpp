#include "ConnectSequence.h"

namespace tolvex {

ConnectSequence::ConnectSequence(const Settings& settings, LinkSession& session, MainView& view,
                                 Sequencer& sequencer, TncPort& tnc, Panes& panes, MessageBoxes& boxes)
    : settings_(settings), session_(session), view_(view), sequencer_(sequencer), tnc_(tnc), panes_(panes),
      boxes_(boxes) {}

bool ConnectSequence::cmdConnect(const QByteArray& destination) {
    if (destination.trimmed().isEmpty()) {
        boxes_.show(QStringLiteral("No Destination specified"),
                    QStringLiteral("You must enter a destination callsign."), MessageBoxes::Icon::None,
                    MessageBoxes::Buttons::Ok);
        return false;
    }
    const QList<QByteArray> parts = destination.split(',');
    if (parts.size() > kMaxNodes + 1) {
        boxes_.show(QStringLiteral("Too Many Nodes"),
                    QStringLiteral(
                        "A connection can pass through at most 3 nodes.\r\n"
                        "Enter the destination as CALL,NODE1,NODE2,NODE3 with the node nearest you first."),
                    MessageBoxes::Icon::Warning, MessageBoxes::Buttons::Ok);
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
                MessageBoxes::Icon::Warning, MessageBoxes::Buttons::Ok);
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
    session_.linkState = LinkState::LinkViaNodes;
    view_.setText("lblConn", "Connecting");
    connectStep("Begin");
    return true;
}

void ConnectSequence::sendConnect(const QByteArray& text) {
    // Whatever the TNC printed before this command is no answer to it: a stale ready or link-made
    // text must not release the next hop or show "Connected".
    session_.RxBuffer.clear();
    ++hop_;
    Sequence seq{Step::send(text + settings_.OutLineEnd)};
    if (settings_.Duplex == "half")
        seq.push_back(Step::run([this, text] { tnc_.echoToPane(text + "\r\n"); }));
    sequencer_.run(std::move(seq));
}

void ConnectSequence::connectStep(const QByteArray& event) {
    const QByteArray connCmd = settings_.ConnCmd + ' ';
    if (event == "Begin") {
        view_.setVisible("cmdLocalBBS", false);
        view_.setVisible("cmdDisc", true);
        view_.setVisible("Label3", true);
        if (NodeCount != 0) {
            NodeIndex = 0;
            sendConnect(connCmd + NodeCall[0]);
            return;
        }
        sendConnect(connCmd + DestCall); // a trailing "*" goes out with the call here
        session_.linkState = LinkState::LinkCalling;
        view_.setText("lblConn", "Connecting");
        return;
    }
    if (event != "NodeReady" || disconnecting_) return;
    const auto next = static_cast<std::size_t>(NodeIndex + 1);
    if (next < NodeCall.size() && !NodeCall[next].isEmpty()) {
        ++NodeIndex;
        sendConnect(connCmd + NodeCall[next]);
    } else {
        // At the last node a destination ending in "*" is a text to type there, not a call.
        if (DestCall.endsWith('*'))
            sendConnect(DestCall.chopped(1));
        else
            sendConnect(connCmd + DestCall);
        session_.linkState = LinkState::LinkCalling;
    }
    view_.setText("lblConn", "Connecting");
}

void ConnectSequence::cmdDiscClick() {
    tnc_.echoToPane(settings_.DisconCmd + "\r\n");
    // No node answer may send another connect once the operator asked to leave.
    disconnecting_ = true;
    sequencer_.run({
        Step::send(settings_.OutLineEnd + settings_.cmdChar()),
        Step::wait(kDisconnectPauseMs),
        Step::send(settings_.DisconCmd + settings_.OutLineEnd),
        Step::run([this] {
            disconnecting_ = false;
            session_.linkState = LinkState::LinkIdle;
            view_.setText("lblConn", {});
            view_.setVisible("cmdSend", false);
            view_.setVisible("cmdDisc", false);
            view_.setVisible("Label3", false);
            view_.setVisible("cmdLocalBBS", true);
            tnc_.focusToPanel();
        }),
    });
}

void ConnectSequence::cmdLocalBBSClick() {
    panes_.showMailboxView();
    session_.linkState = LinkState::LinkBbsCalling;
    view_.setFocus("tbLocal");
    session_.RxBuffer.clear();
    sequencer_.run({Step::send(settings_.OutLineEnd + settings_.cmdChar())});
    tnc_.focusToPanel();
}

} // namespace tolvex
