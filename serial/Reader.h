// The reader: one thread per connection that frames the port's bytes into
// sentences and hands each one to the window's thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/SerialPort.h"
#include "platform/Thread.h"

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

protected:
    void Execute() override;

private:
    // Copies one sentence into SentenceBuf and dispatches it on the window's
    // thread; false when the window no longer takes hand-overs.
    bool HandOver(std::string_view sentence);

    std::shared_ptr<platform::SerialPort> port_;
    Dispatch dispatch_;
};

}  // namespace qv::serial
