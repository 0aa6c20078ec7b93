#pragma once
// The member console's logic: check in, ask to check out, ask to send (emergency) traffic, and
// short messages to the Net Control Station, each one net line. It exists for the station's whole
// run; the window attaches its view while it is open.
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/NetMemberView.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"
#include "messaging/TimeTexts.h"

#include <QByteArray>
#include <functional>
#include <optional>

namespace tolvex {

class NetMember {
public:
    static constexpr int pauseMs = 250;

    NetMember(Station& station, LinkSession& session, MessageBoxes& boxes, Sequencer& sequencer, TncPort& tnc,
              TimeTexts& times, const Scheduler& clock);

    // Set by the window layer: put the console on screen, take it off (without asking anything).
    std::function<void()> showWindow;
    std::function<void()> closeWindow;

    bool isOpen() const { return open_; }
    // Opens the console; one already open stays as it is.
    void open();
    // Closes the console if it is open.
    void close();
    // The operator closed the window.
    void windowClosed();

    // The window's view, while it is on screen; attaching fills the captions.
    void attach(NetMemberView* view);
    void detach(NetMemberView* view);

    // cmdCkIn, cmdCkOut, cmdRTS, cmdRTSE, cmdInfoNet1, cmdInfoNet2.
    void buttonClicked(NetMemberElement button);
    // A key typed in txtInfoMsg (13 is Enter); true when the key must not reach the box.
    bool messageKeyPress(int key);
    // The mouse moved, over that control or (nullopt) over none: lblHelp shows its hint.
    void mouseMoved(std::optional<NetMemberElement> over);

    // lblHelp's hint for a control.
    static QByteArray hint(const Settings& s, NetMemberElement over);

private:
    // One line "  ." & body & "  $^ " & trailer; false when it was refused. `typed` goes back into
    // txtInfoMsg if a link stops the line.
    bool send(const QByteArray& body, const QByteArray& localMsg, const QByteArray& typed = {});

    Station& station_;
    LinkSession& session_;
    MessageBoxes& boxes_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    TimeTexts& times_;
    const Scheduler& clock_;
    NetMemberView* view_ = nullptr;
    bool open_ = false;
};

} // namespace tolvex
