#pragma once
// The serial port on QSerialPort. Receive notifications hand over everything waiting.
#include "core/Platform.h"

#include <QObject>
#include <QSerialPort>

namespace tolvex {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    bool open(const Config& config) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool write(const QByteArray& bytes) override;

private:
    void readWaiting();
    void errorOccurred(QSerialPort::SerialPortError error);
    QSerialPort port_;
};

} // namespace tolvex
