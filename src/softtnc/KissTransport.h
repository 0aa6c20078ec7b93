#pragma once
// The software TNC's way down to a KISS TNC. SoftTnc asks for links and frames as it would ask a
// sound-card modem over AGW; here Tolvex's own AX.25 link layer carries them out over KISS, and
// what the link and the channel do comes back as the AGW frames such a modem sends. So the text
// the program reads is the same either way.
#include "core/Platform.h"
#include "softtnc/AgwTransport.h"
#include "softtnc/Ax25Link.h"
#include "softtnc/KissFrame.h"

#include <QList>
#include <functional>
#include <optional>

namespace tolvex {

// A byte stream to a KISS TNC: a serial line or a TCP connection.
class KissLine {
public:
    virtual ~KissLine() = default;
    // Starts reaching the TNC; bytes written before it answers wait. False when it cannot start.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray& bytes) = 0;
    virtual QByteArray name() const = 0; // "/dev/ttyUSB0" or "host:8001", for the operator

    // Set by the owner: every chunk received, and the reason when the line is lost.
    std::function<void(const QByteArray&)> onBytes;
    std::function<void(const QByteArray&)> onError;
};

class KissTransport final : public AgwTransport {
public:
    // The scheduler runs the link's timers and hands its frames up from the event loop.
    KissTransport(KissLine& line, Scheduler& scheduler);
    ~KissTransport() override;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void send(const AgwFrame& frame) override;

    // The TNC-2 parameter commands a KISS TNC leaves to the computer (MAXFRAME, PACLEN, FRACK,
    // RETRY, CHECK, HBAUD) or takes as KISS parameter frames (TXDELAY, PERSIST, SLOTTIME, TXTAIL),
    // and DISPLAY. The lines to answer (none for a value set without an old one worth saying),
    // or nothing when the command is none of these. Values last until the port closes.
    std::optional<QList<QByteArray>> command(const QByteArray& verb, const QList<QByteArray>& words);

    const Ax25Link& link() const { return link_; }
    int badFrames() const { return badFrames_ + decoder_.dropped(); }

private:
    void bytesIn(const QByteArray& bytes);
    void heard(const Ax25Frame& frame);
    void linkEvent(Ax25Link::Event event);
    void up(char kind, const QByteArray& from, const QByteArray& data = {});
    void sendUi(const AgwFrame& frame, bool withPath);
    void connectTo(const AgwFrame& frame, bool withPath);
    void applyParameters();
    void resetParameters();

    KissLine& line_;
    Scheduler& scheduler_;
    Ax25Link link_;
    KissDecoder decoder_;
    int badFrames_ = 0;
    bool monitoring_ = false;
    bool calling_ = false;  // the link being made is ours, not a caller's
    QList<AgwFrame> toTnc_; // frames for SoftTnc, handed over from the event loop
    Scheduler::TimerId handOver_ = 0;
    QList<int> values_; // by parameter, in the order of the table
};

} // namespace tolvex
