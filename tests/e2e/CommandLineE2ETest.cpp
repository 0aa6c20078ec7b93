// The real program's command line, run with no display at all: what it prints, its exit status,
// and that it makes no folder out of an option.
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kBin = QStringLiteral(TOLVEX_BIN_DIR);

struct Finished {
    int exitCode = -1;
    QString out, err;
};

TEST(CommandLineE2E, OptionsAndTheIcs309Export) {
    QTemporaryDir tmp;
    const QString cwd = tmp.filePath(QStringLiteral("cwd"));
    const QString station = tmp.filePath(QStringLiteral("station"));
    const QString runtime = tmp.filePath(QStringLiteral("runtime"));
    QDir().mkpath(cwd);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A station as the program keeps it: its settings, a received and a sent message, and one file
    // that can no longer be read.
    QByteArray parms = tolvex::test::readFile(kBin + QStringLiteral("/station-default/Parms.inf"));
    parms.replace("Callsign=\r\n", "Callsign=N0TLV\r\n");
    ASSERT_TRUE(tolvex::test::writeFile(station + QStringLiteral("/Parms.inf"), parms));
    ASSERT_TRUE(
        tolvex::test::writeFile(station + QStringLiteral("/Messages/r1208143000_N0ABC_Shelter, \"A\".txt"),
                                "\r\n\r\n=========== MESSAGE RECEIVED  08 Dec 2026  14:30============\r\n"
                                ".hdr  _N0ABC _Shelter, \"A\"\r\rNumber:17\r"));
    ASSERT_TRUE(tolvex::test::writeFile(station + QStringLiteral("/Messages/s1208150000_N0ABC_Reply.txt"),
                                        ".hdr  _N0TLV _Reply\r\n\r\nNumber:3  Priority: =\r\n"));
    QFile(station + QStringLiteral("/Messages/s1208150000_N0ABC_Reply.txt"))
        .setFileTime(QDateTime(QDate(2026, 12, 8), QTime(15, 0), Qt::UTC), QFileDevice::FileModificationTime);
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent"),
                            station + QStringLiteral("/Messages/r1208160000_X_Gone.txt")));

    const auto run = [&](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(cwd);
        process.start(kBin + QStringLiteral("/tolvex"), arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(QLatin1Char(' ')).toStdString();
        Finished r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(process.readAllStandardError());
        return r;
    };
    const QString usage = QStringLiteral("Usage: tolvex [options] [DIR]");
    const QStringList period = {QStringLiteral("--from"), QStringLiteral("2026-12-08T14:00"),
                                QStringLiteral("--to"), QStringLiteral("2026-12-08 22:00")};
    const auto ics = [&](const QString& dir, const QStringList& more) {
        return QStringList{QStringLiteral("--ics309"), dir} + period + more;
    };
    struct Case {
        QStringList arguments;
        int exitCode;
        QString out; // a part of standard output
        QString err; // a part of standard error
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, 0, usage, {}},
        {{QStringLiteral("-h")}, 0, QStringLiteral("--ics309 <DIR>"), {}},
        {{QStringLiteral("--version")}, 0, QStringLiteral("Tolvex 2."), {}},
        {{QStringLiteral("-v")}, 0, QStringLiteral("Tolvex 2."), {}},
        {{QStringLiteral("--bogus")}, 2, {}, QStringLiteral("tolvex: Unknown option 'bogus'.\n\n") + usage},
        {{QStringLiteral("-x"), QStringLiteral("dir")}, 2, {}, QStringLiteral("Unknown option 'x'")},
        {{QStringLiteral("one"), QStringLiteral("two")}, 2, {}, QStringLiteral("one station folder only")},
        {{QStringLiteral("--from"), QStringLiteral("2026-12-08T14:00")},
         2,
         {},
         QStringLiteral("--from is an option of --ics309")},
        {{QStringLiteral("--ics309")}, 2, {}, QStringLiteral("Missing value after '--ics309'")},
        {ics(station, {}), 2, {}, QStringLiteral("--ics309 needs --output")},
        {ics(station, {QStringLiteral("-o"), QStringLiteral("log.csv"), QStringLiteral("extra")}),
         2,
         {},
         QStringLiteral("one argument too many")},
        {{QStringLiteral("--ics309"), station, QStringLiteral("--from"), QStringLiteral("08/12/2026 14:00"),
          QStringLiteral("--to"), QStringLiteral("2026-12-08 22:00"), QStringLiteral("-o"),
          QStringLiteral("log.csv")},
         2,
         {},
         QStringLiteral("--from 08/12/2026 14:00 is not a date and time")},
        {{QStringLiteral("--ics309"), station, QStringLiteral("--from"), QStringLiteral("2026-12-08 22:00"),
          QStringLiteral("--to"), QStringLiteral("2026-12-08 14:00"), QStringLiteral("-o"),
          QStringLiteral("log.csv")},
         2,
         {},
         QStringLiteral("the period must end after it starts")},
        {ics(tmp.filePath(QStringLiteral("nowhere")), {QStringLiteral("-o"), QStringLiteral("log.csv")}),
         1,
         {},
         QStringLiteral("tolvex: no station folder at ")},
        {ics(station, {QStringLiteral("-o"), QStringLiteral("log.txt")}),
         1,
         {},
         QStringLiteral("must end in .csv or .pdf")},
        {ics(station, {QStringLiteral("-o"), tmp.filePath(QStringLiteral("no/such/log.pdf"))}),
         1,
         {},
         QStringLiteral("tolvex: cannot write ")},
        {ics(station, {QStringLiteral("--incident"), QStringLiteral("Ice, storm"), QStringLiteral("-o"),
                       QStringLiteral("log.csv")}),
         0, QStringLiteral("2 messages"),
         QStringLiteral("Messages/r1208160000_X_Gone.txt: could not be read")},
        {ics(station, {QStringLiteral("--operator"), QStringLiteral("Pat Doe"), QStringLiteral("--output"),
                       QStringLiteral("log.pdf")}),
         0, QStringLiteral("2 messages"), QStringLiteral("r1208160000_X_Gone.txt: could not be read")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Finished r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.out)) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        // Nothing more than asked for: help on standard output only, errors on standard error only.
        EXPECT_TRUE(!c.out.isEmpty() || r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(!c.err.isEmpty() || r.err.isEmpty()) << r.err.toStdString();
    }
    // No option became a station folder: the only files made are the two logs.
    EXPECT_EQ(QDir(cwd).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({QStringLiteral("log.csv"), QStringLiteral("log.pdf")}));

    const QByteArray csv = tolvex::test::readFile(cwd + QStringLiteral("/log.csv"));
    const QByteArray head("ICS 309 Communications Log,,,,,\r\n"
                          "1. Incident Name,\"Ice, storm\",,,,\r\n"
                          "2. Operational Period From,2026-12-08 14:00,,,,\r\n"
                          "2. Operational Period To,2026-12-08 22:00,,,,\r\n"
                          "3. Radio Operator Name,N0TLV,,,,\r\n"
                          "3. Station ID,N0TLV,,,,\r\n"
                          "Time Zone,\"UTC, UTC+00:00\",,,,\r\n"
                          "4. Communications Log,,,,,\r\n"
                          "Time,From Call Sign/ID,From Msg #,To Call Sign/ID,To Msg #,Message\r\n"
                          "14:30,N0ABC,17,N0TLV,,\"Shelter, \"\"A\"\"\"\r\n"
                          "15:00,N0TLV,3,N0ABC,,Reply\r\n"
                          "5. Prepared By,N0TLV,,,,\r\n");
    EXPECT_EQ(csv.left(head.size()).toStdString(), head.toStdString());
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^5. Date/Time Prepared,\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d,,,,\r\n$"))
                    .match(QString::fromUtf8(csv.mid(head.size())))
                    .hasMatch())
        << csv.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) return;
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), cwd + QStringLiteral("/log.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& expected : {QStringLiteral("Page 1 of 1"), QStringLiteral("Pat Doe, N0TLV"),
                                    QStringLiteral("Times are local: UTC, UTC+00:00")})
        EXPECT_TRUE(pdf.contains(expected)) << expected.toStdString() << "\n" << pdf.toStdString();
    EXPECT_TRUE(
        pdf.contains(QRegularExpression(QStringLiteral("14:30 +N0ABC +17 +N0TLV +Shelter, \"A\"\\n"))))
        << pdf.toStdString();
}

} // namespace
