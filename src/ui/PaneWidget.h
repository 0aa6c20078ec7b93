#pragma once
// One of the main window's two terminal panes (tbMon, tbLocal): the TNC's text is appended to
// it in batches, one insert per display frame however the serial port cuts it, and the keys
// typed into it go to a hook as the character codes they send to the TNC.
#include "core/views/MainView.h"

#include <QByteArray>
#include <QPlainTextEdit>
#include <functional>

namespace tolvex {

class PaneWidget : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 15; // appended text reaches the widget once per this period

    explicit PaneWidget(MainElement name, QWidget* parent = nullptr);

    MainElement name() const { return name_; }

    // Characters in the pane, the ones not yet drawn included; a line break counts one.
    qsizetype length() const;
    // At the end; the caret goes to the end when the text is drawn.
    void append(const QByteArray& text);
    // Drops the last n characters.
    void chop(qsizetype n);
    // Keeps only the last n characters.
    void keepTail(qsizetype n);
    void replaceText(const QByteArray& text);
    // Text waiting to be drawn goes into the widget now.
    void flush();

    // The character code a key press sends to the TNC, or -1 for keys that send nothing.
    static int keyCode(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // Whether a key only moves the caret (it stays in the pane and goes nowhere).
    static bool isNavigationKey(int key);
    // Tab goes to the TNC, so Ctrl+Tab (forward), Shift+Tab and Backtab (back) leave a pane:
    // 1 or -1 for those, 0 for any other key.
    static int focusStep(const QKeyEvent& key);

    // A key typed into the pane as its character code; the answer says whether the pane keeps it
    // (shows it). Without a hook nothing is typed into the pane.
    std::function<bool(int key)> keyPressed;
    std::function<void()> keyReleased;

Q_SIGNALS:
    // The mouse was released over the pane; its selection as Latin-1.
    void mouseUp(const QByteArray& selection);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool typed(QKeyEvent* key);
    void scheduleFlush();

    MainElement name_;
    QByteArray pending_;     // appended text not yet in the widget
    bool lastWasCr_ = false; // so a CR LF split across two chunks makes one line break
    bool flushScheduled_ = false;
};

} // namespace tolvex
