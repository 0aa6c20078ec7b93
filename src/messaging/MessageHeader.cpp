#include "MessageHeader.h"

namespace tolvex {

namespace {

// Blanks only: a tab or CR inside the sender or subject is data, not padding.
QByteArray trimBlanks(const QByteArray& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == ' ')
        ++from;
    while (to > from && text.at(to - 1) == ' ')
        --to;
    return text.mid(from, to - from);
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 32;
}

} // namespace

bool subjectTakesKey(const QByteArray& subject) {
    return subject.size() <= SubjectTypingLimit;
}

QByteArray buildHeader(const HeaderOptions& options, bool addFcc, const QByteArray& fcc,
                       const QByteArray& callsign, const QByteArray& subject) {
    QByteArray header(".hdr ");
    if (options.alert) header += " .aon ";
    if (options.print) header += " .pon ";
    if (options.ack) header += " .ack ";
    if (options.disconnect) header += " .dis ";
    if (addFcc) header += "   de " + fcc + "  ";
    header += " _" + callsign + " _" + subject;
    return header;
}

HeaderOptions headerOptions(const QByteArray& header) {
    return {header.contains(".aon"), header.contains(".pon"), header.contains(".ack"),
            header.contains(".dis")};
}

MessageRequests parseHeader(const QByteArray& line, bool sending, LinkState state) {
    MessageRequests requests;
    const HeaderOptions asked = headerOptions(line);
    requests.AlertRequest = asked.alert;
    requests.AckRequest = asked.ack;
    requests.PrintRequest = asked.print;
    requests.DisconnectRequest = asked.disconnect && !sending && state != LinkState::LinkBbs;

    const qsizetype p1 = line.indexOf('_');
    if (p1 < 0) return requests;
    const qsizetype p2 = line.indexOf('_', p1 + 1);
    if (p2 < 0) return requests;

    requests.MsgFrom = trimBlanks(line.mid(p1 + 1, p2 - p1 - 1));
    // The line end that came with the header: at most two control characters (CR, LF).
    QByteArray subject = line.mid(p2 + 1);
    for (int i = 0; i < 2 && !subject.isEmpty() && isControl(subject.back()); ++i)
        subject.chop(1);
    requests.MsgSubject = trimBlanks(subject);
    return requests;
}

} // namespace tolvex
