// The link layer as a state machine: each state with each frame and timer event, the frames and
// events that follow; then two links through a lossy channel moving data byte for byte.
#include "softtnc/Ax25Link.h"
#include "softtnc/Ax25Notation.h"
#include "softtnc/KissFrame.h"
#include "support/Doubles.h"

#include <gtest/gtest.h>
#include <random>

using namespace tolvex;
using namespace tolvex::test;

namespace {

const char* stateName(Ax25Link::State s) {
    switch (s) {
    case Ax25Link::State::Disconnected:
        return "Disconnected";
    case Ax25Link::State::Connecting:
        return "Connecting";
    case Ax25Link::State::Connected:
        return "Connected";
    case Ax25Link::State::Disconnecting:
        return "Disconnecting";
    }
    return "?";
}

const char* eventName(Ax25Link::Event e) {
    switch (e) {
    case Ax25Link::Event::Connected:
        return "*Connected";
    case Ax25Link::Event::Disconnected:
        return "*Disconnected";
    case Ax25Link::Event::Busy:
        return "*Busy";
    case Ax25Link::Event::RetryExceeded:
        return "*RetryExceeded";
    case Ax25Link::Event::Reset:
        return "*Reset";
    }
    return "?";
}

struct Rig {
    ManualScheduler clock;
    Ax25Link link{clock, params()};
    QList<QByteArray> out;

    static Ax25Link::Params params() {
        Ax25Link::Params p;
        p.paclen = 4;
        return p;
    }

    Rig() {
        link.setMyCall(addr("N0KIS"));
        link.onTransmit = [this](const Ax25Frame& f) { out.append(describe(f)); };
        link.onEvent = [this](Ax25Link::Event e) { out.append(eventName(e)); };
        link.onData = [this](const QByteArray& d) { out.append("data=" + d); };
    }

