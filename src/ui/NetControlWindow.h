#pragma once
// The net control console, frmNCS: the control station's buttons, the typed instruction, the
// traffic and check-in lists and the hints. Not modal; deletes itself when closed. Its NetControl
// holds the rules and the lists; the window only shows them.
#include "ElementTable.h"
#include "NetConsoleWindow.h"
#include "net/NetControl.h"

#include <QWidget>
#include <memory>

class QListWidget;
class QLineEdit;

namespace tolvex {

class NetControlWindow : public NetConsoleWindow {
    Q_OBJECT
public:
    // Attaches itself to the logic at once; mainWindow places it when first shown (may be null).
    NetControlWindow(NetControl& logic, const QWidget* mainWindow, QWidget* parent = nullptr);
    ~NetControlWindow() override;

    const ElementTable<NetControlElement>& elements() const { return elements_; }

    // The logic took the console away: the window closes without asking.
    void closeForLogic();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class View;
    QListWidget* list(NetControlElement element) const;

    NetControl& logic_;
    QListWidget* traffic_ = nullptr;
    QListWidget* checkins_ = nullptr;
    QLineEdit* message_ = nullptr;
    ElementTable<NetControlElement> elements_;
    std::unique_ptr<View> view_;
    bool inCloseEvent_ = false;
    bool closingForLogic_ = false;
};

} // namespace tolvex
