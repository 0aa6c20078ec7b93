#include "Station.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tncsim {

namespace {

constexpr char kCommandChar = 3;                // Ctrl-C
constexpr std::size_t kPaclen = 256;            // longest packet or command line
constexpr int kPactimeMs = 1000;                // a part line typed on a link goes out after this pause
constexpr int kChunkGapMs = 4;                  // gap between chunks when --chunks has no --delay
constexpr std::size_t kKeepWhileClosed = 16384; // output kept while no program has the pty open

bool setRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    tio.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    tio.c_cflag |= CS8;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

Station::Station(Sim& sim, StationDef def, unsigned index)
    : sim_(sim), def_(std::move(def)), call_(toUpper(def_.call)), logName_(call_), echo_(sim.options().echo) {
    std::seed_seq seed{sim.options().chunkSeed.value_or(0u), index};
    chunkRng_.seed(seed);

    const std::string& answer = sim.options().unprotoAnswer;
    if (toLower(answer) == "none") {
        unprotoStub_ = true;
        unproto_ = "CQ";
    } else if (toUpper(answer).starts_with("UNPROTO")) {
        unprotoAnswer_ = answer;
        unproto_ = afterFirstWord(answer);
    } else {
        unproto_ = trimmed(answer);
    }
    if (unproto_.empty()) unproto_ = "CQ";
}

Station::~Station() {
    removeLink();
    if (master_ >= 0) ::close(master_);
}

bool Station::open(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = "cannot create a pseudo-terminal";
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    const char* slaveName = ::ptsname(master_);
    if (!slaveName) {
        error = "cannot name the pseudo-terminal";
        return false;
    }
    const std::string slave = slaveName;

    // Raw mode is set once here and survives the program closing and reopening the device.
    // Closing our own descriptor leaves the master hung up until the program opens it.
    const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || !setRaw(fd)) {
        if (fd >= 0) ::close(fd);
        error = "cannot set raw mode on " + slave;
        return false;
    }
    ::close(fd);

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path ports = fs::path(def_.dir) / "Ports";
    fs::create_directories(ports, ec);
    const fs::path link = ports / "COM1";
    fs::remove(link, ec);
    fs::create_symlink(slave, link, ec);
    if (ec) {
        error = "cannot link " + link.string() + ": " + ec.message();
        return false;
    }
    linkPath_ = link.string();
    return true;
}

void Station::removeLink() {
    if (linkPath_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(linkPath_, ec);
    linkPath_.clear();
}

// ---- pty side

bool Station::hungUp() {
    if (!hup_) return false;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLHUP)) return true;
    hup_ = false;
    return false;
}

bool Station::wantsWrite(TimePoint now) const {
    return !out_.empty() && out_.front().due <= now;
}

std::optional<TimePoint> Station::nextDue() const {
    if (out_.empty()) return std::nullopt;
    return out_.front().due;
}

void Station::onReadable() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            sim_.log(logName_, '<', bytes);
            for (char c : bytes)
                typed(static_cast<unsigned char>(c));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        // EIO: the program closed the device. The TNC keeps its state, and what it prints
        // meanwhile waits (bounded) for the next program to open the device.
        hup_ = true;
        return;
    }
}

void Station::onWritable() {
    if (out_.empty()) return;
    Bytes data = out_.front().data;
    std::size_t pieces = 1;
    if (!sim_.options().chunkSeed) {
        const TimePoint now = Clock::now();
        while (pieces < out_.size() && out_[pieces].due <= now)
            data += out_[pieces++].data;
    }
    const ssize_t n = ::write(master_, data.data(), data.size());
    if (n < 0) return;
    auto written = static_cast<std::size_t>(n);
    sim_.log(logName_, '>', std::string_view(data.data(), written));
    while (written > 0) {
        Piece& head = out_.front();
        if (head.data.size() <= written) {
            written -= head.data.size();
            out_.pop_front();
        } else {
            head.data.erase(0, written);
            written = 0;
        }
    }
}

// Everything the TNC sends to the program goes through here, so --chunks and --delay cut and
// hold it but never reorder it.
void Station::emit(Bytes data) {
    if (data.empty()) return;
    if (hup_) {
        std::size_t queued = data.size();
        for (const Piece& piece : out_)
            queued += piece.data.size();
        while (!out_.empty() && queued > kKeepWhileClosed) {
            queued -= out_.front().data.size();
            out_.pop_front();
        }
    }
    const TimePoint now = Clock::now();
    const Options& options = sim_.options();
    if (!options.chunkSeed) {
        const TimePoint due =
            std::max(now + std::chrono::milliseconds(sim_.jitter(options.delayMs)), lastDue_);
        out_.push_back(Piece{std::move(data), due});
        lastDue_ = due;
        return;
    }
    const int gapMax = options.delayMs > 0 ? options.delayMs : kChunkGapMs;
    std::uniform_int_distribution<std::size_t> size(1, 64);
    std::uniform_int_distribution<int> gap(1, gapMax);
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t n = std::min(size(chunkRng_), data.size() - pos);
        const TimePoint due = std::max(now, lastDue_) + std::chrono::milliseconds(gap(chunkRng_));
        out_.push_back(Piece{data.substr(pos, n), due});
        lastDue_ = due;
        pos += n;
    }
}

