#include "softtnc/Ax25Link.h"

#include <algorithm>
#include <utility>

namespace tolvex {

namespace {

constexpr int kMaxInfo = 256;

bool carriesNr(Ax25Type type) {
    return type == Ax25Type::I || type == Ax25Type::RR || type == Ax25Type::RNR || type == Ax25Type::REJ;
}

int frameBytes(const Ax25Frame& frame) {
    return int(7 * (2 + frame.digipeaters.size()) + 1 + (frame.hasPid() ? 1 : 0) + frame.info.size());
}

} // namespace

Ax25Link::Ax25Link(Scheduler& scheduler) : Ax25Link(scheduler, Params()) {}

Ax25Link::Ax25Link(Scheduler& scheduler, const Params& params) : scheduler_(scheduler) {
    setParams(params);
}

Ax25Link::~Ax25Link() {
    stopAll();
}

void Ax25Link::setParams(const Params& params) {
    params_ = params;
    params_.window = std::clamp(params_.window, 1, 7);
    params_.paclen = std::clamp(params_.paclen, 1, kMaxInfo);
    params_.frackMs = std::max(params_.frackMs, 100);
    params_.retries = std::max(params_.retries, 0);
    params_.checkMs = std::max(params_.checkMs, 0);
    params_.baud = std::max(params_.baud, 50);
    params_.txDelayMs = std::max(params_.txDelayMs, 0);
}

void Ax25Link::setMyCall(const Ax25Address& call) {
    me_ = call;
    me_.flag = false;
}

qint64 Ax25Link::airTimeMs(qsizetype frameBytes) const {
    // Flags and checksum add four bytes; bit stuffing adds up to a fifth, about a thirty-second
    // on text.
    const qint64 bits = (frameBytes + 4) * 8 + frameBytes / 4;
    return (bits * 1000 + params_.baud - 1) / params_.baud;
}

int Ax25Link::ackDelayMs() const {
    // Long enough for the next frame of a burst to arrive, short of the far end's T1.
    return int(std::min<qint64>(airTimeMs(kMaxInfo + 20) + 100, params_.frackMs * 2 / 3));
}

qsizetype Ax25Link::unacknowledgedBytes() const {
    qsizetype bytes = queue_.size();
    for (quint8 n = va_; n != next_; n = (n + 1) & 7)
        bytes += sent_[n].size();
    return bytes;
}

std::optional<qint64> Ax25Link::dueAt(Timer timer) const {
    const Running& r = running(timer);
    return r.id ? std::optional<qint64>(r.due) : std::nullopt;
}

// ---- Requests from above --------------------------------------------------------------------------

bool Ax25Link::connect(const Ax25Address& remote, const QList<Ax25Address>& digipeaters) {
    if (state_ != State::Disconnected || me_.call.isEmpty()) return false;
    partner_ = remote;
    partner_.flag = false;
    path_ = digipeaters;
    for (Ax25Address& digi : path_)
        digi.flag = false;
    clearSequence();
    queue_.clear();
    resetting_ = false;
    retry_ = 0;
    state_ = State::Connecting;
    transmit(toPartner(Ax25Type::SABM, true, true));
    startT1();
    return true;
}

void Ax25Link::disconnect() {
    switch (state_) {
    case State::Disconnected:
    case State::Disconnecting:
        return;
    case State::Connecting:
        // Undoes a SABM that got through; nobody waits for the answer to it.
        transmit(toPartner(Ax25Type::DISC, true, true));
        linkDown(Event::Disconnected);
        return;
    case State::Connected:
        stopAll();
        queue_.clear();
        state_ = State::Disconnecting;
        retry_ = 0;
        transmit(toPartner(Ax25Type::DISC, true, true));
        startT1();
        return;
    }
}

bool Ax25Link::send(const QByteArray& data) {
    if (state_ != State::Connected && !(state_ == State::Connecting && resetting_)) return false;
    queue_.append(data);
    pushOut();
    return true;
}

void Ax25Link::forget() {
    stopAll();
    state_ = State::Disconnected;
    queue_.clear();
    clearSequence();
    airUntil_ = 0;
}

// ---- Frames from the air --------------------------------------------------------------------------

bool Ax25Link::frameReceived(const Ax25Frame& frame) {
    if (me_.call.isEmpty() || !frame.destination.sameStation(me_)) return false;
    // Not yet through its digipeaters, or our own frame heard again after one repeated it.
    if (!frame.fullyRepeated() || frame.source.sameStation(me_)) return false;
    if (frame.type == Ax25Type::UI) return false;
    if (state_ == State::Disconnected || !frame.source.sameStation(partner_)) {
        fromStranger(frame);
        return true;
    }
    switch (state_) {
    case State::Connecting:
        whileConnecting(frame);
        break;
    case State::Connected:
        whileConnected(frame);
        break;
    case State::Disconnecting:
        whileDisconnecting(frame);
        break;
    case State::Disconnected:
        break;
    }
    return true;
}

// A frame to us from a station we have no link with.
void Ax25Link::fromStranger(const Ax25Frame& frame) {
    switch (frame.type) {
    case Ax25Type::SABM:
        if (state_ == State::Disconnected) return called(frame);
        return transmit(answerTo(frame, Ax25Type::DM)); // one link at a time: busy
    case Ax25Type::SABME:                               // a version 2.2 caller falls back to SABM on DM
    case Ax25Type::XID:
    case Ax25Type::DISC:
    case Ax25Type::I: // a link we do not know (a restart here): the far end drops it at once
        if (frame.command) transmit(answerTo(frame, Ax25Type::DM));
        return;
    case Ax25Type::RR:
    case Ax25Type::RNR:
    case Ax25Type::REJ:
        if (frame.command && frame.pollFinal) transmit(answerTo(frame, Ax25Type::DM));
        return;
    case Ax25Type::TEST:
        if (frame.command) {
            Ax25Frame echo = answerTo(frame, Ax25Type::TEST);
            echo.info = frame.info;
            transmit(echo);
        }
        return;
    default:
        return; // responses to nothing we asked
    }
}

void Ax25Link::called(const Ax25Frame& sabm) {
    partner_ = sabm.source;
    path_ = sabm.replyPath();
    clearSequence();
    queue_.clear();
    resetting_ = false;
    transmit(answerTo(sabm, Ax25Type::UA));
    linkUp(Event::Connected);
}

void Ax25Link::whileConnecting(const Ax25Frame& frame) {
    switch (frame.type) {
    case Ax25Type::UA:
        return linkUp(resetting_ ? Event::Reset : Event::Connected);
    case Ax25Type::SABM: // both sides called at once
        transmit(answerTo(frame, Ax25Type::UA));
        return linkUp(resetting_ ? Event::Reset : Event::Connected);
    case Ax25Type::DM:
        return linkDown(resetting_ ? Event::Disconnected : Event::Busy);
    case Ax25Type::SABME:
    case Ax25Type::DISC:
        if (frame.command) transmit(answerTo(frame, Ax25Type::DM));
        return;
    default:
        return; // frames of the link before a reset, still on their way
    }
}

void Ax25Link::whileConnected(const Ax25Frame& frame) {
    retry_ = 0; // it is there: only T1 after T1 of silence counts towards giving up
    switch (frame.type) {
    case Ax25Type::I:
        iFrame(frame);
        break;
    case Ax25Type::RR:
    case Ax25Type::RNR:
    case Ax25Type::REJ:
        supervisory(frame);
        break;
    case Ax25Type::SABM:
        transmit(answerTo(frame, Ax25Type::UA));
        // Nothing in flight either way (our UA was lost and the caller tried again, say): a reset
        // that loses nothing, so nobody is told.
        if (vr_ == 0 && va_ == 0 && next_ == 0 && queue_.isEmpty()) {
            clearSequence();
            stop(Timer::T1);
            break;
        }
        linkUp(Event::Reset); // the far end set the link up again
        return;
    case Ax25Type::SABME: // it lost the link: DM makes it call again with SABM, which resets
        if (frame.command) transmit(answerTo(frame, Ax25Type::DM));
        return;
    case Ax25Type::DISC:
        transmit(answerTo(frame, Ax25Type::UA));
        return linkDown(Event::Disconnected);
    case Ax25Type::DM:
        return linkDown(Event::Disconnected);
    case Ax25Type::FRMR:
        return resetLink();
    case Ax25Type::TEST:
    case Ax25Type::XID:
        return fromStranger(frame);
    default:
        return;
    }
    if (state_ == State::Connected && !t1_.id) startT3();
}

void Ax25Link::whileDisconnecting(const Ax25Frame& frame) {
    switch (frame.type) {
    case Ax25Type::UA:
    case Ax25Type::DM:
        return linkDown(Event::Disconnected);
    case Ax25Type::DISC: // both ended at once
        transmit(answerTo(frame, Ax25Type::UA));
        return linkDown(Event::Disconnected);
    case Ax25Type::SABM:
    case Ax25Type::SABME:
        if (frame.command) transmit(answerTo(frame, Ax25Type::DM));
        return;
    case Ax25Type::I:
    case Ax25Type::RR:
    case Ax25Type::RNR:
    case Ax25Type::REJ:
        if (frame.command && frame.pollFinal) transmit(answerTo(frame, Ax25Type::DM));
        return;
    default:
        return;
    }
}

void Ax25Link::iFrame(const Ax25Frame& frame) {
    if (!acknowledged(frame)) return;
    if (frame.ns == vr_) {
        vr_ = (vr_ + 1) & 7;
        rejectSent_ = false;
        if (onData && !frame.info.isEmpty()) onData(frame.info);
        if (state_ != State::Connected) return; // the reader ended the link
        if (frame.pollFinal)
            sendAck(true);
        else if (++receivedUnacked_ >= params_.window)
            sendAck(false);
        else
            start(Timer::T2, ackDelayMs()); // held back while more of the burst may follow
    } else if (!rejectSent_) {
        // Out of sequence: one REJ asks for everything from V(R) again.
        rejectSent_ = true;
        ++stats_.rejectsSent;
        Ax25Frame rej = toPartner(Ax25Type::REJ, false, frame.pollFinal);
        transmit(rej);
    } else if (frame.pollFinal) {
        sendAck(true);
    }
    pushOut();
}

void Ax25Link::supervisory(const Ax25Frame& frame) {
    if (!acknowledged(frame)) return;
    peerBusy_ = frame.type == Ax25Type::RNR;
    if (peerBusy_) vs_ = va_; // a busy station drops I frames: what it has not acknowledged goes again
    if (frame.command && frame.pollFinal) sendAck(true);
    if (!frame.command && frame.pollFinal && recovery_) {
        // The answer to our poll: whatever it has not acknowledged goes again.
        recovery_ = false;
        retry_ = 0;
        sendAgain();
        stop(Timer::T1);
    } else if (frame.type == Ax25Type::REJ && !recovery_) {
        sendAgain();
    }
    pushOut();
    if (state_ != State::Connected) return;
    if (!t1_.id && (peerBusy_ || va_ != next_))
        startT1(); // a busy far end is polled on T1
    else if (!t1_.id)
        startT3();
}

// Every N(R) acknowledges the frames before it. False when it names a frame never sent: the
// frame is then dropped, since modulo 8 cannot tell a late copy from a confused far end. Only the
// answer to our own poll is known to be current: a bad N(R) there resets the link.
bool Ax25Link::acknowledged(const Ax25Frame& frame) {
    const int outstanding = (next_ - va_) & 7;
    const quint8 nr = frame.nr;
    if (((nr - va_) & 7) > outstanding) {
        if (recovery_ && !frame.command && frame.pollFinal) resetLink();
        return false;
    }
    const bool progress = nr != va_;
    while (va_ != nr) {
        sent_[va_].clear();
        va_ = (va_ + 1) & 7;
    }
    if (((vs_ - va_) & 7) > ((next_ - va_) & 7)) vs_ = va_; // a rewound V(S) overtaken
    if (progress && !recovery_) {
        if (va_ == next_) {
            stop(Timer::T1);
            startT3();
        } else {
            startT1();
        }
    }
    return true;
}

void Ax25Link::linkUp(Event event) {
    stopAll();
    const bool wasReset = event == Event::Reset;
    // Frames in flight are gone with the old sequence numbers; what was not yet sent still goes.
    clearSequence();
    if (!wasReset) queue_.clear();
    resetting_ = false;
    retry_ = 0;
    state_ = State::Connected;
    startT3();
    emitEvent(event);
    pushOut();
}

void Ax25Link::linkDown(Event event) {
    stopAll();
    state_ = State::Disconnected;
    queue_.clear();
    clearSequence();
    emitEvent(event);
}

// The link cannot go on as it is (a frame the far end could not take, an N(R) out of range):
// set it up again.
void Ax25Link::resetLink() {
    stopAll();
    state_ = State::Connecting;
    resetting_ = true;
    retry_ = 0;
    transmit(toPartner(Ax25Type::SABM, true, true));
    startT1();
}

// Back to the oldest frame not acknowledged, unless its last copy is still waiting in the modem:
// then the far end asked before it could hear that copy (a second REJ, a copy of one), and sending
// it all once more would only lengthen the queue.
void Ax25Link::sendAgain() {
    if (va_ != next_ && leaves_[va_] > scheduler_.nowMs()) return;
    vs_ = va_;
}

void Ax25Link::pushOut() {
    if (state_ != State::Connected || recovery_ || peerBusy_) return;
    bool sentAny = false;
    while (true) {
        QByteArray info;
        if (vs_ != next_) {
            info = sent_[vs_];
            ++stats_.iFramesResent;
        } else if (!queue_.isEmpty() && ((next_ - va_) & 7) < params_.window) {
            info = queue_.left(params_.paclen);
            queue_.remove(0, info.size());
            sent_[next_] = info;
            next_ = (next_ + 1) & 7;
            ++stats_.iFramesSent;
        } else {
            break;
        }
        Ax25Frame frame = toPartner(Ax25Type::I, true, false);
        frame.ns = vs_;
        frame.info = info;
        transmit(frame);
        leaves_[vs_] = airUntil_;
        vs_ = (vs_ + 1) & 7;
        sentAny = true;
    }
    if (sentAny) startT1(); // sized for everything now queued in the modem
}

void Ax25Link::sendAck(bool final) {
    if (!final) ++stats_.acksSent;
    transmit(toPartner(Ax25Type::RR, false, final));
}

// ---- Timers ---------------------------------------------------------------------------------------

void Ax25Link::t1Expired() {
    switch (state_) {
    case State::Disconnected:
        return;
    case State::Connecting:
        if (retry_ >= params_.retries) return linkDown(Event::RetryExceeded);
        ++retry_;
        transmit(toPartner(Ax25Type::SABM, true, true));
        return startT1();
    case State::Disconnecting:
        if (retry_ >= params_.retries) return linkDown(Event::Disconnected);
        ++retry_;
        transmit(toPartner(Ax25Type::DISC, true, true));
        return startT1();
    case State::Connected:
        if (retry_ >= params_.retries) {
            // Told, so that a far end that hears us but is not heard drops the link as well.
            transmit(toPartner(Ax25Type::DM, false, false));
            return linkDown(Event::RetryExceeded);
        }
        ++retry_;
        recovery_ = true;
        ++stats_.polls;
        transmit(toPartner(Ax25Type::RR, true, true));
        return startT1();
    }
}

void Ax25Link::t3Expired() {
    if (state_ != State::Connected || t1_.id) return;
    recovery_ = true;
    retry_ = 0;
    ++stats_.polls;
    transmit(toPartner(Ax25Type::RR, true, true));
    startT1();
}

// ---- Helpers --------------------------------------------------------------------------------------

Ax25Frame Ax25Link::toPartner(Ax25Type type, bool command, bool pollFinal) const {
    Ax25Frame frame;
    frame.destination = partner_;
    frame.source = me_;
    frame.digipeaters = path_;
    frame.type = type;
    frame.command = command;
    frame.pollFinal = pollFinal;
    frame.nr = vr_;
    return frame;
}

// A response to a command, along its path reversed, with F = its P.
Ax25Frame Ax25Link::answerTo(const Ax25Frame& frame, Ax25Type type) const {
    Ax25Frame answer;
    answer.destination = frame.source;
    answer.destination.flag = false;
    answer.source = me_;
    answer.digipeaters = frame.replyPath();
    answer.type = type;
    answer.command = false;
    answer.pollFinal = frame.pollFinal;
    return answer;
}

void Ax25Link::transmit(const Ax25Frame& frame) {
    // The modem sends what it holds back to back; a frame after a pause waits for the key-up.
    const qint64 now = scheduler_.nowMs();
    if (airUntil_ < now) airUntil_ = now + params_.txDelayMs;
    airUntil_ += airTimeMs(frameBytes(frame));
    if (carriesNr(frame.type) && frame.destination.sameStation(partner_)) {
        receivedUnacked_ = 0;
        stop(Timer::T2);
    }
    if (onTransmit) onTransmit(frame);
}

void Ax25Link::clearSequence() {
    vs_ = vr_ = va_ = next_ = 0;
    for (QByteArray& info : sent_)
        info.clear();
    recovery_ = peerBusy_ = rejectSent_ = false;
    receivedUnacked_ = 0;
}

Ax25Link::Running& Ax25Link::running(Timer timer) {
    return timer == Timer::T1 ? t1_ : timer == Timer::T2 ? t2_ : t3_;
}

const Ax25Link::Running& Ax25Link::running(Timer timer) const {
    return timer == Timer::T1 ? t1_ : timer == Timer::T2 ? t2_ : t3_;
}

void Ax25Link::start(Timer timer, qint64 ms) {
    stop(timer);
    Running& r = running(timer);
    r.due = scheduler_.nowMs() + ms;
    r.id = scheduler_.callAfter(int(ms), [this, timer] {
        running(timer).id = 0;
        switch (timer) {
        case Timer::T1:
            return t1Expired();
        case Timer::T2:
            if (state_ == State::Connected) sendAck(false);
            return;
        case Timer::T3:
            return t3Expired();
        }
    });
}

void Ax25Link::stop(Timer timer) {
    Running& r = running(timer);
    if (r.id) scheduler_.cancel(std::exchange(r.id, 0));
}

// T1 allows for the way out and back through each digipeater, and for the air time of whatever
// the modem still holds: KISS never says when a frame has gone.
void Ax25Link::startT1() {
    stop(Timer::T3);
    const qint64 queued = std::max<qint64>(0, airUntil_ - scheduler_.nowMs());
    start(Timer::T1, qint64(params_.frackMs) * (2 * path_.size() + 1) + queued);
}

void Ax25Link::startT3() {
    if (params_.checkMs > 0)
        start(Timer::T3, params_.checkMs);
    else
        stop(Timer::T3);
}

void Ax25Link::stopAll() {
    stop(Timer::T1);
    stop(Timer::T2);
    stop(Timer::T3);
}

void Ax25Link::emitEvent(Event event) {
    if (onEvent) onEvent(event);
}

} // namespace tolvex
