#include "TncPort.h"

#include <QFileInfo>
#include <iterator>

namespace tolvex {

const QString TncPort::kSetupProblemTitle = QStringLiteral("ComPort setup problem");
const QString TncPort::kSetupProblemText =
    QStringLiteral("Error setting com port parameters.\r\n"
                   "Com port may be unavailable (non existent or already in use).\r\n"
                   "Try using the SETUP/TNC PARAMETERS menu to select a different ComPort\r\n"
                   "or different com port parameters");

namespace {
constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400};
constexpr char kParity[] = {'o', 'e', 'n'};
constexpr int kDataBitChoices = 2; // 7 or 8
constexpr int kStopBitChoices = 2; // 1 or 2
constexpr int kFlowChoices = 4;    // none, XON/XOFF, RTS/CTS, both

// Whether a stored choice picks one of `count` entries.
constexpr bool choice(int index, std::size_t count) {
    return index >= 0 && std::size_t(index) < count;
}
} // namespace

TncPort::TncPort(Settings& settings, SerialPort& port, MessageBoxes& boxes, MainView& view,
                 QString stationDir)
    : settings_(settings), port_(port), boxes_(boxes), view_(view), stationDir_(std::move(stationDir)) {
    port_.onReceived = [this](const QByteArray& chunk) {
        if (onComInput) onComInput(chunk);
    };
    port_.onError = [this](SerialPort::Error e) { reportError(e); };
}

QString TncPort::settingsString(const Settings& s) {
    QString out;
    if (choice(s.BaudSet, std::size(kBauds))) out += QString::number(kBauds[s.BaudSet]);
    out += QLatin1Char(',');
    if (choice(s.ParitySet, std::size(kParity))) out += QLatin1Char(kParity[s.ParitySet]);
    out += QLatin1Char(',');
    if (choice(s.DataBitSet, kDataBitChoices)) out += QString::number(s.DataBitSet + 7);
    out += QLatin1Char(',');
    if (choice(s.StopBitSet, kStopBitChoices)) out += QString::number(s.StopBitSet + 1);
    return out;
}

QString TncPort::portLink(const QString& stationDir, int portNumber) {
    return stationDir + QStringLiteral("/Ports/COM") + QString::number(portNumber);
}

QString TncPort::portDevice(const QString& stationDir, int portNumber) {
    const QString link = portLink(stationDir, portNumber);
    if (QFileInfo::exists(link) || QFileInfo(link).isSymLink()) return link;
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
}

int TncPort::setComPort() {
    if (port_.isOpen()) port_.close();
    deviceLostReported_ = false;
    const Settings& s = settings_;
    // Every field must come from its table: a port cannot be opened with a blank speed or parity.
    const bool valid = choice(s.BaudSet, std::size(kBauds)) && choice(s.ParitySet, std::size(kParity)) &&
                       choice(s.DataBitSet, kDataBitChoices) && choice(s.StopBitSet, kStopBitChoices) &&
                       choice(s.FlowSet, kFlowChoices) && s.ComPortSet >= 0;
    if (valid) {
        SerialPort::Config config;
        config.baud = kBauds[s.BaudSet];
        config.parity = static_cast<SerialPort::Parity>(s.ParitySet);
        config.dataBits = s.DataBitSet + 7;
        config.stopBits = s.StopBitSet + 1;
        config.flow = static_cast<SerialPort::Flow>(s.FlowSet);
        config.device = portDevice(stationDir_, s.ComPortSet + 1);
        if (port_.open(config)) return 1;
    }
    boxes_.show(kSetupProblemTitle, withProblem(kSetupProblemText));
    return 0;
}

void TncPort::closePort() {
    if (port_.isOpen()) port_.close();
}

bool TncPort::sendToTnc(const QByteArray& text) {
    return port_.isOpen() && port_.write(text);
}

void TncPort::echoToPane(const QByteArray& text) {
    const MainElement pane = view_.isVisible(frmMain::tbMon) ? frmMain::tbMon : frmMain::tbLocal;
    view_.appendToPane(pane, text);
    view_.emptyUndo(pane);
}

void TncPort::focusToPanel() {
    view_.setFocus(view_.isVisible(frmMain::tbMon) ? frmMain::tbMon : frmMain::tbLocal);
}

bool TncPort::paneKeyPress(MainElement pane, int key) {
    if (key == kCtrlX || key == kCtrlV) return false; // never sent, never kept
    if (pane == frmMain::tbMon && key == kEnter && settings_.OutLineEnd == "\r\n")
        sendToTnc("\r\n");
    else
        sendToTnc(QByteArray(1, static_cast<char>(key)));
    view_.setFocus(pane);
    return !settings_.fullDuplex(); // full duplex: the TNC's echo shows it
}

QString TncPort::commErrorText(SerialPort::Error error) {
    switch (error) {
    case SerialPort::Error::Break:
        return QStringLiteral("Break Received");
    case SerialPort::Error::Framing:
        return QStringLiteral("Framing Error");
    case SerialPort::Error::Overrun:
        return QStringLiteral("Overrun Error");
    case SerialPort::Error::ReceiveOverflow:
        return QStringLiteral("Receive Buffer Overflow");
    case SerialPort::Error::Parity:
        return QStringLiteral("Parity Error");
    case SerialPort::Error::TransmitFull:
        return QStringLiteral("Transmit Buffer Full");
    case SerialPort::Error::DeviceLost:
        return QStringLiteral("The TNC port was lost (device removed or closed, or the modem went away).\r\n"
                              "Check the TNC cable or the modem, then re-open the port from Setup, TNC "
                              "Parameters.");
    case SerialPort::Error::Other:
        break;
    }
    return QStringLiteral("Unknown error or event");
}

void TncPort::reportError(SerialPort::Error error) {
    if (error == SerialPort::Error::DeviceLost) {
        // An unplugged adapter: close once and say so once, never in a loop.
        port_.close();
        if (deviceLostReported_) return;
        deviceLostReported_ = true;
        if (onPortLost) onPortLost(); // no link outlives its port
    }
    boxes_.show(QStringLiteral("Comm Error"), withProblem(commErrorText(error)));
}

// The port's own words, when it has them, follow the general text.
QString TncPort::withProblem(const QString& text) const {
    const QString problem = port_.problem();
    return problem.isEmpty() ? text : text + QStringLiteral("\r\n\r\n") + problem;
}

} // namespace tolvex
