// Opening the message log window (offscreen) on a large Messages folder: reading the folder,
// decoding every name, filling both lists and the first paint.
#include "core/Platform.h"
#include "messaging/MessageLog.h"
#include "ui/LogWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

using namespace tolvex;

namespace {

class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, const QString&, Icon, Buttons, AnswerFn) override {}
};
class NoPrinter : public Printer {
public:
    bool printText(const QByteArray&) override { return true; }
};

// A folder of `count` message files, received and sent alternating, made once per size.
const QString& messagesFolder(int count) {
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    static std::map<int, QString> paths;
    auto& tmp = folders[count];
    if (!tmp) {
        tmp = std::make_unique<QTemporaryDir>();
        const QDir dir(tmp->path());
        for (int i = 0; i < count; ++i) {
            const QString stamp = QStringLiteral("%1%2%3")
                                      .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                                      .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                                      .arg(i, 6, 10, QLatin1Char('0'));
            const QString name = QStringLiteral("%1%2_W%3AB_Subject number %4.txt")
                                     .arg(i % 2 ? QLatin1Char('s') : QLatin1Char('r'))
                                     .arg(stamp)
                                     .arg(i % 10)
                                     .arg(i);
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::WriteOnly)) f.write("A short message.\r\n");
        }
        paths[count] = tmp->path();
    }
    return paths[count];
}

void BM_OpenLog(benchmark::State& state) {
    const QString& dir = messagesFolder(int(state.range(0)));
    NoBoxes boxes;
    NoPrinter printer;
    for (auto _ : state) {
        auto window = std::make_unique<LogWindow>(dir, boxes, printer, nullptr);
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->log().receivedRows().size());
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenLog)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("files")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Delete refills one side: both sides refilled in a window already on screen.
void BM_Refill(benchmark::State& state) {
    const QString& dir = messagesFolder(int(state.range(0)));
    NoBoxes boxes;
    NoPrinter printer;
    LogWindow window(dir, boxes, printer, nullptr);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.log().fillReceived();
        window.log().fillSent();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Refill)->Arg(10000)->Arg(100000)->ArgName("files")->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
