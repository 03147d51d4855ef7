// A worker thread in the window's manner: created suspended, started with Resume,
// stopped by a request that the worker checks, and able to run work on the
// window's thread with Synchronize.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace qv::platform {

class Thread {
public:
    explicit Thread(std::string name);
    // Requests a stop and waits for the run to end (see WaitFor).
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the run; only the first call has an effect.
    void Resume();
    // Sets the stop request; does not wait. A worker that sleeps on something
    // of its own also wakes it here.
    virtual void Terminate() { terminated_.store(true, std::memory_order_release); }
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    bool Started() const { return started_; }
    bool Finished() const;
    // Waits for the run to end. On the window's thread it keeps running the
    // worker's pending hand-overs meanwhile, so it cannot deadlock with one.
    void WaitFor();

protected:
    virtual void Execute() = 0;
    // Runs fn on the window's thread and waits; false when it did not run
    // (no window, or the window is closing).
    bool Synchronize(const std::function<void()>& fn);

private:
    void Run();

    std::string name_;
    std::thread thread_;
    bool started_ = false;
    std::atomic<bool> terminated_{false};
    mutable std::mutex mu_;
    std::condition_variable done_;
    bool finished_ = false;
};

}  // namespace qv::platform
