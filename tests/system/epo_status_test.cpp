// The Query and Reset buttons of the AGPS group against the simulated receiver:
// the 707 reply becomes the validity text, Reset asks first and erases the data.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "epo/Epo.h"
#include "serial/Serial.h"
#include "sim/Simulator.h"
#include "system/epo_ftp_server.h"
#include "window/HeadlessWindow.h"

namespace qv::epo {
namespace {

using namespace std::chrono_literals;

// Records one hour apart starting about now (GPS time, leap seconds aside).
std::vector<sim::EpoRecord> RecordsFromNow(int n) {
    const auto gpsHours = static_cast<std::uint32_t>((std::time(nullptr) - 315964800) / 3600);
    std::vector<sim::EpoRecord> r;
    for (int i = 0; i < n; ++i) r.push_back(sim::MakeEpoRecord(gpsHours + static_cast<std::uint32_t>(i / 32 * 6)));
    return r;
}

class EpoStatusButtons : public ::testing::Test {
protected:
    void SetUp() override {
        threads_ = epotest::BaselineThreadCount();
        ASSERT_TRUE(sim_.Start());
        w.Type(Ctl::ComboBox1, sim_.DevicePath());
        w.Type(Ctl::ComboBox2, "115200");
        ASSERT_TRUE(w.Click(Ctl::Button1));
        w.SetTimerEnabled(Timer::Timer2, false);
    }
    void TearDown() override {
        w.Click(Ctl::Button1);
        sim_.Stop();
        // Every reader ends before the window does (one may wait on a hand-over).
        EXPECT_TRUE(w.RunUntil([&] { return epotest::ThreadCount() <= threads_; }, 10s));
    }

    std::string QueryStatus() {
        w.SetText(Ctl::Label39, "");
        EXPECT_TRUE(w.Click(Ctl::Button2));
        EXPECT_TRUE(w.RunUntil([&] { return !w.Text(Ctl::Label39).empty(); }, 5s));
        return w.Text(Ctl::Label39);
    }

    int CommandsNumbered(int number) const {
        int n = 0;
        for (const auto& c : sim_.ReceivedCommands()) n += c.number == number;
        return n;
    }

    sim::Simulator sim_;
    HeadlessWindow w;
    int threads_ = 0;
};

TEST_F(EpoStatusButtons, QueryShowsHowLongTheStoredDataLast) {
    EXPECT_EQ(QueryStatus(), "NO EPO Data!");
    ASSERT_EQ(CommandsNumbered(607), 1);
    EXPECT_EQ(sim_.ReceivedCommands().back().raw, "$PMTK607*33\r\n");

    sim_.SetEpoRecords(RecordsFromNow(28 * 32));  // a complete 7-day set
    EXPECT_TRUE(std::regex_match(QueryStatus(), std::regex(R"(Remained [0-9]+ Days [0-9]+ Hours\.)")));

    sim_.SetEpoRecords(RecordsFromNow(20 * 32));  // an update that stopped short
    const std::string text = QueryStatus();
    EXPECT_NE(text.find(" to "), std::string::npos) << text;
    EXPECT_NE(text.find("\n Remained "), std::string::npos) << text;
    EXPECT_NE(text.find("\n(EPO data update is not completely. Please update again.)"), std::string::npos);
}

TEST_F(EpoStatusButtons, ResetAsksFirstAndErasesOnlyOnYes) {
    sim_.SetEpoRecords(RecordsFromNow(32));
    w.SetText(Ctl::Label39, "kept");
    w.answers = {MsgResult::No};
    ASSERT_TRUE(w.Click(Ctl::Button4));
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Clear The EPO Data ?");
    EXPECT_EQ(w.boxes[0].title, "AGPS Message");
    EXPECT_EQ(w.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(w.boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(w.Text(Ctl::Label39), "kept");

    w.answers = {MsgResult::Yes};
    ASSERT_TRUE(w.Click(Ctl::Button4));
    EXPECT_EQ(w.Text(Ctl::Label39), "Cleaned EPO Data ");
    ASSERT_TRUE(w.RunUntil([&] { return sim_.EpoRecords().empty(); }, 5s));
    // Only the answered Yes reached the receiver, as exactly its framed bytes.
    ASSERT_EQ(CommandsNumbered(127), 1);
    for (const auto& c : sim_.ReceivedCommands()) {
        if (c.number == 127) {
            EXPECT_EQ(c.raw, "$PMTK127*36\r\n");
        }
    }
}

}  // namespace
}  // namespace qv::epo
