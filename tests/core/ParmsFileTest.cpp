#include "core/ParmsFile.h"
#include "support/Files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

using namespace tolvex;

namespace {

// Records every box; none of the settings messages asks a question.
class RecordingBoxes : public MessageBoxes {
public:
    struct Shown {
        QString title, text;
        Icon icon;
        Buttons buttons;
    };
    void show(const QString& title, const QString& text, Icon icon, Buttons buttons, AnswerFn) override {
        shown.push_back({title, text, icon, buttons});
    }
    std::vector<Shown> shown;
};

QByteArray fullFile() {
    // Every key in a scrambled order, with an unknown key and a repeated one.
    return "FCC=W1AW\r\nCallsign=N0CALL\r\nUnknownKey=zzz\r\nAddFCC=1\r\nAutofill=1\r\nMsgFormPref=General."
           "frm\r\n"
           "PrintPref=2\r\nAlertPref=0\r\nConnStr=*** CONNECTED\r\nDisconStr=*** "
           "DISCONNECTED\r\nComPortSet=0\r\n"
           "ParitySet=2\r\nDataBitSet=1\r\nStopBitSet=0\r\nBaudSet=3\r\nFlowSet=0\r\nGroupAd(0)=ZULGRP VIA "
           "RELAY\r\n"
           "GroupAd(1)=\r\nGroupAd(2)=\r\nGroupAd(3)=\r\nGroupAd(4)=\r\nGroupAd(5)=\r\nCmdCmd=3\r\nConnCmd="
           "C\r\n"
           "DisconCmd=D\r\nNodeReady(0)=*** CONNECTED to\r\nNodeReady(1)=} Connected to\r\nNodeReady(2)=\r\n"
           "NodeReady(3)=\r\nSSID=N0CALL-1\r\nTNCCmd=cmd:\r\nConnFail(0)=Failure with\r\nConnFail(1)=Busy\r\n"
           "ConnFail(2)=\r\nConnFail(3)=\r\nConverseCmd=CONV\r\nThisNCS=0\r\nDirAlert=0\r\nNetOperation=0\r\n"
           "NCSCallsign=\r\nNetActiveMsg=a=b=c\r\nNCS1Msg=1\r\nNCS2Msg=2\r\nNCS3Msg=3\r\nNCS4Msg="
           "4\r\nInfoNet1Msg=i1\r\n"
           "InfoNet2Msg=i2\r\nPermitMsg=go\r\nRemoteOperation=0\r\nLFout=1\r\nLFin=1\r\nBye="
           "B\r\nSaveRcvdMsgs=1\r\n"
           "SaveSentMsgs=1\r\nUnprotoCmd=UNPROTO\r\nLinkMade(0)=} Connected "
           "to\r\nLinkMade(1)=\r\nLinkMade(2)=\r\n"
           "LinkMade(3)=\r\nDuplex=half \r\nEncodingValue=-1\r\nFCC=K1ABC\r\n";
}

bool read(const QByteArray& text, Settings& s) {
    QBuffer b;
    b.setData(text);
    b.open(QIODevice::ReadOnly);
    return readParms(b, s);
}

QByteArray write(const Settings& s) {
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    writeParms(b, s);
    return b.data();
}

} // namespace

TEST(ParmsFile, ReadsValuesAsTheyStandAndRepairsEmptyNodeSlots) {
    Settings s;
    ASSERT_TRUE(read(fullFile(), s));
    EXPECT_EQ(s.Callsign, "N0CALL");
    EXPECT_EQ(s.FCC, "K1ABC"); // a repeated key takes its last value
    EXPECT_EQ(s.NetActiveMsg, "a=b=c");
    EXPECT_EQ(s.Duplex, "half "); // the trailing blank stays: neither half nor full
    EXPECT_FALSE(s.fullDuplex());
    EXPECT_EQ(s.EncodingValue, -1);
    EXPECT_EQ(s.OutLineEnd, "\r\n");
    EXPECT_EQ(s.InLineEnd, "\r");
    EXPECT_EQ(s.NodeReady[2], "NODE READY MESSAGE 2");
    EXPECT_EQ(s.NodeReady[1], "} Connected to");
    EXPECT_EQ(s.LinkMade[3], "CONNECTION MADE MESSAGE 3");
    EXPECT_EQ(s.ConnFail[1], "FAILMESSAGE1"); // "Busy" is shorter than five characters
    EXPECT_EQ(s.ConnFail[2], "FAILMESSAGE2");
}

