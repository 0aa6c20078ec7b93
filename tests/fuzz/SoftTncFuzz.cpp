// The software TNC's command interpreter, fed from the program's side with typed bytes, and from
// the modem's side with frames, while time passes.
//
// Rules: every frame to the modem is of a known kind, from the station's own valid call, with
// calls that fit their fields; text on the air is only what the program typed, in packets no
// longer than a TNC's, and never holds the command-mode character; the TNC always answers a
// command line.
#include "FuzzRules.h"
#include "softtnc/SoftTnc.h"
#include "support/Doubles.h"

using namespace tolvex;

namespace {

class RecordingTransport : public AgwTransport {
public:
    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void send(const AgwFrame& frame) override { sent.append(frame); }
    QList<AgwFrame> sent;

private:
    bool open_ = false;
};

const char kModemKinds[] = {'C', 'D', 'd', 'U', 'X', 'y', 'K', 'T'};
// The last fills its field with no NUL after it.
const QByteArray kCalls[] = {"N1ABC", "n1abc-0", "N0NODE-7", "W1XYZ", "", "N0NODE-150"};

// A frame as the modem's bytes carry it, decoded the way the socket decodes it.
AgwFrame fromModem(char kind, const QByteArray& callFrom, const QByteArray& callTo, const QByteArray& data) {
    QByteArray bytes(kAgwHeaderSize, '\0');
    bytes[4] = kind;
    bytes[6] = char(kAgwTextPid);
    bytes.replace(8, callFrom.size(), callFrom);
    bytes.replace(18, callTo.size(), callTo);
    bytes[28] = char(data.size());
    bytes += data;
    const AgwDecodeStep step = decodeAgwFrame(bytes);
    return step.status == AgwDecodeStep::Status::Frame ? step.frame : AgwFrame{};
}

void checkSent(const QList<AgwFrame>& sent, const QByteArray& typed, const QByteArray& cmdChar) {
    for (const AgwFrame& f : sent) {
        FUZZ_RULE(isKnownAgwKind(f.kind));
        FUZZ_RULE(f.callFrom.size() < kAgwCallField && f.callTo.size() < kAgwCallField);
        if (f.kind != 'D' && f.kind != 'M' && f.kind != 'V') continue;
        FUZZ_RULE(!f.callFrom.isEmpty());
        QByteArray text = f.data;
        if (f.kind == 'V') text = text.mid(1 + kAgwCallField * static_cast<std::uint8_t>(text[0]));
        FUZZ_RULE(text.size() <= SoftTnc::kPacketLength + 1);
        if (!cmdChar.isEmpty()) FUZZ_RULE(!text.contains(cmdChar[0]));
        if (text.endsWith('\r')) text.chop(1);
        // Typed in one go, it is a piece of what was typed; with erasing, its bytes still are.
        if (!typed.contains('\b') && !typed.contains('\x7f'))
            FUZZ_RULE(typed.contains(text));
        else
            FUZZ_RULE(std::all_of(text.begin(), text.end(), [&](char c) { return typed.contains(c); }));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    test::ManualScheduler clock;
    Settings settings;
    settings.Callsign = "W1XYZ";
    settings.CmdCmd = "3";
    settings.ConnCmd = "C";
    settings.DisconCmd = "D";
    settings.ConverseCmd = "K";
    settings.UnprotoCmd = "UNPROTO";
    settings.TNCCmd = "cmd:";
    settings.ConnStr = "*** CONNECTED";
    settings.DisconStr = "*** DISCONNECTED";
    settings.InLineEnd = in.byte() & 1 ? "\r" : "\n";
    RecordingTransport modem;
    SoftTnc tnc(settings, modem, clock);
    QByteArray printed;
    tnc.onReceived = [&](const QByteArray& b) { printed += b; };
    FUZZ_RULE(tnc.open({}));
    QByteArray typed;
    const QByteArray cmdChar = settings.cmdChar();

    while (!in.atEnd()) {
        const std::uint8_t op = in.byte();
        switch (op % 4) {
        case 0:
        case 1: {
            const QByteArray bytes = in.piece();
            typed += bytes;
            tnc.write(bytes);
            break;
        }
        case 2: {
            const AgwFrame f = fromModem(kModemKinds[(op >> 2) % std::size(kModemKinds)],
                                         kCalls[(op >> 5) % std::size(kCalls)], tnc.myCall(), in.piece());
            if (f.kind && modem.onFrame) modem.onFrame(f);
            break;
        }
        case 3:
            if (op & 4) {
                tnc.close();
                tnc.open({});
            } else {
                clock.advance(in.byte() * 2000);
            }
            break;
        }
    }
    checkSent(modem.sent, typed, cmdChar);

    // Whatever came before, command mode and a command line get an answer and the prompt.
    printed.clear();
    tnc.write(cmdChar + "MYCALL\r");
    FUZZ_RULE(printed.endsWith(settings.TNCCmd));
    FUZZ_RULE(printed.contains("MYCALL"));
    return 0;
}
