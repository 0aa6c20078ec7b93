#include "ui/MainWindow.h"
#include "ui/Controls.h"
#include "ui/WindowParts.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace tolvex;

namespace {

// A caption as the operator reads it (a mnemonic's "&" only underlines its letter).
QString captionOf(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) return shownCaption(l->text());
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return shownCaption(b->text());
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

void sendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(w, &release);
}

struct Shown {
    explicit Shown(QWidget& w) : widget(w) {
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    ~Shown() { widget.hide(); }
    QWidget& widget;
};

} // namespace

TEST(MainWindow, ElementsCarryTheirNamesCaptionsAndStartingVisibility) {
    MainWindow w;
    EXPECT_EQ(w.windowTitle(), "Tolvex");
    struct Case {
        const char* name;
        const char* caption; // nullptr: no caption to check
        bool shown;
    };
    const std::vector<Case> cases = {
        {"lblBar1", "", true},
        {"Frame2", "Compose New Messages", true},
        {"cmdCompose", "Formal", true},
        {"cmdScratch", "Scratchpad", true},
        {"cmdGroup", "Broadcast", true},
        {"Label3", "", false},
        {"cmdLocalBBS", "Connect to  Local BBS", true},
        {"cmdViewRcv", "Monitor  Receive", false},
        {"cmdDisc", "Disconnect", false},
        {"lblConn", "", true},
        {"cmdLog", "View Log", true},
        {"lblDest", "", false},
        {"cmdDest", "Select Destination", true},
        {"Frame1", "", false}, // shown while a message is pending
        {"cmdSend", "Send Message", true},
        {"cmdEdit", "Edit Message", true},
        {"cmdErase", "Erase Message", true},
        {"lblNet", "CONTROLLED  NET  OPERATION", false},
        {"txtNet", nullptr, false},
        {"shpNct", nullptr, true},
        {"lblNct", "New: ", true},
        {"Frame3", "", true},
        {"Label2", "Received Messages", true},
        {"rtbRcvd", nullptr, true},
        {"shpRM", nullptr, true},
        {"lblRCount_0", "New:", true},
        {"lblRCount_1", "---", true},
        {"cmdPS", "Print selected", true},
        {"cmdClear", "Clear", true},
        {"frSave", "Enter Subject for saved Text", false},
        {"txtSave", nullptr, true},
        {"Label1", "Channel Monitor", true},
        {"Label5", "Local BBS", false},
        {"tbMon", nullptr, true},
        {"tbLocal", nullptr, false},
        {"lblBBS", "", false},
        {"Command1", "Clear", true},
        {"cmdPrintCM", "Print selected", true},
        {"cmdSaveCM", "Save Selected", true},
        {"rtbPrinter", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* widget = w.findChild<QWidget*>(QLatin1String(c.name));
        ASSERT_NE(widget, nullptr);
        if (c.caption) {
            EXPECT_EQ(captionOf(widget), QString::fromLatin1(c.caption));
        }
        EXPECT_EQ(w.view().isVisible(MainElement{c.name}), c.shown);
    }
    EXPECT_NE(w.findChild<QPlainTextEdit*>("tbMon"), nullptr);
    EXPECT_NE(w.findChild<QPlainTextEdit*>("tbLocal"), nullptr);
    EXPECT_NE(w.findChild<QTextEdit*>("rtbRcvd"), nullptr);
    EXPECT_NE(w.findChild<QTextEdit*>("rtbPrinter"), nullptr);
    // The three buttons of the connect place share one place.
    const QRect place = w.findChild<QWidget*>("cmdLocalBBS")->geometry();
    EXPECT_EQ(w.findChild<QWidget*>("cmdViewRcv")->geometry(), place);
    EXPECT_EQ(w.findChild<QWidget*>("cmdDisc")->geometry(), place);
}

TEST(MainWindow, ViewSetsTextVisibilityAndFocusByName) {
    MainWindow w;
    Shown shown(w);
    MainView& view = w.view();
    view.setText(frmMain::lblConn, "Connected");
    view.setText(frmMain::lblRCount_1, "3");
    view.setText(frmMain::txtSave, "subj\xe9");
    view.setText(frmMain::txtNet, "line one\r\nline two");
    EXPECT_EQ(w.findChild<QLabel*>("lblConn")->text(), "Connected");
    EXPECT_EQ(w.findChild<QLabel*>("lblRCount_1")->text(), "3");
    EXPECT_EQ(w.findChild<QLineEdit*>("txtSave")->text(), QString::fromLatin1("subj\xe9"));
    EXPECT_TRUE(w.findChild<QPlainTextEdit*>("txtNet")->toPlainText().endsWith("line two"));

    view.setVisible(frmMain::tbMon, false);
    view.setVisible(frmMain::tbLocal, true);
    EXPECT_FALSE(view.isVisible(frmMain::tbMon));
    EXPECT_TRUE(view.isVisible(frmMain::tbLocal));
    view.setFocus(frmMain::tbLocal);
    EXPECT_EQ(QApplication::focusWidget(), w.findChild<QWidget*>("tbLocal"));
}

TEST(MainWindow, LayoutFollowsTheScreenHeight) {
    struct Case {
        QSize screen;
        qreal dpi;
        bool shortLayout;
        bool large;
    };
    const std::vector<Case> cases = {
        {{640, 480}, 96, true, false},    // exactly 7200 twips
        {{640, 481}, 96, false, false},   // one pixel more is tall
        {{800, 600}, 96, false, false},   // 9000 twips
        {{1024, 768}, 96, false, true},   // 11520 twips
        {{1024, 733}, 96, false, false},  // 10995 twips: not above 11000
        {{960, 720}, 144, true, false},   // 7200 twips at another density
        {{1280, 1024}, 120, false, true}, // 12288 twips
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen.width() << "x" << c.screen.height() << " @" << c.dpi);
        MainWindow w;
        w.useScreen(c.screen, c.dpi);
        const MainLayout& l = w.layout();
        EXPECT_EQ(l.shortLayout, c.shortLayout);
        EXPECT_EQ(w.largePaneFont(), c.large);
        EXPECT_EQ(l.windowHeight, c.shortLayout ? 7185 : 9045);

        const int paneTop = c.shortLayout ? 4300 : 5040;
        const int paneHeight = c.shortLayout ? 1900 : 3135;
        for (const char* pane : {"tbMon", "tbLocal"}) {
            const QRect r = w.findChild<QWidget*>(pane)->geometry();
            EXPECT_EQ(r.top(), twipsToPx(paneTop, c.dpi)) << pane;
            EXPECT_EQ(r.height(), twipsToPx(paneHeight, c.dpi)) << pane;
            EXPECT_EQ(r.left(), twipsToPx(1080, c.dpi)) << pane;
        }
        EXPECT_EQ(w.findChild<QWidget*>("rtbRcvd")->height(), twipsToPx(c.shortLayout ? 1875 : 2535, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("Frame3")->height(), twipsToPx(c.shortLayout ? 2205 : 2960, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("lblBBS")->y(), twipsToPx(c.shortLayout ? 3480 : 4920, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("Label1")->y(), twipsToPx(c.shortLayout ? 4300 : 5090, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("Command1")->y(), twipsToPx(c.shortLayout ? 4750 : 5640, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("cmdPrintCM")->y(), twipsToPx(c.shortLayout ? 5180 : 6120, c.dpi));
        EXPECT_EQ(w.findChild<QWidget*>("cmdSaveCM")->y(), twipsToPx(c.shortLayout ? 5700 : 6720, c.dpi));

        // The received-message counter stays inside its frame.
        for (const char* name : {"shpRM", "lblRCount_0", "lblRCount_1"})
            EXPECT_LE(w.findChild<QWidget*>(name)->geometry().bottom(),
                      w.findChild<QWidget*>("Frame3")->height())
                << name;

        const qreal points = c.large ? 12 : 9.75;
        for (const char* pane : {"tbMon", "tbLocal", "rtbRcvd"})
            EXPECT_EQ(w.findChild<QWidget*>(pane)->font().pointSizeF(), points) << pane;

        // Every element fits above the bottom of the window.
        const int clientBottom = w.height() - w.menuBar()->sizeHint().height();
        for (const char* name : {"tbMon", "cmdSaveCM", "cmdPrintCM"}) {
            if (c.shortLayout || qstrcmp(name, "tbMon") == 0) {
                EXPECT_LE(w.findChild<QWidget*>(name)->geometry().bottom(), clientBottom) << name;
            }
        }

        // Centred, never off the top or left of the screen.
        const QRect frame = w.frameGeometry();
        EXPECT_EQ(frame.left(), std::max(0, (c.screen.width() - frame.width()) / 2));
        EXPECT_EQ(frame.top(), std::max(0, (c.screen.height() - frame.height()) / 2));
    }
}

TEST(MainWindow, TallLayoutLeavesSaveSelectedWhereTheShortOnePutIt) {
    MainWindow w;
    w.useScreen({640, 480}, 96);
    w.useScreen({800, 600}, 96);
    EXPECT_EQ(w.findChild<QWidget*>("cmdSaveCM")->y(), twipsToPx(5700, 96));
    EXPECT_EQ(w.findChild<QWidget*>("tbMon")->y(), twipsToPx(5040, 96));
}

// Where a placed element is, in the client area's coordinates.
QRect placeOf(const MainWindow& w, const char* name) {
    const auto* widget = w.findChild<QWidget*>(QLatin1String(name));
    const auto* client = w.findChild<QWidget*>("frmMainClient");
    return QRect(widget->mapTo(client, QPoint(0, 0)), widget->size());
}

TEST(MainWindow, GrowingGivesThePanesTheRoomAndKeepsButtonsAtTheirEdges) {
    struct Case {
        const char* what;
        QSize screen;
        QSize extra;       // beyond the default size
        bool maximise;     // through the window state instead
        double share = -1; // the received messages' part of the extra height; -1: as it starts
    };
    const std::vector<Case> cases = {
        {"default, tall", {1024, 768}, {0, 0}, false},
        {"default, short", {640, 480}, {0, 0}, false},
        {"wider and taller", {1600, 1200}, {400, 300}, false},
        {"short layout grown", {640, 480}, {150, 90}, false},
        {"1920 by 1080", {1920, 1080}, {1920 - 706, 1080 - 600}, false},
        {"all extra height to the received messages", {1600, 1200}, {0, 300}, false, 1.0},
        {"all extra height to the monitor", {1600, 1200}, {200, 300}, false, 0.0},
        {"maximised", {800, 600}, {}, true},
    };
    // The buttons of the top band and beside the panes, and what they keep.
    const char* topLeft[] = {"cmdCompose", "cmdScratch", "cmdGroup", "cmdLocalBBS", "cmdLog",
                             "cmdDest",    "lblConn",    "lblNct",   "cmdClear",    "cmdPS"};
    const char* besideMonitor[] = {"Label1", "Command1", "cmdPrintCM", "cmdSaveCM"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow w;
        w.useScreen(c.screen, 96);
        Shown shown(w);
        const QSize defaultSize = w.defaultSize();
        ASSERT_EQ(w.size(), defaultSize);
        const auto* client = w.findChild<QWidget*>("frmMainClient");
        const int menu = w.menuBar()->sizeHint().height();
        auto clientSize = [&] { return w.size() - QSize(0, menu); };
        const QSize clientAtDefault = clientSize();

        std::map<std::string, QRect> before;
        QList<QWidget*> placed;
        for (QWidget* child : client->findChildren<QWidget*>()) {
            if (child->objectName().isEmpty() || child->objectName().startsWith("qt_") ||
                child->objectName() == "paneSplit")
                continue;
            if (child->parentWidget() != client && !qobject_cast<QGroupBox*>(child->parentWidget())) continue;
            placed << child;
            before[child->objectName().toStdString()] = placeOf(w, qPrintable(child->objectName()));
        }
        ASSERT_GT(placed.size(), 35);

        if (c.share >= 0) w.setReceivedShare(c.share);
        if (c.maximise) {
            w.setWindowState(Qt::WindowMaximized);
        } else {
            w.resize(defaultSize + c.extra);
        }
        QCoreApplication::processEvents();
        ASSERT_GE(w.width(), defaultSize.width());
        ASSERT_GE(w.height(), defaultSize.height());
        const QSize grown = clientSize() - clientAtDefault;
        if (!c.maximise) {
            EXPECT_EQ(grown, c.extra);
        }

        for (const char* name : topLeft)
            EXPECT_EQ(placeOf(w, name), before[name]) << name;
        // The message buttons keep their distance to the right edge.
        EXPECT_EQ(placeOf(w, "Frame1"), before["Frame1"].translated(grown.width(), 0));
        // The panes take the whole extra width and, between them, the whole extra height; the
        // monitor keeps its distance to the bottom, and by default takes the larger part.
        const QRect mon = placeOf(w, "tbMon"), rcvd = placeOf(w, "rtbRcvd");
        EXPECT_EQ(mon.width() - before["tbMon"].width(), grown.width());
        EXPECT_EQ(rcvd.width() - before["rtbRcvd"].width(), grown.width());
        const int monGrew = mon.height() - before["tbMon"].height();
        const int rcvdGrew = rcvd.height() - before["rtbRcvd"].height();
        EXPECT_EQ(monGrew + rcvdGrew, grown.height());
        EXPECT_EQ(clientSize().height() - mon.bottom(), clientAtDefault.height() - before["tbMon"].bottom());
        if (c.share < 0) {
            EXPECT_GE(monGrew, rcvdGrew);
        } else {
            EXPECT_EQ(rcvdGrew, qRound(grown.height() * c.share));
        }
        EXPECT_EQ(placeOf(w, "tbLocal"), mon);
        for (const char* name : besideMonitor)
            EXPECT_EQ(placeOf(w, name).topLeft() - mon.topLeft(),
                      before[name].topLeft() - before["tbMon"].topLeft())
                << name;

        // Nothing leaves the window or its frame, and elements apart at the default size stay apart.
        for (QWidget* a : placed) {
            const std::string an = a->objectName().toStdString();
            const QRect room =
                a->parentWidget() == client ? QRect(QPoint(), clientSize()) : a->parentWidget()->rect();
            // (rtbRcvd runs two pixels into its frame's border in the short layout, by design, and
            // rtbPrinter, never shown, lies below its bottom.)
            if (an != "rtbPrinter" && !(an == "rtbRcvd" && c.screen.height() == 480)) {
                EXPECT_TRUE(room.contains(a->geometry())) << an;
            }
            for (QWidget* b : placed) {
                if (a >= b || a->parentWidget() != b->parentWidget()) continue;
                const std::string bn = b->objectName().toStdString();
                if (!before[an].intersects(before[bn])) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry())) << an << " and " << bn;
                }
            }
        }
    }
}

TEST(MainWindow, NeverSmallerThanItsDefaultAndTheSplitFollowsTheHandle) {
    MainWindow w;
    w.useScreen({1600, 1200}, 96);
    Shown shown(w);
    const QSize defaultSize = w.defaultSize();
    w.resize(defaultSize - QSize(100, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), defaultSize);
    auto* handle = w.findChild<QWidget*>("paneSplit");
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(handle->isVisible()); // no extra height to share

    w.resize(defaultSize + QSize(0, 300));
    QCoreApplication::processEvents();
    ASSERT_TRUE(handle->isVisible());
    const QRect frame3 = placeOf(w, "Frame3"), mon = placeOf(w, "tbMon");
    EXPECT_LE(handle->geometry().top(), frame3.bottom() + 1); // it covers the gap between them
    EXPECT_GE(handle->geometry().bottom(), mon.top() - 1);
    const int rcvdHeight = placeOf(w, "rtbRcvd").height();
    struct Drag {
        int dy;
        int rcvdGrows; // from where it was
    };
    const int atStart = w.growth().dyReceived;
    for (const Drag d : {Drag{50, 50}, Drag{-30, -30}, Drag{1000, 300 - atStart}, Drag{-1000, -atStart}}) {
        SCOPED_TRACE(d.dy);
        const QPoint at = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(0, d.dy)),
                         handle->mapToGlobal(QPointF(at + QPoint(0, d.dy))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at + QPoint(0, d.dy));
        EXPECT_EQ(placeOf(w, "rtbRcvd").height(), rcvdHeight + d.rcvdGrows);
        EXPECT_EQ(placeOf(w, "tbMon").bottom(), mon.bottom()); // the monitor keeps the bottom
        w.setReceivedShare(double(atStart) / 300);
    }

    // What is kept for the next run, and a window put back from it.
    w.setReceivedShare(0.75);
    w.move(40, 30);
    QCoreApplication::processEvents();
    const WindowPlacement kept = w.placement();
    EXPECT_EQ(kept.normal, w.geometry());
    EXPECT_FALSE(kept.maximised);
    EXPECT_EQ(kept.receivedShare, 0.75);
    MainWindow again;
    again.useScreen({1600, 1200}, 96);
    again.restorePlacement(kept);
    EXPECT_EQ(again.geometry(), kept.normal);
    EXPECT_EQ(again.receivedShare(), 0.75);
    EXPECT_EQ(again.placement(), kept); // kept again as it came, maximised or not
    again.restorePlacement({QRect(50, 60, 900, 700), true, 0.5});
    EXPECT_EQ(again.placement(), (WindowPlacement{QRect(50, 60, 900, 700), true, 0.5}));
    // An area smaller than the default is made the default size, where it was.
    again.restorePlacement({QRect(10, 20, 300, 200), false, 0.5});
    EXPECT_EQ(again.geometry(), QRect(QPoint(10, 20), defaultSize));
}

TEST(MainWindow, MenusInOrderWithTheirItems) {
    MainWindow w;
    struct Menu {
        const char* name;
        const char* title;
        std::vector<std::pair<const char*, const char*>> items;
    };
    const std::vector<Menu> menus = {
        {"mnuFIle", "&File", {{"mnuExit", "&Exit"}}},
        {"mnuSetup",
         "Setup",
         {{"mnuTNC", "TNC Parameters"}, {"mnuPref", "Operating Preferences"}, {"mnuNode", "Node Responses"}}},
        {"mnuEdit", "Edit", {{"mnuCopy", "Copy"}, {"mnuPaste", "Paste"}, {"mnuCut", "Cut"}}},
        {"mnuHelpx", "Help", {{"mnuAbout", "About Tolvex"}, {"mnuHelp", "Help"}}},
    };
    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), qsizetype(menus.size()));
    for (std::size_t i = 0; i < menus.size(); ++i) {
        QMenu* menu = bar[qsizetype(i)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menus[i].name);
        EXPECT_EQ(shownCaption(menu->title()), shownCaption(menus[i].title));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(menus[i].items.size()));
        for (qsizetype j = 0; j < items.size(); ++j) {
            EXPECT_EQ(items[j]->objectName(), menus[i].items[std::size_t(j)].first);
            EXPECT_EQ(shownCaption(items[j]->text()), shownCaption(menus[i].items[std::size_t(j)].second));
        }
    }
    EXPECT_EQ(w.findChild<QAction*>("mnuHelp")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST(MainWindow, EveryButtonAndMenuItemHasItsOwnMnemonicAndTheTabOrderFollowsTheLayout) {
    MainWindow w;
    // Everything that can show at once: a pending message, a net, a subject being asked for.
    for (MainElement e : {frmMain::Frame1, frmMain::lblNet, frmMain::txtNet, frmMain::frSave})
        w.view().setVisible(e, true);
    Shown shown(w);

    // The window's Alt letters: the menu titles and every button. The three buttons of the connect
    // place show one at a time and share theirs.
    const QStringList connectPlace = {"cmdLocalBBS", "cmdViewRcv", "cmdDisc"};
    std::map<QChar, QStringList> byLetter;
    auto letterOf = [](const QString& caption) {
        const QKeySequence m = QKeySequence::mnemonic(caption);
        return m.isEmpty() ? QChar() : QChar(m[0].key()).toUpper();
    };
    for (QAction* title : w.menuBar()->actions())
        byLetter[letterOf(title->text())] << title->menu()->objectName();
    QList<QAbstractButton*> buttons = w.findChildren<QAbstractButton*>();
    buttons.removeIf(
        [](QAbstractButton* b) { return b->objectName().startsWith("qt_"); }); // the menu bar's own
    ASSERT_EQ(buttons.size(), 16);
    for (QAbstractButton* b : buttons) {
        EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus) << b->objectName().toStdString();
        byLetter[letterOf(b->text())] << b->objectName();
    }
    EXPECT_EQ(byLetter.count(QChar()), 0u) << byLetter[QChar()].join(' ').toStdString();
    for (const auto& [letter, names] : byLetter) {
        if (names.size() == 1) continue;
        for (const QString& name : names)
            EXPECT_TRUE(connectPlace.contains(name))
                << "Alt+" << QString(letter).toStdString() << ": " << names.join(' ').toStdString();
    }
    // In each menu, the letter alone.
    for (QAction* title : w.menuBar()->actions()) {
        QSet<QChar> letters;
        for (QAction* item : title->menu()->actions()) {
            const QChar letter = letterOf(item->text());
            EXPECT_FALSE(letter.isNull()) << item->objectName().toStdString();
            EXPECT_FALSE(letters.contains(letter)) << item->objectName().toStdString();
            letters << letter;
        }
    }

    // Alt and the letter press the button, whichever of the connect place shows.
    struct Press {
        Qt::Key key;
        void (MainWindow::*signal)();
        MainElement shownInConnectPlace;
    };
    for (const Press& p : {Press{Qt::Key_O, &MainWindow::cmdComposeClicked, frmMain::cmdLocalBBS},
                           Press{Qt::Key_M, &MainWindow::cmdSendClicked, frmMain::cmdLocalBBS},
                           Press{Qt::Key_L, &MainWindow::command1Clicked, frmMain::cmdLocalBBS},
                           Press{Qt::Key_N, &MainWindow::cmdLocalBBSClicked, frmMain::cmdLocalBBS},
                           Press{Qt::Key_N, &MainWindow::cmdDiscClicked, frmMain::cmdDisc},
                           Press{Qt::Key_N, &MainWindow::cmdViewRcvClicked, frmMain::cmdViewRcv}}) {
        SCOPED_TRACE(p.shownInConnectPlace.name);
        for (MainElement e : {frmMain::cmdLocalBBS, frmMain::cmdViewRcv, frmMain::cmdDisc})
            w.view().setVisible(e, e == p.shownInConnectPlace);
        QSignalSpy spy(&w, p.signal);
        QTest::keyClick(&w, p.key, Qt::AltModifier);
        // A mnemonic presses its button as a click would show, released a moment later.
        EXPECT_TRUE(spy.count() == 1 || spy.wait(5000)) << QKeySequence(p.key).toString().toStdString();
        EXPECT_EQ(spy.count(), 1);
    }
    for (MainElement e : {frmMain::cmdLocalBBS, frmMain::cmdViewRcv, frmMain::cmdDisc})
        w.view().setVisible(e, e == frmMain::cmdLocalBBS);

    // The focus chain: the top band left to right, the net line, then each lower area's buttons
    // before its pane; every element the keyboard can reach is in it once.
    const QStringList expected = {
        "cmdCompose",  "cmdScratch", "cmdGroup", "cmdLocalBBS", "cmdLog",     "cmdDest",   "cmdSend",
        "cmdEdit",     "cmdErase",   "lblNct",   "txtNet",      "cmdClear",   "cmdPS",     "lblRCount_0",
        "lblRCount_1", "rtbRcvd",    "txtSave",  "Command1",    "cmdPrintCM", "cmdSaveCM", "tbMon"};
    QStringList reachable;
    for (QWidget* child : w.findChildren<QWidget*>())
        if (!child->objectName().isEmpty() && !child->objectName().startsWith("qt_") && child->isVisible() &&
            (child->focusPolicy() & Qt::TabFocus))
            reachable << child->objectName();
    QStringList chain;
    QWidget* first = w.findChild<QWidget*>("cmdCompose");
    for (QWidget* at = first; chain.size() < 100; at = at->nextInFocusChain()) {
        if (at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus) &&
            reachable.contains(at->objectName()))
            chain << at->objectName();
        if (at->nextInFocusChain() == first) break;
    }
    EXPECT_EQ(chain, expected);
    reachable.sort();
    QStringList sortedChain = chain;
    sortedChain.sort();
    EXPECT_EQ(sortedChain, reachable);
}

