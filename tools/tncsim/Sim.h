// The shared channel: timers, links between the things on the air, connect attempts and
// unconnected frames. Everything runs on one thread; the only blocking call is poll().
#pragma once

#include "Options.h"
#include "Text.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tncsim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

class EventLoop {
public:
    using Task = std::function<void()>;

    std::uint64_t at(TimePoint when, Task task);
    std::uint64_t after(int ms, Task task);
    void cancel(std::uint64_t id);
    std::optional<TimePoint> next() const;
    // Runs every task due now, in the order they were scheduled for equal times.
    void runDue();

private:
    std::map<std::pair<TimePoint, std::uint64_t>, Task> tasks_;
    std::map<std::uint64_t, TimePoint> whenById_;
    std::uint64_t nextId_ = 1;
};

// An unconnected (UI) frame as the monitor shows it.
struct Frame {
    std::string source;
    std::string dest;
    std::vector<std::string> digis;
    Bytes text;
};

// Destination and digipeaters from an UNPROTO path such as "CQ VIA RELAY,WIDE".
Frame framePath(std::string_view path);

// A non-blocking TCP socket listening on 127.0.0.1:port (0 takes a free port, given back in
// boundPort); -1 with the reason in error. `what` names the service in that reason.
int listenOnLoopback(int port, const char* what, std::string& error, int& boundPort);

class Link;

// Anything that can be at one end of a connected link.
class Endpoint {
public:
    virtual ~Endpoint() = default;
    // A link this endpoint answered has come up; `peerCall` is the caller.
    virtual void linkUp(const std::shared_ptr<Link>&, const std::string& peerCall) = 0;
    virtual void linkData(Link& link, const Bytes& data) = 0;
    // The other end closed the link.
    virtual void linkClosed(Link& link) = 0;
    // Sessions (node, mailbox) that are done are dropped by the channel.
    virtual bool finished() const { return false; }
};

// A connected link. Data and the closing are delivered on the next turn of the loop, in the
// order they were sent, so two chatty ends never recurse into each other.
class Link : public std::enable_shared_from_this<Link> {
public:
    Link(EventLoop& loop, const std::shared_ptr<Endpoint>& caller, const std::shared_ptr<Endpoint>& callee);
    void send(const Endpoint* from, Bytes data);
    void close(const Endpoint* by);
    // Told of every non-empty send with the sending side (0: the caller), for the monitors.
    std::function<void(int side, const Bytes& data)> heard;

private:
    int sideOf(const Endpoint* endpoint) const;

    EventLoop& loop_;
    std::weak_ptr<Endpoint> ends_[2];
    const Endpoint* raw_[2];
    bool closed_[2] = {false, false};
};

enum class ConnectResult { Connected, Busy, NoAnswer };

struct ConnectAttempt {
    bool cancelled = false;
};

struct Offer {
    ConnectResult result = ConnectResult::NoAnswer;
    std::shared_ptr<Endpoint> endpoint;
};

class Station;
class ScriptStation;
class AgwServer;
class KissServer;

class Sim {
public:
    using ConnectDone = std::function<void(ConnectResult, std::shared_ptr<Link>)>;

    explicit Sim(Options options);
    ~Sim();
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // Creates the ptys and their links and loads the scripts.
    bool start(std::string& error);
    void run(const volatile std::sig_atomic_t& stop);
    void shutdown();

    EventLoop& loop() { return loop_; }
    const Options& options() const { return options_; }
    const std::string& eol() const { return eol_; }

    // Calls `target` on behalf of `from`; `done` runs once with the outcome unless the attempt
    // is cancelled first.
    std::shared_ptr<ConnectAttempt> connect(const std::shared_ptr<Endpoint>& from,
                                            const std::string& fromCall, const std::string& target,
                                            ConnectDone done);

    // An unconnected frame heard by every station but the sender.
    void transmit(const Frame& frame, const void* sender);
    // A link's frame (a connect request, text) heard by every station but the sender, shown only
    // by monitors that show link frames.
    void transmitLinkFrame(const std::string& from, const std::string& to, const std::string& kind,
                           const Bytes& text, const void* sender);

    void log(const std::string& call, char direction, std::string_view bytes);
    int jitter(int maxMs);
    std::mt19937& rng() { return rng_; }
    std::vector<std::string> nodeNames() const;
    // True when a pty station, its mailbox, a node or a scripted station answers to `call`.
    bool callOnAir(const std::string& call) const;
    // The AGW server's port, 0 without one.
    int agwPort() const;
    // The KISS server's port, 0 without one.
    int kissPort() const;

private:
    Offer resolve(const std::string& target, const Endpoint* caller);
    void reapSessions();

    Options options_;
    std::string eol_;
    EventLoop loop_;
    std::mt19937 rng_;
    int logFd_ = -1;
    std::vector<std::shared_ptr<Station>> stations_;
    std::vector<std::shared_ptr<ScriptStation>> scripted_;
    std::vector<std::shared_ptr<Endpoint>> sessions_;
    std::unique_ptr<AgwServer> agw_;
    std::unique_ptr<KissServer> kiss_;
};

} // namespace tncsim
