#pragma once
// The two net consoles put on screen and taken off for the net logic: the logic decides when,
// these callbacks create, show and close the windows.
#include "NetControlWindow.h"
#include "NetMemberWindow.h"
#include "net/Net.h"

#include <QPointer>
#include <QWidget>

namespace tolvex {

class NetConsoles {
public:
    // Sets the show and close callbacks of net.control and net.member; mainWindow places the
    // consoles (may be null).
    NetConsoles(Net& net, QWidget* mainWindow);
    ~NetConsoles();
    NetConsoles(const NetConsoles&) = delete;
    NetConsoles& operator=(const NetConsoles&) = delete;

    NetControlWindow* controlWindow() const { return control_; }
    NetMemberWindow* memberWindow() const { return member_; }

private:
    Net& net_;
    QWidget* mainWindow_;
    QPointer<NetControlWindow> control_;
    QPointer<NetMemberWindow> member_;
};

} // namespace tolvex
