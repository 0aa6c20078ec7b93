#include "ui/ComposeWindow.h"
#include "messaging/PendingMessage.h"
#include "support/StationRig.h"
#include "ui/WindowParts.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct WindowRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    PendingMessage pending{rig.station, rig.boxes, rig.view, rig.session, rig.tnc};
    QStringList helpPages;
    QPointer<ComposeWindow> window;

    WindowRig() {
        useDefaultTexts(rig.station);
        rig.station.settings.MsgFormPref = "Test.frm";
        QDir().mkpath(rig.station.path(QStringLiteral("Forms")));
        QFile form(rig.station.path(QStringLiteral("Forms/Test.frm")));
        EXPECT_TRUE(form.open(QIODevice::WriteOnly));
        form.write("Name: =\r\nCall: =\r\n");
    }
    ~WindowRig() { delete window.data(); }

    ComposeWindow& open(ComposeMode mode) {
        window = new ComposeWindow(mode, {rig.station, rig.logic.store, rig.wallClock, rig.boxes, pending},
                                   [this](const QString& page) { helpPages << page; });
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return *window;
    }
    template <class W = QWidget> W* get(const char* name) {
        W* w = window->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPlainTextEdit* text() { return get<QPlainTextEdit>("Text1"); }
};

TEST(ComposeWindow, ElementsCaptionsAndMenus) {
    WindowRig r;
    ComposeWindow& w = r.open(ComposeMode::Scratch);
    EXPECT_EQ(w.objectName(), "frmCompose");
    EXPECT_EQ(w.windowTitle(), "Compose Scratchpad Message");
    EXPECT_FALSE(w.isModal());
    EXPECT_TRUE(w.testAttribute(Qt::WA_DeleteOnClose));
    for (ComposeElement e : frmCompose::all)
        EXPECT_NE(w.findChild<QObject*>(QLatin1String(e.name)), nullptr) << e.name;

    const std::pair<const char*, const char*> captions[] = {
        {"chkAlert", "Sound audible alert"},
        {"chkPrint", "Print this message"},
        {"chkAck", "Confirm receipt of this message"},
        {"chkDis", "Disconnect after message transferred"},
        {"cmdDone", "Done"},
        {"cmdCancel", "Cancel"},
    };
    for (auto [name, caption] : captions)
        EXPECT_EQ(shownCaption(r.get<QAbstractButton>(name)->text()), caption) << name;
    EXPECT_EQ(r.get<QLabel>("lblWarn")->text(),
              "Do not use disconnect option when sending messages to a bulletin board");
    EXPECT_EQ(shownCaption(r.get<QLabel>("Label1")->text()), "Subject:");
    EXPECT_EQ(shownCaption(r.get<QGroupBox>("Frame1")->title()), "Message Text");
    EXPECT_EQ(r.get<QGroupBox>("Frame2")->title(), "Request of destination station");

    const std::pair<const char*, const char*> items[] = {
        {"mnuAll", "Ctrl+A"}, {"mnuCopy", "Ctrl+C"}, {"mnuCut", "Ctrl+X"}, {"mnuPaste", "Ctrl+V"}};
    for (auto [name, keys] : items)
        EXPECT_EQ(w.findChild<QAction*>(QLatin1String(name))->shortcut(), QKeySequence(QLatin1String(keys)));
    w.findChild<QAction*>(QStringLiteral("mnuHelp"))->trigger();
    EXPECT_EQ(r.helpPages, QStringList{QStringLiteral("CompMess.html")});

    for (QWidget* widget : w.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || !(widget->focusPolicy() & Qt::TabFocus)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << widget->objectName().toStdString();
    }

    // Ctrl+A in the text copies all of it; Cut and Paste move the selection.
    QTest::keyClicks(r.text(), "one two");
    QTest::keyClick(r.text(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "one two");
    EXPECT_FALSE(r.text()->textCursor().hasSelection());
    QTest::keyClick(r.text(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(r.text(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(r.text(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(r.text(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(r.text()->toPlainText(), "one ");
    EXPECT_EQ(QApplication::clipboard()->text(), "two");
    QTest::keyClick(r.text(), Qt::Key_Home);
    QTest::keyClick(r.text(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(r.text()->toPlainText(), "twoone ");

    // The subject takes 21 typed characters; the warning follows the disconnect box.
    QTest::keyClicks(r.get<QLineEdit>("txtSubject"), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(r.get<QLineEdit>("txtSubject")->text(), "abcdefghijklmnopqrstu");
    EXPECT_FALSE(r.get<QLabel>("lblWarn")->isHidden());
    r.get<QCheckBox>("chkDis")->click();
    r.get<QCheckBox>("chkDis")->click();
    EXPECT_TRUE(r.get<QLabel>("lblWarn")->isHidden());
}

TEST(ComposeWindow, TabWalksFormFieldsAndDoneStores) {
    WindowRig r;
    r.rig.station.MsgNo = "7";
    r.rig.station.settings.Autofill = 1;
    ComposeWindow& w = r.open(ComposeMode::Formal);
    EXPECT_EQ(w.windowTitle(), "Compose Formal Message");
    QPlainTextEdit* text = r.text();
    ASSERT_EQ(QApplication::focusWidget(), text);
    EXPECT_EQ(text->toPlainText(), "Name:   \nCall: =\n"); // the first field taken on opening
    QTest::keyClicks(text, "Ann");
    QTest::keyClick(text, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), text);
    QTest::keyClicks(text, "K1A");
    EXPECT_EQ(text->toPlainText(), "Name:   Ann\nCall:   K1A\n");
    QTest::keyClick(text, Qt::Key_Tab); // no field left: on to the subject
    EXPECT_EQ(QApplication::focusWidget(), r.get("txtSubject"));
    QTest::keyClicks(r.get("txtSubject"), "Hi");

    QTest::mouseClick(r.get("cmdDone"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(r.window.isNull());
    EXPECT_EQ(r.pending.body(), "Name:   Ann\r\nCall:   K1A\r\n\r\n$^\r\n");
    EXPECT_EQ(r.pending.subject(), "Hi");
    EXPECT_EQ(r.rig.station.MsgNo, "8");
    EXPECT_TRUE(QFile::exists(r.pending.draftPath()));
}

TEST(ComposeWindow, EqualsIsTextInScratchpadAndEditKeepsNoCancel) {
    WindowRig r;
    r.open(ComposeMode::Scratch);
    QTest::keyClicks(r.text(), "FREQ=147.30");
    QTest::keyClick(r.text(), Qt::Key_Tab);
    EXPECT_EQ(r.text()->toPlainText(), "FREQ=147.30");
    EXPECT_EQ(QApplication::focusWidget(), r.get("txtSubject"));
    r.get<QCheckBox>("chkAck")->click();
    QTest::mouseClick(r.get("cmdDone"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(r.window.isNull());

    // The scratchpad's "=" stays text when it is edited, and the edit is left with Done.
    ComposeWindow& w = r.open(ComposeMode::Edit);
    EXPECT_EQ(w.windowTitle(), "Edit Message");
    EXPECT_EQ(r.text()->toPlainText(), "FREQ=147.30\n");
    EXPECT_TRUE(r.get<QCheckBox>("chkAck")->isChecked());
    EXPECT_TRUE(r.get("cmdCancel")->isHidden());
    r.get<QPushButton>("cmdDone")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(r.window.isNull());
    EXPECT_EQ(r.pending.body(), "FREQ=147.30\r\n\r\n$^\r\n");

    // Cancel closes and stores nothing.
    r.open(ComposeMode::Scratch);
    QTest::keyClicks(r.text(), "unsent");
    r.get<QPushButton>("cmdCancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(r.window.isNull());
    EXPECT_FALSE(r.pending.isPending());
}

} // namespace
