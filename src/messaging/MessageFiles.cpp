#include "MessageFiles.h"
#include "TimeTexts.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cctype>

namespace tolvex {

namespace {

// Gives up after this many copies of one name within one second: something is wrong by then.
constexpr int MaxCopies = 1000;

bool isUnsafe(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || code == 127 || c == '/' || c == '\\';
}

} // namespace

QByteArray fileNamePart(const QByteArray& text) {
    QByteArray part = text;
    for (char& c : part)
        if (isUnsafe(c)) c = '-';
    return part;
}

namespace {
constexpr qsizetype kMaxNamePart = 50; // twice that on disk when every byte is above 127
} // namespace

QByteArray messageFileName(MessageKind kind, const QByteArray& stamp, const QByteArray& correspondent,
                           const QByteArray& subject, int copy) {
    QByteArray name(1, static_cast<char>(kind));
    name += fileNamePart(stamp);
    if (copy > 1) name += '-' + QByteArray::number(copy);
    // A file name may hold 255 bytes: a callsign or subject from the air longer than any real one
    // is shortened in the name only, so the message is still kept (its content keeps it whole).
    name += '_' + fileNamePart(correspondent).replace('_', '-').left(kMaxNamePart) + '_' +
            fileNamePart(subject).left(kMaxNamePart) + ".txt";
    return name;
}

QByteArray convertDate(const QByteArray& stamp) {
    const QByteArray month = stamp.left(2);
    const bool digits = month.size() == 2 && std::isdigit(static_cast<unsigned char>(month.at(0))) &&
                        std::isdigit(static_cast<unsigned char>(month.at(1)));
    const int m = digits ? month.toInt() : 0;
    // The month names come from the date text, so the log and the banners never disagree.
    const QByteArray monthText = m >= 1 && m <= 12 ? DateText(QDate(2000, m, 1)).mid(2, 5) : month;
    return stamp.mid(2, 2) + monthText + ' ' + stamp.mid(4, 4);
}

MessageName parseMessageName(const QByteArray& fileName) {
    QByteArray stem = fileName;
    if (stem.size() >= 4 && stem.right(4).toLower() == ".txt") stem.chop(4);

    MessageName name;
    const qsizetype u1 = stem.indexOf('_');
    const qsizetype u2 = u1 < 0 ? -1 : stem.indexOf('_', u1 + 1);
    name.dateText = convertDate(stem.left(u1 < 0 ? stem.size() : u1).mid(1));
    if (u1 >= 0) name.correspondent = stem.mid(u1 + 1, u2 < 0 ? -1 : u2 - u1 - 1);
    if (u2 >= 0) name.subject = stem.mid(u2 + 1);
    for (int i = 0; i < 2 && name.correspondent.size() < 6; ++i)
        name.correspondent += ' ';
    return name;
}

QByteArray logRowText(const MessageName& name) {
    return name.dateText + "  " + name.correspondent + "   " + name.subject;
}

SavedMessage saveMessageFile(const QString& folder, MessageKind kind, const QByteArray& stamp,
                             const QByteArray& correspondent, const QByteArray& subject,
                             const QByteArray& content) {
    const QDir dir(folder);
    SavedMessage saved;
    for (int copy = 1; copy <= MaxCopies; ++copy) {
        saved.path =
            dir.filePath(QString::fromLatin1(messageFileName(kind, stamp, correspondent, subject, copy)));
        // One thread writes the log, so a name seen free here is still free at commit.
        if (QFileInfo::exists(saved.path)) continue;
        QSaveFile file(saved.path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
            saved.error = file.errorString();
            if (saved.error.isEmpty()) saved.error = QStringLiteral("Unable to write the file");
        }
        return saved;
    }
    saved.error = QStringLiteral("No free file name left for this message");
    return saved;
}

SavedMessage saveInMessagesFolder(const QString& stationDir, MessageKind kind, const QByteArray& stamp,
                                  const QByteArray& correspondent, const QByteArray& subject,
                                  const QByteArray& content) {
    const QString folder = stationDir + QStringLiteral("/Messages");
    QDir().mkpath(folder);
    return saveMessageFile(folder, kind, stamp, correspondent, subject, content);
}

} // namespace tolvex