TEST(MainWindow, ClicksAndMenuItemsBecomeSignals) {
    MainWindow w;
    using Signal = void (MainWindow::*)();
    struct Case {
        const char* name;
        Signal signal;
    };
    const std::vector<Case> cases = {
        {"cmdLocalBBS", &MainWindow::cmdLocalBBSClicked}, {"cmdViewRcv", &MainWindow::cmdViewRcvClicked},
        {"cmdDisc", &MainWindow::cmdDiscClicked},         {"cmdDest", &MainWindow::cmdDestClicked},
        {"cmdLog", &MainWindow::cmdLogClicked},           {"cmdGroup", &MainWindow::cmdGroupClicked},
        {"cmdCompose", &MainWindow::cmdComposeClicked},   {"cmdScratch", &MainWindow::cmdScratchClicked},
        {"cmdSend", &MainWindow::cmdSendClicked},         {"cmdEdit", &MainWindow::cmdEditClicked},
        {"cmdErase", &MainWindow::cmdEraseClicked},       {"cmdPS", &MainWindow::cmdPSClicked},
        {"cmdClear", &MainWindow::cmdClearClicked},       {"Command1", &MainWindow::command1Clicked},
        {"cmdPrintCM", &MainWindow::cmdPrintCMClicked},   {"cmdSaveCM", &MainWindow::cmdSaveCMClicked},
        {"mnuExit", &MainWindow::exitRequested},          {"mnuTNC", &MainWindow::mnuTNCTriggered},
        {"mnuPref", &MainWindow::mnuPrefTriggered},       {"mnuNode", &MainWindow::mnuNodeTriggered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy spy(&w, c.signal);
        if (auto* button = w.findChild<QAbstractButton*>(QLatin1String(c.name)))
            button->click();
        else
            w.findChild<QAction*>(QLatin1String(c.name))->trigger();
        EXPECT_EQ(spy.count(), 1);
    }

    QSignalSpy help(&w, &MainWindow::helpRequested);
    w.findChild<QAction*>("mnuHelp")->trigger();
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), "GettingStarted.html");
}

