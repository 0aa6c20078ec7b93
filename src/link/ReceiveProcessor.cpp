#include "ReceiveProcessor.h"

#include <optional>
#include <utility>

namespace tolvex {

namespace {

constexpr char kEndMarker[] = "$^";
constexpr QByteArrayView kNoEndNote = "\r*** The link ended before the end of this message ***\r";
constexpr QByteArrayView kNextBeganNote = "\r*** Another message began before the end of this message ***\r";

// The call after a connected text: "*** CONNECTED to N0CALL VIA X" gives N0CALL, "to:" and "TO"
// included; empty when the text is not followed by a call.
QByteArray callAfter(QByteArrayView line, QByteArrayView text) {
    const qsizetype at = line.indexOf(text);
    if (at < 0 || text.isEmpty()) return {};
    QList<QByteArray> words = line.sliced(at + text.size()).toByteArray().simplified().split(' ');
    if (!words.isEmpty() && (words.front().toLower() == "to" || words.front().toLower() == "to:"))
        words.removeFirst();
    if (words.isEmpty()) return {};
    QByteArray call = words.front();
    while (call.endsWith(':') || call.endsWith(',') || call.endsWith('*'))
        call.chop(1);
    return call;
}
constexpr char kHeaderStart[] = ".hdr";

// Whether a connected line names the station called: "N0CALL", "N0CALL-0", "NOD:N0NOD" and
// "NAME(N0CALL)" all name N0CALL, in any case.
bool namesStation(QByteArrayView line, const QByteArray& called) {
    const auto bare = [](QByteArray call) {
        call = call.toUpper();
        if (call.endsWith("-0")) call.chop(2);
        return call;
    };
    const QByteArray wanted = bare(called);
    QByteArray word;
    const auto matches = [&] { return !word.isEmpty() && bare(std::exchange(word, {})) == wanted; };
    for (const char c : line) {
        if (c == ' ' || c == ':' || c == ',' || c == '(' || c == ')' || c == '*' || c == '\r' || c == '\n') {
            if (matches()) return true;
        } else {
            word += c;
        }
    }
    return matches();
}

// Command mode, then the disconnect command, for the link `link`: nothing once a newer link is up.
Sequence disconnectSteps(const Settings& s, const LinkSession& session, quint64 link) {
    const auto forLink = [&session, link](QByteArray bytes) {
        return Step::sendLate(
            [&session, link, bytes] { return session.newerLinkUp(link) ? QByteArray() : bytes; });
    };
    return {forLink(s.cmdChar() + s.OutLineEnd), forLink(s.DisconCmd + s.OutLineEnd)};
}

// The states in which the TNC's texts about a link are read.
bool readsLinkTexts(LinkState state) {
    switch (state) {
    case LinkState::LinkIdle:
    case LinkState::LinkConnected:
    case LinkState::LinkViaNodes:
    case LinkState::LinkCalling:
    case LinkState::LinkBbsCalling:
    case LinkState::LinkBbs:
        return true;
    case LinkState::LinkBbsClosed:
    case LinkState::LinkGroupCapture:
    case LinkState::LinkNetCapture:
    case LinkState::LinkUnprotoQueryDue:
    case LinkState::LinkUnprotoQuery:
        return false;
    }
    return false;
}

// A configured text left empty never matches: an empty text would be found everywhere.
qsizetype findText(QByteArrayView hay, QByteArrayView text, qsizetype from = 0) {
    return text.isEmpty() ? -1 : hay.indexOf(text, from);
}

// The next match of a text at or after a position, remembered while the buffer stays the same,
// so walking a large chunk line by line searches it once per text instead of once per line.
struct NextMatch {
    qsizetype at = -2; // not searched yet
    qsizetype find(QByteArrayView hay, QByteArrayView text, qsizetype from) {
        if (at == -2 || (at >= 0 && at < from)) at = findText(hay, text, from);
        return at;
    }
};

// What a monitor header says of its frame, read from just after the destination's call.
enum class FrameKind { Ui, Other, Unshown, Undecided };

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A time stamp, a date or a port ("12:00:00", "12/08/26", "Port=1") may stand before the kind.
bool isHeaderDetail(QByteArrayView token) {
    if (token.contains('=')) return true;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const char c = token[i];
        const bool digitOrMark = (c >= '0' && c <= '9') || c == ':' || c == '/' || c == '-' || c == '.';
        if (!digitOrMark && !(i == token.size() - 1 && i > 0 && isLetter(c))) return false;
    }
    return true;
}

// The frame's kind where the header shows one: "<UI>", "<<UI>>", "<UI R>", "<UI C>", "[UI]" for an
// unconnected frame, "<I C S0 R0>", "<C>", "<RR1>", "<DM>" and the like for a link's frames. A
// header showing none ("N0CALL>ZULGRP:text") says nothing. While the line has not ended, what
// follows may still decide it.
FrameKind frameKind(QByteArrayView rest, bool lineEnded) {
    const FrameKind open = lineEnded ? FrameKind::Unshown : FrameKind::Undecided;
    qsizetype i = 0;
    while (i < rest.size() && rest[i] != ' ' && rest[i] != ':') // the path, a port after it
        ++i;
    if (i < rest.size() && rest[i] == ':') {
        if (++i == rest.size()) return open;
        if (rest[i] != ' ') return FrameKind::Unshown; // the frame's text follows at once
    }
    for (;;) {
        while (i < rest.size() && rest[i] == ' ')
            ++i;
        if (i == rest.size()) return open;
        qsizetype end = i;
        while (end < rest.size() && rest[end] != ' ')
            ++end;
        const bool tokenEnded = end < rest.size() || lineEnded;
        const QByteArrayView token = rest.sliced(i, end - i);
        if (token.front() == '<' || token.front() == '[') {
            qsizetype w = 0;
            while (w < token.size() && (token[w] == '<' || token[w] == '['))
                ++w;
            const qsizetype from = w;
            while (w < token.size() && isLetter(token[w]))
                ++w;
            if (w == token.size() && !tokenEnded) return FrameKind::Undecided; // the word may go on
            const QByteArray word = token.sliced(from, w - from).toByteArray().toUpper();
            static const QByteArrayView kinds[] = {"I",  "RR", "RNR",  "REJ", "SREJ", "SABM", "SABME", "DISC",
                                                   "DM", "UA", "FRMR", "XID", "TEST", "C",    "D"};
            if (word == "UI") return FrameKind::Ui;
            for (const QByteArrayView kind : kinds)
                if (word == kind) return FrameKind::Other;
            if (token.front() == '<') return FrameKind::Unshown;
            i = end; // "[12:00:00]": a time stamp
            continue;
        }
        if (!tokenEnded) return FrameKind::Undecided;
        if (!isHeaderDetail(token)) return FrameKind::Unshown; // text, not a header
        i = end;
    }
}

} // namespace

