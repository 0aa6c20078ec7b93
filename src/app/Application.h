#pragma once
// The composition root: builds the station's state, the platform services, the windows and the
// logic, wires them together, and plays the start-up host.
#include "core/ParmsFile.h"
#include "core/QtScheduler.h"
#include "core/Station.h"
#include "core/SystemClock.h"
#include "lifecycle/Startup.h"
#include "link/ConnectSequence.h"
#include "link/LinkSession.h"
#include "link/Panes.h"
#include "link/QtSerialPort.h"
#include "link/ReceiveProcessor.h"
#include "core/Sequencer.h"
#include "link/TncPort.h"
#include "ui/MainWindow.h"
#include "ui/platform/QtMessageBoxes.h"
#include "ui/services/Alert.h"
#include "ui/services/Help.h"

#include <QPointer>
#include <memory>

namespace tolvex {

class WelcomeWindow;

// Until message reception lands, complete items are shown as plain text in the received pane.
class PlainReception : public MessageHandlers {
public:
    explicit PlainReception(MainWindow& window) : window_(window) {}
    void processHeader(const QByteArray&) override {}
    void processIncoming(const QByteArray& incontent, int msgType) override;
    void processNCS(const QByteArray& text) override;

private:
    MainWindow& window_;
};

class Application : public StartupHost {
public:
    explicit Application(const QString& stationDir);
    ~Application() override;

    // False when the program cannot go on (settings unreadable).
    bool start();
    void endProgram() { startup_.EndProgram(); }
    MainWindow& mainWindow() { return window_; }
    // Boxes still on screen that nobody waits for (the "Critical Fault" one, say).
    int messagesOpen() const { return boxes_.openCount(); }
    const LinkSession& session() const { return session_; }

    void showWelcome() override;
    void closeWelcome() override;
    void showMainWindow() override;
    void showNetMemberConsole() override {}
    void showNetControlConsole() override {}
    void quit(int exitCode) override;

private:
    void wire();
    void showHelp(const QString& page) { help_.show(page); }
    void openConnectDialog();
    void openTncDialog();
    void openNodeDialog();
    void broadcastClicked();
    void settingsSaved();

    Station station_;
    QtMessageBoxes boxes_;
    QtScheduler scheduler_;
    SystemClock clock_;
    QtSerialPort serial_;
    MainWindow window_;
    LinkSession session_;
    ParmsStore store_;
    TncPort tnc_;
    Sequencer sequencer_;
    Panes panes_;
    PlainReception reception_;
    ConnectSequence connect_;
    ReceiveProcessor receive_;
    DesktopUrlOpener opener_;
    Help help_;
    Startup startup_;
    QPointer<WelcomeWindow> welcome_;
    QPointer<QWidget> connectDialog_, tncDialog_, nodeDialog_;
};

} // namespace tolvex
