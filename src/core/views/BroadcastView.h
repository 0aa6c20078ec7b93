#pragma once
// What the broadcast logic reaches of the broadcast dialog ("frmBroadcast") and of the group
// dialog ("frmGroup"), keyed by the elements' own names.
#include "Element.h"

#include <QByteArray>

namespace tolvex {

using BroadcastElement = ElementName<struct BroadcastWindowTag>;
using GroupElement = ElementName<struct GroupWindowTag>;

namespace frmBroadcast {
inline constexpr BroadcastElement Option1_0{"Option1_0"};
inline constexpr BroadcastElement Option1_1{"Option1_1"};
inline constexpr BroadcastElement Option1_2{"Option1_2"};
inline constexpr BroadcastElement Option1_3{"Option1_3"};
inline constexpr BroadcastElement Option1_4{"Option1_4"};
inline constexpr BroadcastElement Option1_5{"Option1_5"};
inline constexpr BroadcastElement Text1{"Text1"};
inline constexpr BroadcastElement Label1{"Label1"};
inline constexpr BroadcastElement Label2{"Label2"};
inline constexpr BroadcastElement cmdSend{"cmdSend"};
inline constexpr BroadcastElement cmdCancel{"cmdCancel"};
inline constexpr BroadcastElement mnuGSetup{"mnuGSetup"};
inline constexpr BroadcastElement mnuHelp{"mnuHelp"};

// One option per group entry, in entry order.
inline constexpr BroadcastElement Option1[] = {Option1_0, Option1_1, Option1_2,
                                               Option1_3, Option1_4, Option1_5};
inline constexpr BroadcastElement all[] = {Option1_0, Option1_1, Option1_2, Option1_3, Option1_4,
                                           Option1_5, Text1,     Label1,    Label2,    cmdSend,
                                           cmdCancel, mnuGSetup, mnuHelp};
} // namespace frmBroadcast

namespace frmGroup {
inline constexpr GroupElement Text1_0{"Text1_0"};
inline constexpr GroupElement Text1_1{"Text1_1"};
inline constexpr GroupElement Text1_2{"Text1_2"};
inline constexpr GroupElement Text1_3{"Text1_3"};
inline constexpr GroupElement Text1_4{"Text1_4"};
inline constexpr GroupElement Text1_5{"Text1_5"};
inline constexpr GroupElement cmdDone{"cmdDone"};
inline constexpr GroupElement Label1{"Label1"};
inline constexpr GroupElement Label2{"Label2"};

// One box per group entry, in entry order.
inline constexpr GroupElement Text1[] = {Text1_0, Text1_1, Text1_2, Text1_3, Text1_4, Text1_5};
inline constexpr GroupElement all[] = {Text1_0, Text1_1, Text1_2, Text1_3, Text1_4,
                                       Text1_5, cmdDone, Label1,  Label2};
} // namespace frmGroup

class BroadcastView {
public:
    virtual ~BroadcastView() = default;

    virtual void setVisible(BroadcastElement element, bool visible) = 0;
    // Caption of an option or label, or the text of Text1 (Latin-1 bytes, shown as plain text).
    virtual void setText(BroadcastElement element, const QByteArray& text) = 0;
    // Text1 as Latin-1 bytes.
    virtual QByteArray messageText() const = 0;
    // The chosen option, 0 to 5, or -1 when none is.
    virtual int chosenOption() const = 0;
    // Chooses an option; -1 leaves none chosen.
    virtual void choose(int option) = 0;
    // Closes the dialog; the window then reports Broadcasts::closed().
    virtual void close() = 0;
};

class GroupView {
public:
    virtual ~GroupView() = default;

    virtual QByteArray text(GroupElement element) const = 0;
    // Caption of a label or the text of a box (Latin-1 bytes, shown as plain text).
    virtual void setText(GroupElement element, const QByteArray& text) = 0;
    virtual void close() = 0;
};

} // namespace tolvex