ReceiveProcessor::ReceiveProcessor(const Station& station, LinkSession& session, MainView& view,
                                   MessageHandlers& handlers, Panes& panes, ConnectSequence& connect,
                                   Sequencer& sequencer, TncPort& tnc, Scheduler& scheduler)
    : station_(station), settings_(station.settings), session_(session), view_(view), handlers_(&handlers),
      panes_(panes), connect_(connect), sequencer_(sequencer), tnc_(tnc), scheduler_(scheduler) {
    session_.subscribe([this](LinkState from, LinkState to) { stateChanged(from, to); });
}

ReceiveProcessor::~ReceiveProcessor() {
    stopUnprotoQuery();
}

const QByteArray& ReceiveProcessor::lineEnd() const {
    static const QByteArray cr("\r");
    return settings_.InLineEnd.isEmpty() ? cr : settings_.InLineEnd;
}

void ReceiveProcessor::consume(qsizetype n) {
    session_.RxBuffer.remove(0, qMin(n, session_.RxBuffer.size()));
}

// Whoever changed the state (this processor, a button, start-up), what was kept for the old
// state's unfinished line and node step no longer applies.
void ReceiveProcessor::stateChanged(LinkState from, LinkState to) {
    if (from == to) return; // an event that changed no state
    // Leaving a link with a message half in (Disconnect, a connect over it, a lost port): what came
    // of it is kept, with the note a dropped link gives it.
    if (session_.HdrActive && (from == LinkState::LinkConnected || from == LinkState::LinkCalling)) {
        // Its unfinished last line too, as when the far station's words run into the drop text.
        appendToMessage(session_.RxBuffer);
        session_.RxBuffer.clear();
        deliverMessage(kNoEndNote, false);
    }
    if (from == LinkState::LinkViaNodes) cancelNodeStep();
    if (from == LinkState::LinkUnprotoQuery) heldDuringQuery_.clear();
    lineCut_ = false;
}

void ReceiveProcessor::comInput(const QByteArray& chunk) {
    takeChunk(chunk);
}

