#include "BroadcastWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tolvex {

namespace {
constexpr int kOptionWidthPx = 480; // a long entry is shown elided; its whole text is its name

QString shownText(const QByteArray& text) {
    return QString::fromLatin1(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
} // namespace

class BroadcastWindow::View : public BroadcastView {
public:
    explicit View(BroadcastWindow& w) : w_(w) {}

    void setVisible(BroadcastElement e, bool visible) override { w_.elements_.setVisible(e, visible); }
    void setText(BroadcastElement e, const QByteArray& text) override {
        if (auto* option = w_.elements_.get<QRadioButton>(e)) {
            // An entry is an address, not a caption: no "&" mnemonics, no growing past the dialog.
            const QString entry = QString::fromLatin1(text);
            QString caption = option->fontMetrics().elidedText(entry, Qt::ElideRight, kOptionWidthPx);
            option->setText(caption.replace(QLatin1Char('&'), QLatin1String("&&")));
            option->setAccessibleName(entry);
            option->setToolTip(entry);
            return;
        }
        w_.elements_.setText(e, shownText(text));
    }
    QByteArray messageText() const override { return w_.text_->text().toLatin1(); }
    int chosenOption() const override { return w_.options_->checkedId(); }
    void choose(int option) override {
        if (QAbstractButton* button = w_.options_->button(option)) {
            button->setChecked(true);
            return;
        }
        w_.options_->setExclusive(false); // an exclusive group keeps one checked otherwise
        for (QAbstractButton* button : w_.options_->buttons())
            button->setChecked(false);
        w_.options_->setExclusive(true);
    }
    void close() override { w_.close(); }

private:
    BroadcastWindow& w_;
};

BroadcastWindow::BroadcastWindow(Broadcasts& broadcasts, QWidget* parent)
    : CentredOnFirstShow<QWidget>(parent, Qt::Window), broadcasts_(broadcasts) {
    setObjectName(QStringLiteral("frmBroadcast"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Compose Broadcast Message"));

    auto add = [this](BroadcastElement element, auto* object) { return elements_.add(element, object); };

    auto* menu = new QMenuBar(this);
    QAction* setupGroups = add(frmBroadcast::mnuGSetup, menu->addAction(QStringLiteral("Setup&Groups")));
    connect(setupGroups, &QAction::triggered, this, [this] { broadcasts_.setupGroups(); });
    add(frmBroadcast::mnuHelp, addHelpItem(*menu, *this, [this] { broadcasts_.showHelp(); }));

    auto* heading = new QLabel(this);
    heading->setTextFormat(Qt::PlainText);
    add(frmBroadcast::Label1, heading);

    auto* optionBox = new QVBoxLayout;
    options_ = new QButtonGroup(this);
    int id = 0;
    for (const BroadcastElement element : frmBroadcast::Option1) {
        auto* option = new QRadioButton(QStringLiteral("X"), this);
        add(element, option);
        // The dialog keeps its size as entries come and go.
        option->setFixedHeight(option->sizeHint().height());
        option->setText({});
        option->setFixedWidth(kOptionWidthPx +
                              option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                              2 * option->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing));
        QSizePolicy policy = option->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        option->setSizePolicy(policy);
        options_->addButton(option, id++);
        optionBox->addWidget(option);
    }

    text_ = new QLineEdit(this);
    add(frmBroadcast::Text1, text_);
    text_->setAccessibleName(QStringLiteral("Broadcast message"));
    text_->setMaxLength(int(Broadcasts::maxLength)); // a paste is held to one line's length too
    text_->setMinimumWidth(text_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 50);
    text_->installEventFilter(this);

    auto* instructions = new QLabel(this);
    instructions->setTextFormat(Qt::PlainText);
    add(frmBroadcast::Label2, instructions);

    auto* send = add(frmBroadcast::cmdSend, new QPushButton(QStringLiteral("&Send"), this));
    auto* cancel = add(frmBroadcast::cmdCancel, new QPushButton(QStringLiteral("&Cancel"), this));
    connect(send, &QPushButton::clicked, this, [this] { broadcasts_.send(); });
    connect(cancel, &QPushButton::clicked, this, [this] { broadcasts_.cancel(); });
    QHBoxLayout* buttonRow = closingRow({send, cancel});

    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addWidget(heading);
    box->addLayout(optionBox);
    box->addWidget(text_);
    box->addWidget(instructions);
    box->addLayout(buttonRow);

    view_ = std::make_unique<View>(*this);
    broadcasts_.attach(*view_);
    text_->setFocus(Qt::OtherFocusReason);
    adjustSize();
}

BroadcastWindow::~BroadcastWindow() {
    reportClosed(); // destroyed with its parent, never closed
}

void BroadcastWindow::reportClosed() {
    if (closedReported_) return;
    closedReported_ = true;
    broadcasts_.closed();
}

bool BroadcastWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool moves = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (!moves && !shortcut && !key->text().isEmpty()) {
            const int typed = key->text().at(0).unicode();
            const int kept = Broadcasts::typedKey(typed, text_->text().size());
            if (kept == 0) return true;
            if (kept != typed) {
                text_->insert(QString(QChar(kept)));
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BroadcastWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    reportClosed();
}

} // namespace tolvex
