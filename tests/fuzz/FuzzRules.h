#pragma once
// What every fuzz target shares: a rule that must hold, and a reader of the fuzz input.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken rule is a crash to libFuzzer: it keeps the input that broke it.
#define FUZZ_RULE(cond)                                                                                      \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "rule broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                    \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace tolvex::fuzz {

// Takes the fuzz input apart: bytes, numbers and length-prefixed pieces; past the end every read
// gives zeros or empty pieces.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }
    // A piece of up to 255 bytes, its length first.
    QByteArray piece() { return bytes(byte()); }
    QByteArray bytes(std::size_t n) {
        n = n < size_ - pos_ ? n : size_ - pos_;
        if (atEnd()) return {};
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(n));
        pos_ += n;
        return out;
    }
    QByteArray rest() { return bytes(size_ - pos_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The pieces a line or socket might deliver a stream in: lengths 1 to maxPiece from a small
// generator seeded by the input.
inline QList<QByteArrayView> cut(QByteArrayView stream, std::uint32_t seed, qsizetype maxPiece) {
    QList<QByteArrayView> pieces;
    for (qsizetype at = 0; at < stream.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype n = qMin<qsizetype>(1 + (seed >> 16) % maxPiece, stream.size() - at);
        pieces.append(stream.sliced(at, n));
        at += n;
    }
    return pieces;
}

} // namespace tolvex::fuzz
