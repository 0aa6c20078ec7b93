#include "PaneWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextDocumentFragment>
#include <QTimer>

namespace tolvex {

PaneWidget::PaneWidget(MainElement name, QWidget* parent) : QPlainTextEdit(parent), name_(name) {
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    installEventFilter(this);
    viewport()->installEventFilter(this);
}

qsizetype PaneWidget::length() const {
    return document()->characterCount() - 1 + pending_.size();
}

void PaneWidget::append(const QByteArray& text) {
    if (text.isEmpty()) return;
    // A line break is one character in the widget: CR LF, CR and LF each become one, here already,
    // so the length counted before the text is drawn is the length after.
    pending_.reserve(pending_.size() + text.size());
    for (const char c : text) {
        if (c == '\n' && lastWasCr_) {
            lastWasCr_ = false;
            continue;
        }
        lastWasCr_ = c == '\r';
        pending_ += lastWasCr_ ? '\n' : c;
    }
    scheduleFlush();
}

void PaneWidget::chop(qsizetype n) {
    if (n <= 0) return;
    lastWasCr_ = false;
    const qsizetype fromPending = std::min(n, pending_.size());
    pending_.chop(fromPending);
    n -= fromPending;
    if (n == 0) return;
    const int end = document()->characterCount() - 1;
    QTextCursor cursor(document());
    cursor.setPosition(int(std::max<qsizetype>(0, end - n)));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void PaneWidget::keepTail(qsizetype n) {
    flush();
    const int length = document()->characterCount() - 1;
    if (length <= n) return;
    QTextCursor cursor(document());
    cursor.setPosition(int(length - std::max<qsizetype>(0, n)), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void PaneWidget::replaceText(const QByteArray& text) {
    pending_.clear();
    lastWasCr_ = false;
    clear();
    append(text);
    flush();
}

void PaneWidget::scheduleFlush() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    // At most one insert and repaint per display frame, however the serial port cuts the text.
    QTimer::singleShot(kFlushMs, Qt::PreciseTimer, this, [this] {
        flushScheduled_ = false;
        flush();
    });
}

void PaneWidget::flush() {
    if (pending_.isEmpty()) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromLatin1(pending_));
    pending_.clear();
    setTextCursor(cursor);
    ensureCursorVisible();
}

// --- Keys and mouse ---

int PaneWidget::keyCode(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (alt && !ctrl) return -1; // Alt combinations belong to the menus
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
        return ctrl ? -1 : 9;
    default:
        break;
    }
    if (ctrl && !alt) return key >= Qt::Key_A && key <= Qt::Key_Z ? key - Qt::Key_A + 1 : -1;
    if (text.size() == 1) {
        const char16_t c = text.at(0).unicode();
        if (c >= 32 && c != 127 && c <= 255) return c;
    }
    return -1;
}

bool PaneWidget::isNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

int PaneWidget::focusStep(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Backtab &&
        !(key.key() == Qt::Key_Tab && (key.modifiers() & Qt::ControlModifier)))
        return 0;
    return key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier) ? -1 : 1;
}

bool PaneWidget::typed(QKeyEvent* key) {
    const int code = keyCode(key->key(), key->modifiers(), key->text());
    if (code < 0) return !isNavigationKey(key->key()); // caret movement stays local, other keys go nowhere
    flush();                                           // the key lands after whatever arrived before it
    if (!keyPressed || !keyPressed(code)) return true;
    QTextCursor cursor = textCursor();
    if (code == 8) {
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        else
            cursor.deletePreviousChar();
    } else if (code == 13) {
        cursor.insertText(QStringLiteral("\n"));
    } else if (code == 9 || code >= 32) {
        cursor.insertText(QString(QChar(code)));
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

bool PaneWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != this && watched != viewport()) return QPlainTextEdit::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    switch (type) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const int step = focusStep(*key)) {
            // The editor's own override keeps Tab inside; the window's focus chain decides.
            QWidget::focusNextPrevChild(step > 0);
            return true;
        }
        return typed(key);
    }
    case QEvent::KeyRelease:
        if (keyReleased) keyReleased();
        return false;
    case QEvent::InputMethod:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::MiddleButton) return true; // no pasting of the X selection
        if (type == QEvent::MouseButtonRelease)
            Q_EMIT mouseUp(textCursor().selection().toPlainText().toLatin1());
        return false;
    }
    default:
        return false;
    }
}

} // namespace tolvex
