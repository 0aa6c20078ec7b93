#pragma once
// Small building blocks shared by the windows: a button whose caption wraps like the design's
// two-line buttons, a label that can be clicked (and pressed from the keyboard), placement helpers.
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>

namespace tolvex {

// Design positions are in twips, 1/1440 inch.
inline int twipsToPx(int twips, qreal dpi) {
    return qRound(twips * dpi / 1440.0);
}
inline int pxToTwips(int px, qreal dpi) {
    return dpi > 0 ? qRound(px * 1440.0 / dpi) : 0;
}
// A screen taller than this many twips gets the larger font in the text panes.
constexpr int kLargeFontScreenTwips = 11000;

// Centres a top-level window on its screen; the left and top edges never go below the screen's.
void centreOnScreen(QWidget& window);

// A window (QWidget or QDialog) centred on its screen when first shown; later shows keep the
// place the operator gave it.
template <class Base> class CentredOnFirstShow : public Base {
public:
    using Base::Base;

protected:
    void showEvent(QShowEvent* event) override {
        Base::showEvent(event);
        if (centred_) return;
        centred_ = true;
        centreOnScreen(*this);
    }

private:
    bool centred_ = false;
};

// A push button that word-wraps its caption inside its fixed design size.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    explicit WrapButton(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // Where the caption is drawn.
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label the operator can click or, once focused, press with Space or Enter.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Keeps a field on one line as the operator enters it, a pasted multi-line text too, so the field
// shows what Parms.inf will hold.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Colours a widget's background and text through its palette.
void setColours(QWidget& widget, const QColor& background, const QColor& text);
// Gives a widget inside a coloured frame the ordinary colours back.
void useStandardColours(QWidget& widget);
// Shrinks a label's or wrapping button's caption font, from its first size, until the caption
// fits the element's fixed design size (the design's fonts were narrower than most today).
void fitCaption(QWidget& widget);

} // namespace tolvex
