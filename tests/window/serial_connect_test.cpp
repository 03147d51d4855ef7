#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "config/State.h"
#include "nmea/State.h"
#include "platform/SerialPort.h"
#include "serial/Serial.h"
#include "system/serial_pty.h"
#include "window/HeadlessWindow.h"

namespace qv::serial {
namespace {

using namespace std::chrono_literals;
using qv::testing::Pty;

// The sixteen buttons a connect enables; a disconnect disables them and StopLog.
const std::vector<Ctl> kCommandButtons = {
    Ctl::hot,        Ctl::warm,      Ctl::cold,       Ctl::StartLog, Ctl::btNAQuery, Ctl::btDefault,
    Ctl::btConfirm,  Ctl::btDGQuery, Ctl::btDGPSSet,  Ctl::btVerQuery, Ctl::btFixQuery, Ctl::btFixSet,
    Ctl::Button2,    Ctl::Button3,   Ctl::Button4,    Ctl::btBrSet,
};

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

class SerialConnect : public ::testing::Test {
protected:
    void TearDown() override { Shutdown(); }

    // The state every connect and disconnect decides, in one line per control.
    struct Seen {
        std::string caption;
        bool portListsEnabled;
        int commandButtonsEnabled;
        bool stopLogEnabled;
        bool timer2, timer3;
        std::vector<std::string> errors;
    };
    Seen Look() {
        Seen s{w.Text(Ctl::Button1), w.Enabled(Ctl::ComboBox1) && w.Enabled(Ctl::ComboBox2), 0,
               w.Enabled(Ctl::StopLog), w.TimerEnabled(Timer::Timer2), w.TimerEnabled(Timer::Timer3),
               {}};
        for (Ctl c : kCommandButtons) s.commandButtonsEnabled += w.Enabled(c);
        EXPECT_TRUE(w.Enabled(Ctl::ComboBox1) == w.Enabled(Ctl::ComboBox2));
        for (const auto& b : w.boxes) {
            EXPECT_TRUE(b.errorBox);
            EXPECT_EQ(b.title, kAppTitle);
            EXPECT_EQ(b.icon, MsgIcon::Error);
            s.errors.push_back(b.text);
        }
        w.boxes.clear();
        return s;
    }
    void Connect(const std::string& port, const std::string& baud) {
        w.Type(Ctl::ComboBox1, port);
        w.Type(Ctl::ComboBox2, baud);
        w.Click(Ctl::Button1);
    }

