#pragma once
// The typed message line both net consoles have (txtMsg, txtInfoMsg).
#include "link/TncPort.h"

#include <QByteArray>
#include <functional>

namespace tolvex {

// A key pressed in the line: its text is held to 40 characters. On Enter a text of two or more
// characters is shown upper-cased and trimmed, handed to `send`, and the line emptied unless
// `send` refused it (false). True when the key was Enter. `view` is read again after the send,
// which may take the console away.
template <class View, class Element>
bool messageLineKey(View* const& view, Element line, int key,
                    const std::function<bool(const QByteArray&)>& send) {
    constexpr qsizetype maxTyped = 40;
    if (!view) return false;
    QByteArray text = view->text(line);
    if (text.size() > maxTyped) {
        text.truncate(maxTyped);
        view->setText(line, text);
    }
    if (key != TncPort::kEnter) return false;
    if (text.size() >= 2) {
        const QByteArray typed = text.toUpper().trimmed();
        view->setText(line, typed);
        if (!send(typed)) return true; // refused: what was typed stays
    }
    if (view) view->setText(line, {});
    return true;
}

} // namespace tolvex
