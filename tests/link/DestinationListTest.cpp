#include "link/DestinationList.h"
#include "support/Files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace tolvex;

namespace {
QList<QByteArray> readBytes(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return DestinationList::read(buffer);
}
} // namespace

TEST(DestinationList, ReadsEveryKindOfLineEnd) {
    struct Case {
        QByteArray data;
        QList<QByteArray> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"N0CALL\r\n", {"N0CALL"}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\rB\nC", {"A", "B", "C"}},     // CR alone, LF alone, no end at all
        {"A\n\n\r\n\rB\r\n", {"A", "B"}}, // empty lines carry no entry
        {"\r\n", {}},
        {QByteArray("\xe9X\x01\r\n"), {QByteArray("\xe9X\x01")}},
        {QByteArray("A\0B\r\n", 5), {QByteArray("A\0B", 3)}},
        {"N0CALL  THRU: NODEA  'a note\r\n", {"N0CALL  THRU: NODEA  'a note"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readBytes(c.data), c.lines) << c.data.toStdString();
}

TEST(DestinationList, HugeFileIsReadWholeSoASaveLosesNothing) {
    const QByteArray line = QByteArray(99, 'X') + "\n";
    const QByteArray data = line.repeated(52 * 1024) + "LAST";
    const QList<QByteArray> lines = readBytes(data);
    ASSERT_EQ(lines.size(), 52 * 1024 + 1);
    EXPECT_EQ(lines.back(), "LAST");
}

TEST(DestinationList, MissingFileIsAnEmptyList) {
    QTemporaryDir dir;
    EXPECT_TRUE(DestinationList::load(dir.filePath("callsign.lst")).isEmpty());
}

TEST(DestinationList, SavesWholeWithCrLfAndReadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("callsign.lst");
    const QList<QByteArray> entries = {"N0CALL  THRU: NODEA,NODEB  'note", "K1ABC", QByteArray("\xe9t\xe9")};
    ASSERT_TRUE(DestinationList::save(path, entries));
    EXPECT_EQ(test::readFile(path), QByteArray("N0CALL  THRU: NODEA,NODEB  'note\r\nK1ABC\r\n\xe9t\xe9\r\n"));
    EXPECT_EQ(DestinationList::load(path), entries);

    ASSERT_TRUE(DestinationList::save(path, {}));
    EXPECT_EQ(test::readFile(path), QByteArray());
    EXPECT_FALSE(DestinationList::save(dir.filePath("no/such/dir/callsign.lst"), entries));
}

TEST(DestinationList, BuildsEntriesFromTheAddBoxes) {
    struct Case {
        QByteArray call;
        std::array<QByteArray, 3> nodes;
        QByteArray note;
        QByteArray entry;
    };
    const std::vector<Case> cases = {
        {"n0call", {"nodea", "nodeb", ""}, "note", "N0CALL  THRU: NODEA,NODEB  'note"},
        {" n0call ", {"", "", ""}, "", "N0CALL"},
        {"k1abc", {" nodea ", "", ""}, "Mixed Case note", "K1ABC  THRU: NODEA  'Mixed Case note"},
        {"w1aw", {"a", "b", "c"}, "", "W1AW  THRU: A,B,C"},
        {"w1aw", {"", "b", ""}, "", "W1AW,B"}, // a later node without the first is still a node
        {"w1aw", {"", "", ""}, " spaced ", "W1AW  ' spaced "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DestinationList::buildEntry(c.call, c.nodes, c.note), c.entry) << c.entry.toStdString();
}

TEST(DestinationList, TurnsAnEntryIntoADestination) {
    struct Case {
        QByteArray entry;
        QByteArray destination;
    };
    const std::vector<Case> cases = {
        {"N0CALL  THRU: NODEA,NODEB  'note", "N0CALL,NODEA,NODEB"},
        {"N0CALL", "N0CALL"},
        {"N0CALL  'a note, with comma", "N0CALL"},
        {" K1ABC  THRU: NODEA ", "K1ABC,NODEA"},
        {"W1AW  THRU: A,B,C", "W1AW,A,B,C"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DestinationList::destinationOf(c.entry), c.destination) << c.entry.toStdString();
}
