#include "support/Doubles.h"
#include "ui/services/Alert.h"
#include "ui/services/Help.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// ---- help

class RecordingOpener : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return result;
    }
    bool result = true;
    std::vector<QUrl> opened;
};

struct HelpCase {
    const char* what;
    bool helpDir;
    bool helpPage; // CompMess.html present
    bool browser;
    const char* title; // nullptr: no message box
    const char* text;
};

TEST(Help, FindsTheHelpSetAndTheBrowser) {
    const std::vector<HelpCase> cases = {
        {"no Help folder", false, false, true, "Help file not found", "Help file not found.\r\n"},
        {"Help folder without its main page", true, false, true, "Help file not found",
         "Help file not found.\r\n"},
        {"no browser", true, true, false, "Web browser not found",
         "A web browser is needed to view help files.\r\nUnable to find a web browser on this computer."},
        {"all there", true, true, true, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir station;
        ASSERT_TRUE(station.isValid());
        if (c.helpDir) {
            ASSERT_TRUE(QDir(station.path()).mkdir("Help"));
        }
        if (c.helpPage) writeFile(station.filePath("Help/CompMess.html"), "<html></html>");
        RecordingOpener opener;
        opener.result = c.browser;
        test::RecordingMessageBoxes boxes;

        Help(station.path(), opener, boxes).show(QStringLiteral("ViewLog.html"));

        EXPECT_EQ(FindHelpFile(station.path()),
                  c.helpPage ? station.path() + "/Help/" : QStringLiteral("NOTFOUND"));
        if (c.title) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, QString::fromLatin1(c.title));
            EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(c.text));
            EXPECT_EQ(boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
        // Only the main page is looked for; the page asked for goes to the browser unchecked.
        EXPECT_EQ(opener.opened.size(), c.helpPage ? 1u : 0u);
        if (!opener.opened.empty()) {
            EXPECT_EQ(opener.opened[0].toLocalFile(), station.path() + "/Help/ViewLog.html");
        }
    }
}

TEST(Help, StationPathWithBlanksGivesAFileUrl) {
    QTemporaryDir root;
    const QString station = root.filePath("My Station/Net 1");
    ASSERT_TRUE(QDir().mkpath(station + "/Help"));
    writeFile(station + "/Help/CompMess.html", "<html></html>");
    RecordingOpener opener;
    test::RecordingMessageBoxes boxes;

    ShowHelp(station, QStringLiteral("GettingStarted.html"), opener, boxes);

    ASSERT_EQ(opener.opened.size(), 1u);
    const QUrl url = opener.opened[0];
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "file");
    EXPECT_EQ(url.toLocalFile(), station + "/Help/GettingStarted.html");
    EXPECT_TRUE(url.toEncoded().startsWith("file:///"));
    EXPECT_TRUE(url.toEncoded().endsWith("/My%20Station/Net%201/Help/GettingStarted.html"));
    EXPECT_TRUE(boxes.shown.empty());
}

// ---- alert

class FakeSoundPlayer : public SoundPlayer {
public:
    bool playAsync(const QString& file) override {
        played.push_back(file);
        return starts;
    }
    bool starts = true;
    QStringList played;
};

class FakeWavePlayer : public WavePlayer {
public:
    bool open(const QString& file) override {
        calls << "open " + file;
        return opens;
    }
    bool play() override {
        calls << "play";
        return true;
    }
    void stop() override { calls << "stop"; }
    void close() override { calls << "close"; }
    bool opens = true;
    QStringList calls;
};

struct CommandCase {
    const char* what;
    QStringList commands;
    std::vector<std::int16_t> codes; // 0 or not 0
    QStringList calls;               // "%1" stands for the station folder
    bool deviceOpens = true;
};

