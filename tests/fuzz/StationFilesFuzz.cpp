// The station's own files as an editor or a damaged disk may leave them: Parms.inf, MsgNo.inf,
// callsign.lst and a form with its tags. What the program writes back must read back the same.
//
// The first byte chooses the file, the rest is its content.
#include "FuzzRules.h"
#include "core/Lines.h"
#include "core/ParmsFile.h"
#include "link/DestinationList.h"
#include "messaging/Composer.h"
#include "support/Doubles.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace tolvex;

namespace {

QByteArray written(const Settings& s) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    writeParms(out, s);
    return out.data();
}

bool readBytes(const QByteArray& bytes, Settings& s) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    return readParms(in, s);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    FUZZ_RULE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

const QString& scratchDir() {
    static QTemporaryDir dir;
    FUZZ_RULE(dir.isValid());
    static const QString path = dir.path();
    return path;
}

// The entries a read repairs when they are short (placeholders that never match TNC output).
bool repairable(const QByteArray& line) {
    return line.startsWith("NodeReady(") || line.startsWith("LinkMade(") || line.startsWith("ConnFail(");
}

// What was read is written whole, and reading that gives the same settings: every line but a
// short node or failure text (which the read repairs) comes back as it was, and from then on the
// file stays the same.
void parms(const QByteArray& text) {
    Settings first;
    if (!readBytes(text, first)) return;
    const QByteArray saved = written(first);
    Settings second;
    FUZZ_RULE(readBytes(saved, second));
    const QByteArray savedAgain = written(second);
    const QList<QByteArray> before = splitLines(saved), after = splitLines(savedAgain);
    FUZZ_RULE(before.size() == 60 && after.size() == 60);
    for (int i = 0; i < 60; ++i)
        FUZZ_RULE(before[i] == after[i] ||
                  (repairable(before[i]) && before[i].size() - before[i].indexOf('=') <= 5));
    FUZZ_RULE(second.InLineEnd == first.InLineEnd && second.OutLineEnd == first.OutLineEnd);
    Settings third;
    FUZZ_RULE(readBytes(savedAgain, third));
    FUZZ_RULE(written(third) == savedAgain);
}

// The number read is the number saved, and the next one follows it.
void msgNo(const QByteArray& text) {
    test::RecordingMessageBoxes boxes;
    ParmsStore store(scratchDir(), boxes);
    writeFile(store.msgNoPath(), text);
    const QByteArray number = store.ReadMsgNo();
    const bool lost = !boxes.shown.empty();
    FUZZ_RULE(!lost || number == "1");
    FUZZ_RULE(std::none_of(number.begin(), number.end(),
                           [](char c) { return c == '\r' || c == '\n' || c == '\0'; }));
    store.SaveMsgNo(number);
    FUZZ_RULE(store.ReadMsgNo() == number);
    FUZZ_RULE(boxes.shown.size() == (lost ? 1u : 0u));
    const QByteArray next = nextMessageNumber(number);
    FUZZ_RULE(msgNoValue(next).has_value() && *msgNoValue(next) > 0);
    store.SaveMsgNo(next);
    FUZZ_RULE(store.ReadMsgNo() == next);
}

// Every non-empty line is an entry, kept byte for byte; saving and loading changes nothing.
void destinations(const QByteArray& text) {
    QBuffer in;
    in.setData(text);
    in.open(QIODevice::ReadOnly);
    QList<QByteArray> entries = DestinationList::read(in);
    for (const QByteArray& e : entries)
        FUZZ_RULE(!e.isEmpty() && !e.contains('\r') && !e.contains('\n') && text.contains(e));
    // An entry made in the Add boxes (one line each) joins the list and survives the file.
    const QList<QByteArray> boxes = text.left(64).split('|');
    if (boxes.size() >= 5 && !boxes[0].trimmed().isEmpty() &&
        std::none_of(boxes.begin(), boxes.begin() + 5,
                     [](const QByteArray& b) { return b.contains('\r') || b.contains('\n'); })) {
        const QByteArray entry =
            DestinationList::buildEntry(boxes[0], {boxes[1], boxes[2], boxes[3]}, boxes[4]);
        entries.append(entry);
        if (!boxes[0].contains('\'') && !boxes[1].contains('\'') && !boxes[2].contains('\'') &&
            !boxes[3].contains('\''))
            FUZZ_RULE(DestinationList::destinationOf(entry) ==
                      DestinationList::destinationOf(
                          DestinationList::buildEntry(boxes[0], {boxes[1], boxes[2], boxes[3]}, {})));
    }
    const QString path = scratchDir() + QStringLiteral("/callsign.lst");
    FUZZ_RULE(DestinationList::save(path, entries));
    FUZZ_RULE(DestinationList::load(path) == entries);
}

// A form line keeps every byte but its tags; each tag's first use becomes a field or its value.
void formLine(const QByteArray& text) {
    const QByteArray date = "07-Dec-26", time = "1405 UTC", call = "W1XYZ", number = "007";
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        int tags = 0;
        qsizetype grown = 0;
        const QByteArray values[] = {' ' + date + ' ', ' ' + time, ' ' + call + ' ', ' ' + number + ' '};
        const char* names[] = {"<D>", "<T>", "<C>", "<M>"};
        QByteArray plain = line; // the line with each tag's first use removed, in the fill order
        for (int i = 0; i < 4; ++i)
            if (const qsizetype at = plain.indexOf(names[i]); at >= 0) {
                plain.remove(at, 3);
                ++tags;
                grown += values[i].size() - 3;
            }
        const QByteArray fields = fillTemplateLine(line, false, date, time, call, number);
        const QByteArray filled = fillTemplateLine(line, true, date, time, call, number);
        FUZZ_RULE(fields.size() == line.size() - tags);
        FUZZ_RULE(filled.size() == line.size() + grown);
        if (tags == 0) FUZZ_RULE(fields == line && filled == line);
        FUZZ_RULE(fields.count("= ") >= line.count("= ") + tags);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t which = in.byte();
    const QByteArray text = in.rest();
    switch (which % 4) {
    case 0:
        parms(text);
        break;
    case 1:
        msgNo(text);
        break;
    case 2:
        destinations(text);
        break;
    case 3:
        formLine(text);
        break;
    }
    return 0;
}
