#include "NetReception.h"

#include <optional>

namespace tolvex {

namespace {

// The characters after the first occurrence of word; empty when the line does not hold it.
std::optional<QByteArray> after(const QByteArray& line, const char* word) {
    const qsizetype at = line.indexOf(word);
    if (at < 0) return std::nullopt;
    return line.mid(at + qsizetype(qstrlen(word)));
}

// A member's call from the text after its command word: capitals, trailing blanks dropped.
QByteArray callFrom(const QByteArray& text) {
    QByteArray call = text.toUpper();
    qsizetype n = call.size();
    while (n > 0 && call.at(n - 1) == ' ')
        --n;
    call.truncate(n);
    return call;
}

} // namespace

NetReception::NetReception(Station& station, ParmsStore& store, Alert& alert, TncPort& tnc, NetPane& pane,
                           NetControl& control, NetMember& member)
    : station_(station), store_(store), alert_(alert), tnc_(tnc), pane_(pane), control_(control),
      member_(member) {}

void NetReception::processNCS(const QByteArray& incontent) {
    if (incontent.size() < 3) return;
    const QByteArray line = incontent.left(incontent.size() - 2);
    if (const auto text = after(line, ".netactive")) {
        remoteStart(*text);
        return;
    }
    if (line.contains(".netclosed")) {
        remoteClose();
        return;
    }
    if (const auto text = after(line, ".netmsg")) {
        pane_.count();
        pane_.append(*text);
        alert();
        return;
    }
    // The requests concern only the control station, and only while its console is open.
    if (!Settings::isOn(station_.settings.ThisNCS)) return;
    if (const auto text = after(line, ".ckout")) {
        if (!control_.isOpen()) return;
        const QByteArray call = callFrom(*text);
        pane_.append("From " + call + "- Request to check out");
        pane_.count();
        alert();
    } else if (const auto rts = after(line, ".rts")) {
        const QByteArray call = callFrom(*rts);
        request(call, "From " + call + "- Request to send traffic");
    } else if (const auto rse = after(line, ".rse")) {
        const QByteArray call = callFrom(*rse);
        request(call + "  EMER", "From " + call + "- Request to send EMERGENCY traffic");
    } else if (const auto ckin = after(line, ".ckin")) {
        if (!control_.isOpen()) return;
        addList2(callFrom(*ckin));
        alert();
    }
}

void NetReception::request(const QByteArray& entry, const QByteArray& logText) {
    if (!control_.isOpen()) return;
    addList1(entry);
    pane_.count();
    pane_.append(logText);
    alert();
}

void NetReception::addList1(const QByteArray& call) {
    control_.addTrafficRequest(call);
}

void NetReception::addList2(const QByteArray& call) {
    if (!control_.addCheckin(call)) return;
    pane_.count();
    pane_.append("From " + call + "- Checking into net");
}

void NetReception::remoteStart(const QByteArray& announcement) {
    Settings& s = station_.settings;
    if (s.RemoteOperation != 1) return;
    s.NetOperation = "1";
    store_.SaveParms(s);
    if (!pane_.shown()) {
        // A new net: the announcement opens the pane and is not counted.
        station_.NetMsgCount = 0;
        pane_.netMsgAlert();
        pane_.replace(announcement);
        alert();
    }
    pane_.show();
    member_.open();
}

void NetReception::remoteClose() {
    Settings& s = station_.settings;
    if (s.RemoteOperation != 1) return;
    s.NetOperation = "0";
    store_.SaveParms(s);
    pane_.leave();
    member_.close();
}

void NetReception::alert() {
    if (station_.settings.DirAlert == 1) alert_.play();
}

} // namespace tolvex
