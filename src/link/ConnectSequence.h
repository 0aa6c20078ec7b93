#pragma once
// Connecting to another station, directly or through up to three nodes: one connect command per
// hop, the next one released by the node's ready answer. Also the Disconnect and "Connect to  Local
// BBS" buttons of the main window.
#include "LinkSession.h"
#include "TncPort.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Settings.h"

#include <array>
#include <cstdint>
#include <functional>

namespace tolvex {

class ConnectSequence {
public:
    static constexpr int kMaxNodes = 3;
    static constexpr int kDisconnectPauseMs = 2550;

    ConnectSequence(const Settings& settings, LinkSession& session, Sequencer& sequencer, TncPort& tnc,
                    MessageBoxes& boxes, Scheduler& scheduler);
    ~ConnectSequence();
    ConnectSequence(const ConnectSequence&) = delete;
    ConnectSequence& operator=(const ConnectSequence&) = delete;

    // The dialog's Connect with the destination "CALL,NODE1,NODE2,NODE3" (first node nearest).
    // True when a sequence started (the dialog closes); false after telling the operator why not.
    // While an earlier link is being taken down, the first command waits for that link's
    // disconnected text (or LinkSession::kEndTextLimitMs): the TNC would refuse it, or take the old
    // link's end for the new one's.
    bool connect(const QByteArray& destination);
    // The disconnected text of the link being taken down came.
    void oldLinkEnded();
    // A connect is waiting for an older link's end; no command of it has gone out.
    bool waitingForOldLink() const { return waiting_; }
    // The first command of the connect has not reached the TNC yet: it waits for an older link's
    // end or behind another sequence. Nothing the TNC prints meanwhile answers it.
    bool firstCommandPending() const;
    // A station called in before that command went out: the TNC holds its link now, so the
    // connect is given up and its command never sent.
    void giveUpForIncoming();
    // The station the first command called (the first node, or the destination), while no answer
    // past that hop is awaited; empty otherwise. A connected text naming another station then is
    // that station calling in, not the answer.
    QByteArray firstHopCall() const;
    // The port is gone: no link can be up, and nothing queued for one will reach the TNC.
    void portLost();
    // The first connect command: to the first node, or to the destination.
    void begin();
    // A node said it is ready: the next hop's command.
    void nodeReady();
    // "Disconnect".
    void disconnect();
    // "Connect to  Local BBS".
    void connectToMailbox();
    // Told when the operator presses Disconnect, before anything goes to the TNC.
    std::function<void()> onDisconnect;

    // Counts connect commands sent; a node answer taken before the last one belongs to an older hop.
    quint64 hop() const { return hop_; }

    QByteArray DestCall;
    std::array<QByteArray, kMaxNodes + 1> NodeCall; // entry 3 stays empty
    std::int16_t NodeCount = 0;
    std::int16_t NodeIndex = 0;

private:
    void sendConnect(const QByteArray& text);
    void stopWaiting();
    void armWaitLimit();

    const Settings& settings_;
    LinkSession& session_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    MessageBoxes& boxes_;
    Scheduler& scheduler_;
    quint64 hop_ = 0;
    bool disconnecting_ = false; // from the Disconnect press until its sequence ends
    bool waiting_ = false;       // a connect waits for the end of the link before it
    quint64 waitingLink_ = 0;    // the link that connect began
    Scheduler::TimerId waitLimit_ = 0;
    Sequencer::Id command_ = 0; // the last connect command, which may wait behind other sequences
    quint64 firstHop_ = 0;      // the hop number of the connect's first command
};

} // namespace tolvex
