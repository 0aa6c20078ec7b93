#include "SimHarness.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace tncsimtest {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

pid_t spawn(const std::vector<std::string>& args, int& stdoutFd) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::string program = TNCSIM_PATH;
        std::vector<std::string> copies(args);
        std::vector<char*> argv{program.data()};
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    stdoutFd = pipeFds[0];
    return pid;
}

// Waits for the child to end; kills it if it will not.
int reap(pid_t pid, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0) return -1;
        if (msLeft(deadline) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::poll(nullptr, 0, 10);
    }
}

char unhex(char c) {
    return static_cast<char>(c <= '9' ? c - '0' : c - 'a' + 10);
}

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(unhex(text[i + 1]) * 16 + unhex(text[i + 2]));
            i += 2;
        } else
            out += c;
    }
    return out;
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tncsim-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    pid_ = spawn(args, out_);
    if (pid_ < 0) return;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string text;
    while (text.find('\n') == std::string::npos) {
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) <= 0) return;
        char buffer[256];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    // "tncsim ready", then " agw 127.0.0.1:PORT" and " kiss 127.0.0.1:PORT" for the servers asked for.
    const auto portAfter = [&text](const std::string& prefix) {
        const std::size_t at = text.find(prefix);
        return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + prefix.size());
    };
    agwPort_ = portAfter(" agw 127.0.0.1:");
    kissPort_ = portAfter(" kiss 127.0.0.1:");
    ready_ = text.starts_with("tncsim ready") && (agwPort_ > 0 || text.find(" agw ") == std::string::npos) &&
             (kissPort_ > 0 || text.find(" kiss ") == std::string::npos);
}

SimProcess::~SimProcess() {
    stop(SIGTERM);
}

int SimProcess::stop(int signal) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signal);
    const int code = reap(pid_, 5000);
    pid_ = -1;
    if (out_ >= 0) ::close(out_);
    out_ = -1;
    return code;
}

int runToExit(const std::vector<std::string>& args, std::string& output) {
    int fd = -1;
    const pid_t pid = spawn(args, fd);
    if (pid < 0) return -1;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) <= 0) break;
        char buffer[1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reap(pid, 5000);
}

Port::Port(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    ::tcgetattr(fd_, &tio);
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::tcsetattr(fd_, TCSANOW, &tio);
}

Port::~Port() {
    close();
}

void Port::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

void Port::send(std::string_view bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

bool Port::fill(int timeoutMs) {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
    return true;
}

std::string Port::take(std::size_t count, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending_.size() < count && fill(msLeft(deadline))) {
    }
    const std::string out = pending_.substr(0, count);
    pending_.erase(0, out.size());
    return out;
}

std::string Port::until(std::string_view needle, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending_.find(needle) == std::string::npos && fill(msLeft(deadline))) {
    }
    const std::size_t at = pending_.find(needle);
    const std::size_t end = at == std::string::npos ? pending_.size() : at + needle.size();
    const std::string out = pending_.substr(0, end);
    pending_.erase(0, end);
    return out;
}

int connectLoopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

AgwClient::AgwClient(int port) : fd_(connectLoopback(port)) {}

AgwClient::~AgwClient() {
    if (fd_ >= 0) ::close(fd_);
}

void AgwClient::send(const AgwFrame& frame) {
    std::string out(36, '\0');
    out[0] = static_cast<char>(frame.port);
    out[4] = frame.kind;
    out[6] = static_cast<char>(frame.pid);
    frame.from.copy(out.data() + 8, std::min<std::size_t>(frame.from.size(), 10));
    frame.to.copy(out.data() + 18, std::min<std::size_t>(frame.to.size(), 10));
    for (int i = 0; i < 4; ++i)
        out[28 + i] = static_cast<char>((frame.data.size() >> (8 * i)) & 0xFF);
    sendRaw(out + frame.data);
}

void AgwClient::sendRaw(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

AgwFrame AgwClient::next(std::string_view skip, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pending_.size() >= 36) {
            const auto* head = reinterpret_cast<const unsigned char*>(pending_.data());
            const std::size_t len = head[28] | head[29] << 8 | head[30] << 16 | std::size_t(head[31]) << 24;
            if (pending_.size() >= 36 + len) {
                const auto field = [&](std::size_t at) {
                    const std::string raw = pending_.substr(at, 10);
                    return raw.substr(0, raw.find('\0'));
                };
                AgwFrame frame{static_cast<char>(head[4]), field(8), field(18),
                               pending_.substr(36, len),   head[0],  head[6]};
                pending_.erase(0, 36 + len);
                if (skip.find(frame.kind) == std::string_view::npos) return frame;
                continue;
            }
        }
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || ::poll(&p, 1, msLeft(deadline)) <= 0) return {};
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return AgwFrame{'-', {}, {}, {}, 0, 0};
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::vector<std::string> logged(const std::string& logFile, std::string_view prefix) {
    std::vector<std::string> out;
    std::istringstream lines(readFile(logFile));
    std::string line;
    while (std::getline(lines, line))
        if (line.starts_with(prefix)) out.push_back(unescape(std::string_view(line).substr(prefix.size())));
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tncsimtest
