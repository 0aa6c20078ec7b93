#pragma once
// The station's logic on a manual clock, built the way the program builds it (StationLogic), with
// a fake port, recording boxes and, unless another is given, a recording main-window view.
#include "lifecycle/StationLogic.h"
#include "support/Doubles.h"

#include <QStringList>

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

struct RecordingHost : StartupHost {
    QStringList calls;
    int exitCode = -1;
    void showWelcome() override { calls << QStringLiteral("welcome"); }
    void closeWelcome() override { calls << QStringLiteral("closeWelcome"); }
    void showMainWindow() override { calls << QStringLiteral("main"); }
    void showNetMemberConsole() override { calls << QStringLiteral("member"); }
    void showNetControlConsole() override { calls << QStringLiteral("control"); }
    void quit(int code) override {
        calls << QStringLiteral("quit");
        exitCode = code;
    }
};

struct StationRig {
    explicit StationRig(const QString& stationDir = {}, MainView* mainView = nullptr)
        : logic(stationDir,
                PlatformServices{clock, wallClock, port, boxes, printer, browser, immediateSound,
                                 fallbackSound},
                Views{mainView ? *mainView : view, host}) {}

    ManualScheduler clock;
    ManualClock wallClock;
    FakeSerialPort port{&clock};
    RecordingMessageBoxes boxes;
    RecordingPrinter printer;
    RecordingUrlOpener browser;
    RecordingAlertSound immediateSound;
    RecordingAlertSound fallbackSound;
    RecordingMainView view;
    RecordingHost host;
    StationLogic logic;

    Station& station = logic.station;
    LinkSession& session = logic.session;
    TncPort& tnc = logic.tnc;
    Sequencer& sequencer = logic.sequencer;
    Panes& panes = logic.panes;
    ConnectSequence& connect = logic.connect;
    ReceiveProcessor& rx = logic.receive;
    Startup& startup = logic.startup;
};

// A station whose link is up to take text: default texts, the port open, the monitor view shown.
struct LinkedStation : StationRig {
    explicit LinkedStation(MainView* mainView = nullptr) : StationRig({}, mainView) {
        useDefaultTexts(station);
        port.open({});
        session.setState(LinkState::LinkIdle); // the idle view
    }
};

} // namespace tolvex::test
