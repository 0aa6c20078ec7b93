#include "Preferences.h"

#include <QDir>
#include <cmath>
#include <limits>

namespace tolvex {

using namespace frmOpParms;

namespace {

QByteArray flagText(bool on) {
    return on ? QByteArray("1") : QByteArray("0");
}

// A message number the next start can read back: a whole number, not negative.
bool isCount(const QByteArray& text, bool mustBePositive) {
    const auto n = msgNoValue(text);
    return n && *n >= (mustBePositive ? 1 : 0);
}

struct HelpEntry {
    PrefElement element;
    const char* text;
};

const HelpEntry kHelp[] = {
    {Text1, "Enter the operating callsign here.  This may be either an amateur radio callsign or tactical "
            "callsign.  Tolvex will receive messages sent"
            " to this callsign."},
    {Option1,
     "Decide if incoming messages are to be printed automatically.  If not, individual messages can be "
     "printed manually."
     "  Selecting Enable Remote Print Requests will print only those received messages that include a "
     ".pon command."},
    {Option2,
     "Decide if audio alert is to be sounded when messages are received."
     "   Selecting Enable Remote Alert Request will sound alert only when messages are received that "
     "include a .aon command."},
    {Check1, "Check box to have program automatically insert callsign, message number, date, and time"
             " on outgoing messages.  For this feature to work, message form must include <C>,"
             " <M>, <D> and <T> tags to indicate places that should be autofilled"},
    {Frame2, "Check box to have program automatically insert callsign, message number, date, and time"
             " on outgoing messages.  For this feature to work, message form must include <C>,"
             " <M>, <D> and <T> tags to indicate places that should be autofilled"},
    {Frame5, "Select the form that should be used for outgoing messages. Choices shown here "
             "are all the .frm files in the Forms directory."},
    {Frame8, "Checking boxes causes received (sent) messages to be saved to disk.   The saved messages "
             "may be viewed by pressing the ViewLog button on the Main Screen."},
    {Frame9,
     "For Kantronics and similar TNCs that address the local mailbox as  MYCALL-SSID, enter the "
     "callsign plus mailbox SSID number here. "
     " (e.g. N0CALL-1)     For MFJ TNCs enter SYSOP.  Entering the proper value here "
     "allows the local mailbox to be accessed by pressing the Check Local BBS button on the main screen."},
    {Frame7, "These controls enable operation in a net under the control of a Net Control Station."
             "  See help files for more information."},
    {Frame10,
     "Enter the FCC assigned callsign here.  This is the callsign that must be sent periodically to "
     "satisfy FCC requirements for station identification.  If a tactical callsign is being used then "
     "this callsign may be sent at the end of each message to satisfy ID requirements by checking the "
     "associated box"},
};

} // namespace

NetRole netRole(const Settings& s) {
    if (!Settings::isOn(s.NetOperation)) return NetRole::None;
    return Settings::isOn(s.ThisNCS) ? NetRole::Control : NetRole::Member;
}

double leadingNumber(const QByteArray& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            digits = true;
        }
    }
    if (!digits) return 0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

Preferences::Preferences(PreferencesContext context, PreferencesView& view) : ctx_(context), view_(view) {}

QString Preferences::formsFolder() const {
    return ctx_.station.path(QStringLiteral("Forms"));
}

QByteArray Preferences::field(PrefElement element) const {
    return oneLine(view_.text(element)).trimmed();
}

