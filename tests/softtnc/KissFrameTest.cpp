// KISS framing: escapes both ways, a stream cut anywhere, and streams that must not be trusted.
#include "softtnc/KissFrame.h"

#include <gtest/gtest.h>

using namespace tolvex;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

QList<KissFrame> decodeInPieces(const QByteArray& stream, qsizetype piece, int* dropped = nullptr) {
    KissDecoder decoder;
    QList<KissFrame> frames;
    for (qsizetype at = 0; at < stream.size(); at += piece)
        frames += decoder.feed(stream.mid(at, piece));
    if (dropped) *dropped = decoder.dropped();
    return frames;
}

TEST(KissFrame, encodesAsTheModemExpects) {
    const struct {
        QByteArray got, want;
    } cases[] = {
        // Dire Wolf's own bytes for a UI frame whose text holds every special byte.
        {encodeKissData(hex("A88AA6A84040E09C609692A64061") + hex("03F041C042DB43DC44DD45")),
         hex("C000A88AA6A84040E09C609692A6406103F041DBDC42DBDD43DC44DD45C0")},
        {encodeKissData(hex("C0C0DBDB"), 1), hex("C010DBDCDBDCDBDDDBDDC0")},
        {encodeKissParameter(KissCommand::TxDelay, 30), hex("C0011EC0")},
        {encodeKissParameter(KissCommand::Persist, 0xC0), hex("C002DBDCC0")},
        {encodeKissParameter(KissCommand::SlotTime, 10, 2), hex("C0230AC0")},
        {encodeKissParameter(KissCommand::TxTail, 3), hex("C00403C0")},
        {encodeKissData({}), hex("C000C0")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got.toHex(' '), c.want.toHex(' '));
}

TEST(KissFrame, streamInPiecesOfAnySize) {
    const QList<KissFrame> frames = {
        {0, KissCommand::Data, hex("0102C0DBDCDD03")},
        {0, KissCommand::Data, QByteArray(kKissMaxPayload, '\xDB')}, // the largest taken, all escaped
        {0, KissCommand::SetHardware, "TXBUF:816"},
        {3, KissCommand::Data, "x"},
    };
    QByteArray stream = "boot banner\r\n"; // noise before the first FEND
    for (const KissFrame& f : frames)
        stream += encodeKissFrame(f) + QByteArray(2, kKissFend); // filler FENDs between frames
    for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(7), stream.size()}) {
        int dropped = -1;
        EXPECT_EQ(decodeInPieces(stream, piece, &dropped), frames) << "pieces of " << piece;
        EXPECT_EQ(dropped, 0);
    }
}

TEST(KissFrame, untrustworthyFramesAreDroppedWholeAndCounted) {
    const KissFrame good{0, KissCommand::Data, "good"};
    const struct {
        const char* what;
        QByteArray bytes;
        int dropped;
    } cases[] = {
        {"one byte over the limit", encodeKissData(QByteArray(kKissMaxPayload + 1, 'a')), 1},
        {"far over the limit", encodeKissData(QByteArray(100000, 'a')), 1},
        {"escape of a plain byte", hex("C00041DB41C0"), 1},
        {"escape cut by FEND", hex("C00041DBC0"), 1},
        {"empty frames", hex("C0C0C0C0"), 0},
        {"leave-KISS byte alone", hex("C0FFC0"), 0},
    };
    for (const auto& c : cases) {
        // The good frame after the bad one still arrives intact.
        int dropped = -1;
        const QByteArray stream = c.bytes + encodeKissFrame(good);
        EXPECT_EQ(decodeInPieces(stream, 3, &dropped), QList<KissFrame>{good}) << c.what;
        EXPECT_EQ(dropped, c.dropped) << c.what;
    }
    // Noise between a closing FEND and the next frame reads as one frame; nothing is lost.
    KissDecoder decoder;
    EXPECT_EQ(decoder.feed(hex("C000AAC0") + hex("00BBC0")).size(), 2);
    decoder.reset(); // a reopened line starts again with no half frame
    EXPECT_TRUE(decoder.feed(hex("00CCC0")).isEmpty());
}

} // namespace
