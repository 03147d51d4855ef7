// The receiver's replies and what they do to the settings page.
#include "config/Replies.h"

#include "config_fixture.h"

namespace qv::config::testing {
namespace {

using ReplyTest = ConfigWindow;

TEST_F(ReplyTest, AcknowledgementsShowABoxWithoutWaiting) {
    struct Case {
        const char* reply;
        const char* text;  // nullptr: no box
        const char* title;
    };
    const Case cases[] = {
        {"PMTK001,314,3", "Set Successful!", "Send ok"},
        {"PMTK001,300,2", "Set Failed!", "Error"},
        {"PMTK001,869,1", "Set Failed!", "Error"},
        {"PMTK001,301", "Set Failed!", "Error"},  // no flag
        {"PMTK001,313,3", nullptr, nullptr},      // the SBAS switch after a DGPS mode
        {"PMTK001,313,2", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        w.boxes.clear();
        Fields(c.reply);
        DecodeReply();
        if (!c.text) {
            EXPECT_TRUE(w.boxes.empty()) << c.reply;
            continue;
        }
        ASSERT_EQ(w.boxes.size(), 1u) << c.reply;
        EXPECT_EQ(w.boxes[0].text, c.text);
        EXPECT_EQ(w.boxes[0].title, c.title);
        EXPECT_EQ(w.boxes[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(w.boxes[0].icon, MsgIcon::None);
        EXPECT_FALSE(w.boxes[0].modal) << "a reply box must not hold up the reader";
    }
}

TEST_F(ReplyTest, AcknowledgementBoxesKeepTheOrderOfTheReplies) {
    for (const char* r : {"PMTK001,314,3", "PMTK001,300,1", "PMTK001,313,3", "PMTK001,301,3"}) {
        Fields(r);
        DecodeReply();
    }
    ASSERT_EQ(w.boxes.size(), 3u);
    EXPECT_EQ(w.boxes[0].text, "Set Successful!");
    EXPECT_EQ(w.boxes[1].text, "Set Failed!");
    EXPECT_EQ(w.boxes[2].text, "Set Successful!");
}

TEST_F(ReplyTest, FixInterval) {
    struct Case {
        int interval, index;
    };
    for (const Case c : {Case{1000, 0}, Case{500, 1}, Case{333, 2}, Case{250, 3}, Case{200, 4}}) {
        Fields("PMTK500," + std::to_string(c.interval) + ",0,0,0,0");
        DecodeReply();
        EXPECT_EQ(w.ItemIndex(Ctl::cbFix), c.index) << c.interval;
        EXPECT_EQ(FixRateIndex, c.index) << c.interval;
    }
    EXPECT_EQ(w.ItemCount(Ctl::cbFix), 5);

    // 100 ms adds the "10" item once and selects it.
    for (int i = 0; i < 2; ++i) {
        Fields("PMTK500,100,0,0,0,0");
        DecodeReply();
    }
    EXPECT_EQ(w.ItemCount(Ctl::cbFix), 6);
    EXPECT_EQ(w.Item(Ctl::cbFix, 5), "10");
    EXPECT_EQ(w.Text(Ctl::cbFix), "10");
    EXPECT_EQ(FixRateIndex, 5);

    // An interval without an item leaves the box; the index follows the box.
    w.SetItemIndex(Ctl::cbFix, 2);
    Fields("PMTK500,150,0,0,0,0");
    DecodeReply();
    EXPECT_EQ(w.ItemIndex(Ctl::cbFix), 2);
    EXPECT_EQ(FixRateIndex, 2);
}

TEST_F(ReplyTest, DgpsAndEasyRepliesTouchOnlyTheirOwnPair) {
    w.SetChecked(Ctl::rbEasyEn, true);
    Fields("PMTK501,2");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbWAAS));
    EXPECT_FALSE(w.Checked(Ctl::rbDisable));
    EXPECT_TRUE(w.Checked(Ctl::rbEasyEn));

    Fields("PMTK501,1");  // no such mode here
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbWAAS));

    Fields("PMTK869,2,0");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbEasyDi));
    EXPECT_FALSE(w.Checked(Ctl::rbEasyEn));
    EXPECT_TRUE(w.Checked(Ctl::rbWAAS));

    Fields("PMTK869,1,1");  // a setting's echo, not the state
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbEasyDi));
    Fields("PMTK869,2,1");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbEasyEn));

    Fields("PMTK501,0");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::rbDisable));
    EXPECT_TRUE(w.Checked(Ctl::rbEasyEn));
}

