#include "core/TncPresets.h"
#include "link/DestinationList.h"
#include "link/TncPort.h"
#include "softtnc/StationPort.h"
#include "support/Doubles.h"
#include "support/Files.h"
#include "ui/ConnectDialog.h"
#include "ui/NodeDialog.h"
#include "ui/TncDialog.h"
#include "ui/WelcomeWindow.h"
#include "ui/WindowParts.h"
#include "ui/platform/QtMessageBoxes.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>

#include <vector>

using namespace tolvex;
using tolvex::test::RecordingMessageBoxes;

namespace {

template <class W = QWidget> W* child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void hover(QWidget* w) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &enter);
}

// Moves the mouse over a bare spot of the widget (one with no child under it).
void hoverBackground(QWidget* w) {
    for (int y = 0; y < w->height(); y += 2)
        for (int x = 0; x < w->width(); x += 2)
            if (!w->childAt(x, y)) {
                QMouseEvent move(QEvent::MouseMove, QPointF(x, y), w->mapToGlobal(QPointF(x, y)),
                                 Qt::NoButton, Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(w, &move);
                return;
            }
    ADD_FAILURE() << "no bare spot";
}

void release(QWidget* w) {
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &up);
}

void expectAccessibleNames(QWidget& window) {
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << widget->objectName().toStdString();
    }
}

} // namespace

// --- first run ---

TEST(WelcomeWindow, ShowsItsTexts) {
    RecordingMessageBoxes boxes;
    WelcomeWindow w(boxes, {}, {});
    EXPECT_EQ(w.objectName(), "frmWelcome");
    const std::vector<std::pair<const char*, const char*>> texts = {
        {"Label1", "Welcome to Tolvex"},
        {"Label2_0", "Please enter your callsign"},
        {"Label2_1", "(the same callsign as your tnc  MYCALL)"},
        {"Label4", "You may enter other operating preferences using the Setup/Preferences menu."},
        {"Label5",
         "Parameters used  to communicate with the TNC can be set using  the Setup/TNC  menu.    In "
         "Particular,   "},
        {"Label3", "if communication with the TNC is garbled,  change the baud rate."},
    };
    for (auto [name, text] : texts)
        EXPECT_EQ(child<QLabel>(w, name)->text(), QString::fromLatin1(text)) << name;
    EXPECT_EQ(shownCaption(child<QPushButton>(w, "Command1")->text()), "Continue");
    EXPECT_NE(child<QLineEdit>(w, "Text1"), nullptr);
    EXPECT_TRUE(child<QLabel>(w, "Label1")->font().bold());
    expectAccessibleNames(w);
}

TEST(WelcomeWindow, ALongerCallsignTurnsTheBaudHintRedForGood) {
    RecordingMessageBoxes boxes;
    WelcomeWindow w(boxes, {}, {});
    auto isRed = [&](const char* name) {
        QLabel* l = child<QLabel>(w, name);
        return l->palette().color(QPalette::WindowText) == QColor(255, 0, 0) && l->font().bold();
    };
    auto* text = child<QLineEdit>(w, "Text1");
    struct Step {
        const char* typed;
        bool red;
    };
    for (const Step& s : std::vector<Step>{{"n0c", false}, {"n0ca", true}, {"n0", true}, {"", true}}) {
        text->setText(s.typed);
        EXPECT_EQ(isRed("Label3"), s.red) << s.typed;
        EXPECT_EQ(isRed("Label5"), s.red) << s.typed;
    }
}

TEST(WelcomeWindow, ContinueWithoutACallsignAsks) {
    struct Case {
        MessageBoxes::Answer answer;
        int quits;
    };
    for (const Case& c : {Case{MessageBoxes::Answer::Ok, 0}, Case{MessageBoxes::Answer::Cancel, 1}}) {
        RecordingMessageBoxes boxes;
        boxes.answers = {c.answer};
        int continued = 0, quits = 0;
        WelcomeWindow w(
            boxes, [&](QByteArray) { ++continued; }, [&] { ++quits; });
        w.show();
        child<QPushButton>(w, "Command1")->click();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Callsign needed");
        EXPECT_EQ(boxes.shown[0].text, "Please enter a callsign");
        EXPECT_EQ(boxes.shown[0].buttons, MessageBoxes::Buttons::OkCancel);
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::None);
        EXPECT_EQ(quits, c.quits);
        EXPECT_EQ(continued, 0);
        w.close();
        EXPECT_EQ(quits, 1); // closing counts as quitting, but only once
    }
}

