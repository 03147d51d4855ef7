#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/SerialTermios2.h"

namespace qv::platform {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The B-constant of a rate, or 0 when the rate has none.
speed_t SpeedConstant(std::uint32_t baud) {
    static constexpr std::pair<std::uint32_t, speed_t> kRates[] = {
        {50, B50},          {75, B75},          {110, B110},        {134, B134},
        {150, B150},        {200, B200},        {300, B300},        {600, B600},
        {1200, B1200},      {1800, B1800},      {2400, B2400},      {4800, B4800},
        {9600, B9600},      {19200, B19200},    {38400, B38400},    {57600, B57600},
        {115200, B115200},  {230400, B230400},  {460800, B460800},  {500000, B500000},
        {576000, B576000},  {921600, B921600},  {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& [rate, constant] : kRates)
        if (rate == baud) return constant;
    return 0;
}

// Raw mode: bytes pass untouched in both directions, the line is local.
void MakeRaw(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

// One call in progress: while it lives the descriptor stays open, so a concurrent
// Close() can never make this call act on a number the system has reused.
struct SerialPort::Use {
    explicit Use(const SerialPort& port) : p(port) {
        std::lock_guard lock(p.mu_);
        ok = !p.closed_.load() && p.fd_ >= 0;
        if (!ok) return;
        ++p.users_;
        fd = p.fd_;
        wake = p.wakeRead_;
        readTimeoutMs = p.readTimeoutMs_;
        writeTimeoutMs = p.writeTimeoutMs_;
    }
    ~Use() {
        if (!ok) return;
        std::lock_guard lock(p.mu_);
        if (--p.users_ == 0) p.idle_.notify_all();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    explicit operator bool() const { return ok; }

    enum class Ready { Yes, TimedOut, Woken, Failed };
    // Waits for events on the device, a Close() or the caller's own wake-up
    // (`also`, -1 for none); a hung-up or failed device and a closed port both
    // count as failure, so callers never spin on them.
    Ready Wait(short events, int timeoutMs, int also = -1) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            pollfd fds[3] = {{fd, events, 0}, {wake, POLLIN, 0}, {also, POLLIN, 0}};
            const int r = ::poll(fds, also >= 0 ? 3 : 2, MsLeft(deadline));
            if (r < 0) {
                if (errno == EINTR) continue;
                return Ready::Failed;
            }
            if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
                return Ready::Failed;
            if (fds[0].revents & events) return Ready::Yes;
            if (also >= 0 && fds[2].revents != 0) return Ready::Woken;
            if (r == 0 || MsLeft(deadline) == 0) return Ready::TimedOut;
        }
    }

    const SerialPort& p;
    bool ok = false;
    int fd = -1, wake = -1;
    int readTimeoutMs = 0, writeTimeoutMs = 0;
};

SerialPort::SerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

SerialPort::~SerialPort() { Close(); }

std::shared_ptr<SerialPort> SerialPort::Open(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto fail = [&fd](int err) -> std::shared_ptr<SerialPort> {
        CloseFd(fd);
        errno = err;
        return nullptr;
    };
    // Exclusive: the kernel refuses other openers except root, so the
    // exclusive flag is checked by hand as well (it is cleared at Close()).
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0) return fail(errno);
    if (exclusive) return fail(EBUSY);
    if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
    termios t{};
    if (::tcgetattr(fd, &t) != 0 || (MakeRaw(t), ::tcsetattr(fd, TCSANOW, &t) != 0)) {
        const int err = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail(err);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int err = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail(err);
    }
    std::shared_ptr<SerialPort> port(new SerialPort(fd, path));
    port->wakeRead_ = wake[0];
    port->wakeWrite_ = wake[1];
    return port;
}

void SerialPort::Close() {
    std::unique_lock lock(mu_);
    if (!closed_.exchange(true) && wakeWrite_ >= 0) {
        // The pipe is never drained: every later wait returns at once.
        const char b = 1;
        const ssize_t r = ::write(wakeWrite_, &b, 1);
        (void)r;
    }
    idle_.wait(lock, [this] { return users_ == 0; });
    if (fd_ >= 0) {
        // Exclusivity belongs to the device, not to this descriptor: give it back
        // so the next open (ours or another program's) is not refused.
        ::ioctl(fd_, TIOCNXCL);
        CloseFd(fd_);
    }
    CloseFd(wakeRead_);
    CloseFd(wakeWrite_);
}

bool SerialPort::IsOpen() const { return !closed_.load(); }

bool SerialPort::SetTimeouts(int readTotalMs, int writeTotalMs) {
    if (readTotalMs < 0 || writeTotalMs < 0) return false;
    std::lock_guard lock(mu_);
    if (closed_.load()) return false;
    readTimeoutMs_ = readTotalMs;
    writeTimeoutMs_ = writeTotalMs;
    return true;
}

bool SerialPort::SetQueueSizes(int inputBytes, int outputBytes) {
    // The tty layer sizes its own buffers; the request is only checked.
    Use use(*this);
    return use && inputBytes > 0 && outputBytes > 0;
}

bool SerialPort::GetSettings(LineSettings& s) const {
    Use use(*this);
    if (!use) return false;
    termios t{};
    if (::tcgetattr(use.fd, &t) != 0) return false;
    std::uint32_t baud = 0;
    if (!termios2::GetSpeed(use.fd, baud)) return false;
    s.baud = baud;
    switch (t.c_cflag & CSIZE) {
        case CS5: s.dataBits = 5; break;
        case CS6: s.dataBits = 6; break;
        case CS7: s.dataBits = 7; break;
        default: s.dataBits = 8; break;
    }
    s.parity = (t.c_cflag & PARENB) != 0;
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    s.raw.resize(sizeof t);
    std::memcpy(s.raw.data(), &t, sizeof t);
    return true;
}

bool SerialPort::SetSettings(const LineSettings& s) {
    if (s.baud == 0 || s.dataBits < 5 || s.dataBits > 8 || (s.stopBits != 1 && s.stopBits != 2))
        return false;
    Use use(*this);
    if (!use) return false;
    termios t{};
    if (s.raw.size() == sizeof t)
        std::memcpy(&t, s.raw.data(), sizeof t);
    else if (::tcgetattr(use.fd, &t) != 0)
        return false;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= kSizes[s.dataBits - 5];
    if (s.parity) t.c_cflag |= PARENB;
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    const speed_t constant = SpeedConstant(s.baud);
    if (constant != 0) {
        if (::cfsetispeed(&t, constant) != 0 || ::cfsetospeed(&t, constant) != 0) return false;
        return ::tcsetattr(use.fd, TCSANOW, &t) == 0;
    }
    // No B-constant: everything else first, then the rate as a number.
    return ::tcsetattr(use.fd, TCSANOW, &t) == 0 && termios2::SetSpeed(use.fd, s.baud);
}

bool SerialPort::Purge() {
    Use use(*this);
    return use && ::tcflush(use.fd, TCIOFLUSH) == 0;
}

int SerialPort::QueuedInput() const {
    Use use(*this);
    if (!use) return -1;
    pollfd pfd{use.fd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) < 0 && errno != EINTR) return -1;
    if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) return -1;  // the device is gone
    int n = 0;
    if (::ioctl(use.fd, FIONREAD, &n) != 0) return -1;
    return n;
}

