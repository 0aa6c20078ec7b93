#include "ElementTable.h"

#include "Controls.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace tolvex {

QObject* ElementTable::find(const char* name) const {
    QObject* found = elements_.value(QByteArray::fromRawData(name, qstrlen(name)));
    if (!found) qWarning("no element named %s", name);
    return found;
}

void ElementTable::setVisible(const char* name, bool visible) const {
    QObject* found = find(name);
    if (auto* widget = qobject_cast<QWidget*>(found))
        widget->setVisible(visible);
    else if (auto* action = qobject_cast<QAction*>(found))
        action->setVisible(visible);
    else if (auto* menu = qobject_cast<QMenu*>(found))
        menu->menuAction()->setVisible(visible);
}

bool ElementTable::isVisible(const char* name) const {
    QObject* found = find(name);
    if (auto* widget = qobject_cast<QWidget*>(found)) return !widget->isHidden();
    if (auto* action = qobject_cast<QAction*>(found)) return action->isVisible();
    return false;
}

void ElementTable::setText(const char* name, const QString& text) const {
    QObject* found = find(name);
    if (auto* label = qobject_cast<QLabel*>(found)) {
        label->setText(text);
        fitCaption(*label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(found)) {
        button->setText(text);
        fitCaption(*button);
    } else if (auto* line = qobject_cast<QLineEdit*>(found)) {
        line->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(found)) {
        plain->setPlainText(text);
        plain->moveCursor(QTextCursor::End);
        plain->ensureCursorVisible();
    } else if (auto* rich = qobject_cast<QTextEdit*>(found)) {
        rich->setPlainText(text);
        rich->moveCursor(QTextCursor::End);
    } else if (auto* box = qobject_cast<QGroupBox*>(found)) {
        box->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(found)) {
        action->setText(text);
    }
}

void ElementTable::setFocus(const char* name) const {
    if (auto* widget = qobject_cast<QWidget*>(find(name))) widget->setFocus(Qt::OtherFocusReason);
}

QString ElementTable::selectedText(const char* name) const {
    QObject* found = find(name);
    if (auto* line = qobject_cast<QLineEdit*>(found)) return line->selectedText();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(found))
        return plain->textCursor().selection().toPlainText();
    if (auto* rich = qobject_cast<QTextEdit*>(found)) return rich->textCursor().selection().toPlainText();
    return {};
}

QString ElementTable::lineText(const char* name) const {
    auto* line = get<QLineEdit>(name);
    return line ? line->text() : QString();
}

bool ElementTable::isChecked(const char* name) const {
    auto* button = get<QAbstractButton>(name);
    return button && button->isChecked();
}

void ElementTable::setChecked(const char* name, bool checked) const {
    if (auto* button = get<QAbstractButton>(name)) button->setChecked(checked);
}

} // namespace tolvex
