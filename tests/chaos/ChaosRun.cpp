#include "ChaosRun.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <array>
#include <set>

namespace tolvex::chaos {

using test::RecordingBroadcastView;
using test::RecordingControlView;
using test::RecordingMemberView;

namespace {

constexpr std::array kNames = {
    "ConnectDirect",   "ConnectViaNodes", "Disconnect",    "ComposeFormal", "ComposeScratch", "Send",
    "Broadcast",       "MemberButton",    "ControlButton", "RoleChange",    "AnswerBox",      "Exit",
    "IncomingConnect", "CallAnswered",    "CallFailed",    "NodeAnswered",  "NodeFailed",     "Dropped",
    "FarMessage",      "FarMessageCut",   "FarMessageDis", "NetLine",       "GroupFrame",     "Garbage",
    "Pause",           "Sabotage",
};
static_assert(kNames.size() == std::size_t(Act::Sabotage) + 1);

// How often each act is drawn (Sabotage never); the link's acts most, so links come and go.
constexpr std::array<int, kNames.size()> kWeights = {
    6, 4, 5, 3, 2, 6, 2, 2, 2, 1, 2, 0, 5, 8, 2, 6, 2, 4, 6, 3, 2, 2, 2, 2, 5, 0,
};

constexpr QByteArrayView kNoEndNote = "The link ended before the end of this message";
constexpr int kStartupMs = 5000;
constexpr int kDisconnectAnswerMs = 500;
constexpr int kUnprotoAnswerMs = 200;

struct RecordingComposeView : ComposeView {
    QByteArray text(ComposeElement e) const override {
        auto it = texts.find(e.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    void setText(ComposeElement e, const QByteArray& t) override { texts[e.name] = t; }
    bool isChecked(ComposeElement e) const override { return checked.count(e.name) != 0; }
    void setChecked(ComposeElement e, bool on) override {
        if (on)
            checked.insert(e.name);
        else
            checked.erase(e.name);
    }
    void setVisible(ComposeElement, bool) override {}
    void setTabStop(ComposeElement, bool) override {}
    void replaceFirst(ComposeElement e, const QByteArray& what, const QByteArray& with) override {
        QByteArray& t = texts[e.name];
        const qsizetype at = t.indexOf(what);
        if (at >= 0) t.replace(at, what.size(), with);
    }
    void setCaption(const QByteArray&) override {}
    void close() override {}
    std::map<std::string, QByteArray> texts;
    std::set<std::string> checked;
};

// A port whose every write is read by the TNC model as it leaves.
class ModelPort : public test::FakeSerialPort {
public:
    using FakeSerialPort::FakeSerialPort;
    bool write(const QByteArray& bytes) override {
        const bool ok = FakeSerialPort::write(bytes);
        if (ok && onWrite) onWrite(bytes);
        return ok;
    }
    std::function<void(const QByteArray&)> onWrite;
};

QStringList filesIn(const QString& dir, const QString& pattern) {
    return QDir(dir + QStringLiteral("/Messages")).entryList({pattern}, QDir::Files);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray serialized(const Settings& s) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    writeParms(out, s);
    return out.data();
}

} // namespace

const char* actName(Act act) {
    return kNames[std::size_t(act)];
}

QString describe(const std::vector<Step>& steps) {
    QStringList out;
    for (const Step& s : steps)
        out << QStringLiteral("%1:%2").arg(QLatin1String(actName(s.act))).arg(s.arg);
    return out.join(QLatin1Char(','));
}

std::optional<std::vector<Step>> parseSteps(const QByteArray& text) {
    std::vector<Step> out;
    for (const QByteArray& item : text.split(',')) {
        const QList<QByteArray> parts = item.trimmed().split(':');
        const auto it = std::find(kNames.begin(), kNames.end(), parts.front());
        if (it == kNames.end() || parts.size() != 2) return std::nullopt;
        out.push_back({Act(it - kNames.begin()), parts[1].toUInt()});
    }
    return out;
}

std::vector<Step> generate(std::uint64_t seed, int count) {
    std::mt19937_64 rng(seed);
    std::discrete_distribution<int> pick(kWeights.begin(), kWeights.end());
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back({Act(pick(rng)), std::uint32_t(rng())});
    // Some runs end with the operator's exit while things are still going on.
    if (rng() % 3 == 0) steps.push_back({Act::Exit, std::uint32_t(rng())});
    return steps;
}

struct ChaosRun::Parts {
    QTemporaryDir dir;
    test::ManualScheduler clock;
    test::ManualClock wallClock;
    ModelPort port{&clock};
    test::RecordingMessageBoxes boxes;
    test::RecordingPrinter printer;
    test::RecordingUrlOpener browser;
    test::RecordingAlertSound sound;
    test::RecordingMainView view;
    test::RecordingHost host;
    StationLogic logic{dir.path(),
                       PlatformServices{clock, wallClock, port, boxes, printer, browser, sound, sound},
                       Views{view, host}};
    RecordingControlView controlView;
    RecordingMemberView memberView;
    RecordingBroadcastView broadcastView;

