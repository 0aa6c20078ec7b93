#include "LinkRig.h"
#include "softtnc/SoftTnc.h"

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct RecordingModem : AgwTransport {
    bool open() override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void send(const AgwFrame& frame) override { sent.append(QByteArray(1, frame.kind) + ' ' + frame.callTo); }
    bool opened = false;
    QByteArrayList sent; // "C N0CALL": kind and destination
};

// The station's port to the software TNC: every write is recorded and typed into it, and what it
// prints comes back from the event loop, as a serial line's bytes would.
class SoftTncPort : public FakeSerialPort {
public:
    explicit SoftTncPort(ManualScheduler& clock)
        : FakeSerialPort(&clock), clock_(clock), tnc{tncSettings, modem, clock} {
        tnc.onReceived = [this](const QByteArray& bytes) {
            clock_.callAfter(0, [this, bytes] { receive(bytes); });
        };
    }
    bool open(const Config& config) override { return FakeSerialPort::open(config) && tnc.open(config); }
    bool write(const QByteArray& bytes) override { return FakeSerialPort::write(bytes) && tnc.write(bytes); }
    void frame(char kind, const QByteArray& from, const QByteArray& data = {}) {
        AgwFrame f;
        f.kind = kind;
        f.callFrom = from;
        f.data = data;
        modem.onFrame(f);
        clock_.advance(0);
    }

private:
    ManualScheduler& clock_;

public:
    RecordingModem modem;
    Settings tncSettings;
    SoftTnc tnc;
};

// A station on a hardware TNC (the test types its texts) or on the software TNC.
struct TakeDownRig {
    explicit TakeDownRig(bool softTnc)
        : logic({},
                PlatformServices{clock, wallClock, softTnc ? static_cast<SerialPort&>(soft) : plain, boxes,
                                 printer, browser, sound, sound},
                Views{view, host}),
          softTnc_(softTnc) {
        useDefaultTexts(logic.station);
        soft.tncSettings = logic.station.settings;
        port().open({});
        logic.session.subscribe([this](LinkState from, LinkState to) {
            if (from != to) states.push_back(to);
        });
    }
    FakeSerialPort& port() { return softTnc_ ? soft : plain; }
    QByteArray writtenSince(qint64 at) {
        QByteArray out;
        for (const auto& w : port().writes)
            if (w.at >= at) out += w.bytes;
        return out;
    }
    qint64 firstWrite(const QByteArray& bytes) {
        for (const auto& w : port().writes)
            if (w.bytes == bytes) return w.at;
        return -1;
    }

    ManualScheduler clock;
    ManualClock wallClock;
    FakeSerialPort plain{&clock};
    SoftTncPort soft{clock};
    RecordingMessageBoxes boxes;
    RecordingPrinter printer;
    RecordingUrlOpener browser;
    RecordingAlertSound sound;
    RecordingMainView view;
    RecordingHost host;
    StationLogic logic;
    std::vector<LinkState> states;

private:
    bool softTnc_;
};

} // namespace

