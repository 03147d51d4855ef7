#include "serial/Reader.h"

#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "nmea/Dispatch.h"
#include "nmea/State.h"
#include "serial/Framer.h"
#include "serial/Serial.h"

namespace qv::serial {

namespace {
// Longest wait for input before the stop request is checked again.
constexpr int kPollMs = 50;
// Pause after the port failed (closed under us, device gone): the stop request
// is still checked often, but a dead port never costs a busy loop.
constexpr auto kFailedPortPause = std::chrono::milliseconds(20);
}  // namespace

static_assert(SentenceFramer::kMaxSentence < static_cast<std::size_t>(kSentenceBufSize));

Thread1::Thread1(std::shared_ptr<platform::SerialPort> port, Dispatch dispatch)
    : Thread("Thread1"), port_(std::move(port)), dispatch_(std::move(dispatch)) {
    if (!dispatch_) dispatch_ = nmea::DispatchSentence;
}

// The run uses this object's members: it must have ended before they go.
Thread1::~Thread1() {
    Terminate();
    WaitFor();
}

bool Thread1::HandOver(std::string_view sentence) {
    // The copy is made on the window's thread, so SentenceBuf is only ever
    // touched there, even while an old reader finishes beside a new one.
    // Two captured pointers: small enough that no allocation is made per sentence.
    return Synchronize([this, &sentence] {
        const std::size_t n = sentence.size();
        std::memcpy(SentenceBuf, sentence.data(), n);
        std::memset(SentenceBuf + n, 0, sizeof SentenceBuf - n);
        SentenceLen = static_cast<std::int32_t>(n);
        dispatch_();
    });
}

void Thread1::Execute() {
    nmea::TalkerFlags.store(0);
    if (!port_) return;
    SentenceFramer framer;
    std::array<char, SentenceFramer::kMaxRead> buf;
    bool windowGone = false;
    const SentenceFramer::Emit emit = [&](std::string_view s) {
        if (!windowGone && !HandOver(s)) windowGone = true;
    };
    // A stop request is honoured between reads; the sentences of a read that
    // was taken are still handed over.
    while (!Terminated() && !windowGone) {
        const bool readable = port_->WaitReadable(kPollMs);
        const int queued = port_->QueuedInput();
        if (queued < 0) {
            std::this_thread::sleep_for(kFailedPortPause);
            continue;
        }
        if (!readable && queued == 0) continue;
        // The queued count can lag behind poll() for just-arrived bytes; the
        // read does not block, so take up to a full buffer then.
        const std::size_t want = (queued > 0 && static_cast<std::size_t>(queued) < buf.size())
                                     ? static_cast<std::size_t>(queued)
                                     : buf.size();
        const int got = port_->Read(buf.data(), want);
        if (got < 0) {
            std::this_thread::sleep_for(kFailedPortPause);
            continue;
        }
        if (got > 0) framer.Feed(buf.data(), static_cast<std::size_t>(got), emit);
    }
}

}  // namespace qv::serial
