#include "Broadcasts.h"

#include "LinkGuard.h"
#include "Unconnected.h"

#include <algorithm>

namespace tolvex {

namespace {
const QByteArray kMarker = " $^ ";

const QByteArray kHeading = " Broadcast Message to all members of group";
const QByteArray kInstructions = " Enter broadcast message above.    Max length = 100 characters.\r\n\r\n"
                                 "Broadcast messages are sent in unconnected mode "
                                 "with no acknowledgements.    So only stations that are active now\r\n"
                                 "will receive this message.";
const QByteArray kSentNotice = "\r\n\r\n\r\n                     BROADCAST MESSAGE SENT";

const QByteArray kGroupHeading = "Enter group names and paths for broadcast messages";
const QByteArray kGroupExample = "For example,\r\n"
                                 "\r\n"
                                 "     Using group name ZULGRP  will cause group messages to\r\n"
                                 "     be sent directly to all stations using that group name.\r\n"
                                 "\r\n"
                                 "     Using ZULGRP V N0CALL   will cause group messages to\r\n"
                                 "     be sent to all stations using the group name ZULGRP via\r\n"
                                 "     the digipeater named N0CALL.\r\n"
                                 "\r\n";

constexpr int kGroups = 6;

constexpr int kEnter = 13;
constexpr int kBlank = 32;
} // namespace

Broadcasts::Broadcasts(BroadcastContext context) : ctx_(context) {}

Broadcasts::~Broadcasts() {
    if (promptTimer_) ctx_.scheduler.cancel(promptTimer_);
}

void Broadcasts::openDialog() {
    if (refusedWhileLinked(ctx_.session, ctx_.boxes)) return;
    if (showBroadcastWindow) showBroadcastWindow();
}

void Broadcasts::attach(BroadcastView& view) {
    view_ = &view;
    ++dialog_;
    view.setText(frmBroadcast::Label1, kHeading);
    view.setText(frmBroadcast::Label2, kInstructions);
    view.setText(frmBroadcast::Text1, {});
    showOptions();
    view.choose(-1);
    const auto& entries = ctx_.station.settings.GroupAd;
    const bool anyGroup =
        std::any_of(entries.begin(), entries.end(), [](const QByteArray& e) { return !e.isEmpty(); });
    if (!anyGroup && !promptTimer_)
        promptTimer_ = ctx_.scheduler.callAfter(noGroupPromptMs, [this] {
            promptTimer_ = 0;
            promptForGroups();
        });
}

void Broadcasts::showOptions() {
    // Downward, so the options are laid out before the lowest entry is chosen by the caller.
    for (int i = kGroups - 1; i >= 0; --i) {
        const QByteArray& entry = ctx_.station.settings.GroupAd[std::size_t(i)];
        view_->setVisible(frmBroadcast::Option1[i], false);
        if (entry.isEmpty()) continue;
        view_->setText(frmBroadcast::Option1[i], entry);
        view_->setVisible(frmBroadcast::Option1[i], true);
    }
}

void Broadcasts::promptForGroups() {
    ctx_.boxes.show(
        QStringLiteral("Group Name needed"),
        QStringLiteral("Before sending broadcast messages you\r\nmust set up group names and paths"),
        MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok, [this](MessageBoxes::Answer) {
            if (showGroupWindow) showGroupWindow();
        });
}

int Broadcasts::typedKey(int key, qsizetype length) {
    if (length >= maxLength) return 0;
    return key == kEnter ? kBlank : key;
}

void Broadcasts::send() {
    if (!view_) return;
    const int option = view_->chosenOption();
    if (option < 0 || option >= kGroups) {
        ctx_.boxes.show(QStringLiteral("No Group Selected"), QStringLiteral("A group must be selected"));
        return;
    }
    // Converse mode would type the line into a link that came up while the dialog was open.
    if (refusedWhileLinked(ctx_.session, ctx_.boxes)) return;

    // The group and the text are taken now: a second press, or an edited entry, has its own.
    UnconnectedLine line;
    line.address = ctx_.station.settings.GroupAd[std::size_t(option)];
    line.text = view_->messageText().left(maxLength) + kMarker;
    line.identified = true;
    line.echoCommands = true;
    line.echo = UnconnectedLine::Echo::Line;
    line.pauseMs = line.settleMs = pauseMs;
    line.starting = [this] { ctx_.main.setText(frmMain::lblConn, "Sending"); };
    ++sendsQueued_;
    // Stopped by a link, the broadcast leaves the dialog open with its text.
    sendUnconnected({ctx_.station.settings, ctx_.session, ctx_.sequencer, ctx_.tnc, ctx_.boxes, ctx_.times,
                     ctx_.scheduler},
                    std::move(line),
                    [this, dialog = dialog_](UnconnectedResult result, const QByteArray& sent) {
                        --sendsQueued_;
                        if (result != UnconnectedResult::Sent) return;
                        lastLine_ = sent;
                        finishSend(dialog);
                    });
}

void Broadcasts::finishSend(unsigned dialog) {
    // Only the dialog the broadcast was sent from says so and closes; a newer one keeps its text.
    BroadcastView* view = dialog == dialog_ ? view_ : nullptr;
    if (view) {
        view->setText(frmBroadcast::Label2, kSentNotice);
        view_ = nullptr; // its close is this one
        if (promptTimer_) ctx_.scheduler.cancel(promptTimer_);
        promptTimer_ = 0;
    }
    returnToCommandMode(true);
    if (view) view->close();
}

void Broadcasts::cancel() {
    if (view_) view_->close();
}

void Broadcasts::closed() {
    if (!view_) return;
    view_ = nullptr;
    if (promptTimer_) ctx_.scheduler.cancel(promptTimer_);
    promptTimer_ = 0;
    // A broadcast still queued returns to command mode when it ends.
    if (sendsQueued_ == 0) returnToCommandMode(false);
}

void Broadcasts::returnToCommandMode(bool fromSequence) {
    // The dialog opened on an idle link; a station that connected meanwhile keeps its link.
    if (ctx_.session.anyLink()) return;
    // A monitored frame being taken in keeps its capture; only the idle state is confirmed.
    if (!ctx_.session.confirmIdle()) ctx_.main.setText(frmMain::lblConn, {});
    const Settings& s = ctx_.station.settings;
    Sequence steps{Step::send(s.wakeText())};
    if (fromSequence)
        ctx_.sequencer.runUrgent(std::move(steps));
    else
        ctx_.sequencer.run(std::move(steps));
}

void Broadcasts::setupGroups() {
    if (showGroupWindow) showGroupWindow();
}

void Broadcasts::showHelp() const {
    ctx_.help.show(QStringLiteral("BroadMess.html"));
}

void Broadcasts::groupsChanged() {
    if (!view_) return;
    const auto& entries = ctx_.station.settings.GroupAd;
    const auto set = [&entries](int i) {
        return i >= 0 && i < kGroups && !entries[std::size_t(i)].isEmpty();
    };
    const int kept = view_->chosenOption();
    showOptions();
    int choice = kept;
    if (!set(choice)) {
        choice = -1;
        for (int i = 0; i < kGroups && choice < 0; ++i)
            if (set(i)) choice = i;
    }
    if (choice < 0) {
        view_->close(); // nothing left to send to
        return;
    }
    view_->choose(choice);
}

GroupSetup::GroupSetup(Station& station, ParmsStore& store, Broadcasts& broadcasts, GroupView& view)
    : station_(station), store_(store), broadcasts_(broadcasts), view_(view) {}

void GroupSetup::open() {
    view_.setText(frmGroup::Label1, kGroupHeading);
    view_.setText(frmGroup::Label2, kGroupExample);
    for (int i = 0; i < kGroups; ++i)
        view_.setText(frmGroup::Text1[i], station_.settings.GroupAd[std::size_t(i)]);
}

void GroupSetup::done() {
    // Blanks are kept: an entry is handed to the TNC as typed.
    for (int i = 0; i < kGroups; ++i)
        station_.settings.GroupAd[std::size_t(i)] = oneLine(view_.text(frmGroup::Text1[i])).toUpper();
    store_.SaveParms(station_.settings);
    station_.deriveNames();
    broadcasts_.groupsChanged();
    view_.close();
}

} // namespace tolvex
