// Random interleavings of the operator's actions and the TNC's texts on the real station logic.
// A fixed set of seeds runs with every test run; scripts/chaos.sh runs more. Replay one break with
//   TOLVEX_CHAOS_SEED=seed ./bin/test_chaos
// or its shortest step list with
//   TOLVEX_CHAOS_STEPS='ConnectDirect:1,CallAnswered:2' ./bin/test_chaos
// (TOLVEX_CHAOS_TRACE=1 prints every step, write and TNC text with its time.)
#include "ChaosRun.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace tolvex::chaos {
namespace {

constexpr int kStepsPerSeed = 60;
constexpr std::uint64_t kFixedSeeds = 800;

// Seeds from the environment: one seed, or a count from a start; else the fixed set.
std::vector<std::uint64_t> seeds() {
    const QByteArray one = qgetenv("TOLVEX_CHAOS_SEED");
    if (!one.isEmpty()) return {one.toULongLong()};
    const QByteArray count = qgetenv("TOLVEX_CHAOS_COUNT");
    if (!count.isEmpty()) {
        const std::uint64_t start =
            qEnvironmentVariable("TOLVEX_CHAOS_START", QStringLiteral("1000")).toULongLong();
        std::vector<std::uint64_t> out;
        for (std::uint64_t i = 0; i < count.toULongLong(); ++i)
            out.push_back(start + i);
        return out;
    }
    std::vector<std::uint64_t> out;
    for (std::uint64_t seed = 1; seed <= kFixedSeeds; ++seed)
        out.push_back(seed);
    return out;
}

std::string report(const QString& what, const std::vector<Step>& steps, const QString& replay) {
    return (what + QStringLiteral("\n  shortest steps (") + QString::number(steps.size()) +
            QStringLiteral("): ") + describe(steps) + QStringLiteral("\n  replay: ") + replay)
        .toStdString();
}

} // namespace

TEST(Chaos, EverySeedKeepsEveryInvariant) {
    const QByteArray given = qgetenv("TOLVEX_CHAOS_STEPS");
    if (!given.isEmpty()) {
        const auto steps = parseSteps(given);
        ASSERT_TRUE(steps) << "unreadable step list";
        const auto broke = breakOf(*steps);
        EXPECT_FALSE(broke) << report(broke.value_or(QString()), *steps, QStringLiteral("this list"));
        return;
    }
    for (const std::uint64_t seed : seeds()) {
        const std::vector<Step> steps = generate(seed, kStepsPerSeed);
        const auto broke = breakOf(steps);
        if (!broke) continue;
        const std::vector<Step> shortest = shrink(steps);
        ADD_FAILURE() << "seed " << seed << " broke "
                      << report(breakOf(shortest).value_or(*broke), shortest,
                                QStringLiteral("TOLVEX_CHAOS_SEED=%1 ./bin/test_chaos").arg(seed));
    }
}

// Shortest step lists of breaks found and mended: each broke the station before its mend.
TEST(Chaos, MendedBreaksStayMended) {
    const char* const lists[] = {
        // A connect command queued behind a dropped link's command mode, or behind a broadcast,
        // went out after Disconnect: the TNC called while the station showed idle.
        "IncomingConnect:806831510,Dropped:618603780,ConnectDirect:742392855,Disconnect:547690614",
        "Broadcast:901373107,ConnectDirect:1328670537,Disconnect:470961532",
        // A call whose link dropped while its connect command still waited behind Disconnect:
        // the command went out afterwards, and the TNC called while the station showed idle.
        "IncomingConnect:544711946,Disconnect:3918177822,Dropped:1857405950,ConnectDirect:136850734,"
        "IncomingConnect:4195565590,Dropped:440151461",
        // A station calling in while the station's own first connect command still waited behind
        // another sequence was taken for the answer to it (or a node's ready text), and the command
        // went into that station's link.
        "Broadcast:1423002220,ConnectViaNodes:2531548995,IncomingConnect:2053850122",
        "IncomingConnect:578484236,Dropped:2893956386,ConnectViaNodes:4027333740,IncomingConnect:896087135",
        // A node's failure text during Disconnect's pause queued a second disconnect, which went out
        // after a station had called in and ended its link; the message after it was typed as commands.
        "ConnectViaNodes:1239599167,ComposeScratch:2087668056,Disconnect:801427194,CallFailed:3326832021,"
        "IncomingConnect:1888796220,Send:1915754596",
        // The disconnected text split across a node's next-hop command lost its beginning.
        "ConnectViaNodes:2744063620,CallAnswered:4109399728,Dropped:3577412609",
        // The call, or the first node, answered during Disconnect's pause: the disconnect command went
        // into the link.
        "ConnectDirect:2151429473,Disconnect:123876210,CallAnswered:3614968440",
        "ConnectViaNodes:149365866,Disconnect:1876363819,CallAnswered:2918626182",
        // The link dropped during Disconnect's pause and a station called in: the disconnect command
        // and the dropped link's command mode went into the new link, and the message after them
        // was typed as commands.
        "ConnectDirect:2226342284,CallAnswered:1706775853,Disconnect:4240535205,FarMessageCut:2664745422,"
        "IncomingConnect:2300473888,ComposeFormal:771345903,Send:1575938426",
        // Disconnect pressed twice, the link dropped and a station called in: the second press's
        // command character put the TNC into command mode under the new link's message.
        "ComposeFormal:266833617,ConnectDirect:3296095861,CallAnswered:1941024175,Disconnect:4267157932,"
        "Disconnect:2689638647,FarMessageCut:1856972988,IncomingConnect:1107127938,Send:1365890313",
        // A broadcast stopped by the operator's connect left the TNC in converse mode, and the
        // connect command went out as a frame.
        "Broadcast:3969152861,GroupFrame:2124440475,ConnectDirect:2753897219",
        // A broadcast waiting behind a far station's disconnect request went out after the
        // disconnect command, before the TNC had ended the link: the line went into it.
        "Broadcast:513417404,IncomingConnect:2637802056,FarMessageDis:2070524665",
        // A station's connected text still arriving when the station's own first connect command
        // went out was taken for the first node's ready text, and the next hop went into its link.
        "Broadcast:2243291584,ConnectViaNodes:1725465485,IncomingConnect:1359325112",
        // A call failing in Disconnect's pause queued its own disconnect, which went out after a
        // station had called in and ended that link.
        "ConnectViaNodes:3740398687,Disconnect:761811109,ComposeFormal:3538745442,CallFailed:1899093093,"
        "IncomingConnect:248315791,Send:1034416900",
    };
    for (const char* list : lists) {
        SCOPED_TRACE(list);
        const auto steps = parseSteps(list);
        ASSERT_TRUE(steps);
        const auto broke = breakOf(*steps);
        EXPECT_FALSE(broke) << broke.value_or(QString()).toStdString();
    }
}

