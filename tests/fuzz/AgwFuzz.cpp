// AGW frames decoded from a modem's byte stream, however TCP cuts it.
//
// Rules: the frames (and the skipped count, and the failure) do not depend on where the stream was
// cut; what waits for the rest of a frame is never more than one frame; a decoded frame encodes
// back to a frame that decodes the same.
#include "FuzzRules.h"
#include "softtnc/AgwFrame.h"

using namespace tolvex;

namespace {

bool fitsItsFields(const AgwFrame& f) {
    return f.callFrom.size() < kAgwCallField && f.callTo.size() < kAgwCallField &&
           !f.callFrom.contains('\0') && !f.callTo.contains('\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArrayView stream(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));

    AgwDecoder whole;
    const QList<AgwFrame> frames = whole.feed(stream);

    AgwDecoder pieces;
    QList<AgwFrame> again;
    for (QByteArrayView piece : fuzz::cut(stream, data[0], 80)) {
        again += pieces.feed(piece);
        FUZZ_RULE(pieces.pending() < kAgwHeaderSize + qsizetype(kAgwMaxData));
    }
    FUZZ_RULE(again == frames);
    FUZZ_RULE(pieces.skipped() == whole.skipped());
    FUZZ_RULE(pieces.failed() == whole.failed());
    FUZZ_RULE(pieces.pending() == whole.pending());

    for (const AgwFrame& f : frames) {
        FUZZ_RULE(isKnownAgwKind(f.kind));
        FUZZ_RULE(fitsItsFields(f));
        const QByteArray bytes = encodeAgwFrame(f);
        const AgwDecodeStep step = decodeAgwFrame(bytes);
        FUZZ_RULE(step.status == AgwDecodeStep::Status::Frame && step.consumed == bytes.size());
        FUZZ_RULE(step.frame == f);
    }
    // After a reset the decoder reads a fresh stream as a new one would.
    whole.reset();
    FUZZ_RULE(whole.feed(stream) == frames);
    return 0;
}
