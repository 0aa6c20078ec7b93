#include "Application.h"
#include "ScreenshotTour.h"

#include "ui/BroadcastWindow.h"
#include "ui/ComposeWindow.h"
#include "ui/ConnectDialog.h"
#include "ui/GroupWindow.h"
#include "ui/LogWindow.h"
#include "ui/NodeDialog.h"
#include "ui/PreferencesWindow.h"
#include "ui/TncDialog.h"
#include "ui/WelcomeWindow.h"
#include "ui/WindowParts.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QList>
#include <QScreen>

namespace tolvex {

Application::Application(const QString& stationDir)
    : serial_([this]() -> const Settings& { return logic_.station.settings; }),
      logic_(stationDir,
             PlatformServices{scheduler_, clock_, serial_, boxes_, printer_, browser_, immediateSound_,
                              fallbackSound_},
             Views{window_.view(), *this}) {
    // The desktop finds the program's menu entry and icon by this name; the icon is the one
    // installed with it, drawn for the windows too.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tolvex.Tolvex"));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/tolvex/icons/%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    boxes_.setParent(&window_);
    consoles_ = std::make_unique<NetConsoles>(logic_.net, &window_);
    connectWindow();
}

Application::~Application() {
    // Every window but the main one refers to the logic or to a service declared after the main
    // window, which outlives them all. They go first, while everything they refer to is whole,
    // the newest first: a box goes before the window that asked it.
    consoles_.reset();
    delete welcome_.data();
    QList<QPointer<QWidget>> windows;
    for (QWidget* child : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow()) windows.prepend(child);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}

void Application::connectWindow() {
    StationLogic& l = logic_;
    window_.paneKeyPress = [&l](MainElement pane, int key) { return l.tnc.paneKeyPress(pane, key); };
    window_.paneKeyUp = [&l](MainElement pane) { l.tnc.paneKeyUp(pane); };
    window_.rcvdKeyPress = [&l] { l.tnc.rcvdKeyPress(); };
    QObject::connect(&window_, &MainWindow::exitRequested, &window_, [&l] { l.startup.shutdown(); });
    QObject::connect(&window_, &MainWindow::activated, &window_, [&l] { l.tnc.focusToPanel(); });
    QObject::connect(&window_, &MainWindow::helpRequested, &window_,
                     [this](const QString& p) { showHelp(p); });
    QObject::connect(&window_, &MainWindow::cmdLocalBBSClicked, &window_,
                     [&l] { l.connect.connectToMailbox(); });
    QObject::connect(&window_, &MainWindow::cmdViewRcvClicked, &window_, [&l] { l.panes.monitorReceive(); });
    QObject::connect(&window_, &MainWindow::cmdDiscClicked, &window_, [&l] { l.connect.disconnect(); });
    QObject::connect(&window_, &MainWindow::cmdDestClicked, &window_, [this] { openConnectDialog(); });
    QObject::connect(&window_, &MainWindow::cmdGroupClicked, &window_, [&l] { l.broadcast(); });
    QObject::connect(&window_, &MainWindow::mnuPrefTriggered, &window_, [this] { openPreferences(); });
    QObject::connect(&window_, &MainWindow::lblNctClicked, &window_,
                     [&l] { l.net.reception.counterClicked(); });
    QObject::connect(&window_, &MainWindow::txtNetClicked, &window_,
                     [&l] { l.net.reception.netPaneClicked(); });
    l.broadcasts.showBroadcastWindow = [this] { openBroadcast(); };
    l.broadcasts.showGroupWindow = [this] {
        auto* groups = new GroupWindow(logic_.station, logic_.store, logic_.broadcasts, &window_);
        groups->show();
    };
    QObject::connect(&window_, &MainWindow::mnuTNCTriggered, &window_, [this] { openTncDialog(); });
    QObject::connect(&window_, &MainWindow::mnuNodeTriggered, &window_, [this] { openNodeDialog(); });

    // Messages.
    QObject::connect(&window_, &MainWindow::cmdComposeClicked, &window_,
                     [this] { openCompose(ComposeMode::Formal); });
    QObject::connect(&window_, &MainWindow::cmdScratchClicked, &window_,
                     [this] { openCompose(ComposeMode::Scratch); });
    QObject::connect(&window_, &MainWindow::cmdEditClicked, &window_,
                     [this] { openCompose(ComposeMode::Edit); });
    QObject::connect(&window_, &MainWindow::cmdEraseClicked, &window_, [&l] { l.pending.askErase(); });
    QObject::connect(&window_, &MainWindow::cmdSendClicked, &window_, [&l] { l.sendPending(); });
    QObject::connect(&window_, &MainWindow::cmdLogClicked, &window_, [this] { openLog(); });
    QObject::connect(&window_, &MainWindow::cmdClearClicked, &window_, [&l] { l.reception.clearPane(); });
    QObject::connect(&window_, &MainWindow::lblRCountClicked, &window_, [&l] { l.reception.resetCount(); });
    QObject::connect(&window_, &MainWindow::cmdPSClicked, &window_,
                     [&l] { l.selected.printReceivedSelection(); });
    QObject::connect(&window_, &MainWindow::cmdPrintCMClicked, &window_,
                     [&l] { l.selected.printPaneSelection(); });
    QObject::connect(&window_, &MainWindow::command1Clicked, &window_, [&l] { l.selected.clearPane(); });
    QObject::connect(&window_, &MainWindow::cmdSaveCMClicked, &window_, [&l] { l.selected.askSubject(); });
    QObject::connect(&window_, &MainWindow::tbMonMouseUp, &window_,
                     [&l](const QByteArray& selection) { l.selected.monitorSelected(selection); });
    QObject::connect(&window_, &MainWindow::txtSaveEnter, &window_, [this] {
        logic_.selected.save(window_.findChild<QLineEdit*>(QStringLiteral("txtSave"))->text().toLatin1());
    });
}

void Application::openCompose(ComposeMode mode) {
    // One compose window: while it is open, Formal, Scratchpad and Edit Message bring it to the
    // front and change nothing in it (a second one would discard the pending message it holds
    // and take a second message number).
    if (bringToFront(composeWindow_)) return;
    // It keeps the mode it was opened with; it belongs to the main window, so it never outlives
    // the logic.
    auto* compose = new ComposeWindow(
        mode, logic_.composeContext(), [this](const QString& p) { showHelp(p); }, &window_);
    composeWindow_ = compose;
    compose->show();
}

void Application::openBroadcast() {
    if (bringToFront(broadcastWindow_)) return;
    auto* broadcast = new BroadcastWindow(logic_.broadcasts, &window_);
    broadcastWindow_ = broadcast;
    broadcast->show();
}

void Application::openPreferences() {
    if (bringToFront(preferencesWindow_)) return;
    auto* preferences = new PreferencesWindow(
        {logic_.station, logic_.store, boxes_, window_.view()},
        [this](NetRole before, NetRole after) { logic_.netRoleChanged(before, after); },
        [this](const QString& p) { showHelp(p); }, &window_);
    preferencesWindow_ = preferences;
    preferences->show();
}

void Application::openLog() {
    if (bringToFront(logWindow_)) return;
    auto* log = new LogWindow(
        logic_.station.path(QStringLiteral("Messages")), boxes_, printer_,
        [this](const QString& p) { showHelp(p); }, &window_);
    logWindow_ = log;
    log->show();
}

void Application::showWelcome() {
    welcome_ = new WelcomeWindow(
        boxes_, [this](const QByteArray& text) { logic_.startup.welcomeContinue(text); },
        [this] { quit(0); });
    welcome_->show();
}

void Application::closeWelcome() {
    if (welcome_) welcome_->close();
}

void Application::showMainWindow() {
    // Where the operator left it last time, if that is still on a screen.
    if (const auto saved = WindowPlacement::load(placementFile())) {
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << screen->availableGeometry();
        window_.restorePlacement(saved->fittedTo(screens));
    }
    window_.show();
    window_.activateWindow();
    mainShown_ = true;
    ScreenshotTour::startIfAsked(&window_);
}

void Application::quit(int exitCode) {
    if (mainShown_) window_.placement().save(placementFile());
    QCoreApplication::exit(exitCode);
}

void Application::openConnectDialog() {
    window_.view().setVisible(frmMain::lblDest, false);
    if (bringToFront(connectDialog_)) return;
    auto* dialog = new ConnectDialog(
        logic_.station.path(QStringLiteral("callsign.lst")), boxes_,
        [this](const QByteArray& destination) { return logic_.connect.connect(destination); },
        [this](const QString& page) { showHelp(page); }, &window_);
    connectDialog_ = dialog;
    dialog->show();
}

void Application::openTncDialog() {
    if (bringToFront(tncDialog_)) return;
    auto* dialog = new TncDialog(
        logic_.station.settings, logic_.station.dir, [this] { logic_.settingsChanged(); },
        [this](const QString& p) { showHelp(p); }, &window_);
    tncDialog_ = dialog;
    dialog->show();
}

void Application::openNodeDialog() {
    if (bringToFront(nodeDialog_)) return;
    auto* dialog = new NodeDialog(
        logic_.station.settings, [this] { logic_.settingsChanged(); },
        [this](const QString& p) { showHelp(p); }, &window_);
    nodeDialog_ = dialog;
    dialog->show();
}

} // namespace tolvex
