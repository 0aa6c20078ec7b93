// One simulated TNC, talking text command mode to a program on a pseudo-terminal.
#pragma once

#include "Sim.h"

#include <deque>
#include <random>

namespace tncsim {

class Station : public Endpoint, public std::enable_shared_from_this<Station> {
public:
    Station(Sim& sim, StationDef def, unsigned index);
    ~Station() override;

    bool open(std::string& error);
    void removeLink();

    const std::string& call() const { return call_; }
    int fd() const { return master_; }

    // Pty side, driven by the channel's poll loop.
    bool hungUp();
    bool wantsWrite(TimePoint now) const;
    std::optional<TimePoint> nextDue() const;
    void onReadable();
    void onWritable();

    void monitor(const Frame& frame);
    // A link's frame between other stations: its header line and the text it carries.
    void monitorLinkFrame(const std::string& header, const Bytes& text);
    Offer offer();

    void linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) override;
    void linkData(Link& link, const Bytes& data) override;
    void linkClosed(Link& link) override;

private:
    enum class Mode { Command, Converse };

    struct Piece {
        Bytes data;
        TimePoint due;
    };

    void typed(unsigned char c);
    void commandByte(unsigned char c);
    void converseByte(unsigned char c);
    void linkByte(unsigned char c);
    void commandMode();
    void execute(const std::string& entered);
    void doConnect(const std::string& rest);
    void connectDone(ConnectResult result, const std::shared_ptr<Link>& link, const std::string& target);
    void doDisconnect();
    void doUnproto(const std::string& rest);
    void doFlag(const char* name, bool& flag, const std::string& rest);
    void unknownCommand();
    void sendUi(const Bytes& text);
    void flushPacket();
    void dropLink();

    void emit(Bytes data);
    void line(const std::string& text);
    void status(const std::string& text);
    void prompt();
    void echo(unsigned char c);
    std::string formatFrame(const Frame& frame) const;

    Sim& sim_;
    StationDef def_;
    std::string call_;
    std::string logName_;
    std::string linkPath_;
    int master_ = -1;
    bool hup_ = true;

    Mode mode_ = Mode::Command;
    std::string cmdLine_;
    Bytes uiLine_;
    Bytes packet_;
    std::uint64_t pactimeTimer_ = 0;
    std::string unproto_;
    std::optional<std::string> unprotoAnswer_;
    bool unprotoStub_ = false;
    bool echo_ = false;
    bool monitor_ = true;

    std::shared_ptr<Link> link_;
    std::string peer_;
    std::shared_ptr<ConnectAttempt> connecting_;

    std::deque<Piece> out_;
    TimePoint lastDue_{};
    std::mt19937 chunkRng_;
};

} // namespace tncsim
