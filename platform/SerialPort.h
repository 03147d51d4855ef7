// A serial device over POSIX termios: exclusive, raw 8N1 at any listed rate.
// One object per open device, shared by whoever uses it (std::shared_ptr): a
// worker that still holds it after Close() gets failures, never another device's
// bytes, because the descriptor is released only when nobody is inside a call.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qv::platform {

// The port-list entry of the built-in simulated receiver.
inline constexpr std::string_view kDemoPortName = "Demo receiver";

// Line settings as read from and written to a port. The termios record is kept
// whole so that everything not set explicitly stays as the port reported it.
struct LineSettings {
    std::uint32_t baud = 0;
    int dataBits = 8;
    bool parity = false;
    int stopBits = 1;
    std::vector<unsigned char> raw;  // the platform's own record
};

class SerialPort {
public:
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens an existing device for reading and writing, exclusively, in raw mode
    // (no echo, no canonical input, no CR/LF translation, CLOCAL|CREAD).
    // nullptr on failure (errno kept).
    static std::shared_ptr<SerialPort> Open(const std::string& path);

    bool SetTimeouts(int readTotalMs, int writeTotalMs);
    bool SetQueueSizes(int inputBytes, int outputBytes);
    bool GetSettings(LineSettings& s) const;
    // Any positive rate; rates without a B-constant use termios2/BOTHER.
    bool SetSettings(const LineSettings& s);
    // Aborts pending transfers and empties both queues.
    bool Purge();
    // Bytes waiting in the input queue; -1 on failure (closed, device gone).
    int QueuedInput() const;
    // Waits until input is queued, the port is closed or the time is up.
    // False on time-out, closure or a vanished device.
    bool WaitReadable(int timeoutMs) const;
    enum class Input { Readable, TimedOut, Woken, Failed };
    // As WaitReadable, and also ends when `wake` (a descriptor another thread
    // makes readable) is readable; Failed for a closed port or a vanished device.
    Input WaitInput(int timeoutMs, int wake) const;
    // Reads what is there, at most n bytes, without blocking. -1 on failure.
    int Read(void* buf, std::size_t n);
    // Reads n bytes, waiting at most the read time-out in all (a blocking read
    // with a total time-out). Returns the bytes read, fewer on time-out; -1 on
    // failure with nothing read.
    int ReadTimed(void* buf, std::size_t n);
    // Writes the whole block within the write time-out. Returns bytes written, -1 on failure.
    int Write(const void* buf, std::size_t n);
    // Waits until every written byte has left (bounded by timeoutMs).
    bool Flush(int timeoutMs = 2000);
    // Releases the device. Safe from any thread, any number of times; wakes waiters.
    void Close();
    bool IsOpen() const;
    const std::string& Path() const { return path_; }

private:
    SerialPort(int fd, std::string path);
    struct Use;  // guards one call against a concurrent Close()

    mutable std::mutex mu_;
    mutable std::condition_variable idle_;
    mutable int users_ = 0;
    int fd_ = -1;
    int wakeRead_ = -1, wakeWrite_ = -1;  // Close() wakes a waiting poll through this pipe
    std::atomic<bool> closed_{false};
    int readTimeoutMs_ = 500, writeTimeoutMs_ = 100;
    std::string path_;
};

// "Com<N>" -> "/dev/ttyS<N-1>", an absolute path as typed; empty for anything else.
std::string ResolvePortName(std::string_view text);
// Serial devices present on this machine (ttyUSB, ttyACM, answering ttyS, by-id links).
std::vector<std::string> ListSerialPorts();
// A UART of the machine itself (ttyS), as opposed to a plugged-in adapter.
bool IsBoardUart(std::string_view path);

}  // namespace qv::platform
