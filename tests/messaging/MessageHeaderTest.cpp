#include "messaging/MessageHeader.h"

#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

struct BuildCase {
    HeaderOptions options;
    bool addFcc;
    const char* fcc;
    const char* callsign;
    const char* subject;
    const char* header;
};

// Built headers, and the receiver reading back what the sender ticked.
TEST(MessageHeader, BuildsEveryOptionInOrderAndReadsItBack) {
    const std::vector<BuildCase> cases = {
        {{}, false, "KA1XYZ", "W1AW", "Hello", ".hdr  _W1AW _Hello"},
        {{true, true, true, true},
         true,
         "KA1XYZ",
         "W1AW",
         "Hello",
         ".hdr  .aon  .pon  .ack  .dis    de KA1XYZ   _W1AW _Hello"},
        {{false, true, false, false}, true, "K1", "N0CALL", "", ".hdr  .pon    de K1   _N0CALL _"},
        {{true, false, true, false},
         false,
         "K1",
         "N0CALL",
         "Two words",
         ".hdr  .aon  .ack  _N0CALL _Two words"},
        {{false, false, false, true}, false, "", "W1AW", "a_b", ".hdr  .dis  _W1AW _a_b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const QByteArray header = buildHeader(c.options, c.addFcc, c.fcc, c.callsign, c.subject);
        EXPECT_EQ(header, c.header);
        EXPECT_EQ(headerOptions(header), c.options);
        for (const char* lineEnd : {"", "\r", "\r\n"}) {
            const MessageRequests r = parseHeader(header + lineEnd, false, LinkState::LinkConnected);
            EXPECT_EQ(r.AlertRequest, c.options.alert);
            EXPECT_EQ(r.PrintRequest, c.options.print);
            EXPECT_EQ(r.AckRequest, c.options.ack);
            EXPECT_EQ(r.DisconnectRequest, c.options.disconnect);
            EXPECT_EQ(r.MsgFrom, c.callsign);
            EXPECT_EQ(r.MsgSubject, c.subject);
        }
    }
}

struct ParseCase {
    const char* what;
    QByteArray line;
    bool sending;
    LinkState state;
    bool print, ack, alert, disconnect;
    QByteArray from, subject;
};

TEST(MessageHeader, ParsesReceivedLines) {
    const auto C = LinkState::LinkConnected;
    const std::vector<ParseCase> cases = {
        {"blanks around sender and subject", ".hdr  _  W1AW  _  Hi there  \r\n", false, C, false, false,
         false, false, "W1AW", "Hi there"},
        {"no underscore", ".hdr  .pon  .dis ", false, C, true, false, false, true, "", ""},
        {"one underscore", ".hdr  .ack  _W1AW\r", false, C, false, true, false, false, "", ""},
        {"two bare underscores", "__", false, C, false, false, false, false, "", ""},
        {"empty line", "", false, C, false, false, false, false, "", ""},
        {"underscores kept in subject", ".hdr  _W1AW _a_b _c\r\n", false, C, false, false, false, false,
         "W1AW", "a_b _c"},
        {"request in the subject counts", ".hdr  _W1AW _see .pon and .aon", false, C, true, false, true,
         false, "W1AW", "see .pon and .aon"},
        {"disconnect while sending", ".hdr  .dis  _W1AW _x", true, C, false, false, false, false, "W1AW",
         "x"},
        {"disconnect from the mailbox", ".hdr  .dis  _W1AW _x", false, LinkState::LinkBbs, false, false,
         false, false, "W1AW", "x"},
        {"disconnect via nodes", ".hdr  .dis  _W1AW _x", false, LinkState::LinkViaNodes, false, false, false,
         true, "W1AW", "x"},
        {"only two control characters dropped", ".hdr  _W1AW _Hi \r\n\r", false, C, false, false, false,
         false, "W1AW", "Hi \r"},
        {"subject only a line end", ".hdr  _W1AW _\r", false, C, false, false, false, false, "W1AW", ""},
        {"8-bit last character is no control", ".hdr  _W1AW _Caf\xe9", false, C, false, false, false, false,
         "W1AW", "Caf\xe9"},
        {"tab is not a blank", ".hdr  _\tW1AW _x\t", false, C, false, false, false, false, "\tW1AW", "x"},
        {"NUL inside the subject", QByteArray(".hdr  _W1AW _a\0b\r", 17), false, C, false, false, false,
         false, "W1AW", QByteArray("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MessageRequests r = parseHeader(c.line, c.sending, c.state);
        EXPECT_EQ(r.PrintRequest, c.print);
        EXPECT_EQ(r.AckRequest, c.ack);
        EXPECT_EQ(r.AlertRequest, c.alert);
        EXPECT_EQ(r.DisconnectRequest, c.disconnect);
        EXPECT_EQ(r.MsgFrom, c.from);
        EXPECT_EQ(r.MsgSubject, c.subject);
    }
}

TEST(MessageHeader, TypingStopsAtTwentyOneCharacters) {
    EXPECT_TRUE(subjectTakesKey(""));
    EXPECT_TRUE(subjectTakesKey(QByteArray(20, 'x')));
    EXPECT_FALSE(subjectTakesKey(QByteArray(21, 'x')));
    EXPECT_FALSE(subjectTakesKey(QByteArray(40, 'x'))); // pasted: no more keys, Backspace included
}

} // namespace
} // namespace tolvex
