#pragma once
// Two sound-card modems joined by a private sound server (scripts/soundcard.sh), for the tests and
// benchmarks that run stations over real 1200-baud audio.
#include "Stations.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <unistd.h>

namespace tolvex::e2e {

class Air {
public:
    // What is missing to run the modems, or empty when they can run.
    static QString missing() {
        for (const char* program : {"direwolf", "pulseaudio"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                return QString::fromLatin1(program) +
                       QStringLiteral(
                           " is not installed (apt-get install direwolf pulseaudio libasound2-plugins)");
        return {};
    }

    explicit Air(QString dir) : dir_(std::move(dir)) {}
    ~Air() {
        if (started_) script(QStringLiteral("soundcard_stop '%1'").arg(dir_));
    }
    Air(const Air&) = delete;
    Air& operator=(const Air&) = delete;

    // Starts modem A (callA) and modem B (callB); false with the script's words in `said`.
    // `option` is passed on to the script (cdigipeat-a or cdigipeat-b: that modem repeats links).
    bool start(const QByteArray& callA, const QByteArray& callB, QByteArray* said,
               const QString& option = {}) {
        started_ = true;
        // Modems listen on every interface, on ports from 1024 to 49151: ports from the process
        // id let runs go side by side, and another set is tried when something holds one.
        for (int attempt = 0; attempt < 3; ++attempt) {
            portA_ = 20000 + int((::getpid() + attempt * 977) % 2900) * 10;
            if (script(QStringLiteral("soundcard_start '%1' %2 %3 %4 %5 %6")
                           .arg(dir_)
                           .arg(portA_)
                           .arg(portB())
                           .arg(QString::fromLatin1(callA), QString::fromLatin1(callB), option),
                       said))
                return true;
            if (!said->contains("already in use")) return false;
        }
        return false;
    }

    enum class Way { Agw, Kiss };
    // Points a station's COM1 at modem A or B, at its AGW port or at its KISS port (the one after).
    bool plugIn(const QString& stationDir, char modem, Way way = Way::Agw) const {
        QDir().mkpath(stationDir + QStringLiteral("/Ports"));
        QFile com(stationDir + QStringLiteral("/Ports/COM1"));
        const int port = (modem == 'a' ? portA_ : portB()) + (way == Way::Kiss ? 1 : 0);
        return com.open(QIODevice::WriteOnly) &&
               com.write((way == Way::Kiss ? "kiss-tcp 127.0.0.1:" : "agw 127.0.0.1:") +
                         QByteArray::number(port) + "\n") > 0;
    }

    // What modem A or B has logged: every frame it decoded from the air is there.
    QByteArray log(char modem) const {
        return test::readFile(dir_ + QStringLiteral("/modem-%1.log").arg(QLatin1Char(modem)));
    }

private:
    int portB() const { return portA_ + 4; }

    static bool script(const QString& call, QByteArray* out = nullptr) {
        QProcess shell;
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"), QStringLiteral("source '") + QStringLiteral(TOLVEX_SOURCE_DIR) +
                                               QStringLiteral("/scripts/soundcard.sh'; ") + call});
        const bool done = shell.waitForFinished(25000);
        if (out) *out = shell.readAll();
        return done && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
    }

    QString dir_;
    int portA_ = 0;
    bool started_ = false;
};

} // namespace tolvex::e2e
