// The link buttons and captions follow the link state, whoever changed it.
#include "support/StationRig.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct Shown {
    const char* lblConn;
    bool cmdDisc, Label3, cmdLocalBBS, cmdViewRcv, cmdSend, tbMon;
};

struct Case {
    const char* name;
    std::function<void(LinkSession&, LinkIndicators&)> steps;
    Shown expected;
};

void expectShown(const RecordingMainView& v, const Shown& e, const char* name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(v.caption("lblConn"), QByteArray(e.lblConn));
    EXPECT_EQ(v.shown("cmdDisc"), e.cmdDisc);
    EXPECT_EQ(v.shown("Label3"), e.Label3);
    EXPECT_EQ(v.shown("cmdLocalBBS"), e.cmdLocalBBS);
    EXPECT_EQ(v.shown("cmdViewRcv"), e.cmdViewRcv);
    EXPECT_EQ(v.shown("cmdSend"), e.cmdSend);
    EXPECT_EQ(v.shown("tbMon"), e.tbMon);
    EXPECT_EQ(v.shown("tbLocal"), !e.tbMon);
}

using enum LinkState;

} // namespace

TEST(LinkIndicators, FollowTheState) {
    const Case cases[] = {
        {"idle",
         [](LinkSession& s, LinkIndicators&) { s.setState(LinkIdle); },
         {"", false, false, true, false, false, true}},
        {"calling",
         [](LinkSession& s, LinkIndicators&) { s.setState(LinkCalling); },
         {"Connecting", true, true, false, false, false, true}},
        {"called station answered, nothing pending",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkCalling);
             s.markLinkUp();
         },
         {"Connected", true, true, false, false, false, true}},
        {"message pending before the link came up",
         [](LinkSession& s, LinkIndicators& i) {
             i.setMessagePending(true);
             s.setState(LinkCalling);
             s.markLinkUp();
         },
         {"Connected", true, true, false, false, true, true}},
        {"message finished while the link is up",
         [](LinkSession& s, LinkIndicators& i) {
             s.setState(LinkConnected);
             i.setMessagePending(true);
         },
         {"Connected", true, false, false, false, true, true}},
        {"pending but idle: no Send",
         [](LinkSession& s, LinkIndicators& i) {
             i.setMessagePending(true);
             s.setState(LinkIdle);
         },
         {"", false, false, true, false, false, true}},
        {"link dropped",
         [](LinkSession& s, LinkIndicators& i) {
             i.setMessagePending(true);
             s.setState(LinkConnected);
             s.setState(LinkIdle);
         },
         {"", false, false, true, false, false, true}},
        {"a node hung up: Disconnect stays, also past a group frame",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkViaNodes);
             s.setState(LinkIdle);
             s.setState(LinkGroupCapture);
             s.setState(LinkIdle);
         },
         {"", true, true, false, false, false, true}},
        {"the same state set again changes nothing",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkViaNodes);
             s.setState(LinkIdle);
             s.setState(LinkIdle);
         },
         {"", true, true, false, false, false, true}},
        {"the late end of a disconnect confirms idle",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkViaNodes);
             s.setState(LinkIdle);
             s.confirmIdle();
         },
         {"", false, false, true, false, false, true}},
        {"confirming idle while a link is up changes nothing",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkConnected);
             s.confirmIdle();
         },
         {"Connected", true, false, false, false, false, true}},
        {"mailbox calling",
         [](LinkSession& s, LinkIndicators&) { s.setState(LinkBbsCalling); },
         {"", false, false, false, true, false, false}},
        {"mailbox",
         [](LinkSession& s, LinkIndicators& i) {
             i.setMessagePending(true);
             s.setState(LinkBbsCalling);
             s.setState(LinkBbs);
         },
         {"Connected-BBS", false, false, false, true, false, false}},
        {"the mailbox did not hang up: Disconnect is offered",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkBbsCalling);
             s.setState(LinkBbs);
             s.byeUnanswered();
         },
         {"Connected-BBS", true, false, false, false, false, false}},
        {"back from the mailbox",
         [](LinkSession& s, LinkIndicators&) {
             s.setState(LinkBbsCalling);
             s.setState(LinkBbs);
             s.setState(LinkBbsClosed);
             s.setState(LinkIdle);
         },
         {"", false, false, true, false, false, true}},
    };
    for (const Case& c : cases) {
        LinkedStation rig;
        c.steps(rig.session, rig.logic.indicators);
        expectShown(rig.view, c.expected, c.name);
    }
}
