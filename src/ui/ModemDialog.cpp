#include "ModemDialog.h"

#include "link/TncPort.h"
#include "softtnc/StationPort.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tolvex {

ModemDialog::ModemDialog(QString stationDir, int comPort, std::function<void()> onPointed, QWidget* parent)
    : QDialog(parent), stationDir_(std::move(stationDir)), comPort_(comPort),
      onPointed_(std::move(onPointed)) {
    setObjectName(QStringLiteral("frmModem"));
    setWindowTitle(QStringLiteral("COM%1 on a sound-card modem").arg(comPort_));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    using namespace frmModem;
    const std::optional<ModemAddress> current = modemAddress(TncPort::portDevice(stationDir_, comPort_));
    auto* host = elements_.add(txtModemHost,
                               new QLineEdit(current ? current->host : QStringLiteral("localhost"), this));
    host->setAccessibleName(QStringLiteral("Modem host"));
    auto* port =
        elements_.add(txtModemPort, new QLineEdit(QString::number(current ? current->port : 8000), this));
    port->setAccessibleName(QStringLiteral("Modem AGW port"));
    auto* problem = elements_.add(lblModemProblem, new QLabel(this));
    problem->setWordWrap(true);
    problem->setTextFormat(Qt::PlainText);
    problem->setMinimumHeight(problem->fontMetrics().lineSpacing() * 3);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 44);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Host"), host);
    form->addRow(QStringLiteral("&AGW port"), port);
    form->addRow(problem);
    form->addRow(buttons);
    form->setSizeConstraint(QLayout::SetNoConstraint); // a message appearing does not resize the window
    connect(buttons, &QDialogButtonBox::accepted, this, &ModemDialog::pointAtModem);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

void ModemDialog::pointAtModem() {
    QDir(stationDir_).mkpath(QStringLiteral("Ports"));
    QString problem;
    if (!writeModemFile(TncPort::portLink(stationDir_, comPort_), elements_.lineText(frmModem::txtModemHost),
                        elements_.lineText(frmModem::txtModemPort), &problem)) {
        elements_.get<QLabel>(frmModem::lblModemProblem)->setText(problem);
        return;
    }
    if (onPointed_) onPointed_();
    close();
}

} // namespace tolvex
