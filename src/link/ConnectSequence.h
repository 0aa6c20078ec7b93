#pragma once
// Connecting to another station, directly or through up to three nodes: one connect command per
// hop, the next one released by the node's ready answer. Also the Disconnect and "Connect to  Local
// BBS" buttons of the main window.
#include "LinkSession.h"
#include "core/views/MainView.h"
#include "Panes.h"
#include "core/Sequencer.h"
#include "TncPort.h"
#include "core/Platform.h"
#include "core/Settings.h"

#include <array>
#include <cstdint>

namespace tolvex {

class ConnectSequence {
public:
    static constexpr int kMaxNodes = 3;
    static constexpr int kDisconnectPauseMs = 2550;

    ConnectSequence(const Settings& settings, LinkSession& session, MainView& view, Sequencer& sequencer,
                    TncPort& tnc, Panes& panes, MessageBoxes& boxes);

    // The dialog's Connect with the destination "CALL,NODE1,NODE2,NODE3" (first node nearest).
    // True when a sequence started (the dialog closes); false after telling the operator why not.
    bool cmdConnect(const QByteArray& destination);
    // "Begin" starts the sequence, "NodeReady" releases the next hop; any other event does nothing.
    void connectStep(const QByteArray& event);
    void cmdDiscClick();
    void cmdLocalBBSClick();

    // Counts connect commands sent; a node answer taken before the last one belongs to an older hop.
    quint64 hop() const { return hop_; }

    QByteArray DestCall;
    std::array<QByteArray, kMaxNodes + 1> NodeCall; // entry 3 stays empty
    std::int16_t NodeCount = 0;
    std::int16_t NodeIndex = 0;

private:
    void sendConnect(const QByteArray& text);

    const Settings& settings_;
    LinkSession& session_;
    MainView& view_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    Panes& panes_;
    MessageBoxes& boxes_;
    quint64 hop_ = 0;
    bool disconnecting_ = false; // from the Disconnect press until its sequence ends
};

} // namespace tolvex
