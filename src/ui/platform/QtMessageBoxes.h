#pragma once
// Message boxes on screen. A box with only OK is shown without waiting, so a receive handler
// that reports something never stops the event loop, and the same box is never stacked twice;
// boxes that ask a question wait for the answer.
#include "core/Platform.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QDialog;

namespace tolvex {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    // The window the boxes belong to (the main window, once it exists).
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer show(const QString& title, const QString& text, Icon icon = Icon::None,
                Buttons buttons = Buttons::Ok) override;

    // Boxes shown and not yet closed that nobody waits for.
    int openCount() const;

private:
    struct Open {
        QPointer<QDialog> box;
        QString title, text;
        Icon icon;
    };
    QPointer<QWidget> parent_;
    QList<Open> open_;
};

} // namespace tolvex