TEST(WelcomeWindow, ContinueHandsOverTheCallsignAsTyped) {
    RecordingMessageBoxes boxes;
    QList<QByteArray> calls;
    int quits = 0;
    WelcomeWindow w(
        boxes, [&](QByteArray call) { calls << call; }, [&] { ++quits; });
    w.show();
    child<QLineEdit>(w, "Text1")->setText(" n0call");
    child<QPushButton>(w, "Command1")->click();
    EXPECT_EQ(calls, QList<QByteArray>{" n0call"});
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(WelcomeWindow, ClosingWithoutContinueQuits) {
    RecordingMessageBoxes boxes;
    int quits = 0;
    WelcomeWindow w(
        boxes, [](QByteArray) {}, [&] { ++quits; });
    w.show();
    w.close();
    EXPECT_EQ(quits, 1);
}

// --- connect dialog ---

class ConnectDialogTest : public testing::Test {
protected:
    QString path() const { return dir.filePath("callsign.lst"); }
    std::unique_ptr<ConnectDialog> open() {
        auto d = std::make_unique<ConnectDialog>(
            path(), boxes,
            [this](QByteArray destination) {
                destinations << destination;
                return accept;
            },
            [this](QString page) { pages << page; });
        d->show();
        return d;
    }
    QTemporaryDir dir;
    RecordingMessageBoxes boxes;
    QList<QByteArray> destinations;
    QStringList pages;
    bool accept = true;
};

TEST_F(ConnectDialogTest, ElementsAndCaptions) {
    auto d = open();
    EXPECT_EQ(d->objectName(), "frmConnect");
    EXPECT_EQ(d->windowTitle(), "Connection Setup");
    QStringList frames;
    for (auto* g : d->findChildren<QGroupBox*>())
        frames << shownCaption(g->title());
    for (const char* caption : {"Callsign List", "To Station ", "Add new connection"})
        EXPECT_TRUE(frames.contains(caption)) << caption;
    for (const char* name :
         {"lstCallsign", "txtToAdd", "txtAddCall", "txtPath_0", "txtPath_1", "txtPath_2", "txtNote", "Text1"})
        EXPECT_NE(d->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(shownCaption(child<QPushButton>(*d, "cmdConnect")->text()), "Connect");
    EXPECT_EQ(shownCaption(child<QPushButton>(*d, "cmdCancel")->text()), "Cancel");
    EXPECT_EQ(shownCaption(child<QPushButton>(*d, "cmdAdd")->text()), "Add");
    QStringList labels;
    for (auto* l : d->findChildren<QLabel*>())
        labels << shownCaption(l->text());
    for (const char* text :
         {"Final connection:", "Intermediate connections:", "Note:",
          "Specify destination by entering callsign above or by double clicking callsign at "
          "left.      Then press Connect button"})
        EXPECT_TRUE(labels.contains(text)) << text;
    expectAccessibleNames(*d);
}

TEST_F(ConnectDialogTest, MissingListFileOpensEmpty) {
    auto d = open();
    EXPECT_EQ(child<QListWidget>(*d, "lstCallsign")->count(), 0);
}

TEST_F(ConnectDialogTest, AddBuildsTheEntrySavesAndEmptiesTheBoxes) {
    auto d = open();
    child<QLineEdit>(*d, "txtAddCall")->setText("n0call");
    child<QLineEdit>(*d, "txtPath_0")->setText("nodea");
    child<QLineEdit>(*d, "txtPath_1")->setText("nodeb ");
    child<QLineEdit>(*d, "txtNote")->setText("note");
    child<QPushButton>(*d, "cmdAdd")->click();

    auto* list = child<QListWidget>(*d, "lstCallsign");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "N0CALL  THRU: NODEA,NODEB  'note");
    EXPECT_EQ(test::readFile(path()), "N0CALL  THRU: NODEA,NODEB  'note\r\n");
    for (const char* name : {"txtAddCall", "txtPath_0", "txtPath_1", "txtPath_2", "txtNote"})
        EXPECT_TRUE(child<QLineEdit>(*d, name)->text().isEmpty()) << name;
}

TEST_F(ConnectDialogTest, AddWithoutACallsignRefuses) {
    auto d = open();
    child<QLineEdit>(*d, "txtPath_0")->setText("nodea");
    child<QPushButton>(*d, "cmdAdd")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "No Callsign Entered");
    EXPECT_EQ(boxes.shown[0].text, "A callsign must be specified");
    EXPECT_EQ(boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    EXPECT_EQ(child<QListWidget>(*d, "lstCallsign")->count(), 0);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ConnectDialogTest, DoubleClickOrEnterPicksTheDestination) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("K1ABC\r\nN0CALL  THRU: NODEA,NODEB  'note\r\n");
    f.close();
    auto d = open();
    auto* list = child<QListWidget>(*d, "lstCallsign");
    ASSERT_EQ(list->count(), 2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    const QRect r = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(child<QLineEdit>(*d, "txtToAdd")->text(), "N0CALL,NODEA,NODEB");

    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(child<QLineEdit>(*d, "txtToAdd")->text(), "K1ABC");
}

TEST_F(ConnectDialogTest, DeleteOrBackspaceRemovesTheSelectedEntryAndSaves) {
    ASSERT_TRUE(DestinationList::save(path(), {"A", "B", "C"}));
    auto d = open();
    auto* list = child<QListWidget>(*d, "lstCallsign");
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(test::readFile(path()), "A\r\nC\r\n");
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Backspace);
    EXPECT_EQ(test::readFile(path()), "A\r\n");
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(test::readFile(path()), ""); // the last entry gone: an empty file
    EXPECT_EQ(list->count(), 0);
}

TEST_F(ConnectDialogTest, ConnectClosesOnlyWhenTheLogicAccepts) {
    auto d = open();
    child<QLineEdit>(*d, "txtToAdd")->setText("N0CALL,NODEA");
    accept = false;
    child<QPushButton>(*d, "cmdConnect")->click();
    EXPECT_TRUE(d->isVisible());
    accept = true;
    child<QPushButton>(*d, "cmdConnect")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(destinations, (QList<QByteArray>{"N0CALL,NODEA", "N0CALL,NODEA"}));

    auto again = open();
    child<QPushButton>(*again, "cmdCancel")->click();
    EXPECT_FALSE(again->isVisible());
}

