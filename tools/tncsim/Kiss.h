// KISS clients on the shared channel: every AX.25 frame a client sends goes, raw, to every other
// client, as a modem's KISS port hands on what it hears. The simulator runs no link layer here;
// the clients do, so links are between KISS clients only. Unconnected (UI) frames also reach the
// pty stations, scripted stations and AGW clients, and theirs reach the KISS clients. A share of
// frames can be lost, doubled or held back, so that the clients' retries, REJ and T1 are
// exercised with no radio.
#pragma once

#include "Sim.h"

#include <poll.h>

namespace tncsim {

struct KissFaults {
    int lossPercent = 0;
    int duplicatePercent = 0;
    int delayPercent = 0; // held back delayMs, so later frames may overtake them
    int delayMs = 0;
    std::uint32_t seed = 1;
};

class KissServer {
public:
    KissServer(Sim& sim, KissFaults faults);
    ~KissServer();
    KissServer(const KissServer&) = delete;
    KissServer& operator=(const KissServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free one).
    bool listen(int port, std::string& error);
    int port() const { return port_; }

    // Appends what to poll; handle() gets the same entries back after poll().
    void addPollFds(std::vector<pollfd>& fds) const;
    void handle(const pollfd* fds, std::size_t count);
    // An unconnected frame from elsewhere on the channel, heard by every KISS client.
    void monitor(const Frame& frame);
    void closeAll();

    struct Client;

private:
    void heard(const Client& from, const Bytes& frame);
    void toClients(const Client* from, const Bytes& frame);
    void acceptWaiting();

    Sim& sim_;
    KissFaults faults_;
    std::mt19937 rng_;
    int listenFd_ = -1;
    int port_ = 0;
    std::vector<std::shared_ptr<Client>> clients_;
};

} // namespace tncsim