bool SerialPort::WaitReadable(int timeoutMs) const {
    Use use(*this);
    return use && use.Wait(POLLIN, timeoutMs < 0 ? 0 : timeoutMs) == Use::Ready::Yes;
}

SerialPort::Input SerialPort::WaitInput(int timeoutMs, int wake) const {
    Use use(*this);
    if (!use) return Input::Failed;
    switch (use.Wait(POLLIN, timeoutMs < 0 ? 0 : timeoutMs, wake)) {
        case Use::Ready::Yes: return Input::Readable;
        case Use::Ready::TimedOut: return Input::TimedOut;
        case Use::Ready::Woken: return Input::Woken;
        case Use::Ready::Failed: break;
    }
    return Input::Failed;
}

int SerialPort::Read(void* buf, std::size_t n) {
    Use use(*this);
    if (!use) return -1;
    if (n == 0) return 0;
    for (;;) {
        const ssize_t r = ::read(use.fd, buf, n);
        if (r > 0) return static_cast<int>(r);
        if (r == 0) return -1;  // end of file on a terminal: hung up
        if (errno == EINTR) continue;
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

int SerialPort::ReadTimed(void* buf, std::size_t n) {
    Use use(*this);
    if (!use) return -1;
    auto* p = static_cast<char*>(buf);
    const auto deadline = Clock::now() + std::chrono::milliseconds(use.readTimeoutMs);
    std::size_t done = 0;
    bool failed = false;
    while (done < n) {
        const ssize_t r = ::read(use.fd, p + done, n - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            failed = true;
            break;
        }
        const Use::Ready ready = use.Wait(POLLIN, MsLeft(deadline));
        if (ready == Use::Ready::Failed) failed = true;
        if (ready != Use::Ready::Yes) break;
    }
    if (done == 0 && failed) return -1;
    return static_cast<int>(done);
}

int SerialPort::Write(const void* buf, std::size_t n) {
    Use use(*this);
    if (!use) return -1;
    const auto* p = static_cast<const char*>(buf);
    const auto deadline = Clock::now() + std::chrono::milliseconds(use.writeTimeoutMs);
    std::size_t done = 0;
    bool failed = false;
    while (done < n) {
        const ssize_t w = ::write(use.fd, p + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            failed = true;
            break;
        }
        // The output queue is full: wait for room, within the write time-out.
        const Use::Ready r = use.Wait(POLLOUT, MsLeft(deadline));
        if (r == Use::Ready::Failed) failed = true;
        if (r != Use::Ready::Yes) break;
    }
    if (done == 0 && failed) return -1;
    return static_cast<int>(done);
}

bool SerialPort::Flush(int timeoutMs) {
    Use use(*this);
    if (!use) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int pending = 0;
        if (::ioctl(use.fd, TIOCOUTQ, &pending) != 0) return false;
        if (pending <= 0) return true;
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        // Short naps, each cut short by Close().
        pollfd fds[2] = {{use.fd, 0, 0}, {use.wake, POLLIN, 0}};
        if (::poll(fds, 2, left < 2 ? left : 2) < 0 && errno != EINTR) return false;
        if (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) return false;
    }
}

}  // namespace qv::platform
