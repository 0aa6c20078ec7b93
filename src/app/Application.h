#pragma once
// The program: the Qt platform services, the windows, and StationLogic wired to them. It plays the
// start-up host (first-run window, main window, quitting).
#include "core/QtScheduler.h"
#include "core/SystemClock.h"
#include "lifecycle/StationLogic.h"
#include "softtnc/StationPort.h"
#include "ui/MainWindow.h"
#include "ui/NetConsoles.h"
#include "ui/platform/DesktopUrlOpener.h"
#include "ui/platform/QtAlertSound.h"
#include "ui/platform/QtMessageBoxes.h"
#include "ui/platform/QtPrinter.h"

#include <QPointer>
#include <memory>

namespace tolvex {

class WelcomeWindow;

class Application : public StartupHost {
public:
    explicit Application(const QString& stationDir);
    ~Application() override;

    // False when the program cannot go on (settings unreadable).
    bool start() { return logic_.startup.start(); }
    void shutdown() { logic_.startup.shutdown(); }
    MainWindow& mainWindow() { return window_; }
    StationLogic& logic() { return logic_; }
    // Boxes still on screen (the "Critical Fault" one, say).
    int messagesOpen() const { return boxes_.openCount(); }

    void showWelcome() override;
    void closeWelcome() override;
    void showMainWindow() override;
    void showNetMemberConsole() override { logic_.net.member.open(); }
    void showNetControlConsole() override { logic_.net.control.open(); }
    void quit(int exitCode) override;

private:
    void connectWindow();
    void showHelp(const QString& page) { logic_.help.show(page); }
    // The main window's place and size between runs, the station's own (not Parms.inf).
    QString placementFile() const { return logic_.station.path(QStringLiteral("Window.ini")); }
    void openConnectDialog();
    void openTncDialog();
    void openNodeDialog();
    void openCompose(ComposeMode mode);
    void openLog();
    void openBroadcast();
    void openPreferences();

    QtMessageBoxes boxes_;
    QtScheduler scheduler_;
    SystemClock clock_;
    StationPort serial_; // a serial device, or the software TNC on a sound-card modem
    MainWindow window_;  // outlives the logic, which takes its view; its other windows go before the logic
    QtPrinter printer_;
    DesktopUrlOpener browser_;
    QtImmediateSound immediateSound_;
    QtFallbackSound fallbackSound_;
    StationLogic logic_;
    std::unique_ptr<NetConsoles> consoles_;
    QPointer<WelcomeWindow> welcome_;
    bool mainShown_ = false; // its place is kept only once the operator has had the window
    QPointer<QWidget> connectDialog_, tncDialog_, nodeDialog_, logWindow_, broadcastWindow_,
        preferencesWindow_, composeWindow_;
};

} // namespace tolvex
