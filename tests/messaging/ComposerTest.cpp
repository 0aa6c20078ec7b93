#include "messaging/Composer.h"
#include "messaging/PendingMessage.h"
#include "support/Files.h"
#include "support/StationRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tolvex;
using namespace tolvex::test;

namespace {

// The compose window as the logic sees it; Text1 holds CR LF lines, as the real adapter gives them.
class RecordingComposeView : public ComposeView {
public:
    QByteArray text(ComposeElement e) const override { return get(texts, e.name); }
    void setText(ComposeElement e, const QByteArray& t) override { texts[e.name] = t; }
    bool isChecked(ComposeElement e) const override { return get(checked, e.name); }
    void setChecked(ComposeElement e, bool c) override { checked[e.name] = c; }
    void setVisible(ComposeElement e, bool v) override { visible[e.name] = v; }
    void setTabStop(ComposeElement e, bool s) override { tabStop[e.name] = s; }
    void replaceFirst(ComposeElement e, const QByteArray& what, const QByteArray& with) override {
        QByteArray& t = texts[e.name];
        const qsizetype at = t.indexOf(what);
        if (at < 0) return;
        t.replace(at, what.size(), with);
        caret = at + with.size();
    }
    void setCaption(const QByteArray& c) override { caption = c; }
    void close() override { ++closes; }

    template <class T> static T get(const std::map<std::string, T>& m, const char* name) {
        auto it = m.find(name);
        return it == m.end() ? T{} : it->second;
    }
    bool tabStops(bool expected) const {
        for (const char* e : {"txtSubject", "cmdDone", "cmdCancel"})
            if (get(tabStop, e) != expected) return false;
        return true;
    }
    std::map<std::string, QByteArray> texts;
    std::map<std::string, bool> checked, visible, tabStop;
    QByteArray caption = "Compose Message";
    qsizetype caret = -1;
    int closes = 0;
};

// The real station on doubles, a station folder of its own, and compose windows on recording views.
struct ComposeRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    PendingMessage pending{rig.station, rig.boxes, rig.view, rig.session, rig.tnc};
    std::vector<std::unique_ptr<RecordingComposeView>> views;
    std::vector<std::unique_ptr<Composer>> composers;
    std::vector<bool> changes;

    ComposeRig() {
        useDefaultTexts(rig.station);
        rig.station.settings.MsgFormPref = "Test.frm";
        rig.station.settings.Autofill = 1;
        rig.station.MsgNo = "7";
        rig.wallClock.z = {300, QStringLiteral("Eastern Standard Time"), Clock::Period::Standard, true};
        rig.view.setVisible(frmMain::tbMon, true);
        pending.onChanged = [this](bool p) { changes.push_back(p); };
    }
    void form(const QByteArray& bytes) {
        ASSERT_TRUE(test::writeFile(rig.station.path(QStringLiteral("Forms/Test.frm")), bytes));
    }
    QString draft() const { return pending.draftPath(); }

    // Opens a window of that mode; the last one opened is view() and composer().
    Composer& open(ComposeMode mode) {
        views.push_back(std::make_unique<RecordingComposeView>());
        composers.push_back(std::make_unique<Composer>(
            mode, ComposeContext{rig.station, rig.logic.store, rig.wallClock, rig.boxes, pending},
            *views.back()));
        composers.back()->open();
        return *composers.back();
    }
    RecordingComposeView& view() { return *views.back(); }
    Composer& composer() { return *composers.back(); }

    // Opens, types and presses Done.
    void compose(ComposeMode mode, const QByteArray& text, const QByteArray& subject = "Subj") {
        open(mode);
        view().texts["Text1"] = text;
        view().texts["txtSubject"] = subject;
        composer().done();
    }
};

