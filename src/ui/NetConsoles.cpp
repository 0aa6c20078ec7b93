#include "NetConsoles.h"

#include "NetControlWindow.h"
#include "NetMemberWindow.h"

namespace tolvex {

void placeAcrossRightEdge(QWidget& console, const QWidget* mainWindow) {
    if (!mainWindow) return;
    const QRect main = mainWindow->frameGeometry();
    console.move(main.x() + main.width() - console.frameGeometry().width() / 2, main.y() + main.height() / 3);
}

int messageKeyCode(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) return 13;
    return key.text().isEmpty() ? 0 : key.text().at(0).unicode();
}

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
