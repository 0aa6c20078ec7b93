#pragma once
// The node responses dialog: the texts by which nodes report ready, connected and failed.
#include "Controls.h"
#include "core/Settings.h"

#include <QDialog>
#include <QHash>
#include <array>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace tolvex {

class NodeDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // "Save Changes" stores all twelve texts, calls onSaved (write Parms.inf, reopen the port)
    // and closes; "Close" and the window frame store nothing.
    NodeDialog(Settings& settings, std::function<void()> onSaved, std::function<void(QString)> showHelp,
               QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changesMade();
    void save();
    void help(const QString& text);

    Settings& settings_;
    std::function<void()> onSaved_;
    std::array<QLineEdit*, 4> ready_{}, made_{}, fail_{};
    QHash<QObject*, QString> hints_;
    QPlainTextEdit* helpField_ = nullptr;
};

} // namespace tolvex
