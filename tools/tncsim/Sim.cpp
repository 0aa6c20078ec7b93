#include "Sim.h"

#include "Agw.h"
#include "Kiss.h"
#include "Peers.h"
#include "Station.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace tncsim {

namespace {

// How long the other side takes to answer a connect, and how long a TNC keeps retrying a call
// that never answers before it gives up.
constexpr int kAnswerMs = 40;
constexpr int kRetryMs = 400;
// How often a pty nobody has open is looked at again, and the longest poll() sleep.
constexpr int kHangupRecheckMs = 25;
constexpr int kMaxSleepMs = 200;

} // namespace

// ---- EventLoop

std::uint64_t EventLoop::at(TimePoint when, Task task) {
    const std::uint64_t id = nextId_++;
    tasks_.emplace(std::make_pair(when, id), std::move(task));
    whenById_.emplace(id, when);
    return id;
}

std::uint64_t EventLoop::after(int ms, Task task) {
    return at(Clock::now() + std::chrono::milliseconds(ms), std::move(task));
}

void EventLoop::cancel(std::uint64_t id) {
    const auto it = whenById_.find(id);
    if (it == whenById_.end()) return;
    tasks_.erase(std::make_pair(it->second, id));
    whenById_.erase(it);
}

std::optional<TimePoint> EventLoop::next() const {
    if (tasks_.empty()) return std::nullopt;
    return tasks_.begin()->first.first;
}

void EventLoop::runDue() {
    const TimePoint limit = Clock::now();
    while (!tasks_.empty() && tasks_.begin()->first.first <= limit) {
        auto node = tasks_.extract(tasks_.begin());
        whenById_.erase(node.key().second);
        node.mapped()();
    }
}

// ---- Frame paths

Frame framePath(std::string_view path) {
    Frame frame;
    const std::vector<std::string> parts = words(toUpper(path), true);
    if (parts.empty()) return frame;
    frame.dest = parts[0].substr(0, parts[0].find('/'));
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (parts[i] != "VIA" && parts[i] != "V") frame.digis.push_back(parts[i]);
    return frame;
}

// ---- Link

Link::Link(EventLoop& loop, const std::shared_ptr<Endpoint>& caller, const std::shared_ptr<Endpoint>& callee)
    : loop_(loop), ends_{caller, callee}, raw_{caller.get(), callee.get()} {}

int Link::sideOf(const Endpoint* endpoint) const {
    return raw_[0] == endpoint ? 0 : 1;
}

void Link::send(const Endpoint* from, Bytes data) {
    const int side = sideOf(from);
    if (closed_[side] || data.empty()) return;
    const int other = 1 - side;
    if (heard) heard(side, data);
    loop_.after(0, [self = shared_from_this(), other, data = std::move(data)] {
        if (self->closed_[other]) return;
        if (auto endpoint = self->ends_[other].lock()) endpoint->linkData(*self, data);
    });
}

void Link::close(const Endpoint* by) {
    const int side = sideOf(by);
    if (closed_[side]) return;
    closed_[side] = true;
    const int other = 1 - side;
    loop_.after(0, [self = shared_from_this(), other] {
        if (self->closed_[other]) return;
        self->closed_[other] = true;
        if (auto endpoint = self->ends_[other].lock()) endpoint->linkClosed(*self);
    });
}

// ---- Sim

Sim::Sim(Options options)
    : options_(std::move(options)), eol_(options_.crlf ? "\r\n" : "\r"),
      rng_(options_.chunkSeed.value_or(20240611u)) {}

Sim::~Sim() {
    shutdown();
}

