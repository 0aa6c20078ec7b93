#pragma once
// The ".hdr" line that opens every message on the air: built from the sender's choices, and read
// back into what it asks the receiving station to do.
#include "link/LinkSession.h"

#include <QByteArray>

namespace tolvex {

// The four requests a sender can tick; also what an existing header asks for, when editing it.
struct HeaderOptions {
    bool alert = false;      // ".aon"
    bool print = false;      // ".pon"
    bool ack = false;        // ".ack"
    bool disconnect = false; // ".dis"

    bool operator==(const HeaderOptions&) const = default;
};

// Typing stops once the subject holds more than this many characters (so at 21); pasting does not.
inline constexpr qsizetype SubjectTypingLimit = 20;

// Whether a key typed into the subject box is taken (every key, Backspace included).
bool subjectTakesKey(const QByteArray& subject);

// The header line without line end: ".hdr ", the ticked options in the order alert, print, ack,
// disconnect, the identification when addFcc, then " _" callsign " _" subject.
QByteArray buildHeader(const HeaderOptions& options, bool addFcc, const QByteArray& fcc,
                       const QByteArray& callsign, const QByteArray& subject);

// Which options a header carries (a plain substring test, the subject included).
HeaderOptions headerOptions(const QByteArray& header);

// What a received header line asks for. The disconnect request is honoured only while the station
// is not sending its own message and is not connected to the local mailbox. Sender and subject are
// empty unless the line holds two underscores.
MessageRequests parseHeader(const QByteArray& line, bool sending, LinkState state);

} // namespace tolvex
