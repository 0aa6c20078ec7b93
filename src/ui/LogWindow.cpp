#include "LogWindow.h"

#include "Controls.h"
#include "WindowParts.h"
#include "messaging/MessageLog.h"

#include <QAbstractListModel>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace tolvex {

namespace {

// The rows line up in columns only in a fixed-pitch font.
QFont listFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    return font;
}

// The column headings, placed over the columns of logRowText: the date text and two blanks,
// the correspondent padded to six and three blanks, then the subject.
QString columnHeadings(const char* correspondent) {
    return QStringLiteral("Date/Time").leftJustified(14) +
           QString::fromLatin1(correspondent).leftJustified(9) + QStringLiteral("Subject");
}

// A list that reports a mouse button released over it once it has handled the release itself
// (a Ctrl+click deselects on release), and Enter or Space pressed on it.
class LogList : public QListView {
public:
    using QListView::QListView;
    std::function<void()> onRowChosen;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QListView::mouseReleaseEvent(event);
        if (onRowChosen) onRowChosen();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) {
            QListView::keyPressEvent(event);
            return;
        }
        event->accept();
        // The row the keyboard is on counts, selected or not.
        if (selectionModel()->selectedIndexes().isEmpty() && currentIndex().isValid())
            selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        if (onRowChosen) onRowChosen();
    }
};

} // namespace

// The rows of one list, kept as the logic gave them; only the rows on screen become QStrings.
class LogWindow::RowModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void setRows(const QList<QByteArray>& rows) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rows_.size()) return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return QString::fromLatin1(rows_.at(index.row()));
        return {};
    }

private:
    QList<QByteArray> rows_;
};

class LogWindow::View final : public LogView {
public:
    explicit View(LogWindow& w) : w_(w) {}
    void setRows(LogElement list, const QList<QByteArray>& rows) override {
        if (QListView* l = w_.elements_.get<QListView>(list))
            static_cast<RowModel*>(l->model())->setRows(rows);
    }
    int selectedRow(LogElement list) const override {
        const QListView* l = w_.elements_.get<QListView>(list);
        if (!l) return -1;
        const QModelIndexList selected = l->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? -1 : selected.first().row();
    }
    void clearSelection(LogElement list) override {
        if (QListView* l = w_.elements_.get<QListView>(list)) l->clearSelection();
    }
    void showMessage(const QByteArray& text) override {
        w_.message_->setPlainText(QString::fromLatin1(text));
    }
    QByteArray messageText() const override {
        return w_.message_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toLatin1();
    }

private:
    LogWindow& w_;
};

