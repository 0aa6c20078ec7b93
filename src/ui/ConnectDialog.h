#pragma once
// The connect dialog: a destination typed or picked from the saved list (callsign.lst), the Add
// frame that builds new list entries, and the mouse-over hints.
#include "Controls.h"
#include "ElementTable.h"
#include "core/Platform.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>
#include <functional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;

namespace tolvex {

using ConnectElement = ElementName<struct ConnectDialogTag>;

namespace frmConnect {
inline constexpr ConnectElement mnuHelp{"mnuHelp"};
inline constexpr ConnectElement Frame1{"Frame1"}; // "Callsign List"
inline constexpr ConnectElement lstCallsign{"lstCallsign"};
inline constexpr ConnectElement Frame2{"Frame2"}; // "To Station "
inline constexpr ConnectElement txtToAdd{"txtToAdd"};
inline constexpr ConnectElement Label4{"Label4"};
inline constexpr ConnectElement cmdConnect{"cmdConnect"};
inline constexpr ConnectElement cmdCancel{"cmdCancel"};
inline constexpr ConnectElement Frame3{"Frame3"}; // "Add new connection"
inline constexpr ConnectElement Label1{"Label1"};
inline constexpr ConnectElement txtAddCall{"txtAddCall"};
inline constexpr ConnectElement Label2{"Label2"};
inline constexpr ConnectElement txtPath[] = {ConnectElement{"txtPath_0"}, ConnectElement{"txtPath_1"},
                                             ConnectElement{"txtPath_2"}};
inline constexpr ConnectElement Label3{"Label3"};
inline constexpr ConnectElement txtNote{"txtNote"};
inline constexpr ConnectElement cmdAdd{"cmdAdd"};
inline constexpr ConnectElement Text1{"Text1"}; // the hint box
} // namespace frmConnect

class ConnectDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // onConnect gets the destination as typed ("CALL,NODE1,NODE2"); the dialog closes when it
    // returns true. showHelp opens a help page by file name. Not modal; deletes itself when closed.
    ConnectDialog(QString listPath, MessageBoxes& boxes, std::function<bool(QByteArray)> onConnect,
                  std::function<void(QString)> showHelp, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addClicked();
    void connectClicked();
    void choose(QListWidgetItem* item);
    void removeSelected();
    void saveList();
    void hint(const QString& text);

    ElementTable<ConnectElement> elements_;
    QString listPath_;
    MessageBoxes& boxes_;
    std::function<bool(QByteArray)> onConnect_;
    QListWidget* list_ = nullptr;
    QLineEdit* toAdd_ = nullptr;
    QLineEdit* addCall_ = nullptr;
    QLineEdit* path_[3] = {};
    QLineEdit* note_ = nullptr;
    QWidget* addFrame_ = nullptr;
    QPlainTextEdit* hintBox_ = nullptr;
    QHash<QObject*, QString> hints_;
};

} // namespace tolvex
