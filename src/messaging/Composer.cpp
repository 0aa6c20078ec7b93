#include "Composer.h"

#include "MessageHeader.h"
#include "TimeTexts.h"
#include "core/Lines.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace tolvex {

namespace {
const QByteArray kFieldMark = "=";
const QByteArray kFilledField = "  ";
const QByteArray kCrLf = "\r\n";
const QByteArray kEndMarker = "$^";
const QByteArray kHeaderStart = ".hdr";

void replaceFirstTag(QByteArray& line, const char* tag, const QByteArray& with) {
    const qsizetype at = line.indexOf(tag);
    if (at >= 0) line.replace(at, qstrlen(tag), with);
}
} // namespace

QByteArray formMessageNumber(const QByteArray& msgNo) {
    return msgNo.trimmed().rightJustified(3, '0');
}

QByteArray nextMessageNumber(const QByteArray& msgNo) {
    const qlonglong n = msgNo.trimmed().toLongLong();
    // Past the largest number the count starts again, as after a lost count.
    return QByteArray::number(n < std::numeric_limits<qlonglong>::max() ? n + 1 : 1);
}

QByteArray fillTemplateLine(QByteArray line, bool autofill, const QByteArray& date, const QByteArray& time,
                            const QByteArray& callsign, const QByteArray& number) {
    const QByteArray field = "= ";
    replaceFirstTag(line, "<D>", autofill ? ' ' + date + ' ' : field);
    replaceFirstTag(line, "<T>", autofill ? ' ' + time : field);
    replaceFirstTag(line, "<C>", autofill ? ' ' + callsign + ' ' : field);
    replaceFirstTag(line, "<M>", autofill ? ' ' + number + ' ' : field);
    return line;
}

Composer::Composer(ComposeMode mode, ComposeContext context, ComposeView& view)
    : mode_(mode), ctx_(context), view_(view) {}

void Composer::open() {
    for (ComposeElement box :
         {frmCompose::chkAlert, frmCompose::chkPrint, frmCompose::chkAck, frmCompose::chkDis})
        view_.setChecked(box, false);
    view_.setVisible(frmCompose::lblWarn, true);
    switch (mode_) {
    case ComposeMode::Formal:
        // The pending message goes only once its replacement has a form to start from.
        if (prepareFormal()) ctx_.pending.erase();
        break;
    case ComposeMode::Scratch:
        ctx_.pending.erase();
        prepareScratch();
        break;
    case ComposeMode::Edit:
        prepareEdit();
        break;
    }
}

bool Composer::prepareFormal() {
    view_.setVisible(frmCompose::cmdCancel, true);
    fromForm_ = true;
    const Settings& s = ctx_.station.settings;
    const TimeTexts times(ctx_.clock, s);
    const QByteArray zone = times.TimeZoneText();
    const QByteArray date = times.DateText();
    const QByteArray time = times.ShortTime() + zone;
    const QByteArray number = formMessageNumber(ctx_.station.MsgNo);
    const bool autofill = s.Autofill == 1;

    QByteArray text;
    QFile form(ctx_.station.path(QStringLiteral("Forms/") + QString::fromLatin1(s.MsgFormPref)));
    bool ok =
        !s.MsgFormPref.isEmpty() && !QFileInfo(form.fileName()).isDir() && form.open(QIODevice::ReadOnly);
    while (ok && !form.atEnd()) {
        QByteArray line = form.readLine();
        if (form.error() != QFileDevice::NoError) {
            ok = false;
            break;
        }
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        text += fillTemplateLine(line, autofill, date, time, s.Callsign, number) + kCrLf;
    }
    view_.setText(frmCompose::Text1, text);
    if (!ok) {
        ctx_.boxes.show(QStringLiteral("Form not found"),
                        QStringLiteral("Unable to open form ") + QString::fromLatin1(s.MsgFormPref),
                        MessageBoxes::Icon::Warning);
        return false;
    }
    view_.setCaption("Compose Formal Message");
    return true;
}

void Composer::prepareScratch() {
    view_.setText(frmCompose::Text1, {});
    view_.setCaption("Compose Scratchpad Message");
    view_.setVisible(frmCompose::cmdCancel, true);
}

