// The settings page against the simulated receiver: the automatic queries, a
// setting and its acknowledgement, the baud-rate change, and reception going on
// while a reply's box is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/State.h"
#include "serial/Serial.h"
#include "sim/Simulator.h"
#include "window/Handlers.h"
#include "window/HeadlessWindow.h"

namespace qv::config {
namespace {

using namespace std::chrono_literals;

constexpr Ctl kRateBoxes[] = {Ctl::cbGLL, Ctl::cbRMC, Ctl::cbVTG, Ctl::cbGGA,
                              Ctl::cbGSA, Ctl::cbGSV, Ctl::cbZDA, Ctl::cbMCHN};
// The receiver's rate field of each box (GLL 1 ... VTG 3, GGA 4 ... GSV 6, ZDA 18, MCHN 19).
constexpr int kRateFields[] = {1, 2, 3, 4, 5, 6, 18, 19};

class SimSettings : public ::testing::Test {
protected:
    void Start(sim::Options options) {
        FirmwareGeneration = 1;
        FixRateIndex = 0;
        QueryStep = 0;
        receiver = std::make_unique<sim::Simulator>(options);
        ASSERT_TRUE(receiver->Start());
        w.Type(Ctl::ComboBox1, receiver->DevicePath());
        w.SetItemIndex(Ctl::ComboBox2, 6);  // 115200
        ASSERT_TRUE(w.Click(Ctl::Button1));
        ASSERT_EQ(w.Text(Ctl::Button1), "Off");
    }
    void TearDown() override {
        serial::Shutdown();
        if (receiver) receiver->Stop();
    }
    // Waits for the automatic queries to end and their replies to be decoded.
    void WaitForQuerySequence() {
        ASSERT_TRUE(w.RunUntil([&] { return !w.TimerEnabled(Timer::Timer2); }, 5s));
        ASSERT_TRUE(w.RunUntil([&] { return !w.Text(Ctl::Label27).empty(); }, 3s));
        w.RunFor(300ms);  // the last reply is on its way
    }
    std::vector<int> CommandNumbers() const {
        std::vector<int> out;
        for (const auto& c : receiver->ReceivedCommands()) out.push_back(c.number);
        return out;
    }
    void SetBoxes(int rate) {
        for (Ctl c : kRateBoxes) w.SetItemIndex(c, rate);
    }
    bool AnyBox(std::string_view text) const {
        return std::any_of(w.boxes.begin(), w.boxes.end(),
                           [&](const auto& b) { return b.text == text; });
    }

