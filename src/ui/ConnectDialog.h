#pragma once
// The connect dialog, frmConnect: a destination typed or picked from the saved list, the Add frame
// that builds new list entries, and the mouse-over hints. Its ConnectSetup holds the rules.
#include "Controls.h"
#include "ElementTable.h"
#include "core/Platform.h"
#include "link/ConnectSetup.h"

#include <QByteArray>
#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;
class QListWidget;

namespace tolvex {

class ConnectDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // onConnect gets the destination as typed ("CALL,NODE1,NODE2"); the dialog closes when it
    // returns true. showHelp opens a help page by file name. Not modal; deletes itself when closed.
    ConnectDialog(QString listPath, MessageBoxes& boxes, std::function<bool(QByteArray)> onConnect,
                  std::function<void(QString)> showHelp, QWidget* parent = nullptr);
    ~ConnectDialog() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class View;

    ElementTable<ConnectElement> elements_;
    QListWidget* list_ = nullptr;
    QLineEdit* toAdd_ = nullptr;
    QWidget* addFrame_ = nullptr;
    std::unique_ptr<View> view_;
    std::unique_ptr<ConnectSetup> setup_;
};

} // namespace tolvex
