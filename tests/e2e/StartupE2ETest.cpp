// The real program on a station whose COM1 is a pseudo-terminal held by the test.
#include "Pty.h"
#include "Stations.h"
#include "support/Files.h"
#include "ui/WindowPlacement.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <signal.h>
#include <vector>

using tolvex::test::Pty;

namespace {

const QString kBin = QStringLiteral(TOLVEX_BIN_DIR);

class Station {
public:
    explicit Station(const QByteArray& callsign) {
        const QString defaults = kBin + "/station-default";
        QDir().mkpath(dir.filePath("st/Ports"));
        for (const char* name : {"Parms.inf", "MsgNo.inf", "callsign.lst"})
            QFile::copy(defaults + "/" + name, path(name));
        QDir().mkpath(path("Messages"));
        QByteArray parms = tolvex::test::readFile(path("Parms.inf"));
        parms.replace("Callsign=\r\n", "Callsign=" + callsign + "\r\n");
        QFile::setPermissions(path("Parms.inf"), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_TRUE(tolvex::test::writeFile(path("Parms.inf"), parms));
    }
    QString path(const QString& name) const { return dir.filePath("st/" + name); }
    QTemporaryDir dir;
};

class Program {
public:
    explicit Program(const QString& stationDir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(kBin + "/tolvex", {stationDir});
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    void signal(int sig) { ::kill(static_cast<pid_t>(process.processId()), sig); }
    QProcess process;
};

} // namespace

TEST(StartupE2E, WakesQueriesAndGivesTheUnprotoPathBackOnSignals) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        Pty pty;
        ASSERT_TRUE(pty.ok());
        Station station("N0CALL");
        ASSERT_TRUE(QFile::link(pty.slave(), station.path("Ports/COM1")));
        Program program(station.dir.filePath("st"));
        ASSERT_TRUE(program.process.waitForStarted(5000));

        // Start-up: line end, command character, line end, in one write.
        auto wake = pty.read(10000, "\r\x03\r");
        ASSERT_EQ(Pty::joined(wake), QByteArray("\r\x03\r"));

        // The UNPROTO query follows (its pause is measured on the manual clock, not here); the
        // answer (with an echo of the command and a prompt in front, as a TNC with echo on prints
        // it) is taken.
        auto query = pty.read(8000, "UNPROTO\r");
        ASSERT_EQ(Pty::joined(query), QByteArray("UNPROTO\r"));
        pty.write("UNPROTO\rcmd:UNPROTO CQ VIA RELAY\rcmd:");

        // Let the answer be processed, then ask the program to end as a desktop logout would.
        pty.read(300);
        program.signal(sig);
        auto closing = pty.read(5000, "RELAY\r");
        ASSERT_GE(closing.size(), 2u);
        QByteArray first = closing.front().bytes;
        EXPECT_EQ(first, QByteArray("\r\x03\r"));
        EXPECT_EQ(Pty::joined(closing), QByteArray("\r\x03\rUNPROTO CQ VIA RELAY\r"));
        EXPECT_GE(closing.back().at - closing.front().at, 350);
        ASSERT_TRUE(program.process.waitForFinished(5000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.process.exitCode(), 0);
        EXPECT_TRUE(pty.hungUp(1000));
    }
}

TEST(StartupE2E, UnreadableSettingsShowTheCriticalFaultAndNothingElse) {
    Station station("N0CALL");
    ASSERT_TRUE(tolvex::test::writeFile(station.path("Parms.inf"), QByteArray(1 << 20, '\xff')));
    Program program(station.dir.filePath("st"));
    // The fault is also printed, as the program cannot go on; the box waits for the operator.
    QByteArray err;
    for (int i = 0; i < 100 && !err.contains("Critical Fault"); ++i) {
        program.process.waitForReadyRead(100);
        err += program.process.readAllStandardError();
    }
    EXPECT_TRUE(err.contains("Critical Fault")) << err.constData();
    EXPECT_EQ(program.process.state(), QProcess::Running); // no crash, no window behind the box
    program.signal(SIGTERM);
    EXPECT_TRUE(program.process.waitForFinished(5000));
}

// The main window's place and size, and the panes' split, come back on the next run from the
// station's Window.ini; one no screen holds, or a file that is not one, gives the centred default.
TEST(StartupE2E, TheMainWindowComesBackWhereItWas) {
    const QByteArray kept =
        "[MainWindow]\nleft=10\ntop=8\nwidth=720\nheight=590\nmaximised=0\nreceivedShare=0.6\n";
    struct Case {
        const char* what;
        QByteArray before; // empty: no file
        QRect after;       // empty: centred at the default size on the 800 by 600 screen
        double share;
    };
    const std::vector<Case> cases = {
        {"first run", "", {}, 1.0 / 3},
        {"kept from the last run", kept, {10, 8, 720, 590}, 0.6},
        {"on a screen since unplugged", QByteArray(kept).replace("left=10", "left=3000"), {}, 0.6},
        {"not a placement", QByteArray("\x01\xff[[\n=", 6), {}, 1.0 / 3},
    };
    // The rows run side by side, each on its own pseudo-terminal: start-up's query pause once.
    struct Run {
        Pty pty;
        Station station{"N0CALL"};
        std::unique_ptr<Program> program;
    };
    std::vector<std::unique_ptr<Run>> runs;
    for (const Case& c : cases) {
        auto& r = *runs.emplace_back(std::make_unique<Run>());
        ASSERT_TRUE(r.pty.ok());
        ASSERT_TRUE(QFile::link(r.pty.slave(), r.station.path("Ports/COM1")));
        if (!c.before.isEmpty()) {
            ASSERT_TRUE(tolvex::test::writeFile(r.station.path("Window.ini"), c.before));
        }
        r.program = std::make_unique<Program>(r.station.dir.filePath("st"));
        ASSERT_TRUE(r.program->process.waitForStarted(5000));
    }
    for (auto& r : runs) {
        ASSERT_TRUE(Pty::joined(r->pty.read(10000, "UNPROTO\r")).endsWith("UNPROTO\r"));
        r->pty.write("UNPROTO\rcmd:UNPROTO CQ VIA RELAY\rcmd:");
    }
    for (auto& r : runs) {
        r->pty.read(300);
        r->program->signal(SIGTERM);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        runs[i]->pty.read(5000, "RELAY\r");
        ASSERT_TRUE(runs[i]->program->process.waitForFinished(5000));
        const std::optional<tolvex::WindowPlacement> saved =
            tolvex::WindowPlacement::load(runs[i]->station.path("Window.ini"));
        ASSERT_TRUE(saved.has_value());
        EXPECT_FALSE(saved->maximised);
        EXPECT_NEAR(saved->receivedShare, c.share, 1e-5);
        if (c.after.isEmpty()) {
            EXPECT_EQ(saved->normal.left(), (800 - saved->normal.width()) / 2);
            EXPECT_EQ(saved->normal.width(), 705); // 10575 twips at 96 dots per inch
        } else {
            EXPECT_EQ(saved->normal, c.after);
        }
    }
}
