// A wake-up call between threads that poll() can wait on beside a device:
// once signalled it stays signalled, so a late waiter never misses it.
#pragma once

#include <mutex>

namespace qv::platform {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void Signal();
    // Waits until signalled or the time is up; true when signalled.
    bool WaitFor(int timeoutMs) const;
    // For poll(): readable once signalled; -1 when the system gave none.
    // Only the thread that waits may call this, WaitFor and Release.
    int Fd() const { return fd_; }
    // Gives the descriptor back early (a finished worker that is kept around
    // holds none); Signal then does nothing.
    void Release();

private:
    mutable std::mutex mu_;  // Signal (any thread) against Release
    int fd_ = -1;
};

}  // namespace qv::platform
