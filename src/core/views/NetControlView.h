#pragma once
// What the net control logic reaches of the net control console ("frmNCS").
#include "Element.h"

#include <QByteArray>
#include <QList>

namespace tolvex {

using NetControlElement = ElementName<struct NetControlWindowTag>;

namespace frmNCS {
inline constexpr NetControlElement cmdActivate{"cmdActivate"}; // "Activate Net"
inline constexpr NetControlElement cmdNCS1{"cmdNCS1"};
inline constexpr NetControlElement cmdNCS2{"cmdNCS2"};
inline constexpr NetControlElement cmdNCS3{"cmdNCS3"};
inline constexpr NetControlElement cmdNCS4{"cmdNCS4"};
inline constexpr NetControlElement txtMsg{"txtMsg"};
inline constexpr NetControlElement Frame1{"Frame1"}; // "Traffic Requests"
inline constexpr NetControlElement List1{"List1"};
inline constexpr NetControlElement Frame2{"Frame2"}; // "Checkins"
inline constexpr NetControlElement List2{"List2"};
inline constexpr NetControlElement cmdSend{"cmdSend"};
inline constexpr NetControlElement cmdClear{"cmdClear"};
inline constexpr NetControlElement Command1{"Command1"}; // "Close Net"
inline constexpr NetControlElement txtHelp{"txtHelp"};

inline constexpr NetControlElement all[] = {cmdActivate, cmdNCS1,  cmdNCS2,  cmdNCS3, cmdNCS4,
                                            txtMsg,      Frame1,   List1,    Frame2,  List2,
                                            cmdSend,     cmdClear, Command1, txtHelp};
} // namespace frmNCS

class NetControlView {
public:
    virtual ~NetControlView() = default;

    // Caption of a button, or the text of txtMsg or txtHelp (Latin-1).
    virtual void setText(NetControlElement element, const QByteArray& text) = 0;
    virtual QByteArray text(NetControlElement element) const = 0;
    // List1 or List2: replaces all rows, adds one at the end, removes one; no row stays selected
    // by a replace.
    virtual void setRows(NetControlElement list, const QList<QByteArray>& rows) = 0;
    virtual void appendRow(NetControlElement list, const QByteArray& row) = 0;
    virtual void removeRow(NetControlElement list, int row) = 0;
    virtual void clearSelection(NetControlElement list) = 0;
    // List1's background: yellow while it blinks on, white otherwise.
    virtual void setTrafficHighlighted(bool yellow) = 0;
    virtual void setFocus(NetControlElement element) = 0;
};

} // namespace tolvex
