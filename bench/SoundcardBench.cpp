// A 1 KB formal message from one station to another over two sound-card modems at 1200 baud:
// the time from Send to the message saved at the far end, against the air time of its bytes. The
// sender is on its modem's AGW port (the modem's link layer) or on its KISS port (our own).
// Needs direwolf and pulseaudio (./run --soundcard installs them).
#include "app/Application.h"
#include "e2e/Soundcard.h"
#include "e2e/Stations.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

using namespace tolvex;

namespace {

constexpr double kBaud = 1200;

// Sixteen lines of 62 characters and a line end: 1024 bytes.
QByteArray kilobyteText() {
    QByteArray text;
    for (int line = 0; text.size() < 1024; ++line)
        text += QByteArray("Line ") + QByteArray::number(line).rightJustified(2, '0') + ": " +
                QByteArray(53, char('a' + line % 26)) + "\r\n";
    return text.left(1024);
}

void BM_KilobyteMessageOverTheAir(benchmark::State& state) {
    if (const QString missing = e2e::Air::missing(); !missing.isEmpty())
        return state.SkipWithError(missing.toStdString().c_str());
    const auto way = state.range(0) == 0 ? e2e::Air::Way::Agw : e2e::Air::Way::Kiss;
    state.SetLabel(way == e2e::Air::Way::Agw ? "sender on AGW" : "sender on KISS");
    // A KISS station's call is not the modem's own, which the modem's link layer would answer.
    const QByteArray callA = way == e2e::Air::Way::Agw ? "N0AAA" : "N0KIS";
    QTemporaryDir tmp;
    const QString a = e2e::makeStation(tmp.filePath("a"), callA, "MsgFormPref=none");
    const QString b = e2e::makeStation(tmp.filePath("b"), "N0BBB", "MsgFormPref=none");
    e2e::Air air(tmp.filePath("air"));
    QByteArray said;
    if (!air.start("N0AAA", "N0BBB", &said) || !air.plugIn(a, 'a', way) || !air.plugIn(b, 'b'))
        return state.SkipWithError(said.constData());

    Application stationA(a), stationB(b);
    StationLogic& la = stationA.logic();
    StationLogic& lb = stationB.logic();
    if (!stationA.start() || !stationB.start() ||
        !QTest::qWaitFor([&] { return !la.session.SavedUnproto.isEmpty(); }, 8000) ||
        !la.connect.connect("N0BBB") ||
        !QTest::qWaitFor([&] { return la.session.linkUp() && lb.session.linkUp(); }, 15000))
        return state.SkipWithError("the stations did not link over the modems");

    const QByteArray header = ".hdr  _" + callA + " _Kilobyte";
    const QByteArray text = kilobyteText();
    // What goes on the link: the header line, the text and the end line.
    const double bytes = double(header.size() + 2 + text.size() + 4);
    double total = 0;
    for (auto _ : state) {
        const int before = lb.station.RcvdCount;
        la.pending.store("Kilobyte", header, text, false);
        QElapsedTimer clock;
        clock.start();
        la.sendPending();
        if (!QTest::qWaitFor([&] { return lb.station.RcvdCount > before; }, 60000))
            return state.SkipWithError("the message did not arrive within a minute");
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        total += seconds;
        // The sender keeps listening for its echo a little after the send; the next one waits.
        (void)QTest::qWaitFor([&] { return !la.sender.sending(); }, 10000);
    }
    const double airSeconds = bytes * 8 / kBaud;
    state.counters["bytes"] = bytes;
    state.counters["air_s"] = airSeconds;
    // Above 1: slower than the bytes alone at 1200 baud (frames, acknowledgements, the pacing).
    state.counters["ratio"] = total / double(state.iterations()) / airSeconds;
    // The program types a message at a steady pace, whatever the TNC: the floor of the time.
    state.counters["typing_s"] = bytes / MessageSender::kCharsPerPause * MessageSender::kPauseMs / 1000;
    stationA.shutdown();
    stationB.shutdown();
    QTest::qWait(1000);
}
BENCHMARK(BM_KilobyteMessageOverTheAir)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("kiss")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kSecond);

} // namespace
