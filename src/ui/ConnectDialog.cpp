#include "ConnectDialog.h"

#include "Controls.h"
#include "WindowParts.h"
#include "link/DestinationList.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex {

namespace {
const QString kListHint = QStringLiteral("Double click a callsign to select it as the destination.  Delete "
                                         "callsigns from this list by selecting "
                                         "then pressing") +
                          QStringLiteral(" Delete key.");
const QString kAddCallHint = QStringLiteral("Enter callsign of final destination.");
const QString kToAddHint =
    QStringLiteral("Enter destination callsign or select a destination from callsign list at left.");
const QString kFrameHint =
    QStringLiteral(" Enter new callsign to be added to list above.     Connection to callsign may be made "
                   "through a maximum of "
                   "3 nodes. ") +
    QStringLiteral("   Enter names of nodes to be used, if any.   A note may be entered if desired.");
const QString kPathHint =
    QStringLiteral("If connection is to be made through  intermediate nodes, enter node names.") +
    QStringLiteral("   A maximum of 3 tandem nodes can be used.   Top name is node closest to you.  ") +
    QStringLiteral(
        "  Next name is node closer to destination.  If 3 nodes are used, bottom line is node closest to "
        "destination.");
const QString kNoteHint = QStringLiteral("An informational note may be entered here if desired.");
} // namespace

ConnectDialog::ConnectDialog(QString listPath, MessageBoxes& boxes, std::function<bool(QByteArray)> onConnect,
                             std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent), listPath_(std::move(listPath)), boxes_(boxes),
      onConnect_(std::move(onConnect)) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Connection Setup"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    using namespace frmConnect;
    auto named = [this](auto* widget, ConnectElement name) { return elements_.add(name, widget); };

    auto* menu = new QMenuBar(this);
    named(addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("ConDest.html")), mnuHelp);

    auto* listFrame = named(new QGroupBox(QStringLiteral("Callsign &List"), this), Frame1);
    list_ = named(new QListWidget(listFrame), lstCallsign);
    list_->setAccessibleName(shownCaption(listFrame->title()));
    (new QVBoxLayout(listFrame))->addWidget(list_);

    auto* toFrame = named(new QGroupBox(QStringLiteral("&To Station "), this), Frame2);
    toAdd_ = named(new QLineEdit(toFrame), txtToAdd);
    toAdd_->setAccessibleName(shownCaption(toFrame->title()).trimmed());
    (new QVBoxLayout(toFrame))->addWidget(toAdd_);

    auto* instruction =
        named(new QLabel(QStringLiteral("Specify destination by entering callsign above or by double "
                                        "clicking callsign at left.      Then press Connect button"),
                         this),
              Label4);
    instruction->setWordWrap(true);
    auto* connectButton = named(new QPushButton(QStringLiteral("C&onnect"), this), cmdConnect);
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancel"), this), cmdCancel);

    auto* addFrame = named(new QGroupBox(QStringLiteral("A&dd new connection"), this), Frame3);
    addFrame->setMouseTracking(true);
    addFrame_ = addFrame;
    auto* callLabel = named(new QLabel(QStringLiteral("&Final connection:"), addFrame), Label1);
    addCall_ = named(new QLineEdit(addFrame), txtAddCall);
    callLabel->setBuddy(addCall_);
    addCall_->setAccessibleName(shownCaption(callLabel->text()));
    auto* pathLabel = named(new QLabel(QStringLiteral("&Intermediate connections:"), addFrame), Label2);
    for (int i = 0; i < 3; ++i) {
        path_[i] = named(new QLineEdit(addFrame), txtPath[i]);
        path_[i]->setAccessibleName(shownCaption(pathLabel->text()) + QLatin1Char(' ') +
                                    QString::number(i + 1));
    }
    pathLabel->setBuddy(path_[0]);
    auto* noteLabel = named(new QLabel(QStringLiteral("&Note:"), addFrame), Label3);
    note_ = named(new QLineEdit(addFrame), txtNote);
    noteLabel->setBuddy(note_);
    note_->setAccessibleName(shownCaption(noteLabel->text()));
    auto* add = named(new QPushButton(QStringLiteral("&Add"), addFrame), cmdAdd);

    auto* addGrid = new QGridLayout(addFrame);
    addGrid->addWidget(callLabel, 0, 0);
    addGrid->addWidget(addCall_, 0, 1);
    addGrid->addWidget(pathLabel, 1, 0, Qt::AlignTop);
    for (int i = 0; i < 3; ++i)
        addGrid->addWidget(path_[i], 1 + i, 1);
    addGrid->addWidget(noteLabel, 4, 0);
    addGrid->addWidget(note_, 4, 1);
    addGrid->addWidget(add, 5, 1, Qt::AlignRight);

    hintBox_ = named(new QPlainTextEdit(this), Text1);
    hintBox_->setReadOnly(true);
    hintBox_->setAccessibleName(QStringLiteral("Hint"));
    hintBox_->setFixedHeight(hintBox_->fontMetrics().lineSpacing() * 4 + 12);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(connectButton);
    buttons->addWidget(cancel);
    auto* right = new QVBoxLayout;
    right->addWidget(toFrame);
    right->addWidget(instruction);
    right->addLayout(buttons);
    right->addWidget(addFrame);
    auto* top = new QHBoxLayout;
    top->addWidget(listFrame, 1);
    top->addLayout(right, 1);
    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(top);
    box->addWidget(hintBox_);

    hints_ = {{list_, kListHint}, {addCall_, kAddCallHint}, {toAdd_, kToAddHint}, {note_, kNoteHint}};
    for (QLineEdit* path : path_)
        hints_.insert(path, kPathHint);
    for (auto it = hints_.cbegin(); it != hints_.cend(); ++it)
        it.key()->installEventFilter(this);
    list_->installEventFilter(this);
    addFrame->installEventFilter(this);
    installEventFilter(this);

    connect(list_, &QListWidget::itemDoubleClicked, this, &ConnectDialog::choose);
    connect(add, &QPushButton::clicked, this, &ConnectDialog::addClicked);
    connect(connectButton, &QPushButton::clicked, this, &ConnectDialog::connectClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    // Enter in the destination box connects, as the button next to it would.
    connect(toAdd_, &QLineEdit::returnPressed, connectButton, &QPushButton::click);
    for (QPushButton* b : {connectButton, cancel, add})
        b->setAutoDefault(false);

    for (const QByteArray& entry : DestinationList::load(listPath_))
        list_->addItem(QString::fromLatin1(entry));
    adjustSize();
}

