#pragma once
// A short notation for AX.25 frames in test tables: "c SABM P", "r RR R1 F", "c I S0 R0 =text".
#include "softtnc/Ax25Frame.h"

namespace tolvex::test {

inline Ax25Address addr(const QByteArray& text) {
    return *Ax25Address::parse(text);
}

// "c SABM P", "r RR R1 F", "c I S0 R0 =text": command or response, the kind as the monitor
// names it, and the text of an I frame. Frames to another station than N0BBB start with its call;
// parsed, a frame from another station than N0BBB starts with its call, or "SRC>DST" for one not
// to N0KIS.
inline QByteArray describe(const Ax25Frame& f) {
    const QByteArray header = monitorHeader(f);
    const qsizetype open = header.indexOf('<');
    QByteArray text = (f.command ? "c " : "r ") + header.mid(open + 1, header.indexOf('>', open) - open - 1);
    for (qsizetype i = 0; i < f.digipeaters.size(); ++i)
        text += (i ? "," : " via ") + f.digipeaters[i].text() + (f.digipeaters[i].flag ? "*" : "");
    if (!f.info.isEmpty()) text += " =" + f.info;
    if (!f.destination.sameStation(addr("N0BBB"))) text = f.destination.text() + ' ' + text;
    return text;
}

inline Ax25Frame parseFrame(const QByteArray& text) {
    Ax25Frame f;
    f.destination = addr("N0KIS");
    f.source = addr("N0BBB");
    QByteArray rest = text;
    if (const qsizetype eq = rest.indexOf(" ="); eq >= 0) {
        f.info = rest.mid(eq + 2);
        rest = rest.left(eq);
    }
    QList<QByteArray> words = rest.split(' ');
    if (words.first() != "c" && words.first() != "r") {
        // "N0XXX" is the source; "N0AAA>N0CCC" a frame between two other stations.
        const QList<QByteArray> calls = words.takeFirst().split('>');
        f.source = addr(calls.first());
        if (calls.size() > 1) f.destination = addr(calls.last());
    }
    f.command = words.takeFirst() == "c";
    const QByteArray kind = words.takeFirst();
    const struct {
        const char* name;
        Ax25Type type;
    } kinds[] = {{"I", Ax25Type::I},       {"RR", Ax25Type::RR},     {"RNR", Ax25Type::RNR},
                 {"REJ", Ax25Type::REJ},   {"SABM", Ax25Type::SABM}, {"SABME", Ax25Type::SABME},
                 {"DISC", Ax25Type::DISC}, {"DM", Ax25Type::DM},     {"UA", Ax25Type::UA},
                 {"FRMR", Ax25Type::FRMR}, {"UI", Ax25Type::UI},     {"XID", Ax25Type::XID},
                 {"TEST", Ax25Type::TEST}};
    for (const auto& k : kinds)
        if (kind == k.name) f.type = k.type;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QByteArray& w = words[i];
        if (w == "via" && i + 1 < words.size()) {
            for (QByteArray digi : words[++i].split(',')) {
                const bool repeated = digi.endsWith('*');
                if (repeated) digi.chop(1);
                f.digipeaters.append(addr(digi));
                f.digipeaters.last().flag = repeated;
            }
            continue;
        }
        if (w == "P" || w == "F") f.pollFinal = true;
        if (w.startsWith('S')) f.ns = quint8(w.mid(1).toInt());
        if (w.startsWith('R')) f.nr = quint8(w.mid(1).toInt());
    }
    return f;
}

} // namespace tolvex::test
