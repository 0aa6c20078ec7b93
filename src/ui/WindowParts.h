#pragma once
// The parts every window builds the same way: the Help item with F1, the corner where Close and
// Save Changes take turns, the row of closing buttons, and captions with mnemonics.
#include <QColor>
#include <QString>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QAction;
class QGridLayout;
class QHBoxLayout;
class QMenuBar;
class QPushButton;
class QWidget;

namespace tolvex {

// The menu bar's "Help" item (Alt+H); F1 anywhere in the window triggers it too.
QAction* addHelpItem(QMenuBar& bar, QWidget& window, std::function<void()> open);
// The same for a page of the help; an empty showHelp opens nothing.
QAction* addHelpItem(QMenuBar& bar, QWidget& window, std::function<void(QString)> showHelp,
                     const QString& page);

// Close and Save Changes share one place, which keeps its size while either is hidden. Save
// Changes sits in a coloured frame of the dialog's own (a frame or a label, as the element is).
struct SaveCloseCorner {
    QPushButton* close = nullptr;
    QWidget* saveFrame = nullptr;
    QPushButton* save = nullptr;
    QGridLayout* layout = nullptr;

    // Save Changes (and its frame) in Close's place, or Close back.
    void showSave(bool show) const;
};
enum class CornerPlace {
    TopRight,   // both in the top right of their cell
    BottomRight // a row of its own: Close at the right, the frame filling the place
};
// Close closes the dialog; what Save Changes does is the caller's.
SaveCloseCorner saveCloseCorner(QWidget& dialog, QWidget* saveFrame, const QColor& frameColour,
                                CornerPlace place);

// The closing buttons of a window (Done and Cancel, Send and Cancel) at the right of their row.
// Enter in a field never presses them; keepPlace keeps a hidden button's room.
QHBoxLayout* closingRow(std::initializer_list<QPushButton*> buttons, bool keepPlace = false);

// Brings a window the operator already has back to the front: shown, not minimised, raised and
// active. False when there is none on screen (a closed one only waits to be deleted): the caller
// opens a new one.
bool bringToFront(QWidget* window);

// A caption as shown, without its mnemonic marks: "&Save" is "Save", "&&" is "&".
QString shownCaption(const QString& caption);
// The key of a caption's mnemonic (upper case), or a null QChar.
QChar mnemonicOf(const QString& caption);

// A button whose caption is text the operator gave (stored instructions): an "&" in it is shown,
// and it takes the first letter or digit no other element of its window already has as its
// mnemonic, word starts first.
void setOperatorCaption(QAbstractButton& button, const QString& text);

} // namespace tolvex
