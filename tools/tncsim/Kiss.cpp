#include "Kiss.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tncsim {

namespace {

constexpr char kFend = static_cast<char>(0xC0);
constexpr char kFesc = static_cast<char>(0xDB);
constexpr char kTfend = static_cast<char>(0xDC);
constexpr char kTfesc = static_cast<char>(0xDD);
// The longest frame a modem takes; longer is noise or a runaway client.
constexpr std::size_t kMaxFrame = 2123;
constexpr std::size_t kMaxPendingOut = 1 << 20;

Bytes encode(const Bytes& frame) {
    Bytes out(1, kFend);
    out += '\0'; // data, port 0
    for (const char c : frame) {
        if (c == kFend)
            out += {kFesc, kTfend};
        else if (c == kFesc)
            out += {kFesc, kTfesc};
        else
            out += c;
    }
    out += kFend;
    return out;
}

// "N0CALL-7" as an AX.25 address: six shifted characters and the SSID byte.
Bytes address(const std::string& call, bool flag, bool last) {
    const std::size_t dash = call.find('-');
    const std::string base = call.substr(0, std::min<std::size_t>(dash, 6));
    const int ssid = dash == std::string::npos ? 0 : std::atoi(call.c_str() + dash + 1) & 0x0F;
    Bytes out;
    for (std::size_t i = 0; i < 6; ++i)
        out += static_cast<char>((i < base.size() ? base[i] : ' ') << 1);
    out += static_cast<char>((flag ? 0x80 : 0) | 0x60 | ssid << 1 | (last ? 1 : 0));
    return out;
}

std::string call(const Bytes& frame, std::size_t at) {
    std::string text;
    for (std::size_t i = 0; i < 6; ++i)
        if (const char c = static_cast<char>(static_cast<unsigned char>(frame[at + i]) >> 1); c != ' ')
            text += c;
    const int ssid = (static_cast<unsigned char>(frame[at + 6]) >> 1) & 0x0F;
    return ssid ? text + "-" + std::to_string(ssid) : text;
}

// The UI frame in an AX.25 frame: addresses, then control 0x03 (or 0x13) and a PID.
std::optional<Frame> uiFrame(const Bytes& ax25) {
    std::size_t end = 0;
    while (end + 7 <= ax25.size() && end < 70 && !(ax25[end + 6] & 1))
        end += 7;
    end += 7;
    if (end < 14 || end + 2 > ax25.size() || (ax25[end] & ~0x10) != 0x03) return std::nullopt;
    Frame frame;
    frame.dest = call(ax25, 0);
    frame.source = call(ax25, 7);
    for (std::size_t at = 14; at < end; at += 7)
        frame.digis.push_back(call(ax25, at));
    frame.text = ax25.substr(end + 2);
    return frame;
}

} // namespace

struct KissServer::Client {
    explicit Client(int socket) : fd(socket) {}
    ~Client() { drop(); }
    void drop() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    bool dead() const { return fd < 0; }

    // Bytes from the client; complete data frames go to `frameDone`.
    template <typename Done> void feed(const char* data, std::size_t size, Done frameDone) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == kFend) {
                if (!broken && !escaped && frame.size() > 1 && (frame[0] & 0x0F) == 0 &&
                    (frame[0] & 0xF0) == 0)
                    frameDone(frame.substr(1));
                frame.clear();
                inFrame = true;
                escaped = broken = false;
                continue;
            }
            if (!inFrame || broken) continue;
            char byte = c;
            if (escaped) {
                escaped = false;
                if (c == kTfend)
                    byte = kFend;
                else if (c == kTfesc)
                    byte = kFesc;
                else
                    broken = true;
            } else if (c == kFesc) {
                escaped = true;
                continue;
            }
            if (frame.size() > kMaxFrame) broken = true;
            if (!broken) frame += byte;
        }
    }

    void write(const Bytes& bytes) {
        if (dead()) return;
        out += bytes;
        flush();
        if (out.size() > kMaxPendingOut) drop();
    }
    void flush() {
        while (!dead() && !out.empty()) {
            const ssize_t n = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                out.erase(0, static_cast<std::size_t>(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                drop();
            }
        }
    }

    int fd;
    Bytes frame;
    bool inFrame = false, escaped = false, broken = false;
    Bytes out;
};

