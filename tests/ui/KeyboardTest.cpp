// Every window can be worked from the keyboard: each button, frame of options and menu item has a
// mnemonic of its own within the window, and Tab visits the buttons in reading order.
#include "support/StationRig.h"
#include "ui/AboutBox.h"
#include "ui/BroadcastWindow.h"
#include "ui/ComposeWindow.h"
#include "ui/ConnectDialog.h"
#include "ui/GroupWindow.h"
#include "ui/LogWindow.h"
#include "ui/ModemDialog.h"
#include "ui/NetConsoles.h"
#include "ui/NodeDialog.h"
#include "ui/PreferencesWindow.h"
#include "ui/TncDialog.h"
#include "ui/WelcomeWindow.h"
#include "ui/WindowParts.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

using namespace tolvex;
using namespace tolvex::test;

namespace {

// The program's logic behind the windows, as the application wires it.
struct Program {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    std::unique_ptr<NetConsoles> consoles;
    std::unique_ptr<QWidget> opener; // the window a row's window is opened from
    std::function<void(QString)> help = [](const QString&) {};

    Program() {
        useDefaultTexts(rig.station);
        rig.station.dir = dir.path();
        Settings& s = rig.station.settings;
        // Stored instructions that begin with letters the consoles' own buttons already have.
        s.NCSMsg = {"ALL CHECK IN", "ANY MORE ?", "CALL & TRAFFIC", "SEND NOW"};
        s.InfoNet1Msg = "CHECKING OUT";
        s.InfoNet2Msg = "ON FREQ";
        QDir(dir.path()).mkpath(QStringLiteral("Messages"));
        consoles = std::make_unique<NetConsoles>(rig.logic.net, nullptr);
    }
};

struct Row {
    const char* window;
    std::function<QWidget*(Program&)> open;
    // Elements Tab goes from and to, where reading order is not creation order.
    std::vector<std::pair<const char*, const char*>> tabs = {};
};

const Row kWindows[] = {
    {"frmWelcome", [](Program& p) { return new WelcomeWindow(p.rig.boxes, {}, {}); }},
    {"frmConnect",
     [](Program& p) {
         return new ConnectDialog(p.rig.station.path(QStringLiteral("callsign.lst")), p.rig.boxes, {},
                                  p.help);
     }},
    {"frmTNC", [](Program& p) { return new TncDialog(p.rig.station.settings, p.dir.path(), {}, p.help); }},
    {"frmModem",
     [](Program& p) -> QWidget* {
         p.opener = std::make_unique<TncDialog>(p.rig.station.settings, p.dir.path(), nullptr, p.help);
         p.opener->findChild<QAbstractButton*>(QStringLiteral("Option1_0"))->click();
         p.opener->findChild<QAbstractButton*>(QStringLiteral("cmdModem"))->click();
         return p.opener->findChild<ModemDialog*>();
     }},
    {"frmNode", [](Program& p) { return new NodeDialog(p.rig.station.settings, {}, p.help); }},
    {"frmCompose",
     [](Program& p) {
         return new ComposeWindow(ComposeMode::Scratch, p.rig.logic.composeContext(), p.help);
     }},
    {"frmBroadcast", [](Program& p) { return new BroadcastWindow(p.rig.logic.broadcasts); }},
    {"frmGroup",
     [](Program& p) { return new GroupWindow(p.rig.station, p.rig.logic.store, p.rig.logic.broadcasts); }},
    {"frmOpParms",
     [](Program& p) {
         return new PreferencesWindow({p.rig.station, p.rig.logic.store, p.rig.boxes, p.rig.view}, {},
                                      p.help);
     },
     {{"Text1", "cmdClose"}, {"cmdClose", "txtSSID"}}},
    {"frmLog",
     [](Program& p) {
         return new LogWindow(p.rig.station.path(QStringLiteral("Messages")), p.rig.boxes, p.rig.printer,
                              p.help);
     }},
    {"frmAbout", [](Program&) { return new AboutBox; }},
    {"frmNCS",
     [](Program& p) -> QWidget* {
         p.rig.logic.net.control.showWindow();
         return p.consoles->controlWindow();
     }},
    {"frmInfoNet",
     [](Program& p) -> QWidget* {
         p.rig.logic.net.member.showWindow();
         return p.consoles->memberWindow();
     }},
};

QString describe(const QObject* o) {
    return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
}

// What carries a mnemonic in a window, with its caption: buttons, frames, labels that lead to a
// field, the menu bar's menus and their items.
std::vector<std::pair<const QObject*, QString>> captioned(QWidget& window) {
    std::vector<std::pair<const QObject*, QString>> all;
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (b->isVisibleTo(&window)) all.emplace_back(b, b->text());
    for (QGroupBox* g : window.findChildren<QGroupBox*>())
        if (g->isVisibleTo(&window)) all.emplace_back(g, g->title());
    for (QLabel* l : window.findChildren<QLabel*>())
        if (l->buddy() && l->isVisibleTo(&window)) all.emplace_back(l, l->text());
    std::function<void(const QList<QAction*>&)> addActions = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            if (a->isSeparator() || !a->isVisible()) continue;
            all.emplace_back(a->menu() ? static_cast<const QObject*>(a->menu()) : a, a->text());
            if (a->menu()) addActions(a->menu()->actions());
        }
    };
    for (QMenuBar* bar : window.findChildren<QMenuBar*>())
        addActions(bar->actions());
    return all;
}