    TncModel tnc;
    int answersDue = 0; // TNC answers scheduled and not yet given
    std::optional<QString> broken;
    int stepNo = 0;
    bool exited = false;
    int nextId = 1;

    // Far messages whose header the station took: id, and whether their end came.
    struct FarMessage {
        int id;
        bool whole;
    };
    std::vector<FarMessage> farMessages;
    std::set<QByteArray> numbersUsed;
    // The send under way: what goes on the air, and the copies before it.
    struct SendWatch {
        QByteArray onAir;
        qsizetype copiesBefore;
        qsizetype next = 0; // the next character of onAir to go out
    };
    std::optional<SendWatch> send;

    Settings& s = logic.station.settings;

    // The tag names the invariant; shrinking keeps a list only while it breaks the same one.
    void fail(const char* tag, const QString& what) {
        if (!broken)
            broken = QStringLiteral("[%1] after step %2: %3").arg(QLatin1String(tag)).arg(stepNo).arg(what);
    }

    // ---- the TNC model -----------------------------------------------------------------------

    void hear(const QByteArray& bytes) {
        if (trace) qInfo("%8lld  station: %s", clock.nowMs(), bytes.toPercentEncoding(" ").constData());
        // The sender writes its message one character at a time, in order.
        // A wake-up (line end, command character) ends an unconnected line that a link cut short; its
        // line end is no part of that line.
        if (tnc.converse && tnc.unprotoArmed && bytes.startsWith(s.OutLineEnd + s.cmdChar())) {
            hear(bytes.mid(s.OutLineEnd.size()));
            return;
        }
        sendByte_ = send && logic.session.Sending && bytes.size() == 1 && send->next < send->onAir.size() &&
                    send->onAir[send->next] == bytes[0];
        if (sendByte_) ++send->next;
        for (char c : bytes)
            hearByte(c);
        sendByte_ = false;
    }
    bool sendByte_ = false;
    bool trace = !qEnvironmentVariableIsEmpty("TOLVEX_CHAOS_TRACE");

    void hearByte(char c) {
        if (c == s.cmdChar().front()) {
            tnc.converse = false;
            tnc.commandLine.clear();
            tnc.unprotoArmed = false;
            return;
        }
        const bool messageByte = sendByte_;
        if (!tnc.converse) {
            if (messageByte)
                fail("on-air",
                     QStringLiteral("a byte of the message was typed to the TNC in command mode: %1")
                         .arg(QLatin1String(QByteArray(1, c).toPercentEncoding())));
            if (c == '\n') return;
            if (c != '\r') {
                tnc.commandLine += c;
                return;
            }
            command(std::exchange(tnc.commandLine, {}));
            return;
        }
        if (messageByte) {
            if (tnc.link != TncModel::Link::Up)
                fail("on-air", QStringLiteral("a byte of the message was written while no link is up"));
            return;
        }
        if (tnc.unprotoArmed && tnc.link != TncModel::Link::None) {
            fail("on-air", QStringLiteral("a byte of an unconnected line went into the link to %1")
                               .arg(QLatin1String(tnc.far.isEmpty() ? QByteArray("(calling)") : tnc.far)));
            return;
        }
        if (tnc.link != TncModel::Link::Up) return; // an unconnected frame, or nothing
        if (c != '\r') {
            tnc.dataLine += c;
            return;
        }
        const QByteArray line = std::exchange(tnc.dataLine, {});
        // A node takes a connect command typed into its link.
        if (line.startsWith(s.ConnCmd + ' ') && tnc.far.startsWith("NODE") && tnc.hop.isEmpty())
            tnc.hop = line.mid(s.ConnCmd.size() + 1).trimmed();
    }

