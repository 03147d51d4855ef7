// A pseudo-terminal standing in for a serial device: the program opens the
// slave by path, the test plays the receiver on the master.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qv::testing {

class Pty {
public:
    Pty() {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        // Both ends raw before any byte moves, or the line discipline rewrites them.
        termios t{};
        for (int fd : {master_, slave}) {
            ::tcgetattr(fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
        ::tcflush(slave, TCIOFLUSH);
        path_ = ::ttyname(slave);
        ::close(slave);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& SlavePath() const { return path_; }
    int Master() const { return master_; }
    // The receiver goes away: the slave hangs up.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    // Writes everything (the master's queue takes about 20 KB unread).
    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;
        }
        return true;
    }

    // What the program wrote, until want bytes arrived or the time is up.
    std::string Receive(std::size_t want, std::chrono::milliseconds timeout) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < want) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int master_ = -1;
    std::string path_;
};

// Open descriptors of this process, to catch leaks.
inline int OpenFdCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

// Threads of this process, to catch workers that never ended.
inline int ThreadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

inline double ProcessCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The output speed of a terminal as termios2 reports it (the exact number,
// also for rates without a B-constant).
std::uint32_t Termios2OutputSpeed(int fd);

}  // namespace qv::testing