TEST(ConnectSequence, DestinationIsTheFinalCallThenTheNodesNearestFirst) {
    struct Case {
        QByteArray destination;
        QByteArray dest;
        std::array<QByteArray, 4> nodes;
        int count;
        QByteArray firstCommand;
        LinkState state;
    };
    const Case cases[] = {
        {"N0CALL", "N0CALL", {}, 0, "C N0CALL\r", LinkState::LinkCalling},
        {"N0CALL*", "N0CALL*", {}, 0, "C N0CALL*\r", LinkState::LinkCalling},
        {"N0CALL,NODEA", "N0CALL", {"NODEA"}, 1, "C NODEA\r", LinkState::LinkViaNodes},
        {"N0CALL,NODEA,NODEB", "N0CALL", {"NODEA", "NODEB"}, 2, "C NODEA\r", LinkState::LinkViaNodes},
        {"N0CALL, NODEA,NODEB,NODEC",
         "N0CALL",
         {" NODEA", "NODEB", "NODEC"},
         3,
         "C  NODEA\r",
         LinkState::LinkViaNodes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        rig.session.RxBuffer = "*** CONNECTED to OLD"; // printed before the command: no answer to it
        EXPECT_TRUE(rig.connect.connect(c.destination));
        EXPECT_EQ(rig.connect.DestCall, c.dest);
        EXPECT_EQ(rig.connect.NodeCall, c.nodes);
        EXPECT_EQ(rig.connect.NodeCount, c.count);
        EXPECT_EQ(rig.sent(), (std::vector<Sent>{{0, c.firstCommand}}));
        EXPECT_EQ(rig.session.state(), c.state);
        EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
        EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");
        EXPECT_TRUE(rig.view.shown("cmdDisc"));
        EXPECT_TRUE(rig.view.shown("Label3"));
        EXPECT_FALSE(rig.view.shown("cmdLocalBBS"));
        EXPECT_TRUE(rig.boxes.shown.empty());
    }
}

TEST(ConnectSequence, RefusedDestinationsSendNothing) {
    struct Case {
        QByteArray destination;
        QString title;
    };
    const Case cases[] = {
        {"", "No Destination specified"},
        {"   ", "No Destination specified"},
        {"A,B,C,D,E", "Too Many Nodes"},
        {"A,B,C,D,E,F,G,H", "Too Many Nodes"},
        {"N0CALL,", "Callsign Missing"},
        {",NODEA", "Callsign Missing"},
        {"N0CALL,NODEA,,NODEC", "Callsign Missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        EXPECT_FALSE(rig.connect.connect(c.destination));
        ASSERT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.boxes.shown[0].title, c.title);
        if (c.title == "No Destination specified") {
            EXPECT_EQ(rig.boxes.shown[0].text, "You must enter a destination callsign.");
        }
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    }
}

TEST(ConnectSequence, EachReadyNodeReleasesTheNextHopAndTheStarRuleAppliesAtTheLast) {
    struct Case {
        QByteArray destination;
        std::vector<QByteArray> commands;
    };
    const Case cases[] = {
        {"N0CALL,NODEA,NODEB", {"C NODEA\r", "C NODEB\r", "C N0CALL\r"}},
        {"BBS*,NODEA,NODEB", {"C NODEA\r", "C NODEB\r", "BBS\r"}},
        {"N0CALL,NODEA,NODEB,NODEC", {"C NODEA\r", "C NODEB\r", "C NODEC\r", "C N0CALL\r"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        LinkRig rig;
        ASSERT_TRUE(rig.connect.connect(c.destination));
        for (std::size_t i = 1; i < c.commands.size(); ++i) {
            EXPECT_EQ(rig.session.state(), LinkState::LinkViaNodes);
            rig.connect.nodeReady();
        }
        std::vector<QByteArray> written;
        for (const auto& w : rig.port.writes)
            written.push_back(w.bytes);
        EXPECT_EQ(written, c.commands);
        EXPECT_EQ(rig.session.state(), LinkState::LinkCalling);
        EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");
    }
}

TEST(ConnectSequence, HalfDuplexEchoesEachCommandWithCrLf) {
    for (const char* duplex : {"half", "full"}) {
        LinkRig rig;
        rig.station.settings.Duplex = duplex;
        rig.station.settings.OutLineEnd = "\r\n";
        ASSERT_TRUE(rig.connect.connect("BBS*,NODEA"));
        rig.connect.nodeReady();
        EXPECT_EQ(rig.port.written(), "C NODEA\r\nBBS\r\n");
        EXPECT_EQ(rig.view.pane("tbMon"),
                  qstrcmp(duplex, "half") == 0 ? QByteArray("C NODEA\r\nBBS\r\n") : QByteArray());
    }
}

TEST(ConnectSequence, DisconnectPausesThenLeavesEverythingIdle) {
    LinkRig rig;
    ASSERT_TRUE(rig.connect.connect("N0CALL,NODEA"));
    rig.clock.advance(1000);
    rig.connect.disconnect();
    EXPECT_EQ(rig.view.pane("tbMon"), "D\r\n");
    rig.clock.advance(2549);
    EXPECT_EQ(rig.session.state(), LinkState::LinkViaNodes); // answers are still read as before
    rig.connect.nodeReady();                                 // a node answering now changes nothing
    rig.clock.advance(1);
    // Command mode again first: a node that answered during the pause put the TNC into converse mode.
    EXPECT_EQ(rig.sent(),
              (std::vector<Sent>{{0, "C NODEA\r"}, {1000, "\r\x03"}, {3550, "\x03\r"}, {3550, "D\r"}}));
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    for (const char* hidden : {"cmdSend", "cmdDisc", "Label3"})
        EXPECT_FALSE(rig.view.shown(hidden)) << hidden;
    EXPECT_TRUE(rig.view.shown("cmdLocalBBS"));
    EXPECT_EQ(rig.view.caption("lblConn"), "");
    EXPECT_EQ(rig.view.focus, "tbMon");
}

// The link dropped by itself during the disconnect's pause and the operator connected again:
// the disconnect's late end leaves the new connect, or the mailbox connect, alone.
TEST(ConnectSequence, ConnectDuringTheDisconnectPauseIsNotUndone) {
    for (const bool mailbox : {false, true}) {
        SCOPED_TRACE(mailbox ? "mailbox" : "connect");
        LinkRig rig;
        rig.feed("*** CONNECTED to W1AW\r");
        rig.connect.disconnect();
        rig.clock.advance(500);
        rig.feed("*** DISCONNECTED\r");
        rig.clock.advance(500);
        if (mailbox)
            rig.connect.connectToMailbox();
        else
            ASSERT_TRUE(rig.connect.connect("N0CALL"));
        rig.clock.runAll();
        const QByteArray written = rig.port.written();
        const QByteArray next = mailbox ? "\r\x03" : "C N0CALL\r";
        EXPECT_TRUE(written.endsWith(next)) << show(written);
        EXPECT_LT(written.indexOf("D\r"), written.lastIndexOf(next)) << show(written);
        EXPECT_EQ(rig.session.state(), mailbox ? LinkState::LinkBbsCalling : LinkState::LinkCalling);
        EXPECT_EQ(rig.view.shown("cmdViewRcv"), mailbox);
        EXPECT_EQ(rig.view.shown("cmdDisc"), !mailbox); // one button in the connect place
        if (mailbox) {
            rig.feed("cmd:");
            EXPECT_EQ(rig.session.state(), LinkState::LinkBbs);
        } else {
            rig.feed("*** CONNECTED to N0CALL\r");
            EXPECT_EQ(rig.view.caption("lblConn"), "Connected");
        }
    }
}

TEST(ConnectSequence, LocalMailboxSwitchesTheViewAndWakesTheTnc) {
    LinkRig rig;
    rig.session.RxBuffer = "old";
    rig.connect.connectToMailbox();
    EXPECT_EQ(rig.port.written(), "\r\x03");
    EXPECT_EQ(rig.session.state(), LinkState::LinkBbsCalling);
    EXPECT_TRUE(rig.session.RxBuffer.isEmpty());
    EXPECT_TRUE(rig.view.shown("tbLocal"));
    EXPECT_FALSE(rig.view.shown("tbMon"));
    EXPECT_EQ(rig.view.focus, "tbLocal");
}

// A connect pressed while the old link is being taken down (by Disconnect, or after a message
// asking for it): whenever the old link's disconnected text comes, before or after the disconnect
// command, it ends the old link only; the new connect's first command follows it, and the new
// link comes up as the one the station called.
TEST(ConnectSequence, TheOldLinksEndNeverEndsTheNextConnect) {
    struct Case {
        const char* name;
        bool softTnc, farAsked;
        QByteArray destination, firstCommand;
        qint64 connectAt, oldEndAt; // the disconnect command goes out at 2550 (600 when asked for)
    };
    const Case cases[] = {
        {"direct, old end during the pause", false, false, "N0CALL", "C N0CALL\r", 1000, 2000},
        {"direct, old end after the command", false, false, "N0CALL", "C N0CALL\r", 1000, 3000},
        {"direct, connect pressed after the command", false, false, "N0CALL", "C N0CALL\r", 2700, 3000},
        {"direct, disconnect asked for", false, true, "N0CALL", "C N0CALL\r", 300, 900},
        {"nodes, old end during the pause", false, false, "N0CALL,NODEA", "C NODEA\r", 1000, 2000},
        {"nodes, old end after the command", false, false, "N0CALL,NODEA", "C NODEA\r", 1000, 3000},
        {"nodes, connect pressed after the command", false, false, "N0CALL,NODEA", "C NODEA\r", 2700, 3000},
        {"nodes, disconnect asked for", false, true, "N0CALL,NODEA", "C NODEA\r", 300, 900},
        {"software TNC, old end during the pause", true, false, "N0CALL", "C N0CALL\r", 1000, 2000},
        {"software TNC, old end after the command", true, false, "N0CALL", "C N0CALL\r", 1000, 3000},
        {"software TNC, connect pressed after the command", true, false, "N0CALL", "C N0CALL\r", 2700, 3000},
        {"software TNC, disconnect asked for", true, true, "N0CALL", "C N0CALL\r", 300, 900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TakeDownRig rig(c.softTnc);
        LinkSession& session = rig.logic.session;
        ConnectSequence& connect = rig.logic.connect;
        ReceiveProcessor& receive = rig.logic.receive;
        if (c.softTnc)
            rig.soft.frame('C', "W1AW"); // W1AW calls in
        else
            receive.comInput("*** CONNECTED to W1AW\r");
        ASSERT_EQ(session.state(), LinkState::LinkConnected);

        const QByteArray lastMessage = ".hdr  .dis  _W1AW _Bye\rbye\r$^\r";
        if (!c.farAsked)
            connect.disconnect();
        else if (c.softTnc)
            rig.soft.frame('D', "W1AW", lastMessage);
        else
            receive.comInput(lastMessage);
        const qint64 commandAt =
            c.farAsked ? ReceiveProcessor::kDisconnectRequestPauseMs : ConnectSequence::kDisconnectPauseMs;
        const std::pair<qint64, std::function<void()>> events[] = {
            {c.connectAt,
             [&] {
                 rig.states.clear();
                 ASSERT_TRUE(connect.connect(c.destination));
             }},
            {c.oldEndAt,
             [&] {
                 if (c.softTnc)
                     rig.soft.frame('d', "W1AW");
                 else
                     receive.comInput("cmd:*** DISCONNECTED\r");
             }},
        };
        for (const auto& [at, event] : events) {
            rig.clock.advance(at - rig.clock.nowMs());
            event();
        }
        rig.clock.advance(qMax(commandAt, c.oldEndAt) + 100 - rig.clock.nowMs());
        EXPECT_EQ(rig.firstWrite("D\r"), commandAt);
        EXPECT_EQ(rig.firstWrite(c.firstCommand), qMax(c.oldEndAt, commandAt)) << show(rig.writtenSince(0));
        EXPECT_EQ(rig.view.caption("lblConn"), "Connecting");

        // The far side answers the new connect.
        if (c.softTnc) {
            EXPECT_TRUE(rig.soft.modem.sent.contains("C N0CALL"))
                << rig.soft.modem.sent.join('|').toStdString();
            rig.soft.frame('C', "N0CALL");
        } else if (c.destination.contains(',')) {
            receive.comInput("*** CONNECTED to NODEA\r");
            rig.clock.advance(ReceiveProcessor::kNodeReadyPauseMs);
            EXPECT_TRUE(rig.writtenSince(rig.clock.nowMs()).endsWith("C N0CALL\r"));
            receive.comInput("NOD:N0NOD} Connected to N0CALL\r");
        } else {
            receive.comInput("*** CONNECTED to N0CALL\r");
        }
        EXPECT_EQ(session.state(), LinkState::LinkCalling);
        EXPECT_TRUE(session.linkUp());
        EXPECT_EQ(session.RemoteCall, "N0CALL");
        EXPECT_EQ(rig.view.caption("lblConn"), "Connected");
        // From the press on, the old link's end never showed idle, nor was an answer a call in.
        for (const LinkState st : rig.states)
            EXPECT_TRUE(st == LinkState::LinkViaNodes || st == LinkState::LinkCalling) << int(st);
    }
}

// No answer to the disconnect: the waiting connect goes ahead after the time limit.
TEST(ConnectSequence, AConnectWaitsForTheOldLinksEndNoLongerThanTheLimit) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W1AW\r");
    rig.connect.disconnect();
    rig.clock.advance(1000);
    ASSERT_TRUE(rig.connect.connect("N0CALL"));
    const qint64 due = ConnectSequence::kDisconnectPauseMs + LinkSession::kEndTextLimitMs;
    rig.clock.advance(due - 1 - rig.clock.nowMs());
    EXPECT_FALSE(rig.port.written().contains("C N0CALL"));
    EXPECT_EQ(rig.session.state(), LinkState::LinkViaNodes);
    rig.clock.advance(1);
    EXPECT_EQ(rig.sent().back(), (Sent{due, "C N0CALL\r"}));
    EXPECT_EQ(rig.session.state(), LinkState::LinkCalling);
}

// The old link's end text never came (or came in a form not configured): once a station has
// called in, the TNC has let the old link go, and the new link's own end is not taken for it.
TEST(ConnectSequence, ALinkCalledInEndsTheWaitForTheOldOnesEnd) {
    LinkRig rig;
    rig.feed("*** CONNECTED to W1AW\r");
    rig.connect.disconnect();
    rig.clock.advance(3000);
    rig.feed("***DISCONNECTED\r*** CONNECTED to K9XYZ\r");
    ASSERT_EQ(rig.session.state(), LinkState::LinkConnected);
    rig.feed("*** DISCONNECTED\r");
    EXPECT_EQ(rig.session.state(), LinkState::LinkIdle);
    EXPECT_EQ(rig.view.caption("lblConn"), "");
}
