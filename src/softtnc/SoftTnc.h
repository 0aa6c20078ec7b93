#pragma once
// A TNC's text command mode on top of a sound-card modem: the program types to it and reads
// from it as from a hardware TNC on a serial port, and it speaks AGW frames to the modem.
#include "core/Platform.h"
#include "core/Settings.h"
#include "softtnc/AgwTransport.h"

#include <QByteArray>
#include <QList>

namespace tolvex {

class SoftTnc final : public SerialPort {
public:
    SoftTnc(const Settings& settings, AgwTransport& transport);
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

    static constexpr qsizetype kPacketLength = 256; // a converse line this long goes out as it is
    static constexpr int kMaxDigipeaters = 8;

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
    void monitored(const AgwFrame& frame);

    // The call and digipeaters of "CALL [VIA|V D1,D2 ...]", or an answer saying what is wrong.
    struct Address {
        QByteArray call;
        QList<QByteArray> digipeaters;
        QByteArray problem;
    };
    static Address parseAddress(const QList<QByteArray>& words);
    static QByteArray callProblem(const QByteArray& call);

    void sendFrame(char kind, const QByteArray& to, const QByteArray& data = {});
    void registerCall(char kind, const QByteArray& call);
    void print(const QByteArray& text);
    void printLine(const QByteArray& text);
    void answer(const QByteArray& text); // a line, then the prompt
    void prompt();
    QByteArray lineEnd() const;
    QByteArray lineEnds(QByteArray text) const; // the air's CRs as this TNC's line ends

    const Settings& settings_;
    AgwTransport& transport_;
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
};

} // namespace tolvex
