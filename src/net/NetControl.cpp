#include "NetControl.h"
#include "MessageLine.h"

#include "NetLines.h"
#include "Unconnected.h"
#include "net/LinkGuard.h"

#include <algorithm>

namespace tolvex {

bool UniqueList::add(const QByteArray& entry) {
    if (set_.contains(entry)) return false;
    set_.insert(entry);
    rows_.append(entry);
    return true;
}

int UniqueList::remove(const QByteArray& entry) {
    if (!set_.remove(entry)) return -1;
    const int row = int(rows_.indexOf(entry));
    rows_.removeAt(row);
    return row;
}

bool UniqueList::insert(int row, const QByteArray& entry) {
    if (set_.contains(entry)) return false;
    set_.insert(entry);
    rows_.insert(std::clamp<qsizetype>(row, 0, rows_.size()), entry);
    return true;
}

void UniqueList::clear() {
    rows_.clear();
    set_.clear();
}

const QString NetControl::activeTitle = QStringLiteral("Net is Active");
const QString NetControl::activeText =
    QStringLiteral("Net is still active. Are you sure you want to close this window ?");

NetControl::NetControl(Station& station, ParmsStore& store, LinkSession& session, MessageBoxes& boxes,
                       Sequencer& sequencer, TncPort& tnc, TimeTexts& times, Scheduler& scheduler,
                       NetPane& pane, NetMember& member)
    : station_(station), store_(store), session_(session), boxes_(boxes), sequencer_(sequencer), tnc_(tnc),
      times_(times), scheduler_(scheduler), pane_(pane), member_(member) {}

NetControl::~NetControl() {
    stopBlinking();
}

void NetControl::open() {
    if (open_) return;
    open_ = true;
    resetLists();
    if (showWindow) showWindow();
}

void NetControl::resetLists() {
    traffic_.clear();
    checkins_.clear();
    stopBlinking();
    yellow_ = false; // a console opens white, however the last one was left
}

void NetControl::attach(NetControlView* view) {
    view_ = view;
    if (!view_) return;
    const Settings& s = station_.settings;
    const NetControlElement buttons[] = {frmNCS::cmdNCS1, frmNCS::cmdNCS2, frmNCS::cmdNCS3, frmNCS::cmdNCS4};
    for (int i = 0; i < 4; ++i)
        view_->setText(buttons[i], s.NCSMsg[std::size_t(i)].trimmed());
    view_->setText(frmNCS::txtMsg, {});
    view_->setRows(frmNCS::List1, traffic_.rows());
    view_->setRows(frmNCS::List2, checkins_.rows());
    view_->setTrafficHighlighted(yellow_);
}

void NetControl::detach(NetControlView* view) {
    if (view_ == view) view_ = nullptr;
}

void NetControl::requestClose() {
    stopBlinking(); // also when the close is called off
    if (!open_ || asking_) return;
    if (!Settings::isOn(station_.settings.NetOperation)) {
        finishClose();
        return;
    }
    asking_ = true;
    boxes_.show(activeTitle, activeText, MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo,
                [this](MessageBoxes::Answer answer) {
                    asking_ = false;
                    if (answer != MessageBoxes::Answer::Yes || !open_) return;
                    // The station stays in the still active net as a member.
                    pane_.enter();
                    member_.open();
                    station_.settings.ThisNCS = "0";
                    station_.settings.RemoteOperation = 1;
                    store_.SaveParms(station_.settings);
                    finishClose();
                });
}

void NetControl::close() {
    if (open_) finishClose();
}

void NetControl::finishClose() {
    open_ = false;
    resetLists();
    view_ = nullptr;
    if (closeWindow) closeWindow();
}

bool NetControl::addTrafficRequest(const QByteArray& call) {
    if (!traffic_.add(call)) return false;
    if (view_) view_->appendRow(frmNCS::List1, call);
    startBlinking();
    return true;
}

bool NetControl::addCheckin(const QByteArray& call) {
    if (!checkins_.add(call)) return false;
    if (view_) view_->appendRow(frmNCS::List2, call);
    return true;
}

void NetControl::startBlinking() {
    if (blinkTimer_) return;
    blinkTimer_ = scheduler_.callAfter(blinkMs, [this] { blink(); });
}

void NetControl::stopBlinking() {
    if (blinkTimer_) scheduler_.cancel(*blinkTimer_);
    blinkTimer_.reset();
}

void NetControl::blink() {
    blinkTimer_ = scheduler_.callAfter(blinkMs, [this] { blink(); });
    yellow_ = !yellow_;
    if (view_) view_->setTrafficHighlighted(yellow_);
}

void NetControl::buttonClicked(NetControlElement button) {
    const Settings& s = station_.settings;
    const NetControlElement stored[] = {frmNCS::cmdNCS1, frmNCS::cmdNCS2, frmNCS::cmdNCS3, frmNCS::cmdNCS4};
    if (button == frmNCS::cmdActivate) {
        sendLine(netline::active(s.NetActiveMsg)); // also empty: members' consoles still start
    } else if (button == frmNCS::Command1) {
        closeNet();
    } else if (button == frmNCS::cmdSend) {
        sendCheckins();
    } else if (button == frmNCS::cmdClear) {
        checkins_.clear();
        if (view_) view_->setRows(frmNCS::List2, {});
    } else {
        for (std::size_t i = 0; i < 4; ++i)
            if (button == stored[i] && !s.NCSMsg[i].isEmpty()) sendLine(netline::instruction(s.NCSMsg[i]));
    }
}

bool NetControl::messageKeyPress(int key) {
    return messageLineKey(view_, frmNCS::txtMsg, key, [this](const QByteArray& typed) {
        return sendLine(netline::instruction(typed), [this, typed] {
            // Back into the box, unless something new was typed since.
            if (open_ && view_ && view_->text(frmNCS::txtMsg).isEmpty())
                view_->setText(frmNCS::txtMsg, typed);
        });
    });
}

void NetControl::trafficDoubleClicked(int row) {
    if (row < 0 || row >= traffic_.size()) return;
    QByteArray call = traffic_.rows().at(row).trimmed();
    if (const qsizetype blank = call.indexOf(' '); blank >= 0) call.truncate(blank);
    // With no stored text the call alone is the go-ahead.
    sendLine(netline::permission(call, station_.settings.PermitMsg));
    if (view_) view_->clearSelection(frmNCS::List1);
}

void NetControl::trafficDelete(int row) {
    if (row < 0 || row >= traffic_.size()) return;
    const QByteArray entry = traffic_.rows().at(row);
    traffic_.remove(entry);
    if (view_) view_->removeRow(frmNCS::List1, row);
}

void NetControl::trafficMouseDown() {
    stopBlinking();
    yellow_ = false;
    if (view_) view_->setTrafficHighlighted(false);
}

void NetControl::checkinDelete(int row) {
    if (row < 0 || row >= checkins_.size()) return;
    // The entry is taken by its text now: the notice and the removal concern that station even
    // if the list changes before the line goes out.
    const QByteArray call = checkins_.rows().at(row);
    const bool sending = sendLine(netline::checkOutNotice(call), [this, call, row] {
        // The station was not told: it stays checked in, where it was.
        if (!open_ || !checkins_.insert(row, call)) return;
        if (view_) view_->setRows(frmNCS::List2, checkins_.rows());
    });
    if (!sending) return;
    const int at = checkins_.remove(call);
    if (view_ && at >= 0) view_->removeRow(frmNCS::List2, at);
}

void NetControl::mouseMoved(NetControlElement over) {
    if (view_) view_->setText(frmNCS::txtHelp, hint(over));
}

QByteArray NetControl::hint(NetControlElement over) {
    if (over == frmNCS::cmdActivate) return "Click to alert all stations that net is now active";
    if (over == frmNCS::Command1) return "Click to alert all stations that net is now closed";
    if (over == frmNCS::List1)
        return "Double click to tell station to send traffic  -or- "
               "    Click then press Delete key to remove an entry from list.";
    if (over == frmNCS::List2) return "Click then press Delete key to remove an entry from list.";
    if (over == frmNCS::cmdClear) return "Click to remove ALL entries from Checkins list";
    if (over == frmNCS::cmdSend) return "Click to send the list of checkins to all stations";
    if (over == frmNCS::txtMsg)
        return "Compose a brief instruction to be sent to all stations,"
               "    then press the Enter key to send ";
    if (over == frmNCS::cmdNCS1 || over == frmNCS::cmdNCS2 || over == frmNCS::cmdNCS3 ||
        over == frmNCS::cmdNCS4)
        return "Click to send this intruction to all stations.";
    return {};
}

bool NetControl::sendLine(const QByteArray& text, std::function<void()> notSent) {
    if (refusedWhileLinked(session_, boxes_)) return false;
    UnconnectedLine line;
    line.address = station_.settings.NCSCallsign;
    line.text = text;
    line.identified = true;
    line.echo = UnconnectedLine::Echo::LineAsSent;
    line.pauseMs = pauseMs;
    line.settleMs = settleMs;
    sendUnconnected(context(), std::move(line),
                    [this, notSent = std::move(notSent)](UnconnectedResult result, const QByteArray&) {
                        if (result == UnconnectedResult::NotSent && notSent) notSent();
                        if (result != UnconnectedResult::Sent) return;
                        if (open_ && view_)
                            view_->setFocus(frmNCS::List2);
                        else
                            tnc_.focusToPanel();
                    });
    return true;
}

void NetControl::closeNet() {
    if (refusedWhileLinked(session_, boxes_)) return;
    pane_.leave();
    station_.settings.NetOperation = "0";
    store_.SaveParms(station_.settings);
    close();
    sendLine(netline::closed(), [this] {
        // The members were never told: the net stays open here, so Close Net can be pressed again
        // (unless the operator has put the station elsewhere meanwhile).
        if (open_ || Settings::isOn(station_.settings.NetOperation)) return;
        station_.settings.NetOperation = "1";
        store_.SaveParms(station_.settings);
        pane_.enter();
        open();
    });
}

void NetControl::sendCheckins() {
    if (checkins_.size() == 0 || refusedWhileLinked(session_, boxes_)) return;
    QByteArray list;
    for (const QByteArray& call : checkins_.rows())
        list += call + ' ';
    // The list goes to the first group as a broadcast, without identification; it stays listed
    // whether or not it went out.
    UnconnectedLine line;
    line.address = station_.settings.GroupAd[0];
    line.text = "Checkins: " + list + " $^";
    line.echoCommands = true;
    line.echo = UnconnectedLine::Echo::Line;
    line.pauseMs = pauseMs;
    line.settleMs = listSettleMs;
    sendUnconnected(context(), std::move(line));
}

UnconnectedContext NetControl::context() {
    return {station_.settings, session_, sequencer_, tnc_, boxes_, times_, scheduler_};
}

} // namespace tolvex