TEST_F(ConnectDialogTest, HintsFollowTheMouse) {
    auto d = open();
    auto* hint = child<QPlainTextEdit>(*d, "Text1");
    struct Case {
        const char* name;
        QString text;
    };
    const QString path = "If connection is to be made through  intermediate nodes, enter node names."
                         "   A maximum of 3 tandem nodes can be used.   Top name is node closest to you.  "
                         "  Next name is node closer to destination.  If 3 nodes are used, bottom line is "
                         "node closest to destination.";
    const std::vector<Case> cases = {
        {"lstCallsign",
         "Double click a callsign to select it as the destination.  Delete callsigns from this list by "
         "selecting then pressing Delete key."},
        {"txtAddCall", "Enter callsign of final destination."},
        {"txtToAdd", "Enter destination callsign or select a destination from callsign list at left."},
        {"txtPath_0", path},
        {"txtPath_2", path},
        {"txtNote", "An informational note may be entered here if desired."},
    };
    for (const Case& c : cases) {
        hover(child(*d, c.name));
        EXPECT_EQ(hint->toPlainText(), c.text) << c.name;
    }
    QWidget* addFrame = nullptr;
    for (auto* g : d->findChildren<QGroupBox*>())
        if (shownCaption(g->title()) == "Add new connection") addFrame = g;
    ASSERT_NE(addFrame, nullptr);
    hoverBackground(addFrame);
    EXPECT_EQ(hint->toPlainText(),
              " Enter new callsign to be added to list above.     Connection to callsign may be "
              "made through a maximum of 3 nodes.    Enter names of nodes to be used, if any.   "
              "A note may be entered if desired.");
    hoverBackground(d.get());
    EXPECT_EQ(hint->toPlainText(), "");
}

// --- TNC dialog ---

class TncDialogTest : public testing::Test {
protected:
    TncDialogTest() {
        s.ConnStr = "*** CONNECTED to";
        s.DisconStr = "*** DISCONNECTED";
        s.ConverseCmd = "CONV";
        s.CmdCmd = "3";
        s.ConnCmd = "C";
        s.DisconCmd = "D";
        s.ComPortSet = 2;
        s.BaudSet = 3;
        s.ParitySet = 2;
        s.DataBitSet = 1;
        s.StopBitSet = 0;
        s.FlowSet = 1;
        s.Duplex = "full";
    }
    std::unique_ptr<TncDialog> open() {
        auto d = std::make_unique<TncDialog>(
            s, dir.path(), [this] { ++saves; }, [this](QString p) { pages << p; });
        d->show();
        return d;
    }
    static bool clean(QWidget& d) {
        return !d.findChild<QWidget*>("cmdClose")->isHidden() &&
               d.findChild<QWidget*>("cmdSave")->isHidden() && d.findChild<QWidget*>("Frame10")->isHidden();
    }
    static bool changed(QWidget& d) {
        return d.findChild<QWidget*>("cmdClose")->isHidden() &&
               !d.findChild<QWidget*>("cmdSave")->isHidden() && !d.findChild<QWidget*>("Frame10")->isHidden();
    }
    Settings s;
    QTemporaryDir dir;
    int saves = 0;
    QStringList pages;
};

TEST_F(TncDialogTest, FramesChoicesAndLoadedValues) {
    auto d = open();
    EXPECT_EQ(d->objectName(), "frmTNC");
    EXPECT_EQ(d->windowTitle(), "TNC Setup");
    struct Group {
        const char* caption;
        const char* name;
        QStringList choices;
        int selected;
    };
    const std::vector<Group> groups = {
        {"ComPort", "Option1", {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}, 2},
        {"Baud Rate", "Option2", {"1200", "2400", "4800", "9600", "19200", "38400"}, 3},
        {"Parity", "Option3", {"Odd", "Even", "None"}, 2},
        {"Data bits", "Option4", {"7", "8"}, 1},
        {"Stop bits", "Option6", {"1", "2"}, 0},
        {"Flow Control", "Option5", {"None", "Xon/Xoff", "RTS"}, 1},
        {"Duplex", "Option7", {"Full", "Half"}, 0},
    };
    QStringList frames;
    for (auto* g : d->findChildren<QGroupBox*>())
        frames << shownCaption(g->title());
    for (const Group& g : groups) {
        SCOPED_TRACE(g.caption);
        EXPECT_TRUE(frames.contains(g.caption));
        for (int i = 0; i < g.choices.size(); ++i) {
            const QString name = QString("%1_%2").arg(g.name).arg(i);
            auto* b = d->findChild<QRadioButton*>(name);
            ASSERT_NE(b, nullptr) << name.toStdString();
            EXPECT_EQ(b->text(), g.choices[i]);
            EXPECT_EQ(b->isChecked(), i == g.selected) << name.toStdString();
        }
    }
    struct Text {
        const char* caption;
        const char* name;
        const char* value;
    };
    for (const Text& t : std::vector<Text>{{"Connected  String", "txtConnected", "*** CONNECTED to"},
                                           {"Disconnected String", "txtDisconnected", "*** DISCONNECTED"},
                                           {"Converse Mode Command", "txtConverse", "CONV"},
                                           {"Command Mode Char Value", "txtCmdChar", "3"},
                                           {"Connect Command", "txtConnect", "C"},
                                           {"Disconnect Command", "txtDisconnect", "D"}}) {
        EXPECT_TRUE(frames.contains(t.caption)) << t.caption;
        EXPECT_EQ(child<QLineEdit>(*d, t.name)->text(), t.value);
    }
    EXPECT_EQ(shownCaption(child<QPushButton>(*d, "cmdClose")->text()), "Close");
    EXPECT_EQ(shownCaption(child<QPushButton>(*d, "cmdSave")->text()), "Save Changes");
    EXPECT_TRUE(clean(*d));
    expectAccessibleNames(*d);
}

