// KISS bytes from a TNC, however the line cuts them, into AX.25 frames and on into the link layer.
//
// Rules: the frames (and the dropped count) do not depend on where the stream was cut, and none is
// over the KISS limit; a frame the checks let through encodes back to bytes that decode the same;
// the link layer, fed every frame (some readdressed to it) with time passing between them, only
// ever sends frames that pass the same checks, and what it holds for the link stays bounded.
#include "FuzzRules.h"
#include "softtnc/Ax25Frame.h"
#include "softtnc/Ax25Link.h"
#include "softtnc/KissFrame.h"
#include "support/Doubles.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t seed = data[0];
    const std::uint8_t play = data[1];
    const QByteArray stream(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2));

    KissDecoder whole;
    const QList<KissFrame> frames = whole.feed(stream);
    KissDecoder pieces;
    QList<KissFrame> again;
    for (QByteArrayView piece : fuzz::cut(stream, seed, 64))
        again += pieces.feed(piece.toByteArray());
    FUZZ_RULE(again == frames);
    FUZZ_RULE(pieces.dropped() == whole.dropped());

    test::ManualScheduler clock;
    Ax25Link link(clock);
    const Ax25Address me = *Ax25Address::parse("N0ABC");
    link.setMyCall(me);
    int sent = 0;
    link.onTransmit = [&sent](const Ax25Frame& out) {
        ++sent;
        const Ax25Decoded back = decodeAx25(encodeAx25(out));
        FUZZ_RULE(back.frame.has_value());
    };
    // Something to send once a link is up, so I frames, acknowledgements and resends all run.
    link.onEvent = [&link](Ax25Link::Event event) {
        if (event == Ax25Link::Event::Connected) link.send(QByteArray(300, 'x'));
    };
    if (play & 1) link.connect(*Ax25Address::parse("N0XYZ"));

    int i = 0;
    for (const KissFrame& frame : frames) {
        FUZZ_RULE(frame.payload.size() <= kKissMaxPayload);
        if (frame.command != KissCommand::Data) continue;
        const Ax25Decoded decoded = decodeAx25(frame.payload);
        if (!decoded.frame) {
            FUZZ_RULE(!decoded.problem.isEmpty());
            continue;
        }
        const Ax25Decoded back = decodeAx25(encodeAx25(*decoded.frame));
        FUZZ_RULE(back.frame.has_value() && *back.frame == *decoded.frame);

        Ax25Frame heard = *decoded.frame;
        // Half of them are meant for the link under test, so its every state sees hostile frames.
        if ((play >> (1 + i % 7)) & 1) {
            heard.destination.call = me.call;
            heard.destination.ssid = me.ssid;
        }
        link.frameReceived(heard);
        clock.advance(((seed + i) % 8) * 1500);
        FUZZ_RULE(link.unacknowledgedBytes() <= 300);
        ++i;
    }
    // Left alone, every link ends or settles: the retries are bounded.
    clock.advance(3'600'000);
    FUZZ_RULE(sent < 100000);
    return 0;
}