void Station::line(const std::string& text) {
    emit(text + sim_.eol());
}

// Asynchronous status lines. The emulator dialect starts them on a fresh line.
void Station::status(const std::string& text) {
    if (sim_.options().dialect == Dialect::Emulator)
        emit(sim_.eol() + text + sim_.eol());
    else
        line(text);
}

void Station::prompt() {
    emit("cmd:");
}

void Station::echo(unsigned char c) {
    if (!echo_) return;
    if (c == '\r')
        emit(sim_.eol());
    else
        emit(Bytes(1, static_cast<char>(c)));
}

// ---- typing

void Station::typed(unsigned char c) {
    if (c == kCommandChar) {
        commandMode();
        return;
    }
    if (mode_ == Mode::Command)
        commandByte(c);
    else if (link_)
        linkByte(c);
    else
        converseByte(c);
}

void Station::commandMode() {
    if (mode_ == Mode::Converse) {
        if (link_)
            flushPacket();
        else if (!uiLine_.empty())
            sendUi(uiLine_);
        uiLine_.clear();
        mode_ = Mode::Command;
    }
    cmdLine_.clear();
    prompt();
}

void Station::commandByte(unsigned char c) {
    if (c == '\n') return;
    if (c == '\r') {
        echo(c);
        const std::string entered = std::move(cmdLine_);
        cmdLine_.clear();
        execute(entered);
        return;
    }
    if (c == 8 || c == 127) {
        if (!cmdLine_.empty()) {
            cmdLine_.pop_back();
            if (echo_) emit("\b \b");
        }
        return;
    }
    if (cmdLine_.size() < kPaclen) {
        cmdLine_ += static_cast<char>(c);
        echo(c);
    }
}

void Station::converseByte(unsigned char c) {
    if (c == '\n') return;
    echo(c);
    if (c == '\r') {
        if (!uiLine_.empty()) sendUi(uiLine_);
        uiLine_.clear();
        return;
    }
    uiLine_ += static_cast<char>(c);
    if (uiLine_.size() >= kPaclen) {
        sendUi(uiLine_);
        uiLine_.clear();
    }
}

void Station::linkByte(unsigned char c) {
    echo(c);
    packet_ += static_cast<char>(c);
    if (c == '\r' || packet_.size() >= kPaclen) {
        flushPacket();
        return;
    }
    sim_.loop().cancel(pactimeTimer_);
    std::weak_ptr<Station> weak = weak_from_this();
    pactimeTimer_ = sim_.loop().after(kPactimeMs, [weak] {
        if (auto self = weak.lock()) self->flushPacket();
    });
}

void Station::flushPacket() {
    sim_.loop().cancel(pactimeTimer_);
    pactimeTimer_ = 0;
    if (link_ && !packet_.empty()) link_->send(this, packet_);
    packet_.clear();
}

void Station::sendUi(const Bytes& text) {
    Frame frame = framePath(unproto_);
    frame.source = call_;
    frame.text = text;
    sim_.transmit(frame, this);
}

// ---- commands

void Station::execute(const std::string& entered) {
    const std::vector<std::string> parts = words(entered);
    if (parts.empty()) {
        prompt();
        return;
    }
    const std::string word = toUpper(parts[0]);
    const std::string rest = afterFirstWord(entered);

    if (word == "K" || abbreviates(word, "CONVERSE", 4)) {
        mode_ = Mode::Converse;
        uiLine_.clear();
        packet_.clear();
    } else if (abbreviates(word, "CONNECT", 1)) {
        doConnect(rest);
    } else if (abbreviates(word, "DISCONNECT", 1)) {
        doDisconnect();
    } else if (abbreviates(word, "UNPROTO", 1)) {
        doUnproto(rest);
    } else if (abbreviates(word, "MYCALL", 2)) {
        if (rest.empty()) {
            line("MYCALL " + call_);
        } else {
            line("MYCALL was " + call_);
            call_ = toUpper(words(rest)[0]);
        }
        prompt();
    } else if (abbreviates(word, "ECHO", 1)) {
        doFlag("ECHO", echo_, rest);
    } else if (abbreviates(word, "MONITOR", 1)) {
        doFlag("MONITOR", monitor_, rest);
    } else {
        unknownCommand();
    }
}

void Station::doFlag(const char* name, bool& flag, const std::string& rest) {
    const std::string value = toUpper(rest);
    if (value.empty()) {
        line(std::string(name) + (flag ? " ON" : " OFF"));
    } else if (value == "ON" || value == "OFF") {
        line(std::string(name) + " was " + (flag ? "ON" : "OFF"));
        flag = value == "ON";
    } else {
        unknownCommand();
        return;
    }
    prompt();
}

void Station::unknownCommand() {
    switch (sim_.options().dialect) {
    case Dialect::Tapr:
        line("EH?");
        break;
    case Dialect::Kantronics:
        // Kantronics marks the bad character under the command line.
        line("    $");
        line("EH?");
        break;
    case Dialect::Aea:
        line("?EH");
        break;
    case Dialect::Emulator:
        line("Eh?");
        break;
    }
    prompt();
}

