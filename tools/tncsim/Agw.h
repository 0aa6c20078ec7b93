// AGW packet engine clients on the shared channel: a program that speaks to a sound-card modem
// over TCP gets the same air as the pty stations, so it can be tested with no sound hardware.
#pragma once

#include "Sim.h"

#include <poll.h>

namespace tncsim {

class AgwClient;

// One AGW header as it travels: 36 bytes, little-endian, then `data`.
struct AgwFrame {
    unsigned char port = 0;
    char kind = 0;
    unsigned char pid = 0xF0;
    std::string from;
    std::string to;
    Bytes data;
};

class AgwServer {
public:
    explicit AgwServer(Sim& sim) : sim_(sim) {}
    ~AgwServer();
    AgwServer(const AgwServer&) = delete;
    AgwServer& operator=(const AgwServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free one).
    bool listen(int port, std::string& error);
    int port() const { return port_; }

    // Appends what to poll; handle() gets the same entries back after poll().
    void addPollFds(std::vector<pollfd>& fds) const;
    void handle(const pollfd* fds, std::size_t count);

    // A connect to a call some client registered.
    Offer offer(const std::string& call, const Endpoint* caller);
    bool isRegistered(const std::string& call) const;
    void monitor(const Frame& frame, const void* sender);
    void closeAll();

private:
    friend class AgwClient;
    bool callTaken(const std::string& call) const;

    Sim& sim_;
    int listenFd_ = -1;
    int port_ = 0;
    std::vector<std::shared_ptr<AgwClient>> clients_;
};

} // namespace tncsim
