#include "QtSerialPort.h"

namespace tolvex {

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::readWaiting);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::errorOccurred);
}

bool QtSerialPort::open(const Config& c) {
    if (port_.isOpen()) port_.close();
    port_.setPortName(c.device); // a full path opens links such as Ports/COM1 too
    if (!port_.open(QIODevice::ReadWrite)) {
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
