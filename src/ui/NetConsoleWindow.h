#pragma once
// What both net consoles share: a window of its own, not modal, that deletes itself when closed,
// is placed across the main window's right edge when first shown, and whose controls report the
// mouse (for hints) and keys to the console's event filter.
#include "ElementTable.h"

#include <QWidget>

class QKeyEvent;

namespace tolvex {

class NetConsoleWindow : public QWidget {
public:
    const ElementTable& elements() const { return elements_; }

protected:
    // mainWindow places the console when first shown (may be null).
    NetConsoleWindow(const QString& name, const QString& title, const QWidget* mainWindow, QWidget* parent);

    // Registers a control under its element name, its mouse moves and keys going to eventFilter().
    QWidget* addTracked(const char* name, QWidget* widget);
    void showEvent(QShowEvent* event) override;

    // The code the message line hands the logic for a key: 13 for Enter, otherwise the character
    // typed (0 for a key that types none).
    static int messageKeyCode(const QKeyEvent& key);

    ElementTable elements_;

private:
    const QWidget* mainWindow_;
    bool placed_ = false;
};

} // namespace tolvex
