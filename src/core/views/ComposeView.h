#pragma once
// What the compose logic reaches of the compose window, keyed by the elements' own names.
#include "Element.h"

#include <QByteArray>

namespace tolvex {

using ComposeElement = ElementName<struct ComposeWindowTag>;

// The compose window's elements ("frmCompose").
namespace frmCompose {
inline constexpr ComposeElement Frame1{"Frame1"}; // "Message Text"
inline constexpr ComposeElement Text1{"Text1"};
inline constexpr ComposeElement Label1{"Label1"}; // "Subject:"
inline constexpr ComposeElement txtSubject{"txtSubject"};
inline constexpr ComposeElement Frame2{"Frame2"}; // "Request of destination station"
inline constexpr ComposeElement chkAlert{"chkAlert"};
inline constexpr ComposeElement chkPrint{"chkPrint"};
inline constexpr ComposeElement chkAck{"chkAck"};
inline constexpr ComposeElement chkDis{"chkDis"};
inline constexpr ComposeElement lblWarn{"lblWarn"};
inline constexpr ComposeElement cmdDone{"cmdDone"};
inline constexpr ComposeElement cmdCancel{"cmdCancel"};
inline constexpr ComposeElement mnuEdit{"mnuEdit"};
inline constexpr ComposeElement mnuAll{"mnuAll"};
inline constexpr ComposeElement mnuCopy{"mnuCopy"};
inline constexpr ComposeElement mnuCut{"mnuCut"};
inline constexpr ComposeElement mnuPaste{"mnuPaste"};
inline constexpr ComposeElement mnuHelp{"mnuHelp"};

inline constexpr ComposeElement all[] = {Frame1,   Text1,  Label1,  txtSubject, Frame2,   chkAlert,
                                         chkPrint, chkAck, chkDis,  lblWarn,    cmdDone,  cmdCancel,
                                         mnuEdit,  mnuAll, mnuCopy, mnuCut,     mnuPaste, mnuHelp};
} // namespace frmCompose

class ComposeView {
public:
    virtual ~ComposeView() = default;

    // Text of Text1 or txtSubject as Latin-1 bytes; Text1's lines end in CR LF.
    virtual QByteArray text(ComposeElement element) const = 0;
    virtual void setText(ComposeElement element, const QByteArray& text) = 0;
    virtual bool isChecked(ComposeElement box) const = 0;
    virtual void setChecked(ComposeElement box, bool checked) = 0;
    virtual void setVisible(ComposeElement element, bool visible) = 0;
    // Whether Tab stops at the element; it can still be clicked.
    virtual void setTabStop(ComposeElement element, bool stop) = 0;
    // Selects the first occurrence of `what` in the element's text and types `with` over it,
    // leaving the caret after it.
    virtual void replaceFirst(ComposeElement element, const QByteArray& what, const QByteArray& with) = 0;
    virtual void setCaption(const QByteArray& caption) = 0;
    virtual void close() = 0;
};

} // namespace tolvex
