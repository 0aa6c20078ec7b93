#include "link/ConnectSetup.h"
#include "link/DestinationList.h"
#include "support/Doubles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace tolvex;
using tolvex::test::RecordingMessageBoxes;

namespace {

struct RecordingConnectView : ConnectView {
    std::map<std::string, QByteArray> texts;
    QList<QByteArray> rows;
    QList<QByteArray> hints; // every text the hint box was given
    int closes = 0;

    QByteArray text(ConnectElement box) const override {
        const auto it = texts.find(box.name);
        return it == texts.end() ? QByteArray() : it->second;
    }
    void setText(ConnectElement element, const QByteArray& text) override {
        if (element == frmConnect::Text1) hints << text;
        texts[element.name] = text;
    }
    void setRows(const QList<QByteArray>& all) override { rows = all; }
    void appendRow(const QByteArray& row) override { rows << row; }
    void removeRow(int row) override { rows.removeAt(row); }
    void close() override { ++closes; }
};

struct Rig {
    QTemporaryDir dir;
    QString list = dir.filePath(QStringLiteral("callsign.lst"));
    RecordingMessageBoxes boxes;
    RecordingConnectView view;
    QList<QByteArray> connects;
    bool accept = false;
    ConnectSetup setup{list, boxes, view, [this](const QByteArray& destination) {
                           connects << destination;
                           return accept;
                       }};
};

} // namespace

// The list on screen and the file stay the same through choosing, adding and removing; the
// destination goes to the connect, and the dialog closes only when the connect takes it.
TEST(ConnectSetup, ListFileAndDestinationStayInStep) {
    Rig r;
    ASSERT_TRUE(DestinationList::save(r.list, {"W1AW  THRU: NODE1  'club", "K1ABC"}));
    r.setup.open();
    EXPECT_EQ(r.view.rows, (QList<QByteArray>{"W1AW  THRU: NODE1  'club", "K1ABC"}));

    r.setup.choose(0);
    EXPECT_EQ(r.view.text(frmConnect::txtToAdd), "W1AW,NODE1");
    r.setup.choose(2); // no such row
    EXPECT_EQ(r.view.text(frmConnect::txtToAdd), "W1AW,NODE1");

    r.setup.add(); // no callsign
    ASSERT_EQ(r.boxes.shown.size(), 1u);
    EXPECT_EQ(r.boxes.shown[0].title, "No Callsign Entered");
    EXPECT_EQ(r.view.rows.size(), 2);

    r.view.texts = {{"txtAddCall", "n0call"}, {"txtPath_0", "relay"}, {"txtNote", "note"}};
    r.setup.add();
    const QByteArray added = DestinationList::buildEntry("n0call", {"relay", "", ""}, "note");
    EXPECT_EQ(r.view.rows.last(), added);
    for (const char* box : {"txtAddCall", "txtPath_0", "txtPath_1", "txtPath_2", "txtNote"})
        EXPECT_EQ(r.view.text(ConnectElement(box)), QByteArray()) << box;

    r.setup.remove(0);
    r.setup.remove(5); // no such row: nothing
    const QList<QByteArray> left{"K1ABC", added};
    EXPECT_EQ(r.view.rows, left);
    EXPECT_EQ(DestinationList::load(r.list), left);
    EXPECT_EQ(r.setup.entries(), left);

    r.view.texts["txtToAdd"] = "K1ABC";
    r.setup.connect();
    EXPECT_EQ(r.view.closes, 0);
    r.accept = true;
    r.setup.connect();
    EXPECT_EQ(r.connects, (QList<QByteArray>{"K1ABC", "K1ABC"}));
    EXPECT_EQ(r.view.closes, 1);
    EXPECT_EQ(r.boxes.shown.size(), 1u);
}

TEST(ConnectSetup, AListThatCannotBeWrittenIsReported) {
    Rig r;
    ASSERT_TRUE(QDir(r.dir.path()).mkdir(QStringLiteral("callsign.lst"))); // a folder in its place
    r.setup.open();
    EXPECT_TRUE(r.view.rows.isEmpty());
    r.view.texts["txtAddCall"] = "W1AW";
    r.setup.add();
    ASSERT_EQ(r.boxes.shown.size(), 1u);
    EXPECT_EQ(r.boxes.shown[0].title, "Callsign list not saved");
    EXPECT_EQ(r.boxes.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_EQ(r.view.rows, QList<QByteArray>{"W1AW"}); // still listed for this session
}

// Each field has its hint, the Add frame's background its own, the bare dialog none; a hint
// already shown is not given again.
TEST(ConnectSetup, HintsFollowThePointer) {
    Rig r;
    using namespace frmConnect;
    const std::optional<ConnectElement> steps[] = {lstCallsign,  lstCallsign,  txtPath[2],
                                                   txtPath[0],   Frame3,       cmdConnect,
                                                   std::nullopt, std::nullopt, txtNote};
    for (const auto& step : steps)
        r.setup.pointerOver(step);
    ASSERT_EQ(r.view.hints.size(), 5);
    EXPECT_TRUE(r.view.hints[0].startsWith("Double click a callsign"));
    EXPECT_TRUE(r.view.hints[1].startsWith("If connection is to be made through"));
    EXPECT_TRUE(r.view.hints[2].startsWith(" Enter new callsign"));
    EXPECT_EQ(r.view.hints[3], QByteArray());
    EXPECT_EQ(r.view.hints[4], "An informational note may be entered here if desired.");
}
