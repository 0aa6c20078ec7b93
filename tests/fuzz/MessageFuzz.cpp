// A message's header line and the file it is stored in, both made from text off the air.
//
// Rules: a header read back gives the sender, subject and requests it was built from, and a
// disconnect is asked only where it is honoured; the file name is at most 255 bytes on disk, with
// no path separator or control character; the file keeps every byte of the content and never
// replaces another.
#include "FuzzRules.h"
#include "messaging/MessageFiles.h"
#include "messaging/MessageHeader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tolvex;

namespace {

const LinkState kStates[] = {LinkState::LinkIdle, LinkState::LinkConnected, LinkState::LinkCalling,
                             LinkState::LinkBbs};

bool plainText(const QByteArray& t) {
    return !t.contains('_') && !t.startsWith(' ') && !t.endsWith(' ') &&
           std::none_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
}

void header(std::uint8_t flags, const QByteArray& from, const QByteArray& subject, const QByteArray& line) {
    const bool sending = flags & 0x10;
    const LinkState state = kStates[(flags >> 5) & 3];

    // Any line: what it names comes from it, and a disconnect only where one is honoured.
    const MessageRequests any = parseHeader(line, sending, state);
    FUZZ_RULE(line.contains(any.MsgFrom) && line.contains(any.MsgSubject));
    FUZZ_RULE(!any.DisconnectRequest || (!sending && state != LinkState::LinkBbs));

    const HeaderOptions options{bool(flags & 1), bool(flags & 2), bool(flags & 4), bool(flags & 8)};
    const QByteArray built = buildHeader(options, flags & 0x80, "KA1FCC", from, subject);
    FUZZ_RULE(built.startsWith(".hdr"));
    const MessageRequests read = parseHeader(built + "\r", false, LinkState::LinkConnected);
    // A subject may mention an option by name; what was ticked is always there.
    FUZZ_RULE(read.AlertRequest >= options.alert && read.PrintRequest >= options.print &&
              read.AckRequest >= options.ack && read.DisconnectRequest >= options.disconnect);
    if (plainText(from) && plainText(subject)) {
        FUZZ_RULE(read.MsgFrom == from);
        FUZZ_RULE(read.MsgSubject == subject);
        FUZZ_RULE(headerOptions(buildHeader(headerOptions(built), false, {}, from, subject)) ==
                  headerOptions(built));
    }
}

const QString& scratchDir() {
    static QTemporaryDir dir;
    FUZZ_RULE(dir.isValid());
    static const QString path = dir.path();
    return path;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void stored(std::uint8_t flags, const QByteArray& from, const QByteArray& subject,
            const QByteArray& content) {
    const MessageKind kind = flags & 1 ? MessageKind::Sent : MessageKind::Received;
    const QByteArray stamp = "1207140509";
    for (int copy : {1, 2, 999}) {
        const QByteArray name = messageFileName(kind, stamp, from, subject, copy);
        FUZZ_RULE(QFile::encodeName(QString::fromLatin1(name)).size() <= 255);
        FUZZ_RULE(!name.contains('/') && !name.contains('\\'));
        FUZZ_RULE(std::none_of(name.begin(), name.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u < 32 || u == 127;
        }));
        // The log lists it under its date, whatever the sender and subject hold.
        FUZZ_RULE(parseMessageName(name).dateText == convertDate(stamp));
    }
    const QString folder = scratchDir();
    const SavedMessage first = saveMessageFile(folder, kind, stamp, from, subject, content);
    FUZZ_RULE(first.ok());
    const SavedMessage second = saveMessageFile(folder, kind, stamp, from, subject, content + "2");
    FUZZ_RULE(second.ok() && second.path != first.path);
    FUZZ_RULE(readAll(first.path) == content);
    FUZZ_RULE(readAll(second.path) == content + "2");
    FUZZ_RULE(QDir(folder).entryList(QDir::Files).size() == 2);
    QFile::remove(first.path);
    QFile::remove(second.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.byte();
    const QByteArray from = in.piece();
    const QByteArray subject = in.piece();
    const QByteArray rest = in.rest();
    header(flags, from, subject, rest);
    stored(flags, from, subject, rest);
    return 0;
}
