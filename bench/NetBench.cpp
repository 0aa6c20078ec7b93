// A net with 10,000 check-ins: each further net line (lists, net pane, counter) into the real
// main window and control console, offscreen.
#include "support/StationRig.h"
#include "ui/MainWindow.h"
#include "ui/NetConsoles.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

struct ControlStation {
    QTemporaryDir dir;
    MainWindow window;
    StationRig rig{dir.path(), &window.view()};
    NetConsoles consoles{rig.logic.net, &window};
    ControlStation() {
        useDefaultTexts(rig.station);
        rig.station.dir = dir.path();
        rig.station.settings.NCSCallsign = "N0NCS";
        rig.station.settings.ThisNCS = "1";
        rig.station.settings.NetOperation = "1";
        rig.station.deriveNames();
        rig.port.open({});
        rig.session.setState(LinkState::LinkIdle);
        rig.logic.net.pane.show();
        rig.logic.net.control.open();
    }
    void hear(const QByteArray& line) { rig.rx.comInput("N1ABC>N0NCS: <UI>:\r" + line + "\r"); }
};

QByteArray call(int n) {
    return "N" + QByteArray::number(n % 10) + "C" + QByteArray::number(n);
}

void BM_NetLineAfterTenThousandCheckins(benchmark::State& state) {
    ControlStation station;
    for (int n = 0; n < 10000; ++n)
        station.hear("  .ckin" + call(n) + "  $^ ");
    QApplication::processEvents();
    int n = 10000;
    for (auto _ : state) {
        switch (n % 3) {
        case 0:
            station.hear("  .ckin" + call(n) + "  $^ ");
            break;
        case 1:
            station.hear("  .rts" + call(n) + "  $^ ");
            break;
        default:
            station.hear("  .netmsg From " + call(n) + "- water at the school  $^ ");
            break;
        }
        ++n;
    }
    QApplication::processEvents();
    state.counters["checkins"] = double(station.rig.logic.net.control.checkins().size());
}
BENCHMARK(BM_NetLineAfterTenThousandCheckins)->Unit(benchmark::kMicrosecond);

} // namespace