TEST(Composer, FormTagsAreFilledOnceEach) {
    struct Case {
        const char* name;
        QByteArray form;
        bool autofill;
        QByteArray text;
    };
    const std::vector<Case> cases = {
        {"date and time, autofill on", "Date:<D>Time:<T>\r\n", true,
         "Date: 07 Dec 2026 Time: 14:05 EST \r\n"},
        {"date and time, autofill off", "Date:<D>Time:<T>\r\n", false, "Date:= Time:= \r\n"},
        {"only the first of two dates", "<D>and<D>\r\n", true, " 07 Dec 2026 and<D>\r\n"},
        {"callsign and number", "From:<C>No.<M>\r\n", true, "From: W1XYZ No. 007 \r\n"},
        {"callsign and number, off", "From:<C>No.<M>\r\n", false, "From:= No.= \r\n"},
        {"fields kept, line feeds and a last line without end", "To: =\nMsg: <M>\nEnd", true,
         "To: =\r\nMsg:  007 \r\nEnd\r\n"},
        {"empty form", "", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        r.rig.station.settings.Autofill = c.autofill ? 1 : 0;
        r.form(c.form);
        r.open(ComposeMode::Formal);
        EXPECT_EQ(r.view().text(frmCompose::Text1), c.text);
        EXPECT_EQ(r.view().caption, "Compose Formal Message");
        EXPECT_TRUE(r.view().visible["cmdCancel"]);
        EXPECT_TRUE(r.view().visible["lblWarn"]);
        EXPECT_TRUE(r.rig.boxes.shown.empty());
    }
    // A zone with no US name brings two blanks of its own.
    ComposeRig r;
    r.rig.wallClock.z = {-60, QStringLiteral("W. Europe Standard Time"), Clock::Period::Daylight, true};
    r.form("<T>|");
    r.open(ComposeMode::Formal);
    EXPECT_EQ(r.view().text(frmCompose::Text1), " 14:05  |\r\n");
}

TEST(Composer, MessageNumberAdvancesOnlyForFormalDoneWithAutofill) {
    for (auto [msgNo, shown] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"1", "001"}, {"42", "042"}, {"1234", "1234"}, {" 7 ", "007"}})
        EXPECT_EQ(formMessageNumber(msgNo), shown) << msgNo.constData();
    // The largest number MsgNo.inf can hold starts the count again rather than overflowing.
    for (auto [msgNo, next] :
         std::vector<std::pair<QByteArray, QByteArray>>{{"7", "8"},
                                                        {" 41 ", "42"},
                                                        {"9223372036854775806", "9223372036854775807"},
                                                        {"9223372036854775807", "1"}})
        EXPECT_EQ(nextMessageNumber(msgNo), next) << msgNo.constData();

    struct Case {
        const char* name;
        int autofill;
        ComposeMode mode;
        QByteArray after;
    };
    const std::vector<Case> cases = {
        {"formal, autofill on", 1, ComposeMode::Formal, "8"},
        {"formal, autofill off", 0, ComposeMode::Formal, "7"},
        {"scratchpad", 1, ComposeMode::Scratch, "7"},
        {"edit", 1, ComposeMode::Edit, "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        r.rig.station.settings.Autofill = c.autofill;
        r.form("No.<M>\r\n");
        r.compose(c.mode, "No. 007 \r\n");
        EXPECT_EQ(r.rig.station.MsgNo, c.after);
        EXPECT_EQ(test::readFile(r.rig.logic.store.msgNoPath()).trimmed(),
                  c.after == "7" ? QByteArray("<missing>") : c.after);
    }

    // Each window keeps the mode it was opened with: a scratchpad opened meanwhile does not turn
    // the formal message into one that uses no number.
    ComposeRig r;
    r.form("No.<M>\r\n");
    Composer& formal = r.open(ComposeMode::Formal);
    RecordingComposeView& formalView = r.view();
    r.open(ComposeMode::Scratch);
    formalView.texts["Text1"] = "No. 007 \r\n";
    formal.done();
    EXPECT_EQ(r.rig.station.MsgNo, "8");
    EXPECT_EQ(formal.mode(), ComposeMode::Formal);
}

