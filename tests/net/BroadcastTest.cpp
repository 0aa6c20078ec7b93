// Broadcasts: the exact bytes and pauses at the TNC, the prompts, the queueing of quick presses,
// what closing the dialog does to a link that came up, and the group entries.
#include "NetTestRig.h"
#include "net/Broadcasts.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct RecordingGroupView : GroupView {
    QByteArray text(GroupElement e) const override {
        auto it = texts.find(e.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    void setText(GroupElement e, const QByteArray& t) override { texts[e.name] = t; }
    void close() override { ++closes; }
    std::map<std::string, QByteArray> texts;
    int closes = 0;
};

struct BroadcastRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    Broadcasts broadcasts{{rig.station, rig.session, rig.sequencer, rig.tnc, rig.view, rig.boxes,
                           rig.logic.times, rig.clock, rig.logic.help}};
    RecordingBroadcastView window;
    int windowsShown = 0, groupWindowsShown = 0;

    BroadcastRig() {
        useDefaultTexts(rig.station);
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle); // the idle view
        Settings& s = rig.station.settings;
        s.ConverseCmd = "K";
        s.FCC = "W1XYZ";
        s.AddFCC = 1;
        s.GroupAd = {"ZULGRP", "", "ZULGRP V N0CALL", "", "", ""};
        rig.station.deriveNames();
        broadcasts.showBroadcastWindow = [this] {
            ++windowsShown;
            broadcasts.attach(window); // what the window does when it is built
        };
        broadcasts.showGroupWindow = [this] { ++groupWindowsShown; };
        window.onClose = [this] { broadcasts.closed(); };
        rig.port.writes.clear();
    }
    std::vector<std::pair<qint64, QByteArray>> writes() const {
        std::vector<std::pair<qint64, QByteArray>> w;
        for (const auto& write : rig.port.writes)
            w.emplace_back(write.at, write.bytes);
        return w;
    }
};

using Writes = std::vector<std::pair<qint64, QByteArray>>;

} // namespace

