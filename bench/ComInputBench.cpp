// Throughput and memory of the receive side on a busy channel: monitored frames, connects with
// messages, group and net frames, fed the way a serial port delivers them.
#include "BenchRig.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace tolvex;
using namespace tolvex::test;

using namespace tolvex::bench;

namespace {

const QByteArray& channel() {
    static const QByteArray stream = busyChannel(10 * 1024 * 1024);
    return stream;
}

using Rig = Link;

struct Peaks {
    qsizetype rx = 0, msg = 0, pane = 0;
    void note(const Rig& link) {
        rx = qMax(rx, link.session.RxBuffer.capacity());
        msg = qMax(msg, link.session.MsgBuffer.capacity());
        pane = qMax(pane, link.view.pane("tbMon").size());
    }
};

// Feeds `stream` in chunks of `chunk` bytes, or of random sizes 1..512 when chunk is 0; time
// passes 20 ms per chunk so the link's pauses run as they would.
void feed(Rig& link, QByteArrayView stream, int chunk, Peaks* peaks) {
    std::mt19937 gen(7);
    for (qsizetype i = 0; i < stream.size();) {
        const qsizetype n =
            qMin<qsizetype>(chunk > 0 ? chunk : 1 + qsizetype(gen() % 512), stream.size() - i);
        link.rx.comInput(stream.sliced(i, n).toByteArray());
        link.clock.advance(20);
        if (peaks) peaks->note(link);
        i += n;
    }
}

void BM_ComInput(benchmark::State& state) {
    const QByteArray& stream = channel();
    const int chunk = int(state.range(0));
    qint64 handed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto link = std::make_unique<Rig>();
        state.ResumeTiming();
        feed(*link, stream, chunk, nullptr);
        handed = link->handlers.messages + link->handlers.netLines;
        benchmark::DoNotOptimize(handed);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["chars_per_second"] =
        benchmark::Counter(double(state.iterations()) * double(stream.size()), benchmark::Counter::kIsRate);
    state.counters["items_handed"] = double(handed);
}
BENCHMARK(BM_ComInput)->Arg(64)->Arg(0)->ArgName("chunk(0=random)")->Unit(benchmark::kMillisecond);

// The buffers' peak sizes do not grow with the amount of traffic.
void BM_ComInputMemory(benchmark::State& state) {
    const QByteArrayView stream = QByteArrayView(channel()).first(state.range(0) * 1024 * 1024);
    Peaks peaks;
    for (auto _ : state) {
        Rig link;
        peaks = {};
        feed(link, stream, 64, &peaks);
    }
    state.counters["MB_fed"] = double(state.range(0));
    state.counters["RxBuffer_peak_capacity"] = double(peaks.rx);
    state.counters["MsgBuffer_peak_capacity"] = double(peaks.msg);
    state.counters["tbMon_peak_length"] = double(peaks.pane);
}
BENCHMARK(BM_ComInputMemory)->Arg(1)->Arg(10)->ArgName("MB")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
