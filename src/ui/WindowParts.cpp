#include "WindowParts.h"

#include "Controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace tolvex {

namespace {

void keepPlaceWhenHidden(QWidget& widget) {
    QSizePolicy policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
}

// The mnemonic keys taken in a window, apart from one button: buttons, frames, labels that lead
// to a field, menus and their items.
QSet<QChar> takenKeys(const QWidget& window, const QAbstractButton* except) {
    QSet<QChar> taken;
    auto take = [&](const QString& caption) {
        if (const QChar key = mnemonicOf(caption); !key.isNull()) taken.insert(key);
    };
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (b != except) take(b->text());
    for (const QGroupBox* box : window.findChildren<QGroupBox*>())
        take(box->title());
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->buddy()) take(label->text());
    for (const QMenu* menu : window.findChildren<QMenu*>())
        for (const QAction* a : menu->actions())
            take(a->text());
    for (const QMenuBar* bar : window.findChildren<QMenuBar*>())
        for (const QAction* a : bar->actions())
            take(a->text());
    return taken;
}

} // namespace

QAction* addHelpItem(QMenuBar& bar, QWidget& window, std::function<void()> open) {
    QAction* help = bar.addAction(QStringLiteral("&Help"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    window.addAction(help); // F1 works wherever the focus is in the window
    QObject::connect(help, &QAction::triggered, &window, [open = std::move(open)] {
        if (open) open();
    });
    return help;
}

QAction* addHelpItem(QMenuBar& bar, QWidget& window, std::function<void(QString)> showHelp,
                     const QString& page) {
    return addHelpItem(bar, window, [showHelp = std::move(showHelp), page] {
        if (showHelp) showHelp(page);
    });
}

void SaveCloseCorner::showSave(bool show) const {
    close->setVisible(!show);
    saveFrame->setVisible(show);
    save->setVisible(show);
}

SaveCloseCorner saveCloseCorner(QWidget& dialog, QWidget* saveFrame, const QColor& frameColour,
                                CornerPlace place) {
    SaveCloseCorner corner;
    corner.close = new QPushButton(QStringLiteral("&Close"), &dialog);
    corner.saveFrame = saveFrame;
    setColours(*saveFrame, frameColour, Qt::white);
    corner.save = new QPushButton(QStringLiteral("&Save Changes"), saveFrame);
    useStandardColours(*corner.save);
    auto* saveBox = new QVBoxLayout(saveFrame);
    saveBox->setContentsMargins(8, 8, 8, 8);
    saveBox->addWidget(corner.save);
    for (QPushButton* b : {corner.close, corner.save})
        b->setAutoDefault(false);
    for (QWidget* w : {static_cast<QWidget*>(corner.close), saveFrame, static_cast<QWidget*>(corner.save)})
        keepPlaceWhenHidden(*w);
    QObject::connect(corner.close, &QPushButton::clicked, &dialog, &QWidget::close);

    corner.layout = new QGridLayout;
    if (place == CornerPlace::TopRight) {
        corner.layout->addWidget(corner.close, 0, 0, Qt::AlignRight | Qt::AlignTop);
        corner.layout->addWidget(saveFrame, 0, 0, Qt::AlignRight | Qt::AlignTop);
    } else {
        corner.layout->setColumnStretch(0, 1);
        corner.layout->addWidget(corner.close, 0, 1, Qt::AlignRight | Qt::AlignVCenter);
        corner.layout->addWidget(saveFrame, 0, 1);
    }
    return corner;
}

QHBoxLayout* closingRow(std::initializer_list<QPushButton*> buttons, bool keepPlace) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons) {
        b->setAutoDefault(false);
        if (keepPlace) keepPlaceWhenHidden(*b);
        row->addWidget(b);
    }
    return row;
}

bool bringToFront(QWidget* window) {
    if (!window || !window->isVisible()) return false;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    // A headless (offscreen) display has no stacking order and warns on raise.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
    window->activateWindow();
    return true;
}

QString shownCaption(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

void setOperatorCaption(QAbstractButton& button, const QString& text) {
    const QSet<QChar> taken = takenKeys(*button.window(), &button);
    auto freeAt = [&](qsizetype i) {
        return text[i].isLetterOrNumber() && !taken.contains(text[i].toUpper());
    };
    qsizetype at = -1;
    for (qsizetype i = 0; i < text.size() && at < 0; ++i)
        if ((i == 0 || text[i - 1].isSpace()) && freeAt(i)) at = i;
    for (qsizetype i = 0; i < text.size() && at < 0; ++i)
        if (freeAt(i)) at = i;
    QString caption;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == at) caption += QLatin1Char('&');
        caption += text[i];
        if (text[i] == QLatin1Char('&')) caption += QLatin1Char('&');
    }
    button.setText(caption);
}

} // namespace tolvex
