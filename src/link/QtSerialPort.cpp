#include "QtSerialPort.h"

#include <QFileInfo>

namespace tolvex {

QString serialOpenProblem(QSerialPort::SerialPortError error, const QString& device, bool accessible) {
    // Ports/COMn is often a link: the operator must know the device it leads to.
    const QFileInfo info(device);
    const QString target = info.exists() ? info.canonicalFilePath() : device;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1: no such device (is the TNC's cable or USB adapter plugged in?)")
            .arg(target);
    case QSerialPort::PermissionError: {
        if (accessible)
            return QStringLiteral("%1 is in use by another program (the device is locked).").arg(target);
        // Debian gives serial devices to "dialout"; the device's own group says it for others.
        const QString group =
            info.exists() && !info.group().isEmpty() ? info.group() : QStringLiteral("dialout");
        if (group == QLatin1String("root"))
            return QStringLiteral(
                       "%1: permission denied. This user may not read and write the device; ask the "
                       "computer's administrator for access to it.")
                .arg(target);
        return QStringLiteral("%1: permission denied. Membership of the group \"%2\" grants access to it: "
                              "sudo adduser $USER %2, then log out and in again.")
            .arg(target, group);
    }
    default:
        return {};
    }
}

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::readWaiting);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::errorOccurred);
}

bool QtSerialPort::open(const Config& c) {
    if (port_.isOpen()) port_.close();
    problem_.clear();
    port_.setPortName(c.device); // a full path opens links such as Ports/COM1 too
    if (!port_.open(QIODevice::ReadWrite)) {
        const QFileInfo device(c.device);
        problem_ = serialOpenProblem(port_.error(), c.device, device.isReadable() && device.isWritable());
        port_.clearError();
        return false;
    }
    const QSerialPort::Parity parity = c.parity == Parity::Odd    ? QSerialPort::OddParity
                                       : c.parity == Parity::Even ? QSerialPort::EvenParity
                                                                  : QSerialPort::NoParity;
    const QSerialPort::FlowControl flow = c.flow == Flow::XonXoff ? QSerialPort::SoftwareControl
                                          : c.flow == Flow::None  ? QSerialPort::NoFlowControl
                                                                  : QSerialPort::HardwareControl;
    const bool ok = port_.setBaudRate(c.baud) && port_.setParity(parity) &&
                    port_.setDataBits(static_cast<QSerialPort::DataBits>(c.dataBits)) &&
                    port_.setStopBits(c.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
                    port_.setFlowControl(flow);
    if (!ok) {
        port_.close();
        port_.clearError();
        return false;
    }
    return true;
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}

bool QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen()) return false;
    return port_.write(bytes) == bytes.size();
}

void QtSerialPort::readWaiting() {
    const QByteArray chunk = port_.readAll();
    if (!chunk.isEmpty() && onReceived) onReceived(chunk);
}

void QtSerialPort::errorOccurred(QSerialPort::SerialPortError error) {
    if (!port_.isOpen()) return; // errors while opening are reported by open()
    Error kind;
    switch (error) {
    case QSerialPort::NoError: // clearError() itself reports this
        return;
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError: // modem lines on a pseudo-terminal
        port_.clearError();
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        kind = Error::DeviceLost;
        break;
    case QSerialPort::WriteError:
        kind = Error::TransmitFull;
        break;
    default:
        kind = Error::Other;
        break;
    }
    port_.clearError();
    if (onError) onError(kind);
}

} // namespace tolvex
