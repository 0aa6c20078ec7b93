#pragma once
// KISS framing between the computer and a KISS TNC (serial or TCP): FEND-delimited frames whose
// first byte names the TNC port and the command, with FEND and FESC escaped inside.
#include <QByteArray>
#include <QList>

namespace tolvex {

enum class KissCommand : quint8 {
    Data = 0,     // one AX.25 frame, without flags and checksum
    TxDelay = 1,  // keying delay, 10 ms units
    Persist = 2,  // p-persistence, 0-255
    SlotTime = 3, // 10 ms units
    TxTail = 4,   // 10 ms units
    FullDuplex = 5,
    SetHardware = 6,
};

struct KissFrame {
    quint8 port = 0; // 0-15
    KissCommand command = KissCommand::Data;
    QByteArray payload;
    bool operator==(const KissFrame&) const = default;
};

inline constexpr char kKissFend = char(0xC0);
inline constexpr char kKissFesc = char(0xDB);
inline constexpr char kKissTfend = char(0xDC);
inline constexpr char kKissTfesc = char(0xDD);
// The largest payload taken from a TNC: Dire Wolf's limit for an AX.25 frame. A longer frame is
// noise or a runaway stream and is dropped whole.
inline constexpr qsizetype kKissMaxPayload = 2123;

// FEND, type byte, escaped payload, FEND: every frame opens with its own FEND, as TNCs that drop a
// frame without one require.
QByteArray encodeKissFrame(const KissFrame& frame);
QByteArray encodeKissData(const QByteArray& ax25Frame, quint8 port = 0);
QByteArray encodeKissParameter(KissCommand command, quint8 value, quint8 port = 0);

// Turns a byte stream from a TNC, read in pieces of any size, into frames. Bytes before the first
// FEND, empty frames and runs of FENDs are skipped; a frame with a broken escape or over the size
// limit is dropped whole and counted.
class KissDecoder {
public:
    QList<KissFrame> feed(const QByteArray& bytes);
    void reset();
    int dropped() const { return dropped_; }

private:
    QByteArray frame_;
    bool inFrame_ = false;
    bool escaped_ = false;
    bool broken_ = false;
    int dropped_ = 0;
};

} // namespace tolvex
