// The software TNC: what the program types and what the modem sends, against the frames that go to
// the modem and the text the program reads back.
#include "softtnc/SoftTnc.h"
#include "TncSettings.h"
#include "support/Files.h"
#include "support/StationRig.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <variant>

using namespace tolvex;
using test::ManualScheduler;

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

struct Wait { // time passing
    int ms;
};
struct Lost { // the modem going away
};
struct Closed { // the program closing the port
};
// Typed by the program, sent by the modem, time, the modem lost or the port closed.
using Event = std::variant<QByteArray, AgwFrame, Wait, Lost, Closed>;
struct Row {
    const char* name;
    std::vector<Event> events;
    QList<QByteArray> sent;
    QByteArray printed;
    QByteArray callsign = "N0CALL";
};

struct SoftTncTest : ::testing::Test {
    SoftTncTest() : settings(test::softTncSettings("N0CALL")) { settings.SSID = "N0CALL-1"; }
    void check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            settings.Callsign = row.callsign;
            ManualScheduler clock;
            SoftTnc tnc(settings, transport, clock);
            QByteArray printed;
            tnc.onReceived = [&printed](const QByteArray& b) { printed += b; };
            ASSERT_TRUE(tnc.open({}));
            transport.sent.clear();
            for (const Event& e : row.events) {
                if (const auto* typed = std::get_if<QByteArray>(&e))
                    tnc.write(*typed);
                else if (const auto* frame = std::get_if<AgwFrame>(&e))
                    transport.onFrame(*frame);
                else if (const auto* wait = std::get_if<Wait>(&e))
                    clock.advance(wait->ms);
                else if (std::holds_alternative<Lost>(e))
                    transport.onError("gone");
                else
                    tnc.close();
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
    // Another link's frames, as the modem's monitor reports them.
    AgwFrame info = modem(
        'I', "N0AAA", " 1:Fm N0AAA To N0CCC <I R0 S0 pid=F0 Len=23 >[11:54:07]\r*** CONNECTED to N0XYZ\r");
    info.callTo = "N0CCC";
    AgwFrame ack = modem('S', "N0CCC", " 1:Fm N0CCC To N0AAA Via RELAY* <RR R1 >[11:54:08]\r");
    ack.callTo = "N0AAA";
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
         {ui, plainUi, modem('T', "N0CALL", "own frame"), info, ack},
         {},
         "N0AAA>CQ,RELAY*,WIDE2-1: <UI>:\rhello\rworld\rN0AAA>ID: <UI>:\rok\r"
         "N0AAA>N0CCC: <I R0 S0>:\r*** connected to N0XYZ\rN0CCC>N0AAA,RELAY*: <RR R1>\r"},
        {"registration refused",
         {modem('X', "N0CALL", B(1, '\0')), modem('X', "N0CALL", "\x01")},
         {},
         "?MYCALL N0CALL refused by the modem\r"},
        {"a disconnect for no link", {modem('d', "W1AW")}, {}, ""},
    });
}

