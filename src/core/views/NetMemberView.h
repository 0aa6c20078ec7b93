#pragma once
// What the net member logic reaches of the member console ("frmInfoNet").
#include "Element.h"

#include <QByteArray>

namespace tolvex {

using NetMemberElement = ElementName<struct NetMemberWindowTag>;

namespace frmInfoNet {
inline constexpr NetMemberElement cmdCkIn{"cmdCkIn"};   // "Check into net"
inline constexpr NetMemberElement cmdCkOut{"cmdCkOut"}; // "Request to check out of net"
inline constexpr NetMemberElement cmdRTS{"cmdRTS"};     // "Request to send traffic"
inline constexpr NetMemberElement cmdRTSE{"cmdRTSE"};   // "Request to send EMERGENCY traffic"
inline constexpr NetMemberElement cmdInfoNet1{"cmdInfoNet1"};
inline constexpr NetMemberElement cmdInfoNet2{"cmdInfoNet2"};
inline constexpr NetMemberElement txtInfoMsg{"txtInfoMsg"};
inline constexpr NetMemberElement lblHelp{"lblHelp"};

inline constexpr NetMemberElement all[] = {cmdCkIn,     cmdCkOut,    cmdRTS,     cmdRTSE,
                                           cmdInfoNet1, cmdInfoNet2, txtInfoMsg, lblHelp};
} // namespace frmInfoNet

class NetMemberView {
public:
    virtual ~NetMemberView() = default;

    // Caption of a button or lblHelp, or the text of txtInfoMsg (Latin-1).
    virtual void setText(NetMemberElement element, const QByteArray& text) = 0;
    virtual QByteArray text(NetMemberElement element) const = 0;
};

} // namespace tolvex
