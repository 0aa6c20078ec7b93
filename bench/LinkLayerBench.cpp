// The link layer's cost per frame: two links on a manual clock pass a stream of I frames and the
// acknowledgements for them, every frame encoded and decoded as it is on a KISS line. The radio's
// time is not counted (the clock is manual): what is left is the program's own work per frame.
#include "softtnc/Ax25Link.h"
#include "support/Doubles.h"

#include <benchmark/benchmark.h>

#include <utility>

using namespace tolvex;

namespace {

struct LinkPair {
    test::ManualScheduler clock;
    Ax25Link a{clock}, b{clock};
    QList<std::pair<Ax25Link*, QByteArray>> air; // frames in flight, each to the link that hears it
    qsizetype delivered = 0;
    qint64 frames = 0;

    LinkPair() {
        a.setMyCall(*Ax25Address::parse("N0AAA"));
        b.setMyCall(*Ax25Address::parse("N0BBB"));
        a.onTransmit = [this](const Ax25Frame& f) { air.append({&b, encodeAx25(f)}); };
        b.onTransmit = [this](const Ax25Frame& f) { air.append({&a, encodeAx25(f)}); };
        b.onData = [this](const QByteArray& d) { delivered += d.size(); };
    }
    // Frames are heard one after the other, never while a link is still handling the one before.
    void pump() {
        while (!air.isEmpty()) {
            auto [to, bytes] = air.takeFirst();
            ++frames;
            const Ax25Decoded decoded = decodeAx25(bytes);
            if (decoded.frame) to->frameReceived(*decoded.frame);
        }
    }
};

// Each round: a window of full frames (range(0) bytes of info each) from A, B's acknowledgement
// when its hold-back runs out.
void BM_LinkLayerFrames(benchmark::State& state) {
    LinkPair pair;
    Ax25Link::Params params;
    params.paclen = int(state.range(0));
    pair.a.setParams(params);
    pair.b.setParams(params);
    pair.a.connect(*Ax25Address::parse("N0BBB"));
    pair.pump();
    if (pair.a.state() != Ax25Link::State::Connected) return state.SkipWithError("the links did not connect");
    const QByteArray window(params.paclen * params.window, 'x');
    pair.frames = 0;
    qsizetype sent = 0;
    for (auto _ : state) {
        pair.a.send(window);
        sent += window.size();
        pair.pump();
        pair.clock.advance(pair.b.ackDelayMs());
        pair.pump();
    }
    if (pair.delivered != sent || pair.a.unacknowledgedBytes() != 0)
        return state.SkipWithError("the stream was not delivered and acknowledged in order");
    const Ax25Link::Stats& stats = pair.a.stats();
    if (stats.polls != 0 || stats.iFramesResent != 0)
        return state.SkipWithError("a timer ran out on the way");
    state.counters["frames"] = benchmark::Counter(double(pair.frames), benchmark::Counter::kIsRate);
    state.counters["i_frames"] = benchmark::Counter(double(stats.iFramesSent), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(sent);
}
BENCHMARK(BM_LinkLayerFrames)->Arg(128)->Arg(256)->ArgName("paclen");

} // namespace

BENCHMARK_MAIN();
