// The command handlers: the bytes they put on the line, in what order, with what
// pauses, and what they refuse.
#include <functional>

#include "config/Commands.h"
#include "config/Queries.h"
#include "config_fixture.h"
#include "config_wire.h"
#include "window/Handlers.h"

namespace qv::config::testing {
namespace {

class HandlerTest : public ConfigWindow {
protected:
    void SetUp() override { ASSERT_TRUE(wire.Attach()); }
    // Runs a handler as a click does, then marks the end of what it wrote.
    std::vector<std::string> Sent(void (*handler)()) {
        RunHandler(handler);
        WireTap::Mark();
        return wire.Steps(++marks).back();
    }
    // The largest gap seen between sentences i and i+1 over a few runs: a late
    // wake-up of the tap can shorten one measurement, never all of them.
    double GapMs(void (*handler)(), std::size_t i) {
        double best = 0;
        for (int run = 0; run < 3; ++run) {
            const std::size_t before = wire.WaitSentences(0).size();
            Sent(handler);
            const auto all = wire.WaitSentences(0);
            best = std::max(best, Millis(all[before + i + 1].arrived - all[before + i].arrived));
        }
        return best;
    }
    void SetRates(std::initializer_list<std::pair<Ctl, int>> rates) {
        for (Ctl c : {Ctl::cbGLL, Ctl::cbRMC, Ctl::cbVTG, Ctl::cbGGA, Ctl::cbGSA, Ctl::cbGSV,
                      Ctl::cbZDA, Ctl::cbMCHN})
            w.SetItemIndex(c, 0);
        for (auto [c, r] : rates) w.SetItemIndex(c, r);
    }
    void SetConnected(bool on) { w.SetText(Ctl::Button1, on ? "Off" : "On"); }

