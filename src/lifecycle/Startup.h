#pragma once
// The path from launch to a running main window, the first-run callsign, and the fixed closing
// sequence that leaves the TNC in command mode with its UNPROTO path given back.
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "link/LinkSession.h"
#include "link/ReceiveProcessor.h"
#include "link/TncPort.h"

#include <functional>

namespace tolvex {

// What start-up needs from the window layer.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    virtual void showWelcome() = 0;
    virtual void closeWelcome() = 0;
    virtual void showMainWindow() = 0; // shows it; its layout and activate run as it appears
    virtual void showNetMemberConsole() = 0;
    virtual void showNetControlConsole() = 0;
    virtual void quit(int exitCode) = 0;
};

class Startup {
public:
    // Steps that later subsystems fill in; each is optional.
    struct Hooks {
        std::function<void()> rcvdMsgAlert;
        std::function<void()> netMsgAlert;
        std::function<void()> loadDraft;
    };

    Startup(Station& station, ParmsStore& store, StartupHost& host, MainView& view, TncPort& tnc,
            Sequencer& sequencer, LinkSession& session, ReceiveProcessor& receive, Scheduler& scheduler);
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Reads the settings and opens the first-run window or the main window; false when the
    // settings could not be read (the operator has been told; the program ends).
    bool start();
    // "Continue" of the first-run window with the typed text (not empty).
    void welcomeContinue(const QByteArray& text);
    // The main window's load.
    void mainWindowLoad();
    // File, Exit, closing the main window, or a termination signal.
    void shutdown();
    bool ending() const { return ending_; }

    static QByteArray initializingText() { return "          INITIALIZING ...  PLEASE WAIT "; }
    static constexpr int kWakePauseMs = 400;
    static constexpr int kUnprotoPauseMs = 1500;

private:
    void initialize();
    void initializeAfterDrawn();

    Station& station_;
    ParmsStore& store_;
    StartupHost& host_;
    MainView& view_;
    TncPort& tnc_;
    Sequencer& sequencer_;
    LinkSession& session_;
    ReceiveProcessor& receive_;
    Scheduler& scheduler_;
    Hooks hooks_;
    bool initialized_ = false;
    bool ending_ = false;
};

} // namespace tolvex
