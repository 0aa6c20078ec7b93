#include "TerminationSignals.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tolvex {

namespace {
// The one thing a signal handler may touch: the write end of the socket pair.
int g_signalFds[2] = {-1, -1};

void handleSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}
} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) return;
    notifier_ = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction sa {};
    sa.sa_handler = handleSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_DFL);
    for (int& fd : g_signalFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::readSignal() {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(g_signalFds[1], &byte, 1);
    if (onSignal_) onSignal_();
}

} // namespace tolvex
