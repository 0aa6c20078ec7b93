// Throughput and memory of the receive side on a busy channel: monitored frames, connects with
// messages, group and net frames, fed the way a serial port delivers them.
#include "core/Station.h"
#include "link/ConnectSequence.h"
#include "link/LinkSession.h"
#include "link/Panes.h"
#include "link/ReceiveProcessor.h"
#include "link/Sequencer.h"
#include "link/TncPort.h"
#include "support/Doubles.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace tolvex;
using namespace tolvex::test;

namespace {

class CountingHandlers : public MessageHandlers {
public:
    void processHeader(const QByteArray&) override { ++headers; }
    void processIncoming(const QByteArray& text, int) override {
        ++messages;
        bytes += text.size();
    }
    void processNCS(const QByteArray&) override { ++netLines; }
    qint64 headers = 0, messages = 0, netLines = 0, bytes = 0;
};

struct Link {
    ManualScheduler clock;
    FakeSerialPort port{&clock};
    RecordingMessageBoxes boxes;
    RecordingMainView view;
    Station station;
    LinkSession session;
    CountingHandlers handlers;
    TncPort tnc{station.settings, port, boxes, view, QString()};
    Sequencer sequencer{clock, [this](const QByteArray& b) { tnc.sendToTnc(b); }};
    Panes panes{station.settings, session, view, sequencer, tnc};
    ConnectSequence connect{station.settings, session, view, sequencer, tnc, panes, boxes};
    ReceiveProcessor rx{station, session, view, handlers, panes, connect, sequencer, tnc, clock};

    Link() {
        Settings& s = station.settings;
        s.Callsign = "W1XYZ";
        s.ConnStr = "*** CONNECTED";
        s.DisconStr = "*** DISCONNECTED";
        s.CmdCmd = "3";
        s.DisconCmd = "D";
        s.InLineEnd = "\r";
        s.OutLineEnd = "\r";
        s.GroupAd = {"ZULGRP", "ARES V RELAY", "", "", "", ""};
        s.NCSCallsign = "NETCTL";
        station.deriveNames();
        view.visible["tbMon"] = true;
        port.open({});
    }
};

QByteArray word(std::mt19937& gen) {
    static const char* words[] = {"water",   "shelter", "route",  "closed",  "open",      "net",
                                  "traffic", "roger",   "copy",   "standby", "generator", "fuel",
                                  "medical", "north",   "bridge", "73"};
    return words[gen() % 16];
}

QByteArray textLine(std::mt19937& gen) {
    QByteArray line;
    for (int n = 3 + int(gen() % 10); n > 0; --n)
        line += word(gen) + ' ';
    return line;
}

// A recorded-looking busy channel of about `size` bytes.
QByteArray busyChannel(qsizetype size) {
    std::mt19937 gen(4242);
    QByteArray out;
    out.reserve(size + 1024);
    while (out.size() < size) {
        const QByteArray call = "N" + QByteArray::number(gen() % 10) + "AB" + char('A' + gen() % 26);
        const unsigned r = gen() % 100;
        if (r < 55) {
            out += call + ">CQ,RELAY*: <UI>:\r" + textLine(gen) + "\r";
        } else if (r < 75) {
            out += "cmd:" + call + ">BEACON:" + textLine(gen) + "\r";
        } else if (r < 85) {
            out += call + ">ZULGRP: <UI>:\r" + textLine(gen) + "$^ de " + call + " \r";
        } else if (r < 90) {
            out += call + ">NETCTL: <UI>:\r  .ckin" + call + "  $^ \r";
        } else {
            out += "\r*** CONNECTED to " + call + "\r.hdr  .ack  _" + call + " _Status\r\r";
            for (int n = 2 + int(gen() % 8); n > 0; --n)
                out += textLine(gen) + "\r";
            out += "$^\r" + textLine(gen) + "\r*** DISCONNECTED\rcmd:";
        }
    }
    return out;
}

const QByteArray& channel() {
    static const QByteArray stream = busyChannel(10 * 1024 * 1024);
    return stream;
}

struct Peaks {
    qsizetype rx = 0, msg = 0, pane = 0;
    void note(const Link& link) {
        rx = qMax(rx, link.session.RxBuffer.capacity());
        msg = qMax(msg, link.session.MsgBuffer.capacity());
        pane = qMax(pane, link.view.pane("tbMon").size());
    }
};

// Feeds `stream` in chunks of `chunk` bytes, or of random sizes 1..512 when chunk is 0; time
// passes 20 ms per chunk so the link's pauses run as they would.
void feed(Link& link, QByteArrayView stream, int chunk, Peaks* peaks) {
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
        auto link = std::make_unique<Link>();
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
        Link link;
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
