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
// Longest wait for input; a stop request or a closed port ends it sooner.
constexpr int kPollMs = 1000;
// Pause after the port failed (closed under us, device gone): a dead port
// never costs a busy loop, and a stop request still ends the pause at once.
constexpr int kFailedPortPauseMs = 20;
constexpr int kMaxGatherMs = 50;
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

void Thread1::Terminate() {
    Thread::Terminate();
    wake_.Signal();
}

int Thread1::GatherMs(std::uint32_t baud) {
    if (baud == 0) return kMaxGatherMs;
    // Ten bits a byte on an 8N1 line.
    const std::uint64_t ms = kGatherBytes * 10 * 1000 / baud;
    return ms < kMaxGatherMs ? static_cast<int>(ms) : kMaxGatherMs;
}

bool Thread1::HandOver(const Batch& batch) {
    // The copies are made on the window's thread, so SentenceBuf is only ever
    // touched there, even while an old reader finishes beside a new one. One
    // hand-over per read rather than per sentence: waking the window costs more
    // than dispatching a sentence, and the order and the per-sentence dispatch
    // are the same either way.
    return Synchronize([this, &batch] {
        std::size_t begin = 0;
        for (const std::size_t end : batch.ends) {
            const std::size_t n = end - begin;
            std::memcpy(SentenceBuf, batch.bytes.data() + begin, n);
            std::memset(SentenceBuf + n, 0, sizeof SentenceBuf - n);
            SentenceLen = static_cast<std::int32_t>(n);
            dispatch_();
            begin = end;
        }
    });
}

void Thread1::Execute() {
    nmea::TalkerFlags.store(0);
    // A stopped reader may wait a while to be reaped: it keeps no descriptor.
    struct ReleaseWake {
        platform::WakeSignal& w;
        ~ReleaseWake() { w.Release(); }
    } releaseWake{wake_};
    if (!port_) return;
    platform::LineSettings line;
    const int gatherMs = GatherMs(port_->GetSettings(line) ? line.baud : 0);
    SentenceFramer framer;
    std::array<char, SentenceFramer::kMaxRead> buf;
    Batch batch;
    batch.bytes.reserve(buf.size() + SentenceFramer::kMaxSentence);
    const SentenceFramer::Emit collect = [&batch](std::string_view s) {
        batch.bytes.append(s);
        batch.ends.push_back(batch.bytes.size());
    };
    // A stop request is honoured between reads; the sentences of a read that
    // was taken are still handed over.
    while (!Terminated()) {
        const auto input = port_->WaitInput(kPollMs, wake_.Fd());
        if (input == platform::SerialPort::Input::Failed) {
            wake_.WaitFor(kFailedPortPauseMs);
            continue;
        }
        if (input != platform::SerialPort::Input::Readable) continue;
        // The read does not block: it takes what the driver has queued.
        const int got = port_->Read(buf.data(), buf.size());
        if (got < 0) {
            wake_.WaitFor(kFailedPortPauseMs);
            continue;
        }
        if (got == 0) continue;
        batch.Clear();
        framer.Feed(buf.data(), static_cast<std::size_t>(got), collect);
        if (!batch.ends.empty() && !HandOver(batch)) return;  // the window is gone
        // Let the next bytes gather so that one read carries several sentences;
        // the driver's queue holds far more than a pause's worth at any rate.
        // A full buffer means more is already waiting: read on at once.
        if (static_cast<std::size_t>(got) < buf.size()) wake_.WaitFor(gatherMs);
    }
}

}  // namespace qv::serial
