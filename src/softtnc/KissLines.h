#pragma once
// The two ways to a KISS TNC: a serial line (a TNC on USB or RS-232) and TCP (a networked TNC or
// Dire Wolf's KISS port).
#include "softtnc/KissTransport.h"

#include <QList>
#include <QString>
#include <QTcpSocket>
#include <memory>

namespace tolvex {

class QtSerialPort;

class KissTcpLine final : public KissLine {
public:
    KissTcpLine(QString host, quint16 port);
    ~KissTcpLine() override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray& bytes) override;
    QByteArray name() const override;

private:
    QString host_;
    quint16 port_;
    QTcpSocket socket_;
    QList<QByteArray> waiting_; // written while the connection is being made
};

class KissSerialLine final : public KissLine {
public:
    KissSerialLine(QString device, int baud);
    ~KissSerialLine() override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray& bytes) override;
    QByteArray name() const override { return device_.toUtf8(); }

private:
    QString device_;
    int baud_;
    std::unique_ptr<QtSerialPort> port_;
};

} // namespace tolvex
