#include "MessageLog.h"

#include "MessageFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>

namespace tolvex {

QByteArray LogRow::text() const {
    return logRowText({dateText, correspondent, subject});
}

MessageLog::MessageLog(QString messagesDir, LogView& view, MessageBoxes& boxes, Printer& printer)
    : dir_(std::move(messagesDir)), view_(view), boxes_(boxes), printer_(printer) {}

MessageLog::Side MessageLog::received() {
    return {received_, frmLog::lstRcvd, frmLog::lstSent, "r*.txt", "rcvd"};
}

MessageLog::Side MessageLog::sent() {
    return {sent_, frmLog::lstSent, frmLog::lstRcvd, "s*.txt", "sent"};
}

void MessageLog::open() {
    // One pass over the folder fills both sides.
    received_.clear();
    sent_.clear();
    QDirIterator files(dir_, {QStringLiteral("r*.txt"), QStringLiteral("s*.txt")}, QDir::Files);
    while (files.hasNext()) {
        const QString diskName = files.nextFileInfo().fileName();
        // The patterns match either case.
        (diskName.front().toLower() == QLatin1Char('r') ? received_ : sent_).push_back(makeRow(diskName));
    }
    showRows(sent());
    showRows(received());
}

void MessageLog::fillReceived() {
    fill(received());
}

void MessageLog::fillSent() {
    fill(sent());
}

void MessageLog::fill(const Side& side) {
    side.rows.clear();
    // The iterator reads the folder without sorting or a QFileInfo per file, which counts with
    // a log of many thousand files; a missing folder simply lists nothing.
    QDirIterator files(dir_, {QString::fromLatin1(side.pattern)}, QDir::Files);
    while (files.hasNext())
        side.rows.push_back(makeRow(files.nextFileInfo().fileName()));
    showRows(side);
}

LogRow MessageLog::makeRow(const QString& diskName) {
    LogRow row;
    row.fileName = diskName.toLatin1();
    // A name lacking its underscores still lists with what it holds.
    MessageName name = parseMessageName(row.fileName);
    row.diskName = diskName;
    row.dateText = std::move(name.dateText);
    row.correspondent = std::move(name.correspondent);
    row.subject = std::move(name.subject);
    return row;
}

void MessageLog::showRows(const Side& side) {
    // Within one year the stamp orders by time; the name also breaks ties the same way each time.
    std::sort(side.rows.begin(), side.rows.end(), [](const LogRow& a, const LogRow& b) {
        return a.fileName != b.fileName ? a.fileName < b.fileName : a.diskName < b.diskName;
    });
    QList<QByteArray> texts;
    texts.reserve(qsizetype(side.rows.size()));
    for (const LogRow& row : side.rows)
        texts.append(row.text());
    view_.setRows(side.list, texts);
}

void MessageLog::showReceived() {
    show(received());
}

void MessageLog::showSent() {
    show(sent());
}

void MessageLog::show(const Side& side) {
    const int row = view_.selectedRow(side.list);
    if (row < 0 || row >= int(side.rows.size())) {
        boxes_.show(QStringLiteral("Error"), QStringLiteral("You must click on an entry"));
        return;
    }
    // The row clicked is the one Delete acts on, even when its file cannot be read.
    side_ = side.marker;
    view_.clearSelection(side.other);
    QFile file(QDir(dir_).filePath(side.rows[size_t(row)].diskName));
    if (!file.open(QIODevice::ReadOnly)) {
        boxes_.show(QStringLiteral("Error"), QStringLiteral("You must click on an entry"));
        return;
    }
    view_.showMessage(file.readAll());
}

void MessageLog::print() {
    printer_.printText(view_.messageText()); // nothing to do when it fails
}

void MessageLog::deleteSelected() {
    const Side side = side_ == "rcvd" ? received() : sent();
    const int row = view_.selectedRow(side.list);
    if (row < 0 || row >= int(side.rows.size()) ||
        !QFile::remove(QDir(dir_).filePath(side.rows[size_t(row)].diskName))) {
        boxes_.show(QStringLiteral("File not found"), QStringLiteral("Unable to delete file"));
        return;
    }
    fill(side);
    view_.showMessage({});
}

} // namespace tolvex
