#include "MainWindow.h"

#include "AboutBox.h"
#include "Controls.h"
#include "PaneWidget.h"
#include "platform/QtPrinter.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvex {

namespace {

// The design's window height counts the title bar, the menu bar and the borders; what is left
// for the elements is this much less.
constexpr int kChromeTwips = 690;
constexpr int kDesignWidthTwips = 10575;
constexpr int kShortScreenTwips = 7200;
constexpr qreal kPanePoints = 9.75;
constexpr qreal kLargePanePoints = 12;

const QColor kDarkGrey(64, 64, 64);
const QColor kOlive(192, 192, 0);
const QColor kGreen(0, 192, 0);
const QColor kBrown(128, 64, 0);
const QColor kTeal(0, 192, 192);
const QColor kNavy(0, 0, 128);
const QColor kLightYellow(255, 255, 192);
const QColor kIndicator(255, 255, 0);

QFont designFont(const char* family, qreal points, bool bold = false) {
    QFont font{QString::fromLatin1(family)};
    font.setStyleHint(qstrcmp(family, "Times New Roman") == 0 ? QFont::Serif : QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString latin1(const QByteArray& text) {
    return QString::fromLatin1(text);
}

// Text of the widget's selection with plain line breaks.
QString selectionOf(const QWidget* widget) {
    if (auto* line = qobject_cast<const QLineEdit*>(widget)) return line->selectedText();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return plain->textCursor().selection().toPlainText();
    if (auto* rich = qobject_cast<const QTextEdit*>(widget))
        return rich->textCursor().selection().toPlainText();
    return {};
}

// The letter each button and menu takes for Alt (in a menu, the letter alone). No two that can
// show at the same time share one; the three buttons of the connect place, one at a time, share
// theirs, so Alt+N is that place whatever it offers.
struct Mnemonic {
    MainElement element;
    char letter;
};
constexpr Mnemonic kMnemonics[] = {
    {frmMain::mnuFIle, 'F'},    {frmMain::mnuSetup, 'S'},    {frmMain::mnuEdit, 'E'},
    {frmMain::mnuHelpx, 'H'},   {frmMain::cmdCompose, 'o'},  {frmMain::cmdScratch, 't'},
    {frmMain::cmdGroup, 'B'},   {frmMain::cmdLocalBBS, 'n'}, {frmMain::cmdViewRcv, 'n'},
    {frmMain::cmdDisc, 'n'},    {frmMain::cmdLog, 'V'},      {frmMain::cmdDest, 'D'},
    {frmMain::cmdSend, 'M'},    {frmMain::cmdEdit, 'g'},     {frmMain::cmdErase, 'r'},
    {frmMain::cmdClear, 'C'},   {frmMain::cmdPS, 'P'},       {frmMain::Command1, 'l'},
    {frmMain::cmdPrintCM, 'i'}, {frmMain::cmdSaveCM, 'a'},   {frmMain::mnuExit, 'E'},
    {frmMain::mnuTNC, 'T'},     {frmMain::mnuPref, 'O'},     {frmMain::mnuNode, 'N'},
    {frmMain::mnuCopy, 'C'},    {frmMain::mnuPaste, 'P'},    {frmMain::mnuCut, 't'},
    {frmMain::mnuAbout, 'A'},   {frmMain::mnuHelp, 'H'},
};

// The caption with the first of `letter` (either case) marked as its mnemonic; as it was when it
// already has one or the letter is not in it.
QString withMnemonic(const QString& caption, QChar letter) {
    if (caption.contains(QLatin1Char('&'))) return caption;
    const qsizetype at = caption.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at < 0) return caption;
    return caption.left(at) + QLatin1Char('&') + caption.mid(at);
}

std::optional<char> letterFor(MainElement e) {
    for (const Mnemonic& m : kMnemonics)
        if (m.element == e) return m.letter;
    return std::nullopt;
}

} // namespace

// A strip the operator drags to share the window's extra height between the received messages
// and the monitor.
class MainWindow::SplitHandle : public QWidget {
public:
    explicit SplitHandle(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("paneSplit"));
        setCursor(Qt::SplitVCursor);
        setToolTip(QStringLiteral("Drag to share the room between received messages and the monitor"));
    }
    std::function<void()> pressed;
    std::function<void(int dy)> dragged; // from where the press was

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        pressY_ = event->globalPosition().toPoint().y();
        if (pressed) pressed();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::LeftButton) && dragged)
            dragged(event->globalPosition().toPoint().y() - pressY_);
    }

