#include "ParmsFile.h"
#include "Lines.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <functional>
#include <limits>

namespace tolvex {

namespace {

enum class Form { Text, Int, LFout, LFin };

struct Key {
    const char* name;
    Form form;
    QByteArray* (*text)(Settings&);
    std::int16_t* (*number)(Settings&);
};

#define TEXT(field) [](Settings& s) -> QByteArray* { return &s.field; }, nullptr
#define INT(field) nullptr, [](Settings& s) -> std::int16_t* { return &s.field; }

// The file's keys in the order the writer produces them.
const Key kKeys[] = {
    {"Callsign", Form::Text, TEXT(Callsign)},
    {"FCC", Form::Text, TEXT(FCC)},
    {"AddFCC", Form::Int, INT(AddFCC)},
    {"Autofill", Form::Int, INT(Autofill)},
    {"MsgFormPref", Form::Text, TEXT(MsgFormPref)},
    {"PrintPref", Form::Int, INT(PrintPref)},
    {"AlertPref", Form::Int, INT(AlertPref)},
    {"ConnStr", Form::Text, TEXT(ConnStr)},
    {"DisconStr", Form::Text, TEXT(DisconStr)},
    {"ComPortSet", Form::Int, INT(ComPortSet)},
    {"ParitySet", Form::Int, INT(ParitySet)},
    {"DataBitSet", Form::Int, INT(DataBitSet)},
    {"StopBitSet", Form::Int, INT(StopBitSet)},
    {"BaudSet", Form::Int, INT(BaudSet)},
    {"FlowSet", Form::Int, INT(FlowSet)},
    {"GroupAd(0)", Form::Text, TEXT(GroupAd[0])},
    {"GroupAd(1)", Form::Text, TEXT(GroupAd[1])},
    {"GroupAd(2)", Form::Text, TEXT(GroupAd[2])},
    {"GroupAd(3)", Form::Text, TEXT(GroupAd[3])},
    {"GroupAd(4)", Form::Text, TEXT(GroupAd[4])},
    {"GroupAd(5)", Form::Text, TEXT(GroupAd[5])},
    {"CmdCmd", Form::Text, TEXT(CmdCmd)},
    {"ConnCmd", Form::Text, TEXT(ConnCmd)},
    {"DisconCmd", Form::Text, TEXT(DisconCmd)},
    {"NodeReady(0)", Form::Text, TEXT(NodeReady[0])},
    {"NodeReady(1)", Form::Text, TEXT(NodeReady[1])},
    {"NodeReady(2)", Form::Text, TEXT(NodeReady[2])},
    {"NodeReady(3)", Form::Text, TEXT(NodeReady[3])},
    {"SSID", Form::Text, TEXT(SSID)},
    {"TNCCmd", Form::Text, TEXT(TNCCmd)},
    {"ConnFail(0)", Form::Text, TEXT(ConnFail[0])},
    {"ConnFail(1)", Form::Text, TEXT(ConnFail[1])},
    {"ConnFail(2)", Form::Text, TEXT(ConnFail[2])},
    {"ConnFail(3)", Form::Text, TEXT(ConnFail[3])},
    {"ConverseCmd", Form::Text, TEXT(ConverseCmd)},
    {"ThisNCS", Form::Text, TEXT(ThisNCS)},
    {"DirAlert", Form::Int, INT(DirAlert)},
    {"NetOperation", Form::Text, TEXT(NetOperation)},
    {"NCSCallsign", Form::Text, TEXT(NCSCallsign)},
    {"NetActiveMsg", Form::Text, TEXT(NetActiveMsg)},
    {"NCS1Msg", Form::Text, TEXT(NCSMsg[0])},
    {"NCS2Msg", Form::Text, TEXT(NCSMsg[1])},
    {"NCS3Msg", Form::Text, TEXT(NCSMsg[2])},
    {"NCS4Msg", Form::Text, TEXT(NCSMsg[3])},
    {"InfoNet1Msg", Form::Text, TEXT(InfoNet1Msg)},
    {"InfoNet2Msg", Form::Text, TEXT(InfoNet2Msg)},
    {"PermitMsg", Form::Text, TEXT(PermitMsg)},
    {"RemoteOperation", Form::Int, INT(RemoteOperation)},
    {"LFout", Form::LFout, nullptr, nullptr},
    {"LFin", Form::LFin, nullptr, nullptr},
    {"Bye", Form::Text, TEXT(Bye)},
    {"SaveRcvdMsgs", Form::Text, TEXT(SaveRcvdMsgs)},
    {"SaveSentMsgs", Form::Text, TEXT(SaveSentMsgs)},
    {"UnprotoCmd", Form::Text, TEXT(UnprotoCmd)},
    {"LinkMade(0)", Form::Text, TEXT(LinkMade[0])},
    {"LinkMade(1)", Form::Text, TEXT(LinkMade[1])},
    {"LinkMade(2)", Form::Text, TEXT(LinkMade[2])},
    {"LinkMade(3)", Form::Text, TEXT(LinkMade[3])},
    {"Duplex", Form::Text, TEXT(Duplex)},
    {"EncodingValue", Form::Int, INT(EncodingValue)},
};
#undef TEXT
#undef INT
static_assert(std::size(kKeys) == 60);

// A decimal 16-bit number, blanks around it allowed; anything else is no number.
bool toInt16(const QByteArray& value, std::int16_t& out) {
    bool ok = false;
    const int v = value.trimmed().toInt(&ok, 10);
    if (!ok || v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
        return false;
    out = static_cast<std::int16_t>(v);
    return true;
}

// Empty node slots get texts that never occur in TNC output, so they never match.
void repairNodeTexts(Settings& s) {
    for (int i = 0; i < 4; ++i) {
        if (s.NodeReady[i].size() < 5) s.NodeReady[i] = "NODE READY MESSAGE " + QByteArray::number(i);
        if (s.LinkMade[i].size() < 5) s.LinkMade[i] = "CONNECTION MADE MESSAGE " + QByteArray::number(i);
    }
}

void repairFailTexts(Settings& s) {
    for (int i = 0; i < 4; ++i)
        if (s.ConnFail[i].size() < 5) s.ConnFail[i] = "FAILMESSAGE" + QByteArray::number(i);
}

// Where the settings end: after the last line that holds more than blanks. A hand edit often
// leaves blank lines at the end; they carry nothing. The last line keeps its own blanks.
qsizetype endOfSettings(const QByteArray& data) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    qsizetype end = data.size();
    while (end > 0 && isBlank(data[end - 1]))
        --end;
    while (end < data.size() && data[end] != '\r' && data[end] != '\n')
        ++end;
    return end;
}

} // namespace

bool readParms(QIODevice& in, Settings& s) {
    QByteArray data = in.readAll();
    data.truncate(endOfSettings(data));
    for (const QByteArray& line : splitLines(data)) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) return false;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        for (const Key& k : kKeys) {
            if (key != k.name) continue;
            switch (k.form) {
            case Form::Text:
                *k.text(s) = value;
                break;
            case Form::Int:
                if (!toInt16(value, *k.number(s))) return false;
                break;
            case Form::LFout:
                s.OutLineEnd = value == "1" ? "\r\n" : "\r";
                break;
            case Form::LFin:
                s.InLineEnd = value == "1" ? "\r" : "\n";
                break;
            }
            if (key == "LinkMade(3)") repairNodeTexts(s);
            if (key == "ConnFail(3)") repairFailTexts(s);
            break;
        }
    }
    return true;
}

