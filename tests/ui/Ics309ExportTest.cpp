// The ICS-309 log written as a file: the PDF form read back with pdftotext, and what stops a
// log from being written.
#include "ui/Ics309Export.h"
#include "core/ParmsFile.h"
#include "core/Settings.h"
#include "messaging/MessageFiles.h"
#include "support/Doubles.h"
#include "support/Files.h"
#include "ui/Ics309Dialog.h"
#include "ui/LogWindow.h"
#include "ui/WindowParts.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvex;
using tolvex::test::readFile;
using tolvex::test::writeFile;

namespace {

const QTimeZone kZone("America/Chicago");

QDateTime local(const char* text) {
    return *parseLocalDateTime(QString::fromLatin1(text));
}

// A station folder whose Parms.inf gives the call N0TLV.
struct Station {
    QTemporaryDir tmp;
    QString dir = tmp.filePath(QStringLiteral("station"));

    Station() {
        QDir().mkpath(dir + QStringLiteral("/Messages"));
        Settings settings;
        settings.Callsign = "N0TLV";
        QFile parms(dir + QStringLiteral("/Parms.inf"));
        EXPECT_TRUE(parms.open(QIODevice::WriteOnly));
        writeParms(parms, settings);
    }
    void received(const QByteArray& stamp, const QByteArray& from, const QByteArray& subject,
                  const char* date) {
        const QByteArray banner =
            QByteArray("\r\n\r\n=========== MESSAGE RECEIVED  ") + date + "  14:00============\r\n";
        EXPECT_TRUE(
            writeFile(dir + QStringLiteral("/Messages/") +
                          QString::fromLatin1(messageFileName(MessageKind::Received, stamp, from, subject)),
                      banner + ".hdr  _" + from + " _" + subject + "\r\rNumber:" + stamp.mid(6, 2) + "\r"));
    }
    Ics309Request request(const QString& output) const {
        return {dir,
                local("2026-12-08 14:00"),
                local("2026-12-08 22:00"),
                QStringLiteral("Ice storm"),
                QStringLiteral("Pat Doe"),
                output};
    }
};

QString pdfText(const QString& pdf) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(20000));
    return QString::fromUtf8(text.readAllStandardOutput());
}

// Forty-five messages fill more than one page: every page carries the form's blocks, the column
// headings and its number; the rows run on in time order; hostile text stays on its row.
TEST(Ics309Export, PdfFormOverTwoPages) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_FAIL() << "pdftotext is not installed (package poppler-utils)";
    Station s;
    for (int i = 0; i < 45; ++i) {
        const QByteArray stamp = "120814" + QByteArray::number(10 + i) + "00";
        s.received(stamp, "K" + QByteArray::number(i) + "ABC", "Report " + QByteArray::number(i),
                   "08 Dec 2026");
    }
    s.received("1208150000", "N0\"EV,IL\x1b", "Line\x0b break\x7f \"quoted\" & <b>bold</b>", "08 Dec 2026");
    const QString pdf = s.tmp.filePath(QStringLiteral("log.PDF"));
    const Ics309Result result = exportIcs309(s.request(pdf), kZone, local("2026-12-08 22:30"));
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.rows, 46);
    EXPECT_TRUE(result.notices.isEmpty());

    const QString text = pdfText(pdf);
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 2) << text.toStdString();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QString& page = pages.at(i);
        for (const QString& expected :
             {QStringLiteral("COMMUNICATIONS LOG (ICS 309)"), QStringLiteral("1. Incident Name: Ice storm"),
              QStringLiteral("2. Operational Period: From 2026-12-08 14:00 To 2026-12-08 22:00"),
              QStringLiteral("3. Radio Operator (Name, Station ID): Pat Doe, N0TLV"),
              QStringLiteral("Times are local: America/Chicago, UTC-06:00"),
              QStringLiteral("4. Communications Log"), QStringLiteral("5. Prepared By: Pat Doe"),
              QStringLiteral("Date & Time Prepared: 2026-12-08 22:30"),
              QStringLiteral("Page %1 of 2").arg(i + 1)})
            EXPECT_TRUE(page.contains(expected)) << expected.toStdString() << "\n" << page.toStdString();
        EXPECT_TRUE(page.contains(QRegularExpression(QStringLiteral(
            "Time +FROM +FROM +TO +TO +Message\\n +Call Sign/ID +Msg # +Call Sign/ID +Msg #\\n"))))
            << page.toStdString();
    }
    // Every row once, in time order, across the two pages.
    qsizetype at = 0;
    for (int i = 0; i < 45; ++i) {
        const QRegularExpression row(
            QStringLiteral("14:%1 +K%2ABC +%1 +N0TLV +Report %2\\n").arg(10 + i).arg(i));
        const QRegularExpressionMatch match = row.match(text, at);
        ASSERT_TRUE(match.hasMatch()) << i << "\n" << text.toStdString();
        at = match.capturedEnd();
    }
    EXPECT_TRUE(text.contains(QRegularExpression(
        QStringLiteral("15:00 +N0\"EV,IL +00 +N0TLV +Line +break +\"quoted\" & <b>bold</b>\\n"))))
        << text.toStdString();
}

