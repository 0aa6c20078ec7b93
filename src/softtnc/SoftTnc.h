#pragma once
// A TNC's text command mode on top of a sound-card modem: the program types to it and reads
// from it as from a hardware TNC on a serial port, and it speaks AGW frames to the modem.
#include "core/Platform.h"
#include "core/Settings.h"
#include "softtnc/AgwTransport.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <optional>

namespace tolvex {

class SoftTnc final : public SerialPort {
public:
    // The scheduler times the links the modem leaves unanswered.
    SoftTnc(const Settings& settings, AgwTransport& transport, Scheduler& scheduler);
    ~SoftTnc() override;

    // Opens the modem link (the serial settings mean nothing here), registers the station's call
    // and turns monitoring on.
    bool open(const Config& config) override;
    void close() override;
    bool isOpen() const override;
    // Typed bytes, as a serial port would carry them to a TNC.
    bool write(const QByteArray& bytes) override;
    QString problem() const override { return problem_; }

    bool converseMode() const { return converse_; }
    const QByteArray& myCall() const { return myCall_; }
    const QByteArray& linkPartner() const { return partner_; } // empty without a link
    QByteArray unprotoText() const;                            // "CQ" or "CQ VIA RELAY,WIDE1-1"

    // Commands the way down takes itself (a KISS TNC's parameters): the lines to answer, or nothing
    // for an unknown command. Unset, they are unknown.
    std::function<std::optional<QList<QByteArray>>(const QByteArray& verb, const QList<QByteArray>& words)>
        parameterCommand;

    static constexpr qsizetype kPacketLength = 256; // a converse line this long goes out as it is
    static constexpr int kMaxDigipeaters = 8;
    // How long a connect or disconnect waits for the modem on a direct link. The modem retries on
    // its own and gives up in about 40 s with its usual settings (3 s between tries, 10 tries);
    // this is only for a modem that never answers.
    static constexpr int kModemGiveUpMs = 90'000;
    // The modem waits longer between tries for each digipeater, out and back, and so does this.
    static int giveUpMs(int digipeaters) { return kModemGiveUpMs * (2 * digipeaters + 1); }

private:
    enum class Link { None, Connecting, Up, Disconnecting };

    void typed(char c, const QByteArray& cmdChar);
    void lineTyped(const QByteArray& line);
    void command(const QByteArray& line);
    void converseLine(const QByteArray& text);
    void connectCommand(const QList<QByteArray>& words);
    void disconnectCommand();
    void unprotoCommand(const QList<QByteArray>& words);
    void myCallCommand(const QList<QByteArray>& words);

    void frameReceived(const AgwFrame& frame);
    void linkUp(const QByteArray& remote);
    void linkDown(const QByteArray& why);
    void linkGone();
    void waitForModem(int digipeaters);
    void stopWaiting();
    void modemSilent();
    void monitored(const AgwFrame& frame);

    // The call and digipeaters of "CALL [VIA|V D1,D2 ...]", or an answer saying what is wrong.
    struct Address {
        QByteArray call;
        QList<QByteArray> digipeaters;
        QByteArray problem;
    };
    static Address parseAddress(const QList<QByteArray>& words);
    // Whether two calls name one station: "W1AW-0" is "W1AW", in any case.
    static bool sameCall(const QByteArray& a, const QByteArray& b);
    static QByteArray callProblem(const QByteArray& call);

    void sendFrame(char kind, const QByteArray& to, const QByteArray& data = {});
    void registerCall(char kind, const QByteArray& call);
    void print(const QByteArray& text);
    void printLine(const QByteArray& text);
    void warn(const QByteArray& text);   // a line said again with the first command if that comes later
    void answer(const QByteArray& text); // a line, then the prompt
    void prompt();
    QByteArray lineEnd() const;
    QByteArray lineEnds(QByteArray text) const; // the air's CRs as this TNC's line ends

    const Settings& settings_;
    AgwTransport& transport_;
    Scheduler& scheduler_;
    Scheduler::TimerId giveUp_ = 0;
    QString problem_; // why the modem was lost
    bool open_ = false;
    bool converse_ = false;
    bool lastWasCr_ = false;
    QByteArray line_;
    QByteArray myCall_;
    QByteArray unprotoTo_ = "CQ";
    QList<QByteArray> unprotoVia_;
    Link link_ = Link::None;
    QByteArray partner_;
    int linkDigipeaters_ = 0; // of the link being made or held, as far as this end knows
    // Warnings printed since the port opened and before the program asked anything: the program
    // may not have been reading yet, so the first command's answer repeats them.
    bool commandSinceOpen_ = false;
    QList<QByteArray> unseenWarnings_;
};

} // namespace tolvex
