#include <gtest/gtest.h>

#include "window/Controls.h"
#include "window/Design.h"
#include "window/HeadlessWindow.h"

namespace qv {
namespace {

TEST(ErrorBox, AppendsFullStopOnlyAfterBytesSortingAfterIt) {
    struct Case {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Open ComPort failed.", "Open ComPort failed."},
        {"Com Port Error!", "Com Port Error!"},
        {"Error baud rate", "Error baud rate."},
        {"", ""},
        {"ends in digit 5", "ends in digit 5."},
        {"ends in comma,", "ends in comma,"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(HeadlessWindow, StartsAsDesigned) {
    HeadlessWindow w;
    EXPECT_EQ(w.Text(Ctl::Button1), "On");
    EXPECT_EQ(w.Text(Ctl::ComboBox2), "115200");
    EXPECT_EQ(w.ItemIndex(Ctl::ComboBox2), 6);
    EXPECT_EQ(w.ItemCount(Ctl::cbGGA), 6);
    EXPECT_EQ(w.Text(Ctl::cbFix), "1");
    EXPECT_TRUE(w.Checked(Ctl::rbDisable));
    EXPECT_FALSE(w.Enabled(Ctl::hot));
    EXPECT_FALSE(w.Enabled(Ctl::rbEasyEn));
    EXPECT_TRUE(w.Visible(Ctl::Panel2));
    EXPECT_FALSE(w.Visible(Ctl::Panel3));
    EXPECT_TRUE(w.TimerEnabled(Timer::Timer1));
    EXPECT_FALSE(w.TimerEnabled(Timer::Timer2));
    // Plugged-in adapters, then the demo, then the board's UARTs; the first is chosen.
    EXPECT_EQ(w.Text(Ctl::ComboBox1), w.Item(Ctl::ComboBox1, 0));
    int demo = -1;
    for (int i = 0; i < w.ItemCount(Ctl::ComboBox1); ++i) {
        const std::string item = w.Item(Ctl::ComboBox1, i);
        if (item == "Demo receiver") demo = i;
        else EXPECT_EQ(item.rfind("/dev/ttyS", 0) == 0, demo >= 0) << item;
    }
    EXPECT_GE(demo, 0);
}

TEST(HeadlessWindow, RadioPairsAreIndependent) {
    HeadlessWindow w;
    w.SetChecked(Ctl::rbEasyEn, true);
    EXPECT_TRUE(w.Checked(Ctl::rbDisable));
    w.SetChecked(Ctl::rbWAAS, true);
    EXPECT_FALSE(w.Checked(Ctl::rbDisable));
    EXPECT_TRUE(w.Checked(Ctl::rbEasyEn));
    w.SetChecked(Ctl::rbEasyDi, true);
    EXPECT_FALSE(w.Checked(Ctl::rbEasyEn));
    EXPECT_TRUE(w.Checked(Ctl::rbWAAS));
}

TEST(HeadlessWindow, TypedTextLosesSelection) {
    HeadlessWindow w;
    w.Type(Ctl::ComboBox2, "230400");
    EXPECT_EQ(w.ItemIndex(Ctl::ComboBox2), -1);
    w.SetItemIndex(Ctl::ComboBox2, 3);
    EXPECT_EQ(w.Text(Ctl::ComboBox2), "19200");
}

}  // namespace
}  // namespace qv
