#include "platform/WakeSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

namespace qv::platform {

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() { Release(); }

void WakeSignal::Release() {
    std::lock_guard lock(mu_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void WakeSignal::Signal() {
    std::lock_guard lock(mu_);
    if (fd_ < 0) return;
    const std::uint64_t one = 1;
    // Never read back: the counter stays non-zero, the descriptor readable.
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

bool WakeSignal::WaitFor(int timeoutMs) const {
    if (fd_ < 0) {
        // Without a descriptor the wait still ends; the caller checks its own flag.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (r > 0) return true;
        if (r == 0 || left <= 0 || errno != EINTR) return false;
    }
}

}  // namespace qv::platform
