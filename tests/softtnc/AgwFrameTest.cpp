// AGW frames: the exact header layout, a stream cut anywhere, and streams that must not be trusted.
#include "softtnc/AgwFrame.h"
#include "softtnc/AgwSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace tolvex;

namespace {

AgwFrame frame(char kind, QByteArray from, QByteArray to, QByteArray data, std::uint8_t port = 0) {
    AgwFrame f;
    f.port = port;
    f.kind = kind;
    f.pid = kAgwTextPid;
    f.callFrom = std::move(from);
    f.callTo = std::move(to);
    f.data = std::move(data);
    return f;
}

TEST(AgwFrame, headerLayoutAndRoundTrip) {
    const QByteArray bytes = encodeAgwFrame(frame('D', "N0CALL-15", "W1AW", QByteArray(300, 'x'), 2));
    ASSERT_EQ(bytes.size(), kAgwHeaderSize + 300);
    EXPECT_EQ(bytes.left(8), QByteArray("\x02\0\0\0D\0\xF0\0", 8));
    EXPECT_EQ(bytes.mid(8, 10), QByteArray("N0CALL-15\0", 10));
    EXPECT_EQ(bytes.mid(18, 10), QByteArray("W1AW\0\0\0\0\0\0", 10));
    EXPECT_EQ(bytes.mid(28, 8), QByteArray("\x2C\x01\0\0\0\0\0\0", 8)); // 300, little-endian
    // A call too long for its field keeps its terminating NUL.
    EXPECT_EQ(encodeAgwFrame(frame('C', "ABCDEFGHIJKL", "", {})).mid(8, 10), QByteArray("ABCDEFGHI\0", 10));

    const QList<AgwFrame> frames = {frame('X', "N0CALL", {}, {}), frame('U', "N0AAA", "CQ", "hi\r", 1),
                                    frame('d', "W1AW", "N0CALL", QByteArray("bye\0", 4))};
    for (const AgwFrame& f : frames) {
        const AgwDecodeStep step = decodeAgwFrame(encodeAgwFrame(f));
        EXPECT_EQ(step.status, AgwDecodeStep::Status::Frame);
        EXPECT_EQ(step.frame, f) << f.kind;
    }
    EXPECT_EQ(encodeAgwPath({"RELAY", "WIDE2-2"}), QByteArray("\x02RELAY\0\0\0\0\0WIDE2-2\0\0\0", 21));
}

TEST(AgwFrame, streamInPiecesOfAnySize) {
    QByteArray unknown = encodeAgwFrame(frame('D', "A", "B", "skip me"));
    unknown[4] = 'Q';
    const QList<AgwFrame> expected = {frame('C', "W1AW", "N0CALL", "*** CONNECTED\r"),
                                      frame('D', "W1AW", "N0CALL", QByteArray(5000, 'z'))};
    const QByteArray stream = encodeAgwFrame(expected[0]) + unknown + encodeAgwFrame(expected[1]);
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), kAgwHeaderSize, stream.size()}) {
        AgwDecoder decoder;
        QList<AgwFrame> got;
        for (qsizetype at = 0; at < stream.size(); at += piece)
            got += decoder.feed(stream.mid(at, piece));
        EXPECT_EQ(got, expected) << "pieces of " << piece;
        EXPECT_EQ(decoder.skipped(), 1);
        EXPECT_EQ(decoder.pending(), 0);
        EXPECT_FALSE(decoder.failed());
    }
}

TEST(AgwFrame, untrustworthyStreams) {
    const QByteArray good = encodeAgwFrame(frame('D', "W1AW", "N0CALL", "text"));
    AgwDecoder decoder;
    // Truncated: half a header, then a header whose data has not all come yet.
    EXPECT_TRUE(decoder.feed(good.left(20)).isEmpty());
    EXPECT_TRUE(decoder.feed(good.mid(20, 18)).isEmpty());
    EXPECT_EQ(decoder.pending(), 38);
    EXPECT_EQ(decoder.feed(good.mid(38)).size(), 1);

    // An absurd length field is refused before its data is waited for, and the stream stays refused.
    QByteArray absurd = good.left(kAgwHeaderSize);
    absurd.replace(28, 4, QByteArray("\x01\x00\x01\x00", 4)); // 65537
    EXPECT_EQ(decodeAgwFrame(absurd).status, AgwDecodeStep::Status::AbsurdLength);
    EXPECT_TRUE(decoder.feed(absurd).isEmpty());
    EXPECT_TRUE(decoder.failed());
    EXPECT_TRUE(decoder.error().contains("65537"));
    EXPECT_TRUE(decoder.feed(good).isEmpty());
    EXPECT_EQ(decoder.pending(), 0);
    decoder.reset();
    EXPECT_EQ(decoder.feed(good).size(), 1);

    // The largest allowed length is waited for, not refused.
    QByteArray largest = good.left(kAgwHeaderSize);
    largest.replace(28, 4, QByteArray("\x00\x00\x01\x00", 4));
    EXPECT_EQ(decodeAgwFrame(largest).status, AgwDecodeStep::Status::NeedMore);

    // A call field with no NUL holds no call that fits it: encoded back it would name another
    // station ("N0NODE-150" as "N0NODE-15"), so the frame is passed over whole.
    for (const int field : {8, 18}) {
        QByteArray unterminated = good;
        unterminated.replace(field, kAgwCallField, "N0NODE-150");
        AgwDecoder stream;
        EXPECT_EQ(stream.feed(unterminated + good), QList<AgwFrame>{frame('D', "W1AW", "N0CALL", "text")})
            << field;
        EXPECT_EQ(stream.skipped(), 1);
    }
}

// Over a real loopback connection: frames sent before it is made, a frame in two pieces, and a
// modem that announces an absurd length.
TEST(AgwFrame, socketToAModem) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    AgwSocket socket(QStringLiteral("127.0.0.1"), server.serverPort());
    QList<AgwFrame> received;
    QByteArray error;
    socket.onFrame = [&received](const AgwFrame& f) { received.append(f); };
    socket.onError = [&error](const QByteArray& reason) { error = reason; };
    const auto waitFor = [](const auto& done) {
        for (QDeadlineTimer limit(10000); !done() && !limit.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return done();
    };

    ASSERT_TRUE(socket.open());
    const AgwFrame hello = frame('X', "N0CALL", {}, {});
    socket.send(hello);
    ASSERT_TRUE(waitFor([&server] { return server.hasPendingConnections(); }));
    QTcpSocket* modem = server.nextPendingConnection();
    const QByteArray expected = encodeAgwFrame(hello);
    QByteArray got;
    ASSERT_TRUE(waitFor([&] { return (got += modem->readAll()).size() >= expected.size(); }));
    EXPECT_EQ(got, expected);

    const AgwFrame answer = frame('X', "N0CALL", {}, "\x01");
    modem->write(encodeAgwFrame(answer).left(10));
    modem->flush();
    modem->write(encodeAgwFrame(answer).mid(10));
    ASSERT_TRUE(waitFor([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, QList<AgwFrame>{answer});

    QByteArray absurd = encodeAgwFrame(answer).left(kAgwHeaderSize);
    absurd.replace(28, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
    modem->write(absurd);
    ASSERT_TRUE(waitFor([&] { return !error.isEmpty(); }));
    EXPECT_FALSE(socket.isOpen());
}

} // namespace