TEST_F(ReplyTest, OutputRatesFillBoxesAndIndicators) {
    w.SetChecked(Ctl::CheckBox9, true);
    w.SetItemIndex(Ctl::cbZDA, 3);
    Fields("PMTK514,0,1,0,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0");
    DecodeReply();
    struct Row {
        Ctl box, indicator;
        int index;
    };
    const Row rows[] = {
        {Ctl::cbGLL, Ctl::CheckBox5, 0}, {Ctl::cbRMC, Ctl::CheckBox4, 1},
        {Ctl::cbVTG, Ctl::CheckBox6, 0}, {Ctl::cbGGA, Ctl::CheckBox1, 1},
        {Ctl::cbGSA, Ctl::CheckBox2, 1}, {Ctl::cbGSV, Ctl::CheckBox3, 1},
        {Ctl::cbZDA, Ctl::CheckBox7, 0}, {Ctl::cbMCHN, Ctl::CheckBox9, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(w.ItemIndex(r.box), r.index) << ControlName(r.box);
        EXPECT_EQ(w.Checked(r.indicator), r.index != 0) << ControlName(r.indicator);
    }

    // Field order: 1 GLL, 2 RMC, 3 VTG, 4 GGA, 5 GSA, 6 GSV, 18 ZDA, 19 MCHN.
    Fields("PMTK514,1,2,3,4,5,0,9,9,9,9,9,9,9,9,9,9,9,2,1");
    DecodeReply();
    const int expected[] = {1, 2, 3, 4, 5, 0, 2, 1};
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(w.ItemIndex(rows[i].box), expected[i]) << i;
}

TEST_F(ReplyTest, OutputRateBeyondTheItemsIsShownAsText) {
    Fields("PMTK514,0,0,0,7,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::CheckBox1));
    EXPECT_EQ(w.Text(Ctl::cbGGA), "7");
    EXPECT_EQ(w.ItemIndex(Ctl::cbGGA), -1);
    EXPECT_EQ(w.ItemCount(Ctl::cbGGA), 6);
}

TEST_F(ReplyTest, ShortOutputRateReplyClearsTheMissingSentences) {
    w.SetChecked(Ctl::CheckBox9, true);
    w.SetChecked(Ctl::CheckBox7, true);
    Fields("PMTK514,0,1,0,1");
    DecodeReply();
    EXPECT_TRUE(w.Checked(Ctl::CheckBox1));
    EXPECT_FALSE(w.Checked(Ctl::CheckBox9));
    EXPECT_FALSE(w.Checked(Ctl::CheckBox7));
    EXPECT_EQ(w.ItemIndex(Ctl::cbMCHN), 0);
}

TEST_F(ReplyTest, FirmwareGenerationEnablesEasy) {
    Fields("PMTK705,AXN_3.8_3333_16070501,0004,RK-5001,1.0");
    DecodeReply();
    EXPECT_EQ(FirmwareGeneration, 3);
    for (Ctl c : {Ctl::rbEasyDi, Ctl::rbEasyEn, Ctl::btQEasy, Ctl::btSetEasy})
        EXPECT_TRUE(w.Enabled(c)) << ControlName(c);
    EXPECT_EQ(w.Text(Ctl::Label27), "AXN_3.8_3333_16070501,0004,RK-5001,1.0");

    // Generation 1 does not take the EASY controls away again.
    Fields("PMTK705,AXN_1.3,0001,RK-5001,");
    DecodeReply();
    EXPECT_EQ(FirmwareGeneration, 1);
    EXPECT_TRUE(w.Enabled(Ctl::btSetEasy));
    EXPECT_EQ(w.Text(Ctl::Label27), "AXN_1.3,0001,RK-5001,");
}

TEST_F(ReplyTest, FirmwareWithoutGenerationKeepsIt) {
    FirmwareGeneration = 2;
    for (Ctl c : {Ctl::Button2, Ctl::Button3, Ctl::Button4}) w.SetEnabled(c, true);
    for (const char* r : {"PMTK705,AXN_", "PMTK705,AXN_x.1,1,M,2"}) {
        Fields(r);
        DecodeReply();
        EXPECT_EQ(FirmwareGeneration, 2) << r;
        EXPECT_TRUE(w.Enabled(Ctl::Button3)) << r;
    }
    Fields("PMTK705,BXN_3.0,1,RK-5001,2");
    DecodeReply();
    EXPECT_EQ(FirmwareGeneration, 2);
    EXPECT_FALSE(w.Enabled(Ctl::btQEasy));
    for (Ctl c : {Ctl::Button2, Ctl::Button3, Ctl::Button4})
        EXPECT_FALSE(w.Enabled(c)) << ControlName(c);
    EXPECT_EQ(w.Text(Ctl::Label27), "BXN_3.0,1,RK-5001,2");
}

TEST_F(ReplyTest, FastFixItemFollowsTheModel) {
    for (int i = 0; i < 2; ++i) {
        Fields("PMTK705,AXN_2.1,1,RK-5002,x");
        DecodeReply();
        EXPECT_EQ(w.ItemCount(Ctl::cbFix), 6);
    }
    EXPECT_EQ(w.Item(Ctl::cbFix, 5), "10");
    Fields("PMTK705,AXN_2.1,1,GT-100,x");
    DecodeReply();
    EXPECT_EQ(w.ItemCount(Ctl::cbFix), 5);
    Fields("PMTK705,AXN_2.1,1,GT-100,x");
    DecodeReply();
    EXPECT_EQ(w.ItemCount(Ctl::cbFix), 5);
}

TEST_F(ReplyTest, OtherSentencesChangeNothing) {
    const auto before = Snapshot();
    for (const char* r : {"PMTKCHN,1,2,3", "PMTK,1", "PMTK999,1", "PMTK002,314,3", "PMTK-1,314,3",
                          "GPGGA,1,2", "PMTK501,7", "PMTK869,2,5", "PMTK500,0", ""}) {
        Fields(r);
        DecodeReply();
        EXPECT_EQ(Snapshot(), before) << r;
    }
    EXPECT_TRUE(w.boxes.empty());
    EXPECT_EQ(FirmwareGeneration, 1);
    EXPECT_EQ(FixRateIndex, 0);
}

TEST_F(ReplyTest, OversizedFieldsAreReadSafely) {
    std::string release = "AXN_2" + std::string(4990, 'x');
    Fields("PMTK705," + release + ",1," + std::string(4998, 'R') + ",9");
    DecodeReply();
    EXPECT_EQ(FirmwareGeneration, 2);
    EXPECT_EQ(w.Text(Ctl::Label27).size(), release.size() + 4998 + 5);
}

}  // namespace
}  // namespace qv::config::testing