TEST(MainWindow, F1AsksForTheGettingStartedPage) {
    MainWindow w;
    Shown shown(w);
    w.findChild<QWidget*>("tbMon")->setFocus();
    QSignalSpy help(&w, &MainWindow::helpRequested);
    QTest::keyClick(w.findChild<QWidget*>("tbMon"), Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), "GettingStarted.html");
}

TEST(MainWindow, ClosingTheWindowAsksTheLogicToExit) {
    MainWindow w;
    Shown shown(w);
    QSignalSpy exit(&w, &MainWindow::exitRequested);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.QMainWindow::isVisible());
    EXPECT_EQ(exit.count(), 1);
}

TEST(MainWindow, AboutBoxShowsReleaseAndClosesWithOk) {
    MainWindow w;
    w.findChild<QAction*>("mnuAbout")->trigger();
    auto* about = w.findChild<QDialog*>("frmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Tolvex");
    EXPECT_TRUE(about->isVisible());
    QStringList texts;
    for (auto* l : about->findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains("Tolvex  release  2.1"));
    EXPECT_TRUE(texts.contains("February 2004"));
    auto* ok = about->findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(shownCaption(ok->text()), "OK");
    ok->click();
    EXPECT_FALSE(about->isVisible());
}

TEST(MainWindow, EditMenuWorksOnTheFocusedSelection) {
    MainWindow w;
    Shown shown(w);
    w.view().setVisible(frmMain::frSave, true);
    auto select = [](QWidget* widget) {
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            line->setText("hello world");
            line->setSelection(6, 5);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
            plain->setPlainText("hello world");
            QTextCursor c = plain->textCursor();
            c.setPosition(6);
            c.setPosition(11, QTextCursor::KeepAnchor);
            plain->setTextCursor(c);
        } else if (auto* rich = qobject_cast<QTextEdit*>(widget)) {
            rich->setPlainText("hello world");
            QTextCursor c = rich->textCursor();
            c.setPosition(6);
            c.setPosition(11, QTextCursor::KeepAnchor);
            rich->setTextCursor(c);
        }
    };
    auto textOf = [](QWidget* widget) {
        if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
        if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) return plain->toPlainText();
        return qobject_cast<QTextEdit*>(widget)->toPlainText();
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const char* name : {"tbMon", "rtbRcvd", "txtSave"}) {
        SCOPED_TRACE(name);
        QWidget* widget = w.findChild<QWidget*>(QLatin1String(name));
        widget->setFocus();
        ASSERT_EQ(w.focusWidget(), widget);

        select(widget);
        clipboard->setText("before");
        w.findChild<QAction*>("mnuCopy")->trigger();
        EXPECT_EQ(clipboard->text(), "world");

        select(widget);
        clipboard->setText("before");
        w.findChild<QAction*>("mnuCut")->trigger();
        EXPECT_EQ(textOf(widget), "hello ");
        EXPECT_EQ(clipboard->text(), "before"); // Cut leaves the clipboard alone

        w.findChild<QAction*>("mnuPaste")->trigger();
        EXPECT_EQ(textOf(widget), "hello before");

        select(widget);
        w.findChild<QAction*>("mnuPaste")->trigger();
        EXPECT_EQ(textOf(widget), "hello before");
    }

    // On a button there is no text: nothing happens.
    w.findChild<QWidget*>("cmdSend")->setFocus();
    clipboard->setText("kept");
    w.findChild<QAction*>("mnuCopy")->trigger();
    w.findChild<QAction*>("mnuCut")->trigger();
    EXPECT_EQ(clipboard->text(), "kept");
}

