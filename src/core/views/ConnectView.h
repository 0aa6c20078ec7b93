#pragma once
// What the connect logic reaches of the connect dialog ("frmConnect").
#include "Element.h"

#include <QByteArray>
#include <QList>

namespace tolvex {

using ConnectElement = ElementName<struct ConnectDialogTag>;

namespace frmConnect {
inline constexpr ConnectElement mnuHelp{"mnuHelp"};
inline constexpr ConnectElement Frame1{"Frame1"}; // "Callsign List"
inline constexpr ConnectElement lstCallsign{"lstCallsign"};
inline constexpr ConnectElement Frame2{"Frame2"}; // "To Station "
inline constexpr ConnectElement txtToAdd{"txtToAdd"};
inline constexpr ConnectElement Label4{"Label4"};
inline constexpr ConnectElement cmdConnect{"cmdConnect"};
inline constexpr ConnectElement cmdCancel{"cmdCancel"};
inline constexpr ConnectElement Frame3{"Frame3"}; // "Add new connection"
inline constexpr ConnectElement Label1{"Label1"};
inline constexpr ConnectElement txtAddCall{"txtAddCall"};
inline constexpr ConnectElement Label2{"Label2"};
inline constexpr ConnectElement txtPath[] = {ConnectElement{"txtPath_0"}, ConnectElement{"txtPath_1"},
                                             ConnectElement{"txtPath_2"}};
inline constexpr ConnectElement Label3{"Label3"};
inline constexpr ConnectElement txtNote{"txtNote"};
inline constexpr ConnectElement cmdAdd{"cmdAdd"};
inline constexpr ConnectElement Text1{"Text1"}; // the hint box

inline constexpr ConnectElement all[] = {
    mnuHelp,    Frame1, lstCallsign, Frame2,     txtToAdd,   Label4, cmdConnect, cmdCancel, Frame3, Label1,
    txtAddCall, Label2, txtPath[0],  txtPath[1], txtPath[2], Label3, txtNote,    cmdAdd,    Text1};
} // namespace frmConnect

class ConnectView {
public:
    virtual ~ConnectView() = default;

    // The text of a one-line box (Latin-1).
    virtual QByteArray text(ConnectElement box) const = 0;
    // The text of a one-line box or of the hint box.
    virtual void setText(ConnectElement element, const QByteArray& text) = 0;
    // The callsign list's rows.
    virtual void setRows(const QList<QByteArray>& rows) = 0;
    virtual void appendRow(const QByteArray& row) = 0;
    virtual void removeRow(int row) = 0;
    virtual void close() = 0;
};

} // namespace tolvex
