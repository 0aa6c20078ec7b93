#include "softtnc/StationPort.h"

#include "link/QtSerialPort.h"
#include "softtnc/AgwSocket.h"
#include "softtnc/SoftTnc.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace tolvex {

namespace {
constexpr qint64 kMaxModemFile = 256; // a modem file is one short line; a device is never this

bool hostNameChar(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
           c == QLatin1Char('-') || c == QLatin1Char('_');
}
} // namespace

std::optional<ModemAddress> parseModemAddress(const QString& text, QString* problem) {
    const auto fail = [problem](const QString& why) -> std::optional<ModemAddress> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    const QString address = text.trimmed();
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return fail(QStringLiteral("the modem address \"%1\" has no port: write HOST:PORT").arg(address));
    QString host = address.left(colon).trimmed();
    const QString portText = address.mid(colon + 1).trimmed();
    if (host.isEmpty()) return fail(QStringLiteral("the modem address \"%1\" has no host").arg(address));
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return fail(QStringLiteral("\"%1\" is not an IPv6 address").arg(host));
    } else if (!std::all_of(host.cbegin(), host.cend(), hostNameChar)) {
        return fail(QStringLiteral("\"%1\" is not a host name or address").arg(host));
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok, 10);
    const bool digitsOnly = !portText.isEmpty() && std::all_of(portText.cbegin(), portText.cend(),
                                                               [](QChar c) { return c.isDigit(); });
    if (!ok || !digitsOnly || port < 1 || port > 65535)
        return fail(QStringLiteral("the modem port \"%1\" is not a number from 1 to 65535").arg(portText));
    return ModemAddress{host, quint16(port)};
}

PortTarget portTarget(const QString& path) {
    PortTarget target;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxModemFile) return target;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return target;
    const QString line = QString::fromUtf8(file.readLine(kMaxModemFile + 1)).trimmed();
    const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
    if (line.left(blank < 0 ? line.size() : blank).compare(QLatin1String("agw"), Qt::CaseInsensitive) != 0)
        return target;
    QString problem;
    const auto modem = parseModemAddress(blank < 0 ? QString() : line.mid(blank), &problem);
    if (modem) {
        target.kind = PortTarget::Kind::Modem;
        target.modem = *modem;
    } else {
        target.kind = PortTarget::Kind::BadModem;
        target.problem = path + QStringLiteral(": ") + problem;
    }
    return target;
}

std::optional<ModemAddress> modemAddress(const QString& path) {
    PortTarget target = portTarget(path);
    if (target.kind != PortTarget::Kind::Modem) return std::nullopt;
    return std::move(target.modem);
}

bool writeModemFile(const QString& path, const QString& host, const QString& port, QString* problem) {
    // An IPv6 address goes in brackets, so that its colons are not taken for the port's.
    QString hostText = host.trimmed();
    if (hostText.contains(QLatin1Char(':')) && !hostText.startsWith(QLatin1Char('[')))
        hostText = QLatin1Char('[') + hostText + QLatin1Char(']');
    const auto modem = parseModemAddress(hostText + QLatin1Char(':') + port.trimmed(), problem);
    if (!modem) return false;
    // QSaveFile would write through a link; the file takes the link's place instead.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path)) {
        if (problem) *problem = QStringLiteral("cannot replace the link %1").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QStringLiteral("agw %1:%2\n").arg(hostText).arg(modem->port).toUtf8());
        if (file.commit()) return true;
    }
    if (problem) *problem = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

struct StationPort::Modem {
    Modem(const Settings& settings, const ModemAddress& address, Scheduler& scheduler)
        : socket(address.host, address.port), tnc(settings, socket, scheduler) {}
    AgwSocket socket;
    SoftTnc tnc; // after the socket, so it goes first
};

StationPort::StationPort(const Settings& settings)
    : StationPort([&settings]() -> const Settings& { return settings; }) {}

StationPort::StationPort(std::function<const Settings&()> settings) : settings_(std::move(settings)) {}

StationPort::~StationPort() = default;

SerialPort* StationPort::active() const {
    switch (kind_) {
    case Kind::Device:
        return serial_.get();
    case Kind::Modem:
        return modem_ ? &modem_->tnc : nullptr;
    case Kind::None:
        break;
    }
    return nullptr;
}

void StationPort::forward(SerialPort& port) {
    // The software TNC answers while it is being written to; like a serial line, its output
    // reaches the program from the event loop, never from inside the write.
    port.onReceived = [this](const QByteArray& bytes) {
        const bool scheduled = !received_.isEmpty();
        received_ += bytes;
        if (scheduled) return;
        QTimer::singleShot(0, &context_, [this] {
            const QByteArray chunk = std::exchange(received_, {});
            if (onReceived && !chunk.isEmpty()) onReceived(chunk);
        });
    };
    port.onError = [this](Error error) {
        if (onError) onError(error);
    };
}

bool StationPort::open(const Config& config) {
    close();
    kind_ = Kind::None;
    problem_.clear();
    const PortTarget target = portTarget(config.device);
    switch (target.kind) {
    case PortTarget::Kind::BadModem:
        problem_ = target.problem;
        return false;
    case PortTarget::Kind::Modem:
        retired_ = std::move(modem_);
        modem_ = std::make_unique<Modem>(settings_(), target.modem, timers_);
        forward(modem_->tnc);
        if (!modem_->tnc.open(config)) {
            problem_ = QStringLiteral("cannot reach the modem at %1:%2")
                           .arg(target.modem.host)
                           .arg(target.modem.port);
            return false;
        }
        kind_ = Kind::Modem;
        return true;
    case PortTarget::Kind::Device:
        break;
    }
    if (!serial_) {
        serial_ = std::make_unique<QtSerialPort>();
        forward(*serial_);
    }
    if (!serial_->open(config)) {
        problem_ = serial_->problem();
        return false;
    }
    kind_ = Kind::Device;
    return true;
}

void StationPort::close() {
    if (SerialPort* port = active()) port->close();
}

bool StationPort::isOpen() const {
    const SerialPort* port = active();
    return port && port->isOpen();
}

bool StationPort::write(const QByteArray& bytes) {
    SerialPort* port = active();
    return port && port->write(bytes);
}

QString StationPort::problem() const {
    if (!problem_.isEmpty() || !modem_ || kind_ == Kind::Device) return problem_;
    return modem_->tnc.problem();
}

const SoftTnc* StationPort::softTnc() const {
    return kind_ == Kind::Modem && modem_ ? &modem_->tnc : nullptr;
}

} // namespace tolvex
