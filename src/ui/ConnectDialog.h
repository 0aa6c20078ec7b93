#pragma once
// The connect dialog: a destination typed or picked from the saved list (callsign.lst), the Add
// frame that builds new list entries, and the mouse-over hints.
#include "Controls.h"
#include "core/Platform.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>
#include <functional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;

namespace tolvex {

class ConnectDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // onConnect gets the destination as typed ("CALL,NODE1,NODE2"); the dialog closes when it
    // returns true. showHelp opens a help page by file name.
    ConnectDialog(QString listPath, MessageBoxes& boxes, std::function<bool(QByteArray)> onConnect,
                  std::function<void(QString)> showHelp, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addClicked();
    void connectClicked();
    void choose(QListWidgetItem* item);
    void removeSelected();
    void saveList();
    void hint(const QString& text);

    QString listPath_;
    MessageBoxes& boxes_;
    std::function<bool(QByteArray)> onConnect_;
    QListWidget* list_ = nullptr;
    QLineEdit* toAdd_ = nullptr;
    QLineEdit* addCall_ = nullptr;
    QLineEdit* path_[3] = {};
    QLineEdit* note_ = nullptr;
    QWidget* addFrame_ = nullptr;
    QPlainTextEdit* hintBox_ = nullptr;
    QHash<QObject*, QString> hints_;
};

} // namespace tolvex
