#include "ui/PreferencesWindow.h"
#include "core/ParmsFile.h"
#include "support/Doubles.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

template <class W = QWidget> W* child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void moveOver(QWidget* w, QPointF at = QPointF(2, 2)) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

} // namespace

class PreferencesWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Station station;
    RecordingMessageBoxes boxes;
    RecordingMainView main;
    ParmsStore store{dir.path(), boxes};
    std::vector<std::pair<NetRole, NetRole>> roles;
    QStringList helpPages;

    PreferencesWindowTest() {
        station.dir = dir.path();
        station.settings.Callsign = "N0CALL";
        station.settings.CmdCmd = "3";
        station.settings.Autofill = 1;
        station.settings.MsgFormPref = "b.frm";
        station.MsgNo = "5";
        QDir(dir.path()).mkdir(QStringLiteral("Forms"));
        for (const char* name : {"a.frm", "b.frm"})
            QFile(dir.filePath(QStringLiteral("Forms/") + QLatin1String(name))).open(QIODevice::WriteOnly);
    }
    PreferencesWindow* open() {
        auto* w = new PreferencesWindow(
            {station, store, boxes, main},
            [this](NetRole b, NetRole a) {
                roles.push_back({b, a});
            },
            [this](const QString& page) { helpPages << page; });
        w->show();
        return w;
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(PreferencesWindowTest, EditsShowSaveChangesWhichWritesParmsAndClosesTheWindow) {
    QPointer<PreferencesWindow> w = open();
    EXPECT_EQ(w->objectName(), QStringLiteral("frmOpParms"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Operating Preferences"));
    EXPECT_FALSE(w->isModal());
    for (PrefElement e : frmOpParms::all)
        EXPECT_NE(w->elements().find(e), nullptr) << e.name;
    for (const char* name : {"Option1_0", "Option1_1", "Option1_2", "Option2_0", "Option2_1", "Option2_2"})
        EXPECT_NE(child<QRadioButton>(*w, name), nullptr);
    EXPECT_EQ(child<QComboBox>(*w, "Combo1")->currentText(), QStringLiteral("b.frm"));
    EXPECT_EQ(child<QComboBox>(*w, "Combo1")->count(), 2);
    EXPECT_EQ(child<QLineEdit>(*w, "Text2")->text(), QStringLiteral("5"));
    EXPECT_TRUE(child<QLineEdit>(*w, "Text2")->isEnabled());
    EXPECT_TRUE(child(*w, "cmdClose")->isVisible());
    EXPECT_FALSE(child(*w, "cmdSave")->isVisible());
    EXPECT_FALSE(child(*w, "Frame6")->isVisible());

    // Every control that takes the focus says what it is.
    for (QWidget* widget : w->findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QStringLiteral("qt_")))
            continue;
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << widget->objectName().toStdString();
    }

    // The help line follows the pointer.
    moveOver(child(*w, "Text1"));
    EXPECT_TRUE(
        child<QPlainTextEdit>(*w, "Text3")->toPlainText().startsWith(QStringLiteral("Enter the operating")));
    moveOver(child(*w, "Option2_1"));
    EXPECT_TRUE(
        child<QPlainTextEdit>(*w, "Text3")->toPlainText().startsWith(QStringLiteral("Decide if audio")));
    moveOver(w, QPointF(1, w->height() - 1));
    EXPECT_TRUE(child<QPlainTextEdit>(*w, "Text3")->toPlainText().isEmpty());

    w->findChild<QAction*>(QStringLiteral("mnuHelp"))->trigger();
    EXPECT_EQ(helpPages, QStringList{QStringLiteral("OpPref.html")});

    auto* callsign = child<QLineEdit>(*w, "Text1");
    callsign->selectAll();
    QTest::keyClicks(callsign, QStringLiteral(" n0abc "));
    EXPECT_FALSE(child(*w, "cmdClose")->isVisible());
    EXPECT_TRUE(child(*w, "cmdSave")->isVisible());
    EXPECT_TRUE(child(*w, "Frame6")->isVisible());
    child<QCheckBox>(*w, "chkRemote")->click();
    child<QCheckBox>(*w, "chkThisNCS")->click();
    EXPECT_FALSE(child<QCheckBox>(*w, "chkRemote")->isChecked());
    child<QCheckBox>(*w, "chkNet")->click();
    QTest::keyClicks(child<QLineEdit>(*w, "txtNCSCallsign"), QStringLiteral("n0ncs"));
    child<QRadioButton>(*w, "Option1_1")->click();
    child<QComboBox>(*w, "Combo1")->setCurrentIndex(0);
    Q_EMIT child<QComboBox>(*w, "Combo1")->activated(0);
    child<QCheckBox>(*w, "Check1")->click();
    EXPECT_FALSE(child<QLineEdit>(*w, "Text2")->isEnabled());

    child<QPushButton>(*w, "cmdSave")->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(boxes.shown.empty());
    Settings back;
    ASSERT_TRUE(store.ReadParms(back));
    EXPECT_EQ(back.Callsign, "N0ABC");
    EXPECT_EQ(back.NetOperation, "1");
    EXPECT_EQ(back.ThisNCS, "1");
    EXPECT_EQ(back.NCSCallsign, "N0NCS");
    EXPECT_EQ(back.PrintPref, 1);
    EXPECT_EQ(back.MsgFormPref, "a.frm");
    EXPECT_EQ(back.Autofill, 0);
    EXPECT_EQ(roles, (std::vector<std::pair<NetRole, NetRole>>{{NetRole::None, NetRole::Control}}));
    EXPECT_TRUE(main.shown("txtNet"));
    EXPECT_EQ(station.NcsName, "N0NCS");
}

TEST_F(PreferencesWindowTest, CloseAndRefusedSavesWriteNothing) {
    QPointer<PreferencesWindow> w = open();
    child<QCheckBox>(*w, "chkNet")->click();
    child<QPushButton>(*w, "cmdSave")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("NCS callsign needed"));
    EXPECT_FALSE(w.isNull());
    EXPECT_TRUE(w->isVisible());
    w->close();
    settle();
    EXPECT_TRUE(w.isNull());

    w = open();
    child<QPushButton>(*w, "cmdClose")->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Parms.inf"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("MsgNo.inf"))));
    EXPECT_EQ(station.settings.NetOperation, "");
    EXPECT_TRUE(roles.empty());
}
