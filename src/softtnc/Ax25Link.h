#pragma once
// One AX.25 version 2.0 connected-mode link (modulo 8) over a KISS TNC. A pure state machine:
// frames from the air, the operator's requests and timer events go in; frames to transmit, data
// received and link events come out. Time comes only from the scheduler, so tests drive it on a
// manual clock.
#include "core/Platform.h"
#include "softtnc/Ax25Frame.h"

#include <functional>
#include <optional>

namespace tolvex {

class Ax25Link {
public:
    enum class State { Disconnected, Connecting, Connected, Disconnecting };
    enum class Event {
        Connected,     // a link came up, called or calling
        Disconnected,  // ended by either side
        Busy,          // the called station refused the connect
        RetryExceeded, // no answer after the retries: the link is down
        Reset,         // the link was set up again while up: frames in flight may be lost
    };
    enum class Timer { T1, T2, T3 };

    struct Params {
        int window = 4;        // k: I frames outstanding at most (1-7)
        int paclen = 128;      // the largest information field sent (1-256)
        int frackMs = 3000;    // T1 on a direct link, before the air time still queued
        int retries = 10;      // N2
        int checkMs = 300'000; // T3: an idle link is polled after this long; 0 never
        int baud = 1200;       // the radio's bit rate, to estimate air time
        int txDelayMs = 300;   // the modem's key-up time before each burst
    };

    struct Stats {
        int iFramesSent = 0; // first sendings
        int iFramesResent = 0;
        int polls = 0; // RR with P=1 after T1 or T3
        int rejectsSent = 0;
        int acksSent = 0; // RR responses without the final bit
    };

    explicit Ax25Link(Scheduler& scheduler);
    Ax25Link(Scheduler& scheduler, const Params& params);
    ~Ax25Link();
    Ax25Link(const Ax25Link&) = delete;
    Ax25Link& operator=(const Ax25Link&) = delete;

    void setParams(const Params& params);
    const Params& params() const { return params_; }
    void setMyCall(const Ax25Address& call);
    const Ax25Address& myCall() const { return me_; }

    // Calls a station, through digipeaters in the order the frame goes out. False when a link
    // exists already or no call of our own is set.
    bool connect(const Ax25Address& remote, const QList<Ax25Address>& digipeaters = {});
    void disconnect();
    // Queues data for the link, cut into frames of paclen at most. False without a link.
    bool send(const QByteArray& data);
    // An unconnected frame (UI) from this station: sent as it is, its air time counted with the
    // link's own.
    void sendUnconnected(const Ax25Frame& frame) { transmit(frame); }
    // A frame heard on the channel. True when this link took it; false for frames of others and
    // unconnected frames, which belong to the monitor.
    bool frameReceived(const Ax25Frame& frame);
    // The way down was lost and found again: whatever link there was is forgotten without a word
    // on the air, and the far end's next poll is answered with DM.
    void forget();

    State state() const { return state_; }
    const Ax25Address& partner() const { return partner_; }
    const QList<Ax25Address>& path() const { return path_; }
    qsizetype unacknowledgedBytes() const; // queued or sent and not yet acknowledged
    std::optional<qint64> dueAt(Timer timer) const;
    const Stats& stats() const { return stats_; }
    // How long the modem needs to send a frame of this many bytes (without flags and checksum).
    qint64 airTimeMs(qsizetype frameBytes) const;
    // How long an acknowledgement is held back for more I frames to arrive.
    int ackDelayMs() const;

    std::function<void(const Ax25Frame&)> onTransmit;
    std::function<void(const QByteArray&)> onData;
    std::function<void(Event)> onEvent;

private:
    struct Running {
        Scheduler::TimerId id = 0;
        qint64 due = 0;
    };

    void called(const Ax25Frame& sabm);
    void fromStranger(const Ax25Frame& frame);
    void whileConnecting(const Ax25Frame& frame);
    void whileConnected(const Ax25Frame& frame);
    void whileDisconnecting(const Ax25Frame& frame);
    void iFrame(const Ax25Frame& frame);
    void supervisory(const Ax25Frame& frame);
    bool acknowledged(const Ax25Frame& frame);
    void linkUp(Event event);
    void linkDown(Event event);
    void resetLink();
    void pushOut();
    void sendAgain();
    void sendAck(bool final);
    void t1Expired();
    void t3Expired();

    Ax25Frame toPartner(Ax25Type type, bool command, bool pollFinal) const;
    Ax25Frame answerTo(const Ax25Frame& frame, Ax25Type type) const;
    void transmit(const Ax25Frame& frame);
    void clearSequence();
    void start(Timer timer, qint64 ms);
    void stop(Timer timer);
    void startT1();
    void startT3();
    void stopAll();
    Running& running(Timer timer);
    const Running& running(Timer timer) const;
    void emitEvent(Event event);

    Scheduler& scheduler_;
    Params params_;
    Ax25Address me_;
    State state_ = State::Disconnected;
    Ax25Address partner_;
    QList<Ax25Address> path_; // as our frames go out
    bool resetting_ = false;  // a SABM of a link that was up: its UA brings back the same link
    int retry_ = 0;
    bool recovery_ = false; // T1 ran out: polling for the far end's state
    bool peerBusy_ = false;
    bool rejectSent_ = false;
    int receivedUnacked_ = 0;
    quint8 vs_ = 0, vr_ = 0, va_ = 0;
    quint8 next_ = 0;       // N(S) of the next frame cut from queue_
    QByteArray sent_[8];    // by N(S), from V(A) up to next_
    qint64 leaves_[8] = {}; // by N(S): when its last copy will have left the modem
    QByteArray queue_;      // not yet cut into frames
    qint64 airUntil_ = 0;   // when what the modem holds will have left it
    Running t1_, t2_, t3_;
    Stats stats_;
};

} // namespace tolvex
