#include "QtMessageBoxes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tolvex {

namespace {

QStyle::StandardPixmap pixmapFor(MessageBoxes::Icon icon) {
    switch (icon) {
    case MessageBoxes::Icon::Error:
        return QStyle::SP_MessageBoxCritical;
    case MessageBoxes::Icon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case MessageBoxes::Icon::Information:
    case MessageBoxes::Icon::None:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

// A plain dialog rather than QMessageBox: its size is settled before it shows, and the text,
// which may come off the air, is never read as markup.
QDialog* makeBox(QWidget* parent, const QString& title, const QString& text, MessageBoxes::Icon icon,
                 MessageBoxes::Buttons buttons) {
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setWindowTitle(title);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setAccessibleDescription(shown);

    auto* row = new QHBoxLayout;
    if (icon != MessageBoxes::Icon::None) {
        auto* picture = new QLabel(box);
        const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
        picture->setPixmap(box->style()->standardIcon(pixmapFor(icon), nullptr, box).pixmap(size, size));
        picture->setAlignment(Qt::AlignTop);
        row->addWidget(picture);
    }
    auto* label = new QLabel(shown, box);
    label->setObjectName(QStringLiteral("text"));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    row->addWidget(label, 1);

    QDialogButtonBox::StandardButtons set = QDialogButtonBox::Ok;
    if (buttons == MessageBoxes::Buttons::OkCancel) set = QDialogButtonBox::Ok | QDialogButtonBox::Cancel;
    if (buttons == MessageBoxes::Buttons::YesNo) set = QDialogButtonBox::Yes | QDialogButtonBox::No;
    auto* answers = new QDialogButtonBox(set, box);
    answers->setCenterButtons(true);
    QObject::connect(answers, &QDialogButtonBox::clicked, box, [box, answers](QAbstractButton* b) {
        const auto role = answers->buttonRole(b);
        box->done(role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::YesRole
                      ? QDialog::Accepted
                      : QDialog::Rejected);
    });
    if (QPushButton* first = answers->button(
            buttons == MessageBoxes::Buttons::YesNo ? QDialogButtonBox::Yes : QDialogButtonBox::Ok)) {
        first->setDefault(true);
        first->setFocus();
    }

    auto* column = new QVBoxLayout(box);
    column->addLayout(row);
    column->addWidget(answers);
    column->setSizeConstraint(QLayout::SetFixedSize);
    box->adjustSize();
    return box;
}

} // namespace

int QtMessageBoxes::openCount() const {
    int n = 0;
    for (const Open& o : open_)
        if (o.box) ++n;
    return n;
}

void QtMessageBoxes::show(const QString& title, const QString& text, Icon icon, Buttons buttons,
                          AnswerFn onAnswer) {
    open_.removeIf([](const Open& o) { return !o.box; });
    if (buttons == Buttons::Ok && !onAnswer) {
        for (const Open& o : open_)
            if (o.title == title && o.text == text && o.icon == icon) {
                o.box->activateWindow();
                return;
            }
    }
    QDialog* box = makeBox(parent_, title, text, icon, buttons);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (onAnswer) {
        QObject::connect(box, &QDialog::finished, box, [buttons, onAnswer](int result) {
            const bool accepted = result == QDialog::Accepted;
            if (buttons == Buttons::YesNo)
                onAnswer(accepted ? Answer::Yes : Answer::No);
            else if (buttons == Buttons::OkCancel)
                onAnswer(accepted ? Answer::Ok : Answer::Cancel);
            else
                onAnswer(Answer::Ok);
        });
    }
    open_.append({box, title, text, icon});
    box->open();
}

} // namespace tolvex