void Composer::prepareEdit() {
    const PendingMessage& pending = ctx_.pending;
    QByteArray text = pending.body();
    const qsizetype marker = text.indexOf("$^");
    if (marker >= 0) text.truncate(marker);
    // Done adds a line end before the marker; take back what earlier rounds added.
    for (int round = 0; round < 2 && text.endsWith("\r\n\r\n"); ++round)
        text.chop(2);
    fromForm_ = pending.fromForm();
    view_.setText(frmCompose::Text1, text);
    view_.setText(frmCompose::txtSubject, pending.subject());
    view_.setCaption("Edit Message");
    const HeaderOptions options = headerOptions(pending.header());
    view_.setChecked(frmCompose::chkAlert, options.alert);
    view_.setChecked(frmCompose::chkAck, options.ack);
    view_.setChecked(frmCompose::chkPrint, options.print);
    view_.setChecked(frmCompose::chkDis, options.disconnect);
    view_.setVisible(frmCompose::cmdCancel, false); // an edit is left with Done
}

void Composer::setFieldTabStops(bool stop) {
    for (ComposeElement e : {frmCompose::txtSubject, frmCompose::cmdDone, frmCompose::cmdCancel})
        view_.setTabStop(e, stop);
}

void Composer::takeField() {
    view_.replaceFirst(frmCompose::Text1, kFieldMark, kFilledField);
}

void Composer::textFocused() {
    if (!fromForm_ || !view_.text(frmCompose::Text1).contains(kFieldMark)) return;
    setFieldTabStops(false);
    takeField();
}

bool Composer::textKeyPress(bool tab) {
    if (!fromForm_) return false;
    bool used = false;
    if (tab && view_.text(frmCompose::Text1).contains(kFieldMark)) {
        takeField();
        used = true;
    }
    if (!view_.text(frmCompose::Text1).contains(kFieldMark)) setFieldTabStops(true);
    return used;
}

bool Composer::subjectTakesKey() const {
    return tolvex::subjectTakesKey(view_.text(frmCompose::txtSubject));
}

void Composer::disconnectClicked() {
    view_.setVisible(frmCompose::lblWarn, view_.isChecked(frmCompose::chkDis));
}

void Composer::done() {
    const QByteArray text = view_.text(frmCompose::Text1);
    if (text.isEmpty()) {
        ctx_.boxes.show(QStringLiteral("No Message"), QStringLiteral("No Message to send"));
        return;
    }
    const QByteArray subject = view_.text(frmCompose::txtSubject);
    // The far station ends a message at the first line holding the marker, and Edit would show
    // only what stands before it; the header line counts too. The text stays in the window.
    if (text.contains(kEndMarker) || subject.contains(kEndMarker)) {
        ctx_.boxes.show(QStringLiteral("End marker in message"),
                        QStringLiteral("The text or subject holds $^, which ends a message on the air.\r\n"
                                       "Remove it, then press Done again."));
        return;
    }
    // A line that begins like a header starts a new message at the far station, cutting this one.
    const QList<QByteArray> lines = splitLines(text);
    if (std::any_of(lines.begin(), lines.end(),
                    [](const QByteArray& line) { return line.startsWith(kHeaderStart); })) {
        ctx_.boxes.show(
            QStringLiteral("Header in message"),
            QStringLiteral("A line of the text begins with .hdr, which starts a new message on the air.\r\n"
                           "Change that line, then press Done again."));
        return;
    }
    Station& station = ctx_.station;
    const Settings& s = station.settings;
    HeaderOptions options;
    options.alert = view_.isChecked(frmCompose::chkAlert);
    options.print = view_.isChecked(frmCompose::chkPrint);
    options.ack = view_.isChecked(frmCompose::chkAck);
    options.disconnect = view_.isChecked(frmCompose::chkDis);
    const QByteArray header = buildHeader(options, s.AddFCC == 1, s.FCC, s.Callsign, subject);
    ctx_.pending.store(subject, header, text, fromForm_);

    // The number is used once the formal message is stored, whether or not it is ever sent.
    if (s.Autofill == 1 && mode_ == ComposeMode::Formal) {
        station.MsgNo = nextMessageNumber(station.MsgNo);
        ctx_.store.SaveMsgNo(station.MsgNo);
    }
    view_.close();
}

void Composer::cancel() {
    view_.close();
}

} // namespace tolvex
