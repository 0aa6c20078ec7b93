#pragma once
// The serial port on QSerialPort. Receive notifications hand over everything waiting.
#include "core/Platform.h"

#include <QObject>
#include <QSerialPort>

namespace tolvex {

// Why a serial device would not open, in words the operator can act on; empty when there is no
// more to say than the general failure. `accessible`: whether this user may read and write the
// device (a permission error on an accessible device is another program's lock on it).
QString serialOpenProblem(QSerialPort::SerialPortError error, const QString& device, bool accessible);

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    bool open(const Config& config) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool write(const QByteArray& bytes) override;
    QString problem() const override { return problem_; }

private:
    void readWaiting();
    void errorOccurred(QSerialPort::SerialPortError error);
    QSerialPort port_;
    QString problem_;
};

} // namespace tolvex
