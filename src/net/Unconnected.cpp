#include "Unconnected.h"

#include <memory>

namespace tolvex {

namespace {
const QByteArray kCrLf = "\r\n";

void tellNotSent(MessageBoxes& boxes) {
    boxes.show(QStringLiteral("Line not sent"),
               QStringLiteral("A link came up before the line went out,\r\n"
                              "so it was not sent.   Send it again when the link is down."));
}
} // namespace

void sendUnconnected(const UnconnectedContext& ctx, UnconnectedLine line,
                     std::function<void(UnconnectedResult, const QByteArray&)> finished) {
    struct Progress {
        Sequencer::Id id = 0;
        bool stopped = false;
        bool lineSent = false;
        QByteArray sent;
    };
    auto progress = std::make_shared<Progress>();
    LinkSession& session = ctx.session;
    Sequencer& sequencer = ctx.sequencer;
    TncPort& tnc = ctx.tnc;
    TimeTexts& times = ctx.times;
    MessageBoxes& boxes = ctx.boxes;
    const Scheduler& clock = ctx.clock;
    // A link the station asked to end is still up until the TNC says so: "K" would put the line
    // into it.
    const auto linked = [&session, &clock] {
        return session.anyLink() || session.endingLink(clock.nowMs()) != 0;
    };

    // Everything but the trailer is decided now; a later edit of the settings has its own line.
    const Settings& s = ctx.settings;
    const QByteArray end = s.OutLineEnd;
    const QByteArray cmd = s.cmdChar();
    const QByteArray unproto = s.UnprotoCmd + ' ' + line.address;
    const QByteArray converse = s.ConverseCmd;
    const bool halfDuplex = s.halfDuplex();
    const UnconnectedLine::Echo echo = halfDuplex ? line.echo : UnconnectedLine::Echo::None;

    // Before every write. An idle sequencer runs the first steps inside run(), before the id is
    // known: the link is looked at here first, and nothing received can change it before the
    // first pause.
    if (linked()) {
        tellNotSent(boxes);
        if (finished) finished(UnconnectedResult::NotSent, {});
        return;
    }
    const Step linkCheck = Step::run([progress, linked, &session, &sequencer, leave = cmd + end] {
        if (progress->stopped || !linked()) return;
        progress->stopped = true;
        sequencer.cancel(progress->id);
        // The station's own call waits behind this line: with no link up yet the TNC would send its
        // connect command as a frame from converse mode.
        const LinkState state = session.state();
        if (!session.linkUp() && (state == LinkState::LinkViaNodes || state == LinkState::LinkCalling))
            sequencer.runNext({Step::send(leave)});
    });
    const auto echoed = [&tnc](const QByteArray& shown) {
        return Step::run([&tnc, shown] { tnc.echoToPane(shown + kCrLf); });
    };

    Sequence steps{linkCheck};
    if (line.starting) steps.push_back(Step::run(std::move(line.starting)));
    steps.push_back(Step::send(s.wakeText())); // command mode, whatever the TNC was doing
    if (line.echoCommands) steps.push_back(echoed(kCrLf + cmd));
    for (const QByteArray& next : {unproto, converse}) {
        steps.push_back(Step::wait(line.pauseMs));
        steps.push_back(linkCheck);
        steps.push_back(Step::send(next + end));
        if (line.echoCommands) steps.push_back(echoed(next));
    }
    steps.push_back(Step::wait(line.pauseMs));
    steps.push_back(linkCheck);
    steps.push_back(
        Step::sendLate([progress, &tnc, &times, text = line.text, identified = line.identified, end, echo] {
            progress->sent = text + (identified ? times.StationIdTrailer() : QByteArray());
            progress->lineSent = true;
            if (echo == UnconnectedLine::Echo::Line) tnc.echoToPane(progress->sent + kCrLf);
            if (echo == UnconnectedLine::Echo::LineAsSent) tnc.echoToPane(progress->sent + end + kCrLf);
            return progress->sent + end;
        }));
    steps.push_back(Step::wait(line.settleMs));
    steps.push_back(linkCheck);
    steps.push_back(Step::send(cmd + end));

    progress->id = sequencer.run(
        std::move(steps), [progress, &boxes, finished = std::move(finished)](Sequencer::Outcome outcome) {
            UnconnectedResult result = UnconnectedResult::Sent;
            if (progress->stopped && !progress->lineSent) {
                result = UnconnectedResult::NotSent;
                tellNotSent(boxes);
            } else if (outcome == Sequencer::Outcome::Cancelled && !progress->stopped) {
                result = UnconnectedResult::Cancelled;
            }
            if (finished) finished(result, progress->sent);
        });
}

} // namespace tolvex
