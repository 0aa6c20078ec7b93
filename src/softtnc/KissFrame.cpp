#include "softtnc/KissFrame.h"

namespace tolvex {

QByteArray encodeKissFrame(const KissFrame& frame) {
    QByteArray out;
    out.reserve(frame.payload.size() + frame.payload.size() / 8 + 3);
    out.append(kKissFend);
    out.append(char(((frame.port & 0x0F) << 4) | (quint8(frame.command) & 0x0F)));
    for (const char c : frame.payload) {
        if (c == kKissFend)
            out.append(kKissFesc).append(kKissTfend);
        else if (c == kKissFesc)
            out.append(kKissFesc).append(kKissTfesc);
        else
            out.append(c);
    }
    out.append(kKissFend);
    return out;
}

QByteArray encodeKissData(const QByteArray& ax25Frame, quint8 port) {
    return encodeKissFrame({port, KissCommand::Data, ax25Frame});
}

QByteArray encodeKissParameter(KissCommand command, quint8 value, quint8 port) {
    return encodeKissFrame({port, command, QByteArray(1, char(value))});
}

void KissDecoder::reset() {
    frame_.clear();
    inFrame_ = escaped_ = broken_ = false;
}

QList<KissFrame> KissDecoder::feed(const QByteArray& bytes) {
    QList<KissFrame> frames;
    for (const char c : bytes) {
        if (c == kKissFend) {
            // A closing FEND opens the next frame as well.
            if (!frame_.isEmpty() || broken_) {
                if (broken_ || escaped_)
                    ++dropped_;
                else if (frame_.size() > 1 || quint8(frame_[0]) != 0xFF) {
                    const quint8 type = quint8(frame_[0]);
                    frames.append({quint8(type >> 4), KissCommand(type & 0x0F), frame_.mid(1)});
                }
            }
            frame_.clear();
            inFrame_ = true;
            escaped_ = broken_ = false;
            continue;
        }
        if (!inFrame_ || broken_) continue; // noise before the first FEND, or the rest of a dropped frame
        char byte = c;
        if (escaped_) {
            escaped_ = false;
            if (c == kKissTfend)
                byte = kKissFend;
            else if (c == kKissTfesc)
                byte = kKissFesc;
            else {
                broken_ = true;
                frame_.clear();
                continue;
            }
        } else if (c == kKissFesc) {
            escaped_ = true;
            continue;
        }
        if (frame_.size() > kKissMaxPayload) { // type byte + payload
            broken_ = true;
            frame_.clear();
            continue;
        }
        frame_.append(byte);
    }
    return frames;
}

} // namespace tolvex
