#include "Application.h"

#include "ui/ConnectDialog.h"
#include "ui/NodeDialog.h"
#include "ui/TncDialog.h"
#include "ui/WelcomeWindow.h"

#include <QApplication>
#include <QTextEdit>

namespace tolvex {

void PlainReception::processIncoming(const QByteArray& incontent, int) {
    if (auto* pane = window_.findChild<QTextEdit*>(QStringLiteral("rtbRcvd"))) {
        QTextCursor end(pane->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromLatin1(incontent) + QStringLiteral("\n")); // text from the air is never markup
    }
}

void PlainReception::processNCS(const QByteArray& text) {
    window_.setText("txtNet", text);
}

Application::Application(const QString& stationDir)
    : serial_(nullptr), store_(stationDir, boxes_),
      tnc_(station_.settings, serial_, boxes_, window_, stationDir),
      sequencer_(scheduler_, [this](const QByteArray& bytes) { tnc_.sendToTnc(bytes); }),
      panes_(station_.settings, session_, window_, sequencer_, tnc_), reception_(window_),
      connect_(station_.settings, session_, window_, sequencer_, tnc_, panes_, boxes_),
      receive_(station_, session_, window_, reception_, panes_, connect_, sequencer_, tnc_, scheduler_),
      help_(stationDir, opener_, boxes_),
      startup_(station_, store_, *this, window_, tnc_, sequencer_, session_, scheduler_,
               Startup::Hooks{
                   [this] { // the "New:" indicator shows only a count above 0
                       const bool show = station_.RcvdCount > 0;
                       for (const char* e : {"shpRM", "lblRCount_0", "lblRCount_1"}) window_.setVisible(e, show);
                   },
                   [this] { // no net message count yet
                       window_.setVisible("shpNct", false);
                       window_.setVisible("lblNct", false);
                   },
                   {},
                   [this] { receive_.startUnprotoQuery(); },
                   [this] { receive_.stopUnprotoQuery(); },
               }) {
    station_.dir = stationDir;
    boxes_.setParent(&window_);
    wire();
}

Application::~Application() = default;

void Application::wire() {
    tnc_.onComInput = [this](const QByteArray& chunk) { receive_.comInput(chunk); };
    window_.paneKeyPress = [this](const char* pane, int key) { return tnc_.paneKeyPress(pane, key); };
    window_.paneKeyUp = [this](const char* pane) { tnc_.paneKeyUp(pane); };
    window_.rcvdKeyPress = [this] { tnc_.rcvdKeyPress(); };
    QObject::connect(&window_, &MainWindow::exitRequested, &window_, [this] { startup_.EndProgram(); });
    QObject::connect(&window_, &MainWindow::activated, &window_, [this] { tnc_.focusToPanel(); });
    QObject::connect(&window_, &MainWindow::helpRequested, &window_, [this](const QString& p) { showHelp(p); });
    QObject::connect(&window_, &MainWindow::cmdLocalBBSClicked, &window_, [this] { connect_.cmdLocalBBSClick(); });
    QObject::connect(&window_, &MainWindow::cmdViewRcvClicked, &window_, [this] { panes_.cmdViewRcvClick(); });
    QObject::connect(&window_, &MainWindow::cmdDiscClicked, &window_, [this] { connect_.cmdDiscClick(); });
    QObject::connect(&window_, &MainWindow::cmdDestClicked, &window_, [this] { openConnectDialog(); });
    QObject::connect(&window_, &MainWindow::cmdGroupClicked, &window_, [this] { broadcastClicked(); });
    QObject::connect(&window_, &MainWindow::mnuTNCTriggered, &window_, [this] { openTncDialog(); });
    QObject::connect(&window_, &MainWindow::mnuNodeTriggered, &window_, [this] { openNodeDialog(); });
}

bool Application::start() {
    return startup_.StartProgram();
}

void Application::showWelcome() {
    welcome_ = new WelcomeWindow(
        boxes_, [this](const QByteArray& text) { startup_.welcomeContinue(text); },
        [this] { quit(0); });
    welcome_->setAttribute(Qt::WA_DeleteOnClose);
    welcome_->show();
}

void Application::closeWelcome() {
    if (welcome_) welcome_->close();
}

void Application::showMainWindow() {
    window_.show();
    window_.activateWindow();
}

void Application::quit(int exitCode) {
    QCoreApplication::exit(exitCode);
}

void Application::openConnectDialog() {
    window_.setVisible("lblDest", false);
    if (connectDialog_) {
        connectDialog_->raise();
        connectDialog_->activateWindow();
        return;
    }
    auto* dialog = new ConnectDialog(
        station_.path(QStringLiteral("callsign.lst")), boxes_,
        [this](const QByteArray& destination) { return connect_.cmdConnect(destination); },
        [this](const QString& page) { showHelp(page); }, &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connectDialog_ = dialog;
    dialog->show();
}

void Application::settingsSaved() {
    store_.SaveParms(station_.settings);
    tnc_.setComPort();
}

void Application::openTncDialog() {
    if (tncDialog_) {
        tncDialog_->raise();
        return;
    }
    auto* dialog = new TncDialog(
        station_.settings, station_.dir, [this] { settingsSaved(); }, [this](const QString& p) { showHelp(p); },
        &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    tncDialog_ = dialog;
    dialog->show();
}

void Application::openNodeDialog() {
    if (nodeDialog_) {
        nodeDialog_->raise();
        return;
    }
    auto* dialog = new NodeDialog(
        station_.settings, [this] { settingsSaved(); }, [this](const QString& p) { showHelp(p); }, &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    nodeDialog_ = dialog;
    dialog->show();
}

void Application::broadcastClicked() {
    if (session_.linkState == LinkState::LinkIdle) return; // the broadcast window comes with its own change
    boxes_.show(QStringLiteral("Message already in progress"),
                QStringLiteral("   A message is being received or sent now so\r\n"
                               "a broadcast message cannot be sent at this time.\r\n"
                               "              Try again later."));
}

} // namespace tolvex