// Each refusal names its cause and leaves no file (the command line's table has the others).
TEST(Ics309Export, RefusesWithAReason) {
    Station s;
    s.received("1208160000", "N0ABC", "Status", "08 Dec 2026");
    const QString out = s.tmp.filePath(QStringLiteral("log.csv"));
    struct Case {
        const char* what;
        std::function<void(Ics309Request&)> change;
        const char* error; // a part of the error text
    };
    const Case cases[] = {
        {"no extension", [](Ics309Request& r) { r.outputPath.chop(4); }, "must end in .csv or .pdf"},
        {"no settings", [](Ics309Request& r) { r.stationDir += QStringLiteral("/Messages"); },
         "not a station folder"},
        {"empty period", [](Ics309Request& r) { r.to = r.from; }, "must end after it starts"},
        {"unwritable csv",
         [&s](Ics309Request& r) { r.outputPath = s.tmp.filePath(QStringLiteral("no/such/dir/log.csv")); },
         "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ics309Request request = s.request(out);
        c.change(request);
        const Ics309Result result = exportIcs309(request, kZone, local("2026-12-08 22:30"));
        EXPECT_TRUE(result.error.contains(QString::fromLatin1(c.error))) << result.error.toStdString();
        EXPECT_FALSE(QFile::exists(request.outputPath));
    }
    // The operator's name defaults to the station's call; the CSV is the one the log makes.
    Ics309Request request = s.request(out);
    request.operatorName = QStringLiteral("  ");
    const Ics309Result result = exportIcs309(request, kZone, local("2026-12-08 22:30:59"));
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    const QByteArray csv = readFile(out);
    EXPECT_TRUE(csv.contains("3. Radio Operator Name,N0TLV,,,,\r\n")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("16:00,N0ABC,00,N0TLV,,Status\r\n")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("5. Date/Time Prepared,2026-12-08 22:30,,,,\r\n")) << csv.toStdString();
}

// From the message log window: "ICS-309 Log..." opens the dialog on the window's station with
// the station's call as operator; a refusal keeps it open with the reason in a box, a written log
// closes it and says how many messages it holds.
TEST(Ics309Dialog, WritesTheLogFromTheMessageLogWindow) {
    Station s;
    s.received("1208160000", "N0ABC", "Status", "08 Dec 2026");
    test::RecordingMessageBoxes boxes;
    test::RecordingPrinter printer;
    auto* window = new LogWindow(s.dir + QStringLiteral("/Messages"), boxes, printer, {});
    window->show();
    QAction* item = window->findChild<QAction*>(QStringLiteral("mnuIcs309"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(shownCaption(item->text()), QStringLiteral("ICS-309 Log..."));
    item->trigger();
    QPointer<Ics309Dialog> dialog = window->findChild<Ics309Dialog*>(QStringLiteral("frmIcs309"));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    const auto field = [&](const char* name) {
        return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    };
    EXPECT_EQ(field("txtOperator")->text(), QStringLiteral("N0TLV"));
    dialog->findChild<QDateTimeEdit*>(QStringLiteral("dtpFrom"))
        ->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 0)));
    dialog->findChild<QDateTimeEdit*>(QStringLiteral("dtpTo"))
        ->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(22, 0)));
    field("txtIncident")->setText(QStringLiteral("Ice storm"));
    field("txtFile")->setText(s.tmp.filePath(QStringLiteral("log.txt")));
    QPushButton* write = dialog->findChild<QPushButton*>(QStringLiteral("cmdWrite"));
    QTest::mouseClick(write, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("must end in .csv or .pdf")))
        << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(dialog->isVisible());

    const QString csv = s.tmp.filePath(QStringLiteral("log.csv"));
    field("txtFile")->setText(csv);
    QTest::mouseClick(write, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              QStringLiteral("1 message in the log written to ") + csv + QLatin1Char('.'));
    const QByteArray written = readFile(csv);
    EXPECT_TRUE(written.contains("1. Incident Name,Ice storm,,,,\r\n")) << written.toStdString();
    EXPECT_TRUE(written.contains("16:00,N0ABC,00,N0TLV,,Status\r\n")) << written.toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog); // closed and gone
    delete window;
}

} // namespace
