#pragma once
// What both net consoles share: a window of its own, not modal, that deletes itself when closed,
// is placed across the main window's right edge when first shown, and whose controls report the
// mouse (for hints) and keys to the console's event filter.
#include <QWidget>

class QKeyEvent;

namespace tolvex {

class NetConsoleWindow : public QWidget {
protected:
    // mainWindow places the console when first shown (may be null).
    NetConsoleWindow(const QString& name, const QString& title, const QWidget* mainWindow, QWidget* parent);

    // A control whose mouse moves and keys go to eventFilter().
    template <class W> W* tracked(W* widget) {
        track(widget);
        return widget;
    }
    void showEvent(QShowEvent* event) override;

    // The code the message line hands the logic for a key: 13 for Enter, otherwise the character
    // typed (0 for a key that types none).
    static int messageKeyCode(const QKeyEvent& key);

private:
    void track(QWidget* widget);

    const QWidget* mainWindow_;
    bool placed_ = false;
};

} // namespace tolvex