KissServer::KissServer(Sim& sim, KissFaults faults) : sim_(sim), faults_(faults), rng_(faults.seed) {}

KissServer::~KissServer() {
    closeAll();
}

bool KissServer::listen(int port, std::string& error) {
    listenFd_ = listenOnLoopback(port, "KISS", error, port_);
    return listenFd_ >= 0;
}

void KissServer::addPollFds(std::vector<pollfd>& fds) const {
    if (listenFd_ >= 0) fds.push_back(pollfd{listenFd_, POLLIN, 0});
    for (const auto& client : clients_)
        fds.push_back(
            pollfd{client->fd, static_cast<short>(POLLIN | (client->out.empty() ? 0 : POLLOUT)), 0});
}

void KissServer::handle(const pollfd* fds, std::size_t count) {
    if (listenFd_ < 0 || count == 0) return;
    // The clients polled, in the order of `fds`; then the new ones first, so that a client that
    // was there before a frame was read hears it.
    const std::vector<std::shared_ptr<Client>> polled = clients_;
    acceptWaiting();
    for (std::size_t i = 1; i < count && i - 1 < polled.size(); ++i) {
        Client& client = *polled[i - 1];
        if (client.dead()) continue;
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
            if (n > 0)
                client.feed(buffer, static_cast<std::size_t>(n),
                            [&](const Bytes& frame) { heard(client, frame); });
            else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                client.drop();
        }
        if ((fds[i].revents & POLLOUT) && !client.dead()) client.flush();
    }
    std::erase_if(clients_, [](const auto& client) { return client->dead(); });
}

void KissServer::heard(const Client& from, const Bytes& frame) {
    toClients(&from, frame);
    if (const std::optional<Frame> ui = uiFrame(frame)) sim_.transmit(*ui, this);
}

void KissServer::monitor(const Frame& frame) {
    Bytes ax25 = address(frame.dest, true, false) + address(frame.source, false, frame.digis.empty());
    for (std::size_t i = 0; i < frame.digis.size(); ++i)
        ax25 += address(frame.digis[i], true, i + 1 == frame.digis.size()); // heard as repeated
    toClients(nullptr, ax25 + "\x03\xF0" + frame.text);
}

// Whatever poll said: a client that connected before a frame was sent hears it.
void KissServer::acceptWaiting() {
    while (listenFd_ >= 0) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        clients_.push_back(std::make_shared<Client>(fd));
    }
}

// Each other client hears the frame on its own, so each may lose, double or wait for it alone.
void KissServer::toClients(const Client* from, const Bytes& frame) {
    acceptWaiting();
    const Bytes wire = encode(frame);
    const auto chance = [this](int percent) {
        return percent > 0 && static_cast<int>(rng_() % 100) < percent;
    };
    for (const auto& client : clients_) {
        if (client.get() == from || client->dead()) continue;
        if (chance(faults_.lossPercent)) continue;
        const int copies = chance(faults_.duplicatePercent) ? 2 : 1;
        const int delay = chance(faults_.delayPercent) ? faults_.delayMs : 0;
        std::weak_ptr<Client> to = client;
        for (int i = 0; i < copies; ++i) {
            if (delay == 0) {
                client->write(wire);
                continue;
            }
            sim_.loop().after(delay, [to, wire] {
                if (const auto c = to.lock()) c->write(wire);
            });
        }
    }
}

void KissServer::closeAll() {
    for (const auto& client : clients_)
        client->drop();
    clients_.clear();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

} // namespace tncsim
