#pragma once
// Frames of the AGW packet engine protocol, the way a sound-card modem offers AX.25 over TCP:
// a 36-byte little-endian header, then the data.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <cstdint>

namespace tolvex {

struct AgwFrame {
    std::uint8_t port = 0; // 0-based radio port
    char kind = 0;         // one ASCII letter
    std::uint8_t pid = 0;  // 0xF0 for text
    QByteArray callFrom;   // at most 9 characters: the field is 10 bytes with a NUL at the end
    QByteArray callTo;
    QByteArray data;
    std::uint32_t user = 0;

    bool operator==(const AgwFrame&) const = default;
};

inline constexpr qsizetype kAgwHeaderSize = 36;
inline constexpr qsizetype kAgwCallField = 10;
inline constexpr std::uint32_t kAgwMaxData = 64 * 1024; // larger is a broken or hostile stream
inline constexpr std::uint8_t kAgwTextPid = 0xF0;

// The header and data of a frame; a call too long for its field is cut to 9 characters.
QByteArray encodeAgwFrame(const AgwFrame& frame);

// Whether a kind letter is one the protocol defines (either direction).
bool isKnownAgwKind(char kind);

// One step of decoding the front of a byte stream.
struct AgwDecodeStep {
    enum class Status {
        NeedMore,    // not a whole frame yet
        Frame,       // `frame` holds one, `consumed` bytes long
        Skipped,     // a whole frame of an unknown kind or a call with no NUL, `consumed` bytes long
        AbsurdLength // the length field is beyond kAgwMaxData: the stream cannot be trusted
    };
    Status status = Status::NeedMore;
    qsizetype consumed = 0;
    AgwFrame frame;
    std::uint32_t declaredLength = 0;
};
AgwDecodeStep decodeAgwFrame(QByteArrayView bytes);

// Decodes a stream that arrives in arbitrary pieces. After an absurd length field it stops for
// good (there is no way to find the next header) and drops what follows until reset().
class AgwDecoder {
public:
    QList<AgwFrame> feed(QByteArrayView bytes);
    void reset();

    bool failed() const { return !error_.isEmpty(); }
    const QByteArray& error() const { return error_; }
    int skipped() const { return skipped_; }             // frames of unknown kinds passed over
    qsizetype pending() const { return buffer_.size(); } // bytes of an unfinished frame

private:
    QByteArray buffer_;
    QByteArray error_;
    int skipped_ = 0;
};

// Digipeater list as the 'V' and 'v' kinds carry it: a count byte, then 10 bytes per call.
QByteArray encodeAgwPath(const QList<QByteArray>& digipeaters);

} // namespace tolvex
