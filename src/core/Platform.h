#pragma once
// Small interfaces to the platform: each has one Qt implementation (src/ui/platform) and one test double.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <QUrl>
#include <functional>

namespace tolvex {

// Message boxes: title, text, icon, buttons. A box never holds up the program: show() returns at
// once, and the button pressed reaches onAnswer later, from the event loop.
class MessageBoxes {
public:
    enum class Icon { None, Error, Warning, Information };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };
    using AnswerFn = std::function<void(Answer)>;
    virtual ~MessageBoxes() = default;
    virtual void show(const QString& title, const QString& text, Icon icon = Icon::None,
                      Buttons buttons = Buttons::Ok, AnswerFn onAnswer = {}) = 0;
};

// A sound player: starts a wave file and returns at once.
class AlertSound {
public:
    virtual ~AlertSound() = default;
    virtual bool play(const QString& file) = 0; // false when it could not start
    virtual void stop() = 0;
    // Whether the sound last played has actually sounded: a player that learns only later that it
    // cannot decode the file says so here.
    virtual bool started() const { return true; }
};

// The default printer. Each call prints one document; false when it could not be printed.
class Printer {
public:
    virtual ~Printer() = default;
    virtual bool printText(const QByteArray& latin1Text) = 0;
};

// Opens a URL (a help page) in the desktop's browser; false when no browser could be started.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// The clock: local date and time, the time zone, and a monotonic millisecond count.
class Clock {
public:
    enum class Period { Unknown, Standard, Daylight };
    struct Zone {
        int biasMinutes = 0;  // minutes to add to local standard time to get UTC (300 for US Eastern)
        QString standardName; // "Eastern Standard Time"
        Period period = Period::Unknown;
        bool observesDaylight = false; // whether the zone has daylight saving now or ahead
    };
    virtual ~Clock() = default;
    virtual QDate date() const = 0;
    virtual QTime timeOfDay() const = 0;
    virtual Zone zone() const = 0;
    virtual qint64 monotonicMs() const = 0; // 64-bit: never wraps in a station's lifetime
};

// Timers on the event loop. A test double advances a manual clock instead of sleeping.
class Scheduler {
public:
    using TimerId = quint64;
    virtual ~Scheduler() = default;
    virtual qint64 nowMs() const = 0;
    // Runs fn once, ms milliseconds from now, from the event loop (never synchronously).
    virtual TimerId callAfter(int ms, std::function<void()> fn) = 0;
    virtual void cancel(TimerId id) = 0;
};

// The serial line to the TNC.
class SerialPort {
public:
    enum class Parity { Odd, Even, None };
    enum class Flow { None, XonXoff, RtsCts, RtsCtsXonXoff };
    struct Config {
        QString device; // full path of the device to open
        int baud = 9600;
        Parity parity = Parity::None;
        int dataBits = 8;
        int stopBits = 1;
        Flow flow = Flow::None;
    };
    // Error kinds a port reports while open.
    enum class Error { Break, Framing, Overrun, ReceiveOverflow, Parity, TransmitFull, DeviceLost, Other };

    virtual ~SerialPort() = default;
    virtual bool open(const Config& config) = 0; // false when the device is missing, busy or refuses
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray& bytes) = 0;
    // Why the last open failed or the port was lost, in words, when the port knows more than the
    // error kind (a modem's address, the network's reason); empty otherwise.
    virtual QString problem() const { return {}; }

    // Set by the owner: every chunk received, and errors while open.
    std::function<void(const QByteArray&)> onReceived;
    std::function<void(Error)> onError;
};

} // namespace tolvex
