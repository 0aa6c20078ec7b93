#include "link/TncPort.h"
#include "support/Doubles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

class TncPortTest : public ::testing::Test {
protected:
    Settings s;
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    RecordingMainView view;
    QTemporaryDir dir;
    TncPort tnc{s, port, boxes, view, dir.path()};
    void SetUp() override {
        s.BaudSet = 3;
        s.ParitySet = 2;
        s.DataBitSet = 1;
        s.StopBitSet = 0;
        s.Duplex = "full";
        s.OutLineEnd = "\r";
    }
};

TEST(TncPortSettings, SettingsStringFromIndexes) {
    struct Case {
        int baud, parity, data, stop;
        const char* expected;
    };
    const Case cases[] = {
        {3, 2, 1, 0, "9600,n,8,1"}, {5, 1, 0, 1, "38400,e,7,2"}, {0, 0, 1, 0, "1200,o,8,1"},
        {6, 3, 2, 2, ",,,"},        {-1, 2, 1, 0, ",n,8,1"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.BaudSet = c.baud;
        s.ParitySet = c.parity;
        s.DataBitSet = c.data;
        s.StopBitSet = c.stop;
        EXPECT_EQ(TncPort::settingsString(s), c.expected);
    }
}

TEST_F(TncPortTest, OpensTheStationsPortLinkOrTheSystemPort) {
    EXPECT_EQ(TncPort::portDevice(dir.path(), 1), "/dev/ttyS0");
    ASSERT_TRUE(QDir(dir.path()).mkpath("Ports"));
    ASSERT_TRUE(
        QFile::link("/nonexistent/ttyUSB0", dir.filePath("Ports/COM3"))); // a dangling link still names it
    EXPECT_EQ(TncPort::portDevice(dir.path(), 3), dir.filePath("Ports/COM3"));
    s.ComPortSet = 2;
    s.BaudSet = 5;
    EXPECT_EQ(tnc.setComPort(), 1);
    EXPECT_EQ(port.lastConfig.device, dir.filePath("Ports/COM3"));
    EXPECT_EQ(port.lastConfig.baud, 38400);
    EXPECT_EQ(port.lastConfig.dataBits, 8);
    EXPECT_EQ(port.lastConfig.parity, SerialPort::Parity::None);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tnc.setComPort(), 1); // re-opening closes first
    EXPECT_EQ(port.closes, 1);
}

TEST_F(TncPortTest, PortThatWillNotOpenIsReportedOnce) {
    port.refuseOpen = true;
    EXPECT_EQ(tnc.setComPort(), 0);
    s.BaudSet = 9; // no such speed: refused before the port is tried
    port.refuseOpen = false;
    EXPECT_EQ(tnc.setComPort(), 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].title, "ComPort setup problem");
    EXPECT_EQ(boxes.shown[0].text, "Error setting com port parameters.\r\n"
                                   "Com port may be unavailable (non existent or already in use).\r\n"
                                   "Try using the SETUP/TNC PARAMETERS menu to select a different ComPort\r\n"
                                   "or different com port parameters");
    EXPECT_FALSE(tnc.isOpen());
    tnc.sendToTnc("lost"); // writes to a closed port go nowhere, without a crash

    // A port that knows why it failed (a modem file) has its reason follow the general text.
    s.BaudSet = 5;
    port.refuseOpen = true;
    port.problemText = "Ports/COM1: the modem port \"x\" is not a number from 1 to 65535";
    EXPECT_EQ(tnc.setComPort(), 0);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_TRUE(boxes.shown[2].text.endsWith("com port parameters\r\n\r\n" + port.problemText));
}

TEST_F(TncPortTest, KeysFollowTheDuplexAndEnterRules) {
    struct Case {
        const char* duplex;
        const char* outEnd;
        const char* pane;
        int key;
        QByteArray sent;
        bool kept;
    };
    const Case cases[] = {
        {"full", "\r", "tbMon", 'a', "a", false},     {"half", "\r", "tbMon", 'a', "a", true},
        {"half ", "\r", "tbMon", 'a', "a", true}, // anything but "full" echoes locally
        {"full", "\r\n", "tbMon", 13, "\r\n", false}, {"full", "\r", "tbMon", 13, "\r", false},
        {"full", "\r\n", "tbLocal", 13, "\r", false}, {"half", "\r", "tbLocal", 8, "\b", true},
        {"full", "\r", "tbMon", 3, "\x03", false},    {"half", "\r", "tbMon", 24, "", false},
        {"half", "\r", "tbLocal", 22, "", false},
    };
    ASSERT_EQ(tnc.setComPort(), 1);
    for (const Case& c : cases) {
        port.writes.clear();
        s.Duplex = c.duplex;
        s.OutLineEnd = c.outEnd;
        EXPECT_EQ(tnc.paneKeyPress(MainElement{c.pane}, c.key), c.kept) << c.duplex << c.key;
        EXPECT_EQ(port.written(), c.sent) << c.duplex << " key " << c.key;
    }
}

TEST_F(TncPortTest, EchoAndFocusGoToTheVisiblePane) {
    view.visible["tbMon"] = true;
    tnc.echoToPane("C N0CALL\r\n");
    tnc.focusToPanel();
    EXPECT_EQ(view.pane("tbMon"), "C N0CALL\r\n");
    EXPECT_EQ(view.focus, "tbMon");
    view.visible["tbMon"] = false;
    tnc.echoToPane("D\r\n");
    tnc.rcvdKeyPress();
    EXPECT_EQ(view.pane("tbLocal"), "D\r\n");
    EXPECT_EQ(view.focus, "tbLocal");
}

TEST_F(TncPortTest, CommErrorsAreShownAndALostDeviceOnlyOnce) {
    ASSERT_EQ(tnc.setComPort(), 1);
    port.onError(SerialPort::Error::Break);
    port.onError(SerialPort::Error::Framing);
    port.onError(SerialPort::Error::DeviceLost);
    port.onError(SerialPort::Error::DeviceLost);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].title, "Comm Error");
    EXPECT_EQ(boxes.shown[0].text, "Break Received");
    EXPECT_EQ(boxes.shown[1].text, "Framing Error");
    EXPECT_FALSE(tnc.isOpen());

    port.problemText = "the modem at 127.0.0.1:8000: Connection refused";
    ASSERT_EQ(tnc.setComPort(), 1);
    port.onError(SerialPort::Error::DeviceLost);
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_TRUE(boxes.shown[3].text.endsWith("\r\n\r\n" + port.problemText));
}

TEST_F(TncPortTest, ReceivedChunksReachComInputWhole) {
    QByteArray got;
    tnc.onComInput = [&](const QByteArray& c) { got += c; };
    ASSERT_EQ(tnc.setComPort(), 1);
    const QByteArray bytes("a\0b\xff\r", 5);
    port.receive(bytes);
    EXPECT_EQ(got, bytes);
}
