#include "messaging/Ics309.h"
#include "messaging/MessageFiles.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using tolvex::test::writeFile;

namespace {

const QTimeZone kZone("America/New_York");

QDateTime local(const char* text) {
    return *parseLocalDateTime(QString::fromLatin1(text));
}

QByteArray banner(const char* dateAndTime) {
    return QByteArray("\r\n\r\n=========== MESSAGE RECEIVED  ") + dateAndTime + "============\r\n";
}

// A station's Messages folder, each file written with the modification time it would have had.
struct Station {
    QTemporaryDir tmp;
    QString messages = tmp.filePath(QStringLiteral("Messages"));

    void write(const QByteArray& name, const QByteArray& content, const char* modified) {
        const QString path = messages + QLatin1Char('/') + QString::fromLatin1(name);
        ASSERT_TRUE(writeFile(path, content)) << path.toStdString();
        const QDateTime at(local(modified).date(), local(modified).time(), kZone);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(at, QFileDevice::FileModificationTime));
    }
    Ics309Rows collect(const char* from, const char* to) const {
        return collectIcs309(tmp.path(), QStringLiteral("N0TLV"), local(from), local(to), kZone);
    }
};

// One shift's log end to end: received and sent messages, message numbers, same-second files,
// text from the air that tries to break the CSV, files outside the period, a saved selection, a
// file gone and a name without a stamp.
TEST(Ics309, ShiftLogAsCsvByteForByte) {
    Station s;
    const QByteArray formText = "TOLVEX MESSAGE\rNumber:17  Priority (routine, priority, emergency): =\r";
    s.write("r1208135959_K1EARLY_Too early.txt", banner("08 Dec 2026  13:59") + ".hdr  _K1EARLY _Too early\n",
            "2026-12-08 13:59:59");
    s.write("r1208140000_N0ABC_Shelter status.txt",
            banner("08 Dec 2026  14:00") + ".hdr  .aon  .ack    de N0ABC   _N0ABC _Shelter status\n\n" +
                formText + "  $^\r\n",
            "2026-12-08 14:00:00");
    s.write("s1208141000_N0NET_Supplies.txt",
            ".hdr  _N0TLV _Supplies\r\n\r\nTOLVEX MESSAGE\r\nNumber:42  Priority: =\r\n$^\r\n",
            "2026-12-08 14:10:00");
    // The same second four times; the folder's order must not matter.
    s.write("s1208150000_W1AAA_reply.txt", ".hdr  _N0TLV _reply\r\n", "2026-12-08 15:00:00");
    s.write("r1208150000-2_W1AAA_a.txt", banner("08 Dec 2026  15:00") + ".hdr  _W1AAA _a copy\n",
            "2026-12-08 15:00:00");
    s.write("r1208150000_W1BBB_b.txt", banner("08 Dec 2026  15:00") + ".hdr  _W1BBB _b\n",
            "2026-12-08 15:00:00");
    s.write("r1208150000_W1AAA_a.txt", banner("08 Dec 2026  15:00") + ".hdr  _W1AAA _a\n",
            "2026-12-08 15:00:00");
    // Sender and subject from the air: comma, quotes, escape, DEL, a C1 control, a formula.
    const QByteArray evilFrom = "N0\"EV,IL\x1b[2J";
    const QByteArray evilSubject = "=HYPERLINK(\"http://x\",\"y\")\x01\x7f\x85 tail";
    s.write(messageFileName(MessageKind::Received, "1208160000", evilFrom, evilSubject),
            banner("08 Dec 2026  16:00") + ".hdr  _" + evilFrom + " _" + evilSubject +
                "\r\n\r\nNumber: 7,\"x\" more\r",
            "2026-12-08 16:00:00");
    // A group broadcast: no header; its first line says who sent it.
    s.write("r1208170000__.txt", banner("08 Dec 2026  17:00") + "N0GRP>EMCOMM: Net at 1900\r\n",
            "2026-12-08 17:00:00");
    s.write("r1208180000_SelText_notes.txt", "selected text\r\n", "2026-12-08 18:00:00");
    s.write("s1208190000_N0NET_Last year.txt", ".hdr  _N0TLV _Last year\r\n", "2025-12-08 19:00:00");
    s.write("s1208220000_N0NET_At the end.txt", ".hdr  _N0TLV _At the end\r\n", "2026-12-08 22:00:00");
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/gone"),
                            s.messages + QStringLiteral("/r1208200000_N0GONE_Lost.txt")));
    s.write("readme.txt", "not a message", "2026-12-08 20:00:00");

    const Ics309Rows got = s.collect("2026-12-08 14:00", "2026-12-08 22:00");
    ASSERT_EQ(got.notices.size(), 2) << got.notices.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(got.notices[0].startsWith(
        QStringLiteral("Messages/r1208200000_N0GONE_Lost.txt: could not be read (")))
        << got.notices[0].toStdString();
    EXPECT_TRUE(got.notices[0].endsWith(QStringLiteral("); left out")));
    EXPECT_EQ(got.notices[1], QStringLiteral("Messages/readme.txt: no time stamp in its name; left out"));

    Ics309Form form;
    form.incident = QStringLiteral("Winter storm, \"Ada\"");
    form.from = local("2026-12-08 14:00");
    form.to = local("2026-12-08 22:00");
    form.operatorName = QStringLiteral("Pat Doe");
    form.stationId = QStringLiteral("N0TLV");
    form.zone = zoneText(kZone, form.from, form.to);
    form.prepared = local("2026-12-08 22:15");
    const QByteArray expected = "ICS 309 Communications Log,,,,,\r\n"
                                "1. Incident Name,\"Winter storm, \"\"Ada\"\"\",,,,\r\n"
                                "2. Operational Period From,2026-12-08 14:00,,,,\r\n"
                                "2. Operational Period To,2026-12-08 22:00,,,,\r\n"
                                "3. Radio Operator Name,Pat Doe,,,,\r\n"
                                "3. Station ID,N0TLV,,,,\r\n"
                                "Time Zone,\"America/New_York, UTC-05:00\",,,,\r\n"
                                "4. Communications Log,,,,,\r\n"
                                "Time,From Call Sign/ID,From Msg #,To Call Sign/ID,To Msg #,Message\r\n"
                                "14:00,N0ABC,17,N0TLV,,Shelter status\r\n"
                                "14:10,N0TLV,42,N0NET,,Supplies\r\n"
                                "15:00,W1AAA,,N0TLV,,a\r\n"
                                "15:00,W1BBB,,N0TLV,,b\r\n"
                                "15:00,N0TLV,,W1AAA,,reply\r\n"
                                "15:00,W1AAA,,N0TLV,,a copy\r\n"
                                "16:00,\"N0\"\"EV,IL [2J\",\"7,\"\"x\"\"\",N0TLV,,"
                                "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")    tail\"\r\n"
                                "17:00,,,N0TLV,,N0GRP>EMCOMM: Net at 1900\r\n"
                                "5. Prepared By,Pat Doe,,,,\r\n"
                                "5. Date/Time Prepared,2026-12-08 22:15,,,,\r\n";
    EXPECT_EQ(ics309Csv(form, got.rows).toStdString(), expected.toStdString());

    // An empty period: the heading and no rows.
    form.from = local("2026-12-09 06:00");
    form.to = local("2026-12-09 07:00");
    const Ics309Rows none = s.collect("2026-12-09 06:00", "2026-12-09 07:00");
    EXPECT_TRUE(none.rows.empty());
    const QByteArray empty = ics309Csv(form, none.rows);
    EXPECT_TRUE(empty.contains("To Msg #,Message\r\n5. Prepared By,Pat Doe,,,,\r\n")) << empty.toStdString();
}