TEST(ParmsFile, RoundTripKeepsTableOrderAndDropsUnknownKeys) {
    Settings s;
    ASSERT_TRUE(read(fullFile(), s));
    const QByteArray out = write(s);
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 61); // 60 lines and the empty rest after the last LF
    EXPECT_TRUE(out.startsWith("Callsign=N0CALL\r\nFCC=K1ABC\r\nAddFCC=1\r\n"));
    EXPECT_TRUE(out.endsWith("Duplex=half \r\nEncodingValue=-1\r\n"));
    EXPECT_FALSE(out.contains("UnknownKey"));
    EXPECT_TRUE(out.contains("\r\nNodeReady(2)=NODE READY MESSAGE 2\r\n"));
    EXPECT_TRUE(out.contains("\r\nGroupAd(0)=ZULGRP VIA RELAY\r\n"));
    Settings again;
    ASSERT_TRUE(read(out, again));
    EXPECT_EQ(write(again), out);
}

TEST(ParmsFile, LineEndSettingsWriteBackInTheirTwoForms) {
    struct Case {
        const char* lfout;
        const char* lfin;
        QByteArray outEnd, inEnd;
        const char* written;
    };
    const Case cases[] = {
        {"1", "1", "\r\n", "\r", "LFout=1\r\nLFin=1\r\n"}, {"0", "2", "\r", "\n", "LFout=0\r\nLFin=2\r\n"},
        {"7", "x", "\r", "\n", "LFout=0\r\nLFin=2\r\n"},   {"", "", "\r", "\n", "LFout=0\r\nLFin=2\r\n"},
        {" 1", "1 ", "\r", "\n", "LFout=0\r\nLFin=2\r\n"},
    };
    for (const Case& c : cases) {
        Settings s;
        ASSERT_TRUE(read(QByteArray("LFout=") + c.lfout + "\r\nLFin=" + c.lfin + "\r\n", s)) << c.lfout;
        EXPECT_EQ(s.OutLineEnd, c.outEnd) << c.lfout;
        EXPECT_EQ(s.InLineEnd, c.inEnd) << c.lfin;
        EXPECT_TRUE(write(s).contains(c.written)) << c.lfout << "/" << c.lfin;
    }
}

TEST(ParmsFile, UnreadableFilesAreRefused) {
    const QByteArray cases[] = {
        "Callsign=N0CALL\r\nno equals sign here\r\n",
        "BaudSet=fast\r\n",
        "BaudSet=\r\n",
        "BaudSet=40000\r\n", // beyond 16 bits
        "Callsign=A\r\n\r\nFCC=B\r\n",
        "Callsign=A\r\n  \r\nFCC=B\r\n\r\n", // a blank line before the last setting is no end
        QByteArray("\x00\x01\x02\xff\xfe garbage", 13),
    };
    for (const QByteArray& text : cases) {
        Settings s;
        EXPECT_FALSE(read(text, s)) << text.toStdString();
    }
    // A blank between key and "=" makes an unknown key, which is ignored.
    Settings s;
    EXPECT_TRUE(read("BaudSet =fast\r\nCallsign=X", s));
    EXPECT_EQ(s.Callsign, "X");
}