void ReceiveProcessor::takeChunk(const QByteArray& chunk) {
    QByteArray charbuff = chunk;
    switch (state()) {
    case LinkState::LinkIdle:
    case LinkState::LinkConnected:
    case LinkState::LinkViaNodes:
    case LinkState::LinkCalling:
    case LinkState::LinkNetCapture:
        panes_.addTextToMon(charbuff);
        break;
    case LinkState::LinkBbsCalling:
    case LinkState::LinkBbs:
    case LinkState::LinkBbsClosed:
        panes_.addTextToLocal(charbuff);
        break;
    case LinkState::LinkGroupCapture:
        // A group frame is taken as it came, backspaces and all.
        session_.RxBuffer += chunk;
        view_.appendToPane(frmMain::tbMon, chunk);
        panes_.preventMonOverflow(); // back-to-back frames may keep every read in a capture
        break;
    case LinkState::LinkUnprotoQuery:
        session_.RxBuffer += chunk; // start-up chatter is not shown
        break;
    case LinkState::LinkUnprotoQueryDue:
        break; // the TNC is still settling into command mode
    }
    process();
    view_.emptyUndo(frmMain::tbMon);
    view_.emptyUndo(frmMain::tbLocal);
}

void ReceiveProcessor::process() {
    // The disconnected text of a link being taken down, once a newer link or attempt began, is
    // that old link's end: taken here, it cannot end the new one.
    const auto oldLinkEnd = [this] {
        const quint64 ending = session_.endingLink(scheduler_.nowMs());
        if (ending == 0 || !readsLinkTexts(state())) return false;
        const qsizetype at = findText(session_.RxBuffer, settings_.DisconStr);
        if (at < 0) return false;
        session_.endSeen();
        if (ending == session_.linkId()) return false; // the link's own end: its state takes it
        consume(at + settings_.DisconStr.size());
        connect_.oldLinkEnded();
        return true;
    };
    // Until then a connect's first command has not gone out: nothing is an answer to it, and only
    // the unfinished line may still grow into the old link's end.
    const auto holdForOldLink = [this] {
        const qsizetype lastEnd = session_.RxBuffer.lastIndexOf(lineEnd());
        if (lastEnd >= 0) consume(lastEnd + lineEnd().size());
        boundUnfinishedLine();
        return false;
    };
    // Before the connect's first command is out, a connected text is a station calling in: the TNC
    // took that link, and the command would go into it as text.
    // The call is read from what came of its line, and the rest of the line is read on the link.
    const auto takeIncoming = [this](qsizetype p) {
        QByteArray& rx = session_.RxBuffer;
        connect_.giveUpForIncoming();
        const qsizetype e = rx.indexOf(lineEnd(), p);
        session_.RemoteCall =
            callAfter(QByteArrayView(rx).sliced(p, (e < 0 ? rx.size() : e) - p), settings_.ConnStr);
        consume(e < 0 ? rx.size() : e + lineEnd().size());
        session_.MsgBuffer.clear();
        setState(LinkState::LinkConnected);
        return true;
    };
    const auto calledInFirst = [this, &holdForOldLink, &takeIncoming] {
        const qsizetype p = findText(session_.RxBuffer, settings_.ConnStr);
        // Decided at once, before the command can go out.
        return p < 0 ? holdForOldLink() : takeIncoming(p);
    };
    // Once the first command is out, a station's call may still be arriving: a connected text that
    // names another station than the one called is that station's link, which the TNC took as the
    // command went out. Until the line shows which, nothing takes it (nullopt).
    const auto calledInMeanwhile = [this, &takeIncoming]() -> std::optional<bool> {
        const QByteArray called = connect_.firstHopCall();
        if (called.isEmpty() || session_.linkUp()) return false;
        const QByteArray& rx = session_.RxBuffer;
        const qsizetype p = findText(rx, settings_.ConnStr);
        if (p < 0) return false;
        const qsizetype e = rx.indexOf(lineEnd(), p);
        const QByteArrayView line = QByteArrayView(rx).sliced(p, (e < 0 ? rx.size() : e) - p);
        if (namesStation(line.sliced(settings_.ConnStr.size()), called)) return false;
        if (e < 0) {
            // No call runs this long: a line that never ends is taken as the answer, as before.
            if (line.size() < kCallLineLimit) return std::nullopt;
            return false;
        }
        if (callAfter(line, settings_.ConnStr).isEmpty()) return false; // names no one: the answer
        return takeIncoming(p);
    };
    const auto answerOrCaller = [&](auto&& answer) {
        if (connect_.firstCommandPending()) return calledInFirst();
        const std::optional<bool> other = calledInMeanwhile();
        if (!other) return false;
        return *other || answer();
    };
    // Each handler takes what it can; when it changed the state (or handed something over and
    // consumed it), the rest of the buffer is read again in the state as it now is.
    for (bool again = true; again;) {
        if (oldLinkEnd()) continue;
        switch (state()) {
        case LinkState::LinkIdle:
            again = linkIdle();
            break;
        case LinkState::LinkConnected:
        case LinkState::LinkBbs:
            again = linkConnected();
            break;
        case LinkState::LinkCalling:
            again = answerOrCaller([this] { return linkConnected(); });
            break;
        case LinkState::LinkViaNodes:
            again = answerOrCaller([this] { return linkViaNodes(); });
            break;
        case LinkState::LinkBbsCalling:
            again = linkBbsCalling();
            break;
        case LinkState::LinkGroupCapture:
            again = captureStep(false);
            break;
        case LinkState::LinkNetCapture:
            again = captureStep(true);
            break;
        case LinkState::LinkUnprotoQuery:
            again = unprotoAnswer();
            break;
        case LinkState::LinkBbsClosed: // left at once by the view switch; nothing is read
            session_.RxBuffer.clear();
            again = false;
            break;
        case LinkState::LinkUnprotoQueryDue:
            again = false;
            break;
        }
    }
}

