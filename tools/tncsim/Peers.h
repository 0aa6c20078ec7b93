// The other things on the channel: a station's mailbox, node sessions and scripted stations.
#pragma once

#include "Script.h"
#include "Sim.h"

namespace tncsim {

// Cuts link data into CR-ended lines; LF is dropped, as a mailbox or node would.
class LineAssembler {
public:
    template <typename F> void feed(const Bytes& data, F&& onLine) {
        for (char c : data) {
            if (c == '\r') {
                std::string line = std::move(pending_);
                pending_.clear();
                onLine(line);
            } else if (c != '\n' && pending_.size() < 1024) {
                pending_ += c;
            }
        }
    }
    void clear() { pending_.clear(); }

private:
    std::string pending_;
};

// The personal mailbox in a station's TNC, reached as the station's call with "-1".
class Mailbox : public Endpoint {
public:
    explicit Mailbox(Sim& sim) : sim_(sim) {}
    void linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) override;
    void linkData(Link& link, const Bytes& data) override;
    void linkClosed(Link& link) override;
    bool finished() const override { return done_; }

private:
    void command(const std::string& line);
    void send(const std::string& text);

    Sim& sim_;
    std::shared_ptr<Link> link_;
    LineAssembler lines_;
    bool done_ = false;
};

// One user's circuit through a node: reads commands until it connects onward, then passes
// bytes both ways untouched.
class NodeSession : public Endpoint, public std::enable_shared_from_this<NodeSession> {
public:
    NodeSession(Sim& sim, NodeDef node) : sim_(sim), node_(std::move(node)) {}
    void linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) override;
    void linkData(Link& link, const Bytes& data) override;
    void linkClosed(Link& link) override;
    bool finished() const override { return done_; }

private:
    void command(const std::string& line);
    void connectDone(ConnectResult result, const std::shared_ptr<Link>& link, const std::string& target);
    void reply(const std::string& text);
    void prompt();
    void finish();

    Sim& sim_;
    NodeDef node_;
    std::shared_ptr<Link> up_;
    std::shared_ptr<Link> down_;
    std::string downCall_;
    std::shared_ptr<ConnectAttempt> connecting_;
    Bytes held_;
    LineAssembler lines_;
    bool done_ = false;
};

// A distant station that follows a script.
class ScriptStation : public Endpoint, public std::enable_shared_from_this<ScriptStation> {
public:
    ScriptStation(Sim& sim, ScriptDef def) : sim_(sim), def_(std::move(def)) {}
    const std::string& call() const { return def_.call; }
    void start();
    Offer offer();
    void linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) override;
    void linkData(Link& link, const Bytes& data) override;
    void linkClosed(Link& link) override;
    // An unconnected frame from another station; ends a "hear" that it answers.
    void heard(const Frame& frame);

private:
    void resume();
    bool execute(const Step& step); // true when the step goes on later
    void connectDone(ConnectResult result, const std::shared_ptr<Link>& link, const std::string& target);
    void nextHop();
    void hopFinished(bool ok);
    void chatterTick();
    void newLink(const std::shared_ptr<Link>& link);
    void incomingLine(const std::string& line);
    void sendReceipt(const std::string& header);
    bool awaitMet();
    void warn(const std::string& text) const;

    Sim& sim_;
    ScriptDef def_;
    std::size_t pc_ = 0;
    std::size_t loopStart_ = 0;
    bool waitedSinceRepeat_ = false;
    bool accept_ = true;
    bool echo_ = false;
    bool reply_ = false;

    std::shared_ptr<Link> link_;
    std::shared_ptr<ConnectAttempt> connecting_;
    std::vector<std::string> hops_;
    bool hopPending_ = false;
    std::string awaiting_;
    bool isAwaiting_ = false;
    const Step* hearing_ = nullptr; // the "hear" step waiting for a frame
    int chatterLeft_ = 0;
    int chatterGap_ = 0;
    Bytes rx_;
    LineAssembler lines_;
    bool inMessage_ = false; // between a ".hdr" line and its "$^" line
    std::string header_;
};

} // namespace tncsim
