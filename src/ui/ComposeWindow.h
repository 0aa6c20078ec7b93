#pragma once
// The compose window, frmCompose: the message text, its subject and the requests to the
// destination station. The program keeps one open at a time; its Composer holds the rules.
#include "Controls.h"
#include "ElementTable.h"
#include "messaging/Composer.h"

#include <QWidget>
#include <functional>
#include <memory>

class QPlainTextEdit;

namespace tolvex {

class ComposeWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // Fills itself for `mode` at once (a new formal or scratchpad message discards the pending
    // one). Not modal; deletes itself when closed.
    ComposeWindow(ComposeMode mode, ComposeContext context, std::function<void(QString)> showHelp,
                  QWidget* parent = nullptr);
    ~ComposeWindow() override;

    Composer& composer() { return *composer_; }
    const ElementTable<ComposeElement>& elements() const { return elements_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class View;
    void copyAll();
    void copy();
    void cut();
    void paste();

    ElementTable<ComposeElement> elements_;
    QPlainTextEdit* text_ = nullptr;
    std::unique_ptr<View> view_;
    std::unique_ptr<Composer> composer_;
    bool firstFocusTaken_ = false;
};

} // namespace tolvex
