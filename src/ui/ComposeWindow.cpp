#include "ComposeWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace tolvex {

namespace {
// The window edits plain line feeds; the logic sees CR LF.
QString toEditor(const QByteArray& text) {
    return QString::fromLatin1(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QByteArray fromEditor(const QString& text) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return crlf.toLatin1();
}
} // namespace

class ComposeWindow::View : public ComposeView {
public:
    explicit View(ComposeWindow& w) : w_(w) {}

    QByteArray text(ComposeElement e) const override {
        if (e == frmCompose::Text1) return fromEditor(w_.text_->toPlainText());
        return w_.elements_.lineText(e).toLatin1();
    }
    void setText(ComposeElement e, const QByteArray& text) override {
        if (e == frmCompose::Text1)
            w_.text_->setPlainText(toEditor(text));
        else
            w_.elements_.setText(e, QString::fromLatin1(text));
    }
    bool isChecked(ComposeElement box) const override { return w_.elements_.isChecked(box); }
    void setChecked(ComposeElement box, bool checked) override { w_.elements_.setChecked(box, checked); }
    void setVisible(ComposeElement e, bool visible) override { w_.elements_.setVisible(e, visible); }
    void setTabStop(ComposeElement e, bool stop) override {
        if (auto* widget = w_.elements_.get<QWidget>(e))
            widget->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
    void replaceFirst(ComposeElement e, const QByteArray& what, const QByteArray& with) override {
        auto* edit = w_.elements_.get<QPlainTextEdit>(e);
        if (!edit) return;
        // Positions in a plain-text document count a line break as one character, as the text does.
        const QString find = QString::fromLatin1(what);
        const qsizetype at = edit->toPlainText().indexOf(find);
        if (at < 0) return;
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + find.size()), QTextCursor::KeepAnchor);
        cursor.insertText(toEditor(with));
        edit->setTextCursor(cursor);
    }
    void setCaption(const QByteArray& caption) override { w_.setWindowTitle(QString::fromLatin1(caption)); }
    void close() override { w_.close(); }

private:
    ComposeWindow& w_;
};