TEST(MainWindow, KeysInThePanesGoToTheHookAsCharacterCodes) {
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        int code; // -1: not sent
    };
    const std::vector<Case> cases = {
        {"letter", Qt::Key_A, Qt::NoModifier, "a", 'a'},
        {"capital", Qt::Key_A, Qt::ShiftModifier, "A", 'A'},
        {"digit", Qt::Key_7, Qt::NoModifier, "7", '7'},
        {"Latin-1 letter", Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xe9)), 0xe9},
        {"Enter", Qt::Key_Return, Qt::NoModifier, "\r", 13},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", 27},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "\t", 9},
        {"Ctrl-C", Qt::Key_C, Qt::ControlModifier, "\x03", 3},
        {"Ctrl-X", Qt::Key_X, Qt::ControlModifier, "\x18", 24},
        {"Ctrl-V", Qt::Key_V, Qt::ControlModifier, "\x16", 22},
        {"Ctrl-Z", Qt::Key_Z, Qt::ControlModifier, "\x1a", 26},
        {"arrow", Qt::Key_Left, Qt::NoModifier, "", -1},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", -1},
        {"function key", Qt::Key_F5, Qt::NoModifier, "", -1},
        {"Alt letter", Qt::Key_X, Qt::AltModifier, "x", -1},
        {"beyond Latin-1", Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20ac)), -1},
    };
    for (const char* paneName : {"tbMon", "tbLocal"}) {
        MainWindow w;
        std::vector<std::pair<std::string, int>> pressed;
        int released = 0;
        w.paneKeyPress = [&](MainElement pane, int key) {
            pressed.emplace_back(pane.name, key);
            return false;
        };
        w.paneKeyUp = [&](MainElement) { ++released; };
        auto* pane = w.findChild<QPlainTextEdit*>(QLatin1String(paneName));
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << paneName << ": " << c.what);
            pressed.clear();
            sendKey(pane, c.key, c.mods, c.text);
            if (c.code < 0) {
                EXPECT_TRUE(pressed.empty());
            } else {
                ASSERT_EQ(pressed.size(), 1u);
                EXPECT_EQ(pressed[0].first, paneName);
                EXPECT_EQ(pressed[0].second, c.code);
            }
            EXPECT_EQ(pane->toPlainText(), ""); // swallowed keys leave the pane alone
        }
        EXPECT_EQ(released, int(cases.size()));
    }
}