void writeParms(QIODevice& out, const Settings& settings) {
    Settings s = settings; // the key table's accessors are shared with the reader
    QByteArray text;
    for (const Key& k : kKeys) {
        text += k.name;
        text += '=';
        switch (k.form) {
        // A line break inside a value would split its line and make the file unreadable.
        case Form::Text:
            text += oneLine(*k.text(s));
            break;
        case Form::Int:
            text += QByteArray::number(*k.number(s));
            break;
        case Form::LFout:
            text += s.OutLineEnd == "\r\n" ? "1" : "0";
            break;
        case Form::LFin:
            text += s.InLineEnd == "\n" ? "2" : "1";
            break;
        }
        text += "\r\n";
    }
    out.write(text);
}

bool ParmsStore::ReadParms(Settings& s) {
    QFile file(parmsPath());
    Settings read;
    if (file.open(QIODevice::ReadOnly) && readParms(file, read)) {
        s = read;
        // Without a command-mode character every step back to command mode sends only line ends;
        // say so once here rather than failing quietly at each send.
        if (s.cmdChar().isEmpty()) {
            const QString found = s.CmdCmd.isEmpty()
                                      ? QStringLiteral("empty")
                                      : QLatin1Char('"') + QString::fromLatin1(s.CmdCmd) + QLatin1Char('"');
            boxes_.show(QStringLiteral("Settings problem"),
                        QStringLiteral("The command mode character CmdCmd in ") +
                            QDir::toNativeSeparators(parmsPath()) + QStringLiteral(" is ") + found +
                            QStringLiteral(", not a character code from 0 to 255.\r\n"
                                           "The TNC cannot be put in command mode until it is set in the "
                                           "Setup/TNC Parameters menu (Command Mode Char Value)."),
                        MessageBoxes::Icon::Warning, MessageBoxes::Buttons::Ok);
        }
        return true;
    }
    boxes_.show(QStringLiteral("Critical Fault"),
                QStringLiteral("Unable to read ") + QDir::toNativeSeparators(parmsPath()) +
                    QStringLiteral(" file. Program cannot continue.\r\nRe-install program or re-build file."),
                MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
    return false;
}

bool ParmsStore::SaveParms(const Settings& s) {
    QSaveFile file(parmsPath());
    if (file.open(QIODevice::WriteOnly)) {
        writeParms(file, s);
        if (file.commit()) return true;
    }
    boxes_.show(QStringLiteral("Unable to save file"),
                QStringLiteral("Unable to save parms.inf file\r\nUpdates will be lost"),
                MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    return false;
}

std::optional<qlonglong> msgNoValue(const QByteArray& text) {
    if (text.contains('\0')) return std::nullopt; // the number's reader would stop there, ignoring the rest
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(n) : std::nullopt;
}

QByteArray ParmsStore::ReadMsgNo() {
    QFile file(msgNoPath());
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray line = file.read(256);
        for (const char lineEnd : {'\r', '\n'}) // the first line, whichever end comes first
            if (const qsizetype end = line.indexOf(lineEnd); end >= 0) line.truncate(end);
        if (const auto n = msgNoValue(line); n && *n >= 0) return line;
    }
    boxes_.show(
        QStringLiteral("Lost Message Count"),
        QStringLiteral("Unable to determine number of messages sent\r\nRestarting message count at 001"),
        MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    return "1";
}

void ParmsStore::SaveMsgNo(const QByteArray& msgNo) {
    QSaveFile file(msgNoPath());
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(msgNo + "\r\n");
    file.commit();
}

} // namespace tolvex
