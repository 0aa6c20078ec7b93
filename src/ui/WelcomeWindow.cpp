#include "WelcomeWindow.h"

#include "Controls.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex {

WelcomeWindow::WelcomeWindow(MessageBoxes& boxes, std::function<void(QByteArray)> onContinue,
                             std::function<void()> onQuit, QWidget* parent)
    : CentredOnFirstShow<QWidget>(parent, Qt::Window), boxes_(boxes), onContinue_(std::move(onContinue)),
      onQuit_(std::move(onQuit)) {
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(QStringLiteral("Tolvex"));
    setAttribute(Qt::WA_DeleteOnClose);

    using namespace frmWelcome;
    auto label = [this](WelcomeElement name, const char* text) {
        auto* l = elements_.add(name, new QLabel(QString::fromLatin1(text), this));
        l->setWordWrap(true);
        return l;
    };
    QLabel* title = label(Label1, "Welcome to Tolvex");
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setStyleHint(QFont::SansSerif);
    titleFont.setPointSize(14);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    QLabel* ask = label(Label2_0, "Please enter your callsign");
    QLabel* same = label(Label2_1, "(the same callsign as your tnc  MYCALL)");
    auto* text1 = elements_.add(Text1, new QLineEdit(this));
    text1->setAccessibleName(ask->text());
    text1->setAccessibleDescription(same->text());
    ask->setBuddy(text1);
    auto* command1 = elements_.add(Command1, new QPushButton(QStringLiteral("&Continue"), this));

    QLabel* label4 =
        label(Label4, "You may enter other operating preferences using the Setup/Preferences menu.");
    QLabel* label5 = label(
        Label5, "Parameters used  to communicate with the TNC can be set using  the Setup/TNC  menu.    "
                "In Particular,   ");
    QLabel* label3 = label(Label3, "if communication with the TNC is garbled,  change the baud rate.");

    auto* entry = new QGridLayout;
    entry->addWidget(ask, 0, 0);
    entry->addWidget(same, 1, 0);
    entry->addWidget(text1, 0, 1, 2, 1, Qt::AlignVCenter);
    entry->addWidget(command1, 0, 2, 2, 1, Qt::AlignVCenter);
    entry->setColumnStretch(1, 1);

    auto* box = new QVBoxLayout(this);
    box->addWidget(title);
    box->addSpacing(12);
    box->addLayout(entry);
    box->addSpacing(12);
    box->addWidget(label4);
    box->addWidget(label5);
    box->addWidget(label3);
    setMinimumWidth(480);

    connect(text1, &QLineEdit::textChanged, this, &WelcomeWindow::textChanged);
    connect(text1, &QLineEdit::returnPressed, command1, &QPushButton::click);
    connect(command1, &QPushButton::clicked, this, &WelcomeWindow::continueClicked);
    adjustSize();
}

void WelcomeWindow::textChanged(const QString& text) {
    // A hint that a full callsign wants the baud rate right; once shown it stays.
    if (text.size() <= 3) return;
    for (WelcomeElement name : {frmWelcome::Label3, frmWelcome::Label5}) {
        auto* l = elements_.get<QLabel>(name);
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        l->setPalette(palette);
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
}

void WelcomeWindow::continueClicked() {
    const QString text = elements_.lineText(frmWelcome::Text1);
    if (text.isEmpty()) {
        QPointer<WelcomeWindow> self(this);
        boxes_.show(QStringLiteral("Callsign needed"), QStringLiteral("Please enter a callsign"),
                    MessageBoxes::Icon::None, MessageBoxes::Buttons::OkCancel,
                    [self](MessageBoxes::Answer answer) {
                        if (!self || answer != MessageBoxes::Answer::Cancel || self->done_) return;
                        self->done_ = true;
                        if (self->onQuit_) self->onQuit_();
                    });
        return;
    }
    if (done_) return;
    done_ = true;
    QPointer<WelcomeWindow> self(this);
    if (onContinue_) onContinue_(text.toLatin1());
    if (self) close();
}

void WelcomeWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (done_) return;
    done_ = true;
    if (onQuit_) onQuit_();
}

} // namespace tolvex
