// The broadcast and group dialogs offscreen: their elements, typing, Send and Done through the
// widgets, and closing.
#include "ui/BroadcastWindow.h"
#include "support/StationRig.h"
#include "ui/GroupWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct DialogRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    Broadcasts broadcasts{{rig.station, rig.session, rig.sequencer, rig.tnc, rig.view, rig.boxes,
                           rig.logic.times, rig.clock, rig.logic.help}};
    QPointer<BroadcastWindow> window;
    QPointer<GroupWindow> groups;

    DialogRig() {
        useDefaultTexts(rig.station);
        rig.station.settings.ConverseCmd = "K";
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle);
        broadcasts.showBroadcastWindow = [this] {
            if (!window) window = new BroadcastWindow(broadcasts);
            window->show();
        };
        broadcasts.showGroupWindow = [this] {
            groups = new GroupWindow(rig.station, rig.logic.store, broadcasts);
            groups->show();
        };
    }
    ~DialogRig() {
        delete groups;
        delete window;
    }
    template <class W> W* broadcastElement(BroadcastElement e) const { return window->elements().get<W>(e); }
    template <class W> W* groupElement(GroupElement e) const { return groups->elements().get<W>(e); }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

TEST(BroadcastWindow, TypeChooseAndSend) {
    DialogRig r;
    r.broadcasts.openDialog();
    ASSERT_TRUE(r.window);
    EXPECT_EQ(r.window->windowTitle(), "Compose Broadcast Message");
    for (const BroadcastElement e : frmBroadcast::all)
        EXPECT_NE(r.window->elements().find(e), nullptr) << e.name;
    auto* zulgrp = r.broadcastElement<QRadioButton>(frmBroadcast::Option1_0);
    auto* ares = r.broadcastElement<QRadioButton>(frmBroadcast::Option1_1);
    EXPECT_EQ(ares->text(), "ARES V RELAY");
    EXPECT_FALSE(zulgrp->isHidden() || ares->isHidden());
    EXPECT_TRUE(r.broadcastElement<QRadioButton>(frmBroadcast::Option1_2)->isHidden());
    EXPECT_FALSE(zulgrp->isChecked() || ares->isChecked());

    // Enter types a blank; at 100 characters nothing more goes in, not even Backspace.
    auto* text = r.broadcastElement<QLineEdit>(frmBroadcast::Text1);
    EXPECT_FALSE(text->accessibleName().isEmpty());
    QTest::keyClicks(text, "HI");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, QString(97, QLatin1Char('x')));
    ASSERT_EQ(text->text().size(), 100);
    QTest::keyClicks(text, "yz");
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(text->text(), "HI " + QString(97, QLatin1Char('x')));
    text->setText("TEST");

    ares->click();
    r.broadcastElement<QAbstractButton>(frmBroadcast::cmdSend)->click();
    r.rig.clock.runAll();
    EXPECT_EQ(r.rig.port.written(), "\r\x03\rUNPROTO ARES V RELAY\rK\rTEST $^ \r\x03\r\r\x03\r");
    r.settle();
    EXPECT_FALSE(r.window); // closed after sending
    EXPECT_EQ(r.rig.session.state(), LinkState::LinkIdle);
}

TEST(BroadcastWindow, GroupDialogFromThePromptAndTheMenu) {
    DialogRig r;
    r.rig.station.settings.GroupAd.fill({});
    r.broadcasts.openDialog();
    r.rig.clock.advance(100);
    r.rig.boxes.answer(MessageBoxes::Answer::Ok);
    ASSERT_TRUE(r.groups);
    EXPECT_EQ(r.groups->windowTitle(), "Group Name Setup");
    for (const GroupElement e : frmGroup::all)
        EXPECT_NE(r.groups->elements().find(e), nullptr) << e.name;
    EXPECT_TRUE(r.groupElement<QLabel>(frmGroup::Label2)->text().contains("the digipeater named N0CALL."));

    // Entries typed in small letters are kept in capitals, a long one with leading blanks too.
    const QString longEntry = "  " + QString(498, QLatin1Char('v'));
    QTest::keyClicks(r.groupElement<QLineEdit>(frmGroup::Text1_3), "zulgrp");
    r.groupElement<QLineEdit>(frmGroup::Text1_4)->setText(longEntry);
    r.groupElement<QAbstractButton>(frmGroup::cmdDone)->click();
    r.settle();
    EXPECT_FALSE(r.groups);
    EXPECT_EQ(r.rig.station.settings.GroupAd[3], "ZULGRP");
    EXPECT_EQ(r.rig.station.settings.GroupAd[4], longEntry.toUpper().toLatin1());
    ASSERT_TRUE(r.window);
    auto* chosen = r.broadcastElement<QRadioButton>(frmBroadcast::Option1_3);
    EXPECT_TRUE(chosen->isChecked()); // the lowest entry, as nothing was chosen
    auto* longOption = r.broadcastElement<QRadioButton>(frmBroadcast::Option1_4);
    EXPECT_FALSE(longOption->isHidden());
    EXPECT_EQ(longOption->accessibleName(), longEntry.toUpper());
    EXPECT_LT(longOption->sizeHint().width(), 1000);

    // The operator's choice outlives a second Done.
    longOption->click();
    r.broadcastElement<QAction>(frmBroadcast::mnuGSetup)->trigger();
    ASSERT_TRUE(r.groups);
    EXPECT_EQ(r.groupElement<QLineEdit>(frmGroup::Text1_3)->text(), "ZULGRP");
    r.groupElement<QAbstractButton>(frmGroup::cmdDone)->click();
    EXPECT_TRUE(longOption->isChecked());

    // The close box: back to command mode, though nothing was sent.
    r.rig.port.writes.clear();
    r.window->close();
    r.settle();
    EXPECT_FALSE(r.window);
    EXPECT_FALSE(r.broadcasts.isOpen());
    r.rig.clock.runAll();
    EXPECT_EQ(r.rig.port.written(), "\r\x03\r");
}