bool Sim::start(std::string& error) {
    if (!options_.logPath.empty()) {
        logFd_ = ::open(options_.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd_ < 0) {
            error = "cannot open log " + options_.logPath;
            return false;
        }
    }
    unsigned index = 0;
    for (const StationDef& def : options_.stations) {
        auto station = std::make_shared<Station>(*this, def, index++);
        stations_.push_back(station);
        if (!station->open(error)) return false;
    }
    if (options_.agwPort) {
        agw_ = std::make_unique<AgwServer>(*this);
        if (!agw_->listen(*options_.agwPort, error)) return false;
    }
    if (options_.kissPort) {
        kiss_ = std::make_unique<KissServer>(
            *this, KissFaults{options_.kissLossPercent, options_.kissDuplicatePercent,
                              options_.kissDelayPercent, options_.kissDelayMs, options_.kissSeed});
        if (!kiss_->listen(*options_.kissPort, error)) return false;
    }
    const std::string practiceCall = options_.stations.empty() ? "" : toUpper(options_.stations.front().call);
    for (const std::string& file : options_.scripts) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            error = "cannot read script " + file;
            return false;
        }
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<ScriptDef> defs;
        if (!parseScript(text.str(), file, practiceCall, defs, error)) return false;
        for (ScriptDef& def : defs)
            scripted_.push_back(std::make_shared<ScriptStation>(*this, std::move(def)));
    }
    return true;
}

void Sim::run(const volatile std::sig_atomic_t& stop) {
    for (const auto& script : scripted_)
        script->start();

    std::vector<pollfd> fds;
    std::vector<Station*> polled;
    while (!stop) {
        const TimePoint now = Clock::now();
        fds.clear();
        polled.clear();
        TimePoint wake = now + std::chrono::milliseconds(kMaxSleepMs);
        if (const auto next = loop_.next()) wake = std::min(wake, *next);
        for (const auto& station : stations_) {
            if (station->hungUp()) {
                // poll() would report the hang-up at once, so write blind (the kernel keeps a
                // few kilobytes for whoever opens the device next) and look again shortly.
                if (station->wantsWrite(now)) station->onWritable();
                wake = std::min(wake, now + std::chrono::milliseconds(kHangupRecheckMs));
                continue;
            }
            short events = POLLIN;
            if (station->wantsWrite(now))
                events |= POLLOUT;
            else if (const auto due = station->nextDue())
                wake = std::min(wake, *due);
            fds.push_back(pollfd{station->fd(), events, 0});
            polled.push_back(station.get());
        }
        const std::size_t agwFirst = fds.size();
        if (agw_) agw_->addPollFds(fds);
        const std::size_t kissFirst = fds.size();
        if (kiss_) kiss_->addPollFds(fds);
        const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(timeout, 0)));
        if (ready < 0 && errno != EINTR) {
            std::cerr << "tncsim: poll failed\n";
            return;
        }
        for (std::size_t i = 0; ready > 0 && i < agwFirst; ++i) {
            const short revents = fds[i].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) polled[i]->onReadable();
            if ((revents & POLLOUT) && !polled[i]->hungUp()) polled[i]->onWritable();
        }
        if (agw_) agw_->handle(fds.data() + agwFirst, kissFirst - agwFirst);
        if (kiss_) kiss_->handle(fds.data() + kissFirst, fds.size() - kissFirst);
        loop_.runDue();
        reapSessions();
    }
}

void Sim::shutdown() {
    if (agw_) agw_->closeAll();
    if (kiss_) kiss_->closeAll();
    for (const auto& station : stations_)
        station->removeLink();
    if (logFd_ >= 0) {
        ::close(logFd_);
        logFd_ = -1;
    }
}

std::shared_ptr<ConnectAttempt> Sim::connect(const std::shared_ptr<Endpoint>& from,
                                             const std::string& fromCall, const std::string& target,
                                             ConnectDone done) {
    auto attempt = std::make_shared<ConnectAttempt>();
    std::weak_ptr<Endpoint> caller = from;
    loop_.after(kAnswerMs + jitter(options_.delayMs), [this, attempt, caller, fromCall, target, done] {
        const auto self = caller.lock();
        if (attempt->cancelled || !self) return;
        Offer offer = resolve(toUpper(target), self.get());
        if (offer.result == ConnectResult::NoAnswer) {
            loop_.after(kRetryMs, [attempt, done] {
                if (!attempt->cancelled) done(ConnectResult::NoAnswer, nullptr);
            });
            return;
        }
        if (offer.result == ConnectResult::Busy) {
            done(ConnectResult::Busy, nullptr);
            return;
        }
        const std::string calls[2] = {fromCall, toUpper(target)};
        transmitLinkFrame(calls[0], calls[1], "<C C P>", {}, self.get());
        auto link = std::make_shared<Link>(loop_, self, offer.endpoint);
        link->heard = [this, calls, ends = std::array<const void*, 2>{self.get(), offer.endpoint.get()}](
                          int side, const Bytes& data) {
            transmitLinkFrame(calls[side], calls[1 - side], "<I C S0 R0>:", data, ends[side]);
        };
        offer.endpoint->linkUp(link, fromCall);
        done(ConnectResult::Connected, link);
    });
    return attempt;
}

