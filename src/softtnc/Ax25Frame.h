#pragma once
// AX.25 frames (modulo 8) as a KISS TNC carries them: the address field with its digipeater path,
// the control field and PID, the information field. Frames from the air are checked before
// anything trusts them.
#include <QByteArray>
#include <QList>
#include <optional>

namespace tolvex {

struct Ax25Address {
    QByteArray call; // upper-case letters and digits, 1-6 of them
    quint8 ssid = 0; // 0-15
    // The C bit in the destination and source, the H ("has been repeated") bit in a digipeater.
    bool flag = false;

    // "N0CALL" or "N0CALL-7".
    QByteArray text() const;
    // From "n0call-7" (any case); nothing when it is no AX.25 address.
    static std::optional<Ax25Address> parse(const QByteArray& text);
    // Call and SSID alike; the flag is not part of who a station is.
    bool sameStation(const Ax25Address& other) const { return call == other.call && ssid == other.ssid; }
    bool operator==(const Ax25Address&) const = default;
};

enum class Ax25Type { I, RR, RNR, REJ, SABM, SABME, DISC, DM, UA, FRMR, UI, XID, TEST };

struct Ax25Frame {
    Ax25Address destination;
    Ax25Address source;
    QList<Ax25Address> digipeaters; // in the order the frame travels them
    // A command carries C=1 in the destination and C=0 in the source, a response the reverse.
    // The C bits are taken from here when encoding; decoding fills both.
    bool command = true;
    Ax25Type type = Ax25Type::UI;
    bool pollFinal = false;
    quint8 ns = 0; // I frames
    quint8 nr = 0; // I and S frames
    quint8 pid = 0xF0;
    QByteArray info;
    bool operator==(const Ax25Frame&) const = default;

    bool hasPid() const { return type == Ax25Type::I || type == Ax25Type::UI; }
    // Every digipeater of the path has repeated it (or there are none): the frame has arrived.
    bool fullyRepeated() const;
    // The path for an answer: the digipeaters in reverse order, none marked as repeated.
    QList<Ax25Address> replyPath() const;
};

inline constexpr int kAx25MaxDigipeaters = 8;
inline constexpr quint8 kAx25NoLayer3 = 0xF0;

QByteArray encodeAx25(const Ax25Frame& frame);
quint8 ax25Control(const Ax25Frame& frame);

struct Ax25Decoded {
    std::optional<Ax25Frame> frame;
    QByteArray problem; // why the bytes are no frame to trust, when frame is empty
};
Ax25Decoded decodeAx25(const QByteArray& bytes);

// One header line as a TNC monitor prints a heard frame: "N0AAA>CQ,RELAY*: <UI>:" for frames with
// text (the text follows on its own lines), "N0AAA>N0BBB: <RR R3 P>" for the others.
QByteArray monitorHeader(const Ax25Frame& frame);
// The part of it between the angle brackets: "UI", "I S2 R5 P", "RR R3 F", "SABM".
QByteArray monitorKind(const Ax25Frame& frame);

} // namespace tolvex
