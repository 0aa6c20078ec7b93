// The program with each of its windows open, ended each way an operator or the desktop ends it:
// File, Exit, the main window's close box, and SIGTERM. The TNC still gets its closing bytes, the
// program ends with status 0, and tearing it down touches nothing already gone (the sanitizers
// stop the run if it does). Every row runs side by side on its own pseudo-terminal, and the built
// program itself is ended by SIGTERM alongside them.
#include "Pty.h"
#include "Stations.h"
#include "app/Application.h"
#include "app/TerminationSignals.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <signal.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tolvex;
using tolvex::test::Pty;

namespace {

const QByteArray kWake = "\r\x03\r";
const QByteArray kQuery = "UNPROTO\r";
// The TNC's answer to the query, with its echo and prompts.
const QByteArray kAnswer = "UNPROTO\rcmd:UNPROTO CQ VIA RELAY\rcmd:";
const QByteArray kClosing = kWake + "UNPROTO CQ VIA RELAY\r";
const QByteArray kNet = ";NetOperation=1;NCSCallsign=N0EXT";

// The program as main() builds it, keeping the status it would end with.
class Program : public Application {
public:
    using Application::Application;
    void quit(int exitCode) override { status = exitCode; }
    std::optional<int> status;
};

QWidget* shown(Program& p, const char* window) {
    auto* w = p.mainWindow().findChild<QWidget*>(QString::fromLatin1(window));
    return w && w->isVisible() ? w : nullptr;
}

bool click(Program& p, const char* button) {
    auto* b = p.mainWindow().findChild<QAbstractButton*>(QString::fromLatin1(button));
    if (b) b->click();
    return b != nullptr;
}

bool trigger(QWidget* w, const char* action) {
    auto* a = w ? w->findChild<QAction*>(QString::fromLatin1(action)) : nullptr;
    if (a) a->trigger();
    return a != nullptr;
}

struct WindowCase {
    const char* name;
    QByteArray settings;
    std::function<bool(Program&)> open; // as the operator opens it; true once it shows
};

const std::vector<WindowCase> kWindows = {
    {"frmCompose", {}, [](Program& p) { return click(p, "cmdCompose") && shown(p, "frmCompose"); }},
    {"frmLog", {}, [](Program& p) { return click(p, "cmdLog") && shown(p, "frmLog"); }},
    {"frmBroadcast", {}, [](Program& p) { return click(p, "cmdGroup") && shown(p, "frmBroadcast"); }},
    {"frmGroup",
     {},
     [](Program& p) {
         return click(p, "cmdGroup") && trigger(shown(p, "frmBroadcast"), "mnuGSetup") &&
                shown(p, "frmGroup");
     }},
    {"frmOpParms",
     {},
     [](Program& p) { return trigger(&p.mainWindow(), "mnuPref") && shown(p, "frmOpParms"); }},
    {"frmTNC", {}, [](Program& p) { return trigger(&p.mainWindow(), "mnuTNC") && shown(p, "frmTNC"); }},
    {"frmNode", {}, [](Program& p) { return trigger(&p.mainWindow(), "mnuNode") && shown(p, "frmNode"); }},
    {"frmConnect", {}, [](Program& p) { return click(p, "cmdDest") && shown(p, "frmConnect"); }},
    // The consoles open at start-up for a station in a net; a net control station has both.
    {"frmNCS", kNet + ";ThisNCS=1", [](Program& p) { return p.logic().net.control.isOpen(); }},
    {"frmInfoNet", kNet, [](Program& p) { return p.logic().net.member.isOpen(); }},
    {"frmAbout", {}, [](Program& p) { return trigger(&p.mainWindow(), "mnuAbout") && shown(p, "frmAbout"); }},
    // A question waiting for its answer ("Erase Message").
    {"a box", {}, [](Program& p) { return click(p, "cmdErase") && p.messagesOpen() == 1; }},
};

enum class Way { FileExit, CloseBox, Terminate };

// One station on its own line; the test plays its TNC.
struct Line {
    explicit Line(const QString& dir, const QByteArray& settings) {
        ok = pty.ok() && !e2e::makeStation(dir, "N0EXT", "GroupAd(0)=ZULGRP" + settings).isEmpty() &&
             QDir().mkpath(dir + "/Messages") && QDir().mkpath(dir + "/Ports") &&
             QFile::link(pty.slave(), dir + "/Ports/COM1");
    }
    // Takes what arrived; answers the UNPROTO query once it came.
    void poll() {
        written += pty.readNow(&hungUp);
        if (!answered && written.contains(kQuery)) {
            pty.write(kAnswer);
            answered = true;
            sinceAnswer.start();
        }
    }
    Pty pty;
    bool ok = false;
    QByteArray written;
    bool answered = false;
    QElapsedTimer sinceAnswer;
    bool hungUp = false;
};

struct Row {
    Row(const WindowCase& w, Way how, const QString& dir) : window(w), way(how), line(dir, w.settings) {}
    QString label() const {
        static const char* ways[] = {"File, Exit", "close box", "SIGTERM"};
        return QStringLiteral("%1 open, %2").arg(QLatin1String(window.name), QLatin1String(ways[int(way)]));
    }
    const WindowCase& window;
    Way way;
    Line line;
    std::unique_ptr<Program> program;
};

} // namespace