ComposeWindow::ComposeWindow(ComposeMode mode, ComposeContext context, std::function<void(QString)> showHelp,
                             QWidget* parent)
    : CentredOnFirstShow<QWidget>(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmCompose"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Compose Message"));

    auto add = [this](ComposeElement element, auto* object) { return elements_.add(element, object); };

    auto* menu = new QMenuBar(this);
    QMenu* edit = add(frmCompose::mnuEdit, menu->addMenu(QStringLiteral("&Edit")));
    struct Item {
        ComposeElement element;
        const char* caption;
        QKeySequence keys;
        void (ComposeWindow::*run)();
    };
    const Item items[] = {
        {frmCompose::mnuAll, "Copy &All", QKeySequence(Qt::CTRL | Qt::Key_A), &ComposeWindow::copyAll},
        {frmCompose::mnuCopy, "Cop&y", QKeySequence(Qt::CTRL | Qt::Key_C), &ComposeWindow::copy},
        {frmCompose::mnuCut, "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), &ComposeWindow::cut},
        {frmCompose::mnuPaste, "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &ComposeWindow::paste},
    };
    for (const Item& item : items) {
        QAction* action = edit->addAction(QString::fromLatin1(item.caption));
        action->setShortcut(item.keys);
        addAction(action); // the shortcuts work while the menu is closed
        connect(action, &QAction::triggered, this, item.run);
        add(item.element, action);
    }
    add(frmCompose::mnuHelp, addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("CompMess.html")));

    auto* textFrame = new QGroupBox(QStringLiteral("&Message Text"), this);
    add(frmCompose::Frame1, textFrame);
    text_ = new QPlainTextEdit(textFrame);
    add(frmCompose::Text1, text_);
    text_->setAccessibleName(QStringLiteral("Message Text"));
    text_->setTabChangesFocus(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->installEventFilter(this);
    {
        const QScreen* screen = this->screen();
        const int twips = screen ? pxToTwips(screen->geometry().height(), screen->logicalDotsPerInchY()) : 0;
        QFont font = text_->font();
        font.setPointSize(twips > kLargeFontScreenTwips ? 12 : 10);
        text_->setFont(font);
        text_->setMinimumSize(text_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 60,
                              text_->fontMetrics().lineSpacing() * 18);
    }
    auto* textBox = new QVBoxLayout(textFrame);
    textBox->addWidget(text_);

    auto* subjectLabel = new QLabel(QStringLiteral("&Subject:"), this);
    add(frmCompose::Label1, subjectLabel);
    auto* subject = new QLineEdit(this);
    add(frmCompose::txtSubject, subject);
    subject->setAccessibleName(QStringLiteral("Subject"));
    subjectLabel->setBuddy(subject);
    subject->installEventFilter(this);
    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(subjectLabel);
    subjectRow->addWidget(subject, 1);

    auto* requests = new QGroupBox(QStringLiteral("Request of destination station"), this);
    add(frmCompose::Frame2, requests);
    auto* requestBox = new QVBoxLayout(requests);
    const std::pair<ComposeElement, const char*> boxes[] = {
        {frmCompose::chkAlert, "Sound audible a&lert"},
        {frmCompose::chkPrint, "P&rint this message"},
        {frmCompose::chkAck, "Co&nfirm receipt of this message"},
        {frmCompose::chkDis, "Disc&onnect after message transferred"},
    };
    QCheckBox* disconnect = nullptr;
    for (const auto& [element, caption] : boxes) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), requests);
        add(element, box);
        requestBox->addWidget(box);
        if (element == frmCompose::chkDis) disconnect = box;
    }
    auto* warn = new QLabel(
        QStringLiteral("Do not use disconnect option when sending messages to a bulletin board"), requests);
    add(frmCompose::lblWarn, warn);
    warn->setWordWrap(true);
    requestBox->addWidget(warn);

    auto* done = add(frmCompose::cmdDone, new QPushButton(QStringLiteral("&Done"), this));
    auto* cancel = add(frmCompose::cmdCancel, new QPushButton(QStringLiteral("&Cancel"), this));
    QHBoxLayout* buttonRow = closingRow({done, cancel}, true);

    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addWidget(textFrame, 1);
    box->addLayout(subjectRow);
    box->addWidget(requests);
    box->addLayout(buttonRow);
    setTabOrder(text_, subject);

    view_ = std::make_unique<View>(*this);
    composer_ = std::make_unique<Composer>(mode, context, *view_);
    connect(disconnect, &QCheckBox::clicked, this, [this] { composer_->disconnectClicked(); });
    connect(done, &QPushButton::clicked, this, [this] { composer_->done(); });
    connect(cancel, &QPushButton::clicked, this, [this] { composer_->cancel(); });
    composer_->open();
    text_->setFocus(Qt::OtherFocusReason);
    adjustSize();
}

ComposeWindow::~ComposeWindow() = default;

bool ComposeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_) {
        switch (event->type()) {
        case QEvent::FocusIn: {
            // Coming back from another window or a menu is not the operator moving into the text;
            // the window's first showing is.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            const bool returning =
                reason == Qt::PopupFocusReason || (reason == Qt::ActiveWindowFocusReason && firstFocusTaken_);
            firstFocusTaken_ = true;
            if (!returning) composer_->textFocused();
            break;
        }
        case QEvent::ShortcutOverride: {
            // The menu's shortcuts win over the box's own (Ctrl+A copies all, it does not select).
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeySequence pressed(key->keyCombination());
            for (QAction* action : actions())
                if (action->shortcut() == pressed) return true;
            break;
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier);
            if (composer_->textKeyPress(tab)) return true;
            break;
        }
        default:
            break;
        }
    } else if (event->type() == QEvent::KeyPress) { // txtSubject
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool typed = !key->text().isEmpty() || key->key() == Qt::Key_Backspace;
        const bool moves = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (typed && !moves && !composer_->subjectTakesKey()) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ComposeWindow::copyAll() {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text_->toPlainText());
}

void ComposeWindow::copy() {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text_->textCursor().selection().toPlainText());
}

void ComposeWindow::cut() {
    copy();
    text_->textCursor().removeSelectedText();
}

void ComposeWindow::paste() {
    text_->textCursor().insertText(QApplication::clipboard()->text());
}

} // namespace tolvex