TEST_F(TncDialogTest, EachComButtonTellsItsDevice) {
    QDir(dir.path()).mkpath("Ports");
    QFile link(dir.filePath("Ports/COM2"));
    ASSERT_TRUE(link.open(QIODevice::WriteOnly));
    link.close();
    auto d = open();
    for (int n = 1; n <= 8; ++n) {
        auto* b = child<QRadioButton>(*d, QString("Option1_%1").arg(n - 1).toLatin1().constData());
        EXPECT_EQ(b->toolTip(), TncPort::portDevice(dir.path(), n));
        EXPECT_EQ(b->accessibleDescription(), b->toolTip());
    }
    EXPECT_EQ(child<QRadioButton>(*d, "Option1_1")->toolTip(), dir.filePath("Ports/COM2"));
    EXPECT_EQ(child<QRadioButton>(*d, "Option1_0")->toolTip(), "/dev/ttyS0");
}

TEST_F(TncDialogTest, ModemButtonPointsTheChosenPortAtAModem) {
    // COM3 (the chosen one) is a link to a device; the dialog names the device.
    QDir(dir.path()).mkpath("Ports");
    const QString device = dir.filePath("ttyFake");
    {
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString com3 = dir.filePath("Ports/COM3");
    ASSERT_TRUE(QFile::link(device, com3));
    auto d = open();
    auto* label = child<QLabel>(*d, "lblDevice");
    EXPECT_EQ(label->text(), "COM3 is device " + device);
    expectAccessibleNames(*d);

    const auto modemDialog = [&] {
        child<QPushButton>(*d, "cmdModem")->click();
        return child<QDialog>(*d, "frmModem");
    };
    QDialog* m = modemDialog();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    expectAccessibleNames(*m);
    EXPECT_TRUE(child<QRadioButton>(*m, "optDevice")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*m, "txtDevice")->text(), device);
    child<QRadioButton>(*m, "optAgw")->click();
    auto* host = child<QLineEdit>(*m, "txtModemHost");
    auto* port = child<QLineEdit>(*m, "txtModemPort");
    EXPECT_EQ(host->text(), "localhost");
    EXPECT_EQ(port->text(), "8000");
    const auto ok = [&] { m->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); };

    // A bad port number is refused with a message, and the link stays as it was.
    for (const char* bad : {"0", "65536", "80a", ""}) {
        port->setText(bad);
        ok();
        EXPECT_TRUE(m->isVisible()) << bad;
        EXPECT_TRUE(child<QLabel>(*m, "lblModemProblem")->text().contains("1 to 65535")) << bad;
        EXPECT_TRUE(QFileInfo(com3).isSymLink());
    }
    EXPECT_TRUE(clean(*d));

    host->setText(" modem.local ");
    port->setText("8001");
    ok();
    EXPECT_FALSE(m->isVisible());
    EXPECT_FALSE(QFileInfo(com3).isSymLink());
    EXPECT_EQ(test::readFile(com3), "agw modem.local:8001\n");
    EXPECT_EQ(test::readFile(device), "");
    EXPECT_EQ(label->text(), "COM3 is sound-card modem modem.local:8001");
    EXPECT_TRUE(changed(*d));
    EXPECT_EQ(s.ComPortSet, 2);

    // Another port shows its own device; back on COM3 the fields start from the file.
    child<QRadioButton>(*d, "Option1_0")->click();
    EXPECT_EQ(label->text(), "COM1 is device /dev/ttyS0");
    child<QRadioButton>(*d, "Option1_2")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m = modemDialog();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(child<QLineEdit>(*m, "txtModemHost")->text(), "modem.local");
    EXPECT_EQ(child<QLineEdit>(*m, "txtModemPort")->text(), "8001");
}