TEST(MainWindow, AKeptKeyIsShownAndEditingShortcutsDoNothing) {
    MainWindow w;
    w.paneKeyPress = [](MainElement, int) { return true; };
    auto* pane = w.findChild<QPlainTextEdit*>("tbMon");
    w.view().appendToPane(frmMain::tbMon, "cmd:");
    w.flushPanes();
    QGuiApplication::clipboard()->setText("PASTED");
    sendKey(pane, Qt::Key_A, Qt::NoModifier, "a");
    sendKey(pane, Qt::Key_B, Qt::NoModifier, "b");
    sendKey(pane, Qt::Key_Backspace, Qt::NoModifier, "\b");
    sendKey(pane, Qt::Key_V, Qt::ControlModifier, "\x16");
    sendKey(pane, Qt::Key_Z, Qt::ControlModifier, "\x1a");
    sendKey(pane, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_EQ(pane->toPlainText(), "cmd:a\n");
    sendKey(pane, Qt::Key_Home, Qt::ControlModifier);
    sendKey(pane, Qt::Key_X, Qt::ControlModifier, "\x18");
    EXPECT_EQ(pane->toPlainText(), "cmd:a\n");
    EXPECT_EQ(pane->textCursor().position(), 0); // caret movement stays local
}

TEST(MainWindow, TypingIntoReceivedMessagesGoesNowhere) {
    MainWindow w;
    int calls = 0;
    w.rcvdKeyPress = [&] { ++calls; };
    auto* rcvd = w.findChild<QTextEdit*>("rtbRcvd");
    rcvd->setPlainText("message");
    for (auto [key, text] : {std::pair{int(Qt::Key_X), QString("x")},
                             {int(Qt::Key_Return), QString("\r")},
                             {int(Qt::Key_Backspace), QString("\b")},
                             {int(Qt::Key_V), QString("\x16")}})
        sendKey(rcvd, key, key == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier, text);
    sendKey(rcvd, Qt::Key_Delete, Qt::NoModifier, "\x7f");
    sendKey(rcvd, Qt::Key_Left);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(rcvd->toPlainText(), "message");
}

TEST(MainWindow, PaneTextIsBatchedIntoOneUpdatePerFrame) {
    MainWindow w;
    auto* pane = w.findChild<QPlainTextEdit*>("tbMon");
    int changes = 0;
    QObject::connect(pane->document(), &QTextDocument::contentsChange, pane, [&] { ++changes; });
    for (int i = 0; i < 1000; ++i)
        w.view().appendToPane(frmMain::tbMon, "line\r\n");
    EXPECT_EQ(pane->toPlainText(), "");
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 5000);
    w.view().chopPane(frmMain::tbMon, 3);
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 4997);

    QTest::qWait(MainWindow::kFlushMs * 3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 4997);
    EXPECT_TRUE(pane->toPlainText().endsWith("line\nli"));
    EXPECT_EQ(pane->textCursor().position(), 4997); // caret at the end

    // Chopping past the pending text takes from the widget.
    w.view().appendToPane(frmMain::tbMon, "XY");
    w.view().chopPane(frmMain::tbMon, 4);
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 4995);
    QTest::qWait(MainWindow::kFlushMs * 3);
    EXPECT_TRUE(pane->toPlainText().endsWith("line\n"));
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 4995);
}

