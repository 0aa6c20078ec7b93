#pragma once
// The texts and commands of a TNC in its text command mode, as the software TNC's tests set them.
#include "core/Settings.h"

namespace tolvex::test {

inline Settings softTncSettings(const QByteArray& call) {
    Settings s;
    s.Callsign = call;
    s.TNCCmd = "cmd:";
    s.CmdCmd = "3";
    s.ConnCmd = "C";
    s.DisconCmd = "D";
    s.ConverseCmd = "CONV";
    s.UnprotoCmd = "UNPROTO";
    s.ConnStr = "*** CONNECTED";
    s.DisconStr = "*** DISCONNECTED";
    s.InLineEnd = "\r";
    return s;
}

} // namespace tolvex::test
