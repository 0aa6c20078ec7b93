#pragma once
// The broadcast dialog, frmBroadcast: the group to send to, the one-line message, Send and Cancel.
// Not modal; deletes itself when closed, and tells the broadcasts logic it closed.
#include "Controls.h"
#include "ElementTable.h"
#include "net/Broadcasts.h"

#include <QWidget>
#include <memory>

class QButtonGroup;
class QLineEdit;

namespace tolvex {

class BroadcastWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // Fills itself from the group entries at once; `broadcasts` must outlive the window.
    explicit BroadcastWindow(Broadcasts& broadcasts, QWidget* parent = nullptr);
    ~BroadcastWindow() override;

    const ElementTable<BroadcastElement>& elements() const { return elements_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class View;
    void reportClosed();

    Broadcasts& broadcasts_;
    ElementTable<BroadcastElement> elements_;
    QButtonGroup* options_ = nullptr;
    QLineEdit* text_ = nullptr;
    std::unique_ptr<View> view_;
    bool closedReported_ = false;
};

} // namespace tolvex
