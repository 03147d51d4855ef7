// The reader: one thread per connection that frames the port's bytes into
// sentences and hands them to the window's thread, all those of one read at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "platform/Thread.h"
#include "platform/WakeSignal.h"

namespace qv::serial {

class Thread1 : public platform::Thread {
public:
    // Runs on the window's thread once per sentence, after the sentence was
    // copied into SentenceBuf/SentenceLen.
    using Dispatch = std::function<void()>;

    // Reads from port only, never from whatever hComPort holds later, so a
    // finishing reader cannot touch the port of a newer connection.
    explicit Thread1(std::shared_ptr<platform::SerialPort> port, Dispatch dispatch = {});
    ~Thread1() override;

    // Also ends a wait for input or a pause at once.
    void Terminate() override;

    // The pause after each read that lets the next bytes gather in the
    // driver's queue: the time `kGatherBytes` take on the line, at most 50 ms.
    static constexpr std::size_t kGatherBytes = 512;
    static int GatherMs(std::uint32_t baud);

protected:
    void Execute() override;

private:
    // The complete sentences of one read, back to back.
    struct Batch {
        std::string bytes;
        std::vector<std::size_t> ends;
        void Clear() {
            bytes.clear();
            ends.clear();
        }
    };
    // On the window's thread, in one call: each sentence of the batch in turn is
    // copied into SentenceBuf and dispatched. False when the window no longer
    // takes hand-overs.
    bool HandOver(const Batch& batch);

    std::shared_ptr<platform::SerialPort> port_;
    Dispatch dispatch_;
    platform::WakeSignal wake_;
};

}  // namespace qv::serial