Offer Sim::resolve(const std::string& target, const Endpoint* caller) {
    if (options_.busyCalls.count(target)) return {ConnectResult::Busy, nullptr};
    if (options_.failCalls.count(target)) return {ConnectResult::NoAnswer, nullptr};
    for (const auto& station : stations_) {
        if (station->call() == target) return station.get() == caller ? Offer{} : station->offer();
    }
    for (const auto& station : stations_) {
        if (station->call() + "-1" == target) {
            auto mailbox = std::make_shared<Mailbox>(*this);
            sessions_.push_back(mailbox);
            return {ConnectResult::Connected, mailbox};
        }
    }
    for (const NodeDef& node : options_.nodes) {
        if (node.alias == target || node.call == target) {
            auto session = std::make_shared<NodeSession>(*this, node);
            sessions_.push_back(session);
            return {ConnectResult::Connected, session};
        }
    }
    for (const auto& script : scripted_) {
        if (script->call() == target) return script.get() == caller ? Offer{} : script->offer();
    }
    if (agw_) return agw_->offer(target, caller);
    return {};
}

void Sim::reapSessions() {
    std::erase_if(sessions_, [](const std::shared_ptr<Endpoint>& session) { return session->finished(); });
}

void Sim::transmit(const Frame& frame, const void* sender) {
    for (const auto& station : stations_)
        if (station.get() != sender) station->monitor(frame);
    for (const auto& script : scripted_)
        if (script.get() != sender) script->heard(frame);
    if (agw_) agw_->monitor(frame, sender);
    if (kiss_ && sender != kiss_.get()) kiss_->monitor(frame);
}

void Sim::transmitLinkFrame(const std::string& from, const std::string& to, const std::string& kind,
                            const Bytes& text, const void* sender) {
    if (options_.monitor != MonitorStyle::Bpq) return;
    for (const auto& station : stations_)
        if (station.get() != sender) station->monitorLinkFrame(from + ">" + to + " Port=1 " + kind, text);
}

bool Sim::callOnAir(const std::string& call) const {
    for (const auto& station : stations_)
        if (station->call() == call || station->call() + "-1" == call) return true;
    for (const NodeDef& node : options_.nodes)
        if (node.alias == call || node.call == call) return true;
    for (const auto& script : scripted_)
        if (script->call() == call) return true;
    return false;
}

int Sim::kissPort() const {
    return kiss_ ? kiss_->port() : 0;
}

int Sim::agwPort() const {
    return agw_ ? agw_->port() : 0;
}

void Sim::log(const std::string& call, char direction, std::string_view bytes) {
    if (logFd_ < 0) return;
    const std::string line = call + direction + ' ' + escaped(bytes) + '\n';
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(logFd_, line.data() + done, line.size() - done);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

int Sim::jitter(int maxMs) {
    if (maxMs <= 0) return 0;
    return std::uniform_int_distribution<int>(0, maxMs)(rng_);
}

std::vector<std::string> Sim::nodeNames() const {
    std::vector<std::string> names;
    for (const NodeDef& node : options_.nodes)
        names.push_back(node.alias + ":" + node.call);
    return names;
}

int listenOnLoopback(int port, const char* what, std::string& error, int& boundPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot open the ") + what + " socket";
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
        ::close(fd);
        error = "cannot listen on 127.0.0.1:" + std::to_string(port);
        return -1;
    }
    boundPort = ntohs(addr.sin_port);
    return fd;
}

} // namespace tncsim
