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
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    installEventFilter(this);

    auto* menu = new QMenuBar(this);
    elements_.add(frmNode::mnuHelp,
                  addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("NodeResp.html")));

    struct GroupDef {
        NodeElement frame;
        const char* caption;
        const NodeElement* names;
        std::array<QByteArray, 4> Settings::*setting;
        std::array<QLineEdit*, 4>* fields;
        QString help;
    };
    const GroupDef groups[] = {
        {frmNode::Frame1, "Node &Ready Responses", frmNode::txtNodeReady, &Settings::NodeReady, &ready_,
         kReadyHelp},
        {frmNode::Frame2, "Connection &Made Responses", frmNode::txtLinkMade, &Settings::LinkMade, &made_,
         kMadeHelp},
        {frmNode::Frame3, "Connection &Failure Responses", frmNode::txtConnFail, &Settings::ConnFail, &fail_,
         kFailHelp},
    };
    auto* frames = new QHBoxLayout;
    for (const GroupDef& def : groups) {
        auto* box = elements_.add(def.frame, new QGroupBox(QString::fromLatin1(def.caption), this));
        auto* column = new QVBoxLayout(box);
        for (int i = 0; i < 4; ++i) {
            auto* edit = elements_.add(def.names[i],
                                       new QLineEdit(QString::fromLatin1((settings_.*def.setting)[i]), box));
            edit->setAccessibleName(shownCaption(box->title()) + QLatin1Char(' ') + QString::number(i + 1));
            edit->setMinimumWidth(160);
            edit->setValidator(new OneLineValidator(edit));
            edit->installEventFilter(this);
            column->addWidget(edit);
            (*def.fields)[i] = edit;
            hints_.insert(edit, def.help);
        }
        frames->addWidget(box);
    }

    corner_ = saveCloseCorner(*this, new QLabel(this), kPurple, CornerPlace::BottomRight);
    elements_.add(frmNode::cmdClose, corner_.close);
    elements_.add(frmNode::lblSave, corner_.saveFrame);
    elements_.add(frmNode::cmdSave, corner_.save);
    corner_.save->installEventFilter(this);
    hints_.insert(corner_.save, kSaveHelp);
    corner_.showSave(false);
    connect(corner_.save, &QPushButton::clicked, this, &NodeDialog::save);

    helpField_ = elements_.add(frmNode::Text6, new QPlainTextEdit(this));
    helpField_->setReadOnly(true);
    helpField_->setAccessibleName(QStringLiteral("Help"));
    helpField_->setFixedHeight(helpField_->fontMetrics().lineSpacing() * 3 + 12);

    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(frames);
    box->addLayout(corner_.layout);
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
    corner_.showSave(true);
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
