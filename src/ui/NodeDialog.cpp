#include "NodeDialog.h"

#include "Controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

namespace tolvex {

namespace {
const QColor kPurple(128, 0, 128);
const QString kReadyHelp = QStringLiteral(
    "Insert here messages that are sent by a node when it is ready to receive a command input.");
const QString kMadeHelp = QStringLiteral(
    "Insert here messages that are sent by a node when it has completed a connection request.");
const QString kFailHelp = QStringLiteral(
    "Insert here messages that are sent by a node when it is unable to complete a connection request.");
const QString kSaveHelp =
    QStringLiteral("Press this button to save the changes you have made to setup parameters");

} // namespace

NodeDialog::NodeDialog(Settings& settings, std::function<void()> onSaved,
                       std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent), settings_(settings), onSaved_(std::move(onSaved)) {
    setObjectName(QStringLiteral("frmNode"));
    setWindowTitle(QStringLiteral("Node Responses"));
    setModal(false);
    setMouseTracking(true);
    installEventFilter(this);

    auto* menu = new QMenuBar(this);
    QAction* helpItem = menu->addAction(QStringLiteral("Help"));
    helpItem->setObjectName(QStringLiteral("mnuHelp"));
    helpItem->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpItem, &QAction::triggered, this, [showHelp = std::move(showHelp)] {
        if (showHelp) showHelp(QStringLiteral("NodeResp.html"));
    });

    struct GroupDef {
        const char* frame;
        const char* caption;
        const char* name;
        std::array<QByteArray, 4> Settings::*setting;
        std::array<QLineEdit*, 4>* fields;
        QString help;
    };
    const GroupDef groups[] = {
        {"Frame1", "Node Ready Responses", "txtNodeReady", &Settings::NodeReady, &ready_, kReadyHelp},
        {"Frame2", "Connection Made Responses", "txtLinkMade", &Settings::LinkMade, &made_, kMadeHelp},
        {"Frame3", "Connection Failure Responses", "txtConnFail", &Settings::ConnFail, &fail_, kFailHelp},
    };
    auto* frames = new QHBoxLayout;
    for (const GroupDef& def : groups) {
        auto* box = new QGroupBox(QString::fromLatin1(def.caption), this);
        box->setObjectName(QString::fromLatin1(def.frame));
        auto* column = new QVBoxLayout(box);
        for (int i = 0; i < 4; ++i) {
            auto* edit = new QLineEdit(QString::fromLatin1((settings_.*def.setting)[i]), box);
            edit->setObjectName(QString::fromLatin1(def.name) + QLatin1Char('_') + QString::number(i));
            edit->setAccessibleName(box->title() + QLatin1Char(' ') + QString::number(i + 1));
            edit->setMinimumWidth(160);
            edit->setValidator(new OneLineValidator(edit));
            edit->installEventFilter(this);
            column->addWidget(edit);
            (*def.fields)[i] = edit;
            hints_.insert(edit, def.help);
        }
        frames->addWidget(box);
    }

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* lblSave = new QLabel(this);
    lblSave->setObjectName(QStringLiteral("lblSave"));
    setColours(*lblSave, kPurple, Qt::white);
    auto* save = new QPushButton(QStringLiteral("Save Changes"), lblSave);
    save->setObjectName(QStringLiteral("cmdSave"));
    useStandardColours(*save);
    save->installEventFilter(this);
    hints_.insert(save, kSaveHelp);
    auto* saveBox = new QVBoxLayout(lblSave);
    saveBox->setContentsMargins(8, 8, 8, 8);
    saveBox->addWidget(save);
    lblSave->hide();
    save->hide();
    for (QPushButton* b : {close, save})
        b->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(save, &QPushButton::clicked, this, &NodeDialog::save);

    helpField_ = new QPlainTextEdit(this);
    helpField_->setObjectName(QStringLiteral("Text6"));
    helpField_->setReadOnly(true);
    helpField_->setAccessibleName(QStringLiteral("Help"));
    helpField_->setFixedHeight(helpField_->fontMetrics().lineSpacing() * 3 + 12);

    // Close and Save Changes share one place, which keeps its size while either is hidden.
    auto* buttons = new QGridLayout;
    buttons->setColumnStretch(0, 1);
    for (QWidget* w :
         {static_cast<QWidget*>(close), static_cast<QWidget*>(lblSave), static_cast<QWidget*>(save)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    buttons->addWidget(close, 0, 1, Qt::AlignRight | Qt::AlignVCenter);
    buttons->addWidget(lblSave, 0, 1);
    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(frames);
    box->addLayout(buttons);
    box->addWidget(helpField_);
    adjustSize();
}

void NodeDialog::help(const QString& text) {
    if (helpField_->toPlainText() != text) helpField_->setPlainText(text);
}

bool NodeDialog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::FocusIn:
        if (hints_.contains(watched)) help(hints_.value(watched));
        break;
    case QEvent::MouseMove:
        if (watched == this && !childAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            help(QString());
        break;
    case QEvent::MouseButtonRelease:
        // A click into a field counts as a change; typing alone does not.
        if (qobject_cast<QLineEdit*>(watched)) changesMade();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void NodeDialog::changesMade() {
    findChild<QWidget*>(QStringLiteral("cmdClose"))->hide();
    findChild<QWidget*>(QStringLiteral("lblSave"))->show();
    findChild<QWidget*>(QStringLiteral("cmdSave"))->show();
}

void NodeDialog::save() {
    for (int i = 0; i < 4; ++i) {
        settings_.NodeReady[i] = ready_[i]->text().toLatin1();
        settings_.LinkMade[i] = made_[i]->text().toLatin1();
    }
    for (int i = 0; i < 4; ++i)
        settings_.ConnFail[i] = fail_[i]->text().toLatin1();
    if (onSaved_) onSaved_();
    close();
}

} // namespace tolvex
