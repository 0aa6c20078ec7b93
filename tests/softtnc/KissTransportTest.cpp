// The software TNC over a KISS TNC: what the program types and what is heard on the channel,
// against the frames that go to the TNC and the text the program reads back, which is the text it
// reads from a TNC in command mode.
#include "softtnc/KissTransport.h"
#include "TncSettings.h"
#include "softtnc/Ax25Notation.h"
#include "softtnc/SoftTnc.h"
#include "support/Doubles.h"

#include <gtest/gtest.h>
#include <variant>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct FakeLine : KissLine {
    bool open() override { return opened = !refuse; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void write(const QByteArray& bytes) override { written += bytes; }
    QByteArray name() const override { return "/dev/ttyKISS"; }
    bool opened = false, refuse = false;
    QByteArray written;
};

struct Heard { // a frame from the channel, in the test notation (to N0KIS, from N0BBB by default)
    const char* frame;
};
struct Bytes { // raw bytes from the TNC
    QByteArray bytes;
};
struct Wait {
    int ms;
};
struct Lost {};
struct Reopened {}; // the program closing and opening the port again
using Step = std::variant<const char*, Heard, Bytes, Wait, Lost, Reopened>; // const char*: typed

struct Row {
    const char* name;
    std::vector<Step> steps;
    const char* sent;   // to the TNC: frames in the notation, parameters as "TXDELAY=40", "; " between
    QByteArray printed; // what the program reads
};

