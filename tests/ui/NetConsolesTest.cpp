#include "ui/NetConsoles.h"
#include "net/NetTestRig.h"
#include "ui/WindowParts.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvex {
namespace {

struct ConsolesRig : test::NetRig {
    QWidget mainWindow;
    std::unique_ptr<NetConsoles> consoles;

    ConsolesRig() {
        mainWindow.setGeometry(100, 100, 800, 600);
        consoles = std::make_unique<NetConsoles>(net, &mainWindow);
    }
    template <class W> W* control(NetControlElement e) const {
        return consoles->controlWindow() ? consoles->controlWindow()->findChild<W*>(QLatin1String(e.name))
                                         : nullptr;
    }
    template <class W> W* member(NetMemberElement e) const {
        return consoles->memberWindow() ? consoles->memberWindow()->findChild<W*>(QLatin1String(e.name))
                                        : nullptr;
    }
    static void hover(QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    QByteArray sentLines() {
        rig.clock.runAll();
        QByteArray lines;
        for (const auto& w : rig.port.writes)
            if (w.bytes.contains("$^")) lines += w.bytes;
        rig.port.writes.clear();
        return lines;
    }
};

// Every element is there under its name, reachable by keyboard and named for a screen reader.
template <class Element, std::size_t N> void expectReachable(QWidget* window, const Element (&all)[N]) {
    for (const Element& e : all) {
        SCOPED_TRACE(e.name);
        auto* w = window->findChild<QWidget*>(QLatin1String(e.name));
        ASSERT_NE(w, nullptr);
        if (qobject_cast<QGroupBox*>(w) || qobject_cast<QLabel*>(w)) continue;
        EXPECT_NE(w->focusPolicy(), Qt::NoFocus);
        const auto* button = qobject_cast<QPushButton*>(w);
        EXPECT_TRUE(!w->accessibleName().isEmpty() || (button && !button->text().isEmpty()));
    }
}

TEST(NetConsoles, ControlConsoleSendsListsAndAsksBeforeClosing) {
    ConsolesRig r;
    r.s.NCSMsg[3] = "";
    r.becomeControl();
    NetControlWindow* window = r.consoles->controlWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Net Control Station"));
    EXPECT_EQ(window->objectName(), QStringLiteral("frmNCS"));
    EXPECT_EQ(window->frameGeometry().x(), r.mainWindow.frameGeometry().x() +
                                               r.mainWindow.frameGeometry().width() -
                                               window->frameGeometry().width() / 2);
    expectReachable(window, frmNCS::all);
    EXPECT_EQ(shownCaption(r.control<QPushButton>(frmNCS::cmdNCS2)->text()), QStringLiteral("ANY MORE ?"));
    EXPECT_EQ(r.control<QPushButton>(frmNCS::cmdNCS4)->text(), QString());
    EXPECT_EQ(shownCaption(r.control<QGroupBox>(frmNCS::Frame1)->title()),
              QStringLiteral("Traffic Requests"));

    // A click sends; an empty stored text sends nothing.
    QTest::mouseClick(r.control<QPushButton>(frmNCS::cmdActivate), Qt::LeftButton);
    QTest::mouseClick(r.control<QPushButton>(frmNCS::cmdNCS4), Qt::LeftButton);
    EXPECT_EQ(r.sentLines(), ".netactive From NCS- NET IS OPEN   $^ \r");

    // Typed instruction with Enter.
    QLineEdit* message = r.control<QLineEdit>(frmNCS::txtMsg);
    message->setFocus();
    QTest::keyClicks(message, "stand by");
    QTest::keyClick(message, Qt::Key_Return);
    EXPECT_EQ(message->text(), QString());
    EXPECT_EQ(r.sentLines(), ".netmsg From NCS- STAND BY   $^ \r");

    // The receiver fills the lists; the traffic list blinks until pressed.
    r.net.reception.processNCS("  .ckinN0CALL  $");
    r.net.reception.processNCS("  .ckinSTN2  $");
    r.net.reception.processNCS("  .rseN0CALL  $");
    auto* traffic = r.control<QListWidget>(frmNCS::List1);
    auto* checkins = r.control<QListWidget>(frmNCS::List2);
    ASSERT_EQ(checkins->count(), 2);
    EXPECT_EQ(traffic->item(0)->text(), QStringLiteral("N0CALL  EMER"));
    r.rig.clock.advance(1200);
    EXPECT_EQ(traffic->palette().color(QPalette::Base), QColor(255, 255, 0));
    const QRect first = traffic->visualItemRect(traffic->item(0));
    QTest::mouseClick(traffic->viewport(), Qt::LeftButton, {}, first.center()); // a double click's first half
    QTest::mouseDClick(traffic->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(r.net.control.blinking());
    EXPECT_EQ(traffic->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(r.sentLines(), ".netmsg From NCS- N0CALL   GO AHEAD   $^ \r");
    EXPECT_TRUE(traffic->selectedItems().isEmpty());

    // Delete on a selected check-in sends its notice and removes it.
    checkins->setFocus();
    checkins->setCurrentRow(1);
    QTest::keyClick(checkins, Qt::Key_Delete);
    EXPECT_EQ(r.sentLines(), ".netmsg From NCS- STN2 checked out   $^ \r");
    ASSERT_EQ(checkins->count(), 1);

    // Hints.
    ConsolesRig::hover(r.control<QPushButton>(frmNCS::cmdSend));
    EXPECT_EQ(r.control<QPlainTextEdit>(frmNCS::txtHelp)->toPlainText(),
              QStringLiteral("Click to send the list of checkins to all stations"));

    // Closing with the net active asks; No keeps the window and its lists.
    window->close();
    ASSERT_EQ(r.rig.boxes.waiting.size(), 1u);
    r.rig.boxes.answer(MessageBoxes::Answer::No);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(checkins->count(), 1);
    window->close();
    r.rig.boxes.answer(MessageBoxes::Answer::Yes);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(r.net.control.isOpen());
    ASSERT_NE(r.consoles->memberWindow(), nullptr);
    EXPECT_TRUE(r.consoles->memberWindow()->isVisible());
}

TEST(NetConsoles, CloseNetClosesTheConsoleWithoutAsking) {
    ConsolesRig r;
    r.becomeControl();
    QPointer<NetControlWindow> window = r.consoles->controlWindow();
    QTest::mouseClick(r.control<QPushButton>(frmNCS::Command1), Qt::LeftButton);
    EXPECT_TRUE(r.rig.boxes.shown.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(r.sentLines(), ".netclosed $^ \r");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    // Opened again: a new window with empty lists.
    r.s.NetOperation = "1";
    r.net.control.open();
    ASSERT_NE(r.consoles->controlWindow(), nullptr);
    EXPECT_EQ(r.control<QListWidget>(frmNCS::List2)->count(), 0);
}

TEST(NetConsoles, MemberConsoleSendsAndShowsItsStatusUntilTheMouseMoves) {
    ConsolesRig r;
    r.s.InfoNet2Msg = "";
    r.net.member.open();
    NetMemberWindow* window = r.consoles->memberWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Info for  NCS"));
    expectReachable(window, frmInfoNet::all);
    EXPECT_EQ(shownCaption(r.member<QPushButton>(frmInfoNet::cmdInfoNet1)->text()),
              QStringLiteral("ON FREQ"));

    QTest::mouseClick(r.member<QPushButton>(frmInfoNet::cmdCkIn), Qt::LeftButton);
    QLabel* help = r.member<QLabel>(frmInfoNet::lblHelp);
    EXPECT_EQ(help->text(), QStringLiteral("Check in message sent"));
    EXPECT_EQ(r.sentLines(), "  .ckinW1XYZ  $^ \r");
    ConsolesRig::hover(r.member<QPushButton>(frmInfoNet::cmdInfoNet2));
    EXPECT_EQ(help->text(), QString());
    ConsolesRig::hover(r.member<QPushButton>(frmInfoNet::cmdRTSE));
    EXPECT_EQ(help->text(), QStringLiteral("Click to send message to Net Control"));

    QTest::mouseClick(r.member<QPushButton>(frmInfoNet::cmdInfoNet2), Qt::LeftButton);
    QLineEdit* message = r.member<QLineEdit>(frmInfoNet::txtInfoMsg);
    message->setFocus();
    QTest::keyClicks(message, "hello there");
    QTest::keyClick(message, Qt::Key_Enter);
    EXPECT_EQ(message->text(), QString());
    EXPECT_EQ(r.sentLines(), "  .netmsg From W1XYZ- HELLO THERE  $^ \r");

    // A remote close takes the console away.
    r.s.RemoteOperation = 1;
    r.net.reception.processNCS(".netclosed $");
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(r.net.member.isOpen());
}

} // namespace
} // namespace tolvex