TEST(Broadcast, OnAirBytesPausesAndEchoes) {
    struct Case {
        const char* duplex;
        QByteArray outLineEnd;
        QByteArray echoedLine; // what the pane shows of the message line
    };
    const Case cases[] = {
        {"full", "\r", ""},
        {"half", "\r\n", "TEST $^  de W1XYZ \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duplex);
        BroadcastRig r;
        r.rig.station.settings.Duplex = c.duplex;
        r.rig.station.settings.OutLineEnd = c.outLineEnd;
        const QByteArray e = c.outLineEnd;
        r.broadcasts.openDialog();
        ASSERT_EQ(r.windowsShown, 1);
        EXPECT_EQ(r.window.text["Label1"], " Broadcast Message to all members of group");
        EXPECT_TRUE(r.window.visible["Option1_0"] && r.window.visible["Option1_2"]);
        EXPECT_FALSE(r.window.visible["Option1_1"] || r.window.visible["Option1_5"]);
        EXPECT_EQ(r.window.text["Option1_2"], "ZULGRP V N0CALL");
        EXPECT_EQ(r.window.chosen, -1);

        r.window.message = "TEST";
        r.window.chosen = 2;
        const QByteArray paneBefore = r.rig.view.pane("tbMon");
        r.broadcasts.send();
        EXPECT_EQ(r.rig.view.caption("lblConn"), "Sending");
        r.window.message = "edited after the press";
        r.rig.clock.runAll();
        const Writes expected = {{0, e + "\x03" + e},
                                 {200, "UNPROTO ZULGRP V N0CALL" + e},
                                 {400, "K" + e},
                                 {600, "TEST $^  de W1XYZ " + e},
                                 {800, QByteArray("\x03") + e},
                                 {800, e + "\x03" + e}};
        EXPECT_EQ(r.writes(), expected);
        EXPECT_EQ(r.rig.view.pane("tbMon").mid(paneBefore.size()),
                  "\r\n\x03\r\nUNPROTO ZULGRP V N0CALL\r\nK\r\n" + c.echoedLine);
        EXPECT_EQ(r.broadcasts.lastLine(), "TEST $^  de W1XYZ ");
        EXPECT_EQ(r.window.text["Label2"], "\r\n\r\n\r\n                     BROADCAST MESSAGE SENT");
        EXPECT_EQ(r.window.closes, 1);
        EXPECT_FALSE(r.broadcasts.isOpen());
        EXPECT_EQ(r.rig.view.caption("lblConn"), "");
        EXPECT_EQ(r.rig.session.state(), LinkState::LinkIdle);
    }
}

TEST(Broadcast, TwoQuickPressesGoOutOneAfterTheOther) {
    BroadcastRig r;
    r.broadcasts.openDialog();
    r.window.message = "FIRST";
    r.window.chosen = 2;
    r.broadcasts.send();
    r.rig.clock.advance(100);
    r.window.message = "SECOND";
    r.window.chosen = 0;
    r.broadcasts.send();
    r.rig.clock.runAll();
    // The identification is given once per nine minutes: only the first line carries it.
    const Writes expected = {
        {0, "\r\x03\r"},   {200, "UNPROTO ZULGRP V N0CALL\r"},
        {400, "K\r"},      {600, "FIRST $^  de W1XYZ \r"},
        {800, "\x03\r"},   {800, "\r\x03\r"},
        {800, "\r\x03\r"}, {1000, "UNPROTO ZULGRP\r"},
        {1200, "K\r"},     {1400, "SECOND $^ \r"},
        {1600, "\x03\r"},  {1600, "\r\x03\r"},
    };
    EXPECT_EQ(r.writes(), expected);
    EXPECT_EQ(r.window.closes, 1);
    EXPECT_EQ(r.rig.session.state(), LinkState::LinkIdle);
}

TEST(Broadcast, PromptsAndRefusals) {
    {
        SCOPED_TRACE("no group entry: the prompt after 100 ms, then the group dialog");
        BroadcastRig r;
        r.rig.station.settings.GroupAd.fill({});
        r.broadcasts.openDialog();
        r.rig.clock.advance(99);
        EXPECT_TRUE(r.rig.boxes.shown.empty());
        r.rig.clock.advance(1);
        ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
        EXPECT_EQ(r.rig.boxes.shown[0].title, "Group Name needed");
        EXPECT_EQ(r.rig.boxes.shown[0].text,
                  "Before sending broadcast messages you\r\nmust set up group names and paths");
        EXPECT_EQ(r.groupWindowsShown, 0);
        r.rig.boxes.answer(MessageBoxes::Answer::Ok);
        EXPECT_EQ(r.groupWindowsShown, 1);
        EXPECT_TRUE(r.broadcasts.isOpen());
    }
    {
        SCOPED_TRACE("closed before the prompt: no prompt");
        BroadcastRig r;
        r.rig.station.settings.GroupAd.fill({});
        r.broadcasts.openDialog();
        r.broadcasts.cancel();
        r.rig.clock.runAll();
        EXPECT_TRUE(r.rig.boxes.shown.empty());
    }
    {
        SCOPED_TRACE("no group chosen");
        BroadcastRig r;
        r.broadcasts.openDialog();
        r.broadcasts.send();
        r.rig.clock.runAll();
        ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
        EXPECT_EQ(r.rig.boxes.shown[0].title, "No Group Selected");
        EXPECT_EQ(r.rig.boxes.shown[0].text, "A group must be selected");
        EXPECT_TRUE(r.rig.port.writes.empty());
        EXPECT_TRUE(r.broadcasts.isOpen());
    }
    {
        SCOPED_TRACE("Broadcast pressed while connected");
        BroadcastRig r;
        r.rig.rx.comInput("*** CONNECTED to W2DEF\r");
        r.broadcasts.openDialog();
        EXPECT_EQ(r.windowsShown, 0);
        ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
        EXPECT_EQ(r.rig.boxes.shown[0].title, "Message already in progress");
    }
}

TEST(Broadcast, ClosingLeavesALinkThatCameUpAlone) {
    enum class When { Never, WhileOpen, DuringSend };
    struct Case {
        const char* name;
        When connects;
        bool send;
        Writes expected;
        LinkState state;
    };
    const Case cases[] = {
        {"cancelled on an idle link", When::Never, false, {{0, "\r\x03\r"}}, LinkState::LinkIdle},
        {"a station connected while open", When::WhileOpen, false, {}, LinkState::LinkConnected},
        // The unproto command already went; converse mode and the line would reach the link.
        {"a station connected during the send",
         When::DuringSend,
         true,
         {{0, "\r\x03\r"}, {200, "UNPROTO ZULGRP\r"}},
         LinkState::LinkConnected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BroadcastRig r;
        r.rig.logic.indicators.setMessagePending(true);
        r.broadcasts.openDialog();
        if (c.connects == When::WhileOpen) r.rig.rx.comInput("*** CONNECTED to W2DEF\r");
        if (c.send) {
            r.window.message = "TEST";
            r.window.chosen = 0;
            r.broadcasts.send();
            r.rig.clock.advance(300);
            r.rig.rx.comInput("*** CONNECTED to W2DEF\r");
        }
        r.broadcasts.cancel();
        r.rig.clock.runAll();
        EXPECT_EQ(r.writes(), c.expected);
        EXPECT_EQ(r.rig.session.state(), c.state);
        EXPECT_FALSE(r.broadcasts.isOpen());
        // "Send Message" shows for a pending message on the link that came up, never on an idle one.
        EXPECT_EQ(r.rig.view.shown("cmdSend"), c.state == LinkState::LinkConnected);
        EXPECT_EQ(r.rig.view.caption("lblConn"), c.state == LinkState::LinkConnected ? "Connected" : "");
    }
}

TEST(Broadcast, GroupSetupSavesKeepsTheChoiceAndClosesWhenEmpty) {
    BroadcastRig r;
    r.broadcasts.openDialog();
    r.window.chosen = 2;
    RecordingGroupView groups;
    GroupSetup setup(r.rig.station, r.rig.logic.store, r.broadcasts, groups);
    setup.open();
    EXPECT_EQ(groups.texts["Text1_2"], "ZULGRP V N0CALL");
    EXPECT_EQ(groups.texts["Label1"], "Enter group names and paths for broadcast messages");
    EXPECT_TRUE(groups.texts["Label2"].startsWith("For example,\r\n\r\n     Using group name ZULGRP  will"));

    const QByteArray longEntry(500, 'x');
    groups.texts["Text1_0"] = "zulgrp";
    groups.texts["Text1_1"] = "  lead v n0call";
    groups.texts["Text1_3"] = longEntry;
    groups.texts["Text1_4"] = "two\r\nlines";
    setup.done();
    const Settings& s = r.rig.station.settings;
    EXPECT_EQ(s.GroupAd[0], "ZULGRP");
    EXPECT_EQ(s.GroupAd[1], "  LEAD V N0CALL");
    EXPECT_EQ(s.GroupAd[3], longEntry.toUpper());
    EXPECT_FALSE(s.GroupAd[4].contains('\r') || s.GroupAd[4].contains('\n'));
    EXPECT_EQ(r.rig.station.GroupName[0], "ZULGRP");
    EXPECT_EQ(r.rig.station.GroupName[1], ""); // a leading blank leaves no group call
    EXPECT_EQ(r.rig.station.GroupName[2], "ZULGRP");
    EXPECT_EQ(groups.closes, 1);
    EXPECT_EQ(r.window.chosen, 2); // the operator's choice, not the lowest entry
    EXPECT_TRUE(r.window.visible["Option1_1"] && r.window.visible["Option1_3"]);
    EXPECT_EQ(r.window.text["Option1_3"], longEntry.toUpper());

    // Parms.inf is read back whole, one line per value.
    Settings back;
    ParmsStore store(r.dir.path(), r.rig.boxes);
    ASSERT_TRUE(store.ReadParms(back));
    EXPECT_EQ(back.GroupAd, s.GroupAd);
    EXPECT_EQ(back.ConverseCmd, "K"); // a value after the group entries

    // The chosen entry emptied: the lowest entry left is chosen.
    groups.texts["Text1_2"] = "";
    setup.done();
    EXPECT_EQ(r.window.chosen, 0);
    EXPECT_FALSE(r.window.visible["Option1_2"]);

    // No entry left: the broadcast dialog closes with its close steps.
    for (const GroupElement box : frmGroup::Text1)
        groups.texts[box.name] = "";
    r.rig.port.writes.clear();
    setup.done();
    EXPECT_EQ(r.window.closes, 1);
    EXPECT_FALSE(r.broadcasts.isOpen());
    r.rig.clock.runAll();
    EXPECT_EQ(r.writes(), (Writes{{0, "\r\x03\r"}}));
}

// Cancelled while its broadcast still goes out, a dialog is followed by a new one: the end of the
// first broadcast leaves the new dialog and its text alone (the view object, and so its address,
// is the same).
TEST(Broadcast, TheEndOfABroadcastSpeaksOnlyToItsOwnDialog) {
    BroadcastRig r;
    r.broadcasts.openDialog();
    r.window.message = "FIRST";
    r.window.chosen = 0;
    r.broadcasts.send();
    r.rig.clock.advance(300);
    r.broadcasts.cancel();
    r.broadcasts.openDialog();
    r.window.message = "SECOND";
    const QByteArray instructions = r.window.text["Label2"];
    r.rig.clock.runAll();
    EXPECT_TRUE(r.rig.port.written().contains("FIRST $^ "));
    EXPECT_TRUE(r.broadcasts.isOpen());
    EXPECT_EQ(r.window.closes, 1); // the cancel only
    EXPECT_EQ(r.window.text["Label2"], instructions);
}
