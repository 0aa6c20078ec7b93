#pragma once
// What the station does with a net line taken off the air: a remote start or close of the net, a
// message for the net pane, and on the control station the members' requests and check-ins.
#include "NetControl.h"
#include "NetMember.h"
#include "NetPane.h"
#include "core/ParmsFile.h"
#include "core/Station.h"
#include "link/TncPort.h"
#include "messaging/Alert.h"

#include <QByteArray>

namespace tolvex {

class NetReception {
public:
    NetReception(Station& station, ParmsStore& store, Alert& alert, TncPort& tnc, NetPane& pane,
                 NetControl& control, NetMember& member);

    // One captured net line, up to and including the "$" of its end marker.
    void processNCS(const QByteArray& incontent);

    // A traffic request for the control console's list; blinks the list when new.
    void addList1(const QByteArray& call);
    // A check-in for the control console's list; logged and counted when new.
    void addList2(const QByteArray& call);

    // Clicks on the main window's counter (lblNct) and net pane (txtNet).
    void counterClicked() { pane_.counterClicked(); }
    void netPaneClicked() { tnc_.focusToPanel(); }

private:
    void remoteStart(const QByteArray& announcement);
    void remoteClose();
    void request(const QByteArray& entry, const QByteArray& logText);
    void alert();

    Station& station_;
    ParmsStore& store_;
    Alert& alert_;
    TncPort& tnc_;
    NetPane& pane_;
    NetControl& control_;
    NetMember& member_;
};

} // namespace tolvex
