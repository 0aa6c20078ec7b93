#include "StationLogic.h"

namespace tolvex {

StationLogic::StationLogic(const QString& stationDir, PlatformServices platform, Views windows)
    : services(platform), views(windows), store(stationDir, platform.boxes),
      tnc(station.settings, platform.serial, platform.boxes, windows.main, stationDir),
      sequencer(platform.scheduler, [this](const QByteArray& bytes) { return tnc.sendToTnc(bytes); }),
      panes(station.settings, session, windows.main, sequencer, tnc, platform.scheduler, platform.boxes),
      indicators(session, windows.main), times(platform.clock, station.settings),
      help(stationDir, platform.browser, platform.boxes),
      alert(platform.scheduler, platform.immediateSound, platform.fallbackSound, stationDir),
      reception(station, session, windows.main, times, alert, platform.printer, platform.boxes, tnc),
      connect(station.settings, session, sequencer, tnc, platform.boxes, platform.scheduler),
      receive(station, session, windows.main, reception, panes, connect, sequencer, tnc, platform.scheduler),
      sender(station, session, sequencer, tnc, platform.boxes, times, platform.scheduler),
      pending(station, platform.boxes, windows.main, session, tnc),
      selected(station, windows.main, tnc, platform.printer, platform.boxes, times),
      broadcasts(
          {station, session, sequencer, tnc, windows.main, platform.boxes, times, platform.scheduler, help}),
      net(station, store, session, platform.boxes, sequencer, tnc, times, platform.scheduler, alert,
          windows.main),
      startup(station, store, windows.host, windows.main, tnc, sequencer, session, receive,
              platform.scheduler) {
    station.dir = stationDir;
    tnc.onComInput = [this](const QByteArray& chunk) { receive.comInput(chunk); };
    // The operator's Disconnect does not wait behind a paced send: the send stops first.
    connect.onDisconnect = [this] { sender.cancel(); };
    tnc.onPortLost = [this] { connect.portLost(); };
    pending.onChanged = [this](bool isPending) { indicators.setMessagePending(isPending); };
    reception.onNetLine = [this](const QByteArray& line) { net.reception.processNCS(line); };
    startup.setHooks({
        [this] { reception.showCount(); },
        [this] { net.pane.netMsgAlert(); },
        [this] { pending.loadDraft(); },
    });
}

void StationLogic::broadcast() {
    broadcasts.openDialog();
}

void StationLogic::netRoleChanged(NetRole before, NetRole after) {
    (void)before;
    // The consoles follow the station's new role; the net pane was set by the preferences.
    if (after != NetRole::Control) net.control.close();
    if (after != NetRole::Member) net.member.close();
    if (after == NetRole::Member) net.member.open();
    if (after == NetRole::Control) net.control.open();
}

void StationLogic::sendPending() {
    if (!pending.isPending()) return;
    sender.send({pending.subject(), pending.header(), pending.body(), pending.bodyForTnc()});
}

void StationLogic::settingsChanged() {
    store.SaveParms(station.settings);
    tnc.setComPort();
}

} // namespace tolvex
