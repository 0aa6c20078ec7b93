#pragma once
// The serial port to the TNC and everything written to it: opening it from the settings, the one
// write, the echo of local commands, the focus rule and the operator's keys in the panes.
#include "LinkSession.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "core/views/MainView.h"

#include <QString>
#include <functional>

namespace tolvex {

class TncPort {
public:
    TncPort(Settings& settings, SerialPort& port, MessageBoxes& boxes, MainView& view, QString stationDir);

    // Opens the port from the settings; 1 when open, 0 after a failure already shown to the operator.
    int setComPort();
    void closePort();
    bool isOpen() const { return port_.isOpen(); }
    // The one write to the TNC; adds nothing. False when nothing was written (the port is closed).
    bool sendToTnc(const QByteArray& text);
    // Appends a text to the visible pane.
    void echoToPane(const QByteArray& text);
    // Focus to tbMon if visible, else tbLocal.
    void focusToPanel();

    // Character codes the panes treat apart.
    static constexpr int kCtrlV = 22;
    static constexpr int kCtrlX = 24;
    static constexpr int kEnter = 13;

    // A key typed in tbMon or tbLocal: sends it and returns whether the pane keeps it locally.
    bool paneKeyPress(MainElement pane, int key);
    void paneKeyUp(MainElement pane) { view_.emptyUndo(pane); }
    // A key typed in rtbRcvd goes nowhere; focus back to the active pane.
    void rcvdKeyPress() { focusToPanel(); }

    // Receive chunks are handed here (ComInput).
    std::function<void(const QByteArray&)> onComInput;
    // The device went away (an adapter pulled, the modem gone) and the port was closed.
    std::function<void()> onPortLost;

    // "9600,n,8,1" from the index settings; an index outside its table leaves its field empty.
    static QString settingsString(const Settings& s);
    // COMn is DIR/Ports/COMn (portLink) when that exists, else /dev/ttyS<n-1>.
    static QString portDevice(const QString& stationDir, int portNumber);
    static QString portLink(const QString& stationDir, int portNumber);
    static QString commErrorText(SerialPort::Error error);
    static const QString kSetupProblemTitle;
    static const QString kSetupProblemText;

private:
    void reportError(SerialPort::Error error);
    QString withProblem(const QString& text) const;

    Settings& settings_;
    SerialPort& port_;
    MessageBoxes& boxes_;
    MainView& view_;
    QString stationDir_;
    bool deviceLostReported_ = false;
};

} // namespace tolvex
