#include "lifecycle/Preferences.h"
#include "support/Doubles.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>

using namespace tolvex;
using namespace tolvex::test;
using namespace tolvex::frmOpParms;

namespace {

class RecordingPreferencesView : public PreferencesView {
public:
    QByteArray text(PrefElement e) const override {
        if (e == Combo1) return combo < 0 ? QByteArray() : entries[combo];
        auto it = texts.find(e.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    void setText(PrefElement e, const QByteArray& t) override { texts[e.name] = t; }
    bool isChecked(PrefElement b) const override { return checked.count(b.name) && checked.at(b.name); }
    void setChecked(PrefElement b, bool c) override { checked[b.name] = c; }
    int chosenOption(PrefElement g) const override { return options.count(g.name) ? options.at(g.name) : -1; }
    void chooseOption(PrefElement g, int i) override { options[g.name] = i >= 0 && i <= 2 ? i : -1; }
    void setChoices(PrefElement, const QList<QByteArray>& e, int selected) override {
        entries = e;
        combo = selected;
    }
    void setVisible(PrefElement e, bool v) override { visible[e.name] = v; }
    bool isVisible(PrefElement e) const override { return visible.count(e.name) && visible.at(e.name); }
    void setEnabled(PrefElement e, bool en) override { enabled[e.name] = en; }
    void close() override { ++closes; }

    std::map<std::string, QByteArray> texts;
    std::map<std::string, bool> checked, visible, enabled;
    std::map<std::string, int> options;
    QList<QByteArray> entries;
    int combo = -1;
    int closes = 0;
};

} // namespace

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Station station;
    RecordingMessageBoxes boxes;
    RecordingMainView main;
    ParmsStore store{dir.path(), boxes};
    RecordingPreferencesView view;
    Preferences prefs{{station, store, boxes, main}, view};
    std::vector<std::pair<NetRole, NetRole>> roleChanges;

    PreferencesTest() {
        station.dir = dir.path();
        Settings& s = station.settings;
        s.Callsign = "N0CALL";
        s.FCC = "K0FCC";
        s.Autofill = 1;
        s.MsgFormPref = "Radiogram.frm";
        s.PrintPref = 2;
        s.AlertPref = 1;
        s.SSID = "N0CALL-1";
        s.NCSCallsign = "N0NCS V RELAY";
        s.NetOperation = "0";
        s.ThisNCS = "0";
        s.CmdCmd = "3";
        station.MsgNo = "7";
        prefs.onRoleChanged = [this](NetRole b, NetRole a) { roleChanges.push_back({b, a}); };
    }
    void type(PrefElement e, const QByteArray& t) {
        view.texts[e.name] = t;
        prefs.edited(e);
    }
    void click(PrefElement e) {
        view.checked[e.name] = !view.isChecked(e);
        prefs.edited(e);
    }
    QByteArray file(const QString& name) const { return test::readFile(dir.filePath(name), {}); }
    Settings readBack() {
        Settings back;
        EXPECT_TRUE(store.ReadParms(back));
        return back;
    }
};

TEST_F(PreferencesTest, LoadListsTheFormsAndStartsCleanHelpFollowsThePointer) {
    QDir(dir.path()).mkdir(QStringLiteral("Forms"));
    for (const char* name : {"Radiogram.frm", "ics213.FRM", "notes.txt", "radiogram.frm"})
        QFile(dir.filePath(QStringLiteral("Forms/") + QLatin1String(name))).open(QIODevice::WriteOnly);
    station.settings.EncodingValue = -1;
    prefs.load();
    QList<QByteArray> listed = view.entries;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (QList<QByteArray>{"Radiogram.frm", "ics213.FRM", "radiogram.frm"}));
    EXPECT_EQ(view.text(Combo1), "Radiogram.frm"); // exact case wins
    EXPECT_FALSE(view.visible["txtEnc"] || view.visible["lblEnc"]);
    EXPECT_TRUE(view.visible["cmdClose"]);
    EXPECT_FALSE(view.visible["cmdSave"] || view.visible["Frame6"] || prefs.hasChanges());

