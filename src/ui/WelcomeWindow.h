#pragma once
// The first-run window: asks a new station for its callsign.
#include "Controls.h"
#include "core/Platform.h"

#include <QByteArray>
#include <QWidget>
#include <functional>

namespace tolvex {

class WelcomeWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // onContinue gets the callsign as typed (Latin-1); onQuit ends the program. Exactly one of
    // them is called, once: Continue with a callsign, Cancel in the "Callsign needed" box, or
    // closing the window.
    WelcomeWindow(MessageBoxes& boxes, std::function<void(QByteArray)> onContinue,
                  std::function<void()> onQuit, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void textChanged(const QString& text);
    void continueClicked();

    MessageBoxes& boxes_;
    std::function<void(QByteArray)> onContinue_;
    std::function<void()> onQuit_;
    bool done_ = false;
};

} // namespace tolvex
