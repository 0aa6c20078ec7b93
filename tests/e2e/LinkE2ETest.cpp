// The whole station in-process (offscreen windows, real serial port, real timers) against the TNC
// simulator: connect through two nodes and back down, the mailbox round trip, and a framed
// message brought by a distant station. Bytes are checked on the line through the simulator's log.
#include "app/Application.h"
#include "tncsim/SimHarness.h"

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

const QString kBin = QStringLiteral(TOLVEX_BIN_DIR);

class SimulatedStation : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dir;
    QString log;
    QProcess sim;

    // A station N0CALL on the simulator, with the given distant-station script.
    bool start(const QByteArray& script) {
        dir = tmp.filePath("st");
        log = tmp.filePath("sim.log");
        QDir().mkpath(dir);
        for (const QString& name : QDir(kBin + "/station-default").entryList(QDir::Files))
            QFile::copy(kBin + "/station-default/" + name, dir + "/" + name);
        QDir().mkpath(dir + "/Messages");
        QFile parms(dir + "/Parms.inf");
        if (!parms.open(QIODevice::ReadOnly)) return false;
        QByteArray text = parms.readAll();
        parms.close();
        text.replace("Callsign=\r\n", "Callsign=N0CALL\r\n").replace("SSID=\r\n", "SSID=N0CALL-1\r\n");
        QFile::setPermissions(dir + "/Parms.inf", QFile::ReadOwner | QFile::WriteOwner);
        if (!parms.open(QIODevice::WriteOnly)) return false;
        parms.write(text);
        parms.close();
        QFile s(tmp.filePath("far.script"));
        if (!s.open(QIODevice::WriteOnly)) return false;
        s.write(script);
        s.close();
        sim.start(TNCSIM_BIN, {"--node", "NOD1:N0NOD1", "--node", "NOD2:N0NOD2", "--script",
                               tmp.filePath("far.script"), "--log", log, dir + "=N0CALL"});
        if (!sim.waitForStarted(5000)) return false;
        QByteArray out;
        for (int i = 0; i < 50 && !out.contains("tncsim ready"); ++i) {
            sim.waitForReadyRead(100);
            out += sim.readAllStandardOutput();
        }
        return out.contains("tncsim ready");
    }
    void TearDown() override {
        sim.terminate();
        sim.waitForFinished(3000);
    }
    // What the program wrote to its TNC so far.
    QByteArray written() {
        QByteArray all;
        for (const std::string& line : tncsimtest::logged(log.toStdString(), "N0CALL< "))
            all += line.c_str();
        return all;
    }
};

QString caption(MainWindow& w, const char* name) {
    auto* label = w.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<missing>");
}

QPushButton* button(QWidget& w, const char* name) {
    return w.findChild<QPushButton*>(name);
}

QWidget* window(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == name && top->isVisible()) return top;
    return nullptr;
}

} // namespace

TEST_F(SimulatedStation, ConnectsThroughTwoNodesAndBackDown) {
    ASSERT_TRUE(start("station N0FAR\naccept on\n"));
    Application station(dir);
    ASSERT_TRUE(station.start());
    MainWindow& w = station.mainWindow();
    // The start-up query is answered and the monitor cleared.
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.logic().session.SavedUnproto == "CQ"; }, 8000));
    EXPECT_EQ(station.logic().session.state(), LinkState::LinkIdle);

    button(w, "cmdDest")->click();
    QWidget* dialog = window("frmConnect");
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("txtToAdd")->setText("N0FAR,N0NOD1,N0NOD2");
    button(*dialog, "cmdConnect")->click();
    EXPECT_EQ(caption(w, "lblConn"), "Connecting");
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption(w, "lblConn") == "Connected"; }, 8000))
        << written().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return written().endsWith("C N0NOD1\rC N0NOD2\rC N0FAR\r"); }, 2000))
        << written().toPercentEncoding().toStdString();
    EXPECT_EQ(station.logic().session.state(), LinkState::LinkCalling);
    EXPECT_FALSE(button(w, "cmdDisc")->isHidden());

    button(w, "cmdDisc")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return written().endsWith("D\r"); }, 6000));
    EXPECT_TRUE(written().endsWith("C N0FAR\r\r\x03"
                                   "D\r"))
        << written().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !button(w, "cmdLocalBBS")->isHidden(); }, 2000));
    EXPECT_EQ(caption(w, "lblConn"), "");
    EXPECT_TRUE(button(w, "cmdDisc")->isHidden());
    EXPECT_EQ(station.logic().session.state(), LinkState::LinkIdle);
}

TEST_F(SimulatedStation, MailboxRoundTrip) {
    ASSERT_TRUE(start("station N0FAR\n"));
    Application station(dir);
    ASSERT_TRUE(station.start());
    MainWindow& w = station.mainWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.logic().session.SavedUnproto == "CQ"; }, 8000));

    button(w, "cmdLocalBBS")->click();
    EXPECT_FALSE(w.findChild<QPlainTextEdit*>("tbLocal")->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption(w, "lblConn") == "Connected-BBS"; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return written().endsWith("\r\x03"
                                      "C N0CALL-1\r");
        },
        2000))
        << written().toPercentEncoding().toStdString();
    auto* local = w.findChild<QPlainTextEdit*>("tbLocal");
    ASSERT_TRUE(QTest::qWaitFor([&] { return local->toPlainText().contains("ENTER COMMAND"); }, 5000));

    button(w, "cmdViewRcv")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return written().endsWith("B\r"); }, 2000));
    // The mailbox view stays until the mailbox hangs up.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return station.logic().session.state() == LinkState::LinkIdle; }, 5000));
    EXPECT_TRUE(local->isHidden());
    EXPECT_FALSE(w.findChild<QPlainTextEdit*>("tbMon")->isHidden());
    EXPECT_EQ(station.logic().session.state(), LinkState::LinkIdle);
    EXPECT_EQ(caption(w, "lblConn"), "");
}

TEST_F(SimulatedStation, FramedMessageFromADistantStationIsHandedOver) {
    ASSERT_TRUE(start("station N0FAR\nwait 4000\nconnect N0CALL\nwait 500\n"
                      "send .hdr  _N0FAR _Shelter count\nsend\nsend Shelter 3 holds 41 people.\n"
                      "send $^\nwait 500\ndisconnect\n"));
    Application station(dir);
    ASSERT_TRUE(station.start());
    MainWindow& w = station.mainWindow();
    auto* rcvd = w.findChild<QTextEdit*>("rtbRcvd");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rcvd->toPlainText().contains("41 people"); }, 12000));
    EXPECT_TRUE(rcvd->toPlainText().contains(".hdr  _N0FAR _Shelter count"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return station.logic().session.state() == LinkState::LinkIdle; }, 5000));
    // The link dropped by the far end: the TNC is put back in command mode.
    EXPECT_TRUE(QTest::qWaitFor([&] { return written().endsWith("\x03\r"); }, 2000))
        << written().toStdString();
}
