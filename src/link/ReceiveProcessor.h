#pragma once
// The one place that reads what the TNC prints. Each received chunk is shown in its pane and
// added to RxBuffer; then every complete item in the buffer is taken, in the order it arrived,
// according to the link state: connects and disconnects, node answers, the mailbox prompt,
// unconnected frames to one of the station's groups or to the net, and messages on a link.
// It never reads the port and never blocks: its pauses are sequencer steps.
#include "ConnectSequence.h"
#include "LinkSession.h"
#include "Panes.h"
#include "TncPort.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/MainView.h"

#include <cstdint>
#include <functional>

namespace tolvex {

class ReceiveProcessor {
public:
    // An unfinished line outside a message is cut to its last kLineTail characters past kLineCap.
    static constexpr qsizetype kLineCap = 4096;
    // How much of a connected line may come before it shows which station it names.
    static constexpr qsizetype kCallLineLimit = 80;
    static constexpr qsizetype kLineTail = 1024;
    // An unconnected capture (a header line and one text line) is handed over at this size.
    static constexpr qsizetype kCaptureCap = 16 * 1024;
    // A message on a link is kept up to this size; the rest is counted, and the message says so.
    static constexpr qsizetype kMessageCap = 1024 * 1024;
    // The header handler reads at most this much of a header line, however the line was split.
    static constexpr qsizetype kHeaderLineCap = kLineCap - kLineTail;

    static constexpr int kLinkDropPauseMs = 150;
    static constexpr int kNodeReadyPauseMs = 200;
    static constexpr int kDisconnectRequestPauseMs = 600;
    static constexpr int kUnprotoFirstTickMs = 2500;
    static constexpr int kUnprotoTickMs = 300;

    ReceiveProcessor(const Station& station, LinkSession& session, MainView& view, MessageHandlers& handlers,
                     Panes& panes, ConnectSequence& connect, Sequencer& sequencer, TncPort& tnc,
                     Scheduler& scheduler);
    // Who takes the complete items from now on.
    void useHandlers(MessageHandlers& handlers) { handlers_ = &handlers; }
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

private:
    // Undecided: the unfinished line names a group or the net, but has not yet shown its frame's kind.
    enum class Capture { None, Group, Net, Undecided };

    void takeChunk(const QByteArray& chunk);
    void process();
    void stateChanged(LinkState from, LinkState to);
    void setState(LinkState to) { session_.setState(to); }
    LinkState state() const { return session_.state(); }
    const QByteArray& lineEnd() const;
    void consume(qsizetype n);
    void boundUnfinishedLine();

    bool linkIdle();
    Capture frameAddressedHere(QByteArrayView line, bool lineEnded) const;
    bool captureStep(bool net);
    bool linkViaNodes();
    void scheduleNodeStep();
    void cancelNodeStep();
    bool linkConnected();
    void eolProcessing(const QByteArray& line, bool mailbox, bool atLineStart);
    void appendToMessage(QByteArrayView text);
    // Hands the captured message over, with a note at its end (why it ended early) if any.
    void deliverMessage(QByteArrayView note, bool mayDisconnect);
    void linkDropped(LinkState from);
    void callFailed();
    void disconnectNow();
    bool linkBbsCalling();
    bool unprotoAnswer();
    void unprotoQueryEnded(bool answered);
    void timer2Tick();

    const Station& station_;
    const Settings& settings_;
    LinkSession& session_;
    MainView& view_;
    MessageHandlers* handlers_;
    Panes& panes_;
    ConnectSequence& connect_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    Scheduler& scheduler_;

    bool lineCut_ = false;        // the unfinished line lost its beginning, so it cannot be a header
    bool echoEndPending_ = false; // the echo of our end marker came without its line end yet
    qsizetype cutAt_ = -1;        // where the message being captured reached its cap
    qsizetype cutLength_ = 0;     // what came after that and was not kept
    Sequencer::Id nodeStep_ = 0;  // the pause before the next hop's command, while one is due
    QByteArray heldDuringQuery_;  // lines that came during the UNPROTO query, read once it ends
    std::int16_t UnprotoTicks = 0;
    Scheduler::TimerId timer2_ = 0;
};

} // namespace tolvex
