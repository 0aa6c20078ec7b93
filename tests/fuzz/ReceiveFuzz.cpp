// The receive stream processor of the real station logic, driven by a script decoded from the
// fuzz input: chunks of TNC output mixed with what changes the link state (connects direct and
// through nodes, Disconnect, the mailbox, the start-up query, sending, a lost port) and time
// passing, so every state sees hostile bytes.
//
// Rules: the buffers and the panes stay bounded; every message opened on a link is handed over,
// starting with its header, exactly once, even when its link ends first; a message is never bigger
// than its cap and the note saying where it was cut.
#include "FuzzRules.h"
#include "support/StationRig.h"

#include <QCoreApplication>

#include <optional>

using namespace tolvex;
using namespace tolvex::test;

namespace {

constexpr qsizetype kFeedBudget = 1536 * 1024; // bytes one input may feed in all: past a message's cap
constexpr qsizetype kNoteRoom = 256;           // the cut and link-ended notes

class CheckedHandlers : public MessageHandlers {
public:
    explicit CheckedHandlers(LinkSession& session) : session_(session) {}

    void processHeader(const QByteArray& line) override {
        // The message before it was handed over first, whatever became of it.
        FUZZ_RULE(!open_ || openInMailbox_);
        open_ = line;
        openInMailbox_ = session_.state() == LinkState::LinkBbs;
        if (line.contains(".dis") && !session_.Sending && session_.state() != LinkState::LinkBbs)
            session_.requests.DisconnectRequest = true;
    }
    void processIncoming(const QByteArray& text, int msgType) override {
        if (msgType != 1) return;
        FUZZ_RULE(open_.has_value());
        // The end marker shows as two blanks, in the header line too when it ends there.
        FUZZ_RULE(text.startsWith(*open_) || text.startsWith(QByteArray(*open_).replace("$^", "  ")));
        FUZZ_RULE(text.size() <= ReceiveProcessor::kMessageCap + kNoteRoom);
        open_.reset();
    }
    void processNCS(const QByteArray&) override {}

    // A message opened on a link to a station (not the mailbox) and not handed over yet.
    bool messageOutstanding() const { return open_ && !openInMailbox_; }

private:
    LinkSession& session_;
    std::optional<QByteArray> open_;
    bool openInMailbox_ = false;
};

struct Rig : LinkedStation {
    CheckedHandlers handlers{session};
    Rig() { rx.useHandlers(handlers); }
};

constexpr qsizetype kLongestRead = 4096;

void checkBounds(const Rig& rig) {
    FUZZ_RULE(rig.session.RxBuffer.size() <= ReceiveProcessor::kCaptureCap);
    FUZZ_RULE(rig.session.MsgBuffer.size() <= ReceiveProcessor::kMessageCap);
    // What is shown without the backspace rule (a group frame being captured, lines held during
    // the start-up query) may pass a pane's limit by a capture and a read before it is trimmed.
    for (const char* pane : {"tbMon", "tbLocal"})
        FUZZ_RULE(rig.view.pane(pane).size() <=
                  Panes::kPaneHardLimit + ReceiveProcessor::kCaptureCap + kLongestRead);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Rig rig;
    QByteArray last;
    qsizetype budget = kFeedBudget;
    const auto feed = [&](const QByteArray& chunk) {
        budget -= chunk.size();
        rig.rx.comInput(chunk);
        checkBounds(rig);
    };
    while (!in.atEnd() && budget > 0) {
        switch (in.byte() % 13) {
        case 0:
        case 1:
        case 2:
        case 3:
            last = in.piece();
            feed(last);
            break;
        case 4:
            rig.clock.advance(in.byte() * 20);
            break;
        case 5:
            rig.connect.connect("N1ABC");
            break;
        case 6:
            rig.connect.connect("N1ABC,NODEA,NODEB");
            break;
        case 7:
            rig.connect.disconnect();
            break;
        case 8:
            rig.connect.connectToMailbox();
            break;
        case 9:
            rig.rx.startUnprotoQuery();
            break;
        case 10:
            if (rig.session.Sending)
                rig.session.stopSending();
            else
                rig.session.startSending(in.piece());
            break;
        case 11:
            if (rig.port.isOpen() && rig.port.onError)
                rig.port.onError(SerialPort::Error::DeviceLost);
            else
                rig.port.open({});
            break;
        case 12: {
            // A long stream: the last chunk again and again, in reads of about 4 KB as a serial port gives.
            if (last.isEmpty()) break;
            qsizetype total = qMin<qsizetype>((in.byte() + 1) * 8 * 1024, budget);
            QByteArray big;
            while (big.size() < kLongestRead)
                big += last;
            big.truncate(kLongestRead);
            for (; total > 0; total -= big.size())
                feed(big);
            break;
        }
        }
    }
    rig.clock.advance(60'000);
    checkBounds(rig);
    // Whatever ends the link last, what came of a message on it is handed over.
    rig.session.setState(LinkState::LinkIdle);
    FUZZ_RULE(!rig.handlers.messageOutstanding());
    return 0;
}
