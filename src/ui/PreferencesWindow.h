#pragma once
// The operating preferences dialog, frmOpParms: callsigns, handling of received messages, form
// and numbering of outgoing messages, message saving, the local mailbox call and the net options.
// Its Preferences object holds the rules.
#include "Controls.h"
#include "ElementTable.h"
#include "lifecycle/Preferences.h"

#include <QDialog>
#include <functional>
#include <memory>

class QButtonGroup;

namespace tolvex {

class PreferencesWindow : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // Filled from the settings at once. Not modal; deletes itself when closed. "Close" and the
    // window frame store nothing.
    PreferencesWindow(PreferencesContext context,
                      std::function<void(NetRole before, NetRole after)> onRoleChanged,
                      std::function<void(QString)> showHelp, QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    Preferences& preferences() { return *preferences_; }
    const ElementTable<PrefElement>& elements() const { return elements_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    class View;
    void build(std::function<void(QString)> showHelp);

    ElementTable<PrefElement> elements_;
    QButtonGroup* print_ = nullptr;
    QButtonGroup* alert_ = nullptr;
    std::unique_ptr<View> view_;
    std::unique_ptr<Preferences> preferences_;
};

} // namespace tolvex
