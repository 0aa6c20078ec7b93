#include "softtnc/KissTransport.h"

#include <utility>

namespace tolvex {

namespace {

struct Parameter {
    const char* name;
    int min, max, initial;
    int kiss = -1; // the KISS command that carries it to the TNC, if any
};

// TNC-2 names and units: FRACK in seconds, CHECK in tens of seconds, the KISS timings in tens of
// milliseconds. HBAUD is the radio's bit rate, which only sizes the timers here.
enum { kMaxFrame, kPacLen, kFrack, kRetry, kCheck, kHBaud, kTxDelay, kPersist, kSlotTime, kTxTail, kCount };
const Parameter kParameters[kCount] = {
    {"MAXFRAME", 1, 7, 4},
    {"PACLEN", 1, 256, 128},
    {"FRACK", 1, 15, 3},
    {"RETRY", 0, 15, 10},
    {"CHECK", 0, 255, 30},
    {"HBAUD", 50, 19200, 1200},
    {"TXDELAY", 0, 255, 30, int(KissCommand::TxDelay)},
    {"PERSIST", 0, 255, 63, int(KissCommand::Persist)},
    {"SLOTTIME", 0, 255, 10, int(KissCommand::SlotTime)},
    {"TXTAIL", 0, 255, 3, int(KissCommand::TxTail)},
};

QByteArray agwCall(const QByteArray& field) {
    return field.left(field.indexOf('\0') < 0 ? field.size() : field.indexOf('\0')).trimmed();
}

// The digipeaters at the start of a 'V' or 'v' frame's data: a count, then 10-byte calls. The
// text after them, or nothing when a call is no AX.25 address.
std::optional<QByteArray> takePath(const QByteArray& data, QList<Ax25Address>& path) {
    if (data.isEmpty()) return std::nullopt;
    const int count = quint8(data[0]);
    if (count > kAx25MaxDigipeaters || data.size() < 1 + 10 * count) return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const std::optional<Ax25Address> digi = Ax25Address::parse(agwCall(data.mid(1 + 10 * i, 10)));
        if (!digi) return std::nullopt;
        path.append(*digi);
    }
    return data.mid(1 + 10 * count);
}

QByteArray pathText(const QList<Ax25Address>& digis) {
    qsizetype lastRepeated = -1;
    for (qsizetype i = 0; i < digis.size(); ++i)
        if (digis[i].flag) lastRepeated = i;
    QList<QByteArray> names;
    for (qsizetype i = 0; i < digis.size(); ++i)
        names.append(digis[i].text() + (i == lastRepeated ? "*" : ""));
    return names.join(',');
}

} // namespace

KissTransport::KissTransport(KissLine& line, Scheduler& scheduler)
    : line_(line), scheduler_(scheduler), link_(scheduler) {
    resetParameters();
    line_.onBytes = [this](const QByteArray& bytes) { bytesIn(bytes); };
    line_.onError = [this](const QByteArray& reason) {
        link_.forget(); // its far end hears DM when it next asks
        if (onError) onError("the KISS TNC at " + line_.name() + ": " + reason);
    };
    link_.onTransmit = [this](const Ax25Frame& frame) { line_.write(encodeKissData(encodeAx25(frame))); };
    link_.onData = [this](const QByteArray& data) { up('D', link_.partner().text(), data); };
    link_.onEvent = [this](Ax25Link::Event event) { linkEvent(event); };
}

KissTransport::~KissTransport() {
    if (handOver_) scheduler_.cancel(handOver_);
    line_.onBytes = nullptr;
    line_.onError = nullptr;
}

bool KissTransport::open() {
    if (line_.isOpen()) return true;
    decoder_.reset();
    link_.forget();
    resetParameters();
    monitoring_ = false; // SoftTnc turns it on as it opens
    return line_.open();
}

void KissTransport::close() {
    link_.forget();
    toTnc_.clear();
    resetParameters();
    line_.close();
}

bool KissTransport::isOpen() const {
    return line_.isOpen();
}

