// Printing goes through Qt's print support; with TOLVEX_PRINT_TO the document lands in a PDF file,
// whose text is read back with pdftotext.
#include "ui/platform/QtPrinter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;

TEST(QtPrinter, PrintsTheTextIntoOneDocument) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath("out.pdf");
    qputenv("TOLVEX_PRINT_TO", pdf.toLocal8Bit());
    QtPrinter printer;
    EXPECT_TRUE(printer.printText("=========== MESSAGE RECEIVED\r\nShelter 3 holds 41 people.\r\nCaf\xe9"));
    qunsetenv("TOLVEX_PRINT_TO");
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(10000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains("MESSAGE RECEIVED")) << out.toStdString();
    EXPECT_TRUE(out.contains("Shelter 3 holds 41 people.")) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromLatin1("Caf\xe9"))) << out.toStdString();
}
