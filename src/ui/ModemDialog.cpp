#include "ModemDialog.h"

#include "link/TncPort.h"
#include "softtnc/StationPort.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvex {

namespace {
const QString kAgwPort = QStringLiteral("8000");     // Dire Wolf's AGW port
const QString kKissTcpPort = QStringLiteral("8001"); // and its KISS port
} // namespace

ModemDialog::ModemDialog(QString stationDir, int comPort, std::function<void()> onPointed, QWidget* parent)
    : QDialog(parent), stationDir_(std::move(stationDir)), comPort_(comPort),
      onPointed_(std::move(onPointed)) {
    setObjectName(QStringLiteral("frmModem"));
    setWindowTitle(QStringLiteral("What COM%1 is").arg(comPort_));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    using namespace frmModem;

    // The fields start from what the port is now.
    const QString path = TncPort::portDevice(stationDir_, comPort_);
    const PortTarget target = portTarget(path);
    int way = Device;
    QString host = QStringLiteral("localhost"), port = kAgwPort, device, baud = QStringLiteral("57600");
    if (target.kind == PortTarget::Kind::Device) {
        const QFileInfo info(path);
        device = info.isSymLink() ? info.symLinkTarget() : path;
    } else {
        way = target.way == PortTarget::Way::Agw          ? Agw
              : target.way == PortTarget::Way::KissSerial ? KissSerial
                                                          : KissTcp;
        if (way == KissTcp) port = kKissTcpPort;
        if (target.kind == PortTarget::Kind::Modem && way != KissSerial) {
            host = target.modem.host;
            port = QString::number(target.modem.port);
        }
        device = target.kissDevice.isEmpty() ? QStringLiteral("/dev/ttyUSB0") : target.kissDevice;
        if (target.kissBaud > 0) baud = QString::number(target.kissBaud);
    }

    auto* frame = elements_.add(fraWay, new QGroupBox(QStringLiteral("&What the port is"), this));
    auto* column = new QVBoxLayout(frame);
    ways_ = new QButtonGroup(frame);
    const struct {
        ModemElement name;
        const char* caption;
    } options[] = {
        {optDevice, "A serial device (a TNC in text mode)"},
        {optAgw, "A sound-card modem's AGW port"},
        {optKissSerial, "A KISS TNC on a serial line"},
        {optKissTcp, "A KISS TNC over TCP (Dire Wolf's KISS port)"},
    };
    for (int i = 0; i < int(std::size(options)); ++i) {
        auto* option =
            elements_.add(options[i].name, new QRadioButton(QString::fromLatin1(options[i].caption), frame));
        ways_->addButton(option, i);
        column->addWidget(option);
    }
    ways_->button(way)->setChecked(true);

    const auto field = [this](ModemElement name, const QString& text, const char* accessible) {
        auto* edit = elements_.add(name, new QLineEdit(text, this));
        edit->setAccessibleName(QString::fromLatin1(accessible));
        return edit;
    };
    auto* hostEdit = field(txtModemHost, host, "Modem host");
    auto* portEdit = field(txtModemPort, port, "Modem port");
    auto* deviceEdit = field(txtDevice, device, "Serial device");
    auto* baudEdit = field(txtBaud, baud, "Baud rate");
    auto* problem = elements_.add(lblModemProblem, new QLabel(target.problem, this));
    problem->setWordWrap(true);
    problem->setTextFormat(Qt::PlainText);
    problem->setMinimumHeight(problem->fontMetrics().lineSpacing() * 3);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    form_ = new QFormLayout(this);
    form_->addRow(frame);
    form_->addRow(QStringLiteral("&Host"), hostEdit);
    form_->addRow(QStringLiteral("&Port"), portEdit);
    form_->addRow(QStringLiteral("D&evice"), deviceEdit);
    form_->addRow(QStringLiteral("&Baud rate"), baudEdit);
    form_->addRow(problem);
    form_->addRow(buttons);
    form_->setSizeConstraint(QLayout::SetNoConstraint); // a message appearing does not resize the window
    showWay(way);
    connect(ways_, &QButtonGroup::idClicked, this, [this, portEdit](int chosen) {
        // A port left at one way's usual number takes the other's.
        if (chosen == KissTcp && portEdit->text().trimmed() == kAgwPort) portEdit->setText(kKissTcpPort);
        if (chosen == Agw && portEdit->text().trimmed() == kKissTcpPort) portEdit->setText(kAgwPort);
        showWay(chosen);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &ModemDialog::pointAtModem);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

void ModemDialog::showWay(int way) {
    using namespace frmModem;
    const bool network = way == Agw || way == KissTcp;
    form_->setRowVisible(elements_.get<QWidget>(txtModemHost), network);
    form_->setRowVisible(elements_.get<QWidget>(txtModemPort), network);
    form_->setRowVisible(elements_.get<QWidget>(txtDevice), !network);
    form_->setRowVisible(elements_.get<QWidget>(txtBaud), way == KissSerial);
}

void ModemDialog::pointAtModem() {
    using namespace frmModem;
    QDir(stationDir_).mkpath(QStringLiteral("Ports"));
    const QString link = TncPort::portLink(stationDir_, comPort_);
    const int way = ways_->checkedId();
    QString problem;
    bool written = false;
    if (way == Device) {
        // The port's own device needs no link.
        QString device = elements_.lineText(txtDevice).trimmed();
        if (device == QStringLiteral("/dev/ttyS%1").arg(comPort_ - 1)) device.clear();
        written = pointAtDevice(link, device, &problem);
    } else if (way == KissSerial) {
        written = writeModemFile(link, PortTarget::Way::KissSerial, elements_.lineText(txtDevice),
                                 elements_.lineText(txtBaud), &problem);
    } else {
        written =
            writeModemFile(link, way == Agw ? PortTarget::Way::Agw : PortTarget::Way::KissTcp,
                           elements_.lineText(txtModemHost), elements_.lineText(txtModemPort), &problem);
    }
    if (!written) {
        elements_.get<QLabel>(lblModemProblem)->setText(problem);
        return;
    }
    if (onPointed_) onPointed_();
    close();
}

} // namespace tolvex
