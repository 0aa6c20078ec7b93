#include "PreferencesWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvex {

using namespace frmOpParms;

namespace {
const QColor kDarkRed(128, 0, 0);
const QColor kPurple(128, 0, 128);
} // namespace

class PreferencesWindow::View : public PreferencesView {
public:
    explicit View(PreferencesWindow& w) : w_(w) {}

    QByteArray text(PrefElement e) const override {
        if (auto* combo = w_.elements_.get<QComboBox>(e))
            return combo->currentIndex() < 0 ? QByteArray() : combo->currentText().toLatin1();
        return w_.elements_.lineText(e).toLatin1();
    }
    void setText(PrefElement e, const QByteArray& text) override {
        w_.elements_.setText(e, QString::fromLatin1(text));
    }
    bool isChecked(PrefElement box) const override { return w_.elements_.isChecked(box); }
    void setChecked(PrefElement box, bool checked) override { w_.elements_.setChecked(box, checked); }
    int chosenOption(PrefElement group) const override { return buttons(group)->checkedId(); }
    void chooseOption(PrefElement group, int index) override {
        QButtonGroup* g = buttons(group);
        if (QAbstractButton* b = g->button(index)) {
            b->setChecked(true);
        } else if (QAbstractButton* chosen = g->checkedButton()) {
            // A stored index with no button leaves the group without a choice.
            g->setExclusive(false);
            chosen->setChecked(false);
            g->setExclusive(true);
        }
    }
    void setChoices(PrefElement list, const QList<QByteArray>& entries, int selected) override {
        auto* combo = w_.elements_.get<QComboBox>(list);
        combo->clear();
        for (const QByteArray& entry : entries)
            combo->addItem(QString::fromLatin1(entry));
        combo->setCurrentIndex(selected);
    }
    void setVisible(PrefElement e, bool visible) override { w_.elements_.setVisible(e, visible); }
    bool isVisible(PrefElement e) const override { return w_.elements_.isVisible(e); }
    void setEnabled(PrefElement e, bool enabled) override {
        if (auto* widget = w_.elements_.get<QWidget>(e)) widget->setEnabled(enabled);
    }
    void close() override { w_.close(); }

private:
    QButtonGroup* buttons(PrefElement group) const { return group == Option1 ? w_.print_ : w_.alert_; }
    PreferencesWindow& w_;
};

