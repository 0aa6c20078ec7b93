#include "Ics309Dialog.h"

#include "Ics309Export.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex {

namespace {

const QString kTitle = QStringLiteral("ICS-309 Log");

// The edits show the computer's local time; the log works in plain local dates and times.
QDateTime plainLocal(const QDateTime& shown) {
    return QDateTime(shown.date(), QTime(shown.time().hour(), shown.time().minute()), Qt::UTC);
}

} // namespace

Ics309Dialog::Ics309Dialog(const QString& stationDir, MessageBoxes& boxes, QWidget* parent)
    : CentredOnFirstShow<QDialog>(parent), stationDir_(stationDir), boxes_(boxes) {
    setObjectName(QStringLiteral("frmIcs309"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);

    const QDateTime now = QDateTime::currentDateTime();
    const auto dateTime = [this](Ics309Element name, const QString& accessible, const QDateTime& value) {
        auto* edit = elements_.add(name, new QDateTimeEdit(value, this));
        edit->setAccessibleName(accessible);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        return edit;
    };
    from_ = dateTime(frmIcs309::dtpFrom, QStringLiteral("Period from"), QDateTime(now.date(), QTime(0, 0)));
    // The coming minute, so a message of this minute is in the log.
    to_ = dateTime(frmIcs309::dtpTo, QStringLiteral("Period to (not included)"),
                   QDateTime(now.date(), QTime(now.time().hour(), now.time().minute())).addSecs(60));
    const auto line = [this](Ics309Element name, const QString& accessible, const QString& value) {
        auto* edit = elements_.add(name, new QLineEdit(value, this));
        edit->setAccessibleName(accessible);
        return edit;
    };
    incident_ = line(frmIcs309::txtIncident, QStringLiteral("Incident name"), {});
    operator_ =
        line(frmIcs309::txtOperator, QStringLiteral("Radio operator name"), readStationCall(stationDir).call);
    file_ =
        line(frmIcs309::txtFile, QStringLiteral("Log file"),
             QDir::home().filePath(QStringLiteral("ICS309-") + now.toString(QStringLiteral("yyyyMMdd-HHmm")) +
                                   QStringLiteral(".pdf")));
    file_->setMinimumWidth(file_->fontMetrics().horizontalAdvance(QString(40, QLatin1Char('x'))));
    auto* browse = elements_.add(frmIcs309::cmdBrowse, new QPushButton(QStringLiteral("&Browse..."), this));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("1. &Incident name:"), incident_);
    form->addRow(QStringLiteral("2. Period &from:"), from_);
    form->addRow(QStringLiteral("              &to:"), to_);
    form->addRow(QStringLiteral("3. Radio o&perator:"), operator_);
    form->addRow(QStringLiteral("&Log file (.pdf or .csv):"), fileRow);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* writeButton = elements_.add(
        frmIcs309::cmdWrite, buttons->addButton(QStringLiteral("&Write"), QDialogButtonBox::AcceptRole));
    writeButton->setDefault(true);
    QPushButton* cancel = elements_.add(
        frmIcs309::cmdCancel, buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole));
    connect(writeButton, &QPushButton::clicked, this, &Ics309Dialog::write);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &Ics309Dialog::chooseFile);

    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(buttons);
    adjustSize();
}

Ics309Dialog* Ics309Dialog::openFor(const QString& stationDir, MessageBoxes& boxes, QWidget* parent) {
    auto* dialog = new Ics309Dialog(stationDir, boxes, parent);
    dialog->show();
    return dialog;
}

void Ics309Dialog::chooseFile() {
    auto* chooser =
        new QFileDialog(this, kTitle, file_->text(), QStringLiteral("PDF form (*.pdf);;CSV table (*.csv)"));
    chooser->setAcceptMode(QFileDialog::AcceptSave);
    chooser->setDefaultSuffix(QStringLiteral("pdf"));
    // Its question about replacing a file would wait in a loop of its own; a log is written anew.
    chooser->setOption(QFileDialog::DontConfirmOverwrite);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    connect(chooser, &QFileDialog::filterSelected, chooser, [chooser](const QString& filter) {
        chooser->setDefaultSuffix(filter.contains(QLatin1String("*.csv")) ? QStringLiteral("csv")
                                                                          : QStringLiteral("pdf"));
    });
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& path) { file_->setText(path); });
    chooser->open();
}

void Ics309Dialog::write() {
    Ics309Request request;
    request.stationDir = stationDir_;
    request.from = plainLocal(from_->dateTime());
    request.to = plainLocal(to_->dateTime());
    request.incident = incident_->text();
    request.operatorName = operator_->text();
    request.outputPath = file_->text().trimmed();
    const Ics309Result result = exportIcs309(request);
    if (!result.ok()) {
        boxes_.show(kTitle, QStringLiteral("The log was not written: ") + result.error,
                    MessageBoxes::Icon::Warning);
        return;
    }
    QString text = QString::number(result.rows) +
                   (result.rows == 1 ? QStringLiteral(" message") : QStringLiteral(" messages")) +
                   QStringLiteral(" in the log written to ") + QDir::toNativeSeparators(request.outputPath) +
                   QLatin1Char('.');
    if (!result.notices.isEmpty())
        text += QStringLiteral("\n\nNot listed in full:\n") + result.notices.join(QLatin1Char('\n'));
    boxes_.show(kTitle, text,
                result.notices.isEmpty() ? MessageBoxes::Icon::Information : MessageBoxes::Icon::Warning);
    accept();
}

} // namespace tolvex