// The harness itself: each kind of fault the station could make is caught, and shrinking keeps
// only the steps the fault needs.
TEST(Chaos, CatchesEachKindOfBreakAndShrinksToIt) {
    struct Case {
        const char* name;
        std::function<void(ChaosRun&)> sabotage;
        std::vector<Step> steps;
        const char* reported;
        std::vector<Act> shortest;
    };
    const auto tnc = [](ChaosRun& r) -> TncPort& { return r.logic().tnc; };
    const std::vector<Step> noise = {
        {Act::Garbage, 1}, {Act::Pause, 2}, {Act::GroupFrame, 3}, {Act::Pause, 4}};
    const auto with = [&noise](std::vector<Step> core) {
        std::vector<Step> all = noise;
        all.insert(all.begin() + 2, core.begin(), core.end());
        return all;
    };
    const Case cases[] = {
        {"an unconnected line into a link",
         [tnc](ChaosRun& r) { tnc(r).sendToTnc("\x03\rUNPROTO CQ\rK\rhello $^\r\x03\r"); },
         with({{Act::IncomingConnect, 5}, {Act::Sabotage, 0}}),
         "unconnected line went into the link",
         {Act::IncomingConnect, Act::Sabotage}},
        {"the TNC left in converse mode",
         [tnc](ChaosRun& r) { tnc(r).sendToTnc("K\r"); },
         with({{Act::Sabotage, 0}}),
         "converse mode while the station is idle",
         {Act::Sabotage}},
        {"a link shown that the TNC never reported",
         [](ChaosRun& r) { r.logic().session.setState(LinkState::LinkConnected); },
         with({{Act::Sabotage, 0}}),
         "but the TNC has no link",
         {Act::Sabotage}},
        {"a far message lost",
         [](ChaosRun& r) { r.view().received.clear(); },
         with({{Act::IncomingConnect, 5}, {Act::FarMessage, 6}, {Act::Sabotage, 0}}),
         "is not on screen",
         {Act::IncomingConnect, Act::FarMessage, Act::Sabotage}},
        {"the message counter unreadable",
         [](ChaosRun& r) { QFile::remove(r.logic().store.msgNoPath()); },
         with({{Act::ComposeFormal, 7}, {Act::Sabotage, 0}}),
         "MsgNo.inf does not read back",
         {Act::Sabotage}},
        {"a sent copy missing",
         [](ChaosRun& r) {
             // A file where the messages folder was: no copy can be written.
             const QString messages = r.dir() + QStringLiteral("/Messages");
             QDir(messages).removeRecursively();
             QFile blocker(messages);
             ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
         },
         with({{Act::ComposeScratch, 8}, {Act::IncomingConnect, 5}, {Act::Sabotage, 0}, {Act::Send, 9}}),
         "left 0 sent copies",
         {Act::ComposeScratch, Act::IncomingConnect, Act::Sabotage, Act::Send}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(breakOf(noise));
        const auto broke = breakOf(c.steps, c.sabotage);
        EXPECT_TRUE(broke);
        if (!broke) continue;
        EXPECT_TRUE(broke->contains(QLatin1String(c.reported))) << broke->toStdString();
        std::vector<Act> kept;
        for (const Step& s : shrink(c.steps, c.sabotage))
            kept.push_back(s.act);
        EXPECT_EQ(kept, c.shortest);
    }
}

} // namespace tolvex::chaos
