// Runs the real tncsim binary and talks to its pseudo-terminals the way Tolvex does.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tncsimtest {

// A fresh directory under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

class SimProcess {
public:
    // Starts tncsim with `args` and waits (up to a few seconds) for "tncsim ready".
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    // The port from "tncsim ready agw 127.0.0.1:PORT", 0 without --agw.
    int agwPort() const { return agwPort_; }
    // The port after " kiss 127.0.0.1:", 0 without --kiss.
    int kissPort() const { return kissPort_; }
    // Sends `signal` and waits for the exit; the exit code, or -1 if it died otherwise.
    int stop(int signal);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ready_ = false;
    int agwPort_ = 0;
    int kissPort_ = 0;
};

// Runs tncsim to completion (for --help and bad command lines): exit code and stdout.
int runToExit(const std::vector<std::string>& args, std::string& output);

class Port {
public:
    // Opens the device as a serial terminal program would: read/write, raw mode.
    explicit Port(const std::string& path);
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void close();
    void send(std::string_view bytes);
    // The next `count` bytes, or fewer if they do not arrive within the time-out.
    std::string take(std::size_t count, int timeoutMs = 4000);
    // Everything up to and including `needle`, or everything read if it never comes.
    std::string until(std::string_view needle, int timeoutMs = 4000);

private:
    bool fill(int timeoutMs);

    int fd_ = -1;
    std::string pending_;
};

// An AGW packet engine frame: the 36-byte header's fields and the data.
struct AgwFrame {
    char kind = 0;
    std::string from;
    std::string to;
    std::string data;
    unsigned char port = 0;
    unsigned char pid = 0;
};

// A TCP client of tncsim's AGW server on 127.0.0.1.
// A TCP connection to 127.0.0.1:port (blocking); -1 when nothing listens there.
int connectLoopback(int port);

class AgwClient {
public:
    explicit AgwClient(int port);
    ~AgwClient();
    AgwClient(const AgwClient&) = delete;
    AgwClient& operator=(const AgwClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void send(const AgwFrame& frame);
    void sendRaw(std::string_view bytes);
    // The next frame, skipping kinds in `skip`; kind 0 on time-out, kind '-' when the server
    // closed the connection.
    AgwFrame next(std::string_view skip = "", int timeoutMs = 4000);

private:
    int fd_ = -1;
    std::string pending_;
};

// Lines of a --log file whose prefix is `prefix` ("N0AAA> "), unescaped and in order.
std::vector<std::string> logged(const std::string& logFile, std::string_view prefix);

std::string readFile(const std::string& path);

} // namespace tncsimtest
