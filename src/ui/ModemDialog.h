#pragma once
// The modem dialog, frmModem, opened from the TNC dialog: points a COM port at a sound-card modem
// by writing the station's port file. Not modal; deletes itself when closed.
#include "ElementTable.h"

#include <QDialog>
#include <functional>

namespace tolvex {

using ModemElement = ElementName<struct ModemDialogTag>;

namespace frmModem {
inline constexpr ModemElement txtModemHost{"txtModemHost"};
inline constexpr ModemElement txtModemPort{"txtModemPort"};
inline constexpr ModemElement lblModemProblem{"lblModemProblem"};
} // namespace frmModem

class ModemDialog : public QDialog {
    Q_OBJECT
public:
    // Filled from COMn's file under stationDir, if it names a modem; onPointed runs once the file
    // is written, before the dialog closes.
    ModemDialog(QString stationDir, int comPort, std::function<void()> onPointed, QWidget* parent = nullptr);

    int comPort() const { return comPort_; }

private:
    void pointAtModem();

    ElementTable<ModemElement> elements_;
    QString stationDir_;
    int comPort_;
    std::function<void()> onPointed_;
};

} // namespace tolvex
