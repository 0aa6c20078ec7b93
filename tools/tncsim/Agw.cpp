#include "Agw.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tncsim {

namespace {

constexpr std::size_t kHeaderSize = 36;
// Far above any AX.25 frame; a bigger length means the stream is out of step or hostile.
constexpr std::uint32_t kMaxDataLen = 4096;
// A client that stops reading is dropped rather than buffered without end.
constexpr std::size_t kMaxPendingOut = 1 << 20;

std::uint32_t readLe32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::string callField(const unsigned char* p) {
    std::string call;
    for (std::size_t i = 0; i < 10 && p[i] != 0; ++i)
        call += static_cast<char>(p[i]);
    return toUpper(trimmed(call));
}

Bytes encode(const AgwFrame& frame) {
    Bytes out(kHeaderSize, '\0');
    out[0] = static_cast<char>(frame.port);
    out[4] = frame.kind;
    out[6] = static_cast<char>(frame.pid);
    frame.from.copy(out.data() + 8, std::min<std::size_t>(frame.from.size(), 9));
    frame.to.copy(out.data() + 18, std::min<std::size_t>(frame.to.size(), 9));
    const auto len = static_cast<std::uint32_t>(frame.data.size());
    for (int i = 0; i < 4; ++i)
        out[28 + i] = static_cast<char>((len >> (8 * i)) & 0xFF);
    return out + frame.data;
}

Bytes le32(std::uint32_t value) {
    Bytes out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// " 1:Fm SRC To DEST Via D1,D2* <UI pid=F0 Len=N PF=0 >[hh:mm:ss]" CR, text, CR.
Bytes monitorText(const Frame& frame) {
    std::string head = " 1:Fm " + frame.source + " To " + frame.dest;
    if (!frame.digis.empty()) {
        head += " Via ";
        for (std::size_t i = 0; i < frame.digis.size(); ++i)
            head += (i ? "," : "") + frame.digis[i] + (i + 1 == frame.digis.size() ? "*" : "");
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    head += " <UI pid=F0 Len=" + std::to_string(frame.text.size()) + " PF=0 >[" + clock + "]\r";
    return head + frame.text + "\r";
}

// Digipeaters at the start of a 'V' or 'v' frame's data: a count, then 10-byte calls.
bool takeDigis(Bytes& data, std::vector<std::string>& digis) {
    if (data.empty()) return false;
    const auto count = static_cast<unsigned char>(data[0]);
    if (count > 8 || data.size() < 1 + 10u * count) return false;
    for (unsigned i = 0; i < count; ++i)
        digis.push_back(callField(reinterpret_cast<const unsigned char*>(data.data()) + 1 + 10 * i));
    data.erase(0, 1 + 10u * count);
    return true;
}

} // namespace

// One connected link of an AGW client, either way.
class AgwSession : public Endpoint {
public:
    AgwSession(const std::shared_ptr<AgwClient>& client, std::string own, std::string remote)
        : client_(client), own_(std::move(own)), remote_(std::move(remote)) {}

    void linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) override;
    void linkData(Link& link, const Bytes& data) override;
    void linkClosed(Link& link) override;

    std::weak_ptr<AgwClient> client_;
    std::string own_;
    std::string remote_;
    std::shared_ptr<Link> link_;
    std::shared_ptr<ConnectAttempt> connecting_;
};

class AgwClient : public std::enable_shared_from_this<AgwClient> {
public:
    AgwClient(AgwServer& server, int fd) : server_(server), fd_(fd) {}
    ~AgwClient() {
        if (fd_ >= 0) ::close(fd_);
    }

    int fd() const { return fd_; }
    bool dead() const { return dead_; }
    bool wantsWrite() const { return !out_.empty(); }

    void onReadable();
    void onWritable();
    void drop();

    void send(char kind, const std::string& from, const std::string& to, Bytes data, unsigned char pid = 0) {
        out_ += encode(AgwFrame{0, kind, pid, from, to, std::move(data)});
        if (out_.size() > kMaxPendingOut) drop();
    }
    void sessionUp(AgwSession& session, bool incoming) {
        send('C', session.remote_, session.own_,
             std::string("*** CONNECTED ") + (incoming ? "To" : "With") + " Station " + session.remote_ +
                 "\r" + '\0');
    }
    void sessionDown(AgwSession& session, const std::string& text) {
        send('d', session.remote_, session.own_, text + "\r" + '\0');
        forget(&session);
    }
    void forget(const AgwSession* session) {
        std::erase_if(sessions_, [session](const auto& s) { return s.get() == session; });
    }

