// The query sequence and the baud-rate change over a real connection: the
// program opens the slave side of a pseudo-terminal, the test plays the receiver
// on the master side.
#include <termios.h>

#include "config/Commands.h"
#include "config_fixture.h"
#include "config_wire.h"
#include "window/Handlers.h"

namespace qv::config::testing {
namespace {

using namespace std::chrono_literals;

class ConnectTest : public ConfigWindow {
protected:
    void SetUp() override {
        w.Type(Ctl::ComboBox1, wire.SlavePath());
        w.SetItemIndex(Ctl::ComboBox2, 6);  // 115200
    }
    void TearDown() override { serial::Shutdown(); }

    bool WaitFor(const std::string& sentence, std::size_t count, std::chrono::milliseconds timeout) {
        return w.RunUntil(
            [&] {
                std::size_t n = 0;
                for (const auto& s : wire.WaitSentences(0, 0ms)) n += s.text == sentence;
                return n >= count;
            },
            timeout);
    }
    speed_t LineSpeed() const {
        termios t{};
        ::tcgetattr(wire.Master(), &t);
        return ::cfgetospeed(&t);
    }

    WireTap wire;
};

TEST_F(ConnectTest, FirstQueryGoesOutASecondAfterConnecting) {
    const auto start = WireTap::Clock::now();
    ASSERT_TRUE(w.Click(Ctl::Button1));
    ASSERT_EQ(w.Text(Ctl::Button1), "Off");
    ASSERT_TRUE(WaitFor(std::string(kCmdQueryOutputRates), 1, 3s));
    const double ms = Millis(wire.WaitSentences(1)[0].arrived - start);
    EXPECT_GE(ms, 950.0);
    EXPECT_LE(ms, 1400.0);
    // The rest follows at its own pace and the sequence ends by itself.
    ASSERT_TRUE(WaitFor(std::string(kCmdQueryDgpsMode), 1, 3s));
    ASSERT_TRUE(w.RunUntil([&] { return !w.TimerEnabled(Timer::Timer2); }, 2s));
    std::vector<std::string> sent;
    for (const auto& s : wire.WaitSentences(0)) sent.push_back(s.text);
    EXPECT_EQ(sent, (std::vector<std::string>{"$PMTK414*33\r\n", "$PMTK605*31\r\n",
                                              "$PMTK400*36\r\n", "$PMTK401*37\r\n"}));
}

TEST_F(ConnectTest, BaudChangeReconnectsAtTheNewSpeed) {
    ASSERT_TRUE(w.Click(Ctl::Button1));
    ASSERT_EQ(LineSpeed(), B115200);
    w.SetItemIndex(Ctl::btBr, 1);  // 9600
    w.SetItemIndex(Ctl::cbGGA, 1);

    // The user reads the box while the command goes out.
    w.onBox = [&](const HeadlessWindow::Box&) { wire.WaitSentences(1); };
    ASSERT_TRUE(w.Click(Ctl::btBrSet));
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Bandrate Changed!");
    EXPECT_EQ(w.boxes[0].title, "Bandrate");
    EXPECT_TRUE(w.boxes[0].modal);
    ASSERT_FALSE(wire.WaitSentences(1).empty());
    EXPECT_EQ(wire.WaitSentences(1)[0].text, FrameCommand("$PMTK251,9600"));

    EXPECT_EQ(w.Text(Ctl::Button1), "Off");
    EXPECT_EQ(w.ItemIndex(Ctl::ComboBox2), 1);
    EXPECT_EQ(w.Text(Ctl::ComboBox2), "9600");
    EXPECT_EQ(LineSpeed(), B9600);
    // The reconnect starts the query sequence again at the new speed.
    EXPECT_TRUE(w.TimerEnabled(Timer::Timer2));
    EXPECT_TRUE(WaitFor(std::string(kCmdQueryOutputRates), 1, 3s));
}

TEST_F(ConnectTest, RepliesRefillTheSettingsPage) {
    ASSERT_TRUE(w.Click(Ctl::Button1));
    const std::string replies = FrameCommand("$PMTK705,AXN_3.8_3333,0004,RK-5001,1.0") +
                                FrameCommand("$PMTK500,100,0,0,0,0") +
                                FrameCommand("$PMTK514,1,1,0,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,1") +
                                FrameCommand("$PMTK001,314,3") + FrameCommand("$PMTK869,2,1") +
                                "$";  // a sentence ends where the next one starts
    ASSERT_EQ(::write(wire.Master(), replies.data(), replies.size()),
              static_cast<ssize_t>(replies.size()));
    ASSERT_TRUE(w.RunUntil([&] { return w.Checked(Ctl::rbEasyEn); }, 3s));
    EXPECT_EQ(FirmwareGeneration, 3);
    EXPECT_EQ(w.Text(Ctl::cbFix), "10");
    EXPECT_EQ(FixRateIndex, 5);
    EXPECT_TRUE(w.Checked(Ctl::CheckBox9));
    EXPECT_EQ(w.ItemIndex(Ctl::cbRMC), 1);
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Successful!");
    // Ten fixes a second of GLL, RMC, GGA, GSA, GSV and MCHN on generation 3 at 115200: 93 %.
    w.RunFor(250ms);
    EXPECT_EQ(w.Text(Ctl::lbFix), "10");
    EXPECT_EQ(w.Text(Ctl::lbRS), "93.0");
    EXPECT_EQ(w.TextColor(Ctl::lbRS), colors::Red);
}

}  // namespace
}  // namespace qv::config::testing
