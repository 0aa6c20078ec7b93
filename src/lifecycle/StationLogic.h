#pragma once
// The one object that owns the station's logic: its state, the link, and start-up and shutdown.
// The program, the end-to-end tests and the benchmarks each build it from their own platform
// services and views, so there is one wiring to read.
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
#include "messaging/Help.h"

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

// Until message reception is built, what comes off the air is shown as it came.
class PlainReception : public MessageHandlers {
public:
    explicit PlainReception(MainView& view) : view_(view) {}
    void processHeader(const QByteArray&) override {}
    void processIncoming(const QByteArray& incontent, int msgType) override;
    void processNCS(const QByteArray& text) override;

private:
    MainView& view_;
};

class StationLogic {
public:
    StationLogic(const QString& stationDir, PlatformServices services, Views views);
    StationLogic(const StationLogic&) = delete;
    StationLogic& operator=(const StationLogic&) = delete;

    // The operator's commands that are not a single object's business.
    void broadcast();
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
    PlainReception reception;
    ConnectSequence connect;
    ReceiveProcessor receive;
    Help help;
    Alert alert;
    Startup startup;

private:
    void showReceivedCount();
};

} // namespace tolvex