PreferencesWindow::PreferencesWindow(PreferencesContext context,
                                     std::function<void(NetRole before, NetRole after)> onRoleChanged,
                                     std::function<void(QString)> showHelp, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent) {
    setObjectName(QStringLiteral("frmOpParms"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Operating Preferences"));
    build(std::move(showHelp));
    view_ = std::make_unique<View>(*this);
    preferences_ = std::make_unique<Preferences>(context, *view_);
    preferences_->onRoleChanged = std::move(onRoleChanged);
    preferences_->load();
}

PreferencesWindow::~PreferencesWindow() = default;

void PreferencesWindow::build(std::function<void(QString)> showHelp) {
    auto add = [this](PrefElement element, auto* object) { return elements_.add(element, object); };
    // Elements with a help text show it while the pointer rests on them or they have the focus.
    auto explain = [this](QWidget* widget, PrefElement element) {
        widget->setMouseTracking(true);
        widget->setProperty("tolvexHelp", QByteArray(element.name));
        widget->installEventFilter(this);
    };
    auto frame = [&](PrefElement element, const char* caption) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        add(element, box);
        return box;
    };
    auto edited = [this](PrefElement element) { return [this, element] { preferences_->edited(element); }; };
    auto lineEdit = [&](PrefElement element, QWidget* parent, const QString& accessible) {
        auto* edit = new QLineEdit(parent);
        add(element, edit);
        edit->setAccessibleName(accessible);
        edit->setValidator(new OneLineValidator(edit));
        connect(edit, &QLineEdit::textEdited, this, edited(element));
        return edit;
    };
    auto checkBox = [&](PrefElement element, const char* caption, QWidget* parent) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
        add(element, box);
        connect(box, &QCheckBox::clicked, this, edited(element));
        return box;
    };
    auto options = [&](PrefElement group, QGroupBox* box, std::initializer_list<const char*> captions) {
        auto* buttons = new QButtonGroup(box);
        add(group, buttons);
        auto* column = new QVBoxLayout(box);
        int index = 0;
        const PrefElement* names = group == Option1 ? Option1Buttons : Option2Buttons;
        for (const char* caption : captions) {
            auto* button = elements_.add(names[index], new QRadioButton(QString::fromLatin1(caption), box));
            buttons->addButton(button, index++);
            column->addWidget(button);
            explain(button, group);
        }
        connect(buttons, &QButtonGroup::idClicked, this, edited(group));
        return buttons;
    };

    auto* menu = new QMenuBar(this);
    add(mnuHelp, addHelpItem(*menu, *this, std::move(showHelp), QStringLiteral("OpPref.html")));

    // Left column.
    QGroupBox* printing = frame(Frame3, "Incoming Message &Printing");
    print_ = options(Option1, printing,
                     {"Print all messages", "Enable remote print requests", "No automatic printing"});
    QGroupBox* alerting = frame(Frame4, "&Alerting");
    alert_ = options(Option2, alerting,
                     {"Sound alert when any message received", "Enable remote alert requests",
                      "No alert when message received"});
    QGroupBox* formFrame = frame(Frame5, "&Form for outgoing messages");
    explain(formFrame, Frame5);
    auto* forms = new QComboBox(formFrame);
    add(Combo1, forms);
    forms->setAccessibleName(shownCaption(formFrame->title()));
    connect(forms, &QComboBox::activated, this, edited(Combo1));
    (new QVBoxLayout(formFrame))->addWidget(forms);
    QGroupBox* net = frame(Frame7, "Net Control Operation");
    explain(net, Frame7);
    auto* netBox = new QVBoxLayout(net);
    netBox->addWidget(checkBox(chkNet, "&Operating in controlled net", net));
    netBox->addWidget(checkBox(chkRemote, "Allow &remote net startup", net));
    netBox->addWidget(checkBox(chkThisNCS, "&This station is the Net Control Station", net));
    auto* ncsLabel = new QLabel(QStringLiteral("Net Control Station ca&llsign: "), net);
    add(Label2, ncsLabel);
    QLineEdit* ncsCall = lineEdit(txtNCSCallsign, net, QStringLiteral("Net Control Station callsign"));
    ncsLabel->setBuddy(ncsCall);
    auto* ncsRow = new QHBoxLayout;
    ncsRow->addWidget(ncsLabel);
    ncsRow->addWidget(ncsCall, 1);
    netBox->addLayout(ncsRow);
    netBox->addWidget(checkBox(chkDirAlert, "Alert when net &directive received", net));

    // Right column.
    QGroupBox* callFrame = frame(Frame1, "Operating Callsign");
    QLineEdit* call = lineEdit(Text1, callFrame, callFrame->title());
    explain(call, Text1);
    (new QVBoxLayout(callFrame))->addWidget(call);
    QGroupBox* bbsFrame = frame(Frame9, "Local BBS ID");
    explain(bbsFrame, Frame9);
    (new QVBoxLayout(bbsFrame))->addWidget(lineEdit(txtSSID, bbsFrame, bbsFrame->title()));
    QGroupBox* fccFrame = frame(Frame10, "FCC assgined callsign");
    explain(fccFrame, Frame10);
    auto* fccBox = new QVBoxLayout(fccFrame);
    fccBox->addWidget(lineEdit(txtFCC, fccFrame, QStringLiteral("FCC assigned callsign")));
    fccBox->addWidget(checkBox(chkFCC, "Add assigned callsign to &messages", fccFrame));
    QGroupBox* autofillFrame = frame(Frame2, "Outgoing Message AutoFill");
    explain(autofillFrame, Frame2);
    auto* autofillBox = new QVBoxLayout(autofillFrame);
    QCheckBox* autofill =
        checkBox(Check1, "A&utomatically enter callsign, date, time, message number", autofillFrame);
    explain(autofill, Check1);
    autofillBox->addWidget(autofill);
    auto* numberLabel = new QLabel(QStringLiteral("Next outgoing message num&ber"), autofillFrame);
    add(Label1, numberLabel);
    QLineEdit* number = lineEdit(Text2, autofillFrame, shownCaption(numberLabel->text()));
    numberLabel->setBuddy(number);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(number);
    autofillBox->addLayout(numberRow);
    QGroupBox* saving = frame(Frame8, "Save messages to disk");
    explain(saving, Frame8);
    auto* savingBox = new QVBoxLayout(saving);
    savingBox->addWidget(checkBox(chkSaveRcvd, "Save Recei&ved Messages", saving));
    savingBox->addWidget(checkBox(chkSaveSent, "Save S&ent Messages", saving));
    auto* encodingLabel = new QLabel(QStringLiteral("Encodin&g Value"), this);
    add(lblEnc, encodingLabel);
    QLineEdit* encoding = lineEdit(txtEnc, this, shownCaption(encodingLabel->text()));
    encoding->setMaximumWidth(encoding->fontMetrics().horizontalAdvance(QStringLiteral("-000000")) + 12);
    encodingLabel->setBuddy(encoding);
    auto* encodingRow = new QHBoxLayout;
    encodingRow->addWidget(encodingLabel);
    encodingRow->addWidget(encoding);
    encodingRow->addStretch();

    // Close and Save Changes share the top right corner; the logic shows one of them.
    const SaveCloseCorner corner = saveCloseCorner(*this, new QFrame(this), kDarkRed, CornerPlace::TopRight);
    add(cmdClose, corner.close);
    add(Frame6, corner.saveFrame);
    add(cmdSave, corner.save);
    connect(corner.save, &QPushButton::clicked, this, [this] { preferences_->save(); });
    // The corner sits beside the callsign, at the top of the right column: Tab reaches it there.
    setTabOrder(call, corner.close);
    setTabOrder(corner.close, corner.save);
    setTabOrder(corner.save, elements_.get<QWidget>(txtSSID));

    auto* helpLine = new QPlainTextEdit(this);
    add(Text3, helpLine);
    helpLine->setReadOnly(true);
    helpLine->setTabChangesFocus(true);
    helpLine->setAccessibleName(QStringLiteral("Help"));
    setColours(*helpLine, kPurple, Qt::white);
    helpLine->setFixedHeight(helpLine->fontMetrics().lineSpacing() * 4 + 12);

    auto* left = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(printing), static_cast<QWidget*>(alerting),
                       static_cast<QWidget*>(formFrame), static_cast<QWidget*>(net)})
        left->addWidget(w);
    left->addStretch();
    auto* topRight = new QHBoxLayout;
    topRight->addWidget(callFrame, 1);
    topRight->addLayout(corner.layout);
    auto* right = new QVBoxLayout;
    right->addLayout(topRight);
    for (QWidget* w : {static_cast<QWidget*>(bbsFrame), static_cast<QWidget*>(fccFrame),
                       static_cast<QWidget*>(autofillFrame), static_cast<QWidget*>(saving)})
        right->addWidget(w);
    right->addLayout(encodingRow);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* box = new QVBoxLayout(this);
    box->setMenuBar(menu);
    box->addLayout(columns);
    box->addWidget(helpLine);

    // The bare dialog empties the help line.
    setMouseTracking(true);
    adjustSize();
}

bool PreferencesWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (preferences_ && (type == QEvent::MouseMove || type == QEvent::FocusIn)) {
        if (const QVariant name = watched->property("tolvexHelp"); name.isValid()) {
            const QByteArray element = name.toByteArray();
            preferences_->pointerOver(PrefElement(element.constData()));
            // A bare move stops here, or it would reach the dialog and empty the help line again.
            if (type == QEvent::MouseMove && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PreferencesWindow::mouseMoveEvent(QMouseEvent* event) {
    if (preferences_) preferences_->pointerOverDialog();
    QDialog::mouseMoveEvent(event);
}

} // namespace tolvex