    HeadlessWindow w;
    std::unique_ptr<sim::Simulator> receiver;
};

TEST_F(SimSettings, QuerySequenceRefillsTheSettingsPage) {
    for (int generation : {1, 3}) {
        SCOPED_TRACE(generation);
        sim::Options options;
        options.generation = generation;
        options.model = "RK-5001";
        Start(options);
        WaitForQuerySequence();

        const auto commands = receiver->ReceivedCommands();
        std::vector<int> expected = {414, 605, 400, 401};
        if (generation == 3) expected.push_back(869);
        EXPECT_EQ(CommandNumbers(), expected);
        for (std::size_t i = 1; i < commands.size(); ++i) {
            const auto gap = std::chrono::duration<double, std::milli>(commands[i].at - commands[i - 1].at);
            EXPECT_NEAR(gap.count(), 500.0, 100.0) << i;
        }

        EXPECT_EQ(FirmwareGeneration, generation);
        EXPECT_EQ(w.Text(Ctl::Label27).rfind("AXN_" + std::to_string(generation), 0), 0u)
            << w.Text(Ctl::Label27);
        EXPECT_NE(w.Text(Ctl::Label27).find(",5632,RK-5001,1.0"), std::string::npos);
        EXPECT_EQ(w.ItemCount(Ctl::cbFix), 6);  // this model has the "10" item
        EXPECT_EQ(w.ItemIndex(Ctl::cbFix), 0);
        EXPECT_TRUE(w.Checked(Ctl::rbDisable));
        EXPECT_EQ(w.Enabled(Ctl::btSetEasy), generation == 3);
        // The EASY reply is the last one; it is complete once the next sentence begins.
        if (generation == 3) {
            EXPECT_TRUE(w.RunUntil([&] { return w.Checked(Ctl::rbEasyEn); }, 2s));
        }
        EXPECT_EQ(w.Checked(Ctl::rbEasyEn), generation == 3);
        const auto rates = receiver->CurrentSettings().rates;
        for (std::size_t i = 0; i < 8; ++i)
            EXPECT_EQ(w.ItemIndex(kRateBoxes[i]), rates[static_cast<std::size_t>(kRateFields[i] - 1)])
                << ControlName(kRateBoxes[i]);
        EXPECT_TRUE(w.boxes.empty());

        serial::Shutdown();
        receiver->Stop();
        w.Click(Ctl::Button1);  // the window's side of the disconnect
        w.boxes.clear();
    }
}

TEST_F(SimSettings, SettingsAreAcknowledgedAndReadBack) {
    Start({});
    WaitForQuerySequence();
    receiver->ClearObservations();

    SetBoxes(0);
    w.SetItemIndex(Ctl::cbRMC, 1);
    w.SetItemIndex(Ctl::cbGGA, 2);
    ASSERT_TRUE(w.Click(Ctl::btConfirm));
    ASSERT_TRUE(w.RunUntil([&] { return w.Checked(Ctl::CheckBox1) && !w.Checked(Ctl::CheckBox3); }, 3s));
    EXPECT_EQ(receiver->CurrentSettings().rates[3], 2);
    EXPECT_EQ(receiver->CurrentSettings().rates[5], 0);
    EXPECT_EQ(CommandNumbers(), (std::vector<int>{314, 414}));
    ASSERT_TRUE(w.RunUntil([&] { return AnyBox("Set Successful!"); }, 2s));
    EXPECT_FALSE(w.boxes.back().modal);

    // DGPS: the mode and the SBAS switch are both acknowledged, one box is shown.
    w.boxes.clear();
    w.SetChecked(Ctl::rbWAAS, true);
    w.SetChecked(Ctl::rbDisable, true);
    w.SetChecked(Ctl::rbWAAS, true);
    ASSERT_TRUE(w.Click(Ctl::btDGPSSet));
    ASSERT_TRUE(w.RunUntil([&] { return CommandNumbers().size() >= 5 && !w.boxes.empty(); }, 3s));
    w.RunFor(300ms);
    EXPECT_EQ(receiver->CurrentSettings().dgpsMode, 2);
    EXPECT_TRUE(receiver->CurrentSettings().sbas);
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Successful!");
    EXPECT_TRUE(w.Checked(Ctl::rbWAAS));

    // A refused value is reported as such.
    w.boxes.clear();
    receiver->SetAckFlag(300, 2);
    w.SetItemIndex(Ctl::cbFix, 4);
    ASSERT_TRUE(w.Click(Ctl::btFixSet));
    ASSERT_TRUE(w.RunUntil([&] { return !w.boxes.empty(); }, 3s));
    EXPECT_EQ(w.boxes[0].text, "Set Failed!");
    EXPECT_EQ(w.boxes[0].title, "Error");
}

TEST_F(SimSettings, BaudRateChangeIsGuardedAndReconnects) {
    sim::Options options;
    options.model = "RK-5001";
    Start(options);
    WaitForQuerySequence();

    // All eight sentences, generation 3, ten fixes a second: 101 % at 115200.
    w.SetItemIndex(Ctl::cbFix, 5);
    ASSERT_TRUE(w.Click(Ctl::btFixSet));
    ASSERT_EQ(FixRateIndex, 5);
    SetBoxes(1);
    w.SetItemIndex(Ctl::btBr, 6);
    w.boxes.clear();
    receiver->ClearObservations();
    ASSERT_TRUE(w.Click(Ctl::btBrSet));
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Failed!");
    w.RunFor(300ms);
    const auto numbers = CommandNumbers();
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 251), 0);
    EXPECT_EQ(receiver->LineBaud(), 115200u);
    EXPECT_EQ(w.Text(Ctl::Button1), "Off");