    std::vector<std::string> calls_;
    std::vector<std::shared_ptr<AgwSession>> sessions_;
    bool monitor_ = false;

private:
    void frame(AgwFrame frame);
    void connect(const std::string& own, const std::string& remote);
    AgwSession* find(const std::string& own, const std::string& remote);

    AgwServer& server_;
    int fd_;
    bool dead_ = false;
    Bytes in_;
    Bytes out_;
};

// ---- AgwSession

void AgwSession::linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) {
    link_ = link;
    remote_ = peerCall;
    if (auto client = client_.lock()) client->sessionUp(*this, true);
}

void AgwSession::linkData(Link& link, const Bytes& data) {
    if (&link != link_.get()) return;
    if (auto client = client_.lock()) client->send('D', remote_, own_, data, 0xF0);
}

void AgwSession::linkClosed(Link& link) {
    if (&link != link_.get()) return;
    link_.reset();
    if (auto client = client_.lock()) client->sessionDown(*this, "*** DISCONNECTED From Station " + remote_);
}

// ---- AgwClient

void AgwClient::drop() {
    if (dead_) return;
    dead_ = true;
    for (const auto& session : sessions_) {
        if (session->connecting_) session->connecting_->cancelled = true;
        if (session->link_) session->link_->close(session.get());
    }
    sessions_.clear();
    calls_.clear();
    out_.clear();
}

void AgwClient::onReadable() {
    char buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        drop();
        return;
    }
    in_.append(buffer, static_cast<std::size_t>(n));
    while (!dead_ && in_.size() >= kHeaderSize) {
        const auto* head = reinterpret_cast<const unsigned char*>(in_.data());
        const std::uint32_t len = readLe32(head + 28);
        if (!std::isalpha(head[4]) || len > kMaxDataLen) {
            drop();
            return;
        }
        if (in_.size() < kHeaderSize + len) return;
        AgwFrame f{head[0],
                   static_cast<char>(head[4]),
                   head[6],
                   callField(head + 8),
                   callField(head + 18),
                   in_.substr(kHeaderSize, len)};
        in_.erase(0, kHeaderSize + len);
        frame(std::move(f));
    }
}

void AgwClient::onWritable() {
    while (!out_.empty()) {
        const ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        if (n <= 0) {
            drop();
            return;
        }
        out_.erase(0, static_cast<std::size_t>(n));
    }
}

AgwSession* AgwClient::find(const std::string& own, const std::string& remote) {
    for (const auto& session : sessions_)
        if (session->own_ == own && session->remote_ == remote) return session.get();
    return nullptr;
}

void AgwClient::frame(AgwFrame f) {
    Sim& sim = server_.sim_;
    switch (f.kind) {
    case 'R':
        send('R', "", "", le32(2005) + le32(127));
        break;
    case 'G':
        send('G', "", "", std::string("1;Port1 tncsim simulated channel;") + '\0');
        break;
    case 'X': {
        const bool ok = !f.from.empty() && !server_.callTaken(f.from);
        if (ok) calls_.push_back(f.from);
        send('X', f.from, "", Bytes(1, ok ? '\1' : '\0'));
        break;
    }
    case 'x':
        std::erase(calls_, f.from);
        break;
    case 'm':
        monitor_ = !monitor_;
        break;
    case 'M':
    case 'V': {
        Frame ui;
        ui.source = f.from;
        ui.dest = f.to;
        if (f.kind == 'V' && !takeDigis(f.data, ui.digis)) break;
        ui.text = std::move(f.data);
        if (ui.source.empty() || ui.dest.empty()) break;
        sim.transmit(ui, this);
        break;
    }
    case 'C':
    case 'v':
        if (f.kind == 'v') {
            std::vector<std::string> digis;
            if (!takeDigis(f.data, digis)) break;
        }
        connect(f.from, f.to);
        break;
    case 'D':
        if (AgwSession* session = find(f.from, f.to); session && session->link_)
            session->link_->send(session, std::move(f.data));
        break;
    case 'd':
        if (AgwSession* session = find(f.from, f.to)) {
            if (session->connecting_) session->connecting_->cancelled = true;
            if (session->link_) session->link_->close(session);
            sessionDown(*session, "*** DISCONNECTED From Station " + f.to);
        }
        break;
    case 'Y':
        send('Y', f.from, f.to, le32(0));
        break;
    case 'y':
        send('y', "", "", le32(0));
        break;
    default:
        break; // raw frames and port details are not simulated
    }
}

