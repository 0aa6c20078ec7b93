#pragma once
// The net control console's logic: the control station's net lines, the traffic and check-in
// lists the receiver fills, the blinking of the traffic list, sending the check-in list, and the
// rules for leaving the console. It exists for the station's whole run, so the receiver can ask
// whether the console is open without creating it; the lists live while the console is open.
#include "NetMember.h"
#include "NetPane.h"
#include "Unconnected.h"
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/NetControlView.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"
#include "messaging/TimeTexts.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <functional>
#include <optional>

namespace tolvex {

// A list whose entries are unique by exact text, in the order they came; looking an entry up
// does not walk the list.
class UniqueList {
public:
    const QList<QByteArray>& rows() const { return rows_; }
    int size() const { return int(rows_.size()); }
    bool contains(const QByteArray& entry) const { return set_.contains(entry); }
    // False when an equal entry is already there.
    bool add(const QByteArray& entry);
    // At that row (or the nearest end); false when an equal entry is already there.
    bool insert(int row, const QByteArray& entry);
    // The row index the entry had, or -1.
    int remove(const QByteArray& entry);
    void clear();

private:
    QList<QByteArray> rows_;
    QSet<QByteArray> set_;
};

class NetControl {
public:
    static constexpr int pauseMs = 200;
    static constexpr int settleMs = 400;
    static constexpr int listSettleMs = 300;
    static constexpr int blinkMs = 1200;

    static const QString activeTitle;
    static const QString activeText;

    NetControl(Station& station, ParmsStore& store, LinkSession& session, MessageBoxes& boxes,
               Sequencer& sequencer, TncPort& tnc, TimeTexts& times, Scheduler& scheduler, NetPane& pane,
               NetMember& member);
    ~NetControl();
    NetControl(const NetControl&) = delete;
    NetControl& operator=(const NetControl&) = delete;

    // Set by the window layer: put the console on screen, take it off (without asking anything).
    std::function<void()> showWindow;
    std::function<void()> closeWindow;

    // Whether the console is open; asking changes nothing.
    bool isOpen() const { return open_; }
    // Opens the console with empty lists; one already open keeps its lists.
    void open();
    // The operator closes the window, any way: with the net still active, asks first.
    void requestClose();
    // The station's role changed (preferences): the console goes without asking, its lists lost.
    void close();

    // The window's view, while it is on screen; attaching fills captions and lists.
    void attach(NetControlView* view);
    void detach(NetControlView* view);

    // Filled by the receiver while the console is open. False when the entry was there already.
    bool addTrafficRequest(const QByteArray& call);
    bool addCheckin(const QByteArray& call);
    const UniqueList& trafficRequests() const { return traffic_; }
    const UniqueList& checkins() const { return checkins_; }
    bool blinking() const { return blinkTimer_.has_value(); }

    // cmdActivate, cmdNCS1..cmdNCS4, Command1 ("Close Net"), cmdSend, cmdClear.
    void buttonClicked(NetControlElement button);
    // A key typed in txtMsg (13 is Enter); true when the key must not reach the box.
    bool messageKeyPress(int key);
    // List1: double click on a row grants it permission to send; Delete removes the row;
    // a mouse button pressed on it stops the blinking.
    void trafficDoubleClicked(int row);
    void trafficDelete(int row);
    void trafficMouseDown();
    // List2: Delete on a row sends its check-out notice and removes it.
    void checkinDelete(int row);
    // The mouse moved over a control: txtHelp shows its hint.
    void mouseMoved(NetControlElement over);
    static QByteArray hint(NetControlElement over);

private:
    // The net line goes out in one sequence; false when it was refused. `notSent` runs if a link
    // came up before the line went out.
    bool sendLine(const QByteArray& text, std::function<void()> notSent = {});
    UnconnectedContext context();
    void sendCheckins();
    void closeNet();
    void finishClose();
    void startBlinking();
    void stopBlinking();
    void blink();
    void resetLists();

    Station& station_;
    ParmsStore& store_;
    LinkSession& session_;
    MessageBoxes& boxes_;
    Sequencer& sequencer_;
    TncPort& tnc_;
    TimeTexts& times_;
    Scheduler& scheduler_;
    NetPane& pane_;
    NetMember& member_;
    NetControlView* view_ = nullptr;
    bool open_ = false;
    bool asking_ = false;
    bool yellow_ = false;
    std::optional<Scheduler::TimerId> blinkTimer_;
    UniqueList traffic_;
    UniqueList checkins_;
};

} // namespace tolvex
