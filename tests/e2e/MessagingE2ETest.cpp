// Two stations on one simulated channel: a formal message composed at A goes to B through a node,
// B keeps and shows it, A keeps what went out; a send cut short by Disconnect leaves the message
// pending and types nothing of it after the command-mode character.
#include "Stations.h"
#include "app/Application.h"
#include "tncsim/SimHarness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

// A station whose form is short, so the paced send stays short.
QString makeStation(const QString& dir, const QByteArray& call) {
    if (e2e::makeStation(dir, call, "MsgFormPref=Short.frm").isEmpty()) return {};
    QFile form(dir + "/Forms/Short.frm");
    if (!form.open(QIODevice::WriteOnly)) return {};
    form.write("NR <M> DE <C>\r\nTEXT =\r\n");
    return dir;
}

QWidget* topLevel(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == name && top->isVisible()) return top;
    return nullptr;
}

QStringList files(const QString& dir, const char* pattern) {
    return QDir(dir + "/Messages").entryList({QString::fromLatin1(pattern)}, QDir::Files, QDir::Name);
}

} // namespace

TEST(MessagingE2E, FormalMessageThroughANodeAndAnInterruptedSend) {
    QTemporaryDir tmp;
    const QString a = makeStation(tmp.filePath("a"), "N0AAA");
    const QString b = makeStation(tmp.filePath("b"), "N0BBB");
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    const QString log = tmp.filePath("sim.log");
    QProcess sim;
    ASSERT_TRUE(
        e2e::startSimulator(sim, {"--node", "NOD1:N0NOD1", "--log", log, a + "=N0AAA", b + "=N0BBB"}));

    Application stationA(a), stationB(b);
    ASSERT_TRUE(stationA.start());
    ASSERT_TRUE(stationB.start());
    StationLogic& la = stationA.logic();
    StationLogic& lb = stationB.logic();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !la.session.SavedUnproto.isEmpty(); }, 8000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lb.session.SavedUnproto.isEmpty(); }, 8000));

    // Formal: the form filled in, Tab to the field, confirmation asked, Done.
    stationA.mainWindow().findChild<QPushButton*>("cmdCompose")->click();
    QWidget* compose = topLevel("frmCompose");
    ASSERT_NE(compose, nullptr);
    auto* text = compose->findChild<QPlainTextEdit*>("Text1");
    EXPECT_EQ(text->toPlainText(), "NR  001  DE  N0AAA \nTEXT =\n");
    text->setPlainText("NR  001  DE  N0AAA \nTEXT Shelter 3 open, 41 people.\n");
    compose->findChild<QLineEdit*>("txtSubject")->setText("Shelter");
    compose->findChild<QCheckBox*>("chkAck")->setChecked(true);
    compose->findChild<QPushButton*>("cmdDone")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return topLevel("frmCompose") == nullptr; }, 2000));
    EXPECT_TRUE(la.pending.isPending());
    EXPECT_EQ(la.station.MsgNo, "2");
    EXPECT_TRUE(QFile::exists(a + "/Messages/temp.txt"));

    // Through the node to B, then Send.
    ASSERT_TRUE(la.connect.connect("N0BBB,N0NOD1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return la.session.linkUp() && lb.session.linkUp(); }, 10000));
    auto* sendA = stationA.mainWindow().findChild<QPushButton*>("cmdSend");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sendA->isHidden(); }, 2000));
    sendA->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return files(b, "r*.txt").size() == 1; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return files(a, "s*.txt").size() == 1; }, 5000));

    const QByteArray header = la.pending.header();
    const QByteArray body = la.pending.body();
    EXPECT_EQ(header, ".hdr  .ack  _N0AAA _Shelter");
    EXPECT_TRUE(files(a, "s*.txt")[0].endsWith("_N0BBB_Shelter.txt"));
    EXPECT_EQ(test::readFile(a + "/Messages/" + files(a, "s*.txt")[0]), header + "\r\n\r\n" + body + "\r\n");
    // B keeps the banner and the message as it came over the air (CR line ends, "$^" blanked).
    QByteArray onAir = body;
    onAir.replace("\r\n", "\r").replace("$^", "  ");
    onAir.chop(1); // the capture ends right after the end marker
    const QByteArray received = test::readFile(b + "/Messages/" + files(b, "r*.txt")[0]);
    EXPECT_TRUE(received.startsWith("\r\n\r\n=========== MESSAGE RECEIVED  "));
    EXPECT_TRUE(received.endsWith(header + "\r\r" + onAir + "\r\n"))
        << received.toPercentEncoding().toStdString();
    EXPECT_TRUE(files(b, "r*.txt")[0].endsWith("_N0AAA_Shelter.txt"));
    auto* rcvdB = stationB.mainWindow().findChild<QTextEdit*>("rtbRcvd");
    EXPECT_TRUE(rcvdB->toPlainText().contains(
        ">> Please confirm receipt of this message from N0AAA Subject: Shelter <<"));
    EXPECT_EQ(stationB.mainWindow().findChild<QLabel*>("lblRCount_1")->text(), "1");

    // A second send, cut short by Disconnect: nothing of it after the command-mode character.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !la.session.Sending; }, 5000));
    sendA->click();
    QTest::qWait(500);
    stationA.mainWindow().findChild<QPushButton*>("cmdDisc")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return la.session.state() == LinkState::LinkIdle; }, 6000));
    QTest::qWait(500);
    QByteArray written;
    for (const std::string& line : tncsimtest::logged(log.toStdString(), "N0AAA< "))
        written += line.c_str();
    const qsizetype cmd = written.lastIndexOf('\x03');
    ASSERT_GE(cmd, 0);
    EXPECT_FALSE(written.mid(cmd).contains("Shelter")) << written.mid(cmd).toStdString();
    EXPECT_TRUE(la.pending.isPending());
    EXPECT_FALSE(stationA.mainWindow().findChild<QWidget*>("Frame1")->isHidden());
    EXPECT_EQ(files(a, "s*.txt").size(), 1);

    stationA.shutdown();
    stationB.shutdown();
    QTest::qWait(2500);
    sim.terminate();
    sim.waitForFinished(3000);
}

