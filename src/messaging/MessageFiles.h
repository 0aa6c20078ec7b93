#pragma once
// The message log on disk: names of the "r" (received) and "s" (sent) files in Messages, their
// decoding for the log window, and writing one message file without replacing another.
//
// Name: kind letter, ten-digit stamp MMDDhhmmss, "_", correspondent, "_", subject, ".txt".
// When that name is taken, copies get "-2", "-3" ... right after the stamp, where the log's date
// decoding does not look, so a copy lists exactly like the first file.
// Names are 8-bit text; they become QString as Latin-1, and go back with toLatin1().
#include <QByteArray>
#include <QString>

namespace tolvex {

enum class MessageKind : char { Received = 'r', Sent = 's' };

// Text from the air made safe for a file name: "/", "\" and control characters (NUL and DEL
// included) become "-". The message content keeps the original text.
QByteArray fileNamePart(const QByteArray& text);

// The file name for a message. The correspondent also loses its underscores, which would move
// the subject. Each of the two is cut to 100 bytes as the file system stores it, so the name stays
// within 255 bytes. copy 1 is the plain name; 2 and up add the "-n" counter.
QByteArray messageFileName(MessageKind kind, const QByteArray& stamp, const QByteArray& correspondent,
                           const QByteArray& subject, int copy = 1);

// What the log shows for one file.
struct MessageName {
    QByteArray dateText;      // convertDate of the stamp
    QByteArray correspondent; // padded with up to two blanks towards six characters
    QByteArray subject;       // everything after the second underscore, underscores kept

    bool operator==(const MessageName&) const = default;
};

// MMDDhhmmss (anything after the eighth character ignored) to "07 Dec  1405": day, month name
// with its blanks (or the two characters when they are not 01..12), a blank, hhmm. No year.
QByteArray convertDate(const QByteArray& stamp);

// Decodes a listed file name (".txt" included). A name lacking underscores gives what it holds:
// with one, the date and correspondent; with none, the date alone.
MessageName parseMessageName(const QByteArray& fileName);

// The log row: date text, two blanks, correspondent, three blanks, subject.
QByteArray logRowText(const MessageName& name);

struct SavedMessage {
    QString path;  // the file written; on failure the path that was tried
    QString error; // empty on success

    bool ok() const { return error.isEmpty(); }
};

// Writes content whole (QSaveFile) into folder under the first free name of messageFileName.
// Never replaces an existing file.
SavedMessage saveMessageFile(const QString& folder, MessageKind kind, const QByteArray& stamp,
                             const QByteArray& correspondent, const QByteArray& subject,
                             const QByteArray& content);

// The same, into a station's Messages folder, which is made first when missing (a new station
// keeps its first message all the same); if it cannot be made, the save fails and says where.
SavedMessage saveInMessagesFolder(const QString& stationDir, MessageKind kind, const QByteArray& stamp,
                                  const QByteArray& correspondent, const QByteArray& subject,
                                  const QByteArray& content);

} // namespace tolvex