TEST(Composer, DoneStoresAndEditRoundsKeepOneLineEnd) {
    struct Case {
        const char* name;
        QByteArray typed;
        QByteArray firstBody, laterBody;
    };
    const std::vector<Case> cases = {
        {"no trailing line end", "abc", "abc\r\n$^\r\n", "abc\r\n\r\n$^\r\n"},
        {"trailing line end", "abc\r\n", "abc\r\n\r\n$^\r\n", "abc\r\n\r\n$^\r\n"},
        {"blank lines kept inside", "a\r\n\r\nb", "a\r\n\r\nb\r\n$^\r\n", "a\r\n\r\nb\r\n\r\n$^\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        r.open(ComposeMode::Scratch);
        EXPECT_EQ(r.view().caption, "Compose Scratchpad Message");
        r.view().texts["Text1"] = c.typed;
        r.view().texts["txtSubject"] = "Subj";
        r.view().checked["chkAlert"] = true;
        r.view().checked["chkDis"] = true;
        r.composer().done();
        EXPECT_EQ(r.view().closes, 1);
        EXPECT_EQ(r.pending.body(), c.firstBody);
        EXPECT_EQ(r.pending.header(), ".hdr  .aon  .dis  _W1XYZ _Subj");
        EXPECT_EQ(test::readFile(r.draft()),
                  "Subj\r\n.hdr  .aon  .dis  _W1XYZ _Subj\r\n" + c.firstBody + "\r\n");
        QByteArray tnc = c.firstBody;
        EXPECT_EQ(r.pending.bodyForTnc(), tnc.replace("\n", ""));
        EXPECT_TRUE(r.rig.view.shown("Frame1"));
        EXPECT_TRUE(r.rig.view.shown("lblDest"));
        EXPECT_EQ(r.changes, std::vector<bool>({false, true}));

        for (int round = 0; round < 3; ++round) {
            r.open(ComposeMode::Edit);
            EXPECT_EQ(r.view().caption, "Edit Message");
            EXPECT_EQ(r.view().text(frmCompose::txtSubject), "Subj");
            EXPECT_TRUE(r.view().checked["chkAlert"] && r.view().checked["chkDis"]);
            EXPECT_FALSE(r.view().checked["chkAck"] || r.view().checked["chkPrint"]);
            EXPECT_FALSE(r.view().visible["cmdCancel"]);
            r.composer().done();
            EXPECT_EQ(r.pending.body(), c.laterBody) << "round " << round;
        }
    }

    // The station identification goes into the header when asked for.
    ComposeRig r;
    r.rig.station.settings.AddFCC = 1;
    r.rig.station.settings.FCC = "KA1ABC";
    r.rig.session.setState(LinkState::LinkConnected);
    r.compose(ComposeMode::Scratch, "x", "");
    EXPECT_EQ(r.pending.header(), ".hdr    de KA1ABC   _W1XYZ _");
    EXPECT_FALSE(r.rig.view.shown("lblDest")); // the destination is chosen already
}

TEST(Composer, DoneRefusesEmptyTextAndSurvivesAnUnwritableDraft) {
    ComposeRig r;
    r.compose(ComposeMode::Scratch, "");
    ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
    EXPECT_EQ(r.rig.boxes.shown[0].title, "No Message");
    EXPECT_EQ(r.rig.boxes.shown[0].text, "No Message to send");
    EXPECT_EQ(r.view().closes, 0);
    EXPECT_FALSE(r.pending.isPending());
    EXPECT_FALSE(QFile::exists(r.draft()));

    // A file where the Messages folder should be: the save fails, the message is pending anyway.
    ASSERT_TRUE(test::writeFile(r.rig.station.path(QStringLiteral("Messages")), "not a folder"));
    r.compose(ComposeMode::Scratch, "hello");
    ASSERT_EQ(r.rig.boxes.shown.size(), 2u);
    EXPECT_EQ(r.rig.boxes.shown[1].title, "SaveError");
    EXPECT_EQ(r.rig.boxes.shown[1].text, "Error saving file at F7:cmdSDone");
    EXPECT_EQ(r.pending.bodyForTnc(), "hello\r$^\r");
    EXPECT_TRUE(r.rig.view.shown("Frame1"));
    EXPECT_EQ(r.view().closes, 1);
}

// "$^" would end the message at the far station and cut it in Edit, and a line beginning ".hdr"
// would start a new one there: Done refuses both and keeps the window, its text and the message
// number as they were.
TEST(Composer, DoneRefusesTextThatWouldCutTheMessageOnTheAir) {
    struct Case {
        const char* name;
        QByteArray text, subject;
        QString title; // empty: stored
    };
    const std::vector<Case> cases = {
        {"end marker inside a line", "Costs 5 $^ each\r\n", "Prices", "End marker in message"},
        {"end marker on a line of its own", "first\r\n$^\r\nsecond", "Prices", "End marker in message"},
        {"end marker in the subject", "text", "Sale $^", "End marker in message"},
        {"header at the start of a line", "first\r\n.hdr  _W1AW _x\r\n", "Quote", "Header in message"},
        {"header as the first line", ".hdrs", "Quote", "Header in message"},
        {"header elsewhere in a line", "see .hdr\r\n .hdr\r\n", "Quote", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        r.form("No.<M>\r\n");
        r.open(ComposeMode::Formal);
        r.view().texts["Text1"] = c.text;
        r.view().texts["txtSubject"] = c.subject;
        r.composer().done();
        if (c.title.isEmpty()) {
            EXPECT_TRUE(r.rig.boxes.shown.empty());
            EXPECT_EQ(r.view().closes, 1);
            EXPECT_TRUE(r.pending.isPending());
            continue;
        }
        ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
        EXPECT_EQ(r.rig.boxes.shown[0].title, c.title);
        EXPECT_EQ(r.view().closes, 0);
        EXPECT_EQ(r.view().text(frmCompose::Text1), c.text);
        EXPECT_EQ(r.view().text(frmCompose::txtSubject), c.subject);
        EXPECT_FALSE(r.pending.isPending());
        EXPECT_FALSE(QFile::exists(r.draft()));
        EXPECT_EQ(r.rig.station.MsgNo, "7");
    }
}

TEST(Composer, DraftsReloadWhatCanBeRead) {
    struct Case {
        const char* name;
        QByteArray file;
        bool pending;
        QByteArray subject, header, body;
    };
    const std::vector<Case> cases = {
        {"as written by Done", "S\r\n.hdr  _W1XYZ _S\r\nabc\r\n$^\r\n\r\n", true, "S", ".hdr  _W1XYZ _S",
         "abc\r\n$^\r\n"},
        {"without the line end after the end line", "S\r\nH\r\nabc\r\n$^\r\n", true, "S", "H",
         "abc\r\n$^\r\n"},
        {"blank lines before the end line kept", "S\r\nH\r\nabc\r\n\r\n\r\n$^\r\n\r\n", true, "S", "H",
         "abc\r\n\r\n\r\n$^\r\n"},
        {"cut inside the text", "S\r\nH\r\nabc\r\n$", true, "S", "H", "abc\r\n$\r\n"},
        {"cut after the header", "S\r\nH\r\n", false, "", "", ""},
        {"cut inside the header", "S\r\n.hd", false, "", "", ""},
        {"empty", "", false, "", "", ""},
        {"binary garbage", QByteArray("\x00\xff\x01\x80\r\x00", 6), false, "", "", ""},
        {"garbage with line ends", QByteArray("\x00\x01\n\xfe\n\r\r\n", 8), true, QByteArray("\x00\x01", 2),
         "\xfe", "\r\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        ASSERT_TRUE(test::writeFile(r.draft(), c.file));
        r.pending.loadDraft();
        EXPECT_EQ(r.pending.isPending(), c.pending);
        EXPECT_EQ(r.pending.subject(), c.subject);
        EXPECT_EQ(r.pending.header(), c.header);
        EXPECT_EQ(r.pending.body(), c.body);
        EXPECT_EQ(r.rig.view.shown("Frame1"), c.pending);
        EXPECT_EQ(r.changes, c.pending ? std::vector<bool>{true} : std::vector<bool>{});
    }

    // After a restart the message is what it was: the same on the air and in its sent copy.
    ComposeRig before;
    before.compose(ComposeMode::Scratch, "hello\r\n\r\n");
    PendingMessage after(before.rig.station, before.rig.boxes, before.rig.view, before.rig.session,
                         before.rig.tnc);
    after.loadDraft();
    EXPECT_EQ(after.body(), before.pending.body());
    EXPECT_EQ(after.bodyForTnc(), "hello\r\r\r$^\r");
    EXPECT_EQ(after.header(), before.pending.header());
    EXPECT_EQ(after.subject(), before.pending.subject());

    ComposeRig missing;
    missing.pending.loadDraft();
    EXPECT_FALSE(missing.pending.isPending());
    EXPECT_TRUE(missing.rig.boxes.shown.empty());
}

TEST(Composer, EqualsSignsAreFieldsOnlyInFormMessages) {
    struct Case {
        const char* name;
        ComposeMode mode;
        bool editOfFormal;
        QByteArray text;
        bool walks;
    };
    const std::vector<Case> cases = {
        {"formal", ComposeMode::Formal, false, "Name: =\r\nFREQ: =\r\n", true},
        {"edit of a formal message", ComposeMode::Edit, true, "Name: =\r\nFREQ: =\r\n", true},
        {"scratchpad", ComposeMode::Scratch, false, "Name: =\r\nFREQ=147.30\r\n", false},
        {"edit of a scratchpad message", ComposeMode::Edit, false, "Name: =\r\nFREQ=147.30\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeRig r;
        r.form(c.text);
        if (c.mode == ComposeMode::Edit) {
            r.compose(c.editOfFormal ? ComposeMode::Formal : ComposeMode::Scratch, c.text);
            r.open(ComposeMode::Edit);
        } else {
            r.open(c.mode);
            r.view().texts["Text1"] = c.text;
        }
        Composer& k = r.composer();
        RecordingComposeView& v = r.view();
        EXPECT_EQ(k.walksFields(), c.walks);
        k.textFocused();
        if (!c.walks) {
            EXPECT_FALSE(k.textKeyPress(true));
            EXPECT_FALSE(k.textKeyPress(false));
            EXPECT_EQ(v.text(frmCompose::Text1), c.text);
            EXPECT_TRUE(v.tabStop.empty());
            continue;
        }
        EXPECT_EQ(v.text(frmCompose::Text1), "Name:   \r\nFREQ: =\r\n");
        EXPECT_EQ(v.caret, 8);
        EXPECT_TRUE(v.tabStops(false));
        EXPECT_FALSE(k.textKeyPress(false)); // typing into the field
        EXPECT_TRUE(v.tabStops(false));
        EXPECT_TRUE(k.textKeyPress(true)); // Tab to the next field
        EXPECT_EQ(v.text(frmCompose::Text1), "Name:   \r\nFREQ:   \r\n");
        EXPECT_TRUE(v.tabStops(true));      // no field left
        EXPECT_FALSE(k.textKeyPress(true)); // Tab moves on
        // An "=" typed later is a field too.
        v.texts["Text1"] += "x=y";
        EXPECT_TRUE(k.textKeyPress(true));
        EXPECT_TRUE(v.text(frmCompose::Text1).endsWith("x  y"));
    }
}

TEST(Composer, OpeningErasingAndTheSmallRules) {
    // A missing form is reported and leaves the pending message alone.
    ComposeRig r;
    r.compose(ComposeMode::Scratch, "keep me");
    r.rig.station.settings.MsgFormPref = "Missing.frm";
    r.open(ComposeMode::Formal);
    ASSERT_EQ(r.rig.boxes.shown.size(), 1u);
    EXPECT_EQ(r.rig.boxes.shown[0].title, "Form not found");
    EXPECT_EQ(r.rig.boxes.shown[0].text, "Unable to open form Missing.frm");
    EXPECT_EQ(r.rig.boxes.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_EQ(r.view().caption, "Compose Message");
    EXPECT_TRUE(r.pending.isPending());
    EXPECT_TRUE(QFile::exists(r.draft()));
    r.composer().cancel();
    EXPECT_EQ(r.view().closes, 1);
    r.rig.station.settings.MsgFormPref = ""; // no form chosen: the folder itself is no form
    r.open(ComposeMode::Formal);
    EXPECT_EQ(r.rig.boxes.shown.back().text, "Unable to open form ");
    EXPECT_TRUE(r.pending.isPending());

    // Erasing asks first; the focus goes back to the monitor either way.
    for (auto answer : {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes}) {
        r.rig.view.focus.clear();
        r.pending.askErase();
        EXPECT_EQ(r.rig.boxes.shown.back().title, "Tolvex");
        EXPECT_EQ(r.rig.boxes.shown.back().text, "Are you sure you want to delete this message?");
        EXPECT_EQ(r.rig.boxes.shown.back().buttons, MessageBoxes::Buttons::YesNo);
        r.rig.boxes.answer(answer);
        EXPECT_EQ(r.rig.view.focus, "tbMon");
        EXPECT_EQ(r.pending.isPending(), answer == MessageBoxes::Answer::No);
    }
    EXPECT_FALSE(QFile::exists(r.draft()));
    EXPECT_FALSE(r.rig.view.shown("Frame1"));
    EXPECT_FALSE(r.rig.view.shown("lblDest"));
    EXPECT_TRUE(r.pending.subject().isEmpty() && r.pending.header().isEmpty() &&
                r.pending.bodyForTnc().isEmpty());
    EXPECT_EQ(r.changes.back(), false);

    // A new scratchpad message throws the pending one away without asking.
    r.compose(ComposeMode::Scratch, "one");
    const auto boxes = r.rig.boxes.shown.size();
    r.open(ComposeMode::Scratch);
    EXPECT_FALSE(r.pending.isPending());
    EXPECT_EQ(r.rig.boxes.shown.size(), boxes);

    // Subject: typing stops at 21 characters.
    for (auto [subject, takes] : std::vector<std::pair<QByteArray, bool>>{
             {"", true}, {QByteArray(20, 'x'), true}, {QByteArray(21, 'x'), false}}) {
        r.view().texts["txtSubject"] = subject;
        EXPECT_EQ(r.composer().subjectTakesKey(), takes) << subject.size();
    }

    // The warning follows the disconnect box.
    for (bool ticked : {true, false, true}) {
        r.view().checked["chkDis"] = ticked;
        r.composer().disconnectClicked();
        EXPECT_EQ(r.view().visible["lblWarn"], ticked);
    }
}

} // namespace