// The stamp has no year: it comes from the banner or the file's time, and never puts a message
// after the moment that vouches for it.
TEST(Ics309, YearOfEachMessage) {
    struct Case {
        const char* name;
        QByteArray content;
        const char* modified;
        const char* expected; // empty: left out with a notice
    };
    const Case cases[] = {
        // The banner wins over a file time a copy changed.
        {"r1208140000_A_x.txt", banner("08 Dec 2025  14:00") + ".hdr  _A _x\n", "2027-03-01 10:00",
         "2025-12-08 14:00"},
        // Written in the first seconds of a new year, stamped in the old one.
        {"r1231235959_B_x.txt", banner("01 Jan 2027  00:00") + ".hdr  _B _x\n", "2027-01-01 00:00:01",
         "2026-12-31 23:59"},
        {"s1231235959_C_x.txt", ".hdr  _N0TLV _x\r\n", "2027-01-01 00:00:02", "2026-12-31 23:59"},
        // Banner taken just before midnight, file stamped just after.
        {"r0101000001_D_x.txt", banner("31 Dec 2026  23:59") + ".hdr  _D _x\n", "2027-01-01 00:00:01",
         "2027-01-01 00:00"},
        // A sent copy touched months later keeps the year before.
        {"s1208140000_E_x.txt", ".hdr  _N0TLV _x\r\n", "2027-06-01 09:00", "2026-12-08 14:00"},
        // 29 February: the last leap year not after the file's time.
        {"s0229120000_F_x.txt", ".hdr  _N0TLV _x\r\n", "2027-03-01 09:00", "2024-02-29 12:00"},
        // No such day, no such month.
        {"s1131120000_G_x.txt", ".hdr  _N0TLV _x\r\n", "2026-12-01 09:00", ""},
        {"s1301120000_H_x.txt", ".hdr  _N0TLV _x\r\n", "2026-12-01 09:00", ""},
        // A banner that does not parse falls back to the file's time.
        {"r1208140000_I_x.txt", banner("08 Foo 2026  14:00") + ".hdr  _I _x\n", "2026-12-08 14:00",
         "2026-12-08 14:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Station s;
        s.write(c.name, c.content, c.modified);
        const Ics309Rows got = s.collect("2020-01-01 00:00", "2030-01-01 00:00");
        if (*c.expected == 0) {
            EXPECT_TRUE(got.rows.empty());
            EXPECT_EQ(got.notices.size(), 1);
            continue;
        }
        ASSERT_EQ(got.rows.size(), 1u);
        EXPECT_TRUE(got.notices.isEmpty());
        EXPECT_EQ(localDateTimeText(got.rows[0].time).toStdString(), c.expected);
    }
}

TEST(Ics309, DateTimesZonesAndFields) {
    struct DateCase {
        const char* text;
        const char* expected; // empty: refused
    };
    for (const DateCase& c : std::initializer_list<DateCase>{{"2026-12-08T14:00", "2026-12-08 14:00"},
                                                             {"2026-12-08 14:00", "2026-12-08 14:00"},
                                                             {" 2026-12-08 14:00:59 ", "2026-12-08 14:00"},
                                                             {"2026-02-29 14:00", ""},
                                                             {"2026-12-08 24:00", ""},
                                                             {"2026-12-08", ""},
                                                             {"08.12.2026 14:00", ""},
                                                             {"2026-12-08 14:00x", ""},
                                                             {"", ""}}) {
        const std::optional<QDateTime> got = parseLocalDateTime(QString::fromLatin1(c.text));
        EXPECT_EQ(got ? localDateTimeText(*got).toStdString() : std::string(), c.expected) << c.text;
    }

    // One offset through a period; both when a daylight-saving change falls inside it.
    EXPECT_EQ(zoneText(kZone, local("2026-12-08 14:00"), local("2026-12-08 22:00")).toStdString(),
              "America/New_York, UTC-05:00");
    EXPECT_EQ(zoneText(kZone, local("2026-11-01 00:00"), local("2026-11-01 12:00")).toStdString(),
              "America/New_York, UTC-04:00 to UTC-05:00");
    EXPECT_EQ(zoneText(QTimeZone("Asia/Kolkata"), local("2026-12-08 14:00"), local("2026-12-08 22:00"))
                  .toStdString(),
              "Asia/Kolkata, UTC+05:30");

    // The time column carries the date once the period spans more than one day.
    Ics309Form form;
    form.from = local("2026-12-08 14:00");
    form.to = local("2026-12-09 00:00");
    EXPECT_EQ(ics309TimeText(form, local("2026-12-08 23:59")), QStringLiteral("23:59"));
    form.to = local("2026-12-09 00:01");
    EXPECT_EQ(ics309TimeText(form, local("2026-12-08 23:59")), QStringLiteral("2026-12-08 23:59"));

    struct FieldCase {
        QString text;
        QByteArray expected;
    };
    for (const FieldCase& c :
         std::initializer_list<FieldCase>{{QStringLiteral("N0ABC"), "N0ABC"},
                                          {QStringLiteral("a,b"), "\"a,b\""},
                                          {QStringLiteral("say \"hi\""), "\"say \"\"hi\"\"\""},
                                          {QStringLiteral("two\r\nlines"), "\"two\r\nlines\""},
                                          {QStringLiteral("+1 555"), "'+1 555"},
                                          {QStringLiteral("@SUM(A1)"), "'@SUM(A1)"},
                                          {QStringLiteral("-2"), "'-2"},
                                          {QStringLiteral("=1,2"), "\"'=1,2\""},
                                          {QString::fromUtf8("Zürich"), "Z\xc3\xbcrich"},
                                          {QString(), ""}}) {
        EXPECT_EQ(csvField(c.text).toStdString(), c.expected.toStdString()) << c.text.toStdString();
    }
    EXPECT_EQ(ics309Text(QStringLiteral("\ta\r\nb\x1b\x7f\u0085c ")), QStringLiteral("a  b   c"));
    EXPECT_EQ(ics309Text(QString(300, QLatin1Char('x'))).size(), 200);
    EXPECT_TRUE(ics309Text(QString(300, QLatin1Char('x'))).endsWith(QStringLiteral("x...")));
}

} // namespace