void ReceiveProcessor::boundUnfinishedLine() {
    QByteArray& rx = session_.RxBuffer;
    if (rx.size() <= kLineCap) return;
    // The tail stays so that a text split over the next chunk (the end marker, the
    // disconnected text) is still seen whole.
    const QByteArray head = rx.left(rx.size() - kLineTail);
    consume(head.size());
    lineCut_ = true;
    if (session_.HdrActive) appendToMessage(head); // part of a message: kept up to its cap
}

// ---- LinkIdle: only the current line is kept ------------------------------------------------

bool ReceiveProcessor::linkIdle() {
    session_.resetMessage();
    QByteArray& rx = session_.RxBuffer;
    const QByteArray& ie = lineEnd();
    qsizetype pos = 0;
    for (;;) {
        const qsizetype e = rx.indexOf(ie, pos);
        const QByteArrayView line = QByteArrayView(rx).sliced(pos, (e < 0 ? rx.size() : e) - pos);
        // A frame to a group or the net is known by its header, before its line has ended; the
        // capture starts at the beginning of that line.
        const Capture capture = frameAddressedHere(line, e >= 0);
        if (capture == Capture::Undecided) break;
        if (capture != Capture::None) {
            consume(pos);
            setState(capture == Capture::Group ? LinkState::LinkGroupCapture : LinkState::LinkNetCapture);
            return true;
        }
        if (e < 0) break;
        const qsizetype next = e + ie.size();
        if (findText(line, settings_.ConnStr) >= 0) {
            session_.RemoteCall = callAfter(line, settings_.ConnStr);
            consume(next);
            session_.MsgBuffer.clear();
            setState(LinkState::LinkConnected);
            return true;
        }
        pos = next; // a finished monitor line: shown, nothing more to do with it
        panes_.preventMonOverflow();
    }
    consume(pos);
    boundUnfinishedLine();
    return false;
}

ReceiveProcessor::Capture ReceiveProcessor::frameAddressedHere(QByteArrayView line, bool lineEnded) const {
    enum class Match { No, Yes, Undecided };
    // ">" and the name somewhere on the line, and never after the station's own call: the TNC
    // echoes the station's own frames with its call in front. Only an unconnected frame is net or
    // group traffic: a header showing a link's frame (a connect, a message's text) is not.
    const auto addressedTo = [&](QByteArrayView name) {
        const QByteArrayView own = settings_.Callsign;
        Match match = Match::No;
        for (qsizetype i = line.indexOf(name, 1); i >= 0; i = line.indexOf(name, i + 1)) {
            if (line[i - 1] != '>') continue;
            if (i - 1 >= own.size() && line.sliced(i - 1 - own.size(), own.size()) == own) return Match::No;
            switch (frameKind(line.sliced(i + name.size()), lineEnded)) {
            case FrameKind::Ui:
            case FrameKind::Unshown:
                match = Match::Yes;
                break;
            case FrameKind::Undecided:
                if (match == Match::No) match = Match::Undecided;
                break;
            case FrameKind::Other:
                break;
            }
        }
        return match;
    };
    for (const QByteArray& name : station_.GroupName) {
        if (name.isEmpty()) continue;
        const Match m = addressedTo(name);
        if (m == Match::Yes) return Capture::Group;
        if (m == Match::Undecided) return Capture::Undecided;
    }
    // No net configured means no net frames, not every frame.
    if (station_.NcsName.isEmpty()) return Capture::None;
    switch (addressedTo(station_.NcsName)) {
    case Match::Yes:
        return Capture::Net;
    case Match::Undecided:
        return Capture::Undecided;
    case Match::No:
        break;
    }
    return Capture::None;
}

// ---- LinkGroupCapture, LinkNetCapture ---------------------------------------------------------

