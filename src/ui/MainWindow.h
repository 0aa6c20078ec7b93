#pragma once
// The main window: every element under its own name, the layout for the screen it is on, the
// menus and the edit commands. It holds no rules of the station: clicks become signals, keys in
// the panes go to hooks, and the logic reaches the elements through MainView.
#include "ElementTable.h"
#include "MainGrowth.h"
#include "PaneWidget.h"
#include "WindowPlacement.h"
#include "core/views/MainView.h"

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QPlainTextEdit;
class QTextEdit;

namespace tolvex {

// Heights and tops (twips) that depend on the screen: a short layout for a screen exactly 7200
// twips high (640 by 480), the tall one otherwise, and 12-point panes above 11000 twips.
struct MainLayout {
    bool shortLayout = false;
    bool largePaneFont = false;
    int windowHeight = 9045; // the design's outer height: title bar, menu bar and client area
    int frame3Height = 2960;
    int rtbRcvdHeight = 2535;
    int paneTop = 5040;
    int paneHeight = 3135;
    int lblBBSTop = 4920;
    int lblBBSHeight = 3375;
    int label1Top = 5090;
    int label5Top = 5040;
    int command1Top = 5640;
    int cmdPrintCMTop = 6120;
    std::optional<int> cmdSaveCMTop; // the tall layout leaves it where it is
    // The received-message counter sits below "Print selected"; the short frame has no room
    // there, so it moves up over the frame's title, which it hides only while it shows a count.
    int rCountTop = 2160;
    // The subject entry for saved text overlays the received messages, inside their frame.
    int frSaveTop = 1680;

    static MainLayout forScreen(QSize screenPx, qreal dpi);
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kFlushMs = PaneWidget::kFlushMs; // appends reach the panes once per this period

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the logic reaches of this window.
    MainView& view();

    // Pane text waiting to be drawn goes into the widgets now (also done once per event-loop turn).
    void flushPanes();

    // Lays the window out for this screen instead of the one it is on, from now on (tests).
    void useScreen(QSize screenPx, qreal dpi);
    const MainLayout& layout() const { return layout_; }
    // The window's size as designed for the screen it is on: the smallest it gets.
    QSize defaultSize() const;
    // The room beyond the default size, as the elements take it.
    MainGrowth growth() const;
    // The received messages' part of the extra height (the monitor has the rest), 0 to 1.
    double receivedShare() const { return receivedShare_; }
    void setReceivedShare(double share);
    // Where the window is, for the next run, and back: an empty area leaves the centred default.
    WindowPlacement placement() const;
    void restorePlacement(const WindowPlacement& placement);

    // Whether the panes use 12-point text; the log window follows the same rule.
    bool largePaneFont() const { return layout_.largePaneFont; }

    // Keys in the panes. paneKeyPress gets the pane and the character code and says whether the
    // pane keeps the key (shows it); without a hook nothing is typed into the panes.
    std::function<bool(MainElement pane, int key)> paneKeyPress;
    std::function<void(MainElement pane)> paneKeyUp;
    // Any character typed into rtbRcvd: it is discarded, the hook decides where the focus goes.
    std::function<void()> rcvdKeyPress;

    // The character code a key press sends to the TNC, or -1 for keys that send nothing.
    static int keyCode(int key, Qt::KeyboardModifiers modifiers, const QString& text);

Q_SIGNALS:
    void exitRequested();
    void activated();
    void helpRequested(const QString& page);
    void cmdLocalBBSClicked();
    void cmdViewRcvClicked();
    void cmdDiscClicked();
    void cmdDestClicked();
    void cmdLogClicked();
    void cmdGroupClicked();
    void cmdComposeClicked();
    void cmdScratchClicked();
    void cmdSendClicked();
    void cmdEditClicked();
    void cmdEraseClicked();
    void cmdPSClicked();
    void cmdClearClicked();
    void command1Clicked();
    void cmdPrintCMClicked();
    void cmdSaveCMClicked();
    void txtSaveEnter();
    void lblRCountClicked();
    void lblNctClicked();
    void txtNetClicked();
    void tbMonMouseUp(const QByteArray& selection);
    void mnuTNCTriggered();
    void mnuPrefTriggered();
    void mnuNodeTriggered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class View;
    class SplitHandle;
    template <class W> W* add(W* widget, MainElement name, QWidget* parent, QRect twips);
    void buildTopBand(QWidget* client);
    void buildReceivedArea(QWidget* client);
    void buildChannelArea(QWidget* client);
    void buildMenus();
    QString captionOf(MainElement element) const;
    void setCaption(MainElement element, const QString& text);
    void showAbout();
    void editCopy();
    void editPaste();
    void editCut();
    PaneWidget* pane(MainElement name) const;
    void appendReceived(const QByteArray& text, TextColour colour);
    void appendToNetPane(const QByteArray& text);
    bool rcvdKey(QKeyEvent* key);
    void applyLayout(bool toDefault);
    void placeElements();
    void rememberNormalArea();
    QSize defaultClientSize() const;
    QSize screenSize() const;
    qreal screenDpi() const;

    ElementTable<MainElement> elements_;
    QHash<QWidget*, QRect> design_;               // design rectangle (twips) of every placed element
    QHash<QWidget*, MainGrowth::Anchor> anchors_; // the edges each follows as the window grows
    SplitHandle* splitHandle_ = nullptr;
    double receivedShare_ = WindowPlacement::kDefaultReceivedShare;
    int splitAtPress_ = 0;
    QRect normalArea_;                   // the last area the window had when neither maximised nor minimised
    std::array<PaneWidget*, 2> panes_{}; // tbMon, tbLocal
    std::unique_ptr<View> view_;
    QTextEdit* rtbRcvd_ = nullptr;
    QPlainTextEdit* txtNet_ = nullptr;
    QWidget* client_ = nullptr;
    QPointer<QDialog> about_;
    MainLayout layout_;
    std::optional<QSize> screenOverride_;
    qreal dpiOverride_ = 0;
    qreal placedDpi_ = 0;
    bool layingOut_ = false;
};

} // namespace tolvex
