#include "NetMemberWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace tolvex {

class NetMemberWindow::View : public NetMemberView {
public:
    explicit View(NetMemberWindow& w) : w_(w) {}
    void setText(NetMemberElement e, const QByteArray& text) override {
        // The stored messages are the operator's own words; they take a free mnemonic.
        if (auto* button = w_.elements_.get<QPushButton>(e))
            return setOperatorCaption(*button, QString::fromLatin1(text));
        w_.elements_.setText(e, QString::fromLatin1(text));
    }
    QByteArray text(NetMemberElement e) const override { return w_.elements_.lineText(e).toLatin1(); }

private:
    NetMemberWindow& w_;
};

NetMemberWindow::NetMemberWindow(NetMember& logic, const QWidget* mainWindow, QWidget* parent)
    : NetConsoleWindow(QStringLiteral("frmInfoNet"), QStringLiteral("Info for  NCS"), mainWindow, parent),
      logic_(logic) {
    // The mouse moving over the window's background clears the hint too.
    setMouseTracking(true);
    installEventFilter(this);

    auto add = [this](NetMemberElement e, QWidget* widget) { return elements_.add(e, tracked(widget)); };
    auto* grid = new QGridLayout(this);
    struct Button {
        NetMemberElement element;
        const char* caption;
        const char* accessible;
    };
    const Button buttons[] = {
        {frmInfoNet::cmdCkIn, "&Check into net", nullptr},
        {frmInfoNet::cmdCkOut, "Request to check &out of net", nullptr},
        {frmInfoNet::cmdRTS, "Request to send &traffic", nullptr},
        {frmInfoNet::cmdRTSE, "Request to send &EMERGENCY traffic", nullptr},
        {frmInfoNet::cmdInfoNet1, "", "First stored message"},
        {frmInfoNet::cmdInfoNet2, "", "Second stored message"},
    };
    int row = 0;
    QWidget* previous = nullptr;
    for (const Button& b : buttons) {
        auto* push = new QPushButton(QString::fromLatin1(b.caption), this);
        push->setAutoDefault(false);
        if (b.accessible) push->setAccessibleName(QString::fromLatin1(b.accessible));
        add(b.element, push);
        const NetMemberElement element = b.element;
        connect(push, &QPushButton::clicked, this, [this, element] { logic_.buttonClicked(element); });
        grid->addWidget(push, row / 2, row % 2);
        if (previous) setTabOrder(previous, push);
        previous = push;
        ++row;
    }
    message_ = static_cast<QLineEdit*>(add(frmInfoNet::txtInfoMsg, new QLineEdit(this)));
    message_->setAccessibleName(QStringLiteral("Message to Net Control"));
    setTabOrder(previous, message_);
    auto* help = static_cast<QLabel*>(add(frmInfoNet::lblHelp, new QLabel(this)));
    help->setWordWrap(true);
    help->setMinimumHeight(help->fontMetrics().lineSpacing() * 2);
    grid->addWidget(message_, row / 2, 0, 1, 2);
    grid->addWidget(help, row / 2 + 1, 0, 1, 2);

    view_ = std::make_unique<View>(*this);
    logic_.attach(view_.get());
    adjustSize();
}

NetMemberWindow::~NetMemberWindow() {
    logic_.detach(view_.get());
}

void NetMemberWindow::closeForLogic() {
    close();
}

void NetMemberWindow::closeEvent(QCloseEvent* event) {
    logic_.detach(view_.get());
    logic_.windowClosed();
    event->accept();
}

bool NetMemberWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        // A move a control did not take reaches the window too: only the window's own area clears.
        if (watched == this) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (!childAt(move->position().toPoint())) logic_.mouseMoved(std::nullopt);
        } else {
            for (const NetMemberElement& e : frmInfoNet::all)
                if (e != frmInfoNet::lblHelp && elements_.find(e) == watched) logic_.mouseMoved(e);
        }
    } else if (event->type() == QEvent::KeyPress && watched == message_) {
        if (logic_.messageKeyPress(messageKeyCode(*static_cast<QKeyEvent*>(event)))) return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvex
