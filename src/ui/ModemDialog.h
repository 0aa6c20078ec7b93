#pragma once
// The port dialog, frmModem, opened from the TNC dialog: points a COM port at a serial device, a
// sound-card modem's AGW port, or a KISS TNC on a serial line or over TCP, by writing the station's
// port file. Not modal; deletes itself when closed.
#include "ElementTable.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QFormLayout;

namespace tolvex {

using ModemElement = ElementName<struct ModemDialogTag>;

namespace frmModem {
inline constexpr ModemElement fraWay{"fraWay"}; // what the port is, one option each:
inline constexpr ModemElement optDevice{"optDevice"};
inline constexpr ModemElement optAgw{"optAgw"};
inline constexpr ModemElement optKissSerial{"optKissSerial"};
inline constexpr ModemElement optKissTcp{"optKissTcp"};
inline constexpr ModemElement txtModemHost{"txtModemHost"}; // an AGW modem or a KISS TNC over TCP
inline constexpr ModemElement txtModemPort{"txtModemPort"};
inline constexpr ModemElement txtDevice{"txtDevice"}; // a serial device, or a KISS TNC on one
inline constexpr ModemElement txtBaud{"txtBaud"};     // a KISS TNC's serial line
inline constexpr ModemElement lblModemProblem{"lblModemProblem"};
} // namespace frmModem

class ModemDialog : public QDialog {
    Q_OBJECT
public:
    // Filled from COMn's file under stationDir; onPointed runs once the file is written, before
    // the dialog closes.
    ModemDialog(QString stationDir, int comPort, std::function<void()> onPointed, QWidget* parent = nullptr);

    int comPort() const { return comPort_; }

private:
    enum Way { Device, Agw, KissSerial, KissTcp }; // the options' ids
    void showWay(int way);
    void pointAtModem();

    ElementTable<ModemElement> elements_;
    QString stationDir_;
    int comPort_;
    std::function<void()> onPointed_;
    QButtonGroup* ways_ = nullptr;
    QFormLayout* form_ = nullptr;
};

} // namespace tolvex
