#pragma once
// The one object that owns the station's logic: its state, the link, and start-up and shutdown.
// The program, the end-to-end tests and the benchmarks each build it from their own platform
// services and views, so there is one wiring to read.
#include "Preferences.h"
#include "Startup.h"
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "link/ConnectSequence.h"
#include "link/LinkIndicators.h"
#include "link/LinkSession.h"
#include "link/Panes.h"
#include "link/ReceiveProcessor.h"
#include "link/TncPort.h"
#include "messaging/Alert.h"
#include "messaging/Composer.h"
#include "messaging/Help.h"
#include "messaging/MessageSender.h"
#include "messaging/PendingMessage.h"
#include "messaging/Reception.h"
#include "messaging/SelectedText.h"
#include "messaging/TimeTexts.h"
#include "net/Broadcasts.h"
#include "net/Net.h"

namespace tolvex {

struct PlatformServices {
    Scheduler& scheduler;
    Clock& clock;
    SerialPort& serial;
    MessageBoxes& boxes;
    Printer& printer;
    UrlOpener& browser;
    AlertSound& immediateSound;
    AlertSound& fallbackSound;
};

struct Views {
    MainView& main;
    StartupHost& host;
};

class StationLogic {
public:
    StationLogic(const QString& stationDir, PlatformServices services, Views views);
    StationLogic(const StationLogic&) = delete;
    StationLogic& operator=(const StationLogic&) = delete;

    // The operator's commands that are not a single object's business.
    void broadcast();
    // cmdSend: the pending message as it is now goes out.
    void sendPending();
    // The preferences changed the station's role in the net.
    void netRoleChanged(NetRole before, NetRole after);
    // What a compose window needs.
    ComposeContext composeContext() { return {station, store, services.clock, services.boxes, pending}; }
    // The TNC or node settings were changed in their dialog: saved, then the port opened again.
    void settingsChanged();

    PlatformServices services;
    Views views;
    Station station;
    LinkSession session;
    ParmsStore store;
    TncPort tnc;
    Sequencer sequencer;
    Panes panes;
    LinkIndicators indicators;
    TimeTexts times;
    Help help;
    Alert alert;
    Reception reception;
    ConnectSequence connect;
    ReceiveProcessor receive;
    MessageSender sender;
    PendingMessage pending;
    SelectedText selected;
    Broadcasts broadcasts;
    Net net;
    Startup startup;
};

} // namespace tolvex
