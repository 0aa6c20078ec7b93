// AX.25 frames: the bytes Dire Wolf sends and takes, every control field both ways, and frames
// from the air that must be refused without harm.
#include "softtnc/Ax25Frame.h"

#include <gtest/gtest.h>

using namespace tolvex;

namespace {

Ax25Address addr(const char* text, bool flag = false) {
    Ax25Address a = *Ax25Address::parse(text);
    a.flag = flag;
    return a;
}

Ax25Frame frame(Ax25Type type, bool command, bool pf, quint8 ns = 0, quint8 nr = 0, QByteArray info = {}) {
    Ax25Frame f;
    f.destination = addr("N0BBB");
    f.source = addr("N0KIS");
    f.type = type;
    f.command = command;
    f.pollFinal = pf;
    f.ns = ns;
    f.nr = nr;
    f.info = std::move(info);
    return f;
}

const QByteArray toBbb = QByteArray::fromHex("9C608484844060"); // dest C bit added per frame
const QByteArray fromKis = QByteArray::fromHex("9C609692A640");

TEST(Ax25Frame, bytesOnTheWire) {
    const QByteArray cmdAddr = QByteArray::fromHex("9C60848484 40E0 9C609692A640 61");
    const QByteArray rspAddr = QByteArray::fromHex("9C60848484 4060 9C609692A640 E1");
    const struct {
        Ax25Frame frame;
        QByteArray bytes;
    } cases[] = {
        {frame(Ax25Type::SABM, true, true), cmdAddr + "\x3F"},
        {frame(Ax25Type::SABME, true, true), cmdAddr + "\x7F"},
        {frame(Ax25Type::DISC, true, true), cmdAddr + "\x53"},
        {frame(Ax25Type::UA, false, true), rspAddr + "\x73"},
        {frame(Ax25Type::DM, false, true), rspAddr + "\x1F"},
        {frame(Ax25Type::DM, false, false), rspAddr + "\x0F"},
        {frame(Ax25Type::RR, false, false, 0, 1), rspAddr + "\x21"},
        {frame(Ax25Type::RR, true, true, 0, 3), cmdAddr + "\x71"},
        {frame(Ax25Type::RR, false, true, 0, 7), rspAddr + "\xF1"},
        {frame(Ax25Type::RNR, false, true, 0, 4), rspAddr + "\x95"},
        {frame(Ax25Type::REJ, false, false, 0, 1), rspAddr + "\x29"},
        {frame(Ax25Type::I, true, false, 0, 0, " !\""), cmdAddr + QByteArray("\x00\xF0 !\"", 5)},
        {frame(Ax25Type::I, true, false, 0, 7, "x"), cmdAddr + "\xE0\xF0x"},
        {frame(Ax25Type::I, true, true, 5, 2, "x"), cmdAddr + "\x5A\xF0x"},
        {frame(Ax25Type::FRMR, false, true, 0, 0, QByteArray::fromHex("7F0001")),
         rspAddr + QByteArray::fromHex("977F0001")},
        {frame(Ax25Type::TEST, false, true, 0, 0, "test"), rspAddr + "\xF3test"},
        {frame(Ax25Type::XID, true, true), cmdAddr + "\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeAx25(c.frame).toHex(' '), c.bytes.toHex(' ')) << monitorHeader(c.frame).constData();
        const Ax25Decoded back = decodeAx25(c.bytes);
        ASSERT_TRUE(back.frame) << back.problem.constData();
        EXPECT_EQ(*back.frame, c.frame) << monitorHeader(c.frame).constData();
    }

    // A digipeated SABM as sent, the UA coming back along the reversed path, repeated.
    Ax25Frame sabm = frame(Ax25Type::SABM, true, true);
    sabm.destination = addr("N0CCC");
    sabm.digipeaters = {addr("N0BBB")};
    EXPECT_EQ(encodeAx25(sabm).toHex(), "9c6086868640e09c609692a6406"
                                        "09c6084848440613f");
    const Ax25Decoded ua = decodeAx25(QByteArray::fromHex("9C609692A64060 9C6086868640E0 9C6084848440E1 73"));
    ASSERT_TRUE(ua.frame);
    EXPECT_EQ(ua.frame->type, Ax25Type::UA);
    EXPECT_FALSE(ua.frame->command);
    EXPECT_TRUE(ua.frame->fullyRepeated());
    EXPECT_EQ(monitorHeader(*ua.frame), "N0CCC>N0KIS,N0BBB*: <UA F>");
}

TEST(Ax25Frame, pathsAndMonitorLines) {
    Ax25Frame ui = frame(Ax25Type::UI, true, false, 0, 0, "hello");
    ui.destination = addr("CQ");
    ui.source = addr("N0AAA-15");
    ui.digipeaters = {addr("RELAY", true), addr("WIDE2-2", true), addr("WIDE1-1")};
    for (int digis = 0; digis <= kAx25MaxDigipeaters; ++digis) {
        Ax25Frame f = ui;
        f.digipeaters.clear();
        for (int i = 0; i < digis; ++i)
            f.digipeaters.append(
                addr(QByteArray("D" + QByteArray::number(i) + "-" + QByteArray::number(i + 7)), i % 2 == 0));
        const Ax25Decoded back = decodeAx25(encodeAx25(f));
        ASSERT_TRUE(back.frame) << digis;
        EXPECT_EQ(*back.frame, f) << digis;
    }
    EXPECT_EQ(monitorHeader(ui), "N0AAA-15>CQ,RELAY,WIDE2-2*,WIDE1-1: <UI>:");
    EXPECT_FALSE(ui.fullyRepeated());
    EXPECT_EQ(ui.replyPath(), (QList<Ax25Address>{addr("WIDE1-1"), addr("WIDE2-2"), addr("RELAY")}));
    EXPECT_EQ(monitorHeader(frame(Ax25Type::I, true, true, 2, 5, "x")), "N0KIS>N0BBB: <I S2 R5 P>:");
    EXPECT_EQ(monitorHeader(frame(Ax25Type::RR, false, true, 0, 3)), "N0KIS>N0BBB: <RR R3 F>");
    EXPECT_EQ(monitorHeader(frame(Ax25Type::SABM, true, false)), "N0KIS>N0BBB: <SABM>");

    const struct {
        const char* text;
        const char* parsed; // empty when refused
    } calls[] = {{"n0call-7", "N0CALL-7"},
                 {"W1AW-0", "W1AW"},
                 {" N0CALL ", "N0CALL"},
                 {"N0CALL-15", "N0CALL-15"},
                 {"N0CALL-16", ""},
                 {"N0CALL-", ""},
                 {"TOOLONG1", ""},
                 {"N0-CALL-1", ""},
                 {"", ""},
                 {"N0 ALL", ""},
                 {"N0CALL-+1", ""},
                 {"N0CALL-001", ""}};
    for (const auto& c : calls) {
        const std::optional<Ax25Address> a = Ax25Address::parse(c.text);
        EXPECT_EQ(a ? a->text() : QByteArray(), QByteArray(c.parsed)) << c.text;
    }
}

TEST(Ax25Frame, framesFromTheAirAreCheckedBeforeTrust) {
    const QByteArray good = encodeAx25(frame(Ax25Type::I, true, false, 1, 2, "data"));
    const auto with = [&good](int at, quint8 value) {
        QByteArray b = good;
        b[at] = char(value);
        return b;
    };
    QByteArray tenAddresses; // no extension bit within ten addresses
    for (int i = 0; i < 11; ++i)
        tenAddresses += toBbb;
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"one address", toBbb.left(6) + "\x61" + "\x03"},
        {"no extension bit", toBbb + fromKis + "\x60\x03\xF0"},
        {"extension bit on the destination", toBbb.left(6) + "\xE1" + fromKis + "\x61\x03\xF0"},
        {"address field longer than ten", tenAddresses + "\x03"},
        {"address cut short", good.left(12)},
        {"lower-case callsign", with(0, 'n' << 1)},
        {"unshifted callsign", with(0, 'N')},
        {"character after padding", toBbb.left(5) + char(' ' << 1) + "\xE0" + fromKis.left(4) +
                                        char(' ' << 1) + char('A' << 1) + "\x61\x03\xF0"},
        {"empty callsign", QByteArray(6, char(0x40)) + "\xE0" + fromKis + "\x61\x03\xF0"},
        {"control missing", good.left(14)},
        {"SREJ control", with(14, 0x0D)},
        {"unknown U control", with(14, 0x07)},
        {"I frame without PID", good.left(15)},
        {"escaped PID", with(15, 0xFF)},
        {"SABM with info", encodeAx25(frame(Ax25Type::SABM, true, true)) + "x"},
        {"RR with info", encodeAx25(frame(Ax25Type::RR, false, false)) + "x"},
    };
    for (const auto& c : cases) {
        const Ax25Decoded d = decodeAx25(c.bytes);
        EXPECT_FALSE(d.frame) << c.what;
        EXPECT_FALSE(d.problem.isEmpty()) << c.what;
    }
    // Every cut and every single-byte change of a good frame is either refused or read as some
    // frame: never a crash (the sanitizer watches the reads).
    for (qsizetype cut = 0; cut <= good.size(); ++cut)
        (void)decodeAx25(good.left(cut));
    for (int at = 0; at < good.size(); ++at)
        for (int v = 0; v < 256; ++v)
            (void)decodeAx25(with(at, quint8(v)));
    // Version 1 C bits (both set) still read: as a command.
    const Ax25Decoded v1 = decodeAx25(with(13, 0xE1));
    ASSERT_TRUE(v1.frame);
    EXPECT_TRUE(v1.frame->command);
}

} // namespace
