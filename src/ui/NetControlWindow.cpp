#include "NetControlWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <vector>

namespace tolvex {

namespace {

QString latin1(const QByteArray& text) {
    return QString::fromLatin1(text);
}

// The controls that have a hint, found from the widget the mouse is over.
std::optional<NetControlElement> controlOf(const ElementTable<NetControlElement>& elements,
                                           const QObject* watched) {
    for (const NetControlElement& e : frmNCS::all) {
        const QObject* element = elements.find(e);
        if (element == watched) return e;
        if (auto* list = qobject_cast<const QListWidget*>(element); list && list->viewport() == watched)
            return e;
    }
    return std::nullopt;
}

} // namespace

class NetControlWindow::View : public NetControlView {
public:
    explicit View(NetControlWindow& w) : w_(w) {}

    void setText(NetControlElement e, const QByteArray& text) override {
        // The stored instructions are the operator's own words; they take a free mnemonic.
        if (auto* button = w_.elements_.get<QPushButton>(e)) return setOperatorCaption(*button, latin1(text));
        w_.elements_.setText(e, latin1(text));
    }
    QByteArray text(NetControlElement e) const override {
        if (auto* line = w_.elements_.get<QLineEdit>(e)) return line->text().toLatin1();
        if (auto* plain = w_.elements_.get<QPlainTextEdit>(e)) return plain->toPlainText().toLatin1();
        return {};
    }
    void setRows(NetControlElement l, const QList<QByteArray>& rows) override {
        QListWidget* list = w_.list(l);
        list->clear();
        for (const QByteArray& row : rows)
            list->addItem(latin1(row));
    }
    void appendRow(NetControlElement l, const QByteArray& row) override { w_.list(l)->addItem(latin1(row)); }
    void removeRow(NetControlElement l, int row) override { delete w_.list(l)->takeItem(row); }
    void clearSelection(NetControlElement l) override { w_.list(l)->clearSelection(); }
    void setTrafficHighlighted(bool yellow) override {
        setColours(*w_.traffic_, yellow ? QColor(255, 255, 0) : QColor(255, 255, 255), Qt::black);
    }
    void setFocus(NetControlElement e) override { w_.elements_.setFocus(e); }

private:
    NetControlWindow& w_;
};

NetControlWindow::NetControlWindow(NetControl& logic, const QWidget* mainWindow, QWidget* parent)
    : NetConsoleWindow(QStringLiteral("frmNCS"), QStringLiteral("Net Control Station"), mainWindow, parent),
      logic_(logic) {
    auto add = [this](NetControlElement e, QWidget* widget, const QString& accessible) {
        if (!accessible.isEmpty()) widget->setAccessibleName(accessible);
        return elements_.add(e, tracked(widget));
    };
    auto button = [&](NetControlElement e, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setAutoDefault(false);
        add(e, b, {});
        connect(b, &QPushButton::clicked, this, [this, e] { logic_.buttonClicked(e); });
        return b;
    };
    auto listIn = [&](NetControlElement frameName, const char* caption, NetControlElement listName) {
        auto* frame = elements_.add(frameName, new QGroupBox(QString::fromLatin1(caption), this));
        auto* list = new QListWidget(frame);
        add(listName, list, shownCaption(QString::fromLatin1(caption)));
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        (new QVBoxLayout(frame))->addWidget(list);
        return std::pair{frame, list};
    };

    QPushButton* activate = button(frmNCS::cmdActivate, "&Activate Net");
    QPushButton* ncs1 = button(frmNCS::cmdNCS1, "All Stations Check In");
    QPushButton* ncs2 = button(frmNCS::cmdNCS2, "Any additional checkins ?");
    QPushButton* ncs3 = button(frmNCS::cmdNCS3, "Any station with traffic ?");
    QPushButton* ncs4 = button(frmNCS::cmdNCS4, "All stations may send traffic");
    // The captions come from the settings and may be empty: the buttons keep a name of their own.
    int number = 0;
    for (QPushButton* stored : {ncs1, ncs2, ncs3, ncs4})
        stored->setAccessibleName(QStringLiteral("Stored instruction %1").arg(++number));
    message_ =
        static_cast<QLineEdit*>(add(frmNCS::txtMsg, new QLineEdit(this), QStringLiteral("Instruction")));
    auto [trafficFrame, traffic] = listIn(frmNCS::Frame1, "&Traffic Requests", frmNCS::List1);
    auto [checkinFrame, checkins] = listIn(frmNCS::Frame2, "Chec&kins", frmNCS::List2);
    traffic_ = traffic;
    checkins_ = checkins;
    QPushButton* send = button(frmNCS::cmdSend, "&Send");
    QPushButton* clear = button(frmNCS::cmdClear, "&Clear");
    QPushButton* closeNet = button(frmNCS::Command1, "Close &Net");
    auto* help = new QPlainTextEdit(this);
    add(frmNCS::txtHelp, help, QStringLiteral("Hint"));
    help->setReadOnly(true);
    help->setFocusPolicy(Qt::ClickFocus);
    help->setFixedHeight(help->fontMetrics().lineSpacing() * 3 + 8);

    connect(traffic_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { logic_.trafficDoubleClicked(traffic_->row(item)); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(activate, 0, 0);
    grid->addWidget(closeNet, 0, 1);
    grid->addWidget(ncs1, 1, 0);
    grid->addWidget(ncs2, 1, 1);
    grid->addWidget(ncs3, 2, 0);
    grid->addWidget(ncs4, 2, 1);
    grid->addWidget(message_, 3, 0, 1, 2);
    grid->addWidget(trafficFrame, 4, 0);
    grid->addWidget(checkinFrame, 4, 1);
    auto* listButtons = new QHBoxLayout;
    listButtons->addStretch(1);
    listButtons->addWidget(send);
    listButtons->addWidget(clear);
    grid->addLayout(listButtons, 5, 1);
    grid->addWidget(help, 6, 0, 1, 2);
    setTabOrder(activate, closeNet);
    setTabOrder(closeNet, ncs1);
    setTabOrder(ncs1, ncs2);
    setTabOrder(ncs2, ncs3);
    setTabOrder(ncs3, ncs4);
    setTabOrder(ncs4, message_);
    setTabOrder(message_, traffic_);
    setTabOrder(traffic_, checkins_);
    setTabOrder(checkins_, send);
    setTabOrder(send, clear);

    view_ = std::make_unique<View>(*this);
    logic_.attach(view_.get());
    adjustSize();
}

NetControlWindow::~NetControlWindow() {
    logic_.detach(view_.get());
}

QListWidget* NetControlWindow::list(NetControlElement element) const {
    return element == frmNCS::List1 ? traffic_ : checkins_;
}

void NetControlWindow::closeForLogic() {
    closingForLogic_ = true;
    if (!inCloseEvent_) close();
}

void NetControlWindow::closeEvent(QCloseEvent* event) {
    if (!closingForLogic_) {
        // The logic decides, perhaps after asking; it closes the window through closeForLogic().
        inCloseEvent_ = true;
        logic_.requestClose();
        inCloseEvent_ = false;
    }
    if (closingForLogic_) {
        logic_.detach(view_.get());
        event->accept();
    } else {
        event->ignore();
    }
}

bool NetControlWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        if (const auto over = controlOf(elements_, watched)) logic_.mouseMoved(*over);
        break;
    case QEvent::MouseButtonPress:
        if (watched == traffic_->viewport()) logic_.trafficMouseDown();
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == message_) {
            if (logic_.messageKeyPress(messageKeyCode(*key))) return true;
        } else if (watched == traffic_ && enter) {
            // The keyboard's double click: permission to the selected station.
            if (!traffic_->selectedItems().isEmpty()) logic_.trafficDoubleClicked(traffic_->currentRow());
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Delete || key->isAutoRepeat()) break;
        if (watched == traffic_ && !traffic_->selectedItems().isEmpty())
            logic_.trafficDelete(traffic_->currentRow());
        else if (watched == checkins_ && !checkins_->selectedItems().isEmpty())
            logic_.checkinDelete(checkins_->currentRow());
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvex
