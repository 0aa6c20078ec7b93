#pragma once
// The texts of the net lines and the TNC dialogue around one of them. Every net line goes out
// unconnected to NCSCallsign: command mode, UNPROTO to the net address, converse mode, the line,
// command mode again.
#include "core/Sequencer.h"
#include "core/Settings.h"

#include <QByteArray>
#include <functional>

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

// One line sent to the net address. `line` is complete but for the identification trailer, which
// is asked for once, as the line goes out; `echo` (may be empty) is shown the line without the
// TNC's line end. `pause` is the wait between steps, `settle` the wait before command mode.
inline Sequence sequence(const Settings& s, const QByteArray& line, std::function<QByteArray()> trailer,
                         std::function<void(const QByteArray&)> echo, int pause, int settle) {
    const QByteArray end = s.OutLineEnd;
    const QByteArray cmd = s.cmdChar();
    return {
        Step::send(end + cmd + end),
        Step::wait(pause),
        Step::send(s.UnprotoCmd + ' ' + s.NCSCallsign + end),
        Step::wait(pause),
        Step::send(s.ConverseCmd + end),
        Step::wait(pause),
        Step::sendLate([line, end, trailer = std::move(trailer), echo = std::move(echo)] {
            const QByteArray full = line + trailer();
            if (echo) echo(full);
            return full + end;
        }),
        Step::wait(settle),
        Step::send(cmd + end),
    };
}

} // namespace tolvex::netline
