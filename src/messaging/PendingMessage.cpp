#include "PendingMessage.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSaveFile>

namespace tolvex {

QByteArray PendingMessage::bodyForTnc() const {
    QByteArray text = body_;
    text.removeIf([](char c) { return c == '\n'; });
    return text;
}

namespace {
// Lines of a file written with CR LF ends; a final line without its end still counts.
QList<QByteArray> crlfLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}
} // namespace

PendingMessage::PendingMessage(const Station& station, MessageBoxes& boxes, MainView& view,
                               LinkSession& session, TncPort& tnc)
    : station_(station), boxes_(boxes), view_(view), session_(session), tnc_(tnc) {}

QString PendingMessage::draftPath() const {
    return station_.path(QStringLiteral("Messages/temp.txt"));
}

void PendingMessage::store(const QByteArray& subject, const QByteArray& header, const QByteArray& text,
                           bool fromForm) {
    subject_ = subject;
    header_ = header;
    body_ = text + endMarker;
    fromForm_ = fromForm;

    QDir().mkpath(station_.path(QStringLiteral("Messages")));
    QSaveFile file(draftPath());
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        file.write(subject_ + "\r\n" + header_ + "\r\n" + body_ + "\r\n");
        saved = file.commit();
    }
    if (!saved) boxes_.show(QStringLiteral("SaveError"), QStringLiteral("Error saving file at F7:cmdSDone"));

    view_.setVisible(frmMain::Frame1, true);
    if (session_.state() == LinkState::LinkIdle) view_.setVisible(frmMain::lblDest, true);
    changed();
}

void PendingMessage::erase() {
    subject_.clear();
    header_.clear();
    body_.clear();
    fromForm_ = false;
    view_.setVisible(frmMain::Frame1, false);
    view_.setVisible(frmMain::lblDest, false);
    QFile::remove(draftPath());
    tnc_.focusToPanel();
    changed();
}

void PendingMessage::askErase() {
    boxes_.show(QStringLiteral("Tolvex"), QStringLiteral("Are you sure you want to delete this message?"),
                MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo, [this](MessageBoxes::Answer answer) {
                    if (answer == MessageBoxes::Answer::Yes) erase();
                    tnc_.focusToPanel();
                });
}

void PendingMessage::loadDraft() {
    QFile file(draftPath());
    if (!file.open(QIODevice::ReadOnly)) return;
    const QList<QByteArray> lines = crlfLines(file.readAll());
    // Without a header line and at least one text line there is no message to take up.
    if (lines.size() < 3) return;
    subject_ = lines[0];
    header_ = lines[1];
    // store() writes one more line end after the end line; it is no part of the message, which
    // goes out after a restart exactly as it would have before.
    qsizetype end = lines.size();
    if (end > 3 && lines[end - 1].isEmpty() && lines[end - 2] == "$^") --end;
    body_.clear();
    for (qsizetype i = 2; i < end; ++i)
        body_ += lines[i] + "\r\n";
    fromForm_ = false; // not recorded in the file
    view_.setVisible(frmMain::Frame1, true);
    changed();
}

void PendingMessage::changed() {
    if (onChanged) onChanged(isPending());
}

} // namespace tolvex