// Formal, Scratchpad and Edit Message while a compose window is open bring that one window to the
// front and change nothing in it: no second window, no second message number, nothing discarded.
TEST(MessagingE2E, OneComposeWindowWhicheverButtonIsPressed) {
    QTemporaryDir tmp;
    const QString a = makeStation(tmp.filePath("a"), "N0AAA");
    ASSERT_FALSE(a.isEmpty());
    QProcess sim;
    ASSERT_TRUE(e2e::startSimulator(sim, {a + "=N0AAA"}));
    Application station(a);
    ASSERT_TRUE(station.start());
    StationLogic& logic = station.logic();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !logic.session.SavedUnproto.isEmpty(); }, 8000));
    const auto composeWindows = [] {
        QList<QWidget*> found;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("frmCompose") && top->isVisible()) found << top;
        return found;
    };
    const auto press = [&](const char* button) {
        station.mainWindow().findChild<QPushButton*>(QLatin1String(button))->click();
    };

    // A pending message, then a formal one opened over it and half written.
    press("cmdScratch");
    ASSERT_EQ(composeWindows().size(), 1);
    composeWindows()[0]->findChild<QPlainTextEdit*>("Text1")->setPlainText("first");
    composeWindows()[0]->findChild<QPushButton*>("cmdDone")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return composeWindows().isEmpty(); }, 2000));
    press("cmdCompose");
    ASSERT_EQ(composeWindows().size(), 1);
    QWidget* compose = composeWindows()[0];
    auto* text = compose->findChild<QPlainTextEdit*>("Text1");
    text->setPlainText("half written");
    for (const char* button : {"cmdCompose", "cmdScratch", "cmdEdit", "cmdCompose"}) {
        SCOPED_TRACE(button);
        press(button);
        QCoreApplication::processEvents();
        EXPECT_EQ(composeWindows(), QList<QWidget*>{compose});
        EXPECT_EQ(text->toPlainText(), "half written");
        EXPECT_EQ(compose->windowTitle(), "Compose Formal Message");
    }
    compose->findChild<QPushButton*>("cmdDone")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return composeWindows().isEmpty(); }, 2000));
    EXPECT_EQ(logic.station.MsgNo, "2"); // one number taken
    EXPECT_EQ(logic.pending.body(), "half written\r\n$^\r\n");

    // Once it is closed, the next press opens a new one.
    press("cmdEdit");
    ASSERT_EQ(composeWindows().size(), 1);
    EXPECT_EQ(composeWindows()[0]->windowTitle(), "Edit Message");
    composeWindows()[0]->close();

    station.shutdown();
    QTest::qWait(2500);
    sim.terminate();
    sim.waitForFinished(3000);
}
