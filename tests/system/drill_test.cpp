// Fault drills: the program against a receiver that misbehaves in the ways real
// lines do, and against many reconnects in a row.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "nmea/State.h"
#include "serial/Serial.h"
#include "serial_pty.h"
#include "sim/Simulator.h"
#include "window/HeadlessWindow.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

std::string Framed(std::string_view body) {
    unsigned x = 0;
    for (unsigned char c : body) x ^= c;
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
    return "$" + std::string(body) + tail;
}

class Drill : public ::testing::Test {
protected:
    void TearDown() override {
        if (w.Text(Ctl::Button1) == "Off") w.Click(Ctl::Button1);
        serial::Shutdown();
    }
    HeadlessWindow w;
};

TEST_F(Drill, AThousandReconnectsToTheReceiverLeakNothingAndNeverHang) {
    sim::Simulator receiver;
    ASSERT_TRUE(receiver.Start());
    w.Type(Ctl::ComboBox1, receiver.DevicePath());
    const int before = OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        w.Click(Ctl::Button1);
        ASSERT_EQ(w.Text(Ctl::Button1), "Off") << "connect " << i << ": " << (w.boxes.empty() ? "" : w.boxes.back().text);
        w.ProcessEvents();  // hand-overs of the reader that is finishing
        w.Click(Ctl::Button1);
        ASSERT_EQ(w.Text(Ctl::Button1), "On") << "disconnect " << i;
    }
    // Stopped readers are released once they have ended (a reader still waiting
    // to hand over its last read ends when the window takes it).
    w.Click(Ctl::Button1);
    w.Click(Ctl::Button1);
    EXPECT_TRUE(w.RunUntil([&] { return OpenDescriptors() == before; }, 10s))
        << OpenDescriptors() << " descriptors open, " << before << " before";
    EXPECT_TRUE(w.boxes.empty());

    // And the line still works.
    w.Click(Ctl::Button1);
    const auto shown = w.Appended(Ctl::Memo1);
    EXPECT_TRUE(w.RunUntil([&] { return w.Appended(Ctl::Memo1) >= shown + 5; }, 10s));
}

TEST_F(Drill, GarbageAndOversizedSentencesLeaveTheFollowingSentencesIntact) {
    testing::Pty line;
    w.Type(Ctl::ComboBox1, line.SlavePath());
    w.Click(Ctl::Button1);
    ASSERT_EQ(w.Text(Ctl::Button1), "Off");

    std::mt19937 rng(7);
    std::string burst(1 << 20, '\0');
    for (char& c : burst) {
        c = static_cast<char>(rng());
        if (c == '$') c = '#';  // no accidental sentence starts: the count below is exact
    }
    std::string oversized = "$GPTXT," + std::string(30000, 'A');        // longer than every buffer
    std::string longValid = Framed("GPTXT," + std::string(6000, 'B'));  // valid, but past the sentence buffer
    std::string normal;
    for (int i = 0; i < 20; ++i)
        normal += Framed("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9," + std::to_string(500 + i) +
                         ",M,46.9,M,,");
    normal += "$";  // the last sentence is handed over when the next "$" arrives

    std::thread sender([&] { line.Send("$GP" + burst + oversized + longValid + normal); });
    const bool done = w.RunUntil([&] { return w.Text(Ctl::EdHeight) == "519"; }, 60s);
    sender.join();
    ASSERT_TRUE(done) << "last altitude shown: " << w.Text(Ctl::EdHeight);
    // Exactly the twenty good sentences were shown, in order, each whole.
    EXPECT_EQ(w.Appended(Ctl::Memo1), 20u);
    EXPECT_NE(w.Text(Ctl::Memo1).find(Framed("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,519,M,46.9,M,,")),
              std::string::npos);
}

}  // namespace
}  // namespace qv
