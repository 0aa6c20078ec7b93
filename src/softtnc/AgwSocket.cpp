#include "softtnc/AgwSocket.h"

#include <utility>

namespace tolvex {

AgwSocket::AgwSocket(QString host, quint16 port) : host_(std::move(host)), port_(port) {
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] {
        for (const QByteArray& bytes : std::as_const(waiting_))
            socket_.write(bytes);
        waiting_.clear();
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { receive(); });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_, [this](QAbstractSocket::SocketError) {
        // A link that ends inside a frame is a truncated frame, and is said so.
        fail(socket_.errorString().toUtf8() + (decoder_.pending() > 0 ? " in the middle of a frame" : ""));
    });
}

AgwSocket::~AgwSocket() {
    socket_.disconnect();
    socket_.abort();
}

bool AgwSocket::open() {
    if (isOpen()) return true;
    decoder_.reset();
    waiting_.clear();
    socket_.connectToHost(host_, port_);
    return socket_.state() != QAbstractSocket::UnconnectedState;
}

void AgwSocket::close() {
    waiting_.clear();
    socket_.abort();
}

bool AgwSocket::isOpen() const {
    return socket_.state() != QAbstractSocket::UnconnectedState;
}

void AgwSocket::send(const AgwFrame& frame) {
    const QByteArray bytes = encodeAgwFrame(frame);
    if (socket_.state() == QAbstractSocket::ConnectedState)
        socket_.write(bytes);
    else if (isOpen())
        waiting_.append(bytes);
}

void AgwSocket::receive() {
    const QList<AgwFrame> frames = decoder_.feed(socket_.readAll());
    for (const AgwFrame& frame : frames)
        if (onFrame) onFrame(frame);
    if (decoder_.failed()) fail(decoder_.error());
}

void AgwSocket::fail(const QByteArray& reason) {
    close();
    if (onError) onError("the modem at " + host_.toUtf8() + ':' + QByteArray::number(port_) + ": " + reason);
}

} // namespace tolvex
