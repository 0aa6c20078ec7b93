#pragma once
// What the link logic reaches of the main window, keyed by the elements' own names
// ("cmdSend", "lblConn", "Frame1", "tbMon", "tbLocal", "Label3", ...).
#include <QByteArray>

namespace tolvex {

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setVisible(const char* element, bool visible) = 0;
    virtual bool isVisible(const char* element) const = 0;
    // Caption of a label or button, or the text of a one-line box (Latin-1 bytes).
    virtual void setText(const char* element, const QByteArray& text) = 0;
    virtual void setFocus(const char* element) = 0;

    // The two multi-line panes, "tbMon" and "tbLocal". Text is 8-bit, shown as Latin-1.
    virtual qsizetype paneLength(const char* pane) const = 0;
    virtual void appendToPane(const char* pane, const QByteArray& text) = 0; // at the end, caret to the end
    virtual void chopPane(const char* pane, qsizetype n) = 0;                // drop the last n characters
    virtual void keepPaneTail(const char* pane, qsizetype n) = 0;            // keep only the last n characters
    virtual void setPaneText(const char* pane, const QByteArray& text) = 0;
    virtual void emptyUndo(const char* pane) = 0;
};

} // namespace tolvex
