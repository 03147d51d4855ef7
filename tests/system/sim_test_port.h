// The program's side of a simulated receiver's line, for tests: the device
// opened raw and non-blocking at a chosen rate, with reads that wait on a
// condition up to a time limit.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::simtest {

// Any rate, through termios2 (sim_test_rate2.cpp).
bool SetAnyRate(int fd, std::uint32_t baud);

inline speed_t SpeedConstant(std::uint32_t baud) {
    switch (baud) {
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: return B0;
    }
}

class TestPort {
public:
    TestPort(const std::string& path, std::uint32_t baud) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) SetBaud(baud);
    }
    ~TestPort() { Close(); }
    TestPort(const TestPort&) = delete;
    TestPort& operator=(const TestPort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool SetBaud(std::uint32_t baud) {
        termios t{};
        if (tcgetattr(fd_, &t) != 0) return false;
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        const speed_t constant = SpeedConstant(baud);
        cfsetspeed(&t, constant == B0 ? B9600 : constant);
        return tcsetattr(fd_, TCSANOW, &t) == 0 && (constant != B0 || SetAnyRate(fd_, baud));
    }
    void Purge() { tcflush(fd_, TCIOFLUSH); }
    bool Write(std::string_view bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads into the returned text until done(text) holds or the time is up.
    // A read error (the line went dead) ends the wait; Dead() tells.
    std::string ReadUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds limit) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done(got)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                dead_ = true;
                break;
            }
        }
        return got;
    }
    std::string ReadFor(std::chrono::milliseconds d) {
        return ReadUntil([](const std::string&) { return false; }, d);
    }
    bool Dead() const { return dead_; }

private:
    int fd_ = -1;
    bool dead_ = false;
};

// The complete lines of a text, each with its CR LF, from the first "$" on.
inline std::vector<std::string> Sentences(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = text.find('$');
    while (pos != std::string::npos) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) break;
        out.push_back(text.substr(pos, end + 2 - pos));
        pos = text.find('$', end);
    }
    return out;
}

}  // namespace qv::simtest