TEST(ExitE2E, EveryWindowOpenEveryWayOut) {
    QTemporaryDir tmp;

    // The built program, on a station with both net consoles, ended by SIGTERM.
    Line built(tmp.filePath("built"), kNet + ";ThisNCS=1");
    ASSERT_TRUE(built.ok);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    // The built program gives up its query after about a second: its TNC answers from a thread of
    // its own, so a test loop slowed by the rows below (and a loaded machine) cannot miss that.
    std::thread builtTnc([&built] {
        QElapsedTimer waited;
        waited.start();
        while (!built.answered && !built.hungUp && waited.elapsed() < 60000) {
            built.poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    process.start(QStringLiteral(TOLVEX_BIN_DIR) + "/tolvex", {tmp.filePath("built")});
    const bool started = process.waitForStarted(5000);
    if (!started) built.hungUp = true;
    ASSERT_TRUE(started);

    std::vector<std::unique_ptr<Row>> rows;
    for (const WindowCase& window : kWindows)
        for (const Way way : {Way::FileExit, Way::CloseBox, Way::Terminate}) {
            rows.push_back(std::make_unique<Row>(window, way, tmp.filePath(QString::number(rows.size()))));
            Row& row = *rows.back();
            ASSERT_TRUE(row.line.ok) << row.label().toStdString();
            row.program = std::make_unique<Program>(tmp.filePath(QString::number(rows.size() - 1)));
            ASSERT_TRUE(row.program->start()) << row.label().toStdString();
        }
    const auto pollAll = [&] {
        for (auto& row : rows)
            row->line.poll();
    };

    // Start-up: woken, queried, answered; then each window opens as the operator opens it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pollAll();
            for (auto& row : rows)
                if (row->program->logic().session.SavedUnproto.isEmpty()) return false;
            return true;
        },
        30000));
    builtTnc.join();
    ASSERT_TRUE(built.answered);
    for (auto& row : rows) {
        SCOPED_TRACE(row->label().toStdString());
        EXPECT_EQ(row->line.written, kWake + kQuery);
        row->line.written.clear();
        EXPECT_TRUE(row->window.open(*row->program));
    }
    // The built program is given time to take the answer in; nothing outside shows it did.
    QTest::qWait(int(qMax<qint64>(0, 1000 - built.sinceAnswer.elapsed())));
    built.written.clear();

    std::vector<Program*> terminated;
    TerminationSignals signals([&terminated] {
        for (Program* p : terminated)
            p->shutdown();
    });
    for (auto& row : rows) {
        switch (row->way) {
        case Way::FileExit:
            ASSERT_TRUE(trigger(&row->program->mainWindow(), "mnuExit"));
            break;
        case Way::CloseBox:
            row->program->mainWindow().close();
            break;
        case Way::Terminate:
            terminated.push_back(row->program.get());
            break;
        }
    }
    ::kill(::getpid(), SIGTERM);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);

    // The closing bytes, the port let go, status 0.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pollAll();
            built.poll();
            for (auto& row : rows)
                if (!row->program->status || !row->line.hungUp) return false;
            return process.state() == QProcess::NotRunning && built.hungUp;
        },
        30000));
    for (auto& row : rows) {
        SCOPED_TRACE(row->label().toStdString());
        EXPECT_EQ(row->line.written, kClosing);
        EXPECT_EQ(row->program->status.value_or(-1), 0);
    }
    EXPECT_EQ(built.written, kClosing);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QByteArray err = process.readAllStandardError();
    EXPECT_FALSE(err.contains("Sanitizer") || err.contains("runtime error")) << err.toStdString();

    // Torn down as main() ends: every window with the program.
    for (auto& row : rows)
        row->program.reset();
}