TEST(MainWindow, LineBreaksCountOnceWhateverTheirForm) {
    struct Case {
        std::vector<QByteArray> chunks;
        QString shown;
    };
    const std::vector<Case> cases = {
        {{"a\r\nb"}, "a\nb"},       {{"a\rb"}, "a\nb"},
        {{"a\nb"}, "a\nb"},         {{"a\r", "\nb"}, "a\nb"}, // CR LF split between two chunks
        {{"a\r", "\rb"}, "a\n\nb"}, {{"\xe9\xff"}, QString::fromLatin1("\xe9\xff")},
    };
    for (const Case& c : cases) {
        MainWindow w;
        for (const QByteArray& chunk : c.chunks)
            w.view().appendToPane(frmMain::tbLocal, chunk);
        const qsizetype before = w.view().paneLength(frmMain::tbLocal);
        w.flushPanes();
        EXPECT_EQ(w.findChild<QPlainTextEdit*>("tbLocal")->toPlainText(), c.shown);
        EXPECT_EQ(w.view().paneLength(frmMain::tbLocal), before);
        EXPECT_EQ(before, c.shown.size());
    }
}

TEST(MainWindow, TrimmingAndReplacingPaneText) {
    MainWindow w;
    QByteArray text;
    for (int i = 0; i < 15001; ++i)
        text += char('a' + i % 26);
    w.view().appendToPane(frmMain::tbMon, text);
    w.view().keepPaneTail(frmMain::tbMon, 8000);
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 8000);
    EXPECT_EQ(w.findChild<QPlainTextEdit*>("tbMon")->toPlainText(), QString::fromLatin1(text.right(8000)));
    w.view().keepPaneTail(frmMain::tbMon, 9000);
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 8000);

    w.view().appendToPane(frmMain::tbMon, "pending");
    w.view().setPaneText(frmMain::tbMon, "          INITIALIZING ...  PLEASE WAIT ");
    QCoreApplication::processEvents();
    EXPECT_EQ(w.findChild<QPlainTextEdit*>("tbMon")->toPlainText(),
              "          INITIALIZING ...  PLEASE WAIT ");
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 40);
    w.view().setPaneText(frmMain::tbMon, "");
    EXPECT_EQ(w.view().paneLength(frmMain::tbMon), 0);
}