bool ReceiveProcessor::captureStep(bool net) {
    QByteArray& rx = session_.RxBuffer;
    const QByteArray& ie = lineEnd();
    // The frame ends at its end marker or at the second line end, whichever comes first.
    const qsizetype marker = rx.indexOf(kEndMarker);
    const qsizetype e1 = rx.indexOf(ie);
    const qsizetype e2 = e1 < 0 ? -1 : rx.indexOf(ie, e1 + ie.size());
    if (marker >= 0 && (e2 < 0 || marker < e2)) {
        const QByteArray text = rx.left(net ? marker + 1 : marker);
        consume(marker + 2); // what follows the marker (the identification) is an ordinary line
        setState(LinkState::LinkIdle);
        if (net)
            handlers_->processNCS(text);
        else
            handlers_->processIncoming(text, 0);
        return true;
    }
    qsizetype end = -1;
    if (e2 >= 0)
        end = e2 + ie.size();
    else if (rx.size() > kCaptureCap)
        end = rx.endsWith('$') ? rx.size() - 1 : rx.size(); // no frame is this long: hand over what came
    if (end < 0) return false;
    const QByteArray text = rx.left(end);
    consume(end);
    setState(LinkState::LinkIdle);
    handlers_->processIncoming(text, 0);
    return true;
}

// ---- LinkViaNodes ------------------------------------------------------------------------------

bool ReceiveProcessor::linkViaNodes() {
    QByteArray& rx = session_.RxBuffer;
    enum class Answer { Ready, Down, Failed };
    qsizetype at = -1;
    qsizetype end = 0;
    Answer answer = Answer::Ready;
    // The earliest answer in the stream is taken first; on a tie the ready text wins, as it did.
    const auto consider = [&](const QByteArray& text, Answer kind) {
        const qsizetype p = findText(rx, text);
        if (p >= 0 && (at < 0 || p < at)) {
            at = p;
            end = p + text.size();
            answer = kind;
        }
    };
    for (const QByteArray& ready : settings_.NodeReady)
        if (ready.size() > 1) consider(ready, Answer::Ready);
    consider(settings_.DisconStr, Answer::Down);
    for (const QByteArray& fail : settings_.ConnFail)
        consider(fail, Answer::Failed);

    if (at < 0) {
        // Only the unfinished line can still grow into an answer.
        const qsizetype lastEnd = rx.lastIndexOf(lineEnd());
        if (lastEnd >= 0) consume(lastEnd + lineEnd().size());
        boundUnfinishedLine();
        return false;
    }
    consume(end); // through the end of the answer, so it cannot be taken again
    switch (answer) {
    case Answer::Ready:
        // While the next command is on its way, a repeated prompt is the same node talking.
        if (!sequencer_.isActive(nodeStep_)) scheduleNodeStep();
        break;
    case Answer::Down:
        setState(LinkState::LinkIdle);
        break;
    case Answer::Failed:
        cancelNodeStep();
        disconnectNow();
        break;
    }
    return true;
}

void ReceiveProcessor::scheduleNodeStep() {
    const quint64 hop = connect_.hop();
    nodeStep_ = sequencer_.run({Step::wait(kNodeReadyPauseMs), Step::run([this, hop] {
                                    // The operator may have started another connect meanwhile.
                                    if (hop != connect_.hop() || state() != LinkState::LinkViaNodes) return;
                                    connect_.nodeReady();
                                })});
}

void ReceiveProcessor::cancelNodeStep() {
    sequencer_.cancel(nodeStep_);
}

// ---- LinkConnected, LinkCalling, LinkBbs: every complete line in arrival order -----------------

