#pragma once
// The logic of the operating preferences dialog: it edits copies of the settings in the dialog's
// controls and stores them only when "Save Changes" passes its checks.
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "core/views/PreferencesView.h"

#include <QByteArray>
#include <functional>

namespace tolvex {

// The station's place in a controlled net, as NetOperation and ThisNCS give it.
enum class NetRole { None, Member, Control };
NetRole netRole(const Settings& settings);

// What the dialog works with.
struct PreferencesContext {
    Station& station;
    ParmsStore& store;
    MessageBoxes& boxes;
    MainView& main; // its net pane follows a change of role
};

// The decimal number a text starts with (blanks before it skipped); 0 when it starts with none.
double leadingNumber(const QByteArray& text);

// The main window's net pane as a station takes part in a net or not: shown and emptied, or
// hidden; the "New:" counter hidden and reset either way.
void showNetPane(MainView& main, Station& station, bool inNet);

class Preferences {
public:
    Preferences(PreferencesContext context, PreferencesView& view);

    // Fills the controls from the settings; the dialog starts without changes.
    void load();
    // The operator changed a control (typed into a text box, clicked a box, option or entry).
    void edited(PrefElement element);
    // "Save Changes": the checks, then every field stored, both files written, the net pane
    // following a new role, and the dialog closed. A failed check leaves everything as it was.
    void save();
    bool hasChanges() const { return changed_; }

    // The pointer rests on an element, or on the bare dialog: Text3 explains it.
    void pointerOver(PrefElement element);
    void pointerOverDialog();
    // The help text of an element; empty for one without.
    static QByteArray helpText(PrefElement element);

    // The folder the form files are listed from.
    QString formsFolder() const;

    // Called after a save that moved the station to another net role, once the main window's
    // net pane is set for it: the net consoles follow `after`. A save that keeps the role leaves
    // the pane, its unread count and the consoles alone.
    std::function<void(NetRole before, NetRole after)> onRoleChanged;

private:
    void changesMade();
    void loadFormList();
    bool passesChecks();
    void store();
    QByteArray field(PrefElement element) const; // on one line, blanks around it removed

    PreferencesContext ctx_;
    PreferencesView& view_;
    bool changed_ = false;
    bool msgNoEdited_ = false;
};

} // namespace tolvex