TEST_F(TncDialogTest, ThePortDialogShowsEachPortFileAndWritesItBack) {
    // A port file, what the port dialog and the TNC dialog show of it, what the operator changes,
    // and the file written when OK is pressed (a link is "-> TARGET", no file "").
    QDir(dir.path()).mkpath("Ports");
    const QString com3 = dir.filePath("Ports/COM3");
    struct Edit {
        const char* field;
        const char* text;
    };
    const struct Case {
        QByteArray file;
        const char* option;
        std::vector<Edit> shown; // the fields on show and their texts
        const char* label;       // the TNC dialog's, after "COM3 is "
        const char* choose;      // an option clicked before editing, or nothing
        std::vector<Edit> edits;
        QByteArray written;
        const char* problem; // part of the message when the dialog refuses
    } cases[] = {
        {"agw modem.local:8001\n",
         "optAgw",
         {{"txtModemHost", "modem.local"}, {"txtModemPort", "8001"}},
         "sound-card modem modem.local:8001",
         nullptr,
         {},
         "agw modem.local:8001\n",
         nullptr},
        {"agw [::1]:8001",
         "optAgw",
         {{"txtModemHost", "::1"}, {"txtModemPort", "8001"}},
         "sound-card modem [::1]:8001",
         nullptr,
         {},
         "agw [::1]:8001\n",
         nullptr},
        {"kiss /dev/ttyUSB0 57600\n",
         "optKissSerial",
         {{"txtDevice", "/dev/ttyUSB0"}, {"txtBaud", "57600"}},
         "KISS TNC on /dev/ttyUSB0 at 57600 baud",
         nullptr,
         {},
         "kiss /dev/ttyUSB0 57600\n",
         nullptr},
        {"  KISS \t /dev/serial/by-id/usb-tnc   9600 \r\n",
         "optKissSerial",
         {{"txtDevice", "/dev/serial/by-id/usb-tnc"}, {"txtBaud", "9600"}},
         "KISS TNC on /dev/serial/by-id/usb-tnc at 9600 baud",
         nullptr,
         {},
         "kiss /dev/serial/by-id/usb-tnc 9600\n",
         nullptr},
        {"kiss-tcp 127.0.0.1:8001\n",
         "optKissTcp",
         {{"txtModemHost", "127.0.0.1"}, {"txtModemPort", "8001"}},
         "KISS TNC over TCP 127.0.0.1:8001",
         nullptr,
         {},
         "kiss-tcp 127.0.0.1:8001\n",
         nullptr},
        // Another way chosen: the fields for it, and its usual port.
        {"agw localhost:8000\n",
         "optAgw",
         {},
         "sound-card modem localhost:8000",
         "optKissTcp",
         {},
         "kiss-tcp localhost:8001\n",
         nullptr},
        {"kiss-tcp localhost:8001\n",
         "optKissTcp",
         {},
         "KISS TNC over TCP localhost:8001",
         "optKissSerial",
         {{"txtBaud", " 38400 "}},
         "kiss /dev/ttyUSB0 38400\n",
         nullptr},
        {"kiss /dev/ttyACM0 9600\n",
         "optKissSerial",
         {},
         "KISS TNC on /dev/ttyACM0 at 9600 baud",
         "optDevice",
         {},
         "-> /dev/ttyACM0",
         nullptr},
        {"kiss /dev/ttyACM0 9600\n",
         "optKissSerial",
         {},
         "KISS TNC on /dev/ttyACM0 at 9600 baud",
         "optDevice",
         {{"txtDevice", "/dev/ttyS2"}},
         "",
         nullptr}, // the port's own device: no file
        {"-> /dev/ttyUSB1",
         "optDevice",
         {{"txtDevice", "/dev/ttyUSB1"}},
         "device /dev/ttyUSB1",
         "optKissSerial",
         {},
         "kiss /dev/ttyUSB1 57600\n",
         nullptr},
        {"",
         "optDevice",
         {{"txtDevice", "/dev/ttyS2"}},
         "device /dev/ttyS2",
         "optAgw",
         {{"txtModemHost", "modem.local"}},
         "agw modem.local:8000\n",
         nullptr},
        // A file that cannot be read shows as its way with the reason; a bad field is refused.
        {"kiss /dev/ttyUSB0 fast\n",
         "optKissSerial",
         {{"txtDevice", "/dev/ttyUSB0"}, {"txtBaud", "57600"}},
         "a modem file that cannot be read",
         nullptr,
         {{"txtBaud", "fast"}},
         "kiss /dev/ttyUSB0 fast\n",
         "baud rate \"fast\""},
        {"kiss-tcp localhost\n",
         "optKissTcp",
         {{"txtModemPort", "8001"}},
         "a modem file that cannot be read",
         nullptr,
         {{"txtModemPort", "0"}},
         "kiss-tcp localhost\n",
         "1 to 65535"},
        {"kiss /dev/ttyUSB0 9600\n",
         "optKissSerial",
         {},
         "KISS TNC on /dev/ttyUSB0 at 9600 baud",
         nullptr,
         {{"txtDevice", "/dev/tty USB0"}},
         "kiss /dev/ttyUSB0 9600\n",
         "blank"},
    };
    const auto writeFile = [&](const QByteArray& contents) {
        QFile::remove(com3);
        if (contents.startsWith("-> ")) return QFile::link(QString::fromUtf8(contents.mid(3)), com3);
        return contents.isEmpty() || test::writeFile(com3, contents);
    };
    const auto readBack = [&]() -> QByteArray {
        const QFileInfo info(com3);
        if (info.isSymLink()) return "-> " + info.symLinkTarget().toUtf8();
        return info.exists() ? test::readFile(com3) : QByteArray();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString() + " / " + (c.choose ? c.choose : ""));
        ASSERT_TRUE(writeFile(c.file));
        auto d = open();
        EXPECT_TRUE(child<QLabel>(*d, "lblDevice")->text().startsWith(QString("COM3 is ") + c.label))
            << child<QLabel>(*d, "lblDevice")->text().toStdString();
        child<QPushButton>(*d, "cmdModem")->click();
        auto* m = child<QDialog>(*d, "frmModem");
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(child<QRadioButton>(*m, c.option)->isChecked());
        for (const Edit& e : c.shown) {
            EXPECT_TRUE(child<QLineEdit>(*m, e.field)->isVisible()) << e.field;
            EXPECT_EQ(child<QLineEdit>(*m, e.field)->text(), e.text);
        }
        if (c.choose) child<QRadioButton>(*m, c.choose)->click();
        // Only the chosen way's fields are on show.
        const bool network = child<QRadioButton>(*m, "optAgw")->isChecked() ||
                             child<QRadioButton>(*m, "optKissTcp")->isChecked();
        EXPECT_EQ(child<QLineEdit>(*m, "txtModemHost")->isVisible(), network);
        EXPECT_EQ(child<QLineEdit>(*m, "txtModemPort")->isVisible(), network);
        EXPECT_EQ(child<QLineEdit>(*m, "txtDevice")->isVisible(), !network);
        EXPECT_EQ(child<QLineEdit>(*m, "txtBaud")->isVisible(),
                  child<QRadioButton>(*m, "optKissSerial")->isChecked());
        for (const Edit& e : c.edits)
            child<QLineEdit>(*m, e.field)->setText(e.text);
        m->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_EQ(readBack(), c.written);
        EXPECT_EQ(m->isVisible(), c.problem != nullptr);
        if (c.problem) {
            EXPECT_TRUE(child<QLabel>(*m, "lblModemProblem")->text().contains(c.problem))
                << child<QLabel>(*m, "lblModemProblem")->text().toStdString();
            continue;
        }
        // Read again, the file shows as written.
        const PortTarget target = portTarget(com3);
        if (c.written.startsWith("kiss") || c.written.startsWith("agw")) {
            EXPECT_EQ(modemFileLine(target).toUtf8(), c.written);
        }
        EXPECT_TRUE(changed(*d));
    }
}

