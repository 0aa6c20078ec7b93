#pragma once
// What the preferences logic reaches of the operating preferences dialog ("frmOpParms").
#include "Element.h"

#include <QByteArray>
#include <QList>

namespace tolvex {

using PrefElement = ElementName<struct PreferencesWindowTag>;

namespace frmOpParms {
inline constexpr PrefElement Frame1{"Frame1"};   // "Operating Callsign"
inline constexpr PrefElement Frame2{"Frame2"};   // "Outgoing Message AutoFill"
inline constexpr PrefElement Frame3{"Frame3"};   // "Incoming Message Printing"
inline constexpr PrefElement Frame4{"Frame4"};   // "Alerting"
inline constexpr PrefElement Frame5{"Frame5"};   // "Form for outgoing messages"
inline constexpr PrefElement Frame6{"Frame6"};   // the dark red frame around cmdSave
inline constexpr PrefElement Frame7{"Frame7"};   // "Net Control Operation"
inline constexpr PrefElement Frame8{"Frame8"};   // "Save messages to disk"
inline constexpr PrefElement Frame9{"Frame9"};   // "Local BBS ID"
inline constexpr PrefElement Frame10{"Frame10"}; // "FCC assgined callsign"
// The option groups; their buttons are Option1_0..Option1_2 and Option2_0..Option2_2.
inline constexpr PrefElement Option1{"Option1"};
inline constexpr PrefElement Option2{"Option2"};
inline constexpr PrefElement Option1Buttons[] = {PrefElement{"Option1_0"}, PrefElement{"Option1_1"},
                                                 PrefElement{"Option1_2"}};
inline constexpr PrefElement Option2Buttons[] = {PrefElement{"Option2_0"}, PrefElement{"Option2_1"},
                                                 PrefElement{"Option2_2"}};
inline constexpr PrefElement Combo1{"Combo1"};
inline constexpr PrefElement chkNet{"chkNet"};
inline constexpr PrefElement chkRemote{"chkRemote"};
inline constexpr PrefElement chkThisNCS{"chkThisNCS"};
inline constexpr PrefElement Label2{"Label2"};
inline constexpr PrefElement txtNCSCallsign{"txtNCSCallsign"};
inline constexpr PrefElement chkDirAlert{"chkDirAlert"};
inline constexpr PrefElement Text1{"Text1"};
inline constexpr PrefElement txtSSID{"txtSSID"};
inline constexpr PrefElement txtFCC{"txtFCC"};
inline constexpr PrefElement chkFCC{"chkFCC"};
inline constexpr PrefElement Check1{"Check1"};
inline constexpr PrefElement Label1{"Label1"};
inline constexpr PrefElement Text2{"Text2"};
inline constexpr PrefElement chkSaveRcvd{"chkSaveRcvd"};
inline constexpr PrefElement chkSaveSent{"chkSaveSent"};
inline constexpr PrefElement lblEnc{"lblEnc"};
inline constexpr PrefElement txtEnc{"txtEnc"};
inline constexpr PrefElement cmdClose{"cmdClose"};
inline constexpr PrefElement cmdSave{"cmdSave"};
inline constexpr PrefElement Text3{"Text3"}; // the help line across the bottom
inline constexpr PrefElement mnuHelp{"mnuHelp"};

inline constexpr PrefElement all[] = {
    Frame1,      Frame2,  Frame3,  Frame4,   Frame5,  Frame6,    Frame7,     Frame8, Frame9,
    Frame10,     Option1, Option2, Combo1,   chkNet,  chkRemote, chkThisNCS, Label2, txtNCSCallsign,
    chkDirAlert, Text1,   txtSSID, txtFCC,   chkFCC,  Check1,    Label1,     Text2,  chkSaveRcvd,
    chkSaveSent, lblEnc,  txtEnc,  cmdClose, cmdSave, Text3,     mnuHelp};
} // namespace frmOpParms

class PreferencesView {
public:
    virtual ~PreferencesView() = default;

    // Text of a text box (Latin-1), or the selected entry of Combo1 (empty when none is).
    virtual QByteArray text(PrefElement element) const = 0;
    virtual void setText(PrefElement element, const QByteArray& text) = 0;
    virtual bool isChecked(PrefElement box) const = 0;
    virtual void setChecked(PrefElement box, bool checked) = 0;
    // The index of the chosen button of Option1 or Option2, -1 when none is.
    virtual int chosenOption(PrefElement group) const = 0;
    virtual void chooseOption(PrefElement group, int index) = 0;
    // Replaces the entries of Combo1 and selects entry `selected` (-1: none).
    virtual void setChoices(PrefElement list, const QList<QByteArray>& entries, int selected) = 0;
    virtual void setVisible(PrefElement element, bool visible) = 0;
    virtual bool isVisible(PrefElement element) const = 0;
    virtual void setEnabled(PrefElement element, bool enabled) = 0;
    virtual void close() = 0;
};

} // namespace tolvex
