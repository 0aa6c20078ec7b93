#include "QtPrinter.h"

#include <QFont>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace tolvex {

bool QtPrinter::printDocument(const QTextDocument& document) {
    QPrinter printer;
    const QString pdf = qEnvironmentVariable("TOLVEX_PRINT_TO");
    if (!pdf.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        return false; // no printer to print on
    }
    if (!printer.isValid()) return false;
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

bool QtPrinter::printText(const QByteArray& latin1Text) {
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Times New Roman"), 10));
    QString text = QString::fromLatin1(latin1Text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    document.setPlainText(text);
    return printDocument(document);
}

} // namespace tolvex