    // Help texts: the parts of a text are joined as they are; an element without one leaves the line.
    prefs.pointerOver(Frame9);
    EXPECT_EQ(
        view.texts["Text3"],
        "For Kantronics and similar TNCs that address the local mailbox as  MYCALL-SSID, enter the callsign "
        "plus mailbox SSID number here.  (e.g. N0CALL-1)     For MFJ TNCs enter SYSOP.  Entering the proper "
        "value here allows the local mailbox to be accessed by pressing the Check Local BBS button on the "
        "main screen.");
    for (PrefElement e : {Text1, Option1, Option2, Check1, Frame2, Frame5, Frame8, Frame7, Frame10})
        EXPECT_FALSE(Preferences::helpText(e).isEmpty()) << e.name;
    prefs.pointerOver(chkNet);
    EXPECT_FALSE(view.texts["Text3"].isEmpty());
    prefs.pointerOverDialog();
    EXPECT_TRUE(view.texts["Text3"].isEmpty());
}

TEST_F(PreferencesTest, FieldRules) {
    struct Case {
        const char* what;
        std::function<void()> act;
        std::map<std::string, bool> checkedAfter;
        bool changesShown;
        const char* boxTitle;
    };
    const Case cases[] = {
        {"this NCS clears remote",
         [&] {
             view.checked["chkRemote"] = true;
             click(chkThisNCS);
         },
         {{"chkThisNCS", true}, {"chkRemote", false}},
         true,
         nullptr},
        {"remote clears this NCS",
         [&] {
             view.checked["chkThisNCS"] = true;
             click(chkRemote);
         },
         {{"chkThisNCS", false}, {"chkRemote", true}},
         true,
         nullptr},
        {"FCC box needs a call",
         [&] {
             view.texts["txtFCC"] = " ";
             click(chkFCC);
         },
         {{"chkFCC", false}},
         true,
         "Callsign Needed"},
        {"FCC box with a call", [&] { click(chkFCC); }, {{"chkFCC", true}}, true, nullptr},
        {"encoding 12 alone", [&] { type(txtEnc, "12"); }, {}, false, nullptr},
        {"encoding 9", [&] { type(txtEnc, "9"); }, {}, true, nullptr},
        {"encoding -1", [&] { type(txtEnc, "-1"); }, {}, true, nullptr},
        {"encoding text counts as 0", [&] { type(txtEnc, "abc"); }, {}, true, nullptr},
        {"autofill off disables the number", [&] { click(Check1); }, {{"Check1", false}}, true, nullptr},
        {"a text edit", [&] { type(txtSSID, "SYSOP"); }, {}, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view = RecordingPreferencesView();
        boxes.shown.clear();
        prefs.load();
        c.act();
        for (const auto& [box, on] : c.checkedAfter)
            EXPECT_EQ(view.isChecked(PrefElement(box.c_str())), on) << box;
        EXPECT_EQ(view.visible["cmdSave"], c.changesShown);
        EXPECT_EQ(view.visible["Frame6"], c.changesShown);
        EXPECT_EQ(view.visible["cmdClose"], !c.changesShown);
        EXPECT_EQ(view.enabled["Text2"], view.isChecked(Check1));
        if (c.boxTitle) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, QLatin1String(c.boxTitle));
            EXPECT_EQ(boxes.shown[0].text, QStringLiteral("You must enter an FCC assigned callsign"));
            EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Warning);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
    }
}

