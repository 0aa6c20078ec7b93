// The whole receive path into the real monitor pane (offscreen): receive processing, the pane's
// batching and the widget's own insert and repaint, against the line rate of a 38400-baud TNC.
#include "BenchRig.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace tolvex;
using namespace tolvex::bench;

namespace {

constexpr double kLineRate = 3840; // characters per second at 38400 baud

const QByteArray& channel() {
    static const QByteArray stream = busyChannel(2 * 1024 * 1024);
    return stream;
}

// chunk bytes per serial read; an event-loop turn (flush and repaint) after every `perTurn` reads.
void BM_MonitorPane(benchmark::State& state) {
    const QByteArray& stream = channel();
    const int chunk = int(state.range(0));
    const int perTurn = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MainWindow>();
        auto link = std::make_unique<Link>(&window->view());
        window->show();
        QApplication::processEvents();
        state.ResumeTiming();
        int reads = 0;
        for (qsizetype i = 0; i < stream.size(); i += chunk) {
            link->rx.comInput(stream.mid(i, chunk));
            link->clock.advance(20);
            if (++reads % perTurn == 0) QApplication::processEvents();
        }
        QApplication::processEvents();
    }
    const double chars = double(state.iterations()) * double(stream.size());
    state.counters["chars_per_second"] = benchmark::Counter(chars, benchmark::Counter::kIsRate);
    state.counters["times_line_rate"] = benchmark::Counter(chars / kLineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorPane)
    ->Args({64, 1})
    ->Args({64, 16})
    ->Args({1024, 1})
    ->ArgNames({"chunk", "reads_per_turn"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
