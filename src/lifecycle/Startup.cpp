#include "Startup.h"

namespace tolvex {

Startup::Startup(Station& station, ParmsStore& store, StartupHost& host, MainView& view, TncPort& tnc,
                 Sequencer& sequencer, LinkSession& session, Scheduler& scheduler, Hooks hooks)
    : station_(station), store_(store), host_(host), view_(view), tnc_(tnc), sequencer_(sequencer),
      session_(session), scheduler_(scheduler), hooks_(std::move(hooks)) {}

bool Startup::StartProgram() {
    if (!store_.ReadParms(station_.settings)) return false;
    if (station_.settings.Callsign.isEmpty()) {
        host_.showWelcome();
        return true;
    }
    InitializeProgram();
    return true;
}

void Startup::welcomeContinue(const QByteArray& text) {
    Settings& s = station_.settings;
    s.Callsign = text.toUpper(); // blanks are kept as typed
    s.FCC = s.Callsign;
    s.SSID = s.Callsign + "-1";
    store_.SaveParms(s);
    InitializeProgram();
    host_.closeWelcome();
}

void Startup::mainWindowLoad() {
    view_.setVisible("cmdDisc", false);
    view_.setVisible("cmdViewRcv", false);
    view_.setVisible("Label3", false);
    session_.RxBuffer.clear();
    session_.linkState = LinkState::LinkIdle;
    station_.RcvdCount = 0;
    if (hooks_.rcvdMsgAlert) hooks_.rcvdMsgAlert();
    station_.NetMsgCount = 0;
    if (hooks_.netMsgAlert) hooks_.netMsgAlert();
}

void Startup::InitializeProgram() {
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
        view_.setText("txtNet", {});
        view_.setVisible("txtNet", true);
        view_.setVisible("lblNet", true);
        view_.setVisible("shpNct", false);
        view_.setVisible("lblNct", false);
        station_.NetMsgCount = 0;
        host_.showNetMemberConsole();
    }
    station_.deriveNames();
    station_.MsgNo = store_.ReadMsgNo();
    if (hooks_.loadDraft) hooks_.loadDraft();
    if (Settings::isOn(s.ThisNCS) && inNet) {
        host_.showNetControlConsole();
        view_.setVisible("txtNet", true);
        view_.setVisible("lblNet", true);
    }
    if (tnc_.setComPort() == 0) return;
    view_.setPaneText("tbMon", initializingText());
    sequencer_.run({Step::send(wakeTnc())});
    session_.linkState = LinkState::LinkUnprotoQueryDue;
    if (hooks_.startUnprotoQuery) hooks_.startUnprotoQuery();
}

QByteArray Startup::wakeTnc() const {
    const Settings& s = station_.settings;
    return s.OutLineEnd + s.cmdChar() + s.OutLineEnd;
}

void Startup::EndProgram() {
    if (ending_) return;
    ending_ = true;
    if (hooks_.stopUnprotoQuery) hooks_.stopUnprotoQuery();
    if (!tnc_.isOpen()) {
        host_.quit(0);
        return;
    }
    // Whatever was still queued for the TNC gives way: the closing commands go now.
    sequencer_.runNow({
        Step::send(wakeTnc()),
        Step::wait(400),
        Step::run([this] {
            const Settings& s = station_.settings;
            tnc_.sendToTnc(s.UnprotoCmd + " " + session_.SavedUnproto + s.OutLineEnd);
        }),
        Step::wait(1500),
        Step::run([this] {
            tnc_.closePort();
            host_.quit(0);
        }),
    });
}

} // namespace tolvex