void Preferences::load() {
    const Settings& s = ctx_.station.settings;
    view_.chooseOption(Option1, s.PrintPref);
    view_.chooseOption(Option2, s.AlertPref);
    view_.setChecked(Check1, s.Autofill == 1);
    view_.setEnabled(Text2, s.Autofill == 1);
    view_.setChecked(chkSaveRcvd, Settings::isOn(s.SaveRcvdMsgs));
    view_.setChecked(chkSaveSent, Settings::isOn(s.SaveSentMsgs));
    view_.setText(Text2, ctx_.station.MsgNo);
    loadFormList();
    view_.setText(Text1, s.Callsign);
    view_.setText(txtFCC, s.FCC);
    view_.setChecked(chkFCC, s.AddFCC == 1);
    view_.setText(txtSSID, s.SSID);
    view_.setChecked(chkNet, Settings::isOn(s.NetOperation));
    view_.setChecked(chkThisNCS, Settings::isOn(s.ThisNCS));
    view_.setText(txtNCSCallsign, s.NCSCallsign);
    view_.setChecked(chkRemote, s.RemoteOperation == 1);
    view_.setChecked(chkDirAlert, s.DirAlert == 1);
    const bool showEncoding = s.EncodingValue >= 0;
    view_.setVisible(lblEnc, showEncoding);
    view_.setVisible(txtEnc, showEncoding);
    view_.setText(txtEnc, showEncoding ? QByteArray::number(s.EncodingValue) : QByteArray());
    // Filling the fields is no change of the operator's.
    view_.setVisible(cmdClose, true);
    view_.setVisible(cmdSave, false);
    view_.setVisible(Frame6, false);
    changed_ = false;
    msgNoEdited_ = false;
}

void Preferences::loadFormList() {
    QDir forms(formsFolder());
    forms.setNameFilters({QStringLiteral("*.frm")});
    forms.setFilter(QDir::Files | QDir::Readable);
    forms.setSorting(QDir::Name | QDir::IgnoreCase);
    QList<QByteArray> names;
    int selected = -1;
    for (const QString& name : forms.entryList()) {
        const QByteArray latin1 = name.toLatin1();
        if (selected < 0 && latin1 == ctx_.station.settings.MsgFormPref) selected = int(names.size());
        names.push_back(latin1);
    }
    view_.setChoices(Combo1, names, selected);
}

void Preferences::changesMade() {
    changed_ = true;
    view_.setVisible(cmdClose, false);
    view_.setVisible(cmdSave, true);
    view_.setVisible(Frame6, true);
}

void Preferences::edited(PrefElement element) {
    if (element == Check1) {
        view_.setEnabled(Text2, view_.isChecked(Check1));
    } else if (element == chkFCC) {
        if (view_.isChecked(chkFCC) && field(txtFCC).isEmpty()) {
            ctx_.boxes.show(QStringLiteral("Callsign Needed"),
                            QStringLiteral("You must enter an FCC assigned callsign"),
                            MessageBoxes::Icon::Warning, MessageBoxes::Buttons::Ok);
            view_.setChecked(chkFCC, false);
        }
    } else if (element == chkThisNCS) {
        if (view_.isChecked(chkThisNCS)) view_.setChecked(chkRemote, false);
    } else if (element == chkRemote) {
        // A station cannot both run the net and let another station start it.
        if (view_.isChecked(chkRemote)) view_.setChecked(chkThisNCS, false);
    } else if (element == txtEnc) {
        const double value = leadingNumber(view_.text(txtEnc));
        if (value < -1 || value > 9) return;
    } else if (element == Text2) {
        msgNoEdited_ = true;
    }
    changesMade();
}

bool Preferences::passesChecks() {
    const auto refuse = [this](const char* title, const QString& text, MessageBoxes::Icon icon) {
        ctx_.boxes.show(QString::fromLatin1(title), text, icon, MessageBoxes::Buttons::Ok);
        return false;
    };
    const bool anyNet = view_.isChecked(chkNet) || view_.isChecked(chkThisNCS) || view_.isChecked(chkRemote);
    if (anyNet && field(txtNCSCallsign).isEmpty())
        return refuse(
            "NCS callsign needed",
            QStringLiteral(
                "To allow net operation you must enter \r\nthe callsign of the net control station"),
            MessageBoxes::Icon::Error);
    // A callsign of blanks alone would be stored empty and send the next start to the first-run prompt.
    if (field(Text1).isEmpty())
        return refuse("Callsign Needed", QStringLiteral("You must enter a callsign"),
                      MessageBoxes::Icon::None);
    const bool autofill = view_.isChecked(Check1);
    const QByteArray number = field(Text2);
    // A number that was typed must be one the next start can read back, or the count restarts at 1.
    if ((autofill && leadingNumber(number) == 0) || (msgNoEdited_ && !isCount(number, autofill)))
        return refuse("Invalid Message Number", QStringLiteral("Message number must have numeric value"),
                      MessageBoxes::Icon::None);
    if (view_.isVisible(txtEnc)) {
        const double encoding = std::round(leadingNumber(view_.text(txtEnc)));
        if (encoding < std::numeric_limits<std::int16_t>::min() ||
            encoding > std::numeric_limits<std::int16_t>::max())
            return refuse("Invalid Encoding Value",
                          QStringLiteral("Encoding Value must be a number from -32768 to 32767"),
                          MessageBoxes::Icon::None);
    }
    return true;
}