TEST(MciCommands, ParsesTheCommandStrings) {
    const auto ok = std::int16_t{0};
    const auto err = std::int16_t{1};
    const QString openCmd = QStringLiteral("open pmr.wav type waveaudio alias wavefile");
    const std::vector<CommandCase> cases = {
        {"open, play, stop, close",
         {openCmd, "play wavefile", "stop wavefile", "close wavefile"},
         {ok, ok, ok, ok},
         {"open %1/pmr.wav", "play", "stop", "close"}},
        {"any case",
         {"OPEN pmr.wav TYPE WaveAudio ALIAS WaveFile", "Play wavefile"},
         {ok, ok},
         {"open %1/pmr.wav", "play"}},
        {"file name with blanks",
         {"open my alert.wav type waveaudio alias wavefile"},
         {ok},
         {"open %1/my alert.wav"}},
        {"missing file", {"open missing.wav type waveaudio alias wavefile", "play wavefile"}, {err, err}, {}},
        {"other device type", {"open pmr.wav type sequencer alias wavefile"}, {err}, {}},
        {"open without type", {"open pmr.wav"}, {err}, {}},
        {"play before open", {"play wavefile", "stop wavefile", "close wavefile"}, {err, err, err}, {}},
        {"unknown alias", {openCmd, "play other"}, {ok, err}, {"open %1/pmr.wav"}},
        {"alias in use", {openCmd, openCmd}, {ok, err}, {"open %1/pmr.wav"}},
        {"closed is closed",
         {openCmd, "close wavefile", "play wavefile"},
         {ok, ok, err},
         {"open %1/pmr.wav", "close"}},
        {"unknown verbs", {"rewind wavefile", "", "play"}, {err, err, err}, {}},
        {"device refuses", {openCmd, "play wavefile"}, {err, err}, {"open %1/pmr.wav"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir station;
        writeFile(station.filePath("pmr.wav"), "RIFF");
        writeFile(station.filePath("my alert.wav"), "RIFF");
        FakeWavePlayer device;
        device.opens = c.deviceOpens;
        MciCommands mci(device, station.path());
        ASSERT_EQ(c.commands.size(), static_cast<qsizetype>(c.codes.size()));
        for (qsizetype i = 0; i < c.commands.size(); ++i) {
            SCOPED_TRACE(c.commands[i].toStdString());
            const std::int16_t rc = mci.MciCommand(c.commands[i]);
            EXPECT_EQ(rc != 0, c.codes[static_cast<std::size_t>(i)] != 0);
        }
        QStringList expected;
        for (const auto& call : c.calls)
            expected << QString(call).replace("%1", station.path());
        EXPECT_EQ(device.calls, expected);
    }
}

TEST(Alert, IsWaveFile) {
    QTemporaryDir dir;
    writeFile(dir.filePath("good.wav"), QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    writeFile(dir.filePath("short.wav"), "RIFF");
    writeFile(dir.filePath("text.wav"), "this is not a sound file");
    EXPECT_TRUE(isWaveFile(dir.filePath("good.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("short.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("text.wav")));
    EXPECT_FALSE(isWaveFile(dir.filePath("missing.wav")));
}

class AlertTest : public ::testing::Test {
protected:
    AlertTest() { writeFile(station.filePath("pmr.wav"), "RIFF"); }
    QString openCall() const { return "open " + station.filePath("pmr.wav"); }

    QTemporaryDir station;
    test::ManualScheduler scheduler;
    FakeSoundPlayer immediate;
    FakeWavePlayer device;
    MciCommands mci{device, station.path()};
    Alert alert{scheduler, immediate, mci, station.path()};
};

TEST_F(AlertTest, ImmediatePlayWorksNextTickOnlyDisables) {
    alert.PlayAlert();
    EXPECT_EQ(immediate.played, QStringList{station.filePath("pmr.wav")});
    EXPECT_NE(alert.SoundState(), 0);
    EXPECT_TRUE(alert.timer1Enabled());
    scheduler.advance(3500);
    EXPECT_FALSE(alert.timer1Enabled());
    EXPECT_EQ(scheduler.pending(), 0u);
    EXPECT_TRUE(device.calls.isEmpty());
}

TEST_F(AlertTest, FallbackPlaysAfterThreeAndAHalfSecondsAndStopsThreeAndAHalfLater) {
    immediate.starts = false;
    alert.PlayAlert();
    EXPECT_EQ(alert.SoundState(), 0);
    scheduler.advance(3499);
    EXPECT_TRUE(device.calls.isEmpty());
    scheduler.advance(1);
    EXPECT_EQ(device.calls, (QStringList{openCall(), "play"}));
    EXPECT_EQ(alert.SoundState(), 2);
    EXPECT_TRUE(alert.timer1Enabled());
    scheduler.advance(3499);
    EXPECT_EQ(device.calls.size(), 2);
    scheduler.advance(1);
    EXPECT_EQ(device.calls, (QStringList{openCall(), "play", "stop", "close"}));
    EXPECT_FALSE(alert.timer1Enabled());
    scheduler.advance(60000);
    EXPECT_EQ(device.calls.size(), 4);
}

TEST_F(AlertTest, FailingFallbackOpenIsRetriedEveryThreeAndAHalfSeconds) {
    immediate.starts = false;
    device.opens = false;
    alert.PlayAlert();
    scheduler.advance(3 * 3500);
    EXPECT_EQ(device.calls, (QStringList{openCall(), openCall(), openCall()}));
    EXPECT_TRUE(alert.timer1Enabled());
    EXPECT_EQ(alert.SoundState(), 0);
    device.opens = true;
    scheduler.advance(3500);
    EXPECT_EQ(device.calls.mid(3), (QStringList{openCall(), "play"}));
    EXPECT_EQ(alert.SoundState(), 2);
}

TEST_F(AlertTest, NewAlertRestartsTheWait) {
    immediate.starts = false;
    alert.PlayAlert();
    scheduler.advance(2000);
    alert.PlayAlert();
    scheduler.advance(3499);
    EXPECT_TRUE(device.calls.isEmpty());
    scheduler.advance(1);
    EXPECT_EQ(device.calls, (QStringList{openCall(), "play"}));
}

TEST_F(AlertTest, NewAlertWhileTheFallbackPlaysReplacesSoundState) {
    for (bool secondStarts : {true, false}) {
        SCOPED_TRACE(secondStarts);
        device.calls.clear();
        immediate.starts = false;
        alert.PlayAlert();
        scheduler.advance(3500);
        ASSERT_EQ(alert.SoundState(), 2);

        immediate.starts = secondStarts;
        alert.PlayAlert();
        EXPECT_EQ(alert.SoundState(), secondStarts ? 1 : 0);
        // The old fallback is closed, so a later fallback can open again.
        EXPECT_EQ(device.calls, (QStringList{openCall(), "play", "stop", "close"}));
        scheduler.advance(3500);
        if (secondStarts) {
            EXPECT_FALSE(alert.timer1Enabled());
            EXPECT_EQ(device.calls.size(), 4);
        } else {
            EXPECT_EQ(device.calls.mid(4), (QStringList{openCall(), "play"}));
            scheduler.advance(3500); // stop and close it before the next round
        }
    }
}

TEST(AlertLifetime, DestroyedAlertLeavesNoTimer) {
    test::ManualScheduler scheduler;
    FakeSoundPlayer immediate;
    FakeWavePlayer device;
    MciCommands mci(device, QDir::tempPath());
    {
        Alert alert(scheduler, immediate, mci, QDir::tempPath());
        alert.PlayAlert();
        EXPECT_EQ(scheduler.pending(), 1u);
    }
    EXPECT_EQ(scheduler.pending(), 0u);
}

} // namespace
} // namespace tolvex
