#include "softtnc/KissLines.h"

#include "link/QtSerialPort.h"

#include <utility>

namespace tolvex {

KissTcpLine::KissTcpLine(QString host, quint16 port) : host_(std::move(host)), port_(port) {
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] {
        for (const QByteArray& bytes : std::as_const(waiting_))
            socket_.write(bytes);
        waiting_.clear();
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
        if (onBytes) onBytes(socket_.readAll());
    });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_, [this](QAbstractSocket::SocketError) {
        const QByteArray reason = socket_.errorString().toUtf8();
        close();
        if (onError) onError(reason);
    });
}

KissTcpLine::~KissTcpLine() {
    socket_.disconnect();
    socket_.abort();
}

bool KissTcpLine::open() {
    if (isOpen()) return true;
    waiting_.clear();
    socket_.connectToHost(host_, port_);
    return socket_.state() != QAbstractSocket::UnconnectedState;
}

void KissTcpLine::close() {
    waiting_.clear();
    socket_.abort();
}

bool KissTcpLine::isOpen() const {
    return socket_.state() != QAbstractSocket::UnconnectedState;
}

void KissTcpLine::write(const QByteArray& bytes) {
    if (socket_.state() == QAbstractSocket::ConnectedState)
        socket_.write(bytes);
    else if (isOpen())
        waiting_.append(bytes);
}

QByteArray KissTcpLine::name() const {
    return host_.toUtf8() + ':' + QByteArray::number(port_);
}

KissSerialLine::KissSerialLine(QString device, int baud) : device_(std::move(device)), baud_(baud) {}

KissSerialLine::~KissSerialLine() {
    if (port_) {
        port_->onReceived = nullptr;
        port_->onError = nullptr;
    }
}

bool KissSerialLine::open() {
    if (!port_) {
        port_ = std::make_unique<QtSerialPort>();
        port_->onReceived = [this](const QByteArray& bytes) {
            if (onBytes) onBytes(bytes);
        };
        port_->onError = [this](SerialPort::Error error) {
            // Line noise is the decoder's business; only a lost device ends the line.
            if (error != SerialPort::Error::DeviceLost && error != SerialPort::Error::Other) return;
            port_->close();
            if (onError) onError("the device is gone");
        };
    }
    SerialPort::Config config;
    config.device = device_;
    config.baud = baud_;
    return port_->open(config);
}

void KissSerialLine::close() {
    if (port_) port_->close();
}

bool KissSerialLine::isOpen() const {
    return port_ && port_->isOpen();
}

void KissSerialLine::write(const QByteArray& bytes) {
    if (port_ && !port_->write(bytes) && onError) {
        port_->close();
        onError("cannot write to the device");
    }
}

} // namespace tolvex
