#include "sim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "sim/Receiver.h"

namespace qv::sim {

namespace pty {
std::uint32_t ReadRate(int fd);
bool WriteRate(int fd, std::uint32_t baud);
}  // namespace pty

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Longest sleep of the line thread: it rechecks the device side (open, rate) this often.
constexpr milliseconds kMaxSleep{10};
// Input this soon after the device side was at the receiver's rate counts as sent at it.
constexpr milliseconds kRateGrace{50};
// Wait before trying again when the device buffer is full.
constexpr milliseconds kRetry{5};

// What a UART clocked at another rate makes of a byte: never ASCII, so never
// the start of a sentence or a packet.
std::uint8_t Scramble(std::uint8_t b) {
    return static_cast<std::uint8_t>(0x80 | ((b * 37u + 0x5B) & 0x7F));
}

// Bytes per write: about 5 ms of line time.
std::size_t SliceBytes(std::uint32_t baud) {
    return std::max<std::size_t>(1, baud / 10 / 200);
}

nanoseconds LineTime(std::size_t bytes, std::uint32_t baud) {
    return nanoseconds(static_cast<std::int64_t>(bytes) * 10 * 1000000000LL / std::max<std::uint32_t>(baud, 1));
}

}  // namespace

struct Simulator::Impl {
    explicit Impl(Options o) : opt(std::move(o)), rx(opt) {}

    Options opt;
    mutable std::mutex mu;
    Receiver rx;                     // guarded by mu
    std::uint32_t programBaud = 0;   // guarded by mu
    std::uint64_t receivedBytes = 0; // guarded by mu
    bool dropped = false;            // guarded by mu
    std::string path;
    int master = -1;
    int wake[2] = {-1, -1};
    std::thread worker;
    std::atomic<bool> stop{false};

    bool OpenLine();
    void Run();
    void WriteSlice(Clock::time_point now, bool open, bool matched, Clock::time_point& nextWrite);
};

bool Simulator::Impl::OpenLine() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) return false;
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) return false;
    path = name;
    // Make the device side raw at the receiver's rate before any byte moves, then
    // close it: from then on the line reports whether the program has it open.
    const int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) return false;
    termios t{};
    bool ok = tcgetattr(slave, &t) == 0;
    if (ok) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ok = tcsetattr(slave, TCSANOW, &t) == 0 && pty::WriteRate(slave, rx.settings.baud);
    }
    tcflush(slave, TCIOFLUSH);
    close(slave);
    tcflush(master, TCIOFLUSH);
    return ok && pipe2(wake, O_NONBLOCK | O_CLOEXEC) == 0;
}

// One pass: note the device side, take input, make a fix when due, send a slice.
void Simulator::Impl::Run() {
    Clock::time_point lastFix = Clock::now() - milliseconds(rx.settings.fixIntervalMs);
    Clock::time_point nextWrite = Clock::now();
    // When the device side was last seen at the receiver's rate (and which rate that was).
    // Opening the line set the device side to the receiver's rate.
    Clock::time_point lastMatch = Clock::now();
    std::uint32_t lastMatchRate = rx.settings.baud;
    std::uint8_t buf[4096];
    while (!stop.load(std::memory_order_acquire)) {
        pollfd pf{master, POLLIN, 0};
        poll(&pf, 1, 0);
        const bool open = (pf.revents & POLLHUP) == 0;
        const std::uint32_t rate = pty::ReadRate(master);
        const Clock::time_point now = Clock::now();

        std::unique_lock lock(mu);
        programBaud = rate;
        const bool matched = rate == rx.settings.baud;
        if (matched) {
            lastMatch = now;
            lastMatchRate = rate;
        }
        if (pf.revents & POLLIN) {  // also after a hang-up: what the program wrote last
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) {
                receivedBytes += static_cast<std::uint64_t>(n);
                // A pty moves no bits and reports its input late: bytes the program
                // wrote just before changing its rate were sent at the old one.
                const bool sentAtOurRate =
                    matched || (lastMatchRate == rx.settings.baud && now - lastMatch <= kRateGrace);
                if (sentAtOurRate) rx.Input(buf, static_cast<std::size_t>(n), now);
                else rx.Noise();
            }
        }
        const milliseconds interval(rx.settings.fixIntervalMs);
        if (now >= lastFix + interval) {
            rx.Fix();
            // Late (a busy machine): start afresh rather than burst to catch up.
            lastFix = now - lastFix > 2 * interval ? now : lastFix + interval;
        }
        rx.Tick(now, open && matched);
        if (!rx.out.empty() && now >= nextWrite) WriteSlice(now, open, matched, nextWrite);
        if (rx.dropLine) {
            close(master);
            master = -1;
            dropped = true;
            return;
        }
        Clock::time_point until = std::min(lastFix + milliseconds(rx.settings.fixIntervalMs), now + kMaxSleep);
        if (!rx.out.empty()) until = std::min(until, nextWrite);
        lock.unlock();

        // While nobody has the device open the master reports a hang-up at once:
        // leave it out of the wait then, or the thread would spin.
        pollfd fds[2] = {{wake[0], POLLIN, 0}, {master, POLLIN, 0}};
        const auto wait = std::chrono::duration_cast<nanoseconds>(until - Clock::now());
        const timespec ts{0, std::clamp<long>(static_cast<long>(wait.count()), 0, 999999999)};
        ppoll(fds, open ? 2 : 1, &ts, nullptr);
    }
}

