#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/SerialPort.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

namespace qv::serial {
namespace {

using namespace std::chrono_literals;

TEST(SerialDemoReceiver, ConnectsReadsAndKeepsTheSameReceiverAcrossReconnects) {
    HeadlessWindow w;
    for (int i = 0; i < w.ItemCount(Ctl::ComboBox1); ++i)
        if (w.Item(Ctl::ComboBox1, i) == platform::kDemoPortName) w.SetItemIndex(Ctl::ComboBox1, i);
    ASSERT_EQ(w.Text(Ctl::ComboBox1), platform::kDemoPortName);
    w.Type(Ctl::ComboBox2, "115200");
    ASSERT_TRUE(w.Click(Ctl::Button1));
    ASSERT_EQ(w.Text(Ctl::Button1), "Off");
    ASSERT_TRUE(hComPort.Get());
    const std::string device = hComPort.Get()->Path();
    auto sentence = [] { return std::string(SentenceBuf, static_cast<std::size_t>(SentenceLen)); };
    EXPECT_TRUE(w.RunUntil([&] { return sentence().rfind("$G", 0) == 0; }, 5s)) << sentence();

    w.Click(Ctl::Button1);
    w.Click(Ctl::Button1);
    ASSERT_EQ(w.Text(Ctl::Button1), "Off");
    EXPECT_EQ(hComPort.Get()->Path(), device);
    SentenceLen = 0;
    EXPECT_TRUE(w.RunUntil([&] { return sentence().rfind("$G", 0) == 0; }, 5s)) << sentence();
    auto again = ReopenPort(std::string(platform::kDemoPortName), 9600);
    EXPECT_FALSE(again) << "the connected port is exclusive";
    w.Click(Ctl::Button1);
    again = ReopenPort(std::string(platform::kDemoPortName), 9600);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Path(), device);
    again->Close();
    Shutdown();
}

}  // namespace
}  // namespace qv::serial