TEST(KissTransport, theProgramSeesATncInCommandMode) {
    Settings settings = test::softTncSettings("N0KIS");

    const Row rows[] = {
        {"connect, talk, disconnect",
         {"C N0BBB\r", Heard{"r UA F"}, "hello\r", Heard{"c I S0 R1 P =hi\r"}, "\3D\r", Heard{"r UA F"}},
         "c SABM P; c I S0 R0 =hello\r; r RR R1 F; c DISC P",
         "C N0BBB\r*** CONNECTED to N0BBB\rhello\rhi\rcmd:D\rcmd:*** DISCONNECTED\rcmd:"},
        {"called, and the caller ends it",
         {Heard{"c SABM P"}, Heard{"c DISC P"}},
         "r UA F; r UA F",
         "*** CONNECTED to N0BBB\r*** DISCONNECTED\rcmd:"},
        {"a 2.2 caller falls back",
         {Heard{"c SABME P"}, Heard{"c SABM P"}},
         "r DM F; r UA F",
         "*** CONNECTED to N0BBB\r"},
        {"busy",
         {"C N0BBB\r", Heard{"r DM F"}},
         "c SABM P",
         "C N0BBB\r*** N0BBB busy\r*** DISCONNECTED\rcmd:"},
        {"nobody answers",
         {"C N0BBB VIA RELAY\r", Wait{600'000}},
         "c SABM P via RELAY; c SABM P via RELAY; c SABM P via RELAY; c SABM P via RELAY; c SABM P via "
         "RELAY; "
         "c SABM P via RELAY; c SABM P via RELAY; c SABM P via RELAY; c SABM P via RELAY; c SABM P via "
         "RELAY; "
         "c SABM P via RELAY",
         "C N0BBB VIA RELAY\r*** retry count exceeded\r*** DISCONNECTED\rcmd:"},
        {"link lost on the air",
         {Heard{"c SABM P"}, "x\r", Wait{600'000}},
         "r UA F; c I S0 R0 =x\r; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 "
         "P; "
         "c RR R0 P; c RR R0 P; c RR R0 P; r DM",
         "*** CONNECTED to N0BBB\rx\r*** retry count exceeded\r*** DISCONNECTED\rcmd:"},
        {"a stale link after a restart is ended",
         {Heard{"c RR R3 P"}, Heard{"c I S2 R1 =x"}},
         "r DM F; r DM",
         ""},
        {"unproto with a path, and the monitor",
         {"UNPROTO CQ VIA RELAY\rCONV\rhello\r", Heard{"N0XXX c UI =hi there\r"}},
         "CQ c UI via RELAY =hello\r",
         "UNPROTO CQ VIA RELAY\rcmd:CONV\rhello\rN0XXX>N0KIS: <UI>:\rhi there\r"},
        {"other links' frames are monitored as a TNC shows them, their link texts in the other case",
         {Heard{"N0AAA>N0CCC c SABM P"}, Heard{"N0CCC>N0AAA r UA F"},
          Heard{"N0AAA>N0CCC c I S0 R0 =*** CONNECTED to N0XYZ\r.hdr  _N0AAA _Report\r"},
          Heard{"N0CCC>N0AAA r RR R1"}, Heard{"N0CCC>N0AAA r RNR R1"}, Heard{"N0CCC>N0AAA c REJ R0 P"},
          Heard{"N0CCC>N0AAA c I S0 R1 via RELAY*,WIDE2 =bye *** DISCONNECTED"},
          Heard{"N0AAA>N0CCC r FRMR F =abc"}, Heard{"N0AAA>N0CCC c DISC P"}, Heard{"N0CCC>N0AAA r DM F"},
          Heard{"N0AAA>N0CCC c SABME P"}, Heard{"N0AAA>N0CCC c TEST P =t"}, Heard{"N0AAA>N0CCC c XID P"}},
         "",
         "N0AAA>N0CCC: <SABM P>\rN0CCC>N0AAA: <UA F>\rN0AAA>N0CCC: <I S0 R0>:\r*** connected to "
         "N0XYZ\r.hdr  _N0AAA _Report\rN0CCC>N0AAA: <RR R1>\rN0CCC>N0AAA: <RNR R1>\rN0CCC>N0AAA: <REJ R0 "
         "P>\rN0CCC>N0AAA,RELAY*,WIDE2: <I S0 R1>:\rbye *** disconnected\rN0AAA>N0CCC: <FRMR "
         "F>\rN0AAA>N0CCC: "
         "<DISC P>\rN0CCC>N0AAA: <DM F>\rN0AAA>N0CCC: <SABME P>\rN0AAA>N0CCC: <TEST P>\rN0AAA>N0CCC: <XID "
         "P>\r"},
        {"nothing is monitored while a link of ours is made, up or ended",
         {"C N0BBB\r", Heard{"N0AAA>N0CCC c I S0 R0 =*** DISCONNECTED"}, Heard{"N0XXX c UI =calling"},
          Heard{"r UA F"}, Heard{"N0AAA>N0CCC c I S1 R0 =.hdr  _N0AAA _Up"}, Heard{"N0XXX c UI =up"}, "\3D\r",
          Heard{"N0AAA>N0CCC c I S2 R0 =ending"}, Heard{"r UA F"}, Heard{"N0AAA>N0CCC c I S3 R0 =after"}},
         "c SABM P; c DISC P",
         "C N0BBB\r*** CONNECTED to N0BBB\rcmd:D\rcmd:*** DISCONNECTED\rcmd:N0AAA>N0CCC: <I S3 "
         "R0>:\rafter\r"},
        {"garbage and broken frames are skipped",
         {Bytes{QByteArray::fromHex("C000") + "garbage" + QByteArray::fromHex("C0") + " noise " +
                QByteArray::fromHex("C000DB41C0")},
          Heard{"N0XXX c UI =ok"}},
         "",
         "N0XXX>N0KIS: <UI>:\rok\r"},
        {"parameters",
         {"MAXFRAME\r", "MAXFRAME 7\r", "maxframe 9\r", "TXDELAY 40\r", "PACLEN x\r", "FROB\r"},
         "TXDELAY=40",
         "MAXFRAME\rMAXFRAME 4\rcmd:MAXFRAME 7\rMAXFRAME was 4\rcmd:maxframe 9\r?bad value: MAXFRAME takes 1 "
         "to "
         "7\rcmd:TXDELAY 40\rTXDELAY was 30\rcmd:PACLEN x\r?bad value: PACLEN takes 1 to "
         "256\rcmd:FROB\r?EH\rcmd:"},
        {"display",
         {"PACLEN 64\r", "DISPLAY\r"},
         "",
         "PACLEN 64\rPACLEN was 128\rcmd:DISPLAY\rMYCALL N0KIS\rUNPROTO CQ\rMAXFRAME 4\rPACLEN 64\rFRACK "
         "3\rRETRY "
         "10\rCHECK 30\rHBAUD 1200\rTXDELAY 30\rPERSIST 63\rSLOTTIME 10\rTXTAIL 3\rcmd:"},
        {"paclen cuts the frames",
         {"PACLEN 4\r", Heard{"c SABM P"}, "abcdefgh\r"},
         "r UA F; c I S0 R0 =abcd; c I S1 R0 =efgh; c I S2 R0 =\r",
         "PACLEN 4\rPACLEN was 128\rcmd:*** CONNECTED to N0BBB\rabcdefgh\r"},
        {"reopened: monitoring again, a link of before is ended",
         {Heard{"c SABM P"}, Reopened{}, Heard{"N0XXX c UI =x"}, Heard{"c RR R0 P"}},
         "r UA F; r DM F",
         "*** CONNECTED to N0BBB\r*** DISCONNECTED\rN0XXX>N0KIS: <UI>:\rx\r"},
        {"the TNC lost", {Heard{"c SABM P"}, Lost{}}, "r UA F", "*** CONNECTED to N0BBB\r*** DISCONNECTED\r"},
    };
    for (const Row& row : rows) {
        ManualScheduler clock;
        FakeLine line;
        KissTransport kiss(line, clock);
        SoftTnc tnc(settings, kiss, clock);
        tnc.parameterCommand = [&kiss](const QByteArray& verb, const QList<QByteArray>& words) {
            return kiss.command(verb, words);
        };
        QByteArray printed;
        QList<SerialPort::Error> errors;
        tnc.onReceived = [&printed](const QByteArray& b) { printed += b; };
        tnc.onError = [&errors](SerialPort::Error e) { errors.append(e); };
        ASSERT_TRUE(tnc.open({}));
        clock.advance(0);
        for (const Step& step : row.steps) {
            if (const auto* typed = std::get_if<const char*>(&step)) {
                tnc.write(*typed);
            } else if (const auto* heard = std::get_if<Heard>(&step)) {
                line.onBytes(encodeKissData(encodeAx25(parseFrame(heard->frame))));
            } else if (const auto* bytes = std::get_if<Bytes>(&step)) {
                line.onBytes(bytes->bytes);
            } else if (const auto* wait = std::get_if<Wait>(&step)) {
                clock.advance(wait->ms);
            } else if (std::holds_alternative<Reopened>(step)) {
                tnc.close();
                ASSERT_TRUE(tnc.open({}));
            } else {
                line.onError("gone");
            }
            clock.advance(0);
        }
        QList<QByteArray> sent;
        KissDecoder decoder;
        for (const KissFrame& k : decoder.feed(line.written)) {
            if (k.command == KissCommand::Data) {
                sent.append(describe(*decodeAx25(k.payload).frame));
            } else {
                const char* names[] = {"", "TXDELAY", "PERSIST", "SLOTTIME", "TXTAIL"};
                sent.append(names[int(k.command)] + QByteArray("=") +
                            QByteArray::number(quint8(k.payload[0])));
            }
        }
        EXPECT_EQ(sent.join("; "), QByteArray(row.sent)) << row.name;
        EXPECT_EQ(printed, row.printed) << row.name;
        if (QByteArray(row.name) == "garbage and broken frames are skipped") {
            EXPECT_EQ(kiss.badFrames(), 2) << row.name;
        }
        if (QByteArray(row.name) == "the TNC lost") {
            EXPECT_EQ(errors, QList<SerialPort::Error>{SerialPort::Error::DeviceLost});
            EXPECT_EQ(tnc.problem(), "the KISS TNC at /dev/ttyKISS: gone");
        }
    }
}

} // namespace
