#pragma once
// The net logic and broadcasts on the station rig's doubles, with recording views attached
// whenever a console or the broadcast dialog is put on screen.
#include "net/Broadcasts.h"
#include "net/Net.h"
#include "support/StationRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tolvex::test {

struct RecordingControlView : NetControlView {
    void setText(NetControlElement e, const QByteArray& t) override { texts[e.name] = t; }
    QByteArray text(NetControlElement e) const override {
        auto it = texts.find(e.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    void setRows(NetControlElement l, const QList<QByteArray>& r) override { rows[l.name] = r; }
    void appendRow(NetControlElement l, const QByteArray& r) override { rows[l.name].append(r); }
    void removeRow(NetControlElement l, int row) override { rows[l.name].removeAt(row); }
    void clearSelection(NetControlElement l) override { deselected.push_back(l.name); }
    void setTrafficHighlighted(bool y) override { yellow = y; }
    void setFocus(NetControlElement e) override { focus = e.name; }

    std::map<std::string, QByteArray> texts;
    std::map<std::string, QList<QByteArray>> rows;
    std::vector<std::string> deselected;
    bool yellow = false;
    std::string focus;
};

struct RecordingMemberView : NetMemberView {
    void setText(NetMemberElement e, const QByteArray& t) override { texts[e.name] = t; }
    QByteArray text(NetMemberElement e) const override {
        auto it = texts.find(e.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    std::map<std::string, QByteArray> texts;
};

struct RecordingBroadcastView : BroadcastView {
    void setVisible(BroadcastElement e, bool v) override { visible[e.name] = v; }
    void setText(BroadcastElement e, const QByteArray& t) override { text[e.name] = t; }
    QByteArray messageText() const override { return message; }
    int chosenOption() const override { return chosen; }
    void choose(int option) override { chosen = option; }
    void close() override {
        ++closes;
        if (onClose) onClose();
    }
    std::map<std::string, bool> visible;
    std::map<std::string, QByteArray> text;
    QByteArray message;
    int chosen = -1;
    int closes = 0;
    std::function<void()> onClose;
};

struct NetRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    Net net{rig.station, rig.logic.store, rig.session, rig.boxes,       rig.sequencer,
            rig.tnc,     rig.logic.times, rig.clock,   rig.logic.alert, rig.view};
    Broadcasts broadcasts{{rig.station, rig.session, rig.sequencer, rig.tnc, rig.view, rig.boxes,
                           rig.logic.times, rig.clock, rig.logic.help}};
    RecordingControlView controlView;
    RecordingMemberView memberView;
    RecordingBroadcastView broadcastView;
    int controlShows = 0, controlCloses = 0, memberShows = 0, memberCloses = 0;
    Settings& s = rig.station.settings;

    NetRig() {
        useDefaultTexts(rig.station);
        s.ConverseCmd = "K";
        s.FCC = "KA1ABC";
        s.AddFCC = 0;
        s.NetActiveMsg = "NET IS OPEN";
        s.PermitMsg = "GO AHEAD";
        s.NCSMsg = {"ALL STATIONS CHECK IN", " ANY MORE ? ", "TRAFFIC ?", "SEND TRAFFIC"};
        s.InfoNet1Msg = " ON FREQ ";
        s.InfoNet2Msg = "QRT";
        s.NetOperation = "0";
        s.ThisNCS = "0";
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle);
        net.control.showWindow = [this] {
            ++controlShows;
            net.control.attach(&controlView);
        };
        net.control.closeWindow = [this] { ++controlCloses; };
        net.member.showWindow = [this] {
            ++memberShows;
            net.member.attach(&memberView);
        };
        net.member.closeWindow = [this] { ++memberCloses; };
        broadcasts.showBroadcastWindow = [this] { broadcasts.attach(broadcastView); };
        broadcastView.onClose = [this] { broadcasts.closed(); };
    }

    // The station runs the net with its console open.
    void becomeControl() {
        s.NetOperation = "1";
        s.ThisNCS = "1";
        net.pane.enter();
        net.control.open();
    }
    using Write = std::pair<qint64, QByteArray>;
    // Every write as (ms since `from`, bytes).
    std::vector<Write> writes(qint64 from = 0) const {
        std::vector<Write> out;
        for (const auto& w : rig.port.writes)
            out.emplace_back(w.at - from, w.bytes);
        return out;
    }
    QByteArray netPane() const { return rig.view.pane("txtNet"); }
    int alerts() const { return int(rig.immediateSound.played.size()); }
    Settings saved() const {
        Settings back;
        QFile file(dir.filePath(QStringLiteral("Parms.inf")));
        if (file.open(QIODevice::ReadOnly)) readParms(file, back);
        return back;
    }
};

} // namespace tolvex::test
