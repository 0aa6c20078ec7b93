#pragma once
// The whole TNC link with a recording main window and recording message handlers, and the ways a
// test cuts a byte stream into chunks.
#include "support/StationRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace tolvex::test {

// Control characters shown as escapes, so a failing comparison is readable.
inline std::string show(const QByteArray& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (u < 32 || u >= 127)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0').toStdString();
        else
            out += c;
    }
    return out;
}

struct Handed {
    std::string kind; // "header", "incoming", "ncs"
    QByteArray text;
    int type = -1;
    bool operator==(const Handed&) const = default;
    friend void PrintTo(const Handed& h, std::ostream* os) {
        *os << h.kind << (h.type >= 0 ? "/" + std::to_string(h.type) : "") << " \"" << show(h.text) << '"';
    }
};

// Records what the receive side hands over; the header's disconnect request is honoured the way
// message reception does it, so the link's reaction to it can be seen.
class RecordingHandlers : public MessageHandlers {
public:
    explicit RecordingHandlers(LinkSession& session) : session_(session) {}
    void processHeader(const QByteArray& line) override {
        handed.push_back({"header", line});
        if (line.contains(".dis") && !session_.Sending && session_.state() != LinkState::LinkBbs)
            session_.requests.DisconnectRequest = true;
    }
    void processIncoming(const QByteArray& incontent, int msgType) override {
        handed.push_back({"incoming", incontent, msgType});
    }
    void processNCS(const QByteArray& text) override { handed.push_back({"ncs", text}); }
    std::vector<Handed> handed;

private:
    LinkSession& session_;
};

struct Sent {
    qint64 at;
    QByteArray bytes;
    bool operator==(const Sent&) const = default;
    friend void PrintTo(const Sent& s, std::ostream* os) { *os << s.at << "ms \"" << show(s.bytes) << '"'; }
};

struct LinkRig : LinkedStation {
    RecordingHandlers handlers{session};
    std::vector<std::pair<LinkState, LinkState>> transitions;

    LinkRig() {
        rx.useHandlers(handlers);
        session.subscribe([this](LinkState from, LinkState to) {
            if (from != to) transitions.emplace_back(from, to);
        });
    }
    void feed(const QByteArray& chunk) { rx.comInput(chunk); }
    std::vector<Sent> sent() const {
        std::vector<Sent> out;
        for (const auto& w : port.writes)
            out.push_back({w.at, w.bytes});
        return out;
    }
};

// How a byte stream is cut into chunks.
enum class Cut { Whole, Bytes, Lines, Random };
using Chunker = std::function<std::vector<QByteArray>(const QByteArray&)>;

inline std::vector<QByteArray> cutStream(const QByteArray& stream, Cut cut, unsigned seed = 1) {
    std::vector<QByteArray> out;
    if (stream.isEmpty()) return out;
    switch (cut) {
    case Cut::Whole:
        out.push_back(stream);
        break;
    case Cut::Bytes:
        for (const char c : stream)
            out.push_back(QByteArray(1, c));
        break;
    case Cut::Lines: {
        qsizetype start = 0;
        for (qsizetype i = 0; i < stream.size(); ++i)
            if (stream[i] == '\r' || stream[i] == '\n') {
                out.push_back(stream.mid(start, i + 1 - start));
                start = i + 1;
            }
        if (start < stream.size()) out.push_back(stream.mid(start));
        break;
    }
    case Cut::Random: {
        std::mt19937 gen(seed);
        std::uniform_int_distribution<int> len(1, 12);
        for (qsizetype i = 0; i < stream.size();) {
            const qsizetype n = qMin<qsizetype>(len(gen), stream.size() - i);
            out.push_back(stream.mid(i, n));
            i += n;
        }
        break;
    }
    }
    return out;
}

// A recorded dialogue for the table tests.
using Act = std::function<void(LinkRig&)>;

// One turn of a recorded dialogue: what the operator does, what the TNC then prints, and how
// much time passes before the next turn.
struct Stage {
    Act act;
    QByteArray bytes;
    qint64 after = 0;
};

struct Dialogue {
    const char* name;
    std::vector<Stage> stages;
    std::vector<Handed> handed;
    std::vector<Sent> sent;
    LinkState state;
    QByteArray lblConn;
    QByteArray savedUnproto = {};
};

} // namespace tolvex::test