TEST_F(PreferencesTest, SaveChecksRefuseInOrderAndStoreNothing) {
    struct Case {
        const char* what;
        std::function<void()> act;
        const char* title; // null: the save goes through
        MessageBoxes::Icon icon;
    };
    using I = MessageBoxes::Icon;
    const Case cases[] = {
        {"net without NCS call",
         [&] {
             type(txtNCSCallsign, "");
             click(chkNet);
         },
         "NCS callsign needed", I::Error},
        {"remote without NCS call",
         [&] {
             type(txtNCSCallsign, "  ");
             click(chkRemote);
         },
         "NCS callsign needed", I::Error},
        {"NCS check comes before callsign",
         [&] {
             type(txtNCSCallsign, "");
             click(chkThisNCS);
             type(Text1, "");
         },
         "NCS callsign needed", I::Error},
        {"no NCS call needed off net", [&] { type(txtNCSCallsign, ""); }, nullptr, I::None},
        {"empty callsign", [&] { type(Text1, ""); }, "Callsign Needed", I::None},
        {"blank callsign", [&] { type(Text1, "   "); }, "Callsign Needed", I::None},
        {"message number 0", [&] { type(Text2, "0"); }, "Invalid Message Number", I::None},
        {"message number not a number", [&] { type(Text2, "abc"); }, "Invalid Message Number", I::None},
        {"message number with trailing text", [&] { type(Text2, "12abc"); }, "Invalid Message Number",
         I::None},
        {"negative message number", [&] { type(Text2, "-4"); }, "Invalid Message Number", I::None},
        {"huge message number", [&] { type(Text2, "99999999999999999999999"); }, "Invalid Message Number",
         I::None},
        {"unedited number is not judged by digits",
         [&] {
             station.MsgNo = "12 ";
             prefs.load();
             type(Text1, "X");
         },
         nullptr, I::None},
        {"autofill off: number 0 is fine",
         [&] {
             click(Check1);
             type(Text2, "0");
         },
         nullptr, I::None},
        {"autofill off: typed text still refused",
         [&] {
             click(Check1);
             type(Text2, "abc");
         },
         "Invalid Message Number", I::None},
        {"encoding beyond 16 bits",
         [&] {
             type(txtEnc, "40000");
             type(Text1, "N0CALL");
         },
         "Invalid Encoding Value", I::None},
        {"encoding at the edge",
         [&] {
             type(txtEnc, "-32768");
             type(Text1, "N0CALL");
         },
         nullptr, I::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(dir.filePath(QStringLiteral("Parms.inf")));
        const Settings before = station.settings;
        const QByteArray msgNo = station.MsgNo;
        view = RecordingPreferencesView();
        boxes.shown.clear();
        prefs.load();
        c.act();
        prefs.save();
        if (c.title) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, QLatin1String(c.title));
            EXPECT_EQ(boxes.shown[0].icon, c.icon);
            EXPECT_EQ(view.closes, 0);
            EXPECT_TRUE(view.visible["cmdSave"]);
            EXPECT_TRUE(file(QStringLiteral("Parms.inf")).isEmpty());
            EXPECT_EQ(station.settings.Callsign, before.Callsign);
            EXPECT_EQ(station.settings.NetOperation, before.NetOperation);
            EXPECT_EQ(station.MsgNo, msgNo);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
            EXPECT_EQ(view.closes, 1);
            EXPECT_FALSE(file(QStringLiteral("Parms.inf")).isEmpty());
        }
        station.settings = before;
        station.MsgNo = msgNo;
    }
    EXPECT_EQ(leadingNumber(" 12abc"), 12);
    EXPECT_EQ(leadingNumber("-3.6x"), -3.6);
    EXPECT_EQ(leadingNumber("x5"), 0);
}

TEST_F(PreferencesTest, RoleChangesMoveTheNetPaneOnlyWhenTheRoleChanges) {
    struct Case {
        const char* net;
        const char* ncs; // stored before
        bool chkNet, chkThisNCS;
        std::optional<NetRole> from, to; // the callback, when the role changed
        std::optional<bool> paneShown;   // txtNet and lblNet after the save; unset: untouched
    };
    using R = NetRole;
    const Case cases[] = {
        {"0", "0", true, false, R::None, R::Member, true},
        {"0", "0", true, true, R::None, R::Control, true},
        {"1", "0", true, true, R::Member, R::Control, true},
        {"1", "1", true, false, R::Control, R::Member, true},
        {"1", "0", false, false, R::Member, R::None, false},
        {"1", "1", false, true, R::Control, R::None, false},
        {"1", "0", true, false, {}, {}, {}},
        {"1", "1", true, true, {}, {}, {}},
        {"0", "0", false, false, {}, {}, {}},
        {"0", "1", false, true, {}, {}, {}}, // NCS box alone is no net
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.net) + c.ncs + " -> " + std::to_string(c.chkNet) +
                     std::to_string(c.chkThisNCS));
        station.settings.NetOperation = c.net;
        station.settings.ThisNCS = c.ncs;
        station.settings.RemoteOperation = 0;
        station.NetMsgCount = 4;
        main = RecordingMainView();
        main.text["txtNet"] = "QNI N0ABC";
        roleChanges.clear();
        view = RecordingPreferencesView();
        prefs.load();
        type(txtNCSCallsign, "n0new v relay ");
        if (view.isChecked(chkNet) != c.chkNet) click(chkNet);
        if (view.isChecked(chkThisNCS) != c.chkThisNCS) click(chkThisNCS);
        prefs.save();
        ASSERT_EQ(view.closes, 1);
        EXPECT_EQ(station.settings.NCSCallsign, "N0NEW V RELAY");
        EXPECT_EQ(station.NcsName, "N0NEW");
        if (c.from) {
            ASSERT_EQ(roleChanges.size(), 1u);
            EXPECT_EQ(roleChanges[0].first, *c.from);
            EXPECT_EQ(roleChanges[0].second, *c.to);
            EXPECT_EQ(station.NetMsgCount, 0);
            EXPECT_EQ(main.shown("txtNet"), *c.paneShown);
            EXPECT_EQ(main.shown("lblNet"), *c.paneShown);
            EXPECT_FALSE(main.shown("shpNct") || main.shown("lblNct"));
            EXPECT_EQ(main.visible.count("shpNct"), 1u);
            if (*c.paneShown) {
                EXPECT_TRUE(main.caption("txtNet").isEmpty());
            }
        } else {
            EXPECT_TRUE(roleChanges.empty());
            EXPECT_EQ(station.NetMsgCount, 4);
            EXPECT_EQ(main.caption("txtNet"), "QNI N0ABC");
            EXPECT_TRUE(main.visible.empty());
        }
    }
}