TEST_F(TncDialogTest, DuplexIsFullOnlyForExactlyFull) {
    for (const char* duplex : {"full", "half", "Full", "", "full ", "FULL"}) {
        s.Duplex = duplex;
        auto d = open();
        const bool full = QByteArray(duplex) == "full";
        EXPECT_EQ(child<QRadioButton>(*d, "Option7_0")->isChecked(), full) << duplex;
        EXPECT_EQ(child<QRadioButton>(*d, "Option7_1")->isChecked(), !full) << duplex;
    }
}

TEST_F(TncDialogTest, TypingAloneStaysCleanAClickIntoAFieldIsAChange) {
    auto d = open();
    auto* field = child<QLineEdit>(*d, "txtConnect");
    field->setFocus();
    QTest::keyClicks(field, "xyz");
    EXPECT_TRUE(clean(*d));
    release(field);
    EXPECT_TRUE(changed(*d));
}

TEST_F(TncDialogTest, OptionClicksStoreAtOnceDuplexOnlyOnSave) {
    struct Case {
        const char* button;
        std::int16_t Settings::*setting;
        std::int16_t value;
    };
    const std::vector<Case> cases = {
        {"Option1_4", &Settings::ComPortSet, 4}, {"Option2_5", &Settings::BaudSet, 5},
        {"Option3_0", &Settings::ParitySet, 0},  {"Option4_0", &Settings::DataBitSet, 0},
        {"Option6_1", &Settings::StopBitSet, 1}, {"Option5_2", &Settings::FlowSet, 2},
    };
    for (const Case& c : cases) {
        auto d = open();
        child<QRadioButton>(*d, c.button)->click();
        EXPECT_EQ(s.*c.setting, c.value) << c.button;
        EXPECT_TRUE(changed(*d)) << c.button;
        d->close(); // the value stays in memory though nothing was saved
        EXPECT_EQ(s.*c.setting, c.value) << c.button;
    }
    EXPECT_EQ(saves, 0);

    auto d = open();
    child<QRadioButton>(*d, "Option7_1")->click();
    EXPECT_TRUE(changed(*d));
    EXPECT_EQ(s.Duplex, "full");
    child<QPushButton>(*d, "cmdSave")->click();
    EXPECT_EQ(s.Duplex, "half");
}

