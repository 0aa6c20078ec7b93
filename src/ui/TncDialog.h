#pragma once
// The TNC settings dialog: port parameters, duplex, the TNC's command words and link texts.
#include "Controls.h"
#include "core/Settings.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QLineEdit;

namespace tolvex {

class TncDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // Port option clicks store into settings at once; "Save Changes" stores the rest, calls
    // onSaved (which writes Parms.inf and reopens the port) and closes. stationDir tells which
    // device each COM button stands for; its Modem... button points the chosen COMn at a
    // sound-card modem by writing DIR/Ports/COMn.
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
    void pointAtModem(QDialog& modemDialog);

    Settings& settings_;
    QString stationDir_;
    std::function<void()> onSaved_;
    std::vector<Field> fields_;
    std::vector<Group> groups_;
    QButtonGroup* duplex_ = nullptr;
    QButtonGroup* comPorts_ = nullptr;
};

} // namespace tolvex
