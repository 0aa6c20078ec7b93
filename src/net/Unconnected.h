#pragma once
// The one dialogue that sends a line unconnected (net lines, the check-in list, broadcasts):
// command mode, UNPROTO to the address, converse mode, the line, command mode again. Converse mode
// would carry every later step into a link that came up meanwhile, so each write looks at the
// link first; once a link is up, or one the station asked to end has not yet ended, the dialogue
// writes nothing more.
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Settings.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"
#include "messaging/TimeTexts.h"

#include <QByteArray>
#include <functional>

namespace tolvex {

struct UnconnectedContext {
    const Settings& settings;
    LinkSession& session;
    Sequencer& sequencer;
    TncPort& tnc;
    MessageBoxes& boxes;
    TimeTexts& times;
    const Scheduler& clock; // when a link being ended is still awaited
};

struct UnconnectedLine {
    // How a half-duplex station shows the line in the pane (a full-duplex TNC echoes it itself).
    enum class Echo {
        None,
        Line,       // the line, then CR LF
        LineAsSent, // the line with the line end that went out, then CR LF
    };

    QByteArray address;        // handed to UNPROTO as it is, path included
    QByteArray text;           // the line without identification and line end
    bool identified = false;   // the identification trailer follows, asked for as the line goes out
    bool echoCommands = false; // the three TNC commands are shown in the pane, whatever the duplex
    Echo echo = Echo::None;
    int pauseMs = 200;  // between the commands and before the line
    int settleMs = 200; // after the line, before command mode
    // Runs when the dialogue's turn comes, before its first write, if no link is up.
    std::function<void()> starting;
};

enum class UnconnectedResult {
    Sent,      // the line went out (command mode after it is left out if a link came up)
    NotSent,   // a link came up before the line went out; the operator has been told
    Cancelled, // dropped by someone else (shutdown)
};

// Queues the dialogue; `finished` gets the result and the line as it went out (trailer included,
// no line end). The caller has made sure the link is idle now.
void sendUnconnected(const UnconnectedContext& ctx, UnconnectedLine line,
                     std::function<void(UnconnectedResult, const QByteArray&)> finished = {});

} // namespace tolvex
