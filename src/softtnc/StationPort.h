#pragma once
// The station's TNC port: Ports/COMn is either a device (or a link to one), which opens as a serial
// port, or a small text file reading "agw HOST:PORT", which opens the software TNC on the sound-card
// modem listening there, or "kiss DEVICE BAUD" / "kiss-tcp HOST:PORT", which open the software TNC
// on its own link layer over a KISS TNC.
#include "core/Platform.h"
#include "core/QtScheduler.h"
#include "core/Settings.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tolvex {

class AgwSocket;
class QtSerialPort;
class SoftTnc;

struct ModemAddress {
    QString host;
    quint16 port = 0;
    bool operator==(const ModemAddress&) const = default;
};

// What a port path stands for. A file that starts "agw", "kiss" or "kiss-tcp" but cannot be read
// is BadModem, with `problem` saying why; anything else that is no modem file is a Device.
struct PortTarget {
    enum class Kind { Device, Modem, BadModem };
    // How the modem is reached: a sound-card modem's AGW port ("agw HOST:PORT"), or a KISS TNC on a
    // serial line ("kiss DEVICE BAUD") or over TCP ("kiss-tcp HOST:PORT").
    enum class Way { Agw, KissSerial, KissTcp };
    Kind kind = Kind::Device;
    Way way = Way::Agw;
    ModemAddress modem; // Agw and KissTcp
    QString kissDevice; // KissSerial
    int kissBaud = 0;
    QString problem;
};
PortTarget portTarget(const QString& path);
// The same for a modem file's first line (its problem without the path).
PortTarget readModemLine(const QString& line);
// A modem file's line for a readable target, in the one form the port files take: "agw HOST:PORT",
// "kiss DEVICE BAUD", "kiss-tcp HOST:PORT", each with its line end; nothing for any other.
QString modemFileLine(const PortTarget& target);

// The AGW modem a port file points at; nothing for a device, a KISS TNC or a malformed file.
std::optional<ModemAddress> modemAddress(const QString& path);

// Reads "HOST:PORT" (blanks allowed around either; an IPv6 address in brackets); on failure
// returns nothing and puts the reason into *problem.
std::optional<ModemAddress> parseModemAddress(const QString& text, QString* problem = nullptr);

// Points a port at a modem: writes "agw HOST:PORT" in one piece, replacing a link that was there.
// False with *problem set when the address is bad or the file cannot be written.
bool writeModemFile(const QString& path, const QString& host, const QString& port,
                    QString* problem = nullptr);
// The same for any way to a modem: host and port for an AGW modem or a KISS TNC over TCP, device
// and baud rate for a KISS TNC on a serial line. The fields are read as the port file will be.
bool writeModemFile(const QString& path, PortTarget::Way way, const QString& first, const QString& second,
                    QString* problem = nullptr);
// Points a port at a serial device: the port becomes a link to it, or, with no device, opens its
// own (/dev/ttyS<n-1>). False with *problem set when the file cannot be replaced.
bool pointAtDevice(const QString& path, const QString& device, QString* problem = nullptr);

class StationPort final : public SerialPort {
public:
    enum class Kind { None, Device, Modem };

    // The settings give the software TNC its call; the getter form lets the port exist before them.
    explicit StationPort(const Settings& settings);
    explicit StationPort(std::function<const Settings&()> settings);
    ~StationPort() override;

    // Opens whatever config.device stands for. False when it cannot: `problem()` then says why
    // for a modem file (malformed, or its modem unreachable) and for a device that is missing, or
    // that this user may not open.
    bool open(const Config& config) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;

    Kind kind() const { return kind_; } // what the last successful open opened
    QString problem() const override;
    const SoftTnc* softTnc() const;

private:
    struct Modem;
    SerialPort* active() const;
    void forward(SerialPort& port);

    std::function<const Settings&()> settings_;
    QtScheduler timers_; // the software TNC's; before the modems, which cancel theirs as they go
    std::unique_ptr<QtSerialPort> serial_;
    std::unique_ptr<Modem> modem_;
    std::unique_ptr<Modem> retired_; // the previous modem: its callbacks may still be on the stack
    Kind kind_ = Kind::None;
    QString problem_;
    QByteArray received_; // output not yet handed on
    QObject context_;     // ends the pending hand-over with the port
};

} // namespace tolvex
