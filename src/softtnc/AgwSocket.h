#pragma once
// The AGW link over TCP.
#include "softtnc/AgwTransport.h"

#include <QList>
#include <QString>
#include <QTcpSocket>

namespace tolvex {

class AgwSocket final : public AgwTransport {
public:
    AgwSocket(QString host, quint16 port);
    ~AgwSocket() override;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void send(const AgwFrame& frame) override;

private:
    void receive();
    void fail(const QByteArray& reason);

    QString host_;
    quint16 port_;
    QTcpSocket socket_;
    AgwDecoder decoder_;
    QList<QByteArray> waiting_; // frames sent while the connection is being made
};

} // namespace tolvex
