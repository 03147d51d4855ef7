// The far end of the line for the configuration tests: a raw pseudo-terminal
// whose slave side is the program's port, and a thread that timestamps every
// byte the program writes as it arrives on the master side.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/SerialPort.h"
#include "serial/Serial.h"

namespace qv::config::testing {

class WireTap {
public:
    using Clock = std::chrono::steady_clock;
    struct Sentence {
        std::string text;
        Clock::time_point arrived;  // when its first byte was read
    };

    WireTap() {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        for (int fd : {master_, slave_}) {
            termios t{};
            ::tcgetattr(fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
            ::tcflush(fd, TCIOFLUSH);
        }
        path_ = name;
        reader_ = std::thread([this] { Run(); });
    }
    ~WireTap() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        serial::hComPort.Close();
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }

    const std::string& SlavePath() const { return path_; }
    int Master() const { return master_; }

    // Makes the slave side the program's open port, as a connect would.
    bool Attach() {
        auto port = platform::SerialPort::Open(path_);
        serial::hComPort.Set(port);
        return port != nullptr;
    }

    // Waits until n complete sentences (or bytes ending in a marker) have arrived.
    std::vector<Sentence> WaitSentences(std::size_t n,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        std::unique_lock lock(mu_);
        cv_.wait_for(lock, timeout, [&] { return sentences_.size() >= n; });
        return sentences_;
    }
    std::string Bytes() {
        std::lock_guard lock(mu_);
        return bytes_;
    }
    // Writes a marker line through the program's own write: since all writes of
    // the window's thread arrive in order, it splits the wire into the steps
    // between markers without waiting for silence.
    static void Mark() { serial::WritePort("#\r\n", 3); }

    // The sentences between markers, one group per marker written so far.
    std::vector<std::vector<std::string>> Steps(std::size_t markers) {
        std::vector<std::vector<std::string>> steps(1);
        std::size_t seen = 0;
        for (const auto& s : WaitUntilMarkers(markers)) {
            if (s.text == "#\r\n") {
                if (++seen == markers) break;
                steps.emplace_back();
            } else {
                steps.back().push_back(s.text);
            }
        }
        if (steps.size() > markers) steps.pop_back();
        return steps;
    }

private:
    std::vector<Sentence> WaitUntilMarkers(std::size_t markers) {
        std::unique_lock lock(mu_);
        cv_.wait_for(lock, std::chrono::seconds(3), [&] { return markers_ >= markers; });
        return sentences_;
    }

    void Run() {
        char buf[4096];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            const auto now = Clock::now();
            std::lock_guard lock(mu_);
            for (ssize_t i = 0; i < n; ++i) {
                if (partial_.empty()) started_ = now;
                partial_ += buf[i];
                bytes_ += buf[i];
                if (buf[i] == '\n') {
                    if (partial_ == "#\r\n") ++markers_;
                    sentences_.push_back({std::move(partial_), started_});
                    partial_.clear();
                }
            }
            cv_.notify_all();
        }
    }

    int master_ = -1, slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::mutex mu_;
    std::condition_variable cv_;
    std::string bytes_, partial_;
    Clock::time_point started_;
    std::vector<Sentence> sentences_;
    std::size_t markers_ = 0;
};

inline double Millis(WireTap::Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace qv::config::testing