void Simulator::Impl::WriteSlice(Clock::time_point now, bool open, bool matched, Clock::time_point& nextWrite) {
    OutItem& item = rx.out.front();
    const std::uint32_t baud = rx.settings.baud;
    const std::size_t n = std::min(SliceBytes(baud), item.bytes.size() - item.offset);
    std::string slice = item.bytes.substr(item.offset, n);
    std::size_t sent = n;
    if (!open) {
        item.clean = false;  // on the wire, but nobody listens
    } else {
        if (!matched) {
            for (char& c : slice) c = static_cast<char>(Scramble(static_cast<std::uint8_t>(c)));
            item.clean = false;
        }
        // A full device buffer (the program is not reading) holds the line back,
        // as flow control would: nothing is cut, and the queue's bound makes the
        // receiver skip whole fixes meanwhile.
        const ssize_t w = write(master, slice.data(), slice.size());
        sent = w > 0 ? static_cast<std::size_t>(w) : 0;
    }
    item.offset += sent;
    // A late wake-up may make up one slice, never more: the line's speed stays the bound.
    nextWrite = sent < n ? now + kRetry
                         : std::max(nextWrite, now - LineTime(SliceBytes(baud), baud)) + LineTime(sent, baud);
    if (item.offset >= item.bytes.size()) {
        rx.Delivered(item);
        rx.out.pop_front();
    }
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start() {
    if (impl_->worker.joinable() || impl_->master >= 0) return false;
    if (!impl_->OpenLine()) {
        Stop();
        return false;
    }
    impl_->stop.store(false);
    impl_->worker = std::thread([this] { impl_->Run(); });
    return true;
}

void Simulator::Stop() {
    Impl& d = *impl_;
    d.stop.store(true, std::memory_order_release);
    if (d.wake[1] >= 0) {
        const char c = 0;
        (void)!write(d.wake[1], &c, 1);
    }
    if (d.worker.joinable()) d.worker.join();
    std::lock_guard lock(d.mu);
    if (d.master >= 0) close(d.master);
    for (int& fd : d.wake) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    d.master = -1;
}

std::string Simulator::DevicePath() const { return impl_->path; }

std::vector<std::string> Simulator::SentSentences() const {
    std::lock_guard lock(impl_->mu);
    return {impl_->rx.sent.begin(), impl_->rx.sent.end()};
}

std::size_t Simulator::SentSentenceCount() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.sentCount;
}

std::vector<ReceivedCommand> Simulator::ReceivedCommands() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.commands;
}

std::vector<ReceivedPacket> Simulator::ReceivedPackets() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.packets;
}

std::uint64_t Simulator::ReceivedByteCount() const {
    std::lock_guard lock(impl_->mu);
    return impl_->receivedBytes;
}

Settings Simulator::CurrentSettings() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.settings;
}

std::vector<EpoRecord> Simulator::EpoRecords() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.records;
}

std::uint32_t Simulator::LineBaud() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.settings.baud;
}

std::uint32_t Simulator::ProgramBaud() const {
    std::lock_guard lock(impl_->mu);
    return impl_->programBaud;
}

bool Simulator::BinaryMode() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.settings.binaryMode;
}

bool Simulator::LineDropped() const {
    std::lock_guard lock(impl_->mu);
    return impl_->dropped;
}

std::uint64_t Simulator::FixCount() const {
    std::lock_guard lock(impl_->mu);
    return impl_->rx.fixCount;
}

void Simulator::ClearObservations() {
    std::lock_guard lock(impl_->mu);
    impl_->rx.sent.clear();
    impl_->rx.commands.clear();
    impl_->rx.packets.clear();
}

void Simulator::SetAckFlag(int command, int flag) {
    std::lock_guard lock(impl_->mu);
    if (flag < 0) impl_->rx.ackOverride.erase(command);
    else impl_->rx.ackOverride[command] = flag;
}

void Simulator::SetEpoFault(EpoFault fault, int packet) {
    std::lock_guard lock(impl_->mu);
    impl_->rx.fault = fault;
    impl_->rx.faultPacket = packet;
}

void Simulator::SetEpoRecords(std::vector<EpoRecord> records) {
    std::lock_guard lock(impl_->mu);
    impl_->rx.records = std::move(records);
}

}  // namespace qv::sim
