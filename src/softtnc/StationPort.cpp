#include "softtnc/StationPort.h"

#include "link/QtSerialPort.h"
#include "softtnc/AgwSocket.h"
#include "softtnc/KissLines.h"
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

PortTarget readModemLine(const QString& text) {
    PortTarget target;
    const QString line = text.trimmed();
    const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
    const QString word = line.left(blank < 0 ? line.size() : blank).toLower();
    const QString rest = blank < 0 ? QString() : line.mid(blank);
    QString problem;
    if (word == QLatin1String("agw") || word == QLatin1String("kiss-tcp")) {
        target.way = word == QLatin1String("agw") ? PortTarget::Way::Agw : PortTarget::Way::KissTcp;
        if (const auto modem = parseModemAddress(rest, &problem)) target.modem = *modem;
    } else if (word == QLatin1String("kiss")) {
        target.way = PortTarget::Way::KissSerial;
        const QStringList words = rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        bool number = false;
        const int baud = words.size() == 2 ? words[1].toInt(&number) : 0;
        if (words.size() != 2)
            problem = QStringLiteral("write the KISS TNC's line as kiss DEVICE BAUD");
        else if (!number || baud < 300 || baud > 4'000'000)
            problem = QStringLiteral("the baud rate \"%1\" is not a number from 300 up").arg(words[1]);
        target.kissDevice = words.value(0);
        target.kissBaud = baud;
    } else {
        return target;
    }
    target.kind = problem.isEmpty() ? PortTarget::Kind::Modem : PortTarget::Kind::BadModem;
    target.problem = problem;
    return target;
}

PortTarget portTarget(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxModemFile) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    PortTarget target = readModemLine(QString::fromUtf8(file.readLine(kMaxModemFile + 1)));
    if (target.kind == PortTarget::Kind::BadModem)
        target.problem = path + QStringLiteral(": ") + target.problem;
    return target;
}

QString modemFileLine(const PortTarget& target) {
    if (target.kind != PortTarget::Kind::Modem) return {};
    if (target.way == PortTarget::Way::KissSerial)
        return QStringLiteral("kiss %1 %2\n").arg(target.kissDevice).arg(target.kissBaud);
    // An IPv6 address goes in brackets, so that its colons are not taken for the port's.
    const QString host = target.modem.host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + target.modem.host + QLatin1Char(']')
                             : target.modem.host;
    return QStringLiteral("%1 %2:%3\n")
        .arg(target.way == PortTarget::Way::Agw ? QStringLiteral("agw") : QStringLiteral("kiss-tcp"), host)
        .arg(target.modem.port);
}

std::optional<ModemAddress> modemAddress(const QString& path) {
    PortTarget target = portTarget(path);
    if (target.kind != PortTarget::Kind::Modem || target.way != PortTarget::Way::Agw) return std::nullopt;
    return std::move(target.modem);
}

bool writeModemFile(const QString& path, const QString& host, const QString& port, QString* problem) {
    return writeModemFile(path, PortTarget::Way::Agw, host, port, problem);
}

bool writeModemFile(const QString& path, PortTarget::Way way, const QString& first, const QString& second,
                    QString* problem) {
    QString line;
    if (way == PortTarget::Way::KissSerial) {
        if (first.trimmed().contains(QRegularExpression(QStringLiteral("\\s")))) {
            if (problem)
                *problem = QStringLiteral("the device \"%1\" has a blank in it").arg(first.trimmed());
            return false;
        }
        line = QStringLiteral("kiss ") + first.trimmed() + QLatin1Char(' ') + second.trimmed();
    } else {
        QString host = first.trimmed();
        if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
            host = QLatin1Char('[') + host + QLatin1Char(']');
        line = (way == PortTarget::Way::Agw ? QStringLiteral("agw ") : QStringLiteral("kiss-tcp ")) + host +
               QLatin1Char(':') + second.trimmed();
    }
    // Read back as the port will read it, and written in the one form.
    const PortTarget target = readModemLine(line);
    if (target.kind != PortTarget::Kind::Modem || target.way != way) {
        if (problem) *problem = target.problem;
        return false;
    }
    // QSaveFile would write through a link; the file takes the link's place instead.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path)) {
        if (problem) *problem = QStringLiteral("cannot replace the link %1").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(modemFileLine(target).toUtf8());
        if (file.commit()) return true;
    }
    if (problem) *problem = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

bool pointAtDevice(const QString& path, const QString& device, QString* problem) {
    const QString target = device.trimmed();
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !QFile::remove(path)) {
        if (problem) *problem = QStringLiteral("cannot replace %1").arg(path);
        return false;
    }
    if (target.isEmpty() || QFile::link(target, path)) return true;
    if (problem) *problem = QStringLiteral("cannot make %1 a link to %2").arg(path, target);
    return false;
}

struct StationPort::Modem {
    Modem(const Settings& settings, std::unique_ptr<KissLine> kissLine, std::unique_ptr<AgwTransport> way,
          Scheduler& scheduler)
        : line(std::move(kissLine)), transport(std::move(way)), tnc(settings, *transport, scheduler) {}
    std::unique_ptr<KissLine> line; // a KISS TNC's, under the transport
    std::unique_ptr<AgwTransport> transport;
    SoftTnc tnc; // last, so it goes first

    static std::unique_ptr<Modem> make(const Settings& settings, const PortTarget& target,
                                       Scheduler& scheduler) {
        if (target.way == PortTarget::Way::Agw)
            return std::make_unique<Modem>(settings, nullptr,
                                           std::make_unique<AgwSocket>(target.modem.host, target.modem.port),
                                           scheduler);
        std::unique_ptr<KissLine> line;
        if (target.way == PortTarget::Way::KissTcp)
            line = std::make_unique<KissTcpLine>(target.modem.host, target.modem.port);
        else
            line = std::make_unique<KissSerialLine>(target.kissDevice, target.kissBaud);
        auto kiss = std::make_unique<KissTransport>(*line, scheduler);
        KissTransport* commands = kiss.get();
        auto modem = std::make_unique<Modem>(settings, std::move(line), std::move(kiss), scheduler);
        modem->tnc.parameterCommand = [commands](const QByteArray& verb, const QList<QByteArray>& words) {
            return commands->command(verb, words);
        };
        return modem;
    }
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
        modem_ = Modem::make(settings_(), target, timers_);
        forward(modem_->tnc);
        if (!modem_->tnc.open(config)) {
            if (target.way == PortTarget::Way::KissSerial)
                problem_ = QStringLiteral("cannot open the KISS TNC at %1").arg(target.kissDevice);
            else
                problem_ = QStringLiteral("cannot reach the %1 at %2:%3")
                               .arg(target.way == PortTarget::Way::Agw ? QStringLiteral("modem")
                                                                       : QStringLiteral("KISS TNC"))
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