TEST_F(TncDialogTest, SaveStoresTextsExactlyAndHandsOver) {
    auto d = open();
    const std::vector<std::pair<const char*, QByteArray Settings::*>> fields = {
        {"txtConnected", &Settings::ConnStr},    {"txtDisconnected", &Settings::DisconStr},
        {"txtConverse", &Settings::ConverseCmd}, {"txtCmdChar", &Settings::CmdCmd},
        {"txtConnect", &Settings::ConnCmd},      {"txtDisconnect", &Settings::DisconCmd},
    };
    for (auto [name, member] : fields)
        child<QLineEdit>(*d, name)->setText(QString(" %1 x ").arg(name));
    release(child(*d, "txtConnected"));
    child<QPushButton>(*d, "cmdSave")->click();
    for (auto [name, member] : fields)
        EXPECT_EQ(s.*member, QString(" %1 x ").arg(name).toLatin1()) << name;
    EXPECT_EQ(s.Duplex, "full");
    EXPECT_EQ(s.ComPortSet, 2);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(TncDialogTest, PresetFillsTheFieldsAndDuplexTheSaveStoresThem) {
    auto d = open();
    auto* preset = child<QComboBox>(*d, "cboPreset");
    ASSERT_EQ(preset->count(), int(tncPresets().size()) + 1);
    Q_EMIT preset->activated(0); // the prompt line fills nothing
    EXPECT_TRUE(clean(*d));
    for (std::size_t i = 0; i < tncPresets().size(); ++i) {
        const TncPreset& kind = tncPresets()[i];
        SCOPED_TRACE(kind.name.toStdString());
        EXPECT_EQ(preset->itemText(int(i) + 1), QString::fromLatin1(kind.name));
        child<QRadioButton>(*d, "Option7_0")->setChecked(true);
        Q_EMIT preset->activated(int(i) + 1);
        EXPECT_TRUE(changed(*d));
        const Settings want = withPreset(s, kind);
        EXPECT_EQ(child<QLineEdit>(*d, "txtConnected")->text().toLatin1(), want.ConnStr);
        EXPECT_EQ(child<QLineEdit>(*d, "txtConverse")->text().toLatin1(), want.ConverseCmd);
        EXPECT_EQ(child<QLineEdit>(*d, "txtDisconnect")->text().toLatin1(), want.DisconCmd);
        EXPECT_EQ(child<QRadioButton>(*d, "Option7_1")->isChecked(), want.halfDuplex());
    }
    // Nothing is stored before Save Changes; then the emulator's half duplex is.
    Q_EMIT preset->activated(2);
    EXPECT_EQ(s.ConnStr, "*** CONNECTED to");
    EXPECT_EQ(s.Duplex, "full");
    child<QPushButton>(*d, "cmdSave")->click();
    EXPECT_EQ(s.Duplex, "half");
    EXPECT_EQ(s.ConnStr, "*** CONNECTED");
    EXPECT_EQ(saves, 1);
}

TEST_F(TncDialogTest, CloseStoresNoTexts) {
    auto d = open();
    child<QLineEdit>(*d, "txtConnect")->setText("CONNECT");
    child<QPushButton>(*d, "cmdClose")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(s.ConnCmd, "C");
    EXPECT_EQ(saves, 0);
}

// --- node responses ---

class NodeDialogTest : public testing::Test {
protected:
    NodeDialogTest() {
        for (int i = 0; i < 4; ++i) {
            s.NodeReady[i] = "ready" + QByteArray::number(i);
            s.LinkMade[i] = "made" + QByteArray::number(i);
            s.ConnFail[i] = "fail" + QByteArray::number(i);
        }
    }
    std::unique_ptr<NodeDialog> open() {
        auto d = std::make_unique<NodeDialog>(
            s, [this] { ++saves; }, [this](QString p) { pages << p; });
        d->show();
        return d;
    }
    Settings s;
    int saves = 0;
    QStringList pages;
};

TEST_F(NodeDialogTest, FramesAndFieldsFromTheSettings) {
    auto d = open();
    EXPECT_EQ(d->objectName(), "frmNode");
    EXPECT_EQ(d->windowTitle(), "Node Responses");
    QStringList frames;
    for (auto* g : d->findChildren<QGroupBox*>())
        frames << shownCaption(g->title());
    EXPECT_EQ(frames, (QStringList{"Node Ready Responses", "Connection Made Responses",
                                   "Connection Failure Responses"}));
    for (int i = 0; i < 4; ++i) {
        const QByteArray n = QByteArray::number(i);
        EXPECT_EQ(child<QLineEdit>(*d, "txtNodeReady_" + n)->text(), "ready" + n);
        EXPECT_EQ(child<QLineEdit>(*d, "txtLinkMade_" + n)->text(), "made" + n);
        EXPECT_EQ(child<QLineEdit>(*d, "txtConnFail_" + n)->text(), "fail" + n);
    }
    EXPECT_FALSE(child(*d, "cmdClose")->isHidden());
    EXPECT_TRUE(child(*d, "cmdSave")->isHidden());
    EXPECT_TRUE(child(*d, "lblSave")->isHidden());
    expectAccessibleNames(*d);
}

TEST_F(NodeDialogTest, AClickIntoAFieldIsAChangeTypingIsNot) {
    auto d = open();
    auto* field = child<QLineEdit>(*d, "txtLinkMade_2");
    field->setFocus();
    QTest::keyClicks(field, "abc");
    EXPECT_TRUE(child(*d, "cmdSave")->isHidden());
    release(field);
    EXPECT_TRUE(child(*d, "cmdClose")->isHidden());
    EXPECT_FALSE(child(*d, "cmdSave")->isHidden());
    EXPECT_FALSE(child(*d, "lblSave")->isHidden());
}

TEST_F(NodeDialogTest, SaveStoresAllTwelveExactly) {
    auto d = open();
    child<QLineEdit>(*d, "txtNodeReady_0")->setText(" ===> ");
    child<QLineEdit>(*d, "txtLinkMade_3")->clear();
    child<QLineEdit>(*d, "txtConnFail_1")->setText("Busy");
    release(child(*d, "txtConnFail_1"));
    child<QPushButton>(*d, "cmdSave")->click();
    EXPECT_EQ(s.NodeReady[0], " ===> ");
    EXPECT_EQ(s.NodeReady[1], "ready1");
    EXPECT_EQ(s.LinkMade[3], "");
    EXPECT_EQ(s.ConnFail[1], "Busy");
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(NodeDialogTest, CloseStoresNothing) {
    auto d = open();
    child<QLineEdit>(*d, "txtNodeReady_0")->setText("changed");
    child<QPushButton>(*d, "cmdClose")->click();
    EXPECT_EQ(s.NodeReady[0], "ready0");
    EXPECT_EQ(saves, 0);
}

TEST_F(NodeDialogTest, HelpFieldFollowsTheMouse) {
    auto d = open();
    auto* help = child<QPlainTextEdit>(*d, "Text6");
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"txtNodeReady_1",
         "Insert here messages that are sent by a node when it is ready to receive a command input."},
        {"txtLinkMade_0",
         "Insert here messages that are sent by a node when it has completed a connection request."},
        {"txtConnFail_3",
         "Insert here messages that are sent by a node when it is unable to complete a connection request."},
        {"cmdSave", "Press this button to save the changes you have made to setup parameters"},
    };
    for (auto [name, text] : cases) {
        hover(child(*d, name));
        EXPECT_EQ(help->toPlainText(), text) << name;
    }
    hoverBackground(d.get());
    EXPECT_EQ(help->toPlainText(), "");
}