void Station::doUnproto(const std::string& rest) {
    if (!rest.empty()) {
        unproto_ = rest;
        unprotoAnswer_.reset();
    } else if (!unprotoStub_) {
        line(unprotoAnswer_ ? *unprotoAnswer_ : "UNPROTO " + unproto_);
    }
    prompt();
}

void Station::doConnect(const std::string& rest) {
    const std::vector<std::string> parts = words(rest);
    if (parts.empty() || link_ || connecting_) {
        if (link_)
            line("Link state is: CONNECTED to " + peer_);
        else if (connecting_)
            line("Link state is: CONNECT in progress");
        else
            line("Link state is: DISCONNECTED");
        prompt();
        return;
    }
    const std::string target = toUpper(parts[0]);
    std::weak_ptr<Station> weak = weak_from_this();
    connecting_ = sim_.connect(shared_from_this(), call_, target,
                               [weak, target](ConnectResult result, std::shared_ptr<Link> link) {
                                   if (auto self = weak.lock()) self->connectDone(result, link, target);
                               });
}

void Station::connectDone(ConnectResult result, const std::shared_ptr<Link>& link,
                          const std::string& target) {
    connecting_.reset();
    const Dialect dialect = sim_.options().dialect;
    switch (result) {
    case ConnectResult::Connected:
        link_ = link;
        peer_ = target;
        mode_ = Mode::Converse;
        cmdLine_.clear();
        packet_.clear();
        status((dialect == Dialect::Aea ? "*** CONNECTED to: " : "*** CONNECTED to ") + target);
        return;
    case ConnectResult::Busy:
        status("*** " + target + " busy");
        break;
    case ConnectResult::NoAnswer:
        status(dialect == Dialect::Aea ? "*** RETRY COUNT EXCEEDED" : "*** retry count exceeded");
        break;
    }
    peer_ = target;
    status(sim_.options().dialect == Dialect::Aea ? "*** DISCONNECTED: " + target : "*** DISCONNECTED");
    prompt();
}

void Station::doDisconnect() {
    if (connecting_) {
        connecting_->cancelled = true;
        connecting_.reset();
    } else if (link_) {
        link_->close(this);
    } else {
        prompt();
        return;
    }
    dropLink();
}

// The link is gone, by either end: back to command mode with the TNC's texts.
void Station::dropLink() {
    sim_.loop().cancel(pactimeTimer_);
    pactimeTimer_ = 0;
    link_.reset();
    packet_.clear();
    mode_ = Mode::Command;
    status(sim_.options().dialect == Dialect::Aea ? "*** DISCONNECTED: " + peer_ : "*** DISCONNECTED");
    prompt();
    if (sim_.options().dialect == Dialect::Emulator) prompt();
}

// ---- the air

Offer Station::offer() {
    if (link_ || connecting_) return {ConnectResult::Busy, nullptr};
    return {ConnectResult::Connected, shared_from_this()};
}

void Station::linkUp(const std::shared_ptr<Link>& link, const std::string& peerCall) {
    link_ = link;
    peer_ = peerCall;
    mode_ = Mode::Converse;
    cmdLine_.clear();
    uiLine_.clear();
    packet_.clear();
    status((sim_.options().dialect == Dialect::Aea ? "*** CONNECTED to: " : "*** CONNECTED to ") + peerCall);
}

void Station::linkData(Link& link, const Bytes& data) {
    if (&link == link_.get()) emit(data);
}

void Station::linkClosed(Link& link) {
    if (&link == link_.get()) dropLink();
}

// Monitored frames are shown while no link is up, like a TNC with MCON off.
void Station::monitor(const Frame& frame) {
    if (monitor_ && !link_) emit(formatFrame(frame));
}

void Station::monitorLinkFrame(const std::string& header, const Bytes& text) {
    if (!monitor_ || link_) return;
    Bytes shown = header + sim_.eol() + text;
    if (!text.empty() && text.back() != '\r' && text.back() != '\n') shown += sim_.eol();
    emit(std::move(shown));
}

std::string Station::formatFrame(const Frame& frame) const {
    std::string header = frame.source + ">" + frame.dest;
    for (std::size_t i = 0; i < frame.digis.size(); ++i)
        header += "," + frame.digis[i] + (i + 1 == frame.digis.size() ? "*" : "");
    const std::string& eol = sim_.eol();
    std::string text = frame.text;
    if (text.empty() || (text.back() != '\r' && text.back() != '\n')) text += eol;
    switch (sim_.options().monitor) {
    case MonitorStyle::Kantronics:
        return header + ": <UI>:" + eol + text;
    case MonitorStyle::Tnc2:
        return header + ":" + text;
    case MonitorStyle::Aea:
        return header + " <UI R>:" + eol + text;
    case MonitorStyle::Software:
        return "[0] " + header + ":" + text;
    case MonitorStyle::Bpq:
        return header + " Port=1 <UI C>:" + eol + text;
    }
    return header + ":" + text;
}

} // namespace tncsim