bool ReceiveProcessor::linkConnected() {
    const LinkState st = state();
    const bool mailbox = st == LinkState::LinkBbs;
    QByteArray& rx = session_.RxBuffer;
    const QByteArray& ie = lineEnd();
    NextMatch lineEndAt, markerAt, downAt;
    std::array<NextMatch, 5> upAt;
    std::array<NextMatch, 4> failAt;
    qsizetype pos = 0;
    for (;;) {
        // A line ends at the line end, or right after the end marker when that comes first.
        const qsizetype e = lineEndAt.find(rx, ie, pos);
        const qsizetype m = markerAt.find(rx, kEndMarker, pos);
        const bool endsAtMarker = m >= 0 && (e < 0 || m < e);
        const qsizetype end = endsAtMarker ? m + 2 : (e >= 0 ? e + ie.size() : -1);
        const qsizetype limit = end < 0 ? rx.size() : end;

        const qsizetype down = downAt.find(rx, settings_.DisconStr, pos);
        if (down >= 0 && down < limit) {
            // The far station's last words may run straight into the disconnected text.
            if (session_.HdrActive) appendToMessage(QByteArrayView(rx).sliced(pos, down - pos));
            consume(down + settings_.DisconStr.size());
            linkDropped(st);
            return true;
        }
        if (st == LinkState::LinkCalling) {
            const QByteArrayView up[] = {settings_.ConnStr, settings_.LinkMade[0], settings_.LinkMade[1],
                                         settings_.LinkMade[2], settings_.LinkMade[3]};
            std::size_t upText = upAt.size();
            qsizetype upPos = -1;
            for (std::size_t i = 0; i < upAt.size() && upPos < 0; ++i) {
                const qsizetype p = upAt[i].find(rx, up[i], pos);
                if (p >= 0 && p < limit) {
                    upText = i;
                    upPos = p;
                }
            }
            // Until the call is answered a failure text ends the attempt; once it is, the same
            // words are the far station's text or come before the disconnected text.
            for (std::size_t i = 0; i < failAt.size() && !session_.linkUp(); ++i) {
                const qsizetype p = failAt[i].find(rx, settings_.ConnFail[i], pos);
                if (p >= 0 && p < limit && (upPos < 0 || p < upPos)) {
                    consume(p + settings_.ConnFail[i].size());
                    callFailed();
                    return true;
                }
            }
            if (upPos >= 0) {
                if (!session_.linkUp()) {
                    session_.RemoteCall =
                        callAfter(QByteArrayView(rx).sliced(upPos, limit - upPos), up[upText]);
                    // A node's "###LINK MADE" names no one: the station called is on the link.
                    if (session_.RemoteCall.isEmpty()) session_.RemoteCall = connect_.DestCall;
                    while (session_.RemoteCall.endsWith('*'))
                        session_.RemoteCall.chop(1);
                }
                session_.markLinkUp();
            }
        }
        if (end < 0) break;

        const QByteArrayView line = QByteArrayView(rx).sliced(pos, end - pos);
        const bool atLineStart = pos > 0 || !lineCut_;
        // The TNC's echo of the station's own message is neither a message nor part of one.
        // The line end after the echoed end marker belongs to that echo, whenever it comes.
        const bool echoLineEnd = echoEndPending_ && line == QByteArrayView(ie);
        echoEndPending_ = false;
        if (echoLineEnd || (atLineStart && session_.Sending && session_.takeEcho(line))) {
            echoEndPending_ = !echoLineEnd && endsAtMarker;
            pos = end;
            continue;
        }
        const bool opensMessage = atLineStart && line.startsWith(kHeaderStart);
        const bool closesMessage = endsAtMarker && session_.HdrActive;
        const bool fillsMessage =
            session_.HdrActive && session_.MsgBuffer.size() + line.size() >= kMessageCap;
        if (opensMessage || closesMessage || fillsMessage) {
            // The handlers may let the event loop run: the buffer must be consistent first.
            const QByteArray taken = line.toByteArray();
            consume(end);
            lineCut_ = false;
            eolProcessing(taken, mailbox, atLineStart);
            return true;
        }
        if (session_.HdrActive) session_.MsgBuffer += line;
        pos = end;
        lineCut_ = false;
    }
    consume(pos);
    if (!lineCut_ && rx.size() > kLineCap && rx.startsWith(kHeaderStart)) {
        // A header line too long to wait for its end opens its message now; the rest of the line
        // follows as message text, kept up to the message's cap like any other.
        const QByteArray head = rx.left(rx.size() - kLineTail);
        consume(head.size());
        lineCut_ = true;
        eolProcessing(head, mailbox, true);
        return true;
    }
    boundUnfinishedLine();
    return false;
}

// The line step: a ".hdr" line opens a message, the line with the end marker closes it.
void ReceiveProcessor::eolProcessing(const QByteArray& line, bool mailbox, bool atLineStart) {
    if (atLineStart && line.startsWith(kHeaderStart)) {
        // A header inside an unfinished message: what came of that one is kept, not dropped.
        if (session_.HdrActive) deliverMessage(kNextBeganNote, false);
        session_.HdrActive = true;
        session_.MsgBuffer.clear();
        cutAt_ = -1;
        cutLength_ = 0;
        appendToMessage(line);                 // the header line counts towards the message's cap
        session_.requests = MessageRequests{}; // an unfinished earlier message asks for nothing
        handlers_->processHeader(line.left(kHeaderLineCap));
    } else if (session_.HdrActive) {
        appendToMessage(line);
    }
    if (line.contains(kEndMarker) && session_.HdrActive) {
        QByteArray& msg = session_.MsgBuffer;
        const qsizetype at = msg.indexOf(kEndMarker, qMax<qsizetype>(0, msg.size() - line.size()));
        if (at >= 0) msg.replace(at, 2, "  ");
        deliverMessage({}, !mailbox);
    }
}

