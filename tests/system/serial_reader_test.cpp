#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "nmea/State.h"
#include "platform/SerialPort.h"
#include "serial/Reader.h"
#include "serial/Serial.h"
#include "system/serial_pty.h"
#include "window/HeadlessWindow.h"

namespace qv::serial {
namespace {

using namespace std::chrono_literals;
using qv::testing::Pty;

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

class SerialReader : public ::testing::Test {
protected:
    void SetUp() override {
        port = platform::SerialPort::Open(pty.SlavePath());
        ASSERT_TRUE(port);
    }
    // Records each hand-over as the window's thread sees it.
    Thread1::Dispatch Record() {
        return [this] {
            ASSERT_TRUE(w.IsWindowThread());
            ASSERT_EQ(SentenceBuf[SentenceLen], '\0');
            got.emplace_back(SentenceBuf, static_cast<std::size_t>(SentenceLen));
        };
    }
    void WaitForQueued(std::size_t n) {
        ASSERT_TRUE(w.RunUntil([&] { return port->QueuedInput() >= static_cast<int>(n); }, 2s));
    }

    HeadlessWindow w;
    Pty pty;
    std::shared_ptr<platform::SerialPort> port;
    std::vector<std::string> got;
};

TEST_F(SerialReader, HandsOverWholeSentencesInOrderOnTheWindowThread) {
    nmea::TalkerFlags = 7;
    Thread1 reader(port, Record());
    reader.Resume();
    ASSERT_TRUE(pty.Send("noise\r\n" + kGga.substr(0, 1)));
    ASSERT_TRUE(pty.Send(kGga.substr(1) + kRmc.substr(0, 20)));
    ASSERT_TRUE(pty.Send(kRmc.substr(20) + "$"));
    ASSERT_TRUE(w.RunUntil([&] { return got.size() >= 2; }, 5s));
    w.RunFor(50ms);
    EXPECT_EQ(got, (std::vector<std::string>{kGga, kRmc}));
    EXPECT_EQ(nmea::TalkerFlags.load(), 0) << "a starting reader clears the talker flags";
    reader.Terminate();
    reader.WaitFor();
}

TEST_F(SerialReader, AStopRequestStillHandsOverTheSentencesAlreadyRead) {
    const std::string burst = "$A*00\r\n$B*00\r\n$C*00\r\n$D";
    ASSERT_TRUE(pty.Send(burst));
    WaitForQueued(burst.size());
    Thread1* self = nullptr;
    Thread1 reader(port, [&] {
        got.emplace_back(SentenceBuf, static_cast<std::size_t>(SentenceLen));
        self->Terminate();  // the disconnect arrives during the first hand-over
    });
    self = &reader;
    reader.Resume();
    ASSERT_TRUE(w.RunUntil([&] { return reader.Finished(); }, 5s));
    EXPECT_EQ(got, (std::vector<std::string>{"$A*00\r\n", "$B*00\r\n", "$C*00\r\n"}));
}

TEST_F(SerialReader, AClosingWindowEndsTheReaderAtOnce) {
    std::string burst;
    for (int i = 0; i < 20; ++i) burst += kGga;
    ASSERT_TRUE(pty.Send(burst + "$"));
    WaitForQueued(burst.size());
    Thread1 reader(port, Record());
    reader.Resume();
    w.Close();  // no hand-over runs from now on
    reader.WaitFor();
    EXPECT_TRUE(reader.Finished());
    EXPECT_TRUE(got.empty());
}

TEST_F(SerialReader, AVanishedDeviceCostsNoCpuAndTheReaderStillStops) {
    Thread1 reader(port, Record());
    reader.Resume();
    ASSERT_TRUE(pty.Send(kGga + "$"));
    ASSERT_TRUE(w.RunUntil([&] { return got.size() == 1; }, 5s));
    pty.CloseMaster();
    const double cpuBefore = qv::testing::ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    w.RunFor(600ms);
    const double cpu = qv::testing::ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.25 * wall) << "the reader spins on the dead port";
    reader.Terminate();
    const auto stopAsked = std::chrono::steady_clock::now();
    reader.WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - stopAsked, 2s);
}

TEST_F(SerialReader, AClosedPortEndsTheWaitWithoutTouchingANewerPort) {
    Thread1 reader(port, Record());
    reader.Resume();
    port->Close();
    // The same device opened again, as a quick reconnect does: the old reader
    // keeps its own closed port and never reads the new one.
    auto fresh = platform::SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(fresh);
    ASSERT_TRUE(pty.Send(kGga + "$"));
    ASSERT_TRUE(fresh->WaitReadable(2000));
    w.RunFor(200ms);
    EXPECT_TRUE(got.empty());
    EXPECT_GT(fresh->QueuedInput(), 0) << "the old reader took the new port's bytes";
    reader.Terminate();
    reader.WaitFor();
}

}  // namespace
}  // namespace qv::serial
