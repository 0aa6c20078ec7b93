#include "Controls.h"

#include "WindowParts.h"
#include "core/Settings.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tolvex {

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize frame = window.frameGeometry().size();
    const int left = std::max(0, (area.width() - frame.width()) / 2);
    const int top = std::max(0, (area.height() - frame.height()) / 2);
    window.move(area.left() + left, area.top() + top);
}

WrapButton::WrapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QSize WrapButton::sizeHint() const {
    // Wide enough for the longest word, as many lines as the words then need.
    const QFontMetrics fm(font());
    int longest = 0;
    const QString shown = shownCaption(text());
    for (const QString& word : shown.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        longest = std::max(longest, fm.horizontalAdvance(word));
    const QRect lines = fm.boundingRect(QRect(0, 0, longest, 10000), Qt::TextWordWrap, shown);
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, lines.size() + QSize(8, 4), this);
}

QRect WrapButton::captionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

void WrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = captionArea();
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
}

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void setColours(QWidget& widget, const QColor& background, const QColor& text) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void useStandardColours(QWidget& widget) {
    const QPalette standard = QGuiApplication::palette();
    QPalette palette = widget.palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            palette.setColor(g, r, standard.color(g, r));
        }
    widget.setPalette(palette);
}

void fitCaption(QWidget& widget) {
    QString text;
    QRect area;
    int flags = 0;
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        text = label->buddy() ? shownCaption(label->text()) : label->text();
        area = label->contentsRect();
        flags = label->wordWrap() ? Qt::TextWordWrap : 0;
    } else if (auto* button = qobject_cast<WrapButton*>(&widget)) {
        text = shownCaption(button->text());
        area = button->captionArea();
        flags = Qt::TextWordWrap;
    }
    if (text.isEmpty() || area.isEmpty()) return;

    const char* kBase = "tolvexDesignPoints";
    if (!widget.property(kBase).isValid()) widget.setProperty(kBase, widget.font().pointSizeF());
    QFont font = widget.font();
    constexpr qreal kSmallest = 6.5;
    for (qreal points = widget.property(kBase).toReal(); points >= kSmallest; points -= 0.25) {
        font.setPointSizeF(points);
        const QFontMetrics fm(font);
        int longest = 0;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            longest = std::max(longest, fm.horizontalAdvance(word));
        const QRect needed = fm.boundingRect(QRect(QPoint(), area.size()), flags, text);
        if ((flags ? longest : needed.width()) <= area.width() && needed.height() <= area.height()) break;
    }
    if (font != widget.font()) widget.setFont(font);
}

QValidator::State OneLineValidator::validate(QString& input, int& pos) const {
    const QString line = oneLine(input);
    // The field is one line before each change, so every break taken out lay before the cursor.
    pos = std::max(0, pos - int(input.size() - line.size()));
    input = line;
    return Acceptable;
}

} // namespace tolvex