void Preferences::store() {
    Station& station = ctx_.station;
    Settings& s = station.settings;
    // An option group with no button chosen keeps its value.
    if (const int print = view_.chosenOption(Option1); print >= 0) s.PrintPref = std::int16_t(print);
    if (const int alert = view_.chosenOption(Option2); alert >= 0) s.AlertPref = std::int16_t(alert);
    s.Callsign = field(Text1).toUpper();
    s.Autofill = view_.isChecked(Check1) ? 1 : 0;
    // The main window may have advanced the number while the dialog was open (a formal message
    // finished); only a number the operator typed replaces it.
    if (msgNoEdited_) station.MsgNo = field(Text2);
    s.SaveRcvdMsgs = flagText(view_.isChecked(chkSaveRcvd));
    s.SaveSentMsgs = flagText(view_.isChecked(chkSaveSent));
    s.MsgFormPref = view_.text(Combo1);
    s.SSID = field(txtSSID).toUpper();
    // A hidden field keeps its negative value: it was never shown, so it cannot have been edited.
    if (view_.isVisible(txtEnc))
        s.EncodingValue = std::int16_t(std::round(leadingNumber(view_.text(txtEnc))));
    s.FCC = field(txtFCC).toUpper();
    s.AddFCC = view_.isChecked(chkFCC) ? 1 : 0;
    s.NetOperation = flagText(view_.isChecked(chkNet));
    s.ThisNCS = flagText(view_.isChecked(chkThisNCS));
    s.NCSCallsign = field(txtNCSCallsign).toUpper();
    s.RemoteOperation = view_.isChecked(chkRemote) ? 1 : 0;
    s.DirAlert = view_.isChecked(chkDirAlert) ? 1 : 0;
}

void Preferences::save() {
    if (!passesChecks()) return;
    const NetRole before = netRole(ctx_.station.settings);
    store();
    ctx_.store.SaveMsgNo(ctx_.station.MsgNo);
    ctx_.store.SaveParms(ctx_.station.settings);
    // The consoles opened for a new role address the new net control call.
    ctx_.station.deriveNames();
    const NetRole after = netRole(ctx_.station.settings);
    if (after != before) {
        showNetPane(ctx_.main, ctx_.station, after != NetRole::None);
        if (onRoleChanged) onRoleChanged(before, after);
    }
    view_.close();
}

void showNetPane(MainView& main, Station& station, bool inNet) {
    if (inNet) main.setText(frmMain::txtNet, {});
    main.setVisible(frmMain::txtNet, inNet);
    main.setVisible(frmMain::lblNet, inNet);
    main.setVisible(frmMain::shpNct, false);
    main.setVisible(frmMain::lblNct, false);
    station.NetMsgCount = 0;
}

QByteArray Preferences::helpText(PrefElement element) {
    for (const HelpEntry& entry : kHelp)
        if (entry.element == element) return entry.text;
    return {};
}

void Preferences::pointerOver(PrefElement element) {
    const QByteArray text = helpText(element);
    if (!text.isEmpty()) view_.setText(Text3, text);
}

void Preferences::pointerOverDialog() {
    view_.setText(Text3, {});
}

} // namespace tolvex
