// The small parts every window shares.
#include "ui/WindowParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

// An operator's text on a button is shown as typed and takes a letter no other element has.
TEST(WindowParts, OperatorCaptionsShowTheirAmpersandAndTakeAFreeLetter) {
    struct Case {
        const char* text;
        const char* caption; // with "&Help" and "&Send" taken in the window
    };
    const Case cases[] = {
        {"CALL & TRAFFIC", "&CALL && TRAFFIC"}, // a word's first letter
        {"SEND HELP NOW", "SEND HELP &NOW"},    // the first word whose letter is free
        {"SEND HELP", "S&END HELP"},            // else the first free letter
        {"HS", "HS"},                           // none free: none
        {"", ""},
        {"&&", "&&&&"},
    };
    for (const Case& c : cases) {
        QWidget window;
        (new QPushButton(QStringLiteral("&Help"), &window))->setObjectName(QStringLiteral("a"));
        (new QPushButton(QStringLiteral("&Send"), &window))->setObjectName(QStringLiteral("b"));
        auto* button = new QPushButton(&window);
        setOperatorCaption(*button, QString::fromLatin1(c.text));
        EXPECT_EQ(button->text(), QString::fromLatin1(c.caption)) << c.text;
        EXPECT_EQ(shownCaption(button->text()), QString::fromLatin1(c.text)) << c.text;
    }
    // A label that leads to a field, and the items of a menu, hold their letters too.
    QWidget window;
    auto* note = new QLabel(QStringLiteral("&Note:"), &window);
    note->setBuddy(new QLineEdit(&window));
    (new QMenuBar(&window))->addMenu(QStringLiteral("&Edit"))->addAction(QStringLiteral("&Copy"));
    auto* button = new QPushButton(&window);
    setOperatorCaption(*button, QStringLiteral("NEW COPY EDIT"));
    EXPECT_EQ(button->text(), QStringLiteral("NE&W COPY EDIT"));
}

// Opening a window again brings back the one on screen, without a warning on a headless display;
// a closed one waiting for its deletion is not brought back, a new one is opened.
TEST(WindowParts, BringToFrontOnlyAWindowStillOnScreen) {
    EXPECT_FALSE(bringToFront(nullptr));
    QWidget hidden;
    EXPECT_FALSE(bringToFront(&hidden));

    QPointer<QWidget> window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->showMinimized();
    EXPECT_TRUE(bringToFront(window));
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    window->close();
    ASSERT_TRUE(window); // deleted later
    EXPECT_FALSE(bringToFront(window));
    delete window.data();
}

} // namespace
