#include "messaging/MessageFiles.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace tolvex {
namespace {

using Kind = MessageKind;

} // namespace

// Readable failures: the three fields in quotes, so trailing blanks show.
void PrintTo(const MessageName& n, std::ostream* os) {
    *os << '"' << n.dateText.toStdString() << "\" | \"" << n.correspondent.toStdString() << "\" | \""
        << n.subject.toStdString() << '"';
}

namespace {

struct NameCase {
    Kind kind;
    QByteArray correspondent, subject;
    int copy;
    const char* fileName;
    MessageName parsed;
};

// Every name written parses back into the date, correspondent and subject it was made from.
TEST(MessageFiles, NamesRoundTripThroughTheLog) {
    const QByteArray stamp = "1207140509";
    const QByteArray date = "07 Dec  1405";
    const std::vector<NameCase> cases = {
        {Kind::Received, "W1AW", "Hello", 1, "r1207140509_W1AW_Hello.txt", {date, "W1AW  ", "Hello"}},
        {Kind::Received, "W1AW", "Hello", 2, "r1207140509-2_W1AW_Hello.txt", {date, "W1AW  ", "Hello"}},
        {Kind::Sent,
         "KA1ABCDE",
         "a_b_c",
         13,
         "s1207140509-13_KA1ABCDE_a_b_c.txt",
         {date, "KA1ABCDE", "a_b_c"}},
        {Kind::Received, "", "", 1, "r1207140509__.txt", {date, "  ", ""}},
        {Kind::Received, "SelText", "notes", 1, "r1207140509_SelText_notes.txt", {date, "SelText", "notes"}},
        {Kind::Sent, "K1A", "x", 1, "s1207140509_K1A_x.txt", {date, "K1A  ", "x"}},
        {Kind::Received,
         "W1/AW\\",
         QByteArray("../..\\etc\r\n\0\x7f", 13),
         1,
         "r1207140509_W1-AW-_..-..-etc----.txt",
         {date, "W1-AW-", "..-..-etc----"}},
        {Kind::Sent, "A_B", "Caf\xe9 _x", 1, "s1207140509_A-B_Caf\xe9 _x.txt", {date, "A-B  ", "Caf\xe9 _x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        const QByteArray name = messageFileName(c.kind, stamp, c.correspondent, c.subject, c.copy);
        EXPECT_EQ(name, c.fileName);
        EXPECT_EQ(parseMessageName(name), c.parsed);
    }
}

struct ParseCase {
    QByteArray fileName;
    MessageName parsed;
};

TEST(MessageFiles, ParsesDatesAndNamesLackingUnderscores) {
    const std::vector<ParseCase> cases = {
        {"s0303070809_W1AW_Hi.txt", {"03 Mar  0708", "W1AW  ", "Hi"}},
        {"r0101000000_W1AW_Hi.txt", {"01 Jan  0000", "W1AW  ", "Hi"}},
        {"r1231235959_W1AW_Hi.TXT", {"31 Dec  2359", "W1AW  ", "Hi"}},
        {"r1307140509_W1AW_Hi.txt", {"0713 1405", "W1AW  ", "Hi"}}, // no month 13: digits stay
        {"r0007140509_W1AW_Hi.txt", {"0700 1405", "W1AW  ", "Hi"}},
        {"r1207140509.txt", {"07 Dec  1405", "  ", ""}},
        {"r1207140509_W1AW.txt", {"07 Dec  1405", "W1AW  ", ""}},
        {"r12_W1AW_Hi.txt", {" Dec  ", "W1AW  ", "Hi"}},
        {"rnotes.txt", {"teno s", "  ", ""}},
        {"r.txt", {" ", "  ", ""}},
        {"", {" ", "  ", ""}},
        {"_", {" ", "  ", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName.constData());
        EXPECT_EQ(parseMessageName(c.fileName), c.parsed);
    }
    EXPECT_EQ(logRowText(parseMessageName("r1207140509_K1A_Hi.txt")), "07 Dec  1405  K1A     Hi");
}

TEST(MessageFiles, SavesWithoutReplacingAndStaysInTheFolder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.path();

    // Three messages with the same name in the same second, and one whose subject tries to climb out.
    const std::vector<QByteArray> contents = {"first\r\n", "second\r\n", QByteArray("third\0\r\n", 8)};
    std::vector<SavedMessage> saved;
    for (const auto& content : contents)
        saved.push_back(saveMessageFile(folder, Kind::Received, "1207140509", "W1AW", "Caf\xe9", content));
    const SavedMessage escape =
        saveMessageFile(folder, Kind::Sent, "1207140509", "../W1AW", "../../x\r\n", "body\r\n");

    const QStringList names = {QStringLiteral("r1207140509_W1AW_Caf\u00e9.txt"),
                               QStringLiteral("r1207140509-2_W1AW_Caf\u00e9.txt"),
                               QStringLiteral("r1207140509-3_W1AW_Caf\u00e9.txt")};
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(saved[i].ok()) << saved[i].error.toStdString();
        EXPECT_EQ(saved[i].path, QDir(folder).filePath(names[static_cast<qsizetype>(i)]));
        EXPECT_EQ(test::readFile(saved[i].path), contents[i]);
        EXPECT_EQ(parseMessageName(QFileInfo(saved[i].path).fileName().toLatin1()),
                  (MessageName{"07 Dec  1405", "W1AW  ", "Caf\xe9"}));
    }
    ASSERT_TRUE(escape.ok()) << escape.error.toStdString();
    EXPECT_EQ(QFileInfo(escape.path).absolutePath(), QDir(folder).absolutePath());
    EXPECT_EQ(test::readFile(escape.path), "body\r\n");
    // A sender or subject far longer than a file name may be is shortened in the name (at most 255
    // bytes on disk, where a byte above 127 takes two), and kept in full inside.
    for (const QByteArray& text : {QByteArray(1000, 'S'), QByteArray(1000, '\xe9')}) {
        const QByteArray lastCopy = messageFileName(Kind::Received, "1207140509", text, text, 1000);
        EXPECT_LE(QFile::encodeName(QString::fromLatin1(lastCopy)).size(), 255);
        const SavedMessage longOne =
            saveMessageFile(folder, Kind::Received, "1207140509", text, text, text + "\r\n");
        ASSERT_TRUE(longOne.ok()) << longOne.error.toStdString();
        EXPECT_EQ(test::readFile(longOne.path), text + "\r\n");
    }
    // Nothing but the six files, and no temporary left behind.
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 6);
}

// A name character above 127 takes two bytes on disk: long parts are cut by what they take there,
// between characters, and the message is kept under a name the log reads back.
TEST(MessageFiles, LongAccentedNamesAreCutToFitTheFileSystem) {
    const QByteArray e(1, '\xe9');
    struct Case {
        QByteArray correspondent, subject;
        QByteArray listedCorrespondent, listedSubject;
    };
    const std::vector<Case> cases = {
        {QByteArray(40, 'K'), e.repeated(100), QByteArray(40, 'K'), e.repeated(50)},
        {"W1AW", "a" + e.repeated(100), "W1AW  ", "a" + e.repeated(49)},
        {e.repeated(150), "x", e.repeated(50), "x"},
        {QByteArray(1000, 'K'), QByteArray(1000, 'S'), QByteArray(100, 'K'), QByteArray(100, 'S')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listedSubject.size());
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const SavedMessage saved =
            saveMessageFile(tmp.path(), Kind::Received, "1207140509", c.correspondent, c.subject, "text\r\n");
        ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
        const QStringList listed = QDir(tmp.path()).entryList(QDir::Files);
        ASSERT_EQ(listed.size(), 1);
        EXPECT_LE(QFile::encodeName(listed[0]).size(), 255);
        EXPECT_EQ(parseMessageName(listed[0].toLatin1()),
                  (MessageName{"07 Dec  1405", c.listedCorrespondent, c.listedSubject}));
    }
}

TEST(MessageFiles, ReportsFoldersThatCannotTakeTheFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString missing = tmp.filePath(QStringLiteral("Messages"));
    const QString plainFile = tmp.filePath(QStringLiteral("file"));
    const QString readOnly = tmp.filePath(QStringLiteral("ro"));
    {
        QFile f(plainFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("ro")));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    // A superuser writes into read-only folders anyway; that row then proves nothing.
    QFile probe(QDir(readOnly).filePath(QStringLiteral("probe")));
    const bool permissionsHold = !probe.open(QIODevice::WriteOnly);
    if (!permissionsHold) probe.remove();

    for (const QString& folder : {missing, plainFile, readOnly}) {
        if (folder == readOnly && !permissionsHold) continue;
        SCOPED_TRACE(folder.toStdString());
        const SavedMessage saved = saveMessageFile(folder, Kind::Received, "1207140509", "W1AW", "Hi", "x");
        EXPECT_FALSE(saved.ok());
        EXPECT_FALSE(saved.error.isEmpty());
        EXPECT_EQ(saved.path, QDir(folder).filePath(QStringLiteral("r1207140509_W1AW_Hi.txt")));
        EXPECT_FALSE(QFileInfo::exists(saved.path));
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
} // namespace tolvex
