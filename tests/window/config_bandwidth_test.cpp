// The bandwidth display on the settings page, refreshed by Timer1.
#include "config_fixture.h"

namespace qv::config::testing {
namespace {

using BandwidthDisplayTest = ConfigWindow;

TEST_F(BandwidthDisplayTest, ShowsFixRateEstimateAndWarningColour) {
    struct Case {
        const char* baud;  // ComboBox2's text
        std::vector<std::pair<Ctl, int>> rates;
        int fixItem;  // cbFix index; 5 is the "10" item
        std::uint8_t generation;
        const char* fix;
        const char* shown;
        Color color;
    };
    const std::vector<std::pair<Ctl, int>> four = {
        {Ctl::cbGGA, 1}, {Ctl::cbRMC, 1}, {Ctl::cbGSA, 1}, {Ctl::cbGSV, 1}};
    const std::vector<std::pair<Ctl, int>> fourFast = {
        {Ctl::cbGGA, 5}, {Ctl::cbRMC, 3}, {Ctl::cbGSA, 1}, {Ctl::cbGSV, 2}};
    // RMC + GGA + GSA are 2160 bits at 9600: four fixes a second are exactly 90 %.
    const std::vector<std::pair<Ctl, int>> three = {{Ctl::cbRMC, 1}, {Ctl::cbGGA, 1}, {Ctl::cbGSA, 1}};
    const Case cases[] = {
        {"9600", four, 0, 1, "1", "49.4", colors::Black},
        {"9600", fourFast, 0, 1, "1", "49.4", colors::Black},  // a rate does not scale its figure
        {"4800", four, 0, 1, "1", "98.7", colors::Red},
        {"9600", four, 0, 3, "1", "83.1", colors::Black},
        {"9600", three, 3, 1, "4", "90.0", colors::Black},
        {"9600", three, 4, 1, "5", "112.5", colors::Red},
        {"115200", {}, 5, 3, "10", "0.0", colors::Black},
        {"115200", four, 5, 1, "10", "42.0", colors::Black},
        {"12345", four, 1, 1, "2", "-", colors::Black},  // typed: no figures for it
        {"", four, 1, 1, "2", "-", colors::Black},
    };
    w.AddItem(Ctl::cbFix, "10");
    for (const Case& c : cases) {
        for (Ctl box : {Ctl::cbGLL, Ctl::cbRMC, Ctl::cbVTG, Ctl::cbGGA, Ctl::cbGSA, Ctl::cbGSV,
                        Ctl::cbZDA, Ctl::cbMCHN})
            w.SetItemIndex(box, 0);
        for (auto [box, rate] : c.rates) w.SetItemIndex(box, rate);
        w.SetItemIndex(Ctl::cbFix, c.fixItem);
        w.Type(Ctl::ComboBox2, c.baud);
        FirmwareGeneration = c.generation;
        w.SetTextColor(Ctl::lbRS, colors::Blue);
        w.SetTextColor(Ctl::Label40, colors::Blue);

        w.FireTimer(Timer::Timer1);
        const std::string what = std::string(c.baud) + " -> " + c.shown;
        EXPECT_EQ(w.Text(Ctl::lbFix), c.fix) << what;
        EXPECT_EQ(w.Text(Ctl::lbRS), c.shown) << what;
        EXPECT_EQ(w.TextColor(Ctl::lbRS), c.color) << what;
        EXPECT_EQ(w.TextColor(Ctl::Label40), c.color) << what;
    }
}

TEST_F(BandwidthDisplayTest, FollowsTheBoxesWithoutAnyClick) {
    EXPECT_TRUE(w.TimerEnabled(Timer::Timer1));
    w.SetItemIndex(Ctl::cbGSV, 1);  // 2534.4 bits at 115200
    ASSERT_TRUE(w.RunUntil([&] { return w.Text(Ctl::lbRS) == "2.2"; }, std::chrono::seconds(1)));
    w.SetItemIndex(Ctl::cbFix, 4);
    ASSERT_TRUE(w.RunUntil([&] { return w.Text(Ctl::lbRS) == "11.0"; }, std::chrono::seconds(1)));
    EXPECT_EQ(w.Text(Ctl::lbFix), "5");
}

}  // namespace
}  // namespace qv::config::testing