TEST_F(SoftTncTest, openRegistersOnlyTheStationCallAndLosingTheModemIsAPortError) {
    ManualScheduler clock;
    SoftTnc tnc(settings, transport, clock);
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
    // The link went with the modem, and the program reads so as from a TNC.
    EXPECT_EQ(printed, "*** CONNECTED to W1AW\r\nx\r\ny\r\n*** DISCONNECTED\r\n");
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

TEST_F(SoftTncTest, callsNameAStationWhateverTheirCaseAndSsidZero) {
    using B = QByteArray;
    check({
        {"the modem drops the -0 of a connect",
         {B("C n0aaa-0\r"), modem('C', "N0AAA"), modem('D', "n0aaa", "hi\r"), modem('d', "N0AAA-00")},
         {"C N0CALL>N0AAA-0"},
         "C n0aaa-0\r*** CONNECTED to N0AAA\rhi\r*** DISCONNECTED\rcmd:"},
        {"a connect to -0 that gives up ends",
         {B("C N0AAA-0\r"), modem('d', "N0AAA", "*** DISCONNECTED RETRYOUT With N0AAA\r"), B("C\r")},
         {"C N0CALL>N0AAA-0"},
         "C N0AAA-0\r*** retry count exceeded\r*** DISCONNECTED\rcmd:C\rLink state is: DISCONNECTED\rcmd:"},
        {"other SSIDs are other stations",
         {B("C W1AW-1\r"), modem('C', "W1AW-10"), modem('C', "W1AW"), modem('d', "W1AW-11")},
         {"C N0CALL>W1AW-1", "d N0CALL>W1AW-10", "d N0CALL>W1AW"},
         "C W1AW-1\r"},
    });
}

TEST_F(SoftTncTest, aModemThatNeverAnswersDoesNotHoldTheLinkForever) {
    using B = QByteArray;
    const int direct = SoftTnc::giveUpMs(0);
    check({
        {"a connect gives up as a TNC's tries do, and the next one goes out",
         {B("C W1AW\r"), Wait{direct}, B("C K9XYZ\r")},
         {"C N0CALL>W1AW", "d N0CALL>W1AW", "C N0CALL>K9XYZ"},
         "C W1AW\r*** retry count exceeded\r*** DISCONNECTED\rcmd:C K9XYZ\r"},
        {"an answer just in time holds, and no limit runs on the link",
         {B("C W1AW\r"), Wait{direct - 1}, modem('C', "W1AW"), Wait{SoftTnc::giveUpMs(8)}},
         {"C N0CALL>W1AW"},
         "C W1AW\r*** CONNECTED to W1AW\r"},
        {"digipeaters give the modem longer",
         {B("C W1AW V RELAY WIDE2-2\r"), Wait{SoftTnc::giveUpMs(2) - 1}, modem('C', "W1AW")},
         {"v N0CALL>W1AW [RELAY,WIDE2-2]"},
         "C W1AW V RELAY WIDE2-2\r*** CONNECTED to W1AW\r"},
        {"an unconfirmed disconnect ends, asking again does not put it off",
         {modem('C', "W1AW"),
          B("\x03"
            "D\r"),
          Wait{direct / 2}, B("D\r"), Wait{direct / 2}, B("C K9XYZ\r")},
         {"d N0CALL>W1AW", "d N0CALL>W1AW", "C N0CALL>K9XYZ"},
         "*** CONNECTED to W1AW\rcmd:D\rcmd:D\rcmd:*** DISCONNECTED\rcmd:C K9XYZ\r"},
        {"the modem lost while connecting: the connect ends once",
         {B("C W1AW\r"), Lost{}, Wait{direct}},
         {"C N0CALL>W1AW"},
         "C W1AW\r*** DISCONNECTED\r"},
        {"the modem lost without a link: nothing to end", {Lost{}}, {}, ""},
        {"the port closed on a link: the modem drops it",
         {modem('C', "W1AW"), Closed{}},
         {},
         "*** CONNECTED to W1AW\r*** DISCONNECTED\r"},
    });
}

// The program reads nothing while the TNC settles after the port opens: what went wrong then is
// said again with the first command's answer, ahead of it.
TEST_F(SoftTncTest, warningsFromTheOpenAreRepeatedWithTheFirstCommand) {
    using B = QByteArray;
    const AgwFrame refused = modem('X', "N0CALL", B(1, '\0'));
    check({
        {"a station call no modem takes",
         {B("\r\x03\r"), B("UNPROTO\r"), B("UNPROTO\r")},
         {},
         "?bad callsign: N0CALL-99\r\rcmd:cmd:\rcmd:UNPROTO\r?bad callsign: N0CALL-99\rUNPROTO CQ\rcmd:"
         "UNPROTO\rUNPROTO CQ\rcmd:",
         "N0CALL-99"},
        {"a registration the modem refused, once; a later refusal is said when it comes",
         {refused, B("C\r"), refused, B("C\r")},
         {},
         "?MYCALL N0CALL refused by the modem\rC\r?MYCALL N0CALL refused by the modem\r"
         "Link state is: DISCONNECTED\rcmd:?MYCALL N0CALL refused by the modem\rC\rLink state is: "
         "DISCONNECTED\rcmd:"},
    });
}

// Start-up against the software TNC as the program runs it: the TNC's output reaches the
// receiver from the event loop, after the write that caused it. The UNPROTO path is learnt, and a
// station call the TNC refused at open is shown once the query is over.
TEST(SoftTncStartup, theUnprotoQueryAndWhatTheOpenSaid) {
    struct Case {
        QByteArray callsign, unprotoCmd;
        int warnings; // times the monitor shows the refused call
    };
    const Case cases[] = {
        {"N0CALL-99", "UNPROTO", 1},
        {"N0CALL", "U", 0}, // an abbreviated command still gets the setting's name back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.callsign.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(
            test::writeFile(dir.filePath("Parms.inf"),
                            "Callsign=" + c.callsign + "\r\nCmdCmd=3\r\nUnprotoCmd=" + c.unprotoCmd +
                                "\r\nLFout=0\r\nLFin=1\r\nBaudSet=3\r\nParitySet=2\r\nDataBitSet=1\r\n"));
        ASSERT_TRUE(test::writeFile(dir.filePath("MsgNo.inf"), "1\r\n"));
        test::StationRig rig{dir.path()};
        RecordingTransport transport;
        QByteArray output;
        SoftTnc tnc(rig.station.settings, transport, rig.clock);
        tnc.onReceived = [&output](const QByteArray& b) { output += b; };
        std::size_t forwarded = 0;
        ASSERT_TRUE(rig.startup.start());
        for (int ms = 0; ms <= 5000; ms += 10) {
            rig.clock.advance(ms ? 10 : 0);
            if (rig.port.isOpen() && !tnc.isOpen()) {
                ASSERT_TRUE(tnc.open({}));
            }
            for (; forwarded < rig.port.writes.size(); ++forwarded)
                tnc.write(rig.port.writes[forwarded].bytes);
            if (!output.isEmpty()) rig.port.receive(std::exchange(output, {}));
        }
        EXPECT_EQ(rig.port.written(), "\r\x03\r" + c.unprotoCmd + "\r");
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
        EXPECT_EQ(rig.session.SavedUnproto, "CQ");
        const QByteArray monitor = rig.view.pane("tbMon");
        EXPECT_EQ(monitor.count("?bad callsign: N0CALL-99\r"), c.warnings) << monitor.toStdString();
    }
}

} // namespace