void ConnectDialog::hint(const QString& text) {
    if (hintBox_->toPlainText() != text) hintBox_->setPlainText(text);
}

bool ConnectDialog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::FocusIn:
        if (hints_.contains(watched)) hint(hints_.value(watched));
        break;
    case QEvent::MouseMove: {
        // Only the bare background of the dialog or of the Add frame, not the fields on them.
        auto* widget = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if ((watched == this || watched == addFrame_) && !widget->childAt(at))
            hint(watched == this ? QString() : kFrameHint);
        break;
    }
    case QEvent::KeyPress:
        if (watched == list_) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
                removeSelected();
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list_->currentItem()) {
                choose(list_->currentItem());
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void ConnectDialog::choose(QListWidgetItem* item) {
    if (item) toAdd_->setText(QString::fromLatin1(DestinationList::destinationOf(item->text().toLatin1())));
}

void ConnectDialog::removeSelected() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return;
    delete item;
    saveList();
}

void ConnectDialog::addClicked() {
    if (addCall_->text().isEmpty()) {
        boxes_.show(QStringLiteral("No Callsign Entered"), QStringLiteral("A callsign must be specified"));
        return;
    }
    const QByteArray entry = DestinationList::buildEntry(
        addCall_->text().toLatin1(),
        {path_[0]->text().toLatin1(), path_[1]->text().toLatin1(), path_[2]->text().toLatin1()},
        note_->text().toLatin1());
    list_->addItem(QString::fromLatin1(entry));
    addCall_->clear();
    for (QLineEdit* path : path_)
        path->clear();
    note_->clear();
    saveList();
}

void ConnectDialog::saveList() {
    QList<QByteArray> entries;
    for (int i = 0; i < list_->count(); ++i)
        entries.append(list_->item(i)->text().toLatin1());
    if (!DestinationList::save(listPath_, entries))
        boxes_.show(QStringLiteral("Callsign list not saved"), QStringLiteral("Unable to write ") + listPath_,
                    MessageBoxes::Icon::Warning);
}

void ConnectDialog::connectClicked() {
    if (onConnect_ && onConnect_(toAdd_->text().toLatin1())) close();
}

} // namespace tolvex