TEST(ParmsFile, BlankLinesAfterTheLastSettingAreIgnored) {
    const QByteArray cases[] = {
        "Callsign=N0CALL\r\nDuplex=half \r\n\r\n",
        "Callsign=N0CALL\r\nDuplex=half \r\n\r\n\r\n\r\n",
        "Callsign=N0CALL\r\nDuplex=half \r\n   \r\n\t\r\n  ",
        "Callsign=N0CALL\nDuplex=half \n\n \n",
        "Callsign=N0CALL\rDuplex=half \r\r",
    };
    for (const QByteArray& text : cases) {
        Settings s;
        ASSERT_TRUE(read(text, s)) << text.toStdString();
        EXPECT_EQ(s.Callsign, "N0CALL");
        EXPECT_EQ(s.Duplex, "half ") << text.toStdString(); // the last value keeps its own blank
    }
}

TEST(ParmsFile, ValuesAreWrittenWithoutLineBreaks) {
    // A break inside a value would split its line; inner runs become one blank, outer ones go.
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"*** CONNECTED to\r\n", "*** CONNECTED to"},
        {"\n\r*** CONNECTED", "*** CONNECTED"},
        {"first\r\nsecond", "first second"},
        {"a\n\n\r\rb\rc\nd", "a b c d"},
        {" a \r\n b ", " a   b "},
        {"\r\n\r\n", ""},
        {"x = y ", "x = y "},
    };
    const auto fields = [](Settings& s) {
        return std::array{&s.ConnStr, &s.GroupAd[3], &s.CmdCmd, &s.NCSMsg[1], &s.PermitMsg, &s.Duplex};
    };
    for (const auto& [value, saved] : cases) {
        Settings s;
        for (QByteArray* field : fields(s))
            *field = value;
        const QByteArray out = write(s);
        EXPECT_EQ(out.count('\r'), 60) << value.toStdString();
        EXPECT_EQ(out.count('\n'), 60) << value.toStdString();
        Settings back;
        ASSERT_TRUE(read(out, back));
        for (QByteArray* field : fields(back))
            EXPECT_EQ(*field, saved) << value.toStdString();
    }
}

TEST(ParmsFile, RepairOnlyTouchesEntriesReadBeforeItsTrigger) {
    Settings s;
    ASSERT_TRUE(read("NodeReady(0)=\r\nLinkMade(3)=\r\nNodeReady(1)=\r\n", s));
    EXPECT_EQ(s.NodeReady[0], "NODE READY MESSAGE 0");
    EXPECT_EQ(s.NodeReady[1], ""); // read after the trigger key
    Settings none;
    ASSERT_TRUE(read("NodeReady(0)=ab\r\n", none));
    EXPECT_EQ(none.NodeReady[0], "ab"); // no LinkMade(3) line: left as read
}

class ParmsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingBoxes boxes;
    void put(const QString& name, const QByteArray& data) {
        ASSERT_TRUE(test::writeFile(dir.filePath(name), data));
    }
};

TEST_F(ParmsStoreTest, MissingOrHugeJunkFileIsACriticalFault) {
    ParmsStore store(dir.path(), boxes);
    Settings s;
    EXPECT_FALSE(store.ReadParms(s));
    put("Parms.inf", QByteArray(10 * 1024 * 1024, 'j'));
    EXPECT_FALSE(store.ReadParms(s));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].title, "Critical Fault");
    EXPECT_EQ(boxes.shown[0].text,
              "Unable to read " + QDir::toNativeSeparators(dir.filePath("Parms.inf")) +
                  " file. Program cannot continue.\r\nRe-install program or re-build file.");
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Error);
}