// The buttons in the order Tab visits them.
std::vector<QAbstractButton*> focusChainButtons(QWidget& window) {
    std::vector<QAbstractButton*> buttons;
    for (QWidget* w = window.nextInFocusChain(); w && w != &window; w = w->nextInFocusChain()) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        if (b && b->isVisible() && b->isEnabled() && (b->focusPolicy() & Qt::TabFocus)) buttons.push_back(b);
    }
    return buttons;
}

// Where Tab goes from a widget: the next one in the chain that is shown and takes the focus.
QWidget* tabFrom(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w;
    return nullptr;
}

// Reading order: each next button lies lower down, or further right.
bool readsAfter(const QRect& before, const QRect& after) {
    return after.top() >= before.center().y() || after.left() >= before.center().x();
}

TEST(Keyboard, EveryWindowHasDistinctMnemonicsAndATabOrderThatReads) {
    for (const Row& row : kWindows) {
        SCOPED_TRACE(row.window);
        Program program;
        QPointer<QWidget> window = row.open(program);
        ASSERT_TRUE(window);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(window->objectName(), QLatin1String(row.window));

        std::map<QChar, QString> owners;
        for (const auto& [element, caption] : captioned(*window)) {
            const QChar key = mnemonicOf(caption);
            const auto* button = qobject_cast<const QAbstractButton*>(element);
            const bool radio = qobject_cast<const QRadioButton*>(element);
            const bool needsOne =
                (!button || button->isEnabled()) && !radio && !shownCaption(caption).trimmed().isEmpty() &&
                (button || qobject_cast<const QAction*>(element) || qobject_cast<const QMenu*>(element));
            if (needsOne) {
                EXPECT_FALSE(key.isNull()) << describe(element).toStdString() << " has no mnemonic";
            }
            // An option is reached with the arrow keys from its group; a group in a frame has one.
            const auto* frame = radio ? qobject_cast<const QGroupBox*>(element->parent()) : nullptr;
            if (frame) {
                EXPECT_FALSE(mnemonicOf(frame->title()).isNull()) << describe(frame).toStdString();
            }
            if (key.isNull()) continue;
            const auto [at, fresh] = owners.emplace(key, describe(element));
            EXPECT_TRUE(fresh) << "Alt+" << QString(key).toStdString() << " is both "
                               << at->second.toStdString() << " and " << describe(element).toStdString();
        }

        const std::vector<QAbstractButton*> chain = focusChainButtons(*window);
        EXPECT_FALSE(chain.empty());
        for (std::size_t i = 1; i < chain.size(); ++i) {
            const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
            const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
            EXPECT_TRUE(readsAfter(a, b)) << "Tab goes back from " << describe(chain[i - 1]).toStdString()
                                          << " to " << describe(chain[i]).toStdString();
        }
        for (const auto& [from, to] : row.tabs) {
            QWidget* next = tabFrom(window->findChild<QWidget*>(QLatin1String(from)));
            EXPECT_EQ(next ? next->objectName() : QString(), QLatin1String(to)) << "Tab from " << from;
        }
        delete window.data();
    }
}

} // namespace