    // One step: "connect", "connect via R1,R2", "disconnect", "send TEXT", "T1" (the clock moves
    // to when T1 runs out), "T1x11" (eleven times), "wait MS", "forget", or a frame heard.
    void step(const QByteArray& s) {
        if (s == "connect") {
            link.connect(addr("N0BBB"));
        } else if (s.startsWith("connect via ")) {
            QList<Ax25Address> path;
            for (const QByteArray& d : s.mid(12).split(','))
                path.append(addr(d));
            link.connect(addr("N0BBB"), path);
        } else if (s == "disconnect") {
            link.disconnect();
        } else if (s.startsWith("send ")) {
            if (!link.send(s.mid(5))) out.append("(refused)");
        } else if (s.startsWith("wait ")) {
            clock.advance(s.mid(5).toInt());
        } else if (s == "forget") {
            link.forget();
        } else if (s.startsWith('T') && s.size() >= 2 && s[1] >= '1' && s[1] <= '3') {
            const qsizetype x = s.indexOf('x');
            const int times = x < 0 ? 1 : s.mid(x + 1).toInt();
            const auto timer = s[1] == '1'   ? Ax25Link::Timer::T1
                               : s[1] == '2' ? Ax25Link::Timer::T2
                                             : Ax25Link::Timer::T3;
            for (int i = 0; i < times; ++i) {
                const std::optional<qint64> due = link.dueAt(timer);
                if (!due) {
                    out.append("(no " + s.left(2) + ")");
                    return;
                }
                clock.advance(*due - clock.nowMs());
            }
        } else {
            link.frameReceived(parseFrame(s));
        }
    }
    void steps(const char* list) {
        if (*list)
            for (const QByteArray& s : QByteArray(list).split('|'))
                step(s);
    }
};

TEST(Ax25Link, stateTable) {
    // Where each row starts: the steps that bring a fresh link there (their output is not checked).
    const std::map<std::string, const char*> setups = {
        {"Disc", ""},
        {"Conn", "connect"},
        {"Up", "connect|r UA F"},
        {"Called", "c SABM P"},
        {"Sent2", "connect|r UA F|send abcdefgh"},         // I frames 0 and 1 outstanding
        {"Recv1", "connect|r UA F|c I S0 R0 =a"},          // one I frame in, its ack held back
        {"Rej", "connect|r UA F|c I S1 R0 =b"},            // REJ for 0 sent
        {"Busy", "connect|r UA F|send abcdefgh|r RNR R1"}, // far end busy, frame 1 outstanding
        {"Closing", "connect|r UA F|disconnect"},
    };
    const struct {
        const char* from;
        const char* steps;
        const char* out; // frames and events, "; " between
        const char* state;
    } rows[] = {
        // Nobody connected: accept a call, refuse everything else that asks.
        {"Disc", "c SABM P", "r UA F; *Connected", "Connected"},
        {"Disc", "N0XXX c SABM P", "N0XXX r UA F; *Connected", "Connected"},
        {"Disc", "c SABM", "r UA; *Connected", "Connected"},
        {"Disc", "c SABME P", "r DM F", "Disconnected"},
        {"Disc", "c XID P", "r DM F", "Disconnected"},
        {"Disc", "c DISC P", "r DM F", "Disconnected"},
        {"Disc", "c I S3 R2 =x", "r DM", "Disconnected"},
        {"Disc", "c I S3 R2 P =x", "r DM F", "Disconnected"},
        {"Disc", "c RR R3 P", "r DM F", "Disconnected"},
        {"Disc", "c RR R3|r RR R3 F|r UA F|r DM F|r FRMR F", "", "Disconnected"},
        {"Disc", "c TEST P =abc", "r TEST F =abc", "Disconnected"},
        {"Disc", "send x|disconnect|T1", "(refused); (no T1)", "Disconnected"},
        {"Disc", "connect", "c SABM P", "Connecting"},
        // Calling.
        {"Conn", "r UA F", "*Connected", "Connected"},
        {"Conn", "r DM F", "*Busy", "Disconnected"},
        {"Conn", "c SABM P", "r UA F; *Connected", "Connected"},
        {"Conn", "c SABME P", "r DM F", "Connecting"},
        {"Conn", "c DISC P", "r DM F", "Connecting"},
        {"Conn", "N0XXX c SABM P", "N0XXX r DM F", "Connecting"},
        {"Conn", "N0XXX r UA F|c I S0 R0 =x|r RR R0", "", "Connecting"},
        {"Conn", "T1", "c SABM P", "Connecting"},
        {"Conn", "T1x11",
         "c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM "
         "P; "
         "*RetryExceeded",
         "Disconnected"},
        {"Conn", "disconnect", "c DISC P; *Disconnected", "Disconnected"},
        {"Conn", "send x", "(refused)", "Connecting"},
        // Up: sending within the window, acknowledged by RR, REJ and I frames.
        {"Up", "send abcdefgh", "c I S0 R0 =abcd; c I S1 R0 =efgh", "Connected"},
        {"Up", "send abcdefghijklmnopqrst",
         "c I S0 R0 =abcd; c I S1 R0 =efgh; c I S2 R0 =ijkl; c I S3 R0 =mnop", "Connected"},
        {"Up", "send abcdefghijklmnopqrst|r RR R2",
         "c I S0 R0 =abcd; c I S1 R0 =efgh; c I S2 R0 =ijkl; c I S3 R0 =mnop; c I S4 R0 =qrst", "Connected"},
        {"Sent2", "r RR R2|T1", "(no T1)", "Connected"},
        {"Sent2", "r RR R1|T1", "c RR R0 P", "Connected"},
        {"Sent2", "wait 1000|r REJ R1", "c I S1 R0 =efgh", "Connected"},
        {"Sent2", "wait 1000|r REJ R0", "c I S0 R0 =abcd; c I S1 R0 =efgh", "Connected"},
        {"Sent2", "r REJ R0", "", "Connected"}, // its copy is still in the modem
        {"Sent2", "wait 1000|r REJ R0|r REJ R0", "c I S0 R0 =abcd; c I S1 R0 =efgh", "Connected"},
        {"Sent2", "c I S0 R2 =x|T1", "data=x; (no T1)", "Connected"},
        {"Sent2", "r RR R5", "", "Connected"}, // N(R) never sent: a late copy, dropped
        {"Sent2", "T1|r RR R1 F", "c RR R0 P; c I S1 R0 =efgh", "Connected"},
        {"Sent2", "T1|r RR R0 F", "c RR R0 P; c I S0 R0 =abcd; c I S1 R0 =efgh", "Connected"},
        {"Sent2", "T1|r RR R2 F|T1", "c RR R0 P; (no T1)", "Connected"},
        {"Sent2", "T1|r RR R1|send ijkl", "c RR R0 P", "Connected"}, // no new frames until the final
        {"Sent2", "T1|r RR R5 F", "c RR R0 P; c SABM P", "Connecting"},
        {"Sent2", "T1x11",
         "c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; c RR R0 P; "
         "c RR R0 P; c RR R0 P; r DM; *RetryExceeded",
         "Disconnected"},
        {"Busy", "send ijkl", "", "Connected"},
        {"Busy", "T1|r RNR R1 F|T1", "c RR R0 P; c RR R0 P", "Connected"},
        {"Busy", "send ijkl|T1|r RR R1 F", "c RR R0 P; c I S1 R0 =efgh; c I S2 R0 =ijkl", "Connected"},
        {"Busy", "r RR R1", "c I S1 R0 =efgh", "Connected"},
        // Up: receiving, acknowledgements held back.
        {"Up", "c I S0 R0 P =hi", "data=hi; r RR R1 F", "Connected"},
        {"Up", "c I S0 R0 =hi|T2", "data=hi; r RR R1", "Connected"},
        {"Up", "c I S0 R0 =a|c I S1 R0 =b|c I S2 R0 =c|c I S3 R0 =d|T2",
         "data=a; data=b; data=c; data=d; r RR R4; (no T2)", "Connected"},
        {"Recv1", "send xy|T2", "c I S0 R1 =xy; (no T2)", "Connected"}, // the ack rides on data
        {"Recv1", "c RR R0 P", "r RR R1 F", "Connected"},
        {"Recv1", "c I S0 R0 =a", "r REJ R1", "Connected"}, // a copy of a frame already taken
        {"Up", "c I S1 R0 =b", "r REJ R0", "Connected"},
        {"Up", "c I S1 R0 P =b", "r REJ R0 F", "Connected"},
        {"Rej", "c I S2 R0 =c", "", "Connected"}, // one REJ until the frame it asked for
        {"Rej", "c I S2 R0 P =c", "r RR R0 F", "Connected"},
        {"Rej", "c I S0 R0 =a|c I S1 R0 =b|c I S2 R0 =c|T2", "data=a; data=b; data=c; r RR R3", "Connected"},
        {"Rej", "c I S0 R0 =a|c I S2 R0 =c", "data=a; r REJ R1", "Connected"},
        // Up: the far end's requests, polls, other stations.
        {"Up", "c RR R0 P", "r RR R0 F", "Connected"},
        {"Up", "c DISC P", "r UA F; *Disconnected", "Disconnected"},
        {"Up", "r DM", "*Disconnected", "Disconnected"},
        {"Up", "c SABM P", "r UA F", "Connected"}, // its UA was lost: nothing to reset
        {"Recv1", "c SABM P", "r UA F; *Reset", "Connected"},
        {"Sent2", "c SABM P|r RR R0", "r UA F; *Reset", "Connected"},
        {"Sent2", "r FRMR F =xyz", "c SABM P", "Connecting"},
        {"Sent2", "r FRMR F =xyz|r UA F", "c SABM P; *Reset", "Connected"},
        {"Sent2", "r FRMR F =xyz|T1x11",
         "c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM P; c SABM "
         "P; "
         "c SABM P; *RetryExceeded",
         "Disconnected"},
        {"Up", "c SABME P", "r DM F", "Connected"},
        {"Up", "N0XXX c SABM P", "N0XXX r DM F", "Connected"},
        {"Up", "N0XXX c I S0 R0 P =x|N0XXX c RR R0 P", "N0XXX r DM F; N0XXX r DM F", "Connected"},
        {"Up", "N0XXX r RR R0|N0XXX r UA F", "", "Connected"},
        {"Up", "T3", "c RR R0 P", "Connected"},
        {"Up", "T3|r RR R0 F|T1", "c RR R0 P; (no T1)", "Connected"},
        {"Called", "send abcd", "c I S0 R0 =abcd", "Connected"},
        {"Up", "disconnect", "c DISC P", "Disconnecting"},
        {"Up", "forget|c RR R0 P", "r DM F", "Disconnected"},
        // Ending.
        {"Closing", "r UA F", "*Disconnected", "Disconnected"},
        {"Closing", "r DM F", "*Disconnected", "Disconnected"},
        {"Closing", "c DISC P", "r UA F; *Disconnected", "Disconnected"},
        {"Closing", "c I S0 R0 P =x|c RR R0 P|c SABM P", "r DM F; r DM F; r DM F", "Disconnecting"},
        {"Closing", "send x|disconnect", "(refused)", "Disconnecting"},
        {"Closing", "T1x11",
         "c DISC P; c DISC P; c DISC P; c DISC P; c DISC P; c DISC P; c DISC P; c DISC P; "
         "c DISC P; c DISC P; *Disconnected",
         "Disconnected"},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.steps(setups.at(row.from));
        rig.out.clear();
        rig.steps(row.steps);
        EXPECT_EQ(rig.out.join("; "), QByteArray(row.out)) << row.from << " + " << row.steps;
        EXPECT_STREQ(stateName(rig.link.state()), row.state) << row.from << " + " << row.steps;
    }
}

TEST(Ax25Link, pathsFramesOfOthersAndTimers) {
    Rig rig;
    rig.link.setParams({4, 256, 3000, 10, 300'000, 1200, 300});
    // Frames taken by the link and frames left to the monitor.
    const struct {
        const char* frame;
        QList<Ax25Address> digis;
        bool taken;
    } heard[] = {
        {"c SABM P", {}, true},
        {"c UI =cq", {}, false},            // unconnected: the monitor's
        {"c RR R0 P", {addr("R1")}, false}, // not yet through its digipeater
        {"N0KIS c SABM P", {}, false},      // our own, repeated
    };
    for (const auto& h : heard) {
        Ax25Frame f = parseFrame(h.frame);
        f.digipeaters = h.digis;
        EXPECT_EQ(rig.link.frameReceived(f), h.taken) << h.frame;
    }
    Ax25Frame elsewhere = parseFrame("c SABM P");
    elsewhere.destination = addr("N0YYY");
    EXPECT_FALSE(rig.link.frameReceived(elsewhere));
    EXPECT_EQ(rig.out.join("; "), "r UA F; *Connected");

    // Called through two digipeaters: answered along the reversed path, T1 scaled by its length.
    Rig via;
    Ax25Frame sabm = parseFrame("c SABM P");
    sabm.digipeaters = {addr("R1"), addr("R2")};
    for (Ax25Address& d : sabm.digipeaters)
        d.flag = true;
    Ax25Frame lastUa;
    via.link.onTransmit = [&lastUa](const Ax25Frame& f) { lastUa = f; };
    ASSERT_TRUE(via.link.frameReceived(sabm));
    EXPECT_EQ(lastUa.digipeaters, (QList<Ax25Address>{addr("R2"), addr("R1")}));
    via.link.send("x");
    EXPECT_EQ(lastUa.digipeaters, (QList<Ax25Address>{addr("R2"), addr("R1")}));
    const qint64 t1 = *via.link.dueAt(Ax25Link::Timer::T1) - via.clock.nowMs();
    EXPECT_GE(t1, 5 * 3000);
    EXPECT_LT(t1, 5 * 3000 + 1500);

    // Four 256-byte frames take over 7 s at 1200 baud: T1 waits for them to leave the modem.
    Rig burst;
    burst.link.setParams({4, 256, 3000, 10, 300'000, 1200, 300});
    burst.steps("connect|r UA F");
    burst.clock.advance(10'000); // the modem is idle again
    burst.link.send(QByteArray(1024, 'x'));
    const qint64 due = *burst.link.dueAt(Ax25Link::Timer::T1) - burst.clock.nowMs();
    EXPECT_GE(due, 3000 + 7350);
    EXPECT_LT(due, 3000 + 8500);
    EXPECT_EQ(burst.link.airTimeMs(273), 1904); // 1.84 s measured per frame
    // Acknowledgements wait about one long frame, and well inside the far end's T1.
    EXPECT_GE(burst.link.ackDelayMs(), 1800);
    EXPECT_LE(burst.link.ackDelayMs(), 2000);
}

// Two links through a channel that loses and copies frames, and now and then swaps two I frames of
// one burst; some runs go through two digipeaters, heard both before and after they repeat. Each side's
// frames otherwise leave in order, as from a modem: a frame overtaken by a later acknowledgement would carry
// an N(R) that modulo 8 cannot tell from a new one. Every frame passes the KISS and AX.25 codecs both ways.
struct Channel {
    Channel(ManualScheduler& c, unsigned seed) : clock(c), random(seed) {}
    ManualScheduler& clock;
    std::mt19937 random;
    int lossPercent = 10;
    int sent = 0, dropped = 0, copied = 0, swapped = 0;

    struct InFlight {
        QByteArray wire;
        QByteArray direct; // the copy not yet repeated, when there is a digipeater
        int copies = 1;
        qint64 arrival = 0;
        qint64 sentAt = 0;
        quint8 nr = 0;
    };
    std::map<Ax25Link*, qint64> airFree;               // by receiving side: when the sender's modem is free
    std::map<Ax25Link*, std::optional<InFlight>> held; // an I frame waiting for the next of its burst

    void carry(const Ax25Frame& frame, Ax25Link& to) {
        ++sent;
        const auto percent = [this] { return int(random() % 100); };
        InFlight f;
        if (percent() < lossPercent) {
            ++dropped;
            f.copies = 0;
        } else if (percent() < 5) {
            ++copied;
            f.copies = 2;
        }
        // Through a digipeater: heard first as sent, then as repeated.
        Ax25Frame repeated = frame;
        for (Ax25Address& digi : repeated.digipeaters)
            digi.flag = true;
        if (!frame.digipeaters.isEmpty()) f.direct = encodeKissData(encodeAx25(frame));
        const QByteArray ax25 = encodeAx25(repeated);
        qint64& free = airFree[&to];
        free = std::max(free, clock.nowMs() + 300) + to.airTimeMs(ax25.size());
        f.arrival = free;
        f.sentAt = clock.nowMs();
        f.nr = frame.nr;
        f.wire = encodeKissData(ax25);

        std::optional<InFlight>& waiting = held[&to];
        const bool sameBurst =
            frame.type == Ax25Type::I && waiting && waiting->sentAt == f.sentAt && waiting->nr == f.nr;
        if (waiting) {
            if (sameBurst) {
                ++swapped;
                waiting->arrival = f.arrival + 10;
            }
            deliver(*waiting, to);
            waiting.reset();
        }
        if (frame.type == Ax25Type::I && !sameBurst && percent() < 5) {
            waiting = f;
            // The burst ended with this frame: it goes in its turn after all.
            clock.callAfter(0, [this, &to, sentAt = f.sentAt] {
                std::optional<InFlight>& still = held[&to];
                if (still && still->sentAt == sentAt) {
                    deliver(*still, to);
                    still.reset();
                }
            });
            return;
        }
        deliver(f, to);
    }

    void deliver(const InFlight& f, Ax25Link& to) {
        QList<QByteArray> wires;
        if (f.copies && !f.direct.isEmpty()) wires.append(f.direct);
        for (int i = 0; i < f.copies; ++i)
            wires.append(f.wire);
        for (qsizetype i = 0; i < wires.size(); ++i)
            clock.callAfter(int(f.arrival - clock.nowMs() + i * 20), [wire = wires[i], &to] {
                KissDecoder decoder;
                for (const KissFrame& k : decoder.feed(wire)) {
                    const Ax25Decoded d = decodeAx25(k.payload);
                    ASSERT_TRUE(d.frame) << d.problem.constData();
                    to.frameReceived(*d.frame);
                }
            });
    }
};

TEST(Ax25Link, lossyChannelDeliversByteForByte) {
    int dropped = 0, copied = 0, swapped = 0;
    // SEEDS=1000 in the environment for a longer soak.
    const unsigned seeds =
        qEnvironmentVariableIsSet("SEEDS") ? unsigned(qEnvironmentVariableIntValue("SEEDS")) : 24;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        ManualScheduler clock;
        Channel channel(clock, seed);
        Ax25Link::Params p;
        p.paclen = seed % 2 ? 128 : 256;
        p.window = int(1 + seed % 7);
        Ax25Link a(clock, p), b(clock, p);
        a.setMyCall(addr("N0AAA"));
        b.setMyCall(addr("N0BBB-7"));
        a.onTransmit = [&](const Ax25Frame& f) { channel.carry(f, b); };
        b.onTransmit = [&](const Ax25Frame& f) { channel.carry(f, a); };
        QByteArray gotA, gotB;
        QList<Ax25Link::Event> eventsA, eventsB;
        a.onData = [&](const QByteArray& d) { gotA += d; };
        b.onData = [&](const QByteArray& d) { gotB += d; };
        a.onEvent = [&](Ax25Link::Event e) { eventsA.append(e); };
        b.onEvent = [&](Ax25Link::Event e) { eventsB.append(e); };

        std::mt19937 bytes(seed * 7919);
        QByteArray fromA(int(1024 + bytes() % 3072), Qt::Uninitialized),
            fromB(int(1024 + bytes() % 3072), Qt::Uninitialized);
        for (char& c : fromA)
            c = char(bytes());
        for (char& c : fromB)
            c = char(bytes());

        const QList<Ax25Address> path =
            seed % 3 ? QList<Ax25Address>{} : QList<Ax25Address>{addr("RELAY"), addr("WIDE2-1")};
        ASSERT_TRUE(a.connect(addr("N0BBB-7"), path));
        for (int s = 0; s < 600 && a.state() != Ax25Link::State::Connected; ++s)
            clock.advance(1000);
        ASSERT_EQ(a.state(), Ax25Link::State::Connected) << seed;
        ASSERT_EQ(b.state(), Ax25Link::State::Connected) << seed;
        EXPECT_EQ(b.path(), (QList<Ax25Address>(path.crbegin(), path.crend())))
            << seed; // answers the way back
        a.send(fromA);
        b.send(fromB);
        for (int s = 0; s < 3600 && (gotA.size() < fromB.size() || gotB.size() < fromA.size() ||
                                     a.unacknowledgedBytes() || b.unacknowledgedBytes());
             ++s)
            clock.advance(1000);
        EXPECT_TRUE(gotB == fromA) << "seed " << seed << ": " << gotB.size() << " of " << fromA.size();
        EXPECT_TRUE(gotA == fromB) << "seed " << seed << ": " << gotA.size() << " of " << fromB.size();
        a.disconnect();
        for (int s = 0; s < 600 && (a.state() != Ax25Link::State::Disconnected); ++s)
            clock.advance(1000);
        EXPECT_EQ(a.state(), Ax25Link::State::Disconnected) << seed;
        // B hears the DISC, or its polls go unanswered... or are answered with DM.
        clock.runAll(3'600'000);
        EXPECT_EQ(b.state(), Ax25Link::State::Disconnected) << seed;
        EXPECT_EQ(eventsA,
                  (QList<Ax25Link::Event>{Ax25Link::Event::Connected, Ax25Link::Event::Disconnected}))
            << seed;
        EXPECT_EQ(eventsB.first(), Ax25Link::Event::Connected) << seed;
        EXPECT_FALSE(eventsB.contains(Ax25Link::Event::Reset)) << seed;
        dropped += channel.dropped;
        copied += channel.copied;
        swapped += channel.swapped;
    }
    // The channel did what it is for.
    EXPECT_GT(dropped, 0);
    EXPECT_GT(copied, 0);
    EXPECT_GT(swapped, 0);
}

} // namespace
