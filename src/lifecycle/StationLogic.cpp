#include "StationLogic.h"

namespace tolvex {

void PlainReception::processIncoming(const QByteArray& incontent, int) {
    view_.appendReceived(incontent + '\n', TextColour::Black);
}

void PlainReception::processNCS(const QByteArray& text) {
    view_.setText(frmMain::txtNet, text);
}

StationLogic::StationLogic(const QString& stationDir, PlatformServices platform, Views windows)
    : services(platform), views(windows), store(stationDir, platform.boxes),
      tnc(station.settings, platform.serial, platform.boxes, windows.main, stationDir),
      sequencer(platform.scheduler, [this](const QByteArray& bytes) { return tnc.sendToTnc(bytes); }),
      panes(station.settings, session, windows.main, sequencer, tnc), indicators(session, windows.main),
      reception(windows.main), connect(station.settings, session, sequencer, tnc, platform.boxes),
      receive(station, session, windows.main, reception, panes, connect, sequencer, tnc, platform.scheduler),
      help(stationDir, platform.browser, platform.boxes),
      alert(platform.scheduler, platform.immediateSound, platform.fallbackSound, stationDir),
      startup(station, store, windows.host, windows.main, tnc, sequencer, session, receive,
              platform.scheduler) {
    station.dir = stationDir;
    tnc.onComInput = [this](const QByteArray& chunk) { receive.comInput(chunk); };
    startup.setHooks({
        [this] { showReceivedCount(); },
        [this] { // no net message count yet
            views.main.setVisible(frmMain::shpNct, false);
            views.main.setVisible(frmMain::lblNct, false);
        },
        {},
    });
}

void StationLogic::showReceivedCount() {
    // The "New:" indicator shows only a count above 0.
    const bool show = station.RcvdCount > 0;
    for (const MainElement e : {frmMain::shpRM, frmMain::lblRCount_0, frmMain::lblRCount_1})
        views.main.setVisible(e, show);
}

void StationLogic::broadcast() {
    if (session.state() == LinkState::LinkIdle) return; // the broadcast window comes with its own change
    services.boxes.show(QStringLiteral("Message already in progress"),
                        QStringLiteral("   A message is being received or sent now so\r\n"
                                       "a broadcast message cannot be sent at this time.\r\n"
                                       "              Try again later."));
}

void StationLogic::settingsChanged() {
    store.SaveParms(station.settings);
    tnc.setComPort();
}

} // namespace tolvex
