#pragma once
// A whole TNC link on a manual clock, wired as the program wires it: settings like the default
// station's, a fake port and the given main-window view and message handlers.
#include "core/Station.h"
#include "link/ConnectSequence.h"
#include "link/LinkSession.h"
#include "link/Panes.h"
#include "link/ReceiveProcessor.h"
#include "core/Sequencer.h"
#include "link/TncPort.h"
#include "support/Doubles.h"

namespace tolvex::test {

inline void useDefaultTexts(Station& station) {
    Settings& s = station.settings;
    s.Callsign = "W1XYZ";
    s.ConnStr = "*** CONNECTED";
    s.DisconStr = "*** DISCONNECTED";
    s.CmdCmd = "3";
    s.ConnCmd = "C";
    s.DisconCmd = "D";
    s.NodeReady = {"*** CONNECTED to", "} Connected to", "###LINK MADE", ""};
    s.SSID = "W1XYZ-1";
    s.TNCCmd = "cmd:";
    s.ConnFail = {"Failure with", "Busy from", "retry count exceeded", "UNABLE TO CONNECT"};
    s.LinkMade = {"} Connected to", "###LINK MADE", "Connected to", ""};
    s.InLineEnd = "\r";
    s.OutLineEnd = "\r";
    s.Bye = "B";
    s.UnprotoCmd = "UNPROTO";
    s.Duplex = "full";
    s.GroupAd = {"ZULGRP", "ARES V RELAY", "", "", "", ""};
    s.NCSCallsign = "NETCTL V RELAY";
    station.deriveNames();
}

// Handlers are built with the link's session, so a double can honour header requests.
template <class View, class Handlers> struct WiredLink {
    ManualScheduler clock;
    FakeSerialPort port{&clock};
    RecordingMessageBoxes boxes;
    View view;
    Station station;
    LinkSession session;
    Handlers handlers{session};
    TncPort tnc{station.settings, port, boxes, view, QString()};
    Sequencer sequencer{clock, [this](const QByteArray& b) { tnc.sendToTnc(b); }};
    Panes panes{station.settings, session, view, sequencer, tnc};
    ConnectSequence connect{station.settings, session, view, sequencer, tnc, panes, boxes};
    ReceiveProcessor rx{station, session, view, handlers, panes, connect, sequencer, tnc, clock};

    WiredLink() {
        useDefaultTexts(station);
        port.open({});
        for (const char* e : {"tbMon", "Label1", "cmdLocalBBS", "Frame1"}) view.setVisible(e, true);
    }
};

} // namespace tolvex::test
