#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/SerialPort.h"
#include "system/serial_pty.h"

namespace qv::platform {
namespace {

using namespace std::chrono_literals;
using qv::testing::Pty;
using Clock = std::chrono::steady_clock;

TEST(SerialPort, RawBytesPassUntouchedBothWays) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);  // the master reports the slave's settings
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));

    const std::string in("$GP\r\n\r\x7f\xff\x03 end", 14);
    ASSERT_TRUE(pty.Send(in));
    std::string got;
    const auto end = Clock::now() + 2s;
    while (got.size() < in.size() && Clock::now() < end) {
        if (!port->WaitReadable(100)) continue;
        char buf[64];
        const int n = port->Read(buf, sizeof buf);
        ASSERT_GE(n, 0);
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, in);

    const std::string out = "$PMTK000*32\r\n\n";
    EXPECT_EQ(port->Write(out.data(), out.size()), static_cast<int>(out.size()));
    EXPECT_TRUE(port->Flush(1000));
    EXPECT_EQ(pty.Receive(out.size(), 2s), out);
}

TEST(SerialPort, EveryRateRoundTripsWith8N1) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    for (std::uint32_t baud : {4800u, 9600u, 14400u, 19200u, 38400u, 57600u, 115200u, 230400u,
                               250000u, 921600u, 4800u}) {
        LineSettings s;
        ASSERT_TRUE(port->GetSettings(s));
        s.baud = baud;
        s.dataBits = 8;
        s.parity = false;
        s.stopBits = 1;
        ASSERT_TRUE(port->SetSettings(s)) << baud;
        EXPECT_EQ(qv::testing::Termios2OutputSpeed(pty.Master()), baud);
        termios t{};
        ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8)) << baud;
        LineSettings back;
        ASSERT_TRUE(port->GetSettings(back));
        EXPECT_EQ(back.baud, baud);
        EXPECT_EQ(back.dataBits, 8);
        EXPECT_FALSE(back.parity);
        EXPECT_EQ(back.stopBits, 1);
    }
    LineSettings zero;
    ASSERT_TRUE(port->GetSettings(zero));
    zero.baud = 0;
    EXPECT_FALSE(port->SetSettings(zero));
}

TEST(SerialPort, OpenIsExclusiveUntilClosed) {
    Pty pty;
    auto first = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(first);
    errno = 0;
    EXPECT_FALSE(SerialPort::Open(pty.SlavePath()));
    EXPECT_EQ(errno, EBUSY);
    first->Close();
    EXPECT_TRUE(SerialPort::Open(pty.SlavePath()));
}

TEST(SerialPort, OpenRefusesWhatIsNoTerminal) {
    EXPECT_FALSE(SerialPort::Open("/dev/null"));
    EXPECT_FALSE(SerialPort::Open("/dev/no-such-serial-device"));
    EXPECT_FALSE(SerialPort::Open(""));
}

TEST(SerialPort, CloseFromAnotherThreadWakesAWaiterAndLaterCallsFail) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    auto waiter = std::async(std::launch::async, [&] {
        const auto start = Clock::now();
        const bool readable = port->WaitReadable(10000);
        return std::make_pair(readable, Clock::now() - start);
    });
    std::this_thread::sleep_for(50ms);  // let it block in the wait
    port->Close();
    ASSERT_EQ(waiter.wait_for(5s), std::future_status::ready);
    const auto [readable, took] = waiter.get();
    EXPECT_FALSE(readable);
    EXPECT_LT(took, 5s);
    EXPECT_FALSE(port->IsOpen());
    char b = 'x';
    EXPECT_EQ(port->QueuedInput(), -1);
    EXPECT_EQ(port->Read(&b, 1), -1);
    EXPECT_EQ(port->Write(&b, 1), -1);
    EXPECT_FALSE(port->Purge());
    LineSettings s;
    EXPECT_FALSE(port->GetSettings(s));
    port->Close();  // again: harmless
}

TEST(SerialPort, VanishedDeviceReportsFailureAtOnce) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(pty.Send("$GPGGA,unread"));
    pty.CloseMaster();
    const auto start = Clock::now();
    EXPECT_FALSE(port->WaitReadable(5000));
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(port->QueuedInput(), -1);
    char buf[16];
    EXPECT_EQ(port->Read(buf, sizeof buf), -1);
    EXPECT_EQ(port->Write("x", 1), -1);
}

TEST(SerialPort, WriteGivesUpAfterTheWriteTimeOut) {
    Pty pty;  // nobody reads the master: its queue fills up
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->SetTimeouts(500, 100));
    const std::string block(256 * 1024, 'x');
    const auto start = Clock::now();
    const int n = port->Write(block.data(), block.size());
    const auto took = Clock::now() - start;
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<int>(block.size()));
    EXPECT_GE(took, 90ms);
    EXPECT_LT(took, 2s);
}

TEST(SerialPort, TimedReadCollectsUntilCountOrTimeOut) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->SetTimeouts(300, 100));
    char buf[16] = {};
    ASSERT_TRUE(pty.Send("ab"));
    auto later = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(50ms);
        return pty.Send("cd");
    });
    EXPECT_EQ(port->ReadTimed(buf, 4), 4);  // the two pieces, well before the time-out
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_TRUE(later.get());
    ASSERT_TRUE(pty.Send("xyz"));
    const auto start = Clock::now();
    EXPECT_EQ(port->ReadTimed(buf, sizeof buf), 3);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
    pty.CloseMaster();
    EXPECT_EQ(port->ReadTimed(buf, sizeof buf), -1);
}

TEST(SerialPort, PurgeEmptiesTheInputQueue) {
    Pty pty;
    auto port = SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(pty.Send("$GPGGA,stale*00\r\n"));
    ASSERT_TRUE(port->WaitReadable(2000));
    const auto end = Clock::now() + 2s;
    while (port->QueuedInput() == 0 && Clock::now() < end) std::this_thread::sleep_for(1ms);
    EXPECT_GT(port->QueuedInput(), 0);
    EXPECT_TRUE(port->Purge());
    EXPECT_EQ(port->QueuedInput(), 0);
}

}  // namespace
}  // namespace qv::platform
