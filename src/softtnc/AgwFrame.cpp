#include "softtnc/AgwFrame.h"

namespace tolvex {

namespace {

void putUint32(QByteArray& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t getUint32(QByteArrayView bytes, qsizetype at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void putCall(QByteArray& out, const QByteArray& call) {
    QByteArray field = call.left(kAgwCallField - 1);
    field.resize(kAgwCallField, '\0');
    out.append(field);
}

QByteArray getCall(QByteArrayView bytes, qsizetype at) {
    QByteArrayView field = bytes.sliced(at, kAgwCallField);
    const qsizetype end = field.indexOf('\0');
    return (end < 0 ? field : field.first(end)).toByteArray();
}

} // namespace

QByteArray encodeAgwFrame(const AgwFrame& frame) {
    QByteArray out;
    out.reserve(kAgwHeaderSize + frame.data.size());
    out.append(static_cast<char>(frame.port));
    out.append(3, '\0');
    out.append(frame.kind);
    out.append('\0');
    out.append(static_cast<char>(frame.pid));
    out.append('\0');
    putCall(out, frame.callFrom);
    putCall(out, frame.callTo);
    putUint32(out, static_cast<std::uint32_t>(frame.data.size()));
    putUint32(out, frame.user);
    out.append(frame.data);
    return out;
}

bool isKnownAgwKind(char kind) {
    static constexpr QByteArrayView kinds = "CDGHIKMPRSTUVXYcdgkmvxy";
    return kind != 0 && kinds.contains(kind);
}

AgwDecodeStep decodeAgwFrame(QByteArrayView bytes) {
    AgwDecodeStep step;
    if (bytes.size() < kAgwHeaderSize) return step;
    step.declaredLength = getUint32(bytes, 28);
    if (step.declaredLength > kAgwMaxData) {
        step.status = AgwDecodeStep::Status::AbsurdLength;
        return step;
    }
    const qsizetype total = kAgwHeaderSize + static_cast<qsizetype>(step.declaredLength);
    if (bytes.size() < total) return step;
    step.consumed = total;
    const char kind = bytes[4];
    // A call field without its NUL holds a call too long to answer: cut, it would name another.
    const bool callsFit =
        bytes.sliced(8, kAgwCallField).contains('\0') && bytes.sliced(18, kAgwCallField).contains('\0');
    if (!isKnownAgwKind(kind) || !callsFit) {
        step.status = AgwDecodeStep::Status::Skipped;
        return step;
    }
    step.status = AgwDecodeStep::Status::Frame;
    AgwFrame& f = step.frame;
    f.port = static_cast<std::uint8_t>(bytes[0]);
    f.kind = kind;
    f.pid = static_cast<std::uint8_t>(bytes[6]);
    f.callFrom = getCall(bytes, 8);
    f.callTo = getCall(bytes, 18);
    f.user = getUint32(bytes, 32);
    f.data = bytes.sliced(kAgwHeaderSize, step.declaredLength).toByteArray();
    return step;
}

QList<AgwFrame> AgwDecoder::feed(QByteArrayView bytes) {
    QList<AgwFrame> frames;
    if (failed()) return frames;
    buffer_.append(bytes);
    qsizetype at = 0;
    for (;;) {
        const AgwDecodeStep step = decodeAgwFrame(QByteArrayView(buffer_).sliced(at));
        using Status = AgwDecodeStep::Status;
        if (step.status == Status::NeedMore) break;
        if (step.status == Status::AbsurdLength) {
            error_ = "AGW frame announces " + QByteArray::number(step.declaredLength) +
                     " bytes of data, more than " + QByteArray::number(kAgwMaxData);
            buffer_.clear();
            return frames;
        }
        at += step.consumed;
        if (step.status == Status::Skipped)
            ++skipped_;
        else
            frames.append(step.frame);
    }
    buffer_.remove(0, at);
    return frames;
}

void AgwDecoder::reset() {
    buffer_.clear();
    error_.clear();
    skipped_ = 0;
}

QByteArray encodeAgwPath(const QList<QByteArray>& digipeaters) {
    QByteArray out;
    out.append(static_cast<char>(digipeaters.size()));
    for (const QByteArray& call : digipeaters)
        putCall(out, call);
    return out;
}

} // namespace tolvex