// A message is kept whole up to its cap; past it the rest is counted, not kept, and the message
// says where it was cut. No piece of it is ever handed over as a message of its own.
void ReceiveProcessor::appendToMessage(QByteArrayView text) {
    QByteArray& msg = session_.MsgBuffer;
    if (cutAt_ < 0 && msg.size() + text.size() > kMessageCap) {
        const qsizetype room = kMessageCap - msg.size();
        msg += text.first(room);
        cutAt_ = msg.size();
        text = text.sliced(room);
    }
    if (cutAt_ < 0)
        msg += text;
    else
        cutLength_ += text.size();
}

void ReceiveProcessor::deliverMessage(QByteArrayView note, bool mayDisconnect) {
    QByteArray text = std::exchange(session_.MsgBuffer, {});
    if (cutAt_ >= 0) {
        text.insert(cutAt_, "\r\r*** Message cut here: the next " + QByteArray::number(cutLength_) +
                                " characters were not kept ***\r\r");
        cutAt_ = -1;
        cutLength_ = 0;
    }
    text += note;
    const bool disconnect = mayDisconnect && session_.requests.DisconnectRequest;
    handlers_->processIncoming(text, 1);
    session_.resetMessage();
    panes_.preventMonOverflow();
    if (!disconnect) return;
    // The link is being taken down from here: a connect pressed during the pause waits for its end.
    const quint64 link = session_.linkId();
    session_.endRequested(scheduler_.nowMs());
    sequencer_.runUrgent({Step::wait(kDisconnectRequestPauseMs), Step::run([this, link] {
                              // Text arriving during the pause still belongs to the link; if it went
                              // down by itself meanwhile there is nothing left to disconnect.
                              if (session_.endingLink(scheduler_.nowMs()) != link) return;
                              session_.endRequestedAgain(link, scheduler_.nowMs());
                              // A connect started meanwhile keeps its state; the old link still goes.
                              if (session_.linkId() == link) {
                                  setState(LinkState::LinkIdle);
                                  tnc_.focusToPanel();
                              }
                              // Before anything queued during the pause, shutdown included.
                              sequencer_.runNext(disconnectSteps(settings_, session_, link));
                          })});
}

// Command mode, then the disconnect command, ahead of anything queued; the disconnected text
// that follows is this link's.
void ReceiveProcessor::disconnectNow() {
    const qint64 now = scheduler_.nowMs();
    // A node repeating its failure text asks again for the disconnect already sent, not another.
    if (const quint64 ending = session_.endingLink(now); ending != 0 && ending == session_.linkId()) return;
    session_.endRequested(now);
    sequencer_.runNext(disconnectSteps(settings_, session_, session_.linkId()));
}

void ReceiveProcessor::linkDropped(LinkState from) {
    // A message whose end never came is kept with what arrived of it.
    if (session_.HdrActive) deliverMessage(kNoEndNote, false);
    // Back to command mode, unless a station has called in meanwhile: the TNC is in converse mode
    // for that link.
    const Step backToCommandMode = Step::sendLate([this, bytes = settings_.cmdChar() + settings_.OutLineEnd] {
        return session_.linkUp() ? QByteArray() : bytes;
    });
    switch (from) {
    case LinkState::LinkConnected:
        setState(LinkState::LinkIdle);
        sequencer_.runUrgent({Step::wait(kLinkDropPauseMs), backToCommandMode});
        panes_.preventMonOverflow();
        break;
    case LinkState::LinkCalling:
        setState(LinkState::LinkIdle);
        sequencer_.runUrgent({backToCommandMode});
        panes_.preventMonOverflow();
        break;
    case LinkState::LinkBbs:
        // Back to the monitor view; what came after the disconnected text is read idle.
        setState(LinkState::LinkBbsClosed);
        panes_.leaveMailbox();
        break;
    case LinkState::LinkIdle:
    case LinkState::LinkViaNodes:
    case LinkState::LinkBbsCalling:
    case LinkState::LinkBbsClosed:
    case LinkState::LinkGroupCapture:
    case LinkState::LinkNetCapture:
    case LinkState::LinkUnprotoQueryDue:
    case LinkState::LinkUnprotoQuery:
        break; // no link of this kind to drop
    }
}

