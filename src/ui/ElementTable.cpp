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

void UntypedElementTable::add(const char* name, QObject* element) {
    element->setObjectName(QString::fromLatin1(name));
    elements_.insert(QByteArray(name), element);
}

QObject* UntypedElementTable::find(const char* name) const {
    QObject* found = elements_.value(QByteArray::fromRawData(name, qstrlen(name)));
    if (!found) qWarning("no element named %s", name);
    return found;
}

void UntypedElementTable::setVisible(const char* name, bool visible) const {
    QObject* found = find(name);
    if (auto* widget = qobject_cast<QWidget*>(found))
        widget->setVisible(visible);
    else if (auto* action = qobject_cast<QAction*>(found))
        action->setVisible(visible);
    else if (auto* menu = qobject_cast<QMenu*>(found))
        menu->menuAction()->setVisible(visible);
}

bool UntypedElementTable::isVisible(const char* name) const {
    QObject* found = find(name);
    if (auto* widget = qobject_cast<QWidget*>(found)) return !widget->isHidden();
    if (auto* action = qobject_cast<QAction*>(found)) return action->isVisible();
    return false;
}

void UntypedElementTable::setText(const char* name, const QString& text) const {
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

void UntypedElementTable::setFocus(const char* name) const {
    if (auto* widget = qobject_cast<QWidget*>(find(name))) widget->setFocus(Qt::OtherFocusReason);
}

QString UntypedElementTable::selectedText(const char* name) const {
    QObject* found = find(name);
    if (auto* line = qobject_cast<QLineEdit*>(found)) return line->selectedText();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(found))
        return plain->textCursor().selection().toPlainText();
    if (auto* rich = qobject_cast<QTextEdit*>(found)) return rich->textCursor().selection().toPlainText();
    return {};
}

QString UntypedElementTable::lineText(const char* name) const {
    auto* line = qobject_cast<QLineEdit*>(find(name));
    return line ? line->text() : QString();
}

bool UntypedElementTable::isChecked(const char* name) const {
    auto* button = qobject_cast<QAbstractButton*>(find(name));
    return button && button->isChecked();
}

void UntypedElementTable::setChecked(const char* name, bool checked) const {
    if (auto* button = qobject_cast<QAbstractButton*>(find(name))) button->setChecked(checked);
}

} // namespace tolvex
