#pragma once
// What the message log logic reaches of the log window ("frmLog").
#include "Element.h"

#include <QByteArray>
#include <QList>

namespace tolvex {

using LogElement = ElementName<struct LogWindowTag>;

namespace frmLog {
inline constexpr LogElement lblRcvd{"lblRcvd"};
inline constexpr LogElement lblSent{"lblSent"};
inline constexpr LogElement lblRcvdColumns{"lblRcvdColumns"};
inline constexpr LogElement lblSentColumns{"lblSentColumns"};
inline constexpr LogElement lstRcvd{"lstRcvd"};
inline constexpr LogElement lstSent{"lstSent"};
inline constexpr LogElement rtbMessage{"rtbMessage"};
inline constexpr LogElement cmdPrint{"cmdPrint"};
inline constexpr LogElement cmdDelete{"cmdDelete"};
inline constexpr LogElement cmdClose{"cmdClose"};
inline constexpr LogElement mnuEdit{"mnuEdit"};
inline constexpr LogElement mnuCopy{"mnuCopy"};
inline constexpr LogElement mnuCut{"mnuCut"};
inline constexpr LogElement mnuPaste{"mnuPaste"};
inline constexpr LogElement mnuHelp{"mnuHelp"};
inline constexpr LogElement mnuIcs309{"mnuIcs309"}; // writes the ICS-309 communications log

inline constexpr LogElement all[] = {lblRcvd, lblSent,    lblRcvdColumns, lblSentColumns, lstRcvd,
                                     lstSent, rtbMessage, cmdPrint,       cmdDelete,      cmdClose,
                                     mnuEdit, mnuCopy,    mnuCut,         mnuPaste,       mnuHelp};
} // namespace frmLog

class LogView {
public:
    virtual ~LogView() = default;

    // Replaces the rows of lstRcvd or lstSent (Latin-1 texts); no row is selected afterwards.
    virtual void setRows(LogElement list, const QList<QByteArray>& rows) = 0;
    // The selected row of a list, -1 when none is.
    virtual int selectedRow(LogElement list) const = 0;
    virtual void clearSelection(LogElement list) = 0;

    // rtbMessage: a file's content shown as plain text (Latin-1), never read as markup.
    virtual void showMessage(const QByteArray& text) = 0;
    // What rtbMessage holds (Latin-1, lines end in CR LF).
    virtual QByteArray messageText() const = 0;
};

} // namespace tolvex
