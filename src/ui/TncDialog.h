#pragma once
// The TNC settings dialog: port parameters, duplex, the TNC's command words and link texts.
#include "Controls.h"
#include "ElementTable.h"
#include "WindowParts.h"
#include "core/Settings.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QLineEdit;

namespace tolvex {

using TncElement = ElementName<struct TncDialogTag>;

namespace frmTNC {
inline constexpr TncElement mnuHelp{"mnuHelp"};
inline constexpr TncElement cboPreset{"cboPreset"}; // fills the fields for a kind of TNC
// The text settings' frames, 1 to 6, and their boxes.
inline constexpr TncElement Frame[] = {TncElement{"Frame1"}, TncElement{"Frame2"}, TncElement{"Frame3"},
                                       TncElement{"Frame4"}, TncElement{"Frame5"}, TncElement{"Frame6"}};
inline constexpr TncElement txtConnected{"txtConnected"};
inline constexpr TncElement txtDisconnected{"txtDisconnected"};
inline constexpr TncElement txtConverse{"txtConverse"};
inline constexpr TncElement txtCmdChar{"txtCmdChar"};
inline constexpr TncElement txtConnect{"txtConnect"};
inline constexpr TncElement txtDisconnect{"txtDisconnect"};
// The option groups' frames and buttons.
inline constexpr TncElement Frame7{"Frame7"};   // "ComPort"
inline constexpr TncElement Frame8{"Frame8"};   // "Baud Rate"
inline constexpr TncElement Frame9{"Frame9"};   // "Parity"
inline constexpr TncElement Frame11{"Frame11"}; // "Data bits"
inline constexpr TncElement Frame12{"Frame12"}; // "Stop bits"
inline constexpr TncElement Frame13{"Frame13"}; // "Flow Control"
inline constexpr TncElement Frame14{"Frame14"}; // "Duplex"
inline constexpr TncElement Option1[] = {
    TncElement{"Option1_0"}, TncElement{"Option1_1"}, TncElement{"Option1_2"}, TncElement{"Option1_3"},
    TncElement{"Option1_4"}, TncElement{"Option1_5"}, TncElement{"Option1_6"}, TncElement{"Option1_7"}};
inline constexpr TncElement Option2[] = {TncElement{"Option2_0"}, TncElement{"Option2_1"},
                                         TncElement{"Option2_2"}, TncElement{"Option2_3"},
                                         TncElement{"Option2_4"}, TncElement{"Option2_5"}};
inline constexpr TncElement Option3[] = {TncElement{"Option3_0"}, TncElement{"Option3_1"},
                                         TncElement{"Option3_2"}};
inline constexpr TncElement Option4[] = {TncElement{"Option4_0"}, TncElement{"Option4_1"}};
inline constexpr TncElement Option5[] = {TncElement{"Option5_0"}, TncElement{"Option5_1"},
                                         TncElement{"Option5_2"}};
inline constexpr TncElement Option6[] = {TncElement{"Option6_0"}, TncElement{"Option6_1"}};
inline constexpr TncElement Option7[] = {TncElement{"Option7_0"}, TncElement{"Option7_1"}};
inline constexpr TncElement lblDevice{"lblDevice"};
inline constexpr TncElement cmdModem{"cmdModem"};
inline constexpr TncElement cmdClose{"cmdClose"};
inline constexpr TncElement Frame10{"Frame10"}; // the dark red frame around cmdSave
inline constexpr TncElement cmdSave{"cmdSave"};
} // namespace frmTNC

class TncDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // Port option clicks store into settings at once; "Save Changes" stores the rest, calls
    // onSaved (which writes Parms.inf and reopens the port) and closes. stationDir tells which
    // device each COM button stands for; its Modem... button points the chosen COMn at a device,
    // a sound-card modem or a KISS TNC by writing DIR/Ports/COMn. Not modal; deletes itself when closed.
    TncDialog(Settings& settings, QString stationDir, std::function<void()> onSaved,
              std::function<void(QString)> showHelp, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Field {
        QLineEdit* edit;
        QByteArray Settings::*setting;
    };
    struct Group {
        QButtonGroup* buttons;
        std::int16_t Settings::*setting; // null for Duplex, which is stored on save only
    };
    void changesMade();
    void save();
    void showDevice(int port);
    void openModemDialog();

    ElementTable<TncElement> elements_;
    SaveCloseCorner corner_;
    Settings& settings_;
    QString stationDir_;
    std::function<void()> onSaved_;
    std::vector<Field> fields_;
    std::vector<Group> groups_;
    QButtonGroup* duplex_ = nullptr;
    QButtonGroup* comPorts_ = nullptr;
};

} // namespace tolvex
