#pragma once
// The About box, frmAbout: the release and its date, and OK. Not modal; deletes itself when closed.
#include "Controls.h"
#include "ElementTable.h"

#include <QDialog>

namespace tolvex {

using AboutElement = ElementName<struct AboutBoxTag>;

namespace frmAbout {
inline constexpr AboutElement Label1{"Label1"}; // the release
inline constexpr AboutElement Label2{"Label2"}; // its date
inline constexpr AboutElement cmdOK{"cmdOK"};
} // namespace frmAbout

class AboutBox : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

private:
    ElementTable<AboutElement> elements_;
};

} // namespace tolvex
