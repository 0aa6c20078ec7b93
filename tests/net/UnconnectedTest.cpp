// Every unconnected dialogue stops at the first write that finds a link up: nothing more goes
// into the link, the operator learns that the line was not sent, and what was typed or listed
// stays.
#include "NetTestRig.h"

#include <gtest/gtest.h>

namespace tolvex {
namespace {

struct Sender {
    const char* what;
    // Sets the station up and starts the dialogue at the rig's present time.
    std::function<void(test::NetRig&)> start;
    // What the operator had typed or listed is still there; `lineSent` when the line went out.
    std::function<void(test::NetRig&, bool lineSent)> kept;
    qint64 firstWrite; // ms after the start
};

const std::vector<Sender>& senders() {
    static const std::vector<Sender> all = {
        {"member line",
         [](test::NetRig& r) {
             r.net.member.open();
             r.memberView.texts["txtInfoMsg"] = "on freq";
             r.net.member.messageKeyPress(13);
         },
         [](test::NetRig& r, bool lineSent) {
             EXPECT_EQ(r.memberView.texts["txtInfoMsg"], lineSent ? "" : "ON FREQ");
         },
         0},
        {"control line",
         [](test::NetRig& r) {
             r.becomeControl();
             r.controlView.texts["txtMsg"] = "stand by";
             r.net.control.messageKeyPress(13);
         },
         [](test::NetRig& r, bool lineSent) {
             EXPECT_EQ(r.controlView.texts["txtMsg"], lineSent ? "" : "STAND BY");
         },
         0},
        {"check-out notice",
         [](test::NetRig& r) {
             r.becomeControl();
             for (const char* line : {"  .ckinAA1  $", "  .ckinBB2  $", "  .ckinCC3  $"})
                 r.net.reception.processNCS(line);
             r.net.control.checkinDelete(1);
         },
         [](test::NetRig& r, bool lineSent) {
             const QList<QByteArray> rows =
                 lineSent ? QList<QByteArray>{"AA1", "CC3"} : QList<QByteArray>{"AA1", "BB2", "CC3"};
             EXPECT_EQ(r.net.control.checkins().rows(), rows);
             EXPECT_EQ(r.controlView.rows["List2"], rows);
         },
         0},
        {"check-in list",
         [](test::NetRig& r) {
             r.becomeControl();
             r.net.reception.processNCS("  .ckinAA1  $");
             r.net.control.buttonClicked(frmNCS::cmdSend);
         },
         [](test::NetRig& r, bool) { EXPECT_EQ(r.controlView.rows["List2"], QList<QByteArray>{"AA1"}); }, 0},
        {"closing the net",
         [](test::NetRig& r) {
             r.becomeControl();
             r.net.control.buttonClicked(frmNCS::Command1);
         },
         [](test::NetRig& r, bool lineSent) {
             EXPECT_EQ(r.net.control.isOpen(), !lineSent);
             EXPECT_EQ(r.s.NetOperation, lineSent ? "0" : "1");
             EXPECT_EQ(r.rig.view.visible["txtNet"], !lineSent);
         },
         0},
        {"broadcast",
         [](test::NetRig& r) {
             r.broadcasts.openDialog();
             r.broadcastView.message = "TEST";
             r.broadcastView.chosen = 0;
             r.broadcasts.send();
         },
         [](test::NetRig& r, bool lineSent) {
             EXPECT_EQ(r.broadcasts.isOpen(), !lineSent);
             EXPECT_EQ(r.broadcastView.closes, lineSent ? 1 : 0);
         },
         0},
        {"broadcast queued behind another sequence",
         [](test::NetRig& r) {
             r.rig.sequencer.run({Step::wait(500)});
             r.broadcasts.openDialog();
             r.broadcastView.message = "TEST";
             r.broadcastView.chosen = 0;
             r.broadcasts.send();
         },
         [](test::NetRig& r, bool lineSent) { EXPECT_EQ(r.broadcasts.isOpen(), !lineSent); }, 500},
    };
    return all;
}

TEST(Unconnected, ALinkThatComesUpStopsTheDialogueAtEveryStep) {
    constexpr std::size_t kLineWrite = 3; // command mode, UNPROTO, converse, the line, command mode
    for (const Sender& sender : senders()) {
        SCOPED_TRACE(sender.what);
        // The whole dialogue undisturbed: when each write goes out.
        std::vector<test::NetRig::Write> whole;
        {
            test::NetRig r;
            sender.start(r);
            r.rig.clock.runAll();
            whole = r.writes();
            ASSERT_GE(whole.size(), 5u);
            whole.resize(5); // a broadcast's dialog then closes with command mode of its own
        }
        // The link comes up before write k, for every k the operator's press could not refuse.
        const std::size_t first = sender.firstWrite > 0 ? 0 : 1;
        for (std::size_t k = first; k < whole.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "link up before write " << k);
            test::NetRig r;
            r.rig.view.visible["tbMon"] = true;
            sender.start(r);
            const qint64 before = k == 0 ? sender.firstWrite - 1 : whole[k - 1].first;
            r.rig.clock.advance(before);
            ASSERT_EQ(r.rig.port.writes.size(), k);
            r.rig.rx.comInput("*** CONNECTED to N0XYZ\r");
            const QByteArray pane = r.rig.view.pane("tbMon");
            r.rig.clock.runAll();

            EXPECT_EQ(r.writes(), std::vector<test::NetRig::Write>(whole.begin(), whole.begin() + long(k)));
            EXPECT_EQ(r.rig.view.pane("tbMon"), pane) << "nothing more echoed";
            EXPECT_EQ(r.rig.session.state(), LinkState::LinkConnected);
            EXPECT_EQ(r.rig.view.caption("lblConn"), "Connected");
            const bool lineSent = k > kLineWrite;
            if (lineSent) {
                EXPECT_TRUE(r.rig.boxes.shown.empty());
            } else {
                EXPECT_EQ(r.rig.boxes.summaries(),
                          QStringList{
                              QStringLiteral("Line not sent|A link came up before the line went out,\r\n"
                                             "so it was not sent.   Send it again when the link is down.")});
            }
            sender.kept(r, lineSent);
        }
    }
}

} // namespace
} // namespace tolvex
