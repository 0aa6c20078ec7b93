#pragma once
// The node responses dialog: the texts by which nodes report ready, connected and failed.
#include "Controls.h"
#include "ElementTable.h"
#include "WindowParts.h"
#include "core/Settings.h"

#include <QDialog>
#include <QHash>
#include <array>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace tolvex {

using NodeElement = ElementName<struct NodeDialogTag>;

namespace frmNode {
inline constexpr NodeElement mnuHelp{"mnuHelp"};
inline constexpr NodeElement Frame1{"Frame1"}; // "Node Ready Responses"
inline constexpr NodeElement Frame2{"Frame2"}; // "Connection Made Responses"
inline constexpr NodeElement Frame3{"Frame3"}; // "Connection Failure Responses"
inline constexpr NodeElement txtNodeReady[] = {NodeElement{"txtNodeReady_0"}, NodeElement{"txtNodeReady_1"},
                                               NodeElement{"txtNodeReady_2"}, NodeElement{"txtNodeReady_3"}};
inline constexpr NodeElement txtLinkMade[] = {NodeElement{"txtLinkMade_0"}, NodeElement{"txtLinkMade_1"},
                                              NodeElement{"txtLinkMade_2"}, NodeElement{"txtLinkMade_3"}};
inline constexpr NodeElement txtConnFail[] = {NodeElement{"txtConnFail_0"}, NodeElement{"txtConnFail_1"},
                                              NodeElement{"txtConnFail_2"}, NodeElement{"txtConnFail_3"}};
inline constexpr NodeElement cmdClose{"cmdClose"};
inline constexpr NodeElement lblSave{"lblSave"}; // the purple frame around cmdSave
inline constexpr NodeElement cmdSave{"cmdSave"};
inline constexpr NodeElement Text6{"Text6"}; // the help line
} // namespace frmNode

class NodeDialog : public CentredOnFirstShow<QDialog> {
    Q_OBJECT
public:
    // "Save Changes" stores all twelve texts, calls onSaved (write Parms.inf, reopen the port)
    // and closes; "Close" and the window frame store nothing. Not modal; deletes itself when closed.
    NodeDialog(Settings& settings, std::function<void()> onSaved, std::function<void(QString)> showHelp,
               QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changesMade();
    void save();
    void help(const QString& text);

    ElementTable<NodeElement> elements_;
    SaveCloseCorner corner_;
    Settings& settings_;
    std::function<void()> onSaved_;
    std::array<QLineEdit*, 4> ready_{}, made_{}, fail_{};
    QHash<QObject*, QString> hints_;
    QPlainTextEdit* helpField_ = nullptr;
};

} // namespace tolvex