    // Fewer sentences fit at 38400: the receiver and the program move there.
    SetBoxes(0);
    w.SetItemIndex(Ctl::cbRMC, 1);
    w.SetItemIndex(Ctl::btBr, 4);
    w.boxes.clear();
    w.SetText(Ctl::Label27, "");
    // The user reads the box while the command reaches the receiver; only then
    // does the reconnect purge the line.
    w.onBox = [&](const HeadlessWindow::Box&) {
        for (int i = 0; i < 200 && receiver->LineBaud() != 38400u; ++i)
            std::this_thread::sleep_for(10ms);
    };
    ASSERT_TRUE(w.Click(Ctl::btBrSet));
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Bandrate Changed!");
    EXPECT_EQ(w.Text(Ctl::ComboBox2), "38400");
    EXPECT_EQ(w.Text(Ctl::Button1), "Off");
    EXPECT_EQ(receiver->LineBaud(), 38400u);
    EXPECT_TRUE(w.RunUntil([&] { return receiver->ProgramBaud() == 38400u; }, 2s));
    // The query sequence refills the page over the new speed.
    ASSERT_TRUE(w.RunUntil([&] { return !w.Text(Ctl::Label27).empty(); }, 5s))
        << ::testing::PrintToString(CommandNumbers()) << w.Text(Ctl::Memo1).substr(0, 300);
    EXPECT_EQ(FirmwareGeneration, 3);
}

std::vector<std::string> Sentences(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t start = bytes.find('$');
    while (start != std::string::npos) {
        const std::size_t next = bytes.find('$', start + 1);
        out.push_back(bytes.substr(start, next == std::string::npos ? std::string::npos : next - start));
        start = next;
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A user who leaves a reply's box open for ten seconds: reception goes on the
// whole time and every sentence the receiver sends meanwhile is taken in.
TEST_F(SimSettings, OpenReplyBoxLosesNoSentence) {
    Start({});
    WaitForQuerySequence();
    SetBoxes(1);  // every sentence on every fix
    ASSERT_TRUE(w.Click(Ctl::btConfirm));
    ASSERT_TRUE(w.RunUntil([&] { return w.Checked(Ctl::CheckBox9); }, 3s));

    const std::string log = ::testing::TempDir() + "config_open_box";
    std::remove((log + ".TXT").c_str());
    w.saveAnswers.push_back(log);
    ASSERT_TRUE(w.Click(Ctl::StartLog));

    // The box appears; a box that held up its caller would hold it for ten seconds.
    const auto fixesLogged = [&] {
        const auto logged = Sentences(ReadFile(log + ".TXT"));
        return std::count_if(logged.begin(), logged.end(),
                             [](const std::string& s) { return s.rfind("$GNGGA", 0) == 0; });
    };
    std::optional<std::chrono::steady_clock::time_point> shown;
    std::size_t sentBefore = 0;
    std::ptrdiff_t loggedBefore = 0;
    w.onBox = [&](const HeadlessWindow::Box& b) {
        if (!shown) {
            shown = std::chrono::steady_clock::now();
            sentBefore = receiver->SentSentenceCount();
            loggedBefore = fixesLogged();
        }
        if (b.modal) std::this_thread::sleep_for(10s);
    };
    ASSERT_TRUE(w.Click(Ctl::btDefault));  // acknowledged by the receiver
    ASSERT_TRUE(w.RunUntil([&] { return shown.has_value(); }, 3s));
    w.RunUntil([&] { return std::chrono::steady_clock::now() >= *shown + 10s; }, 11s);
    EXPECT_GE(fixesLogged() - loggedBefore, 9) << "reception stopped while the box was open";

    const std::vector<std::string> sent = receiver->SentSentences();
    ASSERT_EQ(sent.size(), receiver->SentSentenceCount());
    ASSERT_GT(sent.size(), sentBefore + 2);
    // The newest sentence is complete for the program only once the next begins.
    const std::vector<std::string> during(sent.begin() + static_cast<std::ptrdiff_t>(sentBefore),
                                          sent.end() - 1);
    const auto fixes = std::count_if(during.begin(), during.end(),
                                     [](const std::string& s) { return s.rfind("$GNGGA", 0) == 0; });
    EXPECT_GE(fixes, 9) << "the receiver's output stalled while the box was open";

    ASSERT_TRUE(w.RunUntil(
        [&] { return ReadFile(log + ".TXT").find(during.back()) != std::string::npos; }, 3s));
    ASSERT_TRUE(w.Click(Ctl::StopLog));
    const std::vector<std::string> logged = Sentences(ReadFile(log + ".TXT"));
    EXPECT_NE(std::search(logged.begin(), logged.end(), during.begin(), during.end()), logged.end())
        << "a sentence the receiver sent is missing from the log";
    std::remove((log + ".TXT").c_str());
}

}  // namespace
}  // namespace qv::config
