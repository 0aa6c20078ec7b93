#include "softtnc/Ax25Frame.h"

namespace tolvex {

namespace {

constexpr int kAddressSize = 7;

bool callCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void appendAddress(QByteArray& out, const Ax25Address& address, bool flag, bool last) {
    for (int i = 0; i < 6; ++i)
        out.append(char((i < address.call.size() ? quint8(address.call[i]) : quint8(' ')) << 1));
    out.append(char((flag ? 0x80 : 0) | 0x60 | ((address.ssid & 0x0F) << 1) | (last ? 1 : 0)));
}

// One address of 7 bytes; the problem when the characters are no callsign.
std::optional<Ax25Address> readAddress(const char* bytes, QByteArray& problem) {
    Ax25Address address;
    bool padding = false;
    for (int i = 0; i < 6; ++i) {
        const quint8 b = quint8(bytes[i]);
        const char c = char(b >> 1);
        if (b & 1) {
            problem = "extension bit inside a callsign";
            return std::nullopt;
        }
        if (c == ' ') {
            padding = true;
            continue;
        }
        if (padding || !callCharacter(c)) {
            problem = "bad callsign character";
            return std::nullopt;
        }
        address.call.append(c);
    }
    if (address.call.isEmpty()) {
        problem = "empty callsign";
        return std::nullopt;
    }
    const quint8 ssidByte = quint8(bytes[6]);
    address.ssid = (ssidByte >> 1) & 0x0F;
    address.flag = (ssidByte & 0x80) != 0;
    return address;
}

struct Control {
    Ax25Type type;
    bool valid = true;
};

Control readControl(quint8 c) {
    if ((c & 0x01) == 0) return {Ax25Type::I};
    if ((c & 0x03) == 0x01) {
        switch ((c >> 2) & 0x03) {
        case 0:
            return {Ax25Type::RR};
        case 1:
            return {Ax25Type::RNR};
        case 2:
            return {Ax25Type::REJ};
        default:
            return {Ax25Type::RR, false}; // SREJ: not in version 2.0
        }
    }
    switch (c & ~0x10) {
    case 0x2F:
        return {Ax25Type::SABM};
    case 0x6F:
        return {Ax25Type::SABME};
    case 0x43:
        return {Ax25Type::DISC};
    case 0x0F:
        return {Ax25Type::DM};
    case 0x63:
        return {Ax25Type::UA};
    case 0x87:
        return {Ax25Type::FRMR};
    case 0x03:
        return {Ax25Type::UI};
    case 0xAF:
        return {Ax25Type::XID};
    case 0xE3:
        return {Ax25Type::TEST};
    default:
        return {Ax25Type::UI, false};
    }
}

bool takesInfo(Ax25Type type) {
    switch (type) {
    case Ax25Type::I:
    case Ax25Type::UI:
    case Ax25Type::FRMR:
    case Ax25Type::XID:
    case Ax25Type::TEST:
        return true;
    default:
        return false;
    }
}

const char* typeName(Ax25Type type) {
    switch (type) {
    case Ax25Type::I:
        return "I";
    case Ax25Type::RR:
        return "RR";
    case Ax25Type::RNR:
        return "RNR";
    case Ax25Type::REJ:
        return "REJ";
    case Ax25Type::SABM:
        return "SABM";
    case Ax25Type::SABME:
        return "SABME";
    case Ax25Type::DISC:
        return "DISC";
    case Ax25Type::DM:
        return "DM";
    case Ax25Type::UA:
        return "UA";
    case Ax25Type::FRMR:
        return "FRMR";
    case Ax25Type::UI:
        return "UI";
    case Ax25Type::XID:
        return "XID";
    case Ax25Type::TEST:
        return "TEST";
    }
    return "?";
}

} // namespace

QByteArray Ax25Address::text() const {
    return ssid == 0 ? call : call + '-' + QByteArray::number(ssid);
}

std::optional<Ax25Address> Ax25Address::parse(const QByteArray& text) {
    const QByteArray upper = text.trimmed().toUpper();
    const qsizetype dash = upper.indexOf('-');
    Ax25Address address;
    address.call = dash < 0 ? upper : upper.left(dash);
    if (address.call.isEmpty() || address.call.size() > 6) return std::nullopt;
    for (const char c : address.call)
        if (!callCharacter(c)) return std::nullopt;
    if (dash >= 0) {
        const QByteArray digits = upper.mid(dash + 1);
        if (digits.isEmpty() || digits.size() > 2) return std::nullopt;
        for (const char c : digits)
            if (c < '0' || c > '9') return std::nullopt;
        const int ssid = digits.toInt();
        if (ssid > 15) return std::nullopt;
        address.ssid = quint8(ssid);
    }
    return address;
}

bool Ax25Frame::fullyRepeated() const {
    for (const Ax25Address& digi : digipeaters)
        if (!digi.flag) return false;
    return true;
}

QList<Ax25Address> Ax25Frame::replyPath() const {
    QList<Ax25Address> path;
    for (auto it = digipeaters.crbegin(); it != digipeaters.crend(); ++it) {
        Ax25Address digi = *it;
        digi.flag = false;
        path.append(digi);
    }
    return path;
}

quint8 ax25Control(const Ax25Frame& frame) {
    const quint8 pf = frame.pollFinal ? 0x10 : 0;
    const quint8 nr = quint8((frame.nr & 7) << 5);
    switch (frame.type) {
    case Ax25Type::I:
        return quint8(nr | pf | ((frame.ns & 7) << 1));
    case Ax25Type::RR:
        return quint8(0x01 | nr | pf);
    case Ax25Type::RNR:
        return quint8(0x05 | nr | pf);
    case Ax25Type::REJ:
        return quint8(0x09 | nr | pf);
    case Ax25Type::SABM:
        return 0x2F | pf;
    case Ax25Type::SABME:
        return 0x6F | pf;
    case Ax25Type::DISC:
        return 0x43 | pf;
    case Ax25Type::DM:
        return 0x0F | pf;
    case Ax25Type::UA:
        return 0x63 | pf;
    case Ax25Type::FRMR:
        return 0x87 | pf;
    case Ax25Type::UI:
        return 0x03 | pf;
    case Ax25Type::XID:
        return 0xAF | pf;
    case Ax25Type::TEST:
        return 0xE3 | pf;
    }
    return 0x03;
}

QByteArray encodeAx25(const Ax25Frame& frame) {
    QByteArray out;
    out.reserve(kAddressSize * (2 + frame.digipeaters.size()) + 2 + frame.info.size());
    const bool noDigis = frame.digipeaters.isEmpty();
    appendAddress(out, frame.destination, frame.command, false);
    appendAddress(out, frame.source, !frame.command, noDigis);
    for (qsizetype i = 0; i < frame.digipeaters.size(); ++i)
        appendAddress(out, frame.digipeaters[i], frame.digipeaters[i].flag,
                      i + 1 == frame.digipeaters.size());
    out.append(char(ax25Control(frame)));
    if (frame.hasPid()) out.append(char(frame.pid));
    if (takesInfo(frame.type)) out.append(frame.info);
    return out;
}

Ax25Decoded decodeAx25(const QByteArray& bytes) {
    const auto bad = [](const char* why) { return Ax25Decoded{std::nullopt, why}; };
    // Where the address field ends: the first address with its extension bit set.
    int addresses = 0;
    for (qsizetype at = kAddressSize - 1; at < bytes.size(); at += kAddressSize) {
        ++addresses;
        if (bytes[at] & 1) break;
        if (addresses == 2 + kAx25MaxDigipeaters) return bad("address field too long");
    }
    if (addresses < 2 || bytes.size() < qsizetype(addresses) * kAddressSize ||
        !(bytes[qsizetype(addresses) * kAddressSize - 1] & 1))
        return bad("address field cut short");
    if (bytes[kAddressSize - 1] & 1) return bad("address field without a source");

    Ax25Frame frame;
    QByteArray problem;
    const char* data = bytes.constData();
    for (int i = 0; i < addresses; ++i) {
        std::optional<Ax25Address> address = readAddress(data + i * kAddressSize, problem);
        if (!address) return {std::nullopt, problem};
        if (i == 0)
            frame.destination = *address;
        else if (i == 1)
            frame.source = *address;
        else
            frame.digipeaters.append(*address);
    }
    // Version 1 stations set both C bits alike; such a frame counts as a command when the
    // destination's is set.
    frame.command = frame.destination.flag;
    frame.destination.flag = frame.source.flag = false;

    qsizetype at = qsizetype(addresses) * kAddressSize;
    if (at >= bytes.size()) return bad("no control field");
    const quint8 control = quint8(bytes[at++]);
    const Control kind = readControl(control);
    if (!kind.valid) return bad("unknown control field");
    frame.type = kind.type;
    frame.pollFinal = (control & 0x10) != 0;
    if (frame.type == Ax25Type::I) frame.ns = (control >> 1) & 7;
    if (frame.type == Ax25Type::I || frame.type == Ax25Type::RR || frame.type == Ax25Type::RNR ||
        frame.type == Ax25Type::REJ)
        frame.nr = (control >> 5) & 7;
    if (frame.hasPid()) {
        if (at >= bytes.size()) return bad("no PID");
        frame.pid = quint8(bytes[at++]);
        if (frame.pid == 0xFF) return bad("escaped PID");
    }
    frame.info = bytes.mid(at);
    if (!frame.info.isEmpty() && !takesInfo(frame.type)) return bad("information in a frame that takes none");
    return {frame, {}};
}

QByteArray monitorHeader(const Ax25Frame& frame) {
    QByteArray line = frame.source.text() + '>' + frame.destination.text();
    // The star goes after the last digipeater that has repeated the frame.
    qsizetype lastRepeated = -1;
    for (qsizetype i = 0; i < frame.digipeaters.size(); ++i)
        if (frame.digipeaters[i].flag) lastRepeated = i;
    for (qsizetype i = 0; i < frame.digipeaters.size(); ++i)
        line += ',' + frame.digipeaters[i].text() + (i == lastRepeated ? "*" : "");
    const QByteArray kind = monitorKind(frame);
    if (frame.type == Ax25Type::I || frame.type == Ax25Type::UI) return line + ": <" + kind + ">:";
    return line + ": <" + kind + '>';
}

QByteArray monitorKind(const Ax25Frame& frame) {
    QByteArray kind = typeName(frame.type);
    if (frame.type == Ax25Type::I) kind += " S" + QByteArray::number(frame.ns);
    if (frame.type == Ax25Type::I || frame.type == Ax25Type::RR || frame.type == Ax25Type::RNR ||
        frame.type == Ax25Type::REJ)
        kind += " R" + QByteArray::number(frame.nr);
    if (frame.pollFinal) kind += frame.command ? " P" : " F";
    return kind;
}

} // namespace tolvex
