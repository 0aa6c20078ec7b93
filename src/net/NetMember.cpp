#include "NetMember.h"
#include "MessageLine.h"

#include "NetLines.h"
#include "Unconnected.h"
#include "net/LinkGuard.h"

namespace tolvex {

NetMember::NetMember(Station& station, LinkSession& session, MessageBoxes& boxes, Sequencer& sequencer,
                     TncPort& tnc, TimeTexts& times, const Scheduler& clock)
    : station_(station), session_(session), boxes_(boxes), sequencer_(sequencer), tnc_(tnc), times_(times),
      clock_(clock) {}

void NetMember::open() {
    if (open_) return;
    open_ = true;
    if (showWindow) showWindow();
}

void NetMember::close() {
    if (!open_) return;
    open_ = false;
    view_ = nullptr;
    if (closeWindow) closeWindow();
}

void NetMember::windowClosed() {
    open_ = false;
    view_ = nullptr;
}

void NetMember::attach(NetMemberView* view) {
    view_ = view;
    if (!view_) return;
    const Settings& s = station_.settings;
    view_->setText(frmInfoNet::cmdInfoNet1, s.InfoNet1Msg.trimmed());
    view_->setText(frmInfoNet::cmdInfoNet2, s.InfoNet2Msg.trimmed());
    view_->setText(frmInfoNet::txtInfoMsg, {});
    view_->setText(frmInfoNet::lblHelp, {});
}

void NetMember::detach(NetMemberView* view) {
    if (view_ == view) view_ = nullptr;
}

void NetMember::buttonClicked(NetMemberElement button) {
    const Settings& s = station_.settings;
    const QByteArray& call = s.Callsign;
    if (button == frmInfoNet::cmdCkIn)
        send("ckin" + call, "Check in message sent");
    else if (button == frmInfoNet::cmdCkOut)
        send("ckout" + call, "Check out request sent");
    else if (button == frmInfoNet::cmdRTS)
        send("rts" + call, "Request message sent");
    else if (button == frmInfoNet::cmdRTSE)
        send("rse" + call, "Request message sent");
    else if (button == frmInfoNet::cmdInfoNet1 && !s.InfoNet1Msg.isEmpty())
        send(netline::memberMessage(call, s.InfoNet1Msg), s.InfoNet1Msg);
    else if (button == frmInfoNet::cmdInfoNet2 && !s.InfoNet2Msg.isEmpty())
        send(netline::memberMessage(call, s.InfoNet2Msg), s.InfoNet2Msg + " sent");
    tnc_.focusToPanel();
}

bool NetMember::messageKeyPress(int key) {
    return messageLineKey(view_, frmInfoNet::txtInfoMsg, key, [this](const QByteArray& typed) {
        return send(netline::memberMessage(station_.settings.Callsign, typed), typed + " sent", typed);
    });
}

void NetMember::mouseMoved(std::optional<NetMemberElement> over) {
    if (view_) view_->setText(frmInfoNet::lblHelp, over ? hint(station_.settings, *over) : QByteArray());
}

QByteArray NetMember::hint(const Settings& s, NetMemberElement over) {
    static const QByteArray toNcs = "Click to send message to Net Control";
    if (over == frmInfoNet::cmdCkIn || over == frmInfoNet::cmdCkOut || over == frmInfoNet::cmdRTS ||
        over == frmInfoNet::cmdRTSE)
        return toNcs;
    if (over == frmInfoNet::cmdInfoNet1) return s.InfoNet1Msg.isEmpty() ? QByteArray() : toNcs;
    if (over == frmInfoNet::cmdInfoNet2) return s.InfoNet2Msg.isEmpty() ? QByteArray() : toNcs;
    if (over == frmInfoNet::txtInfoMsg) return "Compose brief message for Net Control.  Press Enter to send";
    return {};
}

bool NetMember::send(const QByteArray& body, const QByteArray& localMsg, const QByteArray& typed) {
    if (refusedWhileLinked(session_, boxes_)) return false;
    UnconnectedLine line;
    line.address = station_.settings.NCSCallsign;
    line.text = netline::member(body);
    line.identified = true;
    line.pauseMs = line.settleMs = pauseMs;
    sendUnconnected({station_.settings, session_, sequencer_, tnc_, boxes_, times_, clock_}, std::move(line),
                    [this, typed](UnconnectedResult result, const QByteArray&) {
                        if (result != UnconnectedResult::NotSent || !view_) return;
                        view_->setText(frmInfoNet::lblHelp, {}); // the status said sent
                        // The typed message comes back, unless something new was typed since.
                        if (!typed.isEmpty() && view_->text(frmInfoNet::txtInfoMsg).isEmpty())
                            view_->setText(frmInfoNet::txtInfoMsg, typed);
                    });
    // The status stays in lblHelp until the mouse next moves.
    if (view_) view_->setText(frmInfoNet::lblHelp, localMsg);
    return true;
}

} // namespace tolvex
