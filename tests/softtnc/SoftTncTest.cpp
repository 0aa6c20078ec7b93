// The software TNC: what the program types and what the modem sends, against the frames that go to
// the modem and the text the program reads back.
#include "softtnc/SoftTnc.h"

#include <gtest/gtest.h>
#include <variant>

using namespace tolvex;

namespace {

struct RecordingTransport : AgwTransport {
    bool open() override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void send(const AgwFrame& frame) override { sent.append(frame); }
    bool opened = false;
    QList<AgwFrame> sent;
};

// "kind FROM>TO data", with the digipeaters of 'V' and 'v' spelt out as [D1,D2].
QByteArray describe(const AgwFrame& f) {
    QByteArray data = f.data;
    if ((f.kind == 'V' || f.kind == 'v') && !data.isEmpty()) {
        const int count = data[0];
        QList<QByteArray> digis;
        for (int i = 0; i < count; ++i)
            digis.append(data.mid(1 + 10 * i, 10).split('\0').first());
        data = '[' + digis.join(',') + ']' + data.mid(1 + 10 * count);
    }
    return QByteArray(1, f.kind) + ' ' + f.callFrom + '>' + f.callTo + (data.isEmpty() ? "" : " " + data);
}

AgwFrame modem(char kind, QByteArray from, QByteArray data = {}) {
    AgwFrame f;
    f.kind = kind;
    f.callFrom = std::move(from);
    f.callTo = "N0CALL";
    f.data = std::move(data);
    return f;
}

using Event = std::variant<QByteArray, AgwFrame>; // typed by the program, or sent by the modem
struct Row {
    const char* name;
    std::vector<Event> events;
    QList<QByteArray> sent;
    QByteArray printed;
};

struct SoftTncTest : ::testing::Test {
    SoftTncTest() {
        settings.Callsign = "N0CALL";
        settings.SSID = "N0CALL-1";
        settings.TNCCmd = "cmd:";
        settings.CmdCmd = "3";
        settings.ConnCmd = "C";
        settings.DisconCmd = "D";
        settings.ConverseCmd = "CONV";
        settings.UnprotoCmd = "UNPROTO";
        settings.ConnStr = "*** CONNECTED";
        settings.DisconStr = "*** DISCONNECTED";
        settings.InLineEnd = "\r";
    }
    void check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SoftTnc tnc(settings, transport);
            QByteArray printed;
            tnc.onReceived = [&printed](const QByteArray& b) { printed += b; };
            ASSERT_TRUE(tnc.open({}));
            transport.sent.clear();
            for (const Event& e : row.events) {
                if (const auto* typed = std::get_if<QByteArray>(&e))
                    tnc.write(*typed);
                else
                    transport.onFrame(std::get<AgwFrame>(e));
            }
            QList<QByteArray> sent;
            for (const AgwFrame& f : std::as_const(transport.sent))
                sent.append(describe(f));
            EXPECT_EQ(sent, row.sent) << row.name;
            EXPECT_EQ(printed, row.printed) << row.name;
        }
    }
    Settings settings;
    RecordingTransport transport;
};

TEST_F(SoftTncTest, typedCommands) {
    using B = QByteArray;
    check({
        {"empty line", {B("\r")}, {}, "\rcmd:"},
        {"CR LF is one line end", {B("UNPROTO\r\n")}, {}, "UNPROTO\rUNPROTO CQ\rcmd:"},
        {"unproto path set and shown",
         {B("unproto bln v relay,wide1-1\rUNPROTO\r")},
         {},
         "unproto bln v relay,wide1-1\rcmd:UNPROTO\rUNPROTO BLN VIA RELAY,WIDE1-1\rcmd:"},
        {"connect", {B("C W1AW\r")}, {"C N0CALL>W1AW"}, "C W1AW\r"},
        {"connect via",
         {B("c w1aw via relay wide2-2\r")},
         {"v N0CALL>W1AW [RELAY,WIDE2-2]"},
         "c w1aw via relay wide2-2\r"},
        {"disconnect without a link", {B("D\r")}, {}, "D\rLink state is: DISCONNECTED\rcmd:"},
        {"unknown command", {B("SYSOP\r")}, {}, "SYSOP\r?EH\rcmd:"},
        {"mycall shown", {B("MYCALL\r")}, {}, "MYCALL\rMYCALL N0CALL\rcmd:"},
        {"mycall set registers",
         {B("MYCALL k1abc-2\r")},
         {"x N0CALL>", "X K1ABC-2>"},
         "MYCALL k1abc-2\rMYCALL was N0CALL\rcmd:"},
        {"callsign too long",
         {B("MYCALL N0CALLTOOLONG\r")},
         {},
         "MYCALL N0CALLTOOLONG\r?callsign too long: N0CALLTOOLONG (9 characters at most)\rcmd:"},
        {"digipeater call too long",
         {B("C W1AW V RELAYRELAYR\r")},
         {},
         "C W1AW V RELAYRELAYR\r?callsign too long: RELAYRELAYR (9 characters at most)\rcmd:"},
        {"bad ssid", {B("C W1AW-16\r")}, {}, "C W1AW-16\r?bad callsign: W1AW-16\rcmd:"},
        {"via without digipeater", {B("C W1AW V\r")}, {}, "C W1AW V\r?digipeater missing after VIA\rcmd:"},
        {"backspace", {B("MYCALX\bL\r")}, {}, "MYCALX\b \bL\rMYCALL N0CALL\rcmd:"},
        {"converse without a link sends UI", {B("CONV\rhello\r")}, {"M N0CALL>CQ hello\r"}, "CONV\rhello\r"},
        {"converse UI through digipeaters, then back to command mode",
         {B("UNPROTO CQ VIA RELAY\rCONV\rhi\r\x03UNPROTO\r")},
         {"V N0CALL>CQ [RELAY]hi\r"},
         "UNPROTO CQ VIA RELAY\rcmd:CONV\rhi\rcmd:UNPROTO\rUNPROTO CQ VIA RELAY\rcmd:"},
    });
}