void AgwClient::connect(const std::string& own, const std::string& remote) {
    if (own.empty() || remote.empty() || find(own, remote)) return;
    auto session = std::make_shared<AgwSession>(shared_from_this(), own, remote);
    sessions_.push_back(session);
    std::weak_ptr<AgwSession> weak = session;
    session->connecting_ = server_.sim_.connect(
        session, own, remote,
        [self = weak_from_this(), weak](ConnectResult result, const std::shared_ptr<Link>& link) {
            const auto client = self.lock();
            const auto s = weak.lock();
            if (!client || !s || client->dead()) return;
            s->connecting_.reset();
            if (result == ConnectResult::Connected) {
                s->link_ = link;
                client->sessionUp(*s, false);
            } else if (result == ConnectResult::Busy) {
                client->sessionDown(*s, "*** DISCONNECTED From Station " + s->remote_);
            } else {
                client->sessionDown(*s, "*** DISCONNECTED RETRYOUT With " + s->remote_);
            }
        });
}

// ---- AgwServer

AgwServer::~AgwServer() {
    closeAll();
}

bool AgwServer::listen(int port, std::string& error) {
    listenFd_ = listenOnLoopback(port, "AGW", error, port_);
    return listenFd_ >= 0;
}

void AgwServer::addPollFds(std::vector<pollfd>& fds) const {
    if (listenFd_ >= 0) fds.push_back(pollfd{listenFd_, POLLIN, 0});
    for (const auto& client : clients_)
        fds.push_back(
            pollfd{client->fd(), static_cast<short>(POLLIN | (client->wantsWrite() ? POLLOUT : 0)), 0});
}

void AgwServer::handle(const pollfd* fds, std::size_t count) {
    if (listenFd_ < 0 || count == 0) return;
    const bool incoming = fds[0].revents & POLLIN;
    for (std::size_t i = 1; i < count && i - 1 < clients_.size(); ++i) {
        AgwClient& client = *clients_[i - 1];
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) client.onReadable();
        if ((fds[i].revents & POLLOUT) && !client.dead()) client.onWritable();
    }
    // Answers written while handling (and frames for other clients) go out at once when they can.
    for (const auto& client : clients_)
        if (!client->dead() && client->wantsWrite()) client->onWritable();
    std::erase_if(clients_, [](const auto& client) { return client->dead(); });
    while (incoming) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        clients_.push_back(std::make_shared<AgwClient>(*this, fd));
    }
}

bool AgwServer::isRegistered(const std::string& call) const {
    for (const auto& client : clients_)
        if (!client->dead() &&
            std::find(client->calls_.begin(), client->calls_.end(), call) != client->calls_.end())
            return true;
    return false;
}

bool AgwServer::callTaken(const std::string& call) const {
    return isRegistered(call) || sim_.callOnAir(call);
}

Offer AgwServer::offer(const std::string& call, const Endpoint* caller) {
    for (const auto& client : clients_) {
        if (client->dead() ||
            std::find(client->calls_.begin(), client->calls_.end(), call) == client->calls_.end())
            continue;
        for (const auto& session : client->sessions_)
            if (session.get() == caller) return {}; // its own call
        auto session = std::make_shared<AgwSession>(client, call, "");
        client->sessions_.push_back(session);
        return {ConnectResult::Connected, session};
    }
    return {};
}

void AgwServer::monitor(const Frame& frame, const void* sender) {
    for (const auto& client : clients_)
        if (client.get() != sender && client->monitor_ && !client->dead())
            client->send('U', frame.source, frame.dest, monitorText(frame), 0xF0);
}

void AgwServer::closeAll() {
    for (const auto& client : clients_)
        client->drop();
    clients_.clear();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

} // namespace tncsim
