#pragma once
// The net member console, frmInfoNet: check in, check out, traffic requests and short messages to
// the Net Control Station, with hints. Not modal; deletes itself when closed. Its NetMember holds
// the rules.
#include "ElementTable.h"
#include "NetConsoleWindow.h"
#include "net/NetMember.h"

#include <QWidget>
#include <memory>

class QLineEdit;

namespace tolvex {

class NetMemberWindow : public NetConsoleWindow {
    Q_OBJECT
public:
    // Attaches itself to the logic at once; mainWindow places it when first shown (may be null).
    NetMemberWindow(NetMember& logic, const QWidget* mainWindow, QWidget* parent = nullptr);
    ~NetMemberWindow() override;

    const ElementTable<NetMemberElement>& elements() const { return elements_; }

    // The logic took the console away.
    void closeForLogic();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class View;

    NetMember& logic_;
    QLineEdit* message_ = nullptr;
    ElementTable<NetMemberElement> elements_;
    std::unique_ptr<View> view_;
};

} // namespace tolvex
