#pragma once
// Printing on the default printer through Qt's print support. With TOLVEX_PRINT_TO set, every
// document goes into that PDF file instead (each print replaces it), so printing can be checked
// without a printer.
#include "core/Platform.h"

class QTextDocument;

namespace tolvex {

class QtPrinter final : public Printer {
public:
    bool printText(const QByteArray& latin1Text) override;
    // Prints a whole document (a selection with its colours, say).
    static bool printDocument(const QTextDocument& document);
};

} // namespace tolvex
