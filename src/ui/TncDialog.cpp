#include "TncDialog.h"

#include "Controls.h"
#include "ModemDialog.h"
#include "core/TncPresets.h"
#include "link/TncPort.h"
#include "softtnc/StationPort.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

namespace tolvex {

namespace {
const QColor kDarkRed(128, 0, 0);

} // namespace

TncDialog::TncDialog(Settings& settings, QString stationDir, std::function<void()> onSaved,
                     std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent), settings_(settings), stationDir_(std::move(stationDir)),
      onSaved_(std::move(onSaved)) {
    setObjectName(QStringLiteral("frmTNC"));
    setWindowTitle(QStringLiteral("TNC Setup"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* menu = new QMenuBar(this);
    elements_.add(frmTNC::mnuHelp,
                  addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("TNCParms.html")));

    // Text settings, each in its captioned frame.
    struct TextDef {
        TncElement frame;
        const char* caption;
        TncElement name;
        QByteArray Settings::*setting;
    };
    const TextDef texts[] = {
        {frmTNC::Frame[0], "Connected  String", frmTNC::txtConnected, &Settings::ConnStr},
        {frmTNC::Frame[1], "Disconnected String", frmTNC::txtDisconnected, &Settings::DisconStr},
        {frmTNC::Frame[2], "Converse Mode Command", frmTNC::txtConverse, &Settings::ConverseCmd},
        {frmTNC::Frame[3], "Command Mode Char Value", frmTNC::txtCmdChar, &Settings::CmdCmd},
        {frmTNC::Frame[4], "Connect Command", frmTNC::txtConnect, &Settings::ConnCmd},
        {frmTNC::Frame[5], "Disconnect Command", frmTNC::txtDisconnect, &Settings::DisconCmd},
    };
    auto* textColumn = new QVBoxLayout;
    for (const TextDef& def : texts) {
        auto* box = elements_.add(def.frame, new QGroupBox(QString::fromLatin1(def.caption), this));
        auto* edit = elements_.add(def.name, new QLineEdit(QString::fromLatin1(settings_.*def.setting), box));
        edit->setAccessibleName(box->title());
        edit->setValidator(new OneLineValidator(edit));
        edit->installEventFilter(this);
        (new QVBoxLayout(box))->addWidget(edit);
        textColumn->addWidget(box);
        fields_.push_back({edit, def.setting});
    }
    textColumn->addStretch();

    // Option groups: the button's index is the stored value.
    struct GroupDef {
        TncElement frame;
        const char* caption;
        const TncElement* names;
        QStringList choices;
        std::int16_t Settings::*setting;
    };
    const GroupDef defs[] = {
        {frmTNC::Frame7,
         "Com&Port",
         frmTNC::Option1,
         {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
          QStringLiteral("COM5"), QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8")},
         &Settings::ComPortSet},
        {frmTNC::Frame8,
         "&Baud Rate",
         frmTNC::Option2,
         {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
          QStringLiteral("19200"), QStringLiteral("38400")},
         &Settings::BaudSet},
        {frmTNC::Frame9,
         "P&arity",
         frmTNC::Option3,
         {QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("None")},
         &Settings::ParitySet},
        {frmTNC::Frame11,
         "&Data bits",
         frmTNC::Option4,
         {QStringLiteral("7"), QStringLiteral("8")},
         &Settings::DataBitSet},
        {frmTNC::Frame12,
         "S&top bits",
         frmTNC::Option6,
         {QStringLiteral("1"), QStringLiteral("2")},
         &Settings::StopBitSet},
        {frmTNC::Frame13,
         "&Flow Control",
         frmTNC::Option5,
         {QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS")},
         &Settings::FlowSet},
        {frmTNC::Frame14,
         "D&uplex",
         frmTNC::Option7,
         {QStringLiteral("Full"), QStringLiteral("Half")},
         nullptr},
    };
    auto* options = new QGridLayout;
    int cell = 0;
    for (const GroupDef& def : defs) {
        auto* box = elements_.add(def.frame, new QGroupBox(QString::fromLatin1(def.caption), this));
        auto* column = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (int i = 0; i < def.choices.size(); ++i) {
            auto* button = elements_.add(def.names[i], new QRadioButton(def.choices[i], box));
            group->addButton(button, i);
            column->addWidget(button);
        }
        column->addStretch();
        if (def.setting) {
            if (QAbstractButton* b = group->button(settings_.*def.setting)) b->setChecked(true);
            groups_.push_back({group, def.setting});
            connect(group, &QButtonGroup::idClicked, this, [this, setting = def.setting](int id) {
                settings_.*setting = std::int16_t(id);
                changesMade();
            });
        } else {
            duplex_ = group;
            group->button(settings_.fullDuplex() ? 0 : 1)->setChecked(true);
            connect(group, &QButtonGroup::idClicked, this, &TncDialog::changesMade);
        }
        // The port frame is tall; the small ones share the columns beside it.
        if (def.frame == frmTNC::Frame7) {
            auto* device = elements_.add(frmTNC::lblDevice, new QLabel(box));
            device->setWordWrap(true);
            device->setTextFormat(Qt::PlainText);
            // Room for a long path or modem address, fixed so that the window keeps its size as
            // the text changes; the tooltip has all of it.
            device->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            device->setMinimumSize(device->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 16,
                                   device->fontMetrics().lineSpacing() * 4);
            column->addWidget(device);
            auto* modem = elements_.add(frmTNC::cmdModem, new QPushButton(QStringLiteral("&Modem..."), box));
            modem->setAccessibleName(
                QStringLiteral("Point the chosen COM port at a device, a sound-card modem or a KISS TNC"));
            modem->setToolTip(modem->accessibleName());
            modem->setAutoDefault(false);
            modem->setEnabled(group->checkedId() >= 0);
            column->addWidget(modem);
            connect(modem, &QPushButton::clicked, this, &TncDialog::openModemDialog);
            comPorts_ = group;
            connect(group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
                if (on) showDevice(id + 1);
            });
            showDevice(group->checkedId() + 1);
            options->addWidget(box, 0, 0, 3, 1);
        } else {
            options->addWidget(box, cell % 3, 1 + cell / 3);
            ++cell;
        }
    }

    // A kind of TNC fills the text fields and the duplex mode with what it needs; Save Changes
    // stores them as if typed.
    auto* preset = elements_.add(frmTNC::cboPreset, new QComboBox(this));
    preset->setAccessibleName(QStringLiteral("Fill in the settings for a kind of TNC"));
    preset->addItem(QStringLiteral("Settings for a kind of TNC..."));
    for (const TncPreset& p : tncPresets())
        preset->addItem(QString::fromLatin1(p.name));
    textColumn->insertWidget(0, preset);
    connect(preset, &QComboBox::activated, this, [this](int index) {
        if (index < 1) return;
        const Settings filled = withPreset(settings_, tncPresets()[std::size_t(index - 1)]);
        for (const Field& f : fields_)
            f.edit->setText(QString::fromLatin1(filled.*f.setting));
        duplex_->button(filled.fullDuplex() ? 0 : 1)->setChecked(true);
        changesMade();
    });

    corner_ = saveCloseCorner(*this, new QFrame(this), kDarkRed, CornerPlace::BottomRight);
    elements_.add(frmTNC::cmdClose, corner_.close);
    elements_.add(frmTNC::Frame10, corner_.saveFrame);
    elements_.add(frmTNC::cmdSave, corner_.save);
    corner_.showSave(false);
    connect(corner_.save, &QPushButton::clicked, this, &TncDialog::save);
    auto* top = new QHBoxLayout;
    top->addLayout(textColumn);
    top->addLayout(options);
    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(top);
    box->addLayout(corner_.layout);
    adjustSize();
}

void TncDialog::showDevice(int port) {
    // Every button, as the Modem... button may have just turned one into a file.
    for (QAbstractButton* button : comPorts_->buttons()) {
        const QString path = TncPort::portDevice(stationDir_, comPorts_->id(button) + 1);
        button->setToolTip(path);
        button->setAccessibleDescription(path);
    }
    elements_.get<QWidget>(frmTNC::cmdModem)->setEnabled(port > 0);
    auto* label = elements_.get<QLabel>(frmTNC::lblDevice);
    if (port <= 0) {
        label->setText(QString());
        label->setToolTip(QString());
        return;
    }
    const QString path = TncPort::portDevice(stationDir_, port);
    const PortTarget target = portTarget(path);
    QString what;
    switch (target.kind) {
    case PortTarget::Kind::Modem: {
        const bool v6 = target.modem.host.contains(QLatin1Char(':'));
        const QString address =
            QStringLiteral("%1:%2")
                .arg(v6 ? QLatin1Char('[') + target.modem.host + QLatin1Char(']') : target.modem.host)
                .arg(target.modem.port);
        switch (target.way) {
        case PortTarget::Way::Agw:
            what = QStringLiteral("sound-card modem ") + address;
            break;
        case PortTarget::Way::KissSerial:
            what = QStringLiteral("KISS TNC on %1 at %2 baud").arg(target.kissDevice).arg(target.kissBaud);
            break;
        case PortTarget::Way::KissTcp:
            what = QStringLiteral("KISS TNC over TCP ") + address;
            break;
        }
        break;
    }
    case PortTarget::Kind::BadModem:
        what = QStringLiteral("a modem file that cannot be read (%1)").arg(target.problem);
        break;
    case PortTarget::Kind::Device: {
        // A link names the device it stands for.
        const QFileInfo info(path);
        what = QStringLiteral("device ") + (info.isSymLink() ? info.symLinkTarget() : path);
        break;
    }
    }
    label->setText(QStringLiteral("COM%1 is %2").arg(port).arg(what));
    label->setToolTip(label->text());
}

void TncDialog::openModemDialog() {
    const int port = comPorts_->checkedId() + 1;
    if (port <= 0) return;
    if (auto* open = findChild<ModemDialog*>()) {
        open->raise();
        return;
    }
    auto* dialog = new ModemDialog(
        stationDir_, port,
        [this] {
            showDevice(comPorts_->checkedId() + 1);
            changesMade(); // Save Changes reopens the port, now on the modem
        },
        this);
    dialog->show();
}

void TncDialog::changesMade() {
    corner_.showSave(true);
}

bool TncDialog::eventFilter(QObject* watched, QEvent* event) {
    // A click into a field counts as a change; typing alone does not.
    if (event->type() == QEvent::MouseButtonRelease) changesMade();
    return QDialog::eventFilter(watched, event);
}

void TncDialog::save() {
    for (const Group& g : groups_) {
        const int id = g.buttons->checkedId();
        // Data and stop bits are 1 only when "8" or "2" is chosen; an unchosen port group keeps its value.
        if (id >= 0)
            settings_.*g.setting = std::int16_t(id);
        else if (g.setting == &Settings::DataBitSet || g.setting == &Settings::StopBitSet)
            settings_.*g.setting = 0;
    }
    for (const Field& f : fields_)
        settings_.*f.setting = f.edit->text().toLatin1();
    settings_.Duplex = duplex_->checkedId() == 0 ? QByteArray("full") : QByteArray("half");
    if (onSaved_) onSaved_();
    close();
}

} // namespace tolvex