LogWindow::LogWindow(const QString& messagesDir, MessageBoxes& boxes, Printer& printer,
                     std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QWidget>(parent) {
    setObjectName(QStringLiteral("frmLog"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Message Log"));

    auto* menu = new QMenuBar(this);
    QMenu* edit = elements_.add(frmLog::mnuEdit, menu->addMenu(QStringLiteral("&Edit")));
    auto addItem = [&](LogElement name, const QString& caption, const QKeySequence& keys,
                       void (LogWindow::*fn)()) {
        QAction* item = elements_.add(name, edit->addAction(caption));
        item->setShortcut(keys);
        connect(item, &QAction::triggered, this, fn);
    };
    addItem(frmLog::mnuCopy, QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
            &LogWindow::editCopy);
    addItem(frmLog::mnuCut, QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), &LogWindow::editCut);
    addItem(frmLog::mnuPaste, QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
            &LogWindow::editPaste);
    elements_.add(frmLog::mnuHelp,
                  addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("ViewLog.html")));

    auto label = [&](LogElement name, const QString& caption, bool fixed) {
        auto* l = elements_.add(name, new QLabel(caption, this));
        if (fixed) l->setFont(listFont());
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(frmLog::lblRcvd, QStringLiteral("Received Messages"), false), 0, 0,
                    Qt::AlignHCenter);
    grid->addWidget(label(frmLog::lblSent, QStringLiteral("Sent Messages"), false), 0, 1, Qt::AlignHCenter);
    grid->addWidget(label(frmLog::lblRcvdColumns, columnHeadings("From"), true), 1, 0);
    grid->addWidget(label(frmLog::lblSentColumns, columnHeadings("To"), true), 1, 1);
    received_ = addList(frmLog::lstRcvd, QStringLiteral("Received Messages"));
    sent_ = addList(frmLog::lstSent, QStringLiteral("Sent Messages"));
    grid->addWidget(received_, 2, 0);
    grid->addWidget(sent_, 2, 1);

    message_ = elements_.add(frmLog::rtbMessage, new QPlainTextEdit(this));
    message_->setAccessibleName(QStringLiteral("Message"));
    message_->setReadOnly(true);
    message_->setFont(listFont());
    message_->setMinimumHeight(message_->fontMetrics().lineSpacing() * 14);
    message_->setTabChangesFocus(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto button = [&](LogElement name, const QString& caption) {
        auto* b = elements_.add(name, new QPushButton(caption, this));
        b->setMinimumWidth(90);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* print = button(frmLog::cmdPrint, QStringLiteral("P&rint"));
    QPushButton* del = button(frmLog::cmdDelete, QStringLiteral("&Delete"));
    QPushButton* close = button(frmLog::cmdClose, QStringLiteral("Cl&ose"));
    buttons->addStretch();

    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(grid, 1);
    box->addWidget(message_, 1);
    box->addLayout(buttons);

    view_ = std::make_unique<View>(*this);
    log_ = std::make_unique<MessageLog>(messagesDir, *view_, boxes, printer);
    static_cast<LogList*>(received_)->onRowChosen = [this] { log_->showReceived(); };
    static_cast<LogList*>(sent_)->onRowChosen = [this] { log_->showSent(); };
    // The viewer follows the selection however it moves (arrow keys, Page Down, Home), so Delete
    // always acts on the message the operator is looking at.
    const auto follow = [this](QListView* list, void (MessageLog::*showRow)()) {
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list, showRow] {
            if (list->selectionModel()->hasSelection()) (log_.get()->*showRow)();
        });
    };
    follow(received_, &MessageLog::showReceived);
    follow(sent_, &MessageLog::showSent);
    connect(print, &QPushButton::clicked, this, [this] { log_->print(); });
    connect(del, &QPushButton::clicked, this, [this] { log_->deleteSelected(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    log_->open();
    adjustSize();
}

LogWindow::~LogWindow() = default;

LogView& LogWindow::view() {
    return *view_;
}

QListView* LogWindow::addList(LogElement name, const QString& accessibleName) {
    auto* list = elements_.add(name, new LogList(this));
    list->setAccessibleName(accessibleName);
    list->setModel(new RowModel(list));
    list->setFont(listFont());
    // One row height for all rows: the view never measures a hundred thousand rows.
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QString(50, QLatin1Char('M'))));
    list->setMinimumHeight(list->fontMetrics().lineSpacing() * 12);
    return list;
}

void LogWindow::editCopy() {
    QWidget* focused = focusWidget();
    QString text;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        text = plain->textCursor().selection().toPlainText();
    } else if (auto* list = qobject_cast<QListView*>(focused)) {
        const QModelIndexList selected = list->selectionModel()->selectedIndexes();
        if (!selected.isEmpty()) text = selected.first().data().toString();
    } else {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void LogWindow::editCut() {
    // Cut only deletes, and the viewer is read-only: the clipboard keeps what it held.
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focusWidget()))
        if (!plain->isReadOnly()) plain->textCursor().removeSelectedText();
}

void LogWindow::editPaste() {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focusWidget()))
        if (!plain->isReadOnly()) plain->insertPlainText(QGuiApplication::clipboard()->text());
}

} // namespace tolvex
