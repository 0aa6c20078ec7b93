#pragma once
// The first-run window: asks a new station for its callsign.
#include "Controls.h"
#include "ElementTable.h"
#include "core/Platform.h"

#include <QByteArray>
#include <QWidget>
#include <functional>

namespace tolvex {

using WelcomeElement = ElementName<struct WelcomeWindowTag>;

namespace frmWelcome {
inline constexpr WelcomeElement Label1{"Label1"};
inline constexpr WelcomeElement Label2_0{"Label2_0"};
inline constexpr WelcomeElement Label2_1{"Label2_1"};
inline constexpr WelcomeElement Text1{"Text1"};
inline constexpr WelcomeElement Command1{"Command1"}; // "Continue"
inline constexpr WelcomeElement Label4{"Label4"};
inline constexpr WelcomeElement Label5{"Label5"};
inline constexpr WelcomeElement Label3{"Label3"};
} // namespace frmWelcome

class WelcomeWindow : public CentredOnFirstShow<QWidget> {
    Q_OBJECT
public:
    // onContinue gets the callsign as typed (Latin-1); onQuit ends the program. Exactly one of
    // them is called, once: Continue with a callsign, Cancel in the "Callsign needed" box, or
    // closing the window. Deletes itself when closed.
    WelcomeWindow(MessageBoxes& boxes, std::function<void(QByteArray)> onContinue,
                  std::function<void()> onQuit, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void textChanged(const QString& text);
    void continueClicked();

    ElementTable<WelcomeElement> elements_;
    MessageBoxes& boxes_;
    std::function<void(QByteArray)> onContinue_;
    std::function<void()> onQuit_;
    bool done_ = false;
};

} // namespace tolvex