TEST(MainWindow, MouseReleaseOnTheMonitorReportsItsSelection) {
    MainWindow w;
    Shown shown(w);
    auto* pane = w.findChild<QPlainTextEdit*>("tbMon");
    w.view().setPaneText(frmMain::tbMon, "abc def");
    QTextCursor c = pane->textCursor();
    c.setPosition(4);
    c.setPosition(7, QTextCursor::KeepAnchor);
    pane->setTextCursor(c);
    QSignalSpy up(&w, &MainWindow::tbMonMouseUp);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                        pane->viewport()->mapToGlobal(QPointF(2, 2)), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(pane->viewport(), &release);
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.at(0).at(0).toByteArray(), "def");
}

TEST(MainWindow, EveryControlHasAnAccessibleName) {
    MainWindow w;
    for (QWidget* widget : w.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << widget->objectName().toStdString();
    }
}

// Not a check: with TOLVEX_SCREENSHOT=path set, draws the window with sample text into that file.
TEST(MainWindow, Screenshot) {
    const QString path = qEnvironmentVariable("TOLVEX_SCREENSHOT");
    if (path.isEmpty()) GTEST_SKIP() << "set TOLVEX_SCREENSHOT to a file name to grab the window";
    MainWindow w;
    if (qEnvironmentVariableIsSet("TOLVEX_SCREENSHOT_NET")) {
        for (const MainElement e :
             {frmMain::lblNet, frmMain::txtNet, frmMain::Label3, frmMain::lblDest, frmMain::frSave})
            w.view().setVisible(e, true);
        w.view().setText(frmMain::txtNet, "N0CALL: check in");
    }
    if (qEnvironmentVariableIsSet("TOLVEX_SCREENSHOT_SHORT")) w.useScreen({640, 480}, 96);
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    w.view().setText(frmMain::lblConn, "Connected");
    w.view().appendToPane(frmMain::tbMon, "N0CALL>CQ: hello\r\nK1ABC>BEACON: test\r\ncmd:");
    QTest::qWait(200);
    EXPECT_TRUE(w.grab().save(path));
}
