// The paced send of the pending message: its bytes and pauses, what stops it, and the sent copy.
#include "messaging/MessageSender.h"
#include "support/Files.h"
#include "support/StationRig.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct SenderRig {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    TimeTexts times{rig.wallClock, rig.station.settings};
    MessageSender sender{rig.station, rig.session, rig.sequencer, rig.tnc, rig.boxes, times, rig.clock};

    SenderRig() {
        useDefaultTexts(rig.station);
        rig.station.settings.SaveSentMsgs = "1";
        rig.station.dir = dir.path();
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle); // the monitor view
        rig.logic.receive.comInput("*** CONNECTED to W2DEF\r");
    }
    QStringList sentFiles() const {
        return QDir(dir.filePath("Messages")).entryList({"s*.txt"}, QDir::Files);
    }
};

// 25 characters on air: ".hdr  _W1XYZ _S" (15), CR, CR, "abcdefg" and CR.
const OutgoingMessage kMessage{"S", ".hdr  _W1XYZ _S", "abcdefg\r\n", "abcdefg\r"};

} // namespace

TEST(MessageSender, TenCharactersThenAPauseOneCharacterPerWrite) {
    SenderRig r;
    r.sender.send(kMessage);
    r.rig.clock.runAll();
    const QByteArray onAir = ".hdr  _W1XYZ _S\r\rabcdefg\r";
    ASSERT_EQ(r.rig.port.writes.size(), std::size_t(onAir.size()));
    for (std::size_t i = 0; i < r.rig.port.writes.size(); ++i) {
        EXPECT_EQ(r.rig.port.writes[i].bytes, onAir.mid(qsizetype(i), 1));
        EXPECT_EQ(r.rig.port.writes[i].at, qint64(i / 10) * 200) << i; // pauses after the 10th and 20th
    }
    // The copy is named after the station on the link and holds what went out.
    ASSERT_EQ(r.sentFiles().size(), 1);
    EXPECT_TRUE(r.sentFiles()[0].endsWith("_W2DEF_S.txt"));
    QFile copy(r.dir.filePath("Messages/" + r.sentFiles()[0]));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), ".hdr  _W1XYZ _S\r\n\r\nabcdefg\r\n\r\n");
}

TEST(MessageSender, WhatStopsOrRefusesASend) {
    enum class Interrupt { LinkDrops, Disconnect, PortClosed, Receiving, SecondPress };
    struct Case {
        const char* name;
        Interrupt interrupt;
        bool boxShown;
    };
    const Case cases[] = {
        {"link drops", Interrupt::LinkDrops, false},
        {"operator disconnects", Interrupt::Disconnect, false},
        {"port closed", Interrupt::PortClosed, true},
        {"a message is coming in", Interrupt::Receiving, true},
        {"second press", Interrupt::SecondPress, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SenderRig r;
        if (c.interrupt == Interrupt::PortClosed) r.rig.port.close();
        if (c.interrupt == Interrupt::Receiving) r.rig.logic.receive.comInput(".hdr  _W2DEF _Theirs\r");
        r.sender.send(kMessage);
        r.rig.clock.advance(250); // 20 characters out
        switch (c.interrupt) {
        case Interrupt::LinkDrops:
            r.rig.logic.receive.comInput("*** DISCONNECTED\r");
            break;
        case Interrupt::Disconnect:
            r.sender.cancel(); // what the Disconnect button does first
            r.rig.connect.disconnect();
            break;
        case Interrupt::SecondPress:
            r.sender.send(kMessage);
            break;
        default:
            break;
        }
        r.rig.clock.runAll();
        const QByteArray written = r.rig.port.written();
        EXPECT_EQ(r.rig.boxes.shown.empty(), !c.boxShown);
        EXPECT_FALSE(r.rig.session.Sending);
        switch (c.interrupt) {
        case Interrupt::LinkDrops:
        case Interrupt::Disconnect: {
            // Nothing of the message after the command-mode character.
            const qsizetype cmd = written.indexOf('\x03');
            ASSERT_GE(cmd, 0);
            EXPECT_EQ(written.left(cmd).count('a'), 1);
            EXPECT_FALSE(written.mid(cmd).contains("bcdefg"));
            EXPECT_TRUE(r.sentFiles().isEmpty());
            break;
        }
        case Interrupt::PortClosed:
        case Interrupt::Receiving:
            EXPECT_TRUE(written.isEmpty());
            EXPECT_TRUE(r.sentFiles().isEmpty());
            break;
        case Interrupt::SecondPress:
            EXPECT_EQ(written, ".hdr  _W1XYZ _S\r\rabcdefg\r"); // once, not interleaved
            EXPECT_EQ(r.sentFiles().size(), 1);
            break;
        }
    }
}

// With no echo from the TNC, Sending ends a little after the last character, so the next
// message from the far station is captured.
TEST(MessageSender, SendingEndsWithoutAnEchoAndAReplyIsCaptured) {
    SenderRig r;
    r.rig.station.settings.Duplex = "half";
    r.sender.send(kMessage);
    EXPECT_TRUE(r.rig.view.pane("tbMon").contains(".hdr  _W1XYZ _S\r\nabcdefg\r\n\r\n"));
    r.rig.clock.advance(400);
    EXPECT_TRUE(r.rig.session.Sending);
    r.rig.clock.advance(MessageSender::kEchoGraceMs);
    EXPECT_FALSE(r.rig.session.Sending);
}

// A text of a whole number of tens ends on a tenth character: once that is written the message
// has gone out, and a drop or Disconnect right after it still leaves the sent copy.
TEST(MessageSender, LastCharacterWrittenCompletesTheSend) {
    // 30 characters on air: the header (15), CR, CR, "abcdefghijkl" and CR.
    const OutgoingMessage tens{"S", ".hdr  _W1XYZ _S", "abcdefghijkl\r\n", "abcdefghijkl\r"};
    for (const bool operatorDisconnects : {false, true}) {
        SCOPED_TRACE(operatorDisconnects ? "Disconnect" : "link drops");
        SenderRig r;
        r.sender.send(tens);
        r.rig.clock.advance(400); // the last ten characters go out at 400 ms
        ASSERT_EQ(r.rig.port.written(), ".hdr  _W1XYZ _S\r\rabcdefghijkl\r");
        EXPECT_FALSE(r.sender.sending());
        if (operatorDisconnects) {
            r.sender.cancel();
            r.rig.connect.disconnect();
        } else {
            r.rig.logic.receive.comInput("*** DISCONNECTED\r");
        }
        r.rig.clock.runAll();
        ASSERT_EQ(r.sentFiles().size(), 1);
        EXPECT_EQ(test::readFile(r.dir.filePath("Messages/" + r.sentFiles()[0])),
                  ".hdr  _W1XYZ _S\r\n\r\nabcdefghijkl\r\n\r\n");
    }
}
