#pragma once
// A window's elements under their own names, and what the logic does with any of them: show or
// hide, caption or text, focus. Every window keeps one, so the rules live in one place.
#include <QByteArray>
#include <QHash>
#include <QString>

class QObject;

namespace tolvex {

class ElementTable {
public:
    void add(const char* name, QObject* element) { elements_.insert(QByteArray(name), element); }
    // The element of that name; an unknown name is reported as a warning.
    QObject* find(const char* name) const;
    template <class W> W* get(const char* name) const { return qobject_cast<W*>(find(name)); }

    void setVisible(const char* name, bool visible) const;
    // An element's own visibility, as set; the window need not be on screen.
    bool isVisible(const char* name) const;
    // Caption of a label, button, frame or menu item, or the text of a text box.
    void setText(const char* name, const QString& text) const;
    void setFocus(const char* name) const;
    // The selected text of a text element, with plain line breaks.
    QString selectedText(const char* name) const;
    // The text of a one-line box; empty for anything else.
    QString lineText(const char* name) const;
    // Check boxes and option buttons.
    bool isChecked(const char* name) const;
    void setChecked(const char* name, bool checked) const;

private:
    QHash<QByteArray, QObject*> elements_;
};

} // namespace tolvex