void KissTransport::send(const AgwFrame& frame) {
    switch (frame.kind) {
    case 'X': {
        const std::optional<Ax25Address> call = Ax25Address::parse(frame.callFrom);
        if (call) link_.setMyCall(*call);
        up('X', frame.callFrom, QByteArray(1, call ? '\1' : '\0'));
        return;
    }
    case 'm':
        monitoring_ = !monitoring_;
        return;
    case 'M':
        return sendUi(frame, false);
    case 'V':
        return sendUi(frame, true);
    case 'C':
        return connectTo(frame, false);
    case 'v':
        return connectTo(frame, true);
    case 'D':
        link_.send(frame.data);
        return;
    case 'd':
        if (link_.state() == Ax25Link::State::Disconnected) // nothing to end: said at once
            return up('d', frame.callTo, "*** DISCONNECTED From Station " + frame.callTo + '\r');
        link_.disconnect();
        return;
    default:
        return; // unregistering, counts, versions: nothing a KISS TNC has
    }
}

void KissTransport::sendUi(const AgwFrame& agw, bool withPath) {
    Ax25Frame frame;
    QByteArray text = agw.data;
    const std::optional<Ax25Address> to = Ax25Address::parse(agw.callTo);
    if (withPath) {
        const std::optional<QByteArray> rest = takePath(agw.data, frame.digipeaters);
        if (!rest) return;
        text = *rest;
    }
    if (!to || link_.myCall().call.isEmpty()) return;
    frame.destination = *to;
    frame.source = link_.myCall();
    frame.type = Ax25Type::UI;
    frame.command = true;
    frame.pid = agw.pid ? agw.pid : kAx25NoLayer3;
    // A UI frame holds 256 bytes at most: a longer text goes in several.
    for (qsizetype at = 0; at < text.size() || at == 0; at += 256) {
        frame.info = text.mid(at, 256);
        link_.sendUnconnected(frame);
    }
}

void KissTransport::connectTo(const AgwFrame& agw, bool withPath) {
    QList<Ax25Address> path;
    const std::optional<Ax25Address> to = Ax25Address::parse(agw.callTo);
    const bool pathOk = !withPath || takePath(agw.data, path);
    if (!to || !pathOk || !link_.connect(*to, path)) {
        up('d', agw.callTo, "*** DISCONNECTED From Station " + agw.callTo + '\r');
        return;
    }
    calling_ = true;
}

void KissTransport::bytesIn(const QByteArray& bytes) {
    for (const KissFrame& kiss : decoder_.feed(bytes)) {
        if (kiss.command != KissCommand::Data || kiss.port != 0) continue; // answers, other ports
        const Ax25Decoded decoded = decodeAx25(kiss.payload);
        if (!decoded.frame) {
            ++badFrames_;
            continue;
        }
        heard(*decoded.frame);
    }
}

void KissTransport::heard(const Ax25Frame& frame) {
    if (link_.frameReceived(frame) || !monitoring_) return;
    // As a sound-card modem reports a heard frame: a header line, then the text of an I or UI
    // frame; kind 'I' for I frames, 'S' for RR, RNR and REJ, 'U' for the rest.
    const bool ui = frame.type == Ax25Type::UI;
    QByteArray head = " 1:Fm " + frame.source.text() + " To " + frame.destination.text();
    if (!frame.digipeaters.isEmpty()) head += " Via " + pathText(frame.digipeaters);
    head += " <" + (ui ? QByteArray("UI") : monitorKind(frame));
    if (frame.hasPid())
        head += " pid=" + QByteArray::number(frame.pid, 16).toUpper() +
                " Len=" + QByteArray::number(frame.info.size());
    if (ui) head += QByteArray(" PF=") + (frame.pollFinal ? "1" : "0");
    head += " >";
    const bool supervisory =
        frame.type == Ax25Type::RR || frame.type == Ax25Type::RNR || frame.type == Ax25Type::REJ;
    AgwFrame agw;
    agw.kind = frame.type == Ax25Type::I ? 'I' : supervisory ? 'S' : 'U';
    agw.pid = frame.pid;
    agw.callFrom = frame.source.text();
    agw.callTo = frame.destination.text();
    agw.data = head + '\r' + (frame.hasPid() ? frame.info + '\r' : QByteArray());
    toTnc_.append(agw);
    up(0, {});
}

