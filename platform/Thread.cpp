#include "platform/Thread.h"

#include <pthread.h>

#include <chrono>

#include "window/Controls.h"

namespace qv::platform {

Thread::Thread(std::string name) : name_(std::move(name)) {}

Thread::~Thread() {
    Terminate();
    if (thread_.joinable()) {
        WaitFor();
        thread_.join();
    }
}

void Thread::Resume() {
    if (started_) return;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void Thread::Run() {
    // Named for debuggers and for ps/top; the kernel keeps 15 characters.
    pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
    Execute();
    std::lock_guard lock(mu_);
    finished_ = true;
    done_.notify_all();
}

bool Thread::Finished() const {
    std::lock_guard lock(mu_);
    return finished_;
}

void Thread::WaitFor() {
    if (!started_) return;
    const bool onWindow = Form1 && Form1->IsWindowThread();
    std::unique_lock lock(mu_);
    while (!finished_) {
        if (onWindow) {
            lock.unlock();
            Form1->PumpSynchronize();
            lock.lock();
            done_.wait_for(lock, std::chrono::milliseconds(1));
        } else {
            done_.wait(lock);
        }
    }
}

bool Thread::Synchronize(const std::function<void()>& fn) {
    if (!Form1) return false;
    return Form1->Synchronize(fn);
}

}  // namespace qv::platform
