#include "Startup.h"
#include "Preferences.h"

namespace tolvex {

Startup::Startup(Station& station, ParmsStore& store, StartupHost& host, MainView& view, TncPort& tnc,
                 Sequencer& sequencer, LinkSession& session, ReceiveProcessor& receive, Scheduler& scheduler)
    : station_(station), store_(store), host_(host), view_(view), tnc_(tnc), sequencer_(sequencer),
      session_(session), receive_(receive), scheduler_(scheduler) {}

bool Startup::start() {
    if (!store_.ReadParms(station_.settings)) return false;
    if (station_.settings.Callsign.isEmpty()) {
        host_.showWelcome();
        return true;
    }
    initialize();
    return true;
}

void Startup::welcomeContinue(const QByteArray& text) {
    Settings& s = station_.settings;
    s.Callsign = text.toUpper(); // blanks are kept as typed
    s.FCC = s.Callsign;
    s.SSID = s.Callsign + "-1";
    store_.SaveParms(s);
    initialize();
    host_.closeWelcome();
}

void Startup::mainWindowLoad() {
    view_.setVisible(frmMain::Frame1, false); // nothing is pending until a draft is loaded
    session_.RxBuffer.clear();
    session_.setState(LinkState::LinkIdle);
    session_.confirmIdle(); // the indicators show the idle buttons
    station_.RcvdCount = 0;
    if (hooks_.rcvdMsgAlert) hooks_.rcvdMsgAlert();
    station_.NetMsgCount = 0;
    if (hooks_.netMsgAlert) hooks_.netMsgAlert();
}

void Startup::initialize() {
    if (initialized_) return; // once per run
    initialized_ = true;
    mainWindowLoad();
    host_.showMainWindow();
    // The rest runs once the main window has been drawn.
    scheduler_.callAfter(0, [this] { initializeAfterDrawn(); });
}

void Startup::initializeAfterDrawn() {
    if (ending_) return;
    const Settings& s = station_.settings;
    const bool inNet = Settings::isOn(s.NetOperation);
    if (inNet) {
        showNetPane(view_, station_, true);
        host_.showNetMemberConsole();
    }
    station_.deriveNames();
    station_.MsgNo = store_.ReadMsgNo();
    if (hooks_.loadDraft) hooks_.loadDraft();
    if (Settings::isOn(s.ThisNCS) && inNet) host_.showNetControlConsole();
    if (tnc_.setComPort() == 0) return;
    view_.setPaneText(frmMain::tbMon, initializingText());
    sequencer_.run({Step::send(station_.settings.wakeText())});
    receive_.startUnprotoQuery();
}

void Startup::shutdown() {
    if (ending_) return;
    ending_ = true;
    receive_.stopUnprotoQuery(); // no query may go out once shutdown began
    if (!tnc_.isOpen()) {
        host_.quit(0);
        return;
    }
    // Ordinary sequences still queued give way; an urgent one (a disconnect) goes out first.
    sequencer_.runLast({
        Step::send(station_.settings.wakeText()),
        Step::wait(kWakePauseMs),
        Step::sendLate([this] {
            const Settings& s = station_.settings;
            return s.UnprotoCmd + " " + session_.SavedUnproto + s.OutLineEnd;
        }),
        Step::wait(kUnprotoPauseMs),
        Step::run([this] {
            tnc_.closePort();
            host_.quit(0);
        }),
    });
}

} // namespace tolvex
