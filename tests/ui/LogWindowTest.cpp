#include "ui/LogWindow.h"
#include "messaging/MessageLog.h"
#include "support/Doubles.h"
#include "ui/WindowParts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;
using tolvex::test::RecordingMessageBoxes;
using tolvex::test::RecordingPrinter;

namespace {

struct WindowRig {
    QTemporaryDir tmp;
    QString dir = tmp.filePath(QStringLiteral("Messages"));
    RecordingMessageBoxes boxes;
    RecordingPrinter printer;
    QStringList helpPages;
    QPointer<LogWindow> window;

    explicit WindowRig(const std::vector<std::pair<QString, QByteArray>>& files) {
        QDir().mkpath(dir);
        for (const auto& [name, content] : files) {
            QFile f(QDir(dir).filePath(name));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        window = new LogWindow(dir, boxes, printer, [this](const QString& page) { helpPages << page; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    ~WindowRig() { delete window; }

    template <class W = QObject> W* element(LogElement e) const {
        return window->findChild<W*>(QLatin1String(e.name));
    }
    QListView* list(LogElement e) const { return element<QListView>(e); }
    QPlainTextEdit* viewer() const { return element<QPlainTextEdit>(frmLog::rtbMessage); }
    void clickRow(LogElement e, int row, Qt::KeyboardModifiers mods = {}) const {
        QListView* l = list(e);
        const QRect rect = l->visualRect(l->model()->index(row, 0));
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(l->viewport(), Qt::LeftButton, mods, rect.center());
    }
    void click(LogElement e) const { QTest::mouseClick(element<QPushButton>(e), Qt::LeftButton); }
    int rowCount(LogElement e) const { return list(e)->model()->rowCount(); }
    QString row(LogElement e, int i) const { return list(e)->model()->index(i, 0).data().toString(); }
    QStringList messages() const { return boxes.summaries(); }
};

const QString kMustClick = QStringLiteral("Error|You must click on an entry");
const QString kCannotDelete = QStringLiteral("File not found|Unable to delete file");

TEST(LogWindow, ElementsCaptionsAndFonts) {
    WindowRig rig({});
    for (LogElement e : frmLog::all)
        EXPECT_NE(rig.element(e), nullptr) << e.name;
    const std::pair<LogElement, const char*> captions[] = {
        {frmLog::lblRcvd, "Received Messages"},
        {frmLog::lblSent, "Sent Messages"},
        {frmLog::lblRcvdColumns, "Date/Time     From     Subject"},
        {frmLog::lblSentColumns, "Date/Time     To       Subject"},
        {frmLog::cmdPrint, "Print"},
        {frmLog::cmdDelete, "Delete"},
        {frmLog::cmdClose, "Close"},
    };
    for (const auto& [e, caption] : captions) {
        QObject* o = rig.element(e);
        const QString text =
            qobject_cast<QLabel*>(o) ? static_cast<QLabel*>(o)->text() : static_cast<QPushButton*>(o)->text();
        EXPECT_EQ(shownCaption(text), QLatin1String(caption)) << e.name;
    }
    const std::tuple<LogElement, const char*, QKeySequence> items[] = {
        {frmLog::mnuCopy, "Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {frmLog::mnuCut, "Cut", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {frmLog::mnuPaste, "Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {frmLog::mnuHelp, "Help", QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [e, caption, keys] : items) {
        auto* item = rig.element<QAction>(e);
        ASSERT_NE(item, nullptr) << e.name;
        EXPECT_EQ(shownCaption(item->text()), QLatin1String(caption));
        EXPECT_EQ(item->shortcut(), keys);
    }
    for (LogElement e : {frmLog::lstRcvd, frmLog::lstSent, frmLog::lblRcvdColumns, frmLog::rtbMessage}) {
        auto* w = rig.element<QWidget>(e);
        EXPECT_EQ(w->font().family(), QStringLiteral("Courier New")) << e.name;
        EXPECT_TRUE(w->font().fixedPitch()) << e.name;
    }
    for (LogElement e : {frmLog::lstRcvd, frmLog::lstSent, frmLog::rtbMessage}) {
        auto* w = rig.element<QWidget>(e);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << e.name;
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << e.name;
    }
    EXPECT_TRUE(rig.viewer()->isReadOnly());
    EXPECT_TRUE(rig.window->isWindow());
    EXPECT_FALSE(rig.window->isModal());

    rig.element<QAction>(frmLog::mnuHelp)->trigger();
    EXPECT_EQ(rig.helpPages, QStringList{QStringLiteral("ViewLog.html")});
}

// Clicks show files as plain text, Print takes what is shown, Delete removes the file clicked,
// and Close deletes the window.
TEST(LogWindow, ShowPrintDeleteAndClose) {
    WindowRig rig({
        {QStringLiteral("r1207140509_W1AW_Markup.txt"), "<b>bold</b> &amp;\r\nsecond\rthird\xe9"},
        {QStringLiteral("r1207140510_W1AW_Other.txt"), "other"},
        {QStringLiteral("s1207140511_W2XY_Sent.txt"), "sent text"},
    });
    ASSERT_EQ(rig.rowCount(frmLog::lstRcvd), 2);
    EXPECT_EQ(rig.row(frmLog::lstRcvd, 0), QStringLiteral("07 Dec  1405  W1AW     Markup"));
    ASSERT_EQ(rig.rowCount(frmLog::lstSent), 1);

    // Delete straight away acts on the sent side, where nothing is selected.
    rig.click(frmLog::cmdDelete);
    EXPECT_EQ(rig.messages(), QStringList{kCannotDelete});

    rig.clickRow(frmLog::lstRcvd, 0);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("<b>bold</b> &amp;\nsecond\nthird\u00e9"));
    EXPECT_EQ(rig.viewer()->document()->blockCount(), 3);
    rig.click(frmLog::cmdPrint);
    EXPECT_EQ(rig.printer.printed,
              std::vector<QByteArray>{QByteArray("<b>bold</b> &amp;\r\nsecond\r\nthird\xe9")});

    // Copy takes the viewer's selection; Cut leaves the read-only text and the clipboard alone.
    rig.viewer()->setFocus();
    rig.viewer()->selectAll();
    rig.element<QAction>(frmLog::mnuCopy)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), rig.viewer()->toPlainText());
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    rig.element<QAction>(frmLog::mnuCut)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(rig.viewer()->document()->blockCount(), 3);

    // The keyboard chooses a row too, the current one when none is selected yet; the other list
    // loses its selection.
    rig.list(frmLog::lstSent)->setFocus();
    QTest::keyClick(rig.list(frmLog::lstSent), Qt::Key_Down);
    QTest::keyClick(rig.list(frmLog::lstSent), Qt::Key_Return);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("sent text"));
    EXPECT_TRUE(rig.list(frmLog::lstRcvd)->selectionModel()->selectedIndexes().isEmpty());

    // Ctrl+click on the selected row deselects it: that hits no entry.
    rig.clickRow(frmLog::lstSent, 0, Qt::ControlModifier);
    EXPECT_EQ(rig.messages().last(), kMustClick);

    rig.clickRow(frmLog::lstRcvd, 1);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("other"));
    rig.click(frmLog::cmdDelete);
    EXPECT_FALSE(QFile::exists(QDir(rig.dir).filePath(QStringLiteral("r1207140510_W1AW_Other.txt"))));
    EXPECT_EQ(rig.rowCount(frmLog::lstRcvd), 1);
    EXPECT_EQ(rig.rowCount(frmLog::lstSent), 1);
    EXPECT_TRUE(rig.viewer()->toPlainText().isEmpty());
    EXPECT_EQ(rig.messages().size(), 2);

    rig.click(frmLog::cmdClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(rig.window.isNull());
}

// The viewer shows the row the selection is on however it got there, so Delete removes the
// message the operator is looking at, never one unread.
TEST(LogWindow, ViewerFollowsTheSelectionAndDeleteTakesWhatIsShown) {
    const QString first = QStringLiteral("r1207140509_W1AW_First.txt");
    const QString second = QStringLiteral("r1207140510_W1AW_Second.txt");
    const QString third = QStringLiteral("r1207140511_W1AW_Third.txt");
    const QString sent = QStringLiteral("s1207140512_W2XY_Sent.txt");
    const QString lastSent = QStringLiteral("s1207140513_W2XY_Last.txt");
    WindowRig rig(
        {{first, "first"}, {second, "second"}, {third, "third"}, {sent, "sent"}, {lastSent, "last"}});
    const auto exists = [&](const QString& name) { return QFile::exists(QDir(rig.dir).filePath(name)); };

    rig.clickRow(frmLog::lstRcvd, 0);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("first"));
    QTest::keyClick(rig.list(frmLog::lstRcvd), Qt::Key_Down);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("second"));
    rig.click(frmLog::cmdDelete);
    EXPECT_TRUE(exists(first));
    EXPECT_FALSE(exists(second));
    EXPECT_TRUE(exists(third));

    // Onto the other list by keyboard alone: Delete follows it there.
    rig.list(frmLog::lstSent)->setFocus();
    QTest::keyClick(rig.list(frmLog::lstSent), Qt::Key_End);
    EXPECT_EQ(rig.viewer()->toPlainText(), QStringLiteral("last"));
    EXPECT_TRUE(rig.list(frmLog::lstRcvd)->selectionModel()->selectedIndexes().isEmpty());
    rig.click(frmLog::cmdDelete);
    EXPECT_FALSE(exists(lastSent));
    EXPECT_TRUE(exists(first) && exists(third) && exists(sent));
    EXPECT_TRUE(rig.messages().isEmpty());
}

} // namespace
