#include "ConnectDialog.h"

#include "Controls.h"
#include "WindowParts.h"

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

class ConnectDialog::View : public ConnectView {
public:
    explicit View(ConnectDialog& w) : w_(w) {}
    QByteArray text(ConnectElement box) const override { return w_.elements_.lineText(box).toLatin1(); }
    void setText(ConnectElement element, const QByteArray& text) override {
        // A hint shows from its start, however long.
        if (auto* hint = w_.elements_.get<QPlainTextEdit>(element))
            hint->setPlainText(QString::fromLatin1(text));
        else
            w_.elements_.setText(element, QString::fromLatin1(text));
    }
    void setRows(const QList<QByteArray>& rows) override {
        w_.list_->clear();
        for (const QByteArray& row : rows)
            appendRow(row);
    }
    void appendRow(const QByteArray& row) override { w_.list_->addItem(QString::fromLatin1(row)); }
    void removeRow(int row) override { delete w_.list_->takeItem(row); }
    void close() override { w_.close(); }

private:
    ConnectDialog& w_;
};

ConnectDialog::ConnectDialog(QString listPath, MessageBoxes& boxes, std::function<bool(QByteArray)> onConnect,
                             std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent) {
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
    auto* addCall = named(new QLineEdit(addFrame), txtAddCall);
    callLabel->setBuddy(addCall);
    addCall->setAccessibleName(shownCaption(callLabel->text()));
    auto* pathLabel = named(new QLabel(QStringLiteral("&Intermediate connections:"), addFrame), Label2);
    QLineEdit* path[3];
    for (int i = 0; i < 3; ++i) {
        path[i] = named(new QLineEdit(addFrame), txtPath[i]);
        path[i]->setAccessibleName(shownCaption(pathLabel->text()) + QLatin1Char(' ') +
                                   QString::number(i + 1));
    }
    pathLabel->setBuddy(path[0]);
    auto* noteLabel = named(new QLabel(QStringLiteral("&Note:"), addFrame), Label3);
    auto* note = named(new QLineEdit(addFrame), txtNote);
    noteLabel->setBuddy(note);
    note->setAccessibleName(shownCaption(noteLabel->text()));
    auto* add = named(new QPushButton(QStringLiteral("&Add"), addFrame), cmdAdd);

    auto* addGrid = new QGridLayout(addFrame);
    addGrid->addWidget(callLabel, 0, 0);
    addGrid->addWidget(addCall, 0, 1);
    addGrid->addWidget(pathLabel, 1, 0, Qt::AlignTop);
    for (int i = 0; i < 3; ++i)
        addGrid->addWidget(path[i], 1 + i, 1);
    addGrid->addWidget(noteLabel, 4, 0);
    addGrid->addWidget(note, 4, 1);
    addGrid->addWidget(add, 5, 1, Qt::AlignRight);

    auto* hintBox = named(new QPlainTextEdit(this), Text1);
    hintBox->setReadOnly(true);
    hintBox->setAccessibleName(QStringLiteral("Hint"));
    hintBox->setFixedHeight(hintBox->fontMetrics().lineSpacing() * 4 + 12);

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
    box->addWidget(hintBox);

    // The pointer over a field, or the focus in it, shows its hint.
    for (QWidget* hinted :
         std::initializer_list<QWidget*>{list_, addCall, toAdd_, note, path[0], path[1], path[2]})
        hinted->installEventFilter(this);
    addFrame->installEventFilter(this);
    installEventFilter(this);

    view_ = std::make_unique<View>(*this);
    setup_ = std::make_unique<ConnectSetup>(std::move(listPath), boxes, *view_, std::move(onConnect));
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { setup_->choose(list_->row(item)); });
    connect(add, &QPushButton::clicked, this, [this] { setup_->add(); });
    connect(connectButton, &QPushButton::clicked, this, [this] { setup_->connect(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    // Enter in the destination box connects, as the button next to it would.
    connect(toAdd_, &QLineEdit::returnPressed, connectButton, &QPushButton::click);
    for (QPushButton* b : {connectButton, cancel, add})
        b->setAutoDefault(false);
    setup_->open();
    adjustSize();
}

ConnectDialog::~ConnectDialog() = default;

bool ConnectDialog::eventFilter(QObject* watched, QEvent* event) {
    if (!setup_) return QDialog::eventFilter(watched, event); // still being built
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::FocusIn:
        if (watched != this && watched != addFrame_)
            for (const ConnectElement& e : frmConnect::all)
                if (elements_.find(e) == watched) setup_->pointerOver(e);
        break;
    case QEvent::MouseMove: {
        // Only the bare background of the dialog or of the Add frame, not the fields on them.
        auto* widget = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if ((watched == this || watched == addFrame_) && !widget->childAt(at))
            setup_->pointerOver(watched == this ? std::nullopt : std::optional(frmConnect::Frame3));
        break;
    }
    case QEvent::KeyPress:
        if (watched == list_) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            QListWidgetItem* current = list_->currentItem();
            if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
                if (current && current->isSelected()) setup_->remove(list_->row(current));
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && current) {
                setup_->choose(list_->row(current));
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tolvex
