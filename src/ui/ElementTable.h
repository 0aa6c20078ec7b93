#pragma once
// A window's elements under their own names, and what the logic does with any of them: show or
// hide, caption or text, focus. Every window keeps one, keyed by its own element type, so the
// rules live in one place and a misspelt element, or one of another window, fails to compile.
#include "core/views/Element.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

namespace tolvex {

// The table under plain names; windows use the typed ElementTable below.
class UntypedElementTable {
public:
    // The element takes the name as its object name too, which is how tests and tools find it.
    void add(const char* name, QObject* element);
    // The element of that name; an unknown name is reported as a warning.
    QObject* find(const char* name) const;

    void setVisible(const char* name, bool visible) const;
    bool isVisible(const char* name) const;
    void setText(const char* name, const QString& text) const;
    void setFocus(const char* name) const;
    QString selectedText(const char* name) const;
    QString lineText(const char* name) const;
    bool isChecked(const char* name) const;
    void setChecked(const char* name, bool checked) const;

private:
    QHash<QByteArray, QObject*> elements_;
};

template <class Element> class ElementTable {
public:
    // Registers the element under its name (its object name too) and hands it back.
    template <class W> W* add(Element e, W* element) {
        table_.add(e.name, element);
        return element;
    }
    // The element; an unknown one is reported as a warning.
    QObject* find(Element e) const { return table_.find(e.name); }
    template <class W> W* get(Element e) const { return qobject_cast<W*>(find(e)); }

    void setVisible(Element e, bool visible) const { table_.setVisible(e.name, visible); }
    // An element's own visibility, as set; the window need not be on screen.
    bool isVisible(Element e) const { return table_.isVisible(e.name); }
    // Caption of a label, button, frame or menu item, or the text of a text box.
    void setText(Element e, const QString& text) const { table_.setText(e.name, text); }
    void setFocus(Element e) const { table_.setFocus(e.name); }
    // The selected text of a text element, with plain line breaks.
    QString selectedText(Element e) const { return table_.selectedText(e.name); }
    // The text of a one-line box; empty for anything else.
    QString lineText(Element e) const { return table_.lineText(e.name); }
    // Check boxes and option buttons.
    bool isChecked(Element e) const { return table_.isChecked(e.name); }
    void setChecked(Element e, bool checked) const { table_.setChecked(e.name, checked); }

private:
    UntypedElementTable table_;
};

} // namespace tolvex
