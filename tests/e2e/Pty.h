#pragma once
// A pseudo-terminal held by a test: the program under test opens the slave through a link.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace tolvex::test {

class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = QString::fromLocal8Bit(ptsname(master_));
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    ~Pty() {
        if (master_ >= 0) close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && !slave_.isEmpty(); }
    const QString& slave() const { return slave_; }

    struct Chunk {
        qint64 at; // ms since the pty was made
        QByteArray bytes;
    };

    // Reads what arrives within ms milliseconds; stops early once `until` has been seen.
    std::vector<Chunk> read(int ms, const QByteArray& until = {}) {
        std::vector<Chunk> out;
        QByteArray all;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            pollfd p{master_, POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>(qMax<qint64>(1, ms - t.elapsed())));
            if (r <= 0) continue;
            if (!(p.revents & POLLIN)) { // nobody holds the slave side (yet, or any more)
                poll(nullptr, 0, 10);
                continue;
            }
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.push_back({clock_.elapsed(), QByteArray(buf, n)});
            all += QByteArray(buf, n);
            if (!until.isEmpty() && all.contains(until)) break;
        }
        return out;
    }
    // What has arrived, without waiting, for a test whose program runs in its own event loop;
    // `hungUp` tells whether the slave side has been let go (or never taken).
    QByteArray readNow(bool* hungUp = nullptr) {
        QByteArray got;
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0) break;
            if (!(p.revents & POLLIN)) {
                if (hungUp) *hungUp = true;
                return got;
            }
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) {
                if (hungUp) *hungUp = true;
                return got;
            }
            got += QByteArray(buf, n);
        }
        if (hungUp) *hungUp = false;
        return got;
    }
    void write(const QByteArray& bytes) { (void)::write(master_, bytes.constData(), bytes.size()); }
    qint64 now() const { return clock_.elapsed(); }
    // True when no process holds the slave side open any more.
    bool hungUp(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                if (!(p.revents & POLLIN)) return true;
                char buf[256];
                if (::read(master_, buf, sizeof buf) < 0) return true;
            }
        }
        return false;
    }

    static QByteArray joined(const std::vector<Chunk>& chunks) {
        QByteArray all;
        for (const auto& c : chunks)
            all += c.bytes;
        return all;
    }

private:
    int master_ = -1;
    QString slave_;
    QElapsedTimer clock_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

} // namespace tolvex::test
