#pragma once
// One-line broadcasts to a group address, sent unconnected through the TNC's converse mode, and
// the group entries they go to. The broadcast dialog comes and goes; this object outlives it, so a
// broadcast already queued at the TNC finishes whatever the window does meanwhile.
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Sequencer.h"
#include "core/Station.h"
#include "core/views/BroadcastView.h"
#include "core/views/MainView.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"
#include "messaging/Help.h"
#include "messaging/TimeTexts.h"

#include <QByteArray>
#include <functional>

namespace tolvex {

struct BroadcastContext {
    Station& station;
    LinkSession& session;
    Sequencer& sequencer;
    TncPort& tnc;
    MainView& main;
    MessageBoxes& boxes;
    TimeTexts& times;
    Scheduler& scheduler;
    const Help& help;
};

class Broadcasts {
public:
    static constexpr qsizetype maxLength = 100;
    static constexpr int pauseMs = 200;
    static constexpr int noGroupPromptMs = 100;

    explicit Broadcasts(BroadcastContext context);
    ~Broadcasts();
    Broadcasts(const Broadcasts&) = delete;
    Broadcasts& operator=(const Broadcasts&) = delete;

    // Set by the program: show the broadcast dialog (or raise the open one), show a group dialog.
    std::function<void()> showBroadcastWindow;
    std::function<void()> showGroupWindow;

    // "Broadcast" on the main window: the dialog opens only while the link is idle.
    void openDialog();

    // The dialog's window was built: fills it and, with no group entry, raises the group prompt
    // 100 ms later. The view stays in use until closed().
    void attach(BroadcastView& view);
    bool isOpen() const { return view_ != nullptr; }
    // A key typed in Text1 holding `length` characters: the key to let through, 0 to drop it.
    // Enter becomes a blank.
    static int typedKey(int key, qsizetype length);
    // cmdSend: the group and the text are taken now; the whole dialogue with the TNC is queued.
    void send();
    // cmdCancel.
    void cancel();
    // The dialog closed, however it was closed: back to idle and command mode, unless a link came
    // up meanwhile. The view is not used again.
    void closed();
    void setupGroups();
    void showHelp() const;

    // The group entries changed: the options follow, the operator's choice kept while its entry
    // is still set; with no entry left the dialog closes.
    void groupsChanged();

    // The last line built for sending: the message, the marker and the trailer.
    const QByteArray& lastLine() const { return lastLine_; }

private:
    void showOptions();
    void promptForGroups();
    void finishSend(unsigned dialog);
    // The close steps. From the end of a sending sequence, command mode goes ahead of whatever is
    // queued behind it; otherwise it queues.
    void returnToCommandMode(bool fromSequence);

    BroadcastContext ctx_;
    BroadcastView* view_ = nullptr;
    unsigned dialog_ = 0; // counts the dialogs attached; a view's address may come back
    Scheduler::TimerId promptTimer_ = 0;
    int sendsQueued_ = 0; // broadcasts queued or going out; each ends in command mode
    QByteArray lastLine_;
};

// The logic of one group dialog.
class GroupSetup {
public:
    GroupSetup(Station& station, ParmsStore& store, Broadcasts& broadcasts, GroupView& view);
    // Fills the dialog from the group entries.
    void open();
    // cmdDone: the entries saved in capitals, the group calls derived, the broadcast dialog told,
    // and the dialog closed.
    void done();

private:
    Station& station_;
    ParmsStore& store_;
    Broadcasts& broadcasts_;
    GroupView& view_;
};

} // namespace tolvex
