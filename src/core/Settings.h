#pragma once
// The station's settings, one member per key of Parms.inf, named by the key.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace tolvex {

struct Settings {
    QByteArray Callsign;
    QByteArray FCC;
    std::int16_t AddFCC = 0;
    std::int16_t Autofill = 0;
    QByteArray MsgFormPref;
    std::int16_t PrintPref = 0;
    std::int16_t AlertPref = 0;
    QByteArray ConnStr;
    QByteArray DisconStr;
    std::int16_t ComPortSet = 0;
    std::int16_t ParitySet = 0;
    std::int16_t DataBitSet = 0;
    std::int16_t StopBitSet = 0;
    std::int16_t BaudSet = 0;
    std::int16_t FlowSet = 0;
    std::array<QByteArray, 6> GroupAd;
    QByteArray CmdCmd;
    QByteArray ConnCmd;
    QByteArray DisconCmd;
    std::array<QByteArray, 4> NodeReady;
    QByteArray SSID;
    QByteArray TNCCmd;
    std::array<QByteArray, 4> ConnFail;
    QByteArray ConverseCmd;
    QByteArray ThisNCS;
    std::int16_t DirAlert = 0;
    QByteArray NetOperation;
    QByteArray NCSCallsign;
    QByteArray NetActiveMsg;
    std::array<QByteArray, 4> NCSMsg; // NCS1Msg..NCS4Msg
    QByteArray InfoNet1Msg;
    QByteArray InfoNet2Msg;
    QByteArray PermitMsg;
    std::int16_t RemoteOperation = 0;
    QByteArray OutLineEnd = "\r"; // LFout: 1 gives CR LF, anything else CR
    QByteArray InLineEnd = "\n";  // LFin: 1 gives CR, anything else LF
    QByteArray Bye;
    QByteArray SaveRcvdMsgs;
    QByteArray SaveSentMsgs;
    QByteArray UnprotoCmd;
    std::array<QByteArray, 4> LinkMade;
    QByteArray Duplex;
    std::int16_t EncodingValue = 0;

    // A flag setting is on when its text is exactly "1".
    static bool isOn(const QByteArray& flag) { return flag == "1"; }

    // The single command-mode character whose code is CmdCmd (empty when CmdCmd is no code 0..255).
    QByteArray cmdChar() const;
    // A line end, the command-mode character and a line end: the TNC is in command mode after it,
    // whatever it was doing.
    QByteArray wakeText() const { return OutLineEnd + cmdChar() + OutLineEnd; }
    bool fullDuplex() const { return Duplex == "full"; }
    bool halfDuplex() const { return Duplex == "half"; } // an unset Duplex is neither
};

// A value as one line, as Parms.inf can hold it: a run of CR and LF inside becomes a single blank,
// so words stay apart; at either end it is dropped, so a text copied with its line end still
// matches the TNC's output.
QByteArray oneLine(const QByteArray& value);
QString oneLine(const QString& value);

// The first word of a value: the text before its first blank, trimmed; the whole value without a blank.
QByteArray firstWord(const QByteArray& value);

} // namespace tolvex