    void command(const QByteArray& line) {
        if (line == "K") {
            tnc.converse = true;
        } else if (line.startsWith(s.ConnCmd + ' ')) {
            if (tnc.link == TncModel::Link::None) {
                tnc.link = TncModel::Link::Calling;
                tnc.far = line.mid(s.ConnCmd.size() + 1).trimmed();
            }
        } else if (line == s.DisconCmd) {
            if (tnc.link != TncModel::Link::None && !tnc.disconnectDue) {
                tnc.disconnectDue = true;
                // Only while the link is the one the command was for.
                const int link = tnc.generation;
                later(kDisconnectAnswerMs, [this, link] {
                    if (link == tnc.generation)
                        say({{"*** DISCONNECTED", [this] { linkDown(); }}, {"\r", {}}}, nullptr);
                });
            }
        } else if (line == s.UnprotoCmd) {
            later(kUnprotoAnswerMs, [this] { say({{"UNPROTO CQ\r", {}}}, nullptr); });
        } else if (line.startsWith(s.UnprotoCmd + ' ')) {
            tnc.unprotoArmed = true;
        }
    }

    void linkDown() {
        ++tnc.generation;
        tnc.link = TncModel::Link::None;
        tnc.far.clear();
        tnc.hop.clear();
        tnc.dataLine.clear();
        tnc.disconnectDue = false;
    }
    void linkUp(const QByteArray& call) {
        if (tnc.link == TncModel::Link::None) ++tnc.generation;
        tnc.disconnectDue = tnc.disconnectDue && tnc.link != TncModel::Link::None;
        tnc.link = TncModel::Link::Up;
        tnc.far = call;
        tnc.hop.clear();
        tnc.converse = true; // a TNC enters converse mode when a link comes up
    }

    // A text of the TNC in pieces; a piece's effect on the model applies with the chunk that
    // completes it.
    struct Piece {
        QByteArray text;
        std::function<void()> effect;
    };

    // An answer of the TNC after a while; one that falls due while another text is coming out
    // follows that text, as a TNC prints one line at a time.
    void later(int ms, std::function<void()> answer) {
        ++answersDue;
        clock.callAfter(ms, [this, answer] {
            --answersDue;
            if (saying)
                later(50, answer);
            else
                answer();
        });
    }
    bool saying = false;

    // Gives the text to the station in random chunks with random pauses between them.
    void say(const std::vector<Piece>& pieces, std::mt19937* rng) {
        saying = true;
        QByteArray all;
        std::vector<qsizetype> ends;
        for (const Piece& p : pieces) {
            all += p.text;
            ends.push_back(all.size());
        }
        std::vector<qsizetype> cuts;
        if (rng) {
            const int extra = int((*rng)() % 4);
            for (int i = 0; i < extra && all.size() > 1; ++i)
                cuts.push_back(1 + qsizetype((*rng)() % std::uint32_t(all.size() - 1)));
            std::sort(cuts.begin(), cuts.end());
            cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        }
        cuts.push_back(all.size());
        qsizetype from = 0;
        std::size_t applied = 0;
        for (const qsizetype cut : cuts) {
            if (trace)
                qInfo("%8lld  tnc:     %s", clock.nowMs(),
                      all.mid(from, cut - from).toPercentEncoding(" ").constData());
            // The TNC's own state changed before it printed: whatever the station writes in answer,
            // even from inside the receive, meets the new state.
            for (; applied < pieces.size() && ends[applied] <= cut; ++applied)
                if (pieces[applied].effect) pieces[applied].effect();
            port.receive(all.mid(from, cut - from));
            from = cut;
            if (rng && from < all.size()) clock.advance((*rng)() % 300);
        }
        saying = false;
    }