void KissTransport::linkEvent(Ax25Link::Event event) {
    const QByteArray call = link_.partner().text();
    switch (event) {
    case Ax25Link::Event::Connected:
        up('C', call, (calling_ ? "*** CONNECTED With Station " : "*** CONNECTED To Station ") + call + '\r');
        return;
    case Ax25Link::Event::Reset:
        return; // the link goes on
    case Ax25Link::Event::Disconnected:
        up('d', call, "*** DISCONNECTED From Station " + call + '\r');
        break;
    case Ax25Link::Event::RetryExceeded:
        up('d', call, "*** DISCONNECTED RETRYOUT With " + call + '\r');
        break;
    case Ax25Link::Event::Busy:
        up('d', call, "*** DISCONNECTED BUSY From Station " + call + '\r');
        break;
    }
    calling_ = false;
}

// A frame for SoftTnc, from the event loop as a modem's would come (kind 0: only the hand-over).
void KissTransport::up(char kind, const QByteArray& from, const QByteArray& data) {
    if (kind) {
        AgwFrame frame;
        frame.kind = kind;
        frame.pid = kAx25NoLayer3;
        frame.callFrom = from;
        frame.callTo = link_.myCall().text();
        frame.data = data;
        toTnc_.append(frame);
    }
    if (handOver_) return;
    handOver_ = scheduler_.callAfter(0, [this] {
        handOver_ = 0;
        const QList<AgwFrame> frames = std::exchange(toTnc_, {});
        for (const AgwFrame& frame : frames)
            if (onFrame) onFrame(frame);
    });
}

std::optional<QList<QByteArray>> KissTransport::command(const QByteArray& verb,
                                                        const QList<QByteArray>& words) {
    const Parameter* table = kParameters;
    if (verb == "DISPLAY") {
        QList<QByteArray> lines;
        for (int i = 0; i < kCount; ++i)
            lines.append(QByteArray(table[i].name) + ' ' + QByteArray::number(values_[i]));
        return lines;
    }
    int index = -1;
    for (int i = 0; i < kCount; ++i)
        if (verb == table[i].name) index = i;
    if (index < 0) return std::nullopt;
    const Parameter& p = table[index];
    if (words.isEmpty())
        return QList<QByteArray>{p.name + QByteArray(" ") + QByteArray::number(values_[index])};
    bool number = false;
    const int value = words.size() == 1 ? words.first().toInt(&number) : 0;
    if (!number || value < p.min || value > p.max)
        return QList<QByteArray>{"?bad value: " + QByteArray(p.name) + " takes " + QByteArray::number(p.min) +
                                 " to " + QByteArray::number(p.max)};
    const int old = std::exchange(values_[index], value);
    applyParameters();
    // Sent only when asked for: on a shared modem it changes the channel for every program.
    if (p.kiss >= 0 && line_.isOpen()) line_.write(encodeKissParameter(KissCommand(p.kiss), quint8(value)));
    return QList<QByteArray>{QByteArray(p.name) + " was " + QByteArray::number(old)};
}

void KissTransport::applyParameters() {
    Ax25Link::Params params = link_.params();
    params.window = values_[kMaxFrame];
    params.paclen = values_[kPacLen];
    params.frackMs = values_[kFrack] * 1000;
    params.retries = values_[kRetry];
    params.checkMs = values_[kCheck] * 10'000;
    params.baud = values_[kHBaud];
    params.txDelayMs = values_[kTxDelay] * 10;
    link_.setParams(params);
}

void KissTransport::resetParameters() {
    values_.clear();
    for (int i = 0; i < kCount; ++i)
        values_.append(kParameters[i].initial);
    applyParameters();
}

} // namespace tolvex
