#include "NetConsoles.h"

#include "NetControlWindow.h"
#include "NetMemberWindow.h"

namespace tolvex {

NetConsoles::NetConsoles(Net& net, QWidget* mainWindow) : net_(net), mainWindow_(mainWindow) {
    net_.control.showWindow = [this] {
        // A window closed a moment ago waits for its deletion; a new one takes its place.
        if (!control_ || !control_->isVisible()) control_ = new NetControlWindow(net_.control, mainWindow_);
        control_->show();
    };
    net_.control.closeWindow = [this] {
        if (control_) control_->closeForLogic();
    };
    net_.member.showWindow = [this] {
        if (!member_ || !member_->isVisible()) member_ = new NetMemberWindow(net_.member, mainWindow_);
        member_->show();
    };
    net_.member.closeWindow = [this] {
        if (member_) member_->closeForLogic();
    };
}

NetConsoles::~NetConsoles() {
    net_.control.showWindow = nullptr;
    net_.control.closeWindow = nullptr;
    net_.member.showWindow = nullptr;
    net_.member.closeWindow = nullptr;
    delete control_.data();
    delete member_.data();
}

} // namespace tolvex
