#include "NetPane.h"

namespace tolvex {

void NetPane::count() {
    increment(station_.NetMsgCount);
    netMsgAlert();
}

void NetPane::netMsgAlert() {
    const bool any = station_.NetMsgCount != 0;
    view_.setVisible(frmMain::shpNct, any);
    view_.setVisible(frmMain::lblNct, any);
    if (any) view_.setText(frmMain::lblNct, "New: " + QByteArray::number(station_.NetMsgCount));
}

void NetPane::counterClicked() {
    station_.NetMsgCount = 0;
    netMsgAlert();
}

void NetPane::enter() {
    replace({});
    show();
    counterClicked();
}

void NetPane::leave() {
    view_.setVisible(frmMain::txtNet, false);
    view_.setVisible(frmMain::lblNet, false);
    counterClicked();
}

void NetPane::show() {
    view_.setVisible(frmMain::txtNet, true);
    view_.setVisible(frmMain::lblNet, true);
}

} // namespace tolvex
