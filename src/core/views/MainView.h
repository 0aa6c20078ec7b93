#pragma once
// What the logic reaches of the main window, keyed by the elements' own names.
#include "Element.h"

#include <QByteArray>

namespace tolvex {

using MainElement = ElementName<struct MainWindowTag>;

// Colours of the received-messages pane.
enum class TextColour { Black, Blue, Red };

// The main window's elements ("frmMain").
namespace frmMain {
inline constexpr MainElement lblBar1{"lblBar1"};
inline constexpr MainElement lblNet{"lblNet"};
inline constexpr MainElement shpNct{"shpNct"};
inline constexpr MainElement lblNct{"lblNct"};
inline constexpr MainElement txtNet{"txtNet"};
inline constexpr MainElement Frame2{"Frame2"};
inline constexpr MainElement cmdCompose{"cmdCompose"};
inline constexpr MainElement cmdScratch{"cmdScratch"};
inline constexpr MainElement cmdGroup{"cmdGroup"};
inline constexpr MainElement Label3{"Label3"};
inline constexpr MainElement cmdLocalBBS{"cmdLocalBBS"};
inline constexpr MainElement cmdViewRcv{"cmdViewRcv"};
inline constexpr MainElement cmdDisc{"cmdDisc"};
inline constexpr MainElement lblConn{"lblConn"};
inline constexpr MainElement cmdLog{"cmdLog"};
inline constexpr MainElement lblDest{"lblDest"};
inline constexpr MainElement cmdDest{"cmdDest"};
inline constexpr MainElement Frame1{"Frame1"};
inline constexpr MainElement cmdSend{"cmdSend"};
inline constexpr MainElement cmdEdit{"cmdEdit"};
inline constexpr MainElement cmdErase{"cmdErase"};
inline constexpr MainElement Frame3{"Frame3"};
inline constexpr MainElement Label2{"Label2"};
inline constexpr MainElement cmdClear{"cmdClear"};
inline constexpr MainElement cmdPS{"cmdPS"};
inline constexpr MainElement shpRM{"shpRM"};
inline constexpr MainElement lblRCount_0{"lblRCount_0"};
inline constexpr MainElement lblRCount_1{"lblRCount_1"};
inline constexpr MainElement rtbRcvd{"rtbRcvd"};
inline constexpr MainElement frSave{"frSave"};
inline constexpr MainElement txtSave{"txtSave"};
inline constexpr MainElement lblBBS{"lblBBS"};
inline constexpr MainElement Label1{"Label1"};
inline constexpr MainElement Label5{"Label5"};
inline constexpr MainElement tbMon{"tbMon"};
inline constexpr MainElement tbLocal{"tbLocal"};
inline constexpr MainElement Command1{"Command1"};
inline constexpr MainElement cmdPrintCM{"cmdPrintCM"};
inline constexpr MainElement cmdSaveCM{"cmdSaveCM"};
inline constexpr MainElement rtbPrinter{"rtbPrinter"};
inline constexpr MainElement mnuFIle{"mnuFIle"};
inline constexpr MainElement mnuExit{"mnuExit"};
inline constexpr MainElement mnuSetup{"mnuSetup"};
inline constexpr MainElement mnuTNC{"mnuTNC"};
inline constexpr MainElement mnuPref{"mnuPref"};
inline constexpr MainElement mnuNode{"mnuNode"};
inline constexpr MainElement mnuEdit{"mnuEdit"};
inline constexpr MainElement mnuCopy{"mnuCopy"};
inline constexpr MainElement mnuPaste{"mnuPaste"};
inline constexpr MainElement mnuCut{"mnuCut"};
inline constexpr MainElement mnuHelpx{"mnuHelpx"};
inline constexpr MainElement mnuAbout{"mnuAbout"};
inline constexpr MainElement mnuHelp{"mnuHelp"};

inline constexpr MainElement all[] = {
    lblBar1,     lblNet,      shpNct,     lblNct,     txtNet,  Frame2,   cmdCompose, cmdScratch, cmdGroup,
    Label3,      cmdLocalBBS, cmdViewRcv, cmdDisc,    lblConn, cmdLog,   lblDest,    cmdDest,    Frame1,
    cmdSend,     cmdEdit,     cmdErase,   Frame3,     Label2,  cmdClear, cmdPS,      shpRM,      lblRCount_0,
    lblRCount_1, rtbRcvd,     frSave,     txtSave,    lblBBS,  Label1,   Label5,     tbMon,      tbLocal,
    Command1,    cmdPrintCM,  cmdSaveCM,  rtbPrinter, mnuFIle, mnuExit,  mnuSetup,   mnuTNC,     mnuPref,
    mnuNode,     mnuEdit,     mnuCopy,    mnuPaste,   mnuCut,  mnuHelpx, mnuAbout,   mnuHelp};
} // namespace frmMain

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setVisible(MainElement element, bool visible) = 0;
    virtual bool isVisible(MainElement element) const = 0;
    // Caption of a label or button, or the text of a one-line box (Latin-1 bytes).
    virtual void setText(MainElement element, const QByteArray& text) = 0;
    virtual void setFocus(MainElement element) = 0;

    // The two multi-line panes, tbMon and tbLocal. Text is 8-bit, shown as Latin-1.
    virtual qsizetype paneLength(MainElement pane) const = 0;
    virtual void appendToPane(MainElement pane, const QByteArray& text) = 0; // at the end, caret to the end
    virtual void chopPane(MainElement pane, qsizetype n) = 0;                // drop the last n characters
    virtual void keepPaneTail(MainElement pane, qsizetype n) = 0; // keep only the last n characters
    virtual void setPaneText(MainElement pane, const QByteArray& text) = 0;
    virtual void emptyUndo(MainElement pane) = 0;

    // The received-messages pane, rtbRcvd: text from the air, added as plain text in a colour,
    // never read as markup. Lengths and positions count characters, a line break as one.
    virtual void appendReceived(const QByteArray& text, TextColour colour) = 0;
    virtual qsizetype receivedLength() const = 0;
    virtual void removeReceived(qsizetype from, qsizetype n) = 0;

    // The selected text of tbMon, tbLocal, rtbRcvd or txtSave (Latin-1 bytes, lines end in CR LF).
    virtual QByteArray selectedText(MainElement element) const = 0;
    // Prints the selection of rtbRcvd with its colours as one document; false when it failed.
    virtual bool printSelection(MainElement element) = 0;
    // The height of the screen the window is on, in twips (1/1440 inch).
    virtual int screenHeightTwips() const = 0;
};

} // namespace tolvex