    WireTap wire;
    std::size_t marks = 0;
};

using Lines = std::vector<std::string>;

TEST_F(HandlerTest, QueryButtonsSendOneFixedSentenceEach) {
    const std::pair<void (*)(), const char*> cases[] = {
        {btNAQueryClick, "$PMTK414*33\r\n"},  {btVerQueryClick, "$PMTK605*31\r\n"},
        {btFixQueryClick, "$PMTK400*36\r\n"}, {btDGQueryClick, "$PMTK401*37\r\n"},
        {btQEasyClick, "$PMTK869,0*29\r\n"},  {hotClick, "$PMTK101*32\r\n"},
        {warmClick, "$PMTK102*31\r\n"},       {coldClick, "$PMTK103*30\r\n"},
    };
    std::string expected;
    for (const auto& [handler, sentence] : cases) {
        EXPECT_EQ(Sent(handler), Lines{sentence});
        expected += std::string(sentence) + "#\r\n";
    }
    // Exactly the sentences' bytes: no terminator byte, nothing in between.
    EXPECT_EQ(wire.Bytes(), expected);
}

TEST_F(HandlerTest, DefaultSendsQueryAfterAPause) {
    EXPECT_EQ(Sent(btDefaultClick), (Lines{"$PMTK314,-1*04\r\n", "$PMTK414*33\r\n"}));
    EXPECT_GE(GapMs(btDefaultClick, 0), 5.0);
    EXPECT_TRUE(w.boxes.empty());
}

TEST_F(HandlerTest, RestartResetsTheDisplayAndTheQuerySequence) {
    for (Ctl c : {Ctl::EdHeight, Ctl::EdSpeed, Ctl::EdTime, Ctl::EdDate, Ctl::EdPDOP, Ctl::Edit1,
                  Ctl::EdLat, Ctl::EdMode})
        w.SetText(c, "3D");
    w.AppendText(Ctl::Memo1, "$GPGGA,1*00\r\n");
    for (Ctl c : {Ctl::CheckBox1, Ctl::CheckBox2, Ctl::CheckBox3, Ctl::CheckBox4, Ctl::CheckBox5,
                  Ctl::CheckBox6, Ctl::CheckBox7, Ctl::CheckBox9})
        w.SetChecked(c, true);
    QueryStep = 4;
    nmea::Fix3dFromGN = nmea::Fix3dFromOther = 1;
    nmea::SatInfo.UsedGlonass[70] = "70";

    ASSERT_EQ(Sent(coldClick), Lines{"$PMTK103*30\r\n"});

    EXPECT_EQ(w.Text(Ctl::Edit1), "0");
    EXPECT_EQ(w.Text(Ctl::Memo1), "");
    EXPECT_EQ(w.Text(Ctl::EdPDOP), "");
    for (Ctl c : {Ctl::EdHeight, Ctl::EdSpeed, Ctl::EdTime, Ctl::EdDate})
        EXPECT_EQ(w.Text(c), "0") << ControlName(c);
    EXPECT_EQ(w.Text(Ctl::EdLat), "3D");
    EXPECT_EQ(w.Text(Ctl::EdMode), "3D");
    for (Ctl c : {Ctl::CheckBox1, Ctl::CheckBox2, Ctl::CheckBox3, Ctl::CheckBox4, Ctl::CheckBox5,
                  Ctl::CheckBox6, Ctl::CheckBox7})
        EXPECT_FALSE(w.Checked(c)) << ControlName(c);
    EXPECT_TRUE(w.Checked(Ctl::CheckBox9));
    EXPECT_EQ(QueryStep, 0);
    EXPECT_TRUE(w.TimerEnabled(Timer::Timer2));
    EXPECT_EQ(nmea::Fix3dFromGN, 0);
    EXPECT_EQ(nmea::Fix3dFromOther, 0);
    EXPECT_EQ(nmea::SatInfo.UsedGlonass[70], "0");

    // With the mode still "3D" the counter holds at 0.
    w.FireTimer(Timer::Timer3);
    EXPECT_EQ(w.Text(Ctl::Edit1), "0");
    w.SetText(Ctl::EdMode, "2D");
    for (const char* t : {"0.1", "0.2", "0.3"}) {
        w.FireTimer(Timer::Timer3);
        EXPECT_EQ(w.Text(Ctl::Edit1), t);
    }
    w.SetText(Ctl::Edit1, "ab");
    w.FireTimer(Timer::Timer3);
    EXPECT_EQ(w.Text(Ctl::Edit1), "0.1");
}

// Runs ticks of Timer2 and returns what each tick sent.
class QuerySequenceTest : public HandlerTest {
protected:
    std::vector<Lines> Ticks(int n, const std::function<void(int)>& before = {}) {
        std::vector<Lines> out;
        for (int i = 0; i < n; ++i) {
            if (before) before(i);
            if (!w.TimerEnabled(Timer::Timer2)) {
                out.emplace_back(Lines{"(stopped)"});
                continue;
            }
            out.push_back(Sent(Timer2Timer));
        }
        return out;
    }
    void Connect() {
        QueryStep = 0;
        w.SetTimerEnabled(Timer::Timer2, true);
    }
};

TEST_F(QuerySequenceTest, GenerationOneSkipsTheEasyQuery) {
    Connect();
    const std::vector<Lines> expected = {{},
                                         {"$PMTK414*33\r\n"},
                                         {"$PMTK605*31\r\n"},
                                         {"$PMTK400*36\r\n"},
                                         {"$PMTK401*37\r\n"},
                                         {},
                                         {},
                                         {"(stopped)"}};
    EXPECT_EQ(Ticks(8), expected);
    EXPECT_EQ(QueryStep, 1);
}

TEST_F(QuerySequenceTest, LaterGenerationsAskForEasy) {
    for (std::uint8_t generation : {2, 3}) {
        FirmwareGeneration = generation;
        Connect();
        const auto ticks = Ticks(7);
        EXPECT_EQ(ticks[5], Lines{"$PMTK869,0*29\r\n"}) << int(generation);
        EXPECT_EQ(ticks[6], Lines{});
        EXPECT_FALSE(w.TimerEnabled(Timer::Timer2));
    }
}

TEST_F(QuerySequenceTest, RestartSendsTheSequenceBackToItsStart) {
    Connect();
    // The restart comes between the fourth and fifth ticks (2 s after connecting).
    const auto ticks = Ticks(11, [&](int i) {
        if (i == 4) RunHandler(warmClick);
    });
    const std::vector<Lines> expected = {{},
                                         {"$PMTK414*33\r\n"},
                                         {"$PMTK605*31\r\n"},
                                         {"$PMTK400*36\r\n"},
                                         {"$PMTK102*31\r\n"},  // the restart, then step 0
                                         {"$PMTK414*33\r\n"},
                                         {"$PMTK605*31\r\n"},
                                         {"$PMTK400*36\r\n"},
                                         {"$PMTK401*37\r\n"},
                                         {},
                                         {}};
    EXPECT_EQ(ticks, expected);
    EXPECT_FALSE(w.TimerEnabled(Timer::Timer2));
}

TEST_F(HandlerTest, DgpsSendsModeQueryAndSwitch) {
    w.SetChecked(Ctl::rbWAAS, true);
    EXPECT_EQ(Sent(btDGPSSetClick),
              (Lines{"$PMTK301,2*2E\r\n", "$PMTK401*37\r\n", "$PMTK313,1*2E\r\n"}));
    EXPECT_GE(GapMs(btDGPSSetClick, 0), 5.0);
    w.SetChecked(Ctl::rbDisable, true);
    EXPECT_EQ(Sent(btDGPSSetClick),
              (Lines{"$PMTK301,0*2C\r\n", "$PMTK401*37\r\n", "$PMTK313,0*2F\r\n"}));
    EXPECT_TRUE(w.boxes.empty());
}

TEST_F(HandlerTest, EasySendsTheCheckedChoice) {
    EXPECT_EQ(Sent(btSetEasyClick), Lines{});  // neither checked at start
    w.SetChecked(Ctl::rbEasyEn, true);
    EXPECT_EQ(Sent(btSetEasyClick), Lines{"$PMTK869,1,1*35\r\n"});
    EXPECT_TRUE(w.Checked(Ctl::rbDisable)) << "the DGPS pair is another choice";
    w.SetChecked(Ctl::rbEasyDi, true);
    EXPECT_EQ(Sent(btSetEasyClick), Lines{"$PMTK869,1,0*34\r\n"});
}

TEST_F(HandlerTest, FixRateAsksBeforeLeavingFastRates) {
    struct Case {
        const char* item;  // selected, or typed when not one of the items
        bool connected;
        std::optional<MsgResult> answer;  // the question's answer; nullopt: no question
        const char* sent;                 // nullptr: nothing
        int index;                        // FixRateIndex afterwards
    };
    w.AddItem(Ctl::cbFix, "10");
    const Case cases[] = {
        {"5", true, std::nullopt, "$PMTK300,200,0,0,0,0*2F\r\n", 4},
        {"10", true, std::nullopt, "$PMTK300,100,0,0,0,0*2C\r\n", 5},
        {"2", true, MsgResult::No, nullptr, 5},
        {"2", true, MsgResult::Yes, "$PMTK300,500,0,0,0,0*28\r\n", 1},
        {"3", false, std::nullopt, "$PMTK300,333,0,0,0,0*2E\r\n", 2},
        {"1", true, MsgResult::Yes, "$PMTK300,1000,0,0,0,0*1C\r\n", 0},
    };
    for (const Case& c : cases) {
        SetConnected(c.connected);
        w.SetItemIndex(Ctl::cbFix, std::stoi(c.item) == 10 ? 5 : std::stoi(c.item) - 1);
        w.boxes.clear();
        if (c.answer) w.answers.push_back(*c.answer);
        EXPECT_EQ(Sent(btFixSetClick), c.sent ? Lines{c.sent} : Lines{}) << c.item;
        EXPECT_EQ(FixRateIndex, c.index) << c.item;
        ASSERT_EQ(w.boxes.size(), c.answer ? 1u : 0u) << c.item;
        if (c.answer) {
            EXPECT_EQ(w.boxes[0].text, "It will turn off 5HZ(or 10HZ) function,\nAre you still want to do?");
            EXPECT_EQ(w.boxes[0].title, "Warning");
            EXPECT_EQ(w.boxes[0].buttons, MsgButtons::YesNo);
            EXPECT_TRUE(w.boxes[0].modal);
        }
    }
}

TEST_F(HandlerTest, FixRateTypedTextIsRefusedUnlessItIsAnItem) {
    SetConnected(true);
    w.Type(Ctl::cbFix, "7");
    EXPECT_EQ(Sent(btFixSetClick), Lines{});
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Failed!");
    EXPECT_EQ(w.boxes[0].title, "Error");
    EXPECT_EQ(FixRateIndex, 0);

    w.Type(Ctl::cbFix, "5");
    EXPECT_EQ(Sent(btFixSetClick), Lines{"$PMTK300,200,0,0,0,0*2F\r\n"});
    EXPECT_EQ(FixRateIndex, 4);
}

TEST_F(HandlerTest, ConfirmSendsRatesThenQueriesAfterAPause) {
    w.SetItemIndex(Ctl::ComboBox2, 1);  // 9600
    SetRates({{Ctl::cbGLL, 1}, {Ctl::cbRMC, 2}, {Ctl::cbVTG, 3}, {Ctl::cbZDA, 4}, {Ctl::cbMCHN, 5}});
    const Lines sent = Sent(btConfirmClick);
    EXPECT_EQ(sent, (Lines{FrameCommand("$PMTK314,1,2,3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,4,5"),
                           "$PMTK414*33\r\n"}));
    EXPECT_GE(GapMs(btConfirmClick, 0), 5.0);
    EXPECT_TRUE(w.boxes.empty());
    // The boxes wait for the receiver's reply.
    EXPECT_EQ(w.ItemIndex(Ctl::cbRMC), 2);
}

TEST_F(HandlerTest, ConfirmGuardsTheLine) {
    struct Case {
        const char* baudText;
        int fixRateIndex;
        bool sent;
    };
    // RMC + VTG + GGA are 1920 bits at 9600 baud.
    const Case cases[] = {
        {"9600", 4, true},     // 5 fixes: exactly 100.0 per cent
        {"9600", 5, false},    // 10 fixes: 200 per cent
        {"4800", 4, false},    // the same output at half the speed
        {"12345", 0, false},   // a typed speed the table has no figures for
        {"", 0, false},
    };
    SetRates({{Ctl::cbRMC, 1}, {Ctl::cbVTG, 1}, {Ctl::cbGGA, 1}});
    for (const Case& c : cases) {
        const int row = w.ItemCount(Ctl::ComboBox2);
        w.Type(Ctl::ComboBox2, c.baudText);
        for (int i = 0; i < row; ++i)
            if (w.Item(Ctl::ComboBox2, i) == c.baudText) w.SetItemIndex(Ctl::ComboBox2, i);
        FixRateIndex = static_cast<std::uint8_t>(c.fixRateIndex);
        w.boxes.clear();
        const Lines sent = Sent(btConfirmClick);
        EXPECT_EQ(sent.size(), c.sent ? 2u : 0u) << c.baudText << " " << c.fixRateIndex;
        if (c.sent) continue;
        ASSERT_EQ(w.boxes.size(), 1u);
        EXPECT_EQ(w.boxes[0].text, "Set Failed!");
        EXPECT_EQ(w.boxes[0].title, "Error");
        EXPECT_EQ(w.boxes[0].buttons, MsgButtons::Ok);
        EXPECT_TRUE(w.boxes[0].modal);
    }
}

TEST_F(HandlerTest, ConfirmSendsARateShownAsTextByAReply) {
    w.SetItemIndex(Ctl::ComboBox2, 6);
    SetRates({});
    w.SetText(Ctl::cbGGA, "7");  // as a 514 reply shows a rate above the items
    EXPECT_EQ(Sent(btConfirmClick)[0],
              FrameCommand("$PMTK314,0,0,0,7,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"));
    w.SetText(Ctl::cbGGA, "x");
    EXPECT_EQ(Sent(btConfirmClick)[0],
              FrameCommand("$PMTK314,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"));
}

TEST_F(HandlerTest, BaudChangeRefusedWhenTheOutputWouldNotFit) {
    SetConnected(true);
    FirmwareGeneration = 3;
    FixRateIndex = 5;
    SetRates({{Ctl::cbGLL, 1}, {Ctl::cbRMC, 1}, {Ctl::cbVTG, 1}, {Ctl::cbGGA, 1}, {Ctl::cbGSA, 1},
              {Ctl::cbGSV, 1}, {Ctl::cbZDA, 1}, {Ctl::cbMCHN, 1}});
    w.SetItemIndex(Ctl::btBr, 6);
    w.Type(Ctl::ComboBox1, "unchanged");
    EXPECT_EQ(Sent(btBrSetClick), Lines{});
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Failed!");
    EXPECT_EQ(w.boxes[0].title, "Error");
    EXPECT_EQ(w.Text(Ctl::Button1), "Off");
    EXPECT_EQ(w.ItemIndex(Ctl::ComboBox2), 6);

    w.boxes.clear();
    w.Type(Ctl::btBr, "12345");  // no such rate
    SetRates({});
    EXPECT_EQ(Sent(btBrSetClick), Lines{});
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "Set Failed!");
}

}  // namespace
}  // namespace qv::config::testing
