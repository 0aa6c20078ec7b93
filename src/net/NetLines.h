#pragma once
// The texts of the net lines. Every net line goes out unconnected to NCSCallsign.
#include <QByteArray>

namespace tolvex::netline {

// The control console's lines carry the word NCS, never the control station's call.
inline QByteArray active(const QByteArray& announcement) {
    return ".netactive From NCS- " + announcement + "   $^ ";
}
inline QByteArray instruction(const QByteArray& text) {
    return ".netmsg From NCS- " + text + "   $^ ";
}
inline QByteArray permission(const QByteArray& call, const QByteArray& permitText) {
    return instruction(call + "   " + permitText);
}
inline QByteArray checkOutNotice(const QByteArray& call) {
    return instruction(call + " checked out");
}
inline QByteArray closed() {
    return ".netclosed $^ ";
}

// A member line without its trailer: "  ." & body & "  $^ ".
inline QByteArray member(const QByteArray& body) {
    return "  ." + body + "  $^ ";
}
inline QByteArray memberMessage(const QByteArray& callsign, const QByteArray& text) {
    return "netmsg From " + callsign + "- " + text;
}

} // namespace tolvex::netline
