#pragma once
// The message log window ("frmLog"): received and sent messages side by side, the selected
// message below them, Print, Delete and Close. Not modal; it deletes itself when closed.
#include "Controls.h"
#include "ElementTable.h"
#include "core/Platform.h"
#include "core/views/LogView.h"

#include <QWidget>
#include <functional>
#include <memory>

class QListView;
class QPlainTextEdit;

namespace tolvex {

class MessageLog;

class LogWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // Lists the "r" and "s" files of messagesDir at once. boxes and printer must outlive the
    // window; showHelp opens a help page ("ViewLog.html").
    LogWindow(const QString& messagesDir, MessageBoxes& boxes, Printer& printer,
              std::function<void(QString)> showHelp, QWidget* parent = nullptr);
    ~LogWindow() override;

    LogView& view();
    MessageLog& log() { return *log_; }

private:
    class View;
    class RowModel;

    QListView* addList(LogElement name, const QString& accessibleName);
    void editCopy();
    void editCut();
    void editPaste();

    ElementTable<LogElement> elements_;
    QListView* received_ = nullptr;
    QListView* sent_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
    std::unique_ptr<View> view_;
    std::unique_ptr<MessageLog> log_;
};

} // namespace tolvex