private:
    int pressY_ = 0;
};

// What the logic reaches of the window.
class MainWindow::View final : public MainView {
public:
    explicit View(MainWindow& w) : w_(w) {}
    void setVisible(MainElement e, bool visible) override { w_.elements_.setVisible(e, visible); }
    bool isVisible(MainElement e) const override { return w_.elements_.isVisible(e); }
    void setText(MainElement e, const QByteArray& text) override {
        if (PaneWidget* p = w_.pane(e))
            p->replaceText(text);
        else
            w_.setCaption(e, latin1(text));
    }
    void setFocus(MainElement e) override { w_.elements_.setFocus(e); }
    qsizetype paneLength(MainElement e) const override {
        const PaneWidget* p = w_.pane(e);
        return p ? p->length() : 0;
    }
    void appendToPane(MainElement e, const QByteArray& text) override {
        if (PaneWidget* p = w_.pane(e))
            p->append(text);
        else if (e == frmMain::txtNet)
            w_.appendToNetPane(text);
    }
    void chopPane(MainElement e, qsizetype n) override {
        if (PaneWidget* p = w_.pane(e)) p->chop(n);
    }
    void keepPaneTail(MainElement e, qsizetype n) override {
        if (PaneWidget* p = w_.pane(e)) p->keepTail(n);
    }
    void setPaneText(MainElement e, const QByteArray& text) override {
        if (PaneWidget* p = w_.pane(e))
            p->replaceText(text);
        else
            w_.elements_.setText(e, latin1(text));
    }
    void emptyUndo(MainElement e) override {
        if (PaneWidget* p = w_.pane(e)) p->document()->clearUndoRedoStacks();
    }
    void appendReceived(const QByteArray& text, TextColour colour) override {
        w_.appendReceived(text, colour);
    }
    qsizetype receivedLength() const override { return w_.rtbRcvd_->document()->characterCount() - 1; }
    void removeReceived(qsizetype from, qsizetype n) override {
        QTextCursor cursor(w_.rtbRcvd_->document());
        cursor.setPosition(int(from));
        cursor.setPosition(int(std::min(from + n, receivedLength())), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    QByteArray selectedText(MainElement e) const override {
        QString text = w_.elements_.selectedText(e);
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
            .replace(QChar::LineSeparator, QLatin1Char('\n'));
        return text.toLatin1().replace("\n", "\r\n");
    }
    bool printSelection(MainElement e) override {
        auto* rich = w_.elements_.get<QTextEdit>(e);
        if (!rich) return false;
        QTextDocument document;
        QTextCursor(&document).insertFragment(rich->textCursor().selection());
        return QtPrinter::printDocument(document);
    }
    int screenHeightTwips() const override { return pxToTwips(w_.screenSize().height(), w_.screenDpi()); }

private:
    MainWindow& w_;
};

MainLayout MainLayout::forScreen(QSize screenPx, qreal dpi) {
    MainLayout l;
    const int screenTwips = pxToTwips(screenPx.height(), dpi);
    l.shortLayout = screenTwips == kShortScreenTwips;
    l.largePaneFont = screenTwips > kLargeFontScreenTwips;
    if (l.shortLayout) {
        l.frame3Height = 2205;
        l.rtbRcvdHeight = 1875;
        l.windowHeight = 7185;
        l.paneHeight = 1900;
        l.paneTop = 4300;
        l.lblBBSTop = 3480;
        l.lblBBSHeight = 3015;
        l.label1Top = 4300;
        l.label5Top = 4300;
        l.command1Top = 4750;
        l.cmdPrintCMTop = 5180;
        l.cmdSaveCMTop = 5700;
        l.rCountTop = 330;
        l.frSaveTop = 930;
    }
    return l;
}

template <class W> W* MainWindow::add(W* widget, MainElement name, QWidget* parent, QRect twips) {
    widget->setParent(parent);
    elements_.add(name, widget);
    if (twips.isValid()) {
        design_.insert(widget, twips);
        anchors_.insert(widget, MainGrowth::anchorOf(name));
    }
    return widget;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), view_(std::make_unique<View>(*this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tolvex"));
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(client_);

    // Creation order is stacking order: the coloured bars and frames lie behind their buttons.
    buildTopBand(client_);
    buildChannelArea(client_);
    buildReceivedArea(client_);
    buildMenus();

    // The three buttons of the connect place share it; which one shows is the link's business.
    // The message frame shows only while a message is pending.
    for (MainElement name : {frmMain::cmdViewRcv, frmMain::cmdDisc, frmMain::Label3, frmMain::Frame1})
        elements_.get<QWidget>(name)->hide();

    // The keyboard visits the window top to bottom, left to right, whatever the stacking; in the
    // two lower areas the buttons on the left come before their pane.
    const MainElement tabOrder[] = {
        frmMain::cmdCompose,  frmMain::cmdScratch, frmMain::cmdGroup, frmMain::cmdLocalBBS,
        frmMain::cmdViewRcv,  frmMain::cmdDisc,    frmMain::cmdLog,   frmMain::cmdDest,
        frmMain::cmdSend,     frmMain::cmdEdit,    frmMain::cmdErase, frmMain::lblNct,
        frmMain::txtNet,      frmMain::cmdClear,   frmMain::cmdPS,    frmMain::lblRCount_0,
        frmMain::lblRCount_1, frmMain::rtbRcvd,    frmMain::txtSave,  frmMain::Command1,
        frmMain::cmdPrintCM,  frmMain::cmdSaveCM,  frmMain::tbMon,    frmMain::tbLocal};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(elements_.get<QWidget>(tabOrder[i - 1]), elements_.get<QWidget>(tabOrder[i]));
    for (const Mnemonic& m : kMnemonics)
        setCaption(m.element, captionOf(m.element));

    splitHandle_ = new SplitHandle(client_);
    splitHandle_->pressed = [this] { splitAtPress_ = growth().dyReceived; };
    splitHandle_->dragged = [this](int dy) {
        const MainGrowth g = growth();
        const int room = g.dyReceived + g.dyChannel;
        if (room > 0) setReceivedShare(double(std::clamp(splitAtPress_ + dy, 0, room)) / room);
    };

    applyLayout(true);
    normalArea_ = geometry();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildTopBand(QWidget* client) {
    auto* bar = add(new QLabel, frmMain::lblBar1, client, {0, 0, 10575, 2085});
    setColours(*bar, kDarkGrey, Qt::white);

    auto* net = add(new QLabel(QStringLiteral("CONTROLLED  NET  OPERATION")), frmMain::lblNet, client,
                    {0, 1080, 8535, 975});
    setColours(*net, kBrown, Qt::white);
    net->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    net->setFont(designFont("Arial", 9.75, true));
    net->hide();

    auto* shpNct = add(new QFrame, frmMain::shpNct, client, {120, 1200, 1215, 615});
    shpNct->setFrameShape(QFrame::Box);
    setColours(*shpNct, kIndicator, Qt::black);
    auto* lblNct =
        add(new ClickLabel(QStringLiteral("New: ")), frmMain::lblNct, client, {240, 1320, 975, 375});
    lblNct->setAlignment(Qt::AlignCenter);
    setColours(*lblNct, kIndicator, Qt::black);
    connect(lblNct, &ClickLabel::clicked, this, &MainWindow::lblNctClicked);

    auto* txtNet = txtNet_ = add(new QPlainTextEdit, frmMain::txtNet, client, {1440, 1440, 6975, 375});
    txtNet->setReadOnly(true);
    txtNet->setUndoRedoEnabled(false);
    txtNet->setFont(designFont("Arial", 8.25, true));
    txtNet->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNet->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtNet->document()->setDocumentMargin(1);
    txtNet->setAccessibleName(net->text());
    txtNet->viewport()->installEventFilter(this);
    txtNet->hide();
    net->setBuddy(txtNet);

    auto* frame2 = add(new QGroupBox(QStringLiteral("Compose New Messages")), frmMain::Frame2, client,
                       {120, 240, 3495, 630});
    setColours(*frame2, kDarkGrey, Qt::white);
    auto* compose =
        add(new WrapButton(QStringLiteral("Formal")), frmMain::cmdCompose, frame2, {120, 240, 975, 350});
    auto* scratch = add(new WrapButton(QStringLiteral("Scratchpad")), frmMain::cmdScratch, frame2,
                        {1200, 240, 1095, 350});
    auto* group =
        add(new WrapButton(QStringLiteral("Broadcast")), frmMain::cmdGroup, frame2, {2400, 240, 975, 350});
    for (QWidget* button :
         {static_cast<QWidget*>(compose), static_cast<QWidget*>(scratch), static_cast<QWidget*>(group)})
        useStandardColours(*button);
    connect(compose, &QPushButton::clicked, this, &MainWindow::cmdComposeClicked);
    connect(scratch, &QPushButton::clicked, this, &MainWindow::cmdScratchClicked);
    connect(group, &QPushButton::clicked, this, &MainWindow::cmdGroupClicked);

    auto* label3 = add(new QLabel, frmMain::Label3, client, {4200, 240, 1155, 855});
    setColours(*label3, kOlive, Qt::black);
    auto* localBbs = add(new WrapButton(QStringLiteral("Connect to  Local BBS")), frmMain::cmdLocalBBS,
                         client, {4320, 360, 975, 615});
    auto* viewRcv = add(new WrapButton(QStringLiteral("Monitor  Receive")), frmMain::cmdViewRcv, client,
                        {4320, 360, 975, 615});
    auto* disc =
        add(new WrapButton(QStringLiteral("Disconnect")), frmMain::cmdDisc, client, {4320, 360, 975, 615});
    connect(localBbs, &QPushButton::clicked, this, &MainWindow::cmdLocalBBSClicked);
    connect(viewRcv, &QPushButton::clicked, this, &MainWindow::cmdViewRcvClicked);
    connect(disc, &QPushButton::clicked, this, &MainWindow::cmdDiscClicked);

    auto* conn = add(new QLabel, frmMain::lblConn, client, {5400, 0, 1575, 255});
    setColours(*conn, kDarkGrey, kLightYellow);
    conn->setAlignment(Qt::AlignCenter);
    conn->setAccessibleDescription(QStringLiteral("Connection state"));

    auto* log =
        add(new WrapButton(QStringLiteral("View Log")), frmMain::cmdLog, client, {5880, 360, 855, 615});
    connect(log, &QPushButton::clicked, this, &MainWindow::cmdLogClicked);

    auto* lblDest = add(new QLabel, frmMain::lblDest, client, {7200, 240, 1335, 855});
    setColours(*lblDest, kGreen, Qt::black);
    lblDest->hide();
    auto* dest = add(new WrapButton(QStringLiteral("Select Destination")), frmMain::cmdDest, client,
                     {7320, 360, 1095, 615});
    connect(dest, &QPushButton::clicked, this, &MainWindow::cmdDestClicked);

    auto* frame1 = add(new QGroupBox, frmMain::Frame1, client, {8640, 0, 1575, 1455});
    setColours(*frame1, QGuiApplication::palette().color(QPalette::Window),
               QGuiApplication::palette().color(QPalette::WindowText));
    auto* send =
        add(new WrapButton(QStringLiteral("Send Message")), frmMain::cmdSend, frame1, {120, 90, 1335, 375});
    auto* edit =
        add(new WrapButton(QStringLiteral("Edit Message")), frmMain::cmdEdit, frame1, {120, 520, 1335, 375});
    auto* erase = add(new WrapButton(QStringLiteral("Erase Message")), frmMain::cmdErase, frame1,
                      {120, 960, 1335, 375});
    connect(send, &QPushButton::clicked, this, &MainWindow::cmdSendClicked);
    connect(edit, &QPushButton::clicked, this, &MainWindow::cmdEditClicked);
    connect(erase, &QPushButton::clicked, this, &MainWindow::cmdEraseClicked);
}

void MainWindow::buildReceivedArea(QWidget* client) {
    auto* frame3 = add(new QGroupBox, frmMain::Frame3, client, {120, 2040, 10215, 2955});

    auto* label2 =
        add(new QLabel(QStringLiteral("Received Messages")), frmMain::Label2, frame3, {120, 360, 735, 615});
    label2->setWordWrap(true);
    label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    auto* clear =
        add(new WrapButton(QStringLiteral("Clear")), frmMain::cmdClear, frame3, {160, 960, 735, 375});
    connect(clear, &QPushButton::clicked, this, &MainWindow::cmdClearClicked);
    auto* print =
        add(new WrapButton(QStringLiteral("Print selected")), frmMain::cmdPS, frame3, {90, 1440, 855, 615});
    connect(print, &QPushButton::clicked, this, &MainWindow::cmdPSClicked);

    auto* shpRM = add(new QFrame, frmMain::shpRM, frame3, {90, 2160, 840, 615});
    shpRM->setFrameShape(QFrame::Box);
    setColours(*shpRM, kIndicator, Qt::black);
    const MainElement countNames[] = {frmMain::lblRCount_0, frmMain::lblRCount_1};
    const char* countTexts[] = {"New:", "---"};
    for (int i = 0; i < 2; ++i) {
        auto* count = add(new ClickLabel(QLatin1String(countTexts[i])), countNames[i], frame3,
                          {150, 2190 + i * 285, 720, 270});
        count->setAlignment(Qt::AlignCenter);
        setColours(*count, kIndicator, Qt::black);
        connect(count, &ClickLabel::clicked, this, &MainWindow::lblRCountClicked);
    }

    rtbRcvd_ = add(new QTextEdit, frmMain::rtbRcvd, frame3, {960, 360, 9135, 2415});
    rtbRcvd_->setAcceptRichText(false);
    rtbRcvd_->setUndoRedoEnabled(false);
    rtbRcvd_->setFont(designFont("MS Sans Serif", kPanePoints));
    rtbRcvd_->setAcceptDrops(false);
    rtbRcvd_->viewport()->setAcceptDrops(false);
    rtbRcvd_->setContextMenuPolicy(Qt::NoContextMenu);
    rtbRcvd_->setAttribute(Qt::WA_InputMethodEnabled, false);
    rtbRcvd_->setAccessibleName(label2->text());
    rtbRcvd_->installEventFilter(this);
    rtbRcvd_->viewport()->installEventFilter(this);
    label2->setBuddy(rtbRcvd_);

    auto* frSave = add(new QGroupBox(QStringLiteral("Enter Subject for saved Text")), frmMain::frSave, frame3,
                       {2640, 1680, 5175, 1215});
    setColours(*frSave, kNavy, Qt::white);
    auto* txtSave = add(new QLineEdit, frmMain::txtSave, frSave, {240, 480, 4695, 375});
    useStandardColours(*txtSave);
    txtSave->setAccessibleName(frSave->title());
    connect(txtSave, &QLineEdit::returnPressed, this, &MainWindow::txtSaveEnter);
    frSave->hide();
}

void MainWindow::buildChannelArea(QWidget* client) {
    // Behind the received-messages frame, so its border stays drawn over the teal edge.
    auto* lblBBS = add(new QLabel, frmMain::lblBBS, client, {960, 4920, 9375, 3375});
    setColours(*lblBBS, kTeal, Qt::black);
    lblBBS->hide();

    auto* label1 =
        add(new QLabel(QStringLiteral("Channel Monitor")), frmMain::Label1, client, {120, 5280, 735, 615});
    label1->setFont(designFont("Arial", 9));
    label1->setWordWrap(true);
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* label5 =
        add(new QLabel(QStringLiteral("Local BBS")), frmMain::Label5, client, {240, 5040, 615, 615});
    label5->setWordWrap(true);
    label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label5->hide();

    const MainElement names[] = {frmMain::tbMon, frmMain::tbLocal};
    QLabel* labels[] = {label1, label5};
    for (int i = 0; i < 2; ++i) {
        auto* edit = add(new PaneWidget(names[i]), names[i], client, {1080, 5040, 9135, 3135});
        edit->setFont(designFont("Arial", kPanePoints));
        edit->setAccessibleName(labels[i]->text());
        edit->keyPressed = [this, name = names[i]](int key) {
            return paneKeyPress && paneKeyPress(name, key);
        };
        edit->keyReleased = [this, name = names[i]] {
            if (paneKeyUp) paneKeyUp(name);
        };
        labels[i]->setBuddy(edit);
        panes_[std::size_t(i)] = edit;
    }
    connect(panes_[0], &PaneWidget::mouseUp, this, &MainWindow::tbMonMouseUp);
    panes_[1]->hide();

    auto* command1 =
        add(new WrapButton(QStringLiteral("Clear")), frmMain::Command1, client, {120, 5640, 735, 375});
    connect(command1, &QPushButton::clicked, this, &MainWindow::command1Clicked);
    auto* printCM = add(new WrapButton(QStringLiteral("Print selected")), frmMain::cmdPrintCM, client,
                        {50, 6120, 855, 495});
    connect(printCM, &QPushButton::clicked, this, &MainWindow::cmdPrintCMClicked);
    auto* saveCM = add(new WrapButton(QStringLiteral("Save Selected")), frmMain::cmdSaveCM, client,
                       {50, 6720, 855, 495});
    connect(saveCM, &QPushButton::clicked, this, &MainWindow::cmdSaveCMClicked);

    auto* printer = add(new QTextEdit, frmMain::rtbPrinter, client, {120, 7200, 735, 615});
    printer->setFont(designFont("Times New Roman", 10));
    printer->setFocusPolicy(Qt::NoFocus);
    printer->setUndoRedoEnabled(false);
    printer->setAccessibleName(QStringLiteral("Text being printed"));
    printer->hide();
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto addMenu = [&](MainElement name, const QString& title) {
        return elements_.add(name, bar->addMenu(title));
    };
    auto addItem = [&](QMenu* menu, MainElement name, const QString& text) {
        return elements_.add(name, menu->addAction(text));
    };

    QMenu* file = addMenu(frmMain::mnuFIle, QStringLiteral("&File"));
    connect(addItem(file, frmMain::mnuExit, QStringLiteral("&Exit")), &QAction::triggered, this,
            &MainWindow::exitRequested);

    QMenu* setup = addMenu(frmMain::mnuSetup, QStringLiteral("Setup"));
    connect(addItem(setup, frmMain::mnuTNC, QStringLiteral("TNC Parameters")), &QAction::triggered, this,
            &MainWindow::mnuTNCTriggered);
    connect(addItem(setup, frmMain::mnuPref, QStringLiteral("Operating Preferences")), &QAction::triggered,
            this, &MainWindow::mnuPrefTriggered);
    connect(addItem(setup, frmMain::mnuNode, QStringLiteral("Node Responses")), &QAction::triggered, this,
            &MainWindow::mnuNodeTriggered);

    QMenu* edit = addMenu(frmMain::mnuEdit, QStringLiteral("Edit"));
    connect(addItem(edit, frmMain::mnuCopy, QStringLiteral("Copy")), &QAction::triggered, this,
            &MainWindow::editCopy);
    connect(addItem(edit, frmMain::mnuPaste, QStringLiteral("Paste")), &QAction::triggered, this,
            &MainWindow::editPaste);
    connect(addItem(edit, frmMain::mnuCut, QStringLiteral("Cut")), &QAction::triggered, this,
            &MainWindow::editCut);

    QMenu* help = addMenu(frmMain::mnuHelpx, QStringLiteral("Help"));
    connect(addItem(help, frmMain::mnuAbout, QStringLiteral("About Tolvex")), &QAction::triggered, this,
            &MainWindow::showAbout);
    QAction* helpItem = addItem(help, frmMain::mnuHelp, QStringLiteral("Help"));
    helpItem->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpItem, &QAction::triggered, this,
            [this] { Q_EMIT helpRequested(QStringLiteral("GettingStarted.html")); });
}

void MainWindow::showAbout() {
    if (!about_) about_ = new AboutBox(this);
    // A child dialog stays above the main window; showing it again is enough to bring it back.
    about_->show();
    about_->activateWindow();
}

QString MainWindow::captionOf(MainElement e) const {
    QObject* element = elements_.find(e);
    if (auto* menu = qobject_cast<QMenu*>(element)) return menu->title();
    if (auto* action = qobject_cast<QAction*>(element)) return action->text();
    if (auto* button = qobject_cast<QAbstractButton*>(element)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(element)) return label->text();
    return {};
}

void MainWindow::setCaption(MainElement e, const QString& text) {
    // A caption given anew keeps its element's mnemonic.
    const std::optional<char> letter = letterFor(e);
    const QString caption = letter ? withMnemonic(text, QLatin1Char(*letter)) : text;
    if (auto* menu = qobject_cast<QMenu*>(elements_.find(e)))
        menu->setTitle(caption);
    else
        elements_.setText(e, caption);
}

// --- Edit menu: acts on the focused element's selection ---

void MainWindow::editCopy() {
    QWidget* focused = focusWidget();
    if (!qobject_cast<QLineEdit*>(focused) && !qobject_cast<QPlainTextEdit*>(focused) &&
        !qobject_cast<QTextEdit*>(focused))
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(selectionOf(focused));
}

void MainWindow::editPaste() {
    const QString text = QGuiApplication::clipboard()->text();
    QWidget* focused = focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        if (!line->isReadOnly()) line->insert(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        if (!plain->isReadOnly()) plain->insertPlainText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(focused)) {
        if (!rich->isReadOnly()) rich->textCursor().insertText(text);
    }
}

void MainWindow::editCut() {
    // Cut only deletes: the clipboard keeps what it held.
    QWidget* focused = focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        if (!line->isReadOnly() && line->hasSelectedText()) line->del();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        if (!plain->isReadOnly()) plain->textCursor().removeSelectedText();
    } else if (auto* rich = qobject_cast<QTextEdit*>(focused)) {
        if (!rich->isReadOnly()) rich->textCursor().removeSelectedText();
    }
}

// --- What the logic reaches ---

MainView& MainWindow::view() {
    return *view_;
}

PaneWidget* MainWindow::pane(MainElement name) const {
    for (PaneWidget* p : panes_)
        if (p->name() == name) return p;
    return nullptr;
}

void MainWindow::appendToNetPane(const QByteArray& text) {
    QString shown = latin1(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor end(txtNet_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown); // net lines come off the air: plain text
    txtNet_->setTextCursor(end);
    txtNet_->ensureCursorVisible();
}

void MainWindow::appendReceived(const QByteArray& text, TextColour colour) {
    static const QColor colours[] = {Qt::black, QColor(0, 0, 128), QColor(255, 0, 0)};
    QTextCharFormat format;
    format.setForeground(colours[int(colour)]);
    QTextCursor end(rtbRcvd_->document());
    end.movePosition(QTextCursor::End);
    QString shown = latin1(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    end.insertText(shown, format); // text from the air is never markup
    rtbRcvd_->setTextCursor(end);
    rtbRcvd_->ensureCursorVisible();
}

void MainWindow::flushPanes() {
    for (PaneWidget* p : panes_)
        p->flush();
}

// --- Keys and mouse on the panes ---

int MainWindow::keyCode(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    return PaneWidget::keyCode(key, modifiers, text);
}

bool MainWindow::rcvdKey(QKeyEvent* key) {
    const int code = keyCode(key->key(), key->modifiers(), key->text());
    if (code < 0) return !PaneWidget::isNavigationKey(key->key());
    if (rcvdKeyPress) rcvdKeyPress();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (rtbRcvd_ && (watched == rtbRcvd_ || watched == rtbRcvd_->viewport())) {
        switch (type) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (const int step = PaneWidget::focusStep(*key)) {
                focusNextPrevChild(step > 0);
                return true;
            }
            return rcvdKey(key);
        }
        case QEvent::InputMethod:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            // No pasting of the X selection.
            return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
        default:
            return false;
        }
    }
    if (type == QEvent::MouseButtonRelease && txtNet_ && watched == txtNet_->viewport())
        Q_EMIT txtNetClicked();
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Q_EMIT activated();
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is Exit: the logic talks to the TNC first and then ends the program.
    event->ignore();
    Q_EMIT exitRequested();
}

// --- Layout ---

QSize MainWindow::screenSize() const {
    if (screenOverride_) return *screenOverride_;
    const QScreen* s = screen();
    return s ? s->size() : QSize(800, 600);
}

qreal MainWindow::screenDpi() const {
    if (screenOverride_) return dpiOverride_;
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

void MainWindow::useScreen(QSize screenPx, qreal dpi) {
    screenOverride_ = screenPx;
    dpiOverride_ = dpi;
    applyLayout(true);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyLayout(false);
    rememberNormalArea();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    rememberNormalArea();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) applyLayout(false);
}

void MainWindow::rememberNormalArea() {
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        normalArea_ = geometry();
}

QSize MainWindow::defaultClientSize() const {
    return {twipsToPx(kDesignWidthTwips, placedDpi_),
            twipsToPx(layout_.windowHeight - kChromeTwips, placedDpi_)};
}

QSize MainWindow::defaultSize() const {
    return defaultClientSize() + QSize(0, menuBar()->sizeHint().height());
}

MainGrowth MainWindow::growth() const {
    return MainGrowth::split(size() - defaultSize(), receivedShare_);
}

void MainWindow::applyLayout(bool toDefault) {
    if (layingOut_) return;
    const QScopedValueRollback guard(layingOut_, true);
    const QSize screenPx = screenSize();
    const qreal dpi = screenDpi();
    const MainLayout before = layout_;
    layout_ = MainLayout::forScreen(screenPx, dpi);
    // A screen of the other kind, or of another density, starts the window over at its default.
    toDefault = toDefault || layout_.shortLayout != before.shortLayout || dpi != placedDpi_;

    auto setTop = [this](MainElement name, int top) {
        QRect& r = design_[elements_.get<QWidget>(name)];
        r.moveTop(top);
    };
    auto setHeight = [this](MainElement name, int h) { design_[elements_.get<QWidget>(name)].setHeight(h); };
    setHeight(frmMain::Frame3, layout_.frame3Height);
    setHeight(frmMain::rtbRcvd, layout_.rtbRcvdHeight);
    for (MainElement name : {frmMain::tbMon, frmMain::tbLocal}) {
        setTop(name, layout_.paneTop);
        setHeight(name, layout_.paneHeight);
    }
    setTop(frmMain::lblBBS, layout_.lblBBSTop);
    setHeight(frmMain::lblBBS, layout_.lblBBSHeight);
    setTop(frmMain::Label1, layout_.label1Top);
    setTop(frmMain::Label5, layout_.label5Top);
    setTop(frmMain::Command1, layout_.command1Top);
    setTop(frmMain::cmdPrintCM, layout_.cmdPrintCMTop);
    if (layout_.cmdSaveCMTop) setTop(frmMain::cmdSaveCM, *layout_.cmdSaveCMTop);
    setTop(frmMain::shpRM, layout_.rCountTop);
    setTop(frmMain::lblRCount_0, layout_.rCountTop + 30);
    setTop(frmMain::lblRCount_1, layout_.rCountTop + 315);
    setTop(frmMain::frSave, layout_.frSaveTop);
    placedDpi_ = dpi;

    // The arrangement as designed is the smallest the window gets; it grows from there.
    setMinimumSize(defaultSize());
    const bool free = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (toDefault && free) {
        resize(defaultSize());
        const QSize frame = frameGeometry().size();
        const QPoint origin = screenOverride_ || !screen() ? QPoint() : screen()->geometry().topLeft();
        move(origin + QPoint(std::max(0, (screenPx.width() - frame.width()) / 2),
                             std::max(0, (screenPx.height() - frame.height()) / 2)));
    }
    placeElements();

    const qreal points = layout_.largePaneFont ? kLargePanePoints : kPanePoints;
    for (QWidget* w : {static_cast<QWidget*>(panes_[0]), static_cast<QWidget*>(panes_[1]),
                       static_cast<QWidget*>(rtbRcvd_)}) {
        if (w->font().pointSizeF() == points) continue;
        QFont font = w->font();
        font.setPointSizeF(points);
        w->setFont(font);
    }
}

void MainWindow::placeElements() {
    const MainGrowth g = growth();
    for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
        const QRect& r = it.value();
        const QRect atDefault(twipsToPx(r.left(), placedDpi_), twipsToPx(r.top(), placedDpi_),
                              twipsToPx(r.width(), placedDpi_), twipsToPx(r.height(), placedDpi_));
        it.key()->setGeometry(g.place(atDefault, anchors_.value(it.key())));
        fitCaption(*it.key());
    }
    // The handle between the received messages and the monitor, there only when there is extra
    // height to share; it spans the gap and a little of each side, so it can be caught.
    const QRect frame3 = elements_.get<QWidget>(frmMain::Frame3)->geometry();
    const QRect pane = panes_[0]->geometry();
    const int grip = std::max(6, pane.top() - frame3.bottom() + 4);
    splitHandle_->setGeometry(pane.left(), (frame3.bottom() + pane.top()) / 2 - grip / 2, pane.width(), grip);
    splitHandle_->setVisible(g.dyReceived + g.dyChannel > 0);
    splitHandle_->raise();
}

void MainWindow::setReceivedShare(double share) {
    receivedShare_ = std::clamp(share, 0.0, 1.0);
    if (!layingOut_) placeElements();
}

WindowPlacement MainWindow::placement() const {
    WindowPlacement p;
    p.normal = normalArea_;
    p.maximised = windowState() & Qt::WindowMaximized;
    p.receivedShare = receivedShare_;
    return p;
}

void MainWindow::restorePlacement(const WindowPlacement& p) {
    setReceivedShare(p.receivedShare);
    if (!p.normal.isEmpty()) {
        setGeometry(QRect(p.normal.topLeft(), p.normal.size().expandedTo(minimumSize())));
        normalArea_ = geometry(); // a hidden window hears of neither move nor resize
    }
    if (p.maximised) setWindowState(windowState() | Qt::WindowMaximized);
    placeElements();
}

} // namespace tolvex