TEST_F(ParmsStoreTest, AnUnusableCommandCharacterIsReportedOnceAndStartGoesOn) {
    const struct {
        QByteArray lines;
        const char* found; // as the message names it; null: no message
    } cases[] = {
        {"CmdCmd=3\r\n", nullptr},   {"CmdCmd= 27 \r\n", nullptr},
        {"CmdCmd=0\r\n", nullptr},   {"CmdCmd=255\r\n", nullptr},
        {"CmdCmd=\r\n", "empty"},    {"", "empty"},
        {"CmdCmd=C\r\n", "\"C\""},   {"CmdCmd=256\r\n", "\"256\""},
        {"CmdCmd=-1\r\n", "\"-1\""}, {"CmdCmd=3\r\nCmdCmd=3x\r\n", "\"3x\""},
    };
    const QString path = QDir::toNativeSeparators(dir.filePath("Parms.inf"));
    for (const auto& c : cases) {
        put("Parms.inf", "Callsign=N0CALL\r\n" + c.lines);
        boxes.shown.clear();
        ParmsStore store(dir.path(), boxes);
        Settings s;
        ASSERT_TRUE(store.ReadParms(s)) << c.lines.toStdString();
        EXPECT_EQ(s.Callsign, "N0CALL");
        if (!c.found) {
            EXPECT_TRUE(boxes.shown.empty()) << c.lines.toStdString();
            continue;
        }
        ASSERT_EQ(boxes.shown.size(), 1u) << c.lines.toStdString();
        EXPECT_EQ(boxes.shown[0].title, "Settings problem");
        EXPECT_EQ(
            boxes.shown[0].text,
            "The command mode character CmdCmd in " + path + " is " + QString::fromLatin1(c.found) +
                ", not a character code from 0 to 255.\r\n"
                "The TNC cannot be put in command mode until it is set in the Setup/TNC Parameters menu "
                "(Command Mode Char Value).");
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Warning);
    }
}

TEST_F(ParmsStoreTest, FailedSaveSaysSoAndKeepsTheSettingsInMemory) {
    // Parms.inf is a folder here: nothing can replace it, as on a read-only station.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Parms.inf"));
    ParmsStore store(dir.path(), boxes);
    Settings s;
    s.Callsign = "NEWCALL";
    EXPECT_FALSE(store.SaveParms(s));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Unable to save file");
    EXPECT_EQ(boxes.shown[0].text, "Unable to save parms.inf file\r\nUpdates will be lost");
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(s.Callsign, "NEWCALL");
    EXPECT_TRUE(QFileInfo(dir.filePath("Parms.inf")).isDir());
}

TEST_F(ParmsStoreTest, SaveReplacesTheFileWhole) {
    put("Parms.inf", fullFile());
    ParmsStore store(dir.path(), boxes);
    Settings s;
    ASSERT_TRUE(store.ReadParms(s));
    s.Callsign = "NEWCALL";
    ASSERT_TRUE(store.SaveParms(s));
    Settings again;
    ASSERT_TRUE(store.ReadParms(again));
    EXPECT_EQ(again.Callsign, "NEWCALL");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Parms.inf"}); // no temporary left
}

TEST_F(ParmsStoreTest, MessageNumberFallsBackToOne) {
    struct Case {
        const char* name;
        QByteArray content; // empty name: no file at all
        QByteArray expected;
        bool message;
    };
    const Case cases[] = {
        {"missing", {}, "1", true},
        {"empty", "", "1", true},
        {"garbage", "\xff\xfe\x00zz", "1", true},
        {"number", "42\r\n", "42", false},
        {"blanks", " 7 \r\n", " 7 ", false},
        // The first line only, whichever line end comes first: the rest is not part of the number.
        {"LF before CR", "12\n34\r\n", "12", false},
        {"LF before CR, junk after", QByteArray("9\n\0\0x\r\n", 8), "9", false},
        {"NUL after the number", QByteArray("1\t\0\0\0\r\n", 7), "1", true},
        {"NUL inside the number",
         QByteArray("4\0"
                    "2\r\n",
                    5),
         "1", true},
    };
    for (const Case& c : cases) {
        QFile::remove(dir.filePath("MsgNo.inf"));
        if (QByteArray(c.name) != "missing") put("MsgNo.inf", c.content);
        boxes.shown.clear();
        ParmsStore store(dir.path(), boxes);
        EXPECT_EQ(store.ReadMsgNo(), c.expected) << c.name;
        EXPECT_EQ(boxes.shown.size(), c.message ? 1u : 0u) << c.name;
        if (c.message) {
            EXPECT_EQ(boxes.shown[0].title, "Lost Message Count");
        }
    }
    ParmsStore store(dir.path(), boxes);
    store.SaveMsgNo("43");
    QFile f(dir.filePath("MsgNo.inf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "43\r\n");
}
