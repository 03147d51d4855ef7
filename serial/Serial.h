// The serial link: connect/disconnect, the one write every sender uses, and the
// port handle shared by the window's thread, the reader and the upload thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/SerialPort.h"

namespace qv::serial {

// The open port. Replaced by the window's thread and by the upload thread, so
// reads and writes of the handle itself are guarded; users take a copy.
class PortHandle {
public:
    std::shared_ptr<platform::SerialPort> Get() const {
        std::lock_guard lock(mu_);
        return port_;
    }
    void Set(std::shared_ptr<platform::SerialPort> p) {
        std::lock_guard lock(mu_);
        port_ = std::move(p);
    }
    // Closes the port (if any) and forgets it.
    void Close() {
        auto p = Exchange(nullptr);
        if (p) p->Close();
    }
    std::shared_ptr<platform::SerialPort> Exchange(std::shared_ptr<platform::SerialPort> p) {
        std::lock_guard lock(mu_);
        port_.swap(p);
        return p;
    }

private:
    mutable std::mutex mu_;
    std::shared_ptr<platform::SerialPort> port_;
};

extern PortHandle hComPort;
extern std::atomic<std::uint32_t> BytesWritten;

// The sentence being handed over and its length: written on the window's thread
// at the start of each hand-over, read by the decoders, the refresh and the log.
inline constexpr int kSentenceBufSize = 5000;
extern char SentenceBuf[kSentenceBufSize];
extern std::int32_t SentenceLen;

// Puts one framed sentence into SentenceBuf/SentenceLen as a hand-over does
// (window's thread). The rest of the buffer reads as zeros afterwards.
void LoadSentence(std::string_view sentence);

void Button1Click();
// Opens and configures the port named in ComboBox1 at ComboBox2's rate and starts
// the reader; raises AppError with the user's message on failure.
void OpenComPort();
// One write of the block to hComPort; the outcome is not examined.
void WritePort(const void* data, std::size_t len);
// Waits until every written byte has left the port.
void FlushPort();
// The connection is open exactly when Button1 reads "Off".
bool Connected();

// Starts a new reader on the current hComPort (from any thread); a previous
// reader is asked to stop first.
void StartReader();
// Asks the current reader to stop; with wait, returns only once it has ended
// (on the window's thread its pending hand-overs keep running meanwhile).
void StopReader(bool wait);
// Opens the port named by the port list's text again, changing only the baud
// rate (no time-outs, queue sizes or purge). nullptr on failure.
std::shared_ptr<platform::SerialPort> ReopenPort(const std::string& portText, std::uint32_t baud);
// The window is closing: stops the reader and any upload, closes the port and
// waits for every worker.
void Shutdown();

}  // namespace qv::serial