    HeadlessWindow w;
    Pty pty;
};

TEST_F(SerialConnect, ConnectAndDisconnectSetControlsTimersAndState) {
    const Seen off{"On", true, 0, false, false, false, {}};
    const Seen on{"Off", false, 16, false, true, true, {}};
    w.SetText(Ctl::Edit1, "37");
    config::QueryStep = 4;
    nmea::GsvTalkerGlonass = 1;
    nmea::Fix3dFromGN = 1;
    Connect(pty.SlavePath(), "9600");
    const Seen a = Look();
    EXPECT_EQ(a.caption, on.caption);
    EXPECT_EQ(a.portListsEnabled, on.portListsEnabled);
    EXPECT_EQ(a.commandButtonsEnabled, on.commandButtonsEnabled);
    EXPECT_EQ(a.stopLogEnabled, on.stopLogEnabled) << "a connect leaves StopLog alone";
    EXPECT_TRUE(a.timer2 && a.timer3);
    EXPECT_EQ(a.errors, on.errors);
    EXPECT_EQ(w.Text(Ctl::Edit1), "0");
    EXPECT_EQ(config::QueryStep, 0);
    EXPECT_EQ(nmea::GsvTalkerGlonass, 0);
    EXPECT_EQ(nmea::Fix3dFromGN, 0);
    EXPECT_TRUE(Connected());
    ASSERT_TRUE(hComPort.Get());
    platform::LineSettings s;
    ASSERT_TRUE(hComPort.Get()->GetSettings(s));
    EXPECT_EQ(s.baud, 9600u);

    w.SetEnabled(Ctl::StopLog, true);  // a log is running
    config::QueryStep = 3;
    nmea::GsvTalkerGlonass = 1;
    w.Click(Ctl::Button1);
    const Seen b = Look();
    EXPECT_EQ(b.caption, off.caption);
    EXPECT_EQ(b.portListsEnabled, off.portListsEnabled);
    EXPECT_EQ(b.commandButtonsEnabled, off.commandButtonsEnabled);
    EXPECT_FALSE(b.stopLogEnabled) << "a disconnect disables StopLog too";
    EXPECT_FALSE(b.timer2 || b.timer3);
    EXPECT_EQ(b.errors, off.errors);
    EXPECT_EQ(config::QueryStep, 0);
    EXPECT_EQ(nmea::GsvTalkerGlonass, 0);
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(hComPort.Get());
    EXPECT_TRUE(platform::SerialPort::Open(pty.SlavePath())) << "the port was not released";
}

TEST_F(SerialConnect, EveryFailedConnectShowsItsMessageAndStaysDisconnected) {
    struct Case {
        std::string port, baud, message;
    } cases[] = {
        {"COM3", "115200", "Com Port Error!"},
        {"foo", "115200", "Com Port Error!"},
        {"", "115200", "Com Port Error!"},
        {"Com200", "115200", "Open ComPort failed."},
        {"/dev/no-such-serial-device", "115200", "Open ComPort failed."},
        {"/dev/null", "115200", "Open ComPort failed."},
        {pty.SlavePath(), "abc", "Error baud rate."},
        {pty.SlavePath(), "0", "Error baud rate."},
        {pty.SlavePath(), "", "Error baud rate."},
        {pty.SlavePath(), "9600x", "Error baud rate."},
        {pty.SlavePath(), "99999999999", "Error baud rate."},
        {pty.SlavePath(), "-9600", "SetCommState failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("port '" + c.port + "' baud '" + c.baud + "'");
        w.SetText(Ctl::Edit1, "12");
        config::QueryStep = 2;
        Connect(c.port, c.baud);
        const Seen s = Look();
        EXPECT_EQ(s.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(s.caption, "On");
        EXPECT_TRUE(s.portListsEnabled);
        EXPECT_EQ(s.commandButtonsEnabled, 0);
        EXPECT_FALSE(s.timer2 || s.timer3);
        EXPECT_EQ(w.Text(Ctl::Edit1), "0");
        EXPECT_EQ(config::QueryStep, 0);
        EXPECT_FALSE(hComPort.Get());
        // Nothing stays open: the next connect to the device works.
        Connect(pty.SlavePath(), "115200");
        EXPECT_EQ(Look().errors, std::vector<std::string>{});
        ASSERT_EQ(w.Text(Ctl::Button1), "Off");
        w.Click(Ctl::Button1);
    }
}

TEST_F(SerialConnect, ADeviceHeldElsewhereCannotBeOpened) {
    auto other = platform::SerialPort::Open(pty.SlavePath());
    ASSERT_TRUE(other);
    Connect(pty.SlavePath(), "115200");
    EXPECT_EQ(Look().errors, std::vector<std::string>{"Open ComPort failed."});
    other->Close();
    Connect(pty.SlavePath(), "115200");
    EXPECT_EQ(w.Text(Ctl::Button1), "Off");
}

TEST_F(SerialConnect, ReceivedSentencesReachTheWindowAndWritesReachTheDevice) {
    Connect(pty.SlavePath(), "115200");
    ASSERT_EQ(w.Text(Ctl::Button1), "Off");
    ASSERT_TRUE(pty.Send("garbage" + kGga + kRmc + "$"));
    auto current = [] { return std::string(SentenceBuf, static_cast<std::size_t>(SentenceLen)); };
    ASSERT_TRUE(w.RunUntil([&] { return current() == kRmc; }, 5s)) << current();

    const std::string cmd = "$PMTK000*32\r\n";
    // Drain what the query timer may already have sent, then look for ours.
    pty.Receive(1 << 20, 50ms);
    WritePort(cmd.data(), cmd.size());
    EXPECT_EQ(BytesWritten.load(), cmd.size());
    FlushPort();
    const std::string got = pty.Receive(cmd.size(), 2s);
    EXPECT_NE(got.find(cmd), std::string::npos) << got;
}

TEST_F(SerialConnect, WritesAfterADisconnectGoNowhere) {
    Connect(pty.SlavePath(), "115200");
    w.Click(Ctl::Button1);
    BytesWritten = 99;
    WritePort("$X\r\n", 4);
    EXPECT_EQ(BytesWritten.load(), 0u);
    FlushPort();
}

TEST_F(SerialConnect, TwoHundredReconnectsUnderTrafficLeakNothing) {
    // One connect first, so lazily made things (the pty's own buffers) exist.
    Connect(pty.SlavePath(), "115200");
    w.Click(Ctl::Button1);
    Shutdown();
    const int fdsBefore = qv::testing::OpenFdCount();
    const int threadsBefore = qv::testing::ThreadCount();
    std::atomic<bool> stop{false};
    // The receiver talks all the time, so readers are often mid hand-over.
    std::thread receiver([&] {
        const std::string burst = kGga + kRmc;
        while (!stop.load()) {
            const ssize_t n = ::write(pty.Master(), burst.data(), burst.size());
            (void)n;
            std::this_thread::sleep_for(1ms);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {
        w.Click(Ctl::Button1);
        ASSERT_EQ(w.Text(Ctl::Button1), "Off") << "cycle " << i;
        w.ProcessEvents();
        w.Click(Ctl::Button1);
        ASSERT_EQ(w.Text(Ctl::Button1), "On") << "cycle " << i;
    }
    EXPECT_TRUE(w.boxes.empty());
    Shutdown();
    stop = true;
    receiver.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    EXPECT_EQ(qv::testing::OpenFdCount(), fdsBefore);
    EXPECT_EQ(qv::testing::ThreadCount(), threadsBefore);
}

TEST_F(SerialConnect, AVanishedDeviceLeavesTheWindowResponsive) {
    Connect(pty.SlavePath(), "115200");
    ASSERT_TRUE(pty.Send(kGga + "$"));
    ASSERT_TRUE(w.RunUntil([] { return SentenceLen > 0; }, 5s));
    pty.CloseMaster();
    const double cpuBefore = qv::testing::ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    w.RunFor(600ms);  // timers keep writing to the dead port meanwhile
    const double cpu = qv::testing::ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.25 * wall);
    const int threadsBefore = qv::testing::ThreadCount();  // the reader still runs
    const auto clicked = std::chrono::steady_clock::now();
    w.Click(Ctl::Button1);
    EXPECT_EQ(w.Text(Ctl::Button1), "On");
    EXPECT_LT(std::chrono::steady_clock::now() - clicked, 1s);
    Shutdown();
    EXPECT_LT(qv::testing::ThreadCount(), threadsBefore) << "the reader did not end";
}

TEST_F(SerialConnect, AnotherThreadCanReopenThePortAndStartANewReader) {
    // The upload's hand-back: stop the reader, reopen at another rate, read again.
    Connect(pty.SlavePath(), "115200");
    ASSERT_TRUE(pty.Send(kGga + "$"));
    std::atomic<bool> done{false};
    std::shared_ptr<platform::SerialPort> reopened;
    std::thread upload([&] {
        StopReader(true);
        hComPort.Close();
        reopened = ReopenPort(pty.SlavePath(), 57600);
        hComPort.Set(reopened);
        StartReader();
        done = true;
    });
    const bool finished = w.RunUntil([&] { return done.load(); }, 5s);
    upload.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(reopened);
    platform::LineSettings s;
    ASSERT_TRUE(reopened->GetSettings(s));
    EXPECT_EQ(s.baud, 57600u);
    ASSERT_TRUE(pty.Send(kRmc + "$"));
    auto current = [] { return std::string(SentenceBuf, static_cast<std::size_t>(SentenceLen)); };
    EXPECT_TRUE(w.RunUntil([&] { return current() == kRmc; }, 5s)) << current();
    EXPECT_FALSE(ReopenPort("/dev/no-such-serial-device", 57600));
    EXPECT_FALSE(ReopenPort("foo", 57600));
}

TEST_F(SerialConnect, AfterShutdownALateUploadStartsNothing) {
    Connect(pty.SlavePath(), "115200");
    Shutdown();
    EXPECT_FALSE(hComPort.Get());
    EXPECT_FALSE(ReopenPort(pty.SlavePath(), 115200));
    const int threads = qv::testing::ThreadCount();
    hComPort.Set(platform::SerialPort::Open(pty.SlavePath()));
    StartReader();
    EXPECT_EQ(qv::testing::ThreadCount(), threads);
    hComPort.Close();
}

}  // namespace
}  // namespace qv::serial