// --- line breaks in setting texts ---

TEST(SettingTexts, APastedMultiLineTextBecomesTheOneLineThatIsSaved) {
    Settings s;
    QTemporaryDir dir;
    TncDialog tnc(s, dir.path(), nullptr, nullptr);
    NodeDialog node(s, nullptr, nullptr);
    const struct {
        QDialog* dialog;
        const char* field;
        const QByteArray* setting;
    } fields[] = {
        {&tnc, "txtConnected", &s.ConnStr},       {&tnc, "txtCmdChar", &s.CmdCmd},
        {&tnc, "txtDisconnect", &s.DisconCmd},    {&node, "txtNodeReady_2", &s.NodeReady[2]},
        {&node, "txtLinkMade_0", &s.LinkMade[0]}, {&node, "txtConnFail_3", &s.ConnFail[3]},
    };
    for (const auto& f : fields) {
        auto* edit = child<QLineEdit>(*f.dialog, f.field);
        edit->setText("<>");
        edit->setCursorPosition(1);
        edit->insert("\r\n*** CONNECTED\r\n\nto\r\n"); // as a paste inserts it
        EXPECT_EQ(edit->text(), "< *** CONNECTED to >") << f.field;
        EXPECT_EQ(edit->cursorPosition(), 19) << f.field; // still just after the pasted text
        edit->selectAll();
        edit->insert("*** CONNECTED\r\nto\r\n"); // a copied line end goes
        EXPECT_EQ(edit->text(), "*** CONNECTED to") << f.field;
    }
    for (QDialog* d : {static_cast<QDialog*>(&tnc), static_cast<QDialog*>(&node)}) {
        release(d->findChild<QLineEdit*>());
        child<QPushButton>(*d, "cmdSave")->click();
    }
    for (const auto& f : fields)
        EXPECT_EQ(*f.setting, "*** CONNECTED to") << f.field;
}

TEST(DialogHelp, EachDialogOpensItsOwnPage) {
    RecordingMessageBoxes boxes;
    Settings settings;
    QTemporaryDir dir;
    QStringList pages;
    auto help = [&](QString page) { pages << page; };
    std::vector<std::pair<std::unique_ptr<QWidget>, QString>> cases;
    cases.emplace_back(std::make_unique<ConnectDialog>(dir.filePath("callsign.lst"), boxes, nullptr, help),
                       "ConDest.html");
    cases.emplace_back(std::make_unique<TncDialog>(settings, dir.path(), nullptr, help), "TNCParms.html");
    cases.emplace_back(std::make_unique<NodeDialog>(settings, nullptr, help), "NodeResp.html");
    for (auto& [dialog, page] : cases) {
        pages.clear();
        auto* item = dialog->findChild<QAction*>("mnuHelp");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(shownCaption(item->text()), "Help");
        item->trigger();
        EXPECT_EQ(pages, QStringList{page});
    }
}

// --- message boxes ---

namespace {
void closeOpenBoxes() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "MessageBox") w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
// Presses a button of the next modal box once it is up.
} // namespace

TEST(QtMessageBoxes, AnOkBoxDoesNotWaitAndIsNotStacked) {
    QtMessageBoxes boxes;
    boxes.show("Comm Error", "Framing Error");
    EXPECT_EQ(boxes.openCount(), 1);
    boxes.show("Comm Error", "Framing Error");
    EXPECT_EQ(boxes.openCount(), 1);
    boxes.show("Comm Error", "Overrun Error");
    EXPECT_EQ(boxes.openCount(), 2);
    closeOpenBoxes();
    EXPECT_EQ(boxes.openCount(), 0);
    boxes.show("Comm Error", "Framing Error");
    EXPECT_EQ(boxes.openCount(), 1);
    closeOpenBoxes();
}

// A question never holds up the caller: show() returns at once and the answer comes later.
TEST(QtMessageBoxes, QuestionsAnswerThroughTheirCallback) {
    struct Case {
        MessageBoxes::Buttons buttons;
        QDialogButtonBox::StandardButton press;
        MessageBoxes::Answer answer;
    };
    const std::vector<Case> cases = {
        {MessageBoxes::Buttons::OkCancel, QDialogButtonBox::Ok, MessageBoxes::Answer::Ok},
        {MessageBoxes::Buttons::OkCancel, QDialogButtonBox::Cancel, MessageBoxes::Answer::Cancel},
        {MessageBoxes::Buttons::YesNo, QDialogButtonBox::Yes, MessageBoxes::Answer::Yes},
        {MessageBoxes::Buttons::YesNo, QDialogButtonBox::No, MessageBoxes::Answer::No},
    };
    QtMessageBoxes boxes;
    for (const Case& c : cases) {
        std::optional<MessageBoxes::Answer> answer;
        boxes.show("Callsign needed", "Please enter a callsign", MessageBoxes::Icon::None, c.buttons,
                   [&](MessageBoxes::Answer a) { answer = a; });
        EXPECT_FALSE(answer.has_value());
        QDialog* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "MessageBox" && w->isVisible()) box = qobject_cast<QDialog*>(w);
        ASSERT_NE(box, nullptr);
        box->findChild<QDialogButtonBox*>()->button(c.press)->click();
        EXPECT_EQ(answer, c.answer);
        QApplication::processEvents();
    }
}