    // ---- the steps ------------------------------------------------------------------------------

    void apply(const Step& step) {
        std::mt19937 rng(step.arg);
        const auto pick = [&rng](std::initializer_list<const char*> from) {
            return QByteArray(*(from.begin() + rng() % from.size()));
        };
        const bool operatorAct = step.act < Act::IncomingConnect;
        if (exited && operatorAct) return;
        switch (step.act) {
        case Act::ConnectDirect:
        case Act::ConnectViaNodes: {
            if (view.shown("cmdDisc")) return; // the place shows Disconnect, not Connect
            QByteArray destination = pick({"W2ABC", "W4JKL"});
            if (step.act == Act::ConnectViaNodes) destination += pick({",NODEA", ",NODEA,NODEB"});
            logic.connect.connect(destination);
            break;
        }
        case Act::Disconnect:
            if (view.shown("cmdDisc")) logic.connect.disconnect();
            break;
        case Act::ComposeFormal:
        case Act::ComposeScratch: {
            RecordingComposeView compose;
            Composer composer(step.act == Act::ComposeFormal ? ComposeMode::Formal : ComposeMode::Scratch,
                              logic.composeContext(), compose);
            composer.open();
            compose.texts["Text1"] += "chaos text " + QByteArray::number(rng() % 1000) + "\r\n";
            compose.texts["txtSubject"] = "out" + QByteArray::number(nextId++);
            compose.setChecked(frmCompose::chkDis, rng() % 4 == 0);
            composer.done();
            if (step.act == Act::ComposeFormal) {
                const QByteArray body = logic.pending.body();
                const qsizetype at = body.indexOf("Msg ");
                const QByteArray number =
                    at < 0 ? QByteArray() : body.mid(at + 4, body.indexOf('\r', at) - at - 4);
                if (!numbersUsed.insert(number).second)
                    fail("numbers",
                         QStringLiteral("message number %1 was used twice").arg(QLatin1String(number)));
            }
            break;
        }
        case Act::Send:
            if (!view.shown("cmdSend") || logic.sender.sending()) return;
            {
                send = SendWatch{MessageSender::onAir({logic.pending.subject(), logic.pending.header(),
                                                       logic.pending.body(), logic.pending.bodyForTnc()},
                                                      s.OutLineEnd),
                                 filesIn(dir.path(), "s*").size()};
                logic.sendPending();
                if (!logic.sender.sending()) send.reset();
            }
            break;
        case Act::Broadcast:
            logic.broadcast();
            if (!logic.broadcasts.isOpen()) return;
            broadcastView.message = "bulletin " + QByteArray::number(rng() % 100);
            broadcastView.chosen = int(rng() % 2);
            logic.broadcasts.send();
            break;
        case Act::MemberButton: {
            if (!logic.net.member.isOpen()) return;
            const NetMemberElement buttons[] = {frmInfoNet::cmdCkIn,     frmInfoNet::cmdCkOut,
                                                frmInfoNet::cmdRTS,      frmInfoNet::cmdRTSE,
                                                frmInfoNet::cmdInfoNet1, frmInfoNet::cmdInfoNet2};
            const std::uint32_t which = rng() % 7;
            if (which == 6) {
                memberView.texts["txtInfoMsg"] = "on freq";
                logic.net.member.messageKeyPress(13);
            } else {
                logic.net.member.buttonClicked(buttons[which]);
            }
            break;
        }
        case Act::ControlButton: {
            if (!logic.net.control.isOpen()) return;
            const NetControlElement buttons[] = {frmNCS::cmdActivate, frmNCS::cmdNCS1, frmNCS::cmdNCS2,
                                                 frmNCS::cmdNCS3,     frmNCS::cmdNCS4, frmNCS::cmdSend,
                                                 frmNCS::Command1};
            const std::uint32_t which = rng() % 8;
            if (which == 7) {
                controlView.texts["txtMsg"] = "stand by";
                logic.net.control.messageKeyPress(13);
            } else {
                logic.net.control.buttonClicked(buttons[which]);
            }
            break;
        }
        case Act::RoleChange: {
            const NetRole before = netRole(s);
            const std::uint32_t role = rng() % 3;
            s.NetOperation = role == 0 ? "0" : "1";
            s.ThisNCS = role == 2 ? "1" : "0";
            const NetRole after = netRole(s);
            logic.store.SaveParms(s);
            if (before != after) {
                showNetPane(view, logic.station, after != NetRole::None);
                logic.netRoleChanged(before, after);
            }
            break;
        }
        case Act::AnswerBox:
            boxes.answer(rng() % 2 ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
            break;
        case Act::Exit:
            exited = true;
            logic.startup.shutdown();
            break;
        case Act::IncomingConnect:
            if (tnc.link != TncModel::Link::None || exited) return;
            {
                const QByteArray call = pick({"W3XYZ", "K9QQQ"});
                say({{"*** CONNECTED to " + call + "\r", [this, call] { linkUp(call); }}}, &rng);
            }
            break;
        case Act::CallAnswered:
            // A TNC told to disconnect gives up the call.
            if (tnc.link != TncModel::Link::Calling || tnc.disconnectDue) return;
            {
                const QByteArray call = tnc.far;
                say({{"*** CONNECTED to " + call + "\r", [this, call] { linkUp(call); }}}, &rng);
            }
            break;
        case Act::CallFailed:
            if (tnc.link != TncModel::Link::Calling) return;
            say({{"*** retry count exceeded\r*** DISCONNECTED", [this] { linkDown(); }}, {"\r", {}}}, &rng);
            break;
        case Act::NodeAnswered:
            if (tnc.link != TncModel::Link::Up || tnc.hop.isEmpty()) return;
            {
                const QByteArray call = tnc.hop;
                say({{tnc.far + ":N0NOD} Connected to " + call + "\r", [this, call] { linkUp(call); }}},
                    &rng);
            }
            break;
        case Act::NodeFailed:
            if (tnc.link != TncModel::Link::Up || tnc.hop.isEmpty()) return;
            say({{tnc.far + ":N0NOD} Failure with " + tnc.hop + "\r", [this] { tnc.hop.clear(); }}}, &rng);
            break;
        case Act::Dropped:
            if (tnc.link != TncModel::Link::Up) return;
            say({{"*** DISCONNECTED", [this] { linkDown(); }}, {"\r", {}}}, &rng);
            break;
        case Act::FarMessage:
        case Act::FarMessageCut:
        case Act::FarMessageDis: {
            if (!tnc.farIsStation()) return;
            const int id = nextId++;
            const QByteArray tag = QByteArray::number(id);
            const QByteArray header = ".hdr " + QByteArray(step.act == Act::FarMessageDis ? " .dis " : "") +
                                      " _" + tnc.far + " _in" + tag + "\r";
            QByteArray body = "first m" + tag + "\r";
            for (std::uint32_t i = rng() % 5; i > 0; --i)
                body += "line " + QByteArray::number(rng()) + "\r";
            // The header counts as arrived when its line reaches a station that is on the link (not
            // one that has already left it after a disconnect request).
            const bool whole = step.act != Act::FarMessageCut;
            const Piece head{header, [this, id, whole] {
                                 if (logic.session.linkUp()) farMessages.push_back({id, whole});
                             }};
            if (whole)
                say({head, {body + "end" + tag + " $^\r", {}}}, &rng);
            else
                say({head, {body, {}}, {"*** DISCONNECTED", [this] { linkDown(); }}, {"\r", {}}}, &rng);
            break;
        }
        case Act::NetLine:
            if (tnc.link != TncModel::Link::None) return;
            say({{"N0NCS>NETCTL: <UI>:\r" +
                      pick({"  .netactive NET IS OPEN  $^\r", "  .netclosed  $^\r", "  .ckinW2ABC  $^\r",
                            "  .ckoutW2ABC  $^\r", "  .rtsW4JKL  $^\r", "  .rseW4JKL  $^\r",
                            "  .netmsg HELLO  $^\r"}),
                  {}}},
                &rng);
            break;
        case Act::GroupFrame:
            if (tnc.link != TncModel::Link::None) return;
            say({{"W2ABC>ZULGRP: <UI>:\rgroup news " + QByteArray::number(rng() % 100) + " $^\r", {}}}, &rng);
            break;
        case Act::Garbage: {
            // Letters, digits, blanks and line ends: nothing that reads as a TNC text or a marker.
            QByteArray junk;
            for (std::uint32_t n = 1 + rng() % 60; n > 0; --n)
                junk += "abcxyz0189 \r"[rng() % 12];
            say({{junk + '\r', {}}}, &rng);
            break;
        }
        case Act::Pause:
            clock.advance(rng() % (rng() % 4 == 0 ? 20000 : 1500));
            break;
        case Act::Sabotage:
            break; // the owner's function runs it
        }
    }

    // ---- the invariants -------------------------------------------------------------------------

    // Nothing is under way: no sequence, no TNC answer due, no connect waiting.
    bool settled() const {
        return !logic.sequencer.busy() && answersDue == 0 && !logic.connect.waitingForOldLink() &&
               logic.session.state() != LinkState::LinkUnprotoQuery &&
               logic.session.state() != LinkState::LinkUnprotoQueryDue;
    }

    void checkLinkShown() {
        if (exited || !settled()) return;
        const LinkState st = logic.session.state();
        const QString shown = QStringLiteral("the station shows state %1 (\"%2\")")
                                  .arg(int(st))
                                  .arg(QLatin1String(view.caption("lblConn")));
        switch (tnc.link) {
        case TncModel::Link::None:
            if (st != LinkState::LinkIdle)
                fail("link-shown", shown + QStringLiteral(" but the TNC has no link"));
            break;
        case TncModel::Link::Calling:
            if (logic.session.linkUp() || st == LinkState::LinkIdle)
                fail("link-shown",
                     shown + QStringLiteral(" while the TNC is calling %1").arg(QLatin1String(tnc.far)));
            break;
        case TncModel::Link::Up:
            if (tnc.farIsStation() && (!logic.session.linkUp() || view.caption("lblConn") != "Connected"))
                fail("link-shown",
                     shown + QStringLiteral(" while the TNC is linked to %1").arg(QLatin1String(tnc.far)));
            if (!tnc.farIsStation() && logic.session.linkUp())
                fail("link-shown", shown + QStringLiteral(" while the TNC is linked only to node %1")
                                               .arg(QLatin1String(tnc.far)));
            break;
        }
        // A node that hung up leaves Disconnect offered: the operator's press takes the TNC back.
        if (st == LinkState::LinkIdle && !view.shown("cmdDisc") && tnc.converse)
            fail("converse-idle",
                 QStringLiteral("the TNC is left in converse mode while the station is idle"));
    }

    void checkSend() {
        if (!send || logic.sender.sending()) return;
        // Counted character by character as the sender wrote them: the bytes of a sequence that
        // followed (shutdown's line end) must not complete a message cut short.
        const bool whole = send->next == send->onAir.size();
        const qsizetype copies = filesIn(dir.path(), "s*").size() - send->copiesBefore;
        if (whole && copies != 1)
            fail("sent-copy",
                 QStringLiteral("a send that wrote all its bytes left %1 sent copies").arg(copies));
        if (!whole && (copies != 0 || !logic.pending.isPending()))
            fail("sent-copy",
                 QStringLiteral("a send that did not write all its bytes left %1 sent copies%2")
                     .arg(copies)
                     .arg(logic.pending.isPending() ? QString() : QStringLiteral(" and no pending message")));
        send.reset();
    }

    void checkFiles() {
        Settings back;
        QFile parms(logic.store.parmsPath());
        if (!parms.open(QIODevice::ReadOnly) || !readParms(parms, back))
            return fail("files", QStringLiteral("Parms.inf does not read back"));
        if (serialized(back) != serialized(s))
            fail("files", QStringLiteral("Parms.inf does not hold the settings in use"));
        const std::optional<qlonglong> number = msgNoValue(readAll(logic.store.msgNoPath()));
        if (!number || QByteArray::number(*number) != logic.station.MsgNo.trimmed())
            fail(
                "files",
                QStringLiteral("MsgNo.inf does not read back as %1").arg(QLatin1String(logic.station.MsgNo)));
    }

    void checkFarMessages() {
        const QByteArray screen = view.received;
        QByteArray files;
        for (const QString& name : filesIn(dir.path(), "r*"))
            files += readAll(dir.path() + "/Messages/" + name) + '\0';
        for (const FarMessage& m : farMessages) {
            const QByteArray tag = QByteArray::number(m.id);
            const QByteArray* places[] = {&screen, &files};
            for (const QByteArray* where : places) {
                const char* place = where == &screen ? "on screen" : "in a file";
                const qsizetype at = where->indexOf("_in" + tag + '\r'); // its header line
                if (at < 0) {
                    fail("far-message",
                         QStringLiteral("far message %1 is not %2").arg(m.id).arg(QLatin1String(place)));
                    continue;
                }
                const qsizetype next = where->indexOf(".hdr", at);
                const QByteArray rest = where->mid(at, next < 0 ? -1 : next - at);
                // A message the station stopped taking (it left the link) has the note instead of its end.
                const bool noted = rest.contains(kNoEndNote.toByteArray());
                if (m.whole && !noted && !rest.contains("end" + tag))
                    fail("far-message", QStringLiteral("far message %1 is %2 without its end or the note")
                                            .arg(m.id)
                                            .arg(QLatin1String(place)));
                if (!m.whole && !noted)
                    fail("far-message",
                         QStringLiteral("far message %1, cut by the link's end, is %2 without the note")
                             .arg(m.id)
                             .arg(QLatin1String(place)));
            }
        }
    }

    void checkStep() {
        checkLinkShown();
        checkSend();
        checkFiles();
    }
};

ChaosRun::ChaosRun() : parts_(std::make_unique<Parts>()) {
    Parts& p = *parts_;
    Settings s;
    {
        Station defaults;
        test::useDefaultTexts(defaults);
        s = defaults.settings;
    }
    s.ConverseCmd = "K";
    s.FCC = "W1XYZ";
    s.AddFCC = 0;
    s.Autofill = 1;
    s.MsgFormPref = "Chaos.frm";
    s.SaveRcvdMsgs = "1";
    s.SaveSentMsgs = "1";
    s.RemoteOperation = 1;
    s.NetActiveMsg = "NET IS OPEN";
    s.NCSMsg = {"CHECK IN", "ANY MORE", "TRAFFIC", "SEND TRAFFIC"};
    s.InfoNet1Msg = "ON FREQ";
    s.InfoNet2Msg = "QRT";
    s.PermitMsg = "GO AHEAD";
    s.NCSCallsign = "NETCTL V RELAY";
    s.NetOperation = "0";
    s.ThisNCS = "0";
    QDir(p.dir.path()).mkpath(QStringLiteral("Forms"));
    QDir(p.dir.path()).mkpath(QStringLiteral("Messages"));
    QFile form(p.dir.filePath(QStringLiteral("Forms/Chaos.frm")));
    if (form.open(QIODevice::WriteOnly)) form.write("Msg <M>\r\nFrom <C>\r\n");
    form.close();
    QFile msgNo(p.dir.filePath(QStringLiteral("MsgNo.inf")));
    if (msgNo.open(QIODevice::WriteOnly)) msgNo.write("7\r\n");
    msgNo.close();
    p.logic.store.SaveParms(s);

    p.port.onWrite = [&p](const QByteArray& bytes) { p.hear(bytes); };
    p.logic.net.control.showWindow = [&p] { p.logic.net.control.attach(&p.controlView); };
    p.logic.net.member.showWindow = [&p] { p.logic.net.member.attach(&p.memberView); };
    p.logic.broadcasts.showBroadcastWindow = [&p] { p.logic.broadcasts.attach(p.broadcastView); };
    p.broadcastView.onClose = [&p] { p.logic.broadcasts.closed(); };
}

ChaosRun::~ChaosRun() = default;

StationLogic& ChaosRun::logic() {
    return parts_->logic;
}
test::RecordingMainView& ChaosRun::view() {
    return parts_->view;
}
QString ChaosRun::dir() const {
    return parts_->dir.path();
}

std::optional<QString> ChaosRun::play(const std::vector<Step>& steps) {
    Parts& p = *parts_;
    if (!p.logic.startup.start()) return QStringLiteral("the station did not start");
    p.clock.advance(kStartupMs); // the wake-up and the UNPROTO question, answered by the model
    if (p.logic.session.state() != LinkState::LinkIdle)
        return QStringLiteral("the start-up did not end idle");
    for (const Step& step : steps) {
        ++p.stepNo;
        if (p.trace)
            qInfo("%8lld step %d %s:%u (state %d, TNC %s, link %d)", p.clock.nowMs(), p.stepNo,
                  actName(step.act), step.arg, int(p.logic.session.state()),
                  p.tnc.converse ? "converse" : "command", int(p.tnc.link));
        if (step.act == Act::Sabotage && sabotage)
            sabotage(*this);
        else
            p.apply(step);
        p.clock.advance(0);
        p.checkStep();
        if (p.broken) return p.broken;
    }
    // Left alone, everything settles: every sequence ends and every wait runs out.
    p.stepNo = 0;
    p.clock.advance(120000);
    if (!p.settled())
        p.fail("hang", QStringLiteral("something is still under way two minutes after the last step"));
    p.checkStep();
    p.checkFarMessages();
    if (!p.exited) {
        p.exited = true;
        p.logic.startup.shutdown();
    }
    p.clock.advance(60000);
    if (p.host.exitCode != 0) p.fail("exit", QStringLiteral("the program did not end after Exit"));
    if (p.tnc.converse) p.fail("exit", QStringLiteral("the program ended with the TNC in converse mode"));
    return p.broken;
}

std::optional<QString> breakOf(const std::vector<Step>& steps,
                               const std::function<void(ChaosRun&)>& sabotage) {
    ChaosRun run;
    run.sabotage = sabotage;
    return run.play(steps);
}

std::vector<Step> shrink(std::vector<Step> steps, const std::function<void(ChaosRun&)>& sabotage) {
    const auto tagOf = [](const std::optional<QString>& broke) {
        return broke ? broke->section(QLatin1Char(']'), 0, 0) : QString();
    };
    const QString tag = tagOf(breakOf(steps, sabotage));
    // Remove ever smaller runs of steps while the list still breaks.
    for (std::size_t chunk = std::max<std::size_t>(1, steps.size() / 2);; chunk /= 2) {
        bool removed = true;
        while (removed) {
            removed = false;
            for (std::size_t at = 0; at + chunk <= steps.size();) {
                std::vector<Step> fewer = steps;
                fewer.erase(fewer.begin() + std::ptrdiff_t(at), fewer.begin() + std::ptrdiff_t(at + chunk));
                if (tagOf(breakOf(fewer, sabotage)) == tag) {
                    steps = std::move(fewer);
                    removed = true;
                } else {
                    at += chunk;
                }
            }
        }
        if (chunk == 1) break;
    }
    return steps;
}

} // namespace tolvex::chaos