// A call that fails before it is answered (a node's failure after the last hop, a direct call the
// TNC gave up on) ends the attempt as a failure between nodes does, and the operator is told.
void ReceiveProcessor::callFailed() {
    if (session_.HdrActive) deliverMessage(kNoEndNote, false);
    disconnectNow();
    setState(LinkState::LinkIdle);
    view_.setText(frmMain::lblConn, "Connect failed");
}

// ---- LinkBbsCalling: the TNC's prompt, however it was split -------------------------------------

bool ReceiveProcessor::linkBbsCalling() {
    QByteArray& rx = session_.RxBuffer;
    session_.MsgBuffer.clear();
    session_.HdrActive = false;
    const qsizetype p = findText(rx, settings_.TNCCmd);
    if (p < 0) {
        // Keep only what may be the beginning of a prompt that the next chunk completes.
        const qsizetype keep = qMax<qsizetype>(0, settings_.TNCCmd.size() - 1);
        if (rx.size() > keep) consume(rx.size() - keep);
        return false;
    }
    rx.clear(); // printed before the mailbox connect: no answer to it
    setState(LinkState::LinkBbs);
    const QByteArray& ssid = settings_.SSID;
    sequencer_.run(
        {Step::send((ssid == "SYSOP" ? ssid : settings_.ConnCmd + ' ' + ssid) + settings_.OutLineEnd)});
    return false;
}

// ---- Start-up UNPROTO query ---------------------------------------------------------------------

void ReceiveProcessor::startUnprotoQuery() {
    stopUnprotoQuery();
    UnprotoTicks = 0;
    if (state() != LinkState::LinkUnprotoQueryDue) setState(LinkState::LinkUnprotoQueryDue);
    timer2_ = scheduler_.callAfter(kUnprotoFirstTickMs, [this] { timer2Tick(); });
}

void ReceiveProcessor::stopUnprotoQuery() {
    if (timer2_) scheduler_.cancel(timer2_);
    timer2_ = 0;
}

void ReceiveProcessor::timer2Tick() {
    timer2_ = 0;
    if (state() == LinkState::LinkUnprotoQueryDue) {
        session_.RxBuffer.clear();
        // Listening before asking: a TNC may answer while the question is still being written.
        setState(LinkState::LinkUnprotoQuery);
        sequencer_.run({Step::send(settings_.UnprotoCmd + settings_.OutLineEnd)});
    }
    increment(UnprotoTicks);
    // Answered, or the operator has already moved on (a connect, the mailbox): nothing to undo.
    if (state() != LinkState::LinkUnprotoQuery) return;
    if (UnprotoTicks > 3) {
        unprotoQueryEnded(false); // no answer: the path stays unknown
        process();
        return;
    }
    timer2_ = scheduler_.callAfter(kUnprotoTickMs, [this] { timer2Tick(); });
}

bool ReceiveProcessor::unprotoAnswer() {
    QByteArray& rx = session_.RxBuffer;
    static const QByteArray word("UNPROTO");
    qsizetype start = 0;
    for (;;) {
        // The answer line ends at CR, LF or CR LF, whichever the TNC sends.
        qsizetype e = start;
        while (e < rx.size() && rx[e] != '\r' && rx[e] != '\n')
            ++e;
        if (e >= rx.size()) break;
        const qsizetype next = rx[e] == '\r' && e + 1 < rx.size() && rx[e + 1] == '\n' ? e + 2 : e + 1;
        const QByteArrayView line = QByteArrayView(rx).sliced(start, e - start);
        const qsizetype p = line.toByteArray().toUpper().indexOf(word);
        if (p < 0) {
            // Not the answer (a station that connected meanwhile, say): read once the query ends,
            // with its line end as it came, so it splits into lines there as it would have.
            heldDuringQuery_ += rx.mid(start, next - start);
        } else if (const qsizetype blank = line.indexOf(' ', p); blank >= 0) {
            session_.SavedUnproto = line.sliced(blank).trimmed().toByteArray();
            consume(next);
            unprotoQueryEnded(true);
            return true;
        } // else the echoed command itself, with no path: the answer follows
        start = next;
    }
    consume(start);
    if (rx.size() > kLineCap) consume(rx.size() - kLineTail);
    if (heldDuringQuery_.size() > kCaptureCap) heldDuringQuery_ = heldDuringQuery_.right(kLineCap);
    return false;
}

void ReceiveProcessor::unprotoQueryEnded(bool answered) {
    const QByteArray held = std::exchange(heldDuringQuery_, {});
    setState(LinkState::LinkIdle);
    if (answered) view_.setPaneText(frmMain::tbMon, {}); // the initializing text has served
    if (held.isEmpty()) return;
    view_.appendToPane(frmMain::tbMon, held);
    session_.RxBuffer.prepend(held);
}

} // namespace tolvex
