#pragma once
// Message boxes on screen. No box waits: show() returns at once and the answer reaches its
// callback when the operator presses a button, so reception goes on meanwhile. The same OK box
// is never stacked twice.
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

    void show(const QString& title, const QString& text, Icon icon = Icon::None,
              Buttons buttons = Buttons::Ok, AnswerFn onAnswer = {}) override;

    // Boxes shown and not yet closed.
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
