#include "GroupWindow.h"

#include "Controls.h"
#include "WindowParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex {

class GroupWindow::View : public GroupView {
public:
    explicit View(GroupWindow& w) : w_(w) {}

    QByteArray text(GroupElement e) const override { return w_.elements_.lineText(e).toLatin1(); }
    void setText(GroupElement e, const QByteArray& text) override {
        w_.elements_.setText(e,
                             QString::fromLatin1(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }
    void close() override { w_.close(); }

private:
    GroupWindow& w_;
};

GroupWindow::GroupWindow(Station& station, ParmsStore& store, Broadcasts& broadcasts, QWidget* parent)
    : CentredOnFirstShow<QWidget>(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmGroup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Group Name Setup"));

    auto add = [this](GroupElement element, QObject* object) { elements_.add(element, object); };

    auto* box = new QVBoxLayout(this);
    auto* heading = new QLabel(this);
    heading->setTextFormat(Qt::PlainText);
    add(frmGroup::Label1, heading);
    box->addWidget(heading);
    int n = 0;
    for (const GroupElement element : frmGroup::Text1) {
        auto* entry = new QLineEdit(this);
        add(element, entry);
        entry->setAccessibleName(QStringLiteral("Group %1").arg(++n));
        entry->setValidator(new OneLineValidator(entry));
        entry->setMinimumWidth(entry->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
        box->addWidget(entry);
    }
    auto* example = new QLabel(this);
    example->setTextFormat(Qt::PlainText);
    add(frmGroup::Label2, example);
    box->addWidget(example);
    auto* done = elements_.add(frmGroup::cmdDone, new QPushButton(QStringLiteral("&Done"), this));
    box->addLayout(closingRow({done}));

    view_ = std::make_unique<View>(*this);
    setup_ = std::make_unique<GroupSetup>(station, store, broadcasts, *view_);
    connect(done, &QPushButton::clicked, this, [this] { setup_->done(); });
    setup_->open();
    adjustSize();
}

GroupWindow::~GroupWindow() = default;

} // namespace tolvex
