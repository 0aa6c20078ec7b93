#pragma once
// Parms.inf: one "key=value" line per setting, CR LF ends, 60 keys in a fixed order.
// MsgNo.inf: one line, the number of the next outgoing formal message.
#include "Platform.h"
#include "Settings.h"

#include <QIODevice>
#include <QString>
#include <optional>

namespace tolvex {

// Reads settings from a device; false on a line without "=" or an int key whose value is no
// 16-bit number. Keys not in the table are ignored; a repeated key takes its last value.
bool readParms(QIODevice& in, Settings& s);
// Writes the 60 lines in table order.
void writeParms(QIODevice& out, const Settings& s);

// The number a MsgNo.inf line holds (blanks around it allowed); nothing when it is not a whole
// number. The start reads it back only when it is not negative.
std::optional<qlonglong> msgNoValue(const QByteArray& text);

// The settings file of a station directory, with the operator's messages on failure.
class ParmsStore {
public:
    ParmsStore(QString stationDir, MessageBoxes& boxes) : dir_(std::move(stationDir)), boxes_(boxes) {}

    // False after the "Critical Fault" message was shown: the program cannot continue.
    bool ReadParms(Settings& s);
    // Replaces the file whole; on failure shows "Unable to save file" and the old file stays.
    bool SaveParms(const Settings& s);
    // The number of the next formal message; "Lost Message Count" and 1 when unreadable.
    QByteArray ReadMsgNo();
    // Failures are silent: the in-memory number stays.
    void SaveMsgNo(const QByteArray& msgNo);

    QString parmsPath() const { return dir_ + QStringLiteral("/Parms.inf"); }
    QString msgNoPath() const { return dir_ + QStringLiteral("/MsgNo.inf"); }

private:
    QString dir_;
    MessageBoxes& boxes_;
};

} // namespace tolvex
