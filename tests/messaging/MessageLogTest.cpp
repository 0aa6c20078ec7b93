#include "messaging/MessageLog.h"
#include "support/Doubles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace tolvex;
using tolvex::test::RecordingMessageBoxes;
using tolvex::test::RecordingPrinter;

namespace {

// The log window as the logic sees it: two lists with one selection each, and the viewer.
class RecordingLogView : public LogView {
public:
    void setRows(LogElement list, const QList<QByteArray>& r) override {
        rows[list.name] = r;
        selected[list.name] = -1;
    }
    int selectedRow(LogElement list) const override {
        auto it = selected.find(list.name);
        return it == selected.end() ? -1 : it->second;
    }
    void clearSelection(LogElement list) override { selected[list.name] = -1; }
    void showMessage(const QByteArray& text) override { message = text; }
    QByteArray messageText() const override { return message; }

    std::map<std::string, QList<QByteArray>> rows;
    std::map<std::string, int> selected;
    QByteArray message;
};

struct LogRig {
    QTemporaryDir tmp;
    QString dir = tmp.filePath(QStringLiteral("Messages"));
    RecordingLogView view;
    RecordingMessageBoxes boxes;
    RecordingPrinter printer;
    MessageLog log{dir, view, boxes, printer};

    LogRig() { QDir().mkpath(dir); }
    void write(const QString& name, const QByteArray& content = "text") {
        QFile f(QDir(dir).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    bool exists(const QString& name) const { return QFile::exists(QDir(dir).filePath(name)); }
    QList<QByteArray> rows(LogElement list) { return view.rows[list.name]; }
    QStringList messages() const { return boxes.summaries(); }
};

const QString kMustClick = QStringLiteral("Error|You must click on an entry");
const QString kCannotDelete = QStringLiteral("File not found|Unable to delete file");

// Every odd name lists with what can be read from it, and each side only takes its own files.
TEST(MessageLog, ListsEveryFileOfItsSideWithWhatItsNameHolds) {
    struct Case {
        QString file;
        bool listed; // on the received side
        QByteArray date, correspondent, subject;
    };
    const QByteArray dec = "07 Dec  1405";
    // In the order of the rows: sorted by file name.
    const Case cases[] = {
        {QStringLiteral("r.txt"), true, " ", "  ", ""}, // nothing to read but the kind
        {QStringLiteral("r1207140509_W1AW_Hello.txt"), true, dec, "W1AW  ", "Hello"},
        {QStringLiteral("r1207140510__.txt"), true, dec, "  ", ""}, // unconnected broadcast
        {QStringLiteral("r1207140511_KA1ABCDE_Shifted.txt"), true, dec, "KA1ABCDE", "Shifted"},
        {QStringLiteral("r1207140512_SelText_notes_a_b.txt"), true, dec, "SelText", "notes_a_b"},
        {QStringLiteral("r1207140513_K1A_x.txt"), true, dec, "K1A  ", "x"},
        {QStringLiteral("r1207140515-2_W1AW_Hello.txt"), true, dec, "W1AW  ", "Hello"},
        {QStringLiteral("r1207140516_W1AW.txt"), true, dec, "W1AW  ", ""}, // one underscore
        {QStringLiteral("r1207140517.txt"), true, dec, "  ", ""},          // none
        {QStringLiteral("r1207140518_W1AW_Caf\u00e9.txt"), true, dec, "W1AW  ", "Caf\xe9"},
        {QStringLiteral("r1212140519_W1AW_Last year.txt"), true, "12 Dec  1405", "W1AW  ", "Last year"},
        {QStringLiteral("r1307140514_W1AW_Bad month.txt"), true, "0713 1405", "W1AW  ", "Bad month"},
        {QStringLiteral("r1207140521_W2XY_NotText.doc"), false, {}, {}, {}},
        {QStringLiteral("s1207140519_W2XY_Sent.txt"), false, {}, {}, {}},
        {QStringLiteral("x1207140520_W2XY_Other.txt"), false, {}, {}, {}},
    };
    LogRig rig;
    for (const Case& c : cases)
        rig.write(c.file);
    QDir(rig.dir).mkdir(QStringLiteral("r0101000000_Dir_x.txt")); // a folder is no message
    rig.log.open();

    const std::vector<LogRow>& rows = rig.log.receivedRows();
    QList<QByteArray> texts;
    size_t i = 0;
    for (const Case& c : cases) {
        if (!c.listed) continue;
        SCOPED_TRACE(c.file.toStdString());
        ASSERT_LT(i, rows.size());
        EXPECT_EQ(rows[i].fileName, c.file.toLatin1());
        EXPECT_EQ(rows[i].dateText, c.date);
        EXPECT_EQ(rows[i].correspondent, c.correspondent);
        EXPECT_EQ(rows[i].subject, c.subject);
        texts << rows[i++].text();
    }
    EXPECT_EQ(rows.size(), i);
    EXPECT_EQ(rig.rows(frmLog::lstRcvd), texts);
    EXPECT_EQ(texts[3], "07 Dec  1405  KA1ABCDE   Shifted"); // 8 characters shift the subject
    EXPECT_EQ(rig.rows(frmLog::lstSent), QList<QByteArray>{"07 Dec  1405  W2XY     Sent"});
    EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST(MessageLog, MissingOrEmptyFolderGivesTwoEmptyLists) {
    for (bool create : {false, true}) {
        LogRig rig;
        QDir(rig.dir).removeRecursively();
        if (create) QDir().mkpath(rig.dir);
        rig.log.open();
        EXPECT_TRUE(rig.view.rows.count("lstRcvd") && rig.rows(frmLog::lstRcvd).isEmpty());
        EXPECT_TRUE(rig.view.rows.count("lstSent") && rig.rows(frmLog::lstSent).isEmpty());
        rig.log.deleteSelected();
        rig.log.showReceived();
        EXPECT_EQ(rig.messages(), (QStringList{kCannotDelete, kMustClick}));
    }
}

// Showing, printing and deleting, with the side marker deciding which file Delete removes.
TEST(MessageLog, ShowPrintAndDeleteFollowTheSideLastClicked) {
    LogRig rig;
    rig.write(QStringLiteral("r1207140509_W1AW_One.txt"), "<b>one</b>\r\nline 2\xe9");
    rig.write(QStringLiteral("r1207140510_W1AW_Two.txt"), "two");
    rig.write(QStringLiteral("s1207140511_W2XY_Three.txt"), "three");
    rig.write(QStringLiteral("r1207140512_W1AW_\u20ac.txt"), "euro"); // a name beyond Latin-1
    rig.log.open();
    EXPECT_EQ(rig.log.selectedSide(), "");

    // Delete before any click acts on the sent side, where nothing is selected.
    rig.view.selected["lstRcvd"] = 0;
    rig.log.deleteSelected();
    EXPECT_EQ(rig.messages(), QStringList{kCannotDelete});
    EXPECT_TRUE(rig.exists(QStringLiteral("r1207140509_W1AW_One.txt")));

    // A click shows the file as it is, marks the side and deselects the other list.
    rig.view.selected["lstSent"] = 0;
    rig.log.showReceived();
    EXPECT_EQ(rig.view.message, "<b>one</b>\r\nline 2\xe9");
    EXPECT_EQ(rig.log.selectedSide(), "rcvd");
    EXPECT_EQ(rig.view.selected["lstSent"], -1);

    rig.log.print();
    rig.printer.works = false;
    rig.log.print(); // a failing printer says nothing
    EXPECT_EQ(rig.printer.printed, (std::vector<QByteArray>{rig.view.message, rig.view.message}));

    rig.view.selected["lstSent"] = 0;
    rig.log.showSent();
    EXPECT_EQ(rig.view.message, "three");
    EXPECT_EQ(rig.log.selectedSide(), "sent");
    EXPECT_EQ(rig.view.selected["lstRcvd"], -1);

    // The file whose name is beyond Latin-1 still opens and deletes.
    rig.view.selected["lstRcvd"] = 2;
    rig.log.showReceived();
    EXPECT_EQ(rig.view.message, "euro");
    rig.log.deleteSelected();
    EXPECT_FALSE(rig.exists(QStringLiteral("r1207140512_W1AW_\u20ac.txt")));
    EXPECT_EQ(rig.rows(frmLog::lstRcvd).size(), 2);
    EXPECT_EQ(rig.view.message, "");
    EXPECT_EQ(rig.rows(frmLog::lstSent).size(), 1); // the other side is left as it was

    // A click on no row, and a row whose file went away since the list was filled.
    const qsizetype before = rig.boxes.shown.size();
    rig.log.showReceived();
    rig.view.selected["lstRcvd"] = 0;
    QFile::remove(QDir(rig.dir).filePath(QStringLiteral("r1207140509_W1AW_One.txt")));
    rig.log.showReceived();
    EXPECT_EQ(rig.messages().mid(before), (QStringList{kMustClick, kMustClick}));
    EXPECT_EQ(rig.log.selectedSide(), "rcvd"); // Delete still means the row that was clicked

    // Deleting the file that went away fails and leaves the list and viewer alone.
    rig.view.message = "still here";
    rig.log.deleteSelected();
    EXPECT_EQ(rig.messages().last(), kCannotDelete);
    EXPECT_EQ(rig.rows(frmLog::lstRcvd).size(), 2);
    EXPECT_EQ(rig.view.message, "still here");

    // Sent side deletion refills the sent list only.
    rig.view.selected["lstSent"] = 0;
    rig.log.showSent();
    rig.log.deleteSelected();
    EXPECT_FALSE(rig.exists(QStringLiteral("s1207140511_W2XY_Three.txt")));
    EXPECT_TRUE(rig.rows(frmLog::lstSent).isEmpty());
    EXPECT_EQ(rig.rows(frmLog::lstRcvd).size(), 2);
}

} // namespace
