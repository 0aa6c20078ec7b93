// Message reception into the real received-messages pane (offscreen): a 100 KB message taken off
// the air whole, and one more message once the pane has taken a thousand.
#include "support/StationRig.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct ReceivingStation {
    QTemporaryDir dir;
    MainWindow window;
    StationRig rig{dir.path(), &window.view()};
    ReceivingStation() {
        useDefaultTexts(rig.station);
        rig.station.dir = dir.path();
        rig.station.settings.SaveRcvdMsgs = "1";
        rig.station.settings.AlertPref = 2; // no sound device here
        rig.station.settings.PrintPref = 2;
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle);
        rig.rx.comInput("*** CONNECTED to W2DEF\r");
    }
};

QByteArray message(int n, qsizetype size) {
    QByteArray text = ".hdr  .ack  _W2DEF _Report " + QByteArray::number(n) + "\r\r";
    while (text.size() < size)
        text += "Shelter 3 holds 41 people, water for two days, generator running.\r";
    return text + "$^\r";
}

void BM_Receive100KMessage(benchmark::State& state) {
    const QByteArray text = message(0, 100 * 1024);
    for (auto _ : state) {
        state.PauseTiming();
        auto station = std::make_unique<ReceivingStation>();
        state.ResumeTiming();
        for (qsizetype i = 0; i < text.size(); i += 256)
            station->rig.rx.comInput(text.mid(i, 256));
        QApplication::processEvents();
        benchmark::DoNotOptimize(station->rig.station.RcvdCount);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Receive100KMessage)->Unit(benchmark::kMillisecond);

void BM_OneMoreMessageAfterAThousand(benchmark::State& state) {
    ReceivingStation station;
    for (int n = 0; n < 1000; ++n)
        station.rig.rx.comInput(message(n, 600));
    QApplication::processEvents();
    int n = 1000;
    for (auto _ : state)
        station.rig.rx.comInput(message(n++, 600));
    state.counters["pane_characters"] = double(station.window.view().receivedLength());
}
BENCHMARK(BM_OneMoreMessageAfterAThousand)->Unit(benchmark::kMillisecond);

} // namespace