TEST_F(SoftTncTest, framesFromTheModem) {
    using B = QByteArray;
    const B monitorHead = " 1:Fm N0AAA To CQ Via RELAY*,WIDE2-1 <UI pid=F0 Len=12 PF=0 >[11:54:06]\r";
    AgwFrame ui = modem('U', "N0AAA", monitorHead + "hello\rworld\r" + B(1, '\0'));
    ui.callTo = "CQ";
    AgwFrame plainUi = modem('U', "N0AAA", " 1:Fm N0AAA To ID <UI pid=F0 Len=2 PF=0 >[11:54:06]\rok\r");
    plainUi.callTo = "ID";
    check({
        {"incoming link: text both ways, then down",
         {modem('C', "W1AW", "*** CONNECTED To Station W1AW\r"), B("hi\r"), modem('D', "W1AW", "a\rb\r"), ui,
          modem('D', "K9XYZ", "not ours\r"), modem('d', "W1AW", "*** DISCONNECTED From Station W1AW\r")},
         {"D N0CALL>W1AW hi\r"},
         "*** CONNECTED to W1AW\rhi\ra\rb\r*** DISCONNECTED\rcmd:"},
        {"outgoing link, disconnected by the operator",
         {B("C W1AW\r"), modem('C', "W1AW"),
          B("\x03"
            "D\r"),
          modem('d', "W1AW")},
         {"C N0CALL>W1AW", "d N0CALL>W1AW"},
         "C W1AW\r*** CONNECTED to W1AW\rcmd:D\rcmd:*** DISCONNECTED\rcmd:"},
        {"no mailbox answers: the connect gives up",
         {B("C N0CALL-1\r"), modem('d', "N0CALL-1", B("*** DISCONNECTED RETRYOUT With N0CALL-1\r\0", 42))},
         {"C N0CALL>N0CALL-1"},
         "C N0CALL-1\r*** retry count exceeded\r*** DISCONNECTED\rcmd:"},
        {"a second station is sent away",
         {modem('C', "W1AW"), modem('C', "K9XYZ"), modem('d', "K9XYZ")},
         {"d N0CALL>K9XYZ"},
         "*** CONNECTED to W1AW\r"},
        {"monitored UI frames",
         {ui, plainUi, modem('T', "N0CALL", "own frame")},
         {},
         "N0AAA>CQ,RELAY*,WIDE2-1: <UI>:\rhello\rworld\rN0AAA>ID: <UI>:\rok\r"},
        {"registration refused",
         {modem('X', "N0CALL", B(1, '\0')), modem('X', "N0CALL", "\x01")},
         {},
         "?MYCALL N0CALL refused by the modem\r"},
        {"a disconnect for no link", {modem('d', "W1AW")}, {}, ""},
    });
}

TEST_F(SoftTncTest, openRegistersOnlyTheStationCallAndLosingTheModemIsAPortError) {
    SoftTnc tnc(settings, transport);
    EXPECT_FALSE(tnc.write("C W1AW\r"));
    ASSERT_TRUE(tnc.open({}));
    QList<QByteArray> sent;
    for (const AgwFrame& f : std::as_const(transport.sent))
        sent.append(describe(f));
    EXPECT_EQ(sent, (QList<QByteArray>{"X N0CALL>", "m >"}));

    settings.InLineEnd = "\n"; // the program reads LF line ends: CR LF, as with AUTOLF on
    QByteArray printed;
    tnc.onReceived = [&printed](const QByteArray& b) { printed += b; };
    transport.onFrame(modem('C', "W1AW"));
    transport.onFrame(modem('D', "W1AW", "x\r\ny\r"));
    EXPECT_EQ(printed, "*** CONNECTED to W1AW\r\nx\r\ny\r\n");

    std::vector<SerialPort::Error> errors;
    tnc.onError = [&errors](SerialPort::Error e) { errors.push_back(e); };
    transport.onError("connection refused");
    EXPECT_EQ(errors, std::vector<SerialPort::Error>{SerialPort::Error::DeviceLost});
    EXPECT_EQ(tnc.problem(), "connection refused");
    EXPECT_FALSE(tnc.isOpen());
    EXPECT_TRUE(tnc.linkPartner().isEmpty());

    // A station call no modem can take is said at once, and nothing is registered.
    settings.Callsign = "N0CALLSIGN-1";
    transport.sent.clear();
    printed.clear();
    ASSERT_TRUE(tnc.open({}));
    EXPECT_TRUE(tnc.problem().isEmpty());
    EXPECT_EQ(printed, "?callsign too long: N0CALLSIGN-1 (9 characters at most)\r\n");
    EXPECT_EQ(transport.sent.size(), 1);
}

} // namespace
