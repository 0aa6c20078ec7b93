#pragma once
// The one place that reads what the TNC prints. Each received chunk is shown in its pane and
// added to RxBuffer; then every complete item in the buffer is taken, in the order it arrived,
// according to the link state: connects and disconnects, node answers, the mailbox prompt,
// unconnected frames to one of the station's groups or to the net, and messages on a link.
// It never reads the port and never blocks: its pauses are sequencer steps.
#include "ConnectSequence.h"
#include "LinkSession.h"
#include "core/views/MainView.h"
#include "Panes.h"
#include "core/Sequencer.h"
#include "TncPort.h"
#include "core/Platform.h"
#include "core/Station.h"

#include <cstdint>
#include <functional>

namespace tolvex {

class ReceiveProcessor {
public:
    // An unfinished line outside a message is cut to its last kLineTail characters past kLineCap.
    static constexpr qsizetype kLineCap = 4096;
    static constexpr qsizetype kLineTail = 1024;
    // An unconnected capture (a header line and one text line) is handed over at this size.
    static constexpr qsizetype kCaptureCap = 16 * 1024;
    // A message on a link is handed over in pieces of this size at most.
    static constexpr qsizetype kMessageCap = 1024 * 1024;

    static constexpr int kLinkDropPauseMs = 150;
    static constexpr int kNodeReadyPauseMs = 200;
    static constexpr int kDisconnectRequestPauseMs = 600;
    static constexpr int kUnprotoFirstTickMs = 2500;
    static constexpr int kUnprotoTickMs = 300;

    ReceiveProcessor(const Station& station, LinkSession& session, MainView& view, MessageHandlers& handlers,
                     Panes& panes, ConnectSequence& connect, Sequencer& sequencer, TncPort& tnc,
                     Scheduler& scheduler);
    ~ReceiveProcessor();
    ReceiveProcessor(const ReceiveProcessor&) = delete;
    ReceiveProcessor& operator=(const ReceiveProcessor&) = delete;

    // Every chunk the port received, in order.
    void comInput(const QByteArray& chunk);

    // Start-up, once the TNC has been told to enter command mode: ask for its UNPROTO path at the
    // first Timer2 tick (2500 ms), give up on the fourth (300 ms apart).
    void startUnprotoQuery();
    // Shutdown: no query may go out any more.
    void stopUnprotoQuery();
    std::int16_t unprotoTicks() const { return UnprotoTicks; }

    // Told of every change of the link state made here (for tests and diagnostics).
    std::function<void(LinkState from, LinkState to)> onTransition;

private:
    enum class Capture { None, Group, Net };

    void takeChunk(const QByteArray& chunk);
    void process();
    void syncState();
    void setState(LinkState to);
    LinkState state() const { return session_.linkState; }
    const QByteArray& lineEnd() const;
    void consume(qsizetype n);
    void boundUnfinishedLine();

    bool linkIdle();
    Capture frameAddressedHere(QByteArrayView line) const;
    bool captureStep(bool net);
    bool linkViaNodes();
    void scheduleNodeStep();
    void cancelNodeStep();
    bool linkConnected();
    void eolProcessing(const QByteArray& line, bool mailbox, bool atLineStart);
    void appendToMessage(QByteArrayView text);
    void deliverMessage(bool complete, bool mayDisconnect);
    void linkDropped(LinkState from);
    void showIdleButtons();
    bool linkBbsCalling();
    bool unprotoAnswer();
    void timer2Tick();

    const Station& station_;
    const Settings& settings_;
    LinkSession& session_;
    MainView& view_;
    MessageHandlers& handlers_;
    Panes& panes_;
    ConnectSequence& connect_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    Scheduler& scheduler_;

    LinkState lastState_ = LinkState::LinkIdle; // as this processor last left it
    bool lineCut_ = false; // the unfinished line lost its beginning, so it cannot be a header
    bool nodeStepPending_ = false;
    quint64 nodeToken_ = 0; // a pending node step runs only while this is unchanged
    bool inInput_ = false;
    QByteArray heldInput_; // chunks that came while a handler held up processing
    std::int16_t UnprotoTicks = 0;
    Scheduler::TimerId timer2_ = 0;
};

} // namespace tolvex