TEST_F(PreferencesTest, OnlyATypedNumberReplacesOneAdvancedWhileTheDialogWasOpen) {
    for (const auto& [typed, expected] : {std::pair<const char*, const char*>{nullptr, "8"}, {"42", "42"}}) {
        view = RecordingPreferencesView();
        station.MsgNo = "7";
        prefs.load();
        type(Text1, "N0CALL");
        if (typed) type(Text2, typed);
        station.MsgNo = "8"; // a formal message finished meanwhile
        prefs.save();
        EXPECT_EQ(station.MsgNo, expected);
        EXPECT_EQ(store.ReadMsgNo(), expected);
    }
}

TEST_F(PreferencesTest, AbsurdValuesLeaveAFileTheNextStartReads) {
    station.settings.EncodingValue = 3;
    prefs.load();
    type(Text1, "  n0\r\nabc\n");
    type(txtSSID, "\r\nsysop");
    type(txtFCC, "k1=xyz\r");
    click(chkFCC);
    type(txtNCSCallsign, "n0ncs\r\nv relay");
    click(chkNet);
    click(chkRemote);
    type(Text2, " 15\r\n");
    type(txtEnc, "32767.4xyz");
    view.options["Option2"] = -1; // no button chosen keeps the stored value
    view.options["Option1"] = 0;
    view.combo = -1; // the form is gone from the folder
    prefs.save();
    ASSERT_EQ(view.closes, 1);
    ASSERT_TRUE(boxes.shown.empty());

    const Settings back = readBack();
    EXPECT_EQ(back.Callsign, "N0 ABC");
    EXPECT_EQ(back.SSID, "SYSOP");
    EXPECT_EQ(back.FCC, "K1=XYZ");
    EXPECT_EQ(back.AddFCC, 1);
    EXPECT_EQ(back.NCSCallsign, "N0NCS V RELAY");
    EXPECT_EQ(back.NetOperation, "1");
    EXPECT_EQ(back.ThisNCS, "0");
    EXPECT_EQ(back.RemoteOperation, 1);
    EXPECT_EQ(back.EncodingValue, 32767);
    EXPECT_EQ(back.AlertPref, 1);
    EXPECT_EQ(back.PrintPref, 0);
    EXPECT_EQ(back.MsgFormPref, "");
    EXPECT_EQ(back.SaveRcvdMsgs, "0");
    EXPECT_EQ(store.ReadMsgNo(), "15");
    EXPECT_EQ(file(QStringLiteral("Parms.inf")).count("\r\n"), 60);
    EXPECT_TRUE(boxes.shown.empty());

    // A negative value hides the field, and a later save keeps it rather than storing 0.
    station.settings.EncodingValue = -5;
    view = RecordingPreferencesView();
    prefs.load();
    type(Text1, "N0ABC");
    prefs.save();
    EXPECT_EQ(readBack().EncodingValue, -5);
}
