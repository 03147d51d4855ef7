// Command framing, the catalogue and the bandwidth arithmetic: pure functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "config/Bandwidth.h"
#include "config/Commands.h"
#include "config/Queries.h"
#include "config/Text.h"

namespace qv::config {
namespace {

TEST(ConfigChecksum, WorkedValuesAndPadding) {
    struct Case {
        const char* body;
        const char* sum;
    };
    const Case cases[] = {
        {"$PMTK101", "32"},
        {"$PMTK314,-1", "04"},  // leading zero kept
        {"$PMTK300,1000,0,0,0,0", "1C"},
        {"$PMTK251,38400", "27"},
        {"$PMTK301,2", "2E"},
        {"$", "00"},
        {"", "00"},
        {"$AA", "00"},  // equal bytes cancel out
        {"$A", "41"},
        {"XPMTK101", "32"},  // the first byte is skipped whatever it is
    };
    for (const Case& c : cases) EXPECT_EQ(CommandChecksum(c.body), c.sum) << c.body;
}

TEST(ConfigChecksum, FramingAppendsStarSumCrLf) {
    EXPECT_EQ(FrameCommand("$PMTK301,2"), "$PMTK301,2*2E\r\n");
    EXPECT_EQ(FrameCommand("$PMTK251,115200"), "$PMTK251,115200*1F\r\n");
}

TEST(ConfigCatalogue, EveryFixedCommandIsTheFramingOfItsBody) {
    for (std::string_view cmd : kFixedCommands) {
        const auto star = cmd.find('*');
        ASSERT_NE(star, std::string_view::npos) << cmd;
        EXPECT_EQ(FrameCommand(cmd.substr(0, star)), cmd);
        EXPECT_EQ(cmd.find('$', 1), std::string_view::npos) << cmd;
    }
    EXPECT_EQ(kCmdHotRestart.size(), 13u);
    EXPECT_EQ(kCmdEasyOn.size(), 17u);
}

TEST(ConfigCatalogue, BuiltBodies) {
    EXPECT_EQ(OutputRatesBody({1, 2, 3, 4, 5, 0, 1, 2}),
              "$PMTK314,1,2,3,4,5,0,0,0,0,0,0,0,0,0,0,0,0,1,2");
    EXPECT_EQ(FixIntervalBody(100), "$PMTK300,100,0,0,0,0");
    EXPECT_EQ(DgpsModeBody(0), "$PMTK301,0");
    EXPECT_EQ(SbasBody(1), "$PMTK313,1");
    EXPECT_EQ(BaudRateBody("38400"), "$PMTK251,38400");
}

// The receive side's rule: XOR of everything before "*" except "$", compared with the hex
// after it. Every framed command must pass it.
TEST(ConfigCatalogue, FramedCommandsPassTheReceiveSideRule) {
    for (const std::string& s : {FrameCommand(OutputRatesBody({5, 5, 5, 5, 5, 5, 5, 5})),
                                 FrameCommand(FixIntervalBody(333)), FrameCommand(SbasBody(0))}) {
        unsigned sum = 0;
        const auto star = s.find('*');
        for (std::size_t i = 0; i < star; ++i)
            if (s[i] != '$') sum ^= static_cast<unsigned char>(s[i]);
        EXPECT_EQ(std::stoul(s.substr(star + 1, 2), nullptr, 16), sum) << s;
    }
}

SentencesOn On(std::initializer_list<int> indices) {
    SentencesOn on{};
    for (int i : indices) on[static_cast<std::size_t>(i)] = true;
    return on;
}
// Order GLL, RMC, VTG, GGA, GSA, GSV, ZDA, MCHN.
enum { GLL, RMC, VTG, GGA, GSA, GSV, ZDA, MCHN };

TEST(ConfigBandwidth, WorkedValues) {
    struct Case {
        int row;
        SentencesOn on;
        int fps, generation;
        const char* shown;
    };
    const SentencesOn four = On({GGA, RMC, GSA, GSV});
    const SentencesOn all = On({GLL, RMC, VTG, GGA, GSA, GSV, ZDA, MCHN});
    const Case cases[] = {
        {1, four, 1, 1, "49.4"},  {0, four, 1, 1, "98.7"}, {1, four, 1, 3, "83.1"},
        {6, all, 10, 3, "101.0"}, {3, SentencesOn{}, 10, 3, "0.0"},
        // The irregular generation-3 figures are used as they are.
        {4, On({GSA}), 1, 3, "3.9"},   // 1503.6 / 384
    };
    for (const Case& c : cases)
        EXPECT_EQ(OneDecimal(BandwidthPercent(BandwidthFigures[static_cast<std::size_t>(c.row)], c.on,
                                              c.fps, c.generation)),
                  c.shown)
            << "row " << c.row;
    EXPECT_FLOAT_EQ(BandwidthPercent(BandwidthFigures[3], On({GSV}), 1, 3), 5145.4f * 100 / 19200);
    EXPECT_FLOAT_EQ(BandwidthPercent(BandwidthFigures[4], On({GSA}), 1, 3), 1503.6f * 100 / 38400);
}

TEST(ConfigBandwidth, LimitIsInclusive) {
    // RMC + VTG + GGA at 9600 baud are 1920 bits: five fixes a second fill the line exactly.
    const float full = BandwidthPercent(BandwidthFigures[1], On({RMC, VTG, GGA}), 5, 1);
    EXPECT_EQ(full, 100.0f);
    EXPECT_TRUE(EstimateFits(full));
    EXPECT_FALSE(EstimateFits(std::nextafter(100.0f, 200.0f)));
}

TEST(ConfigBandwidth, RowsAndFixRates) {
    EXPECT_EQ(BaudRow("4800"), 0);
    EXPECT_EQ(BaudRow("115200"), 6);
    EXPECT_EQ(BaudRow(" 14400 "), 2);
    EXPECT_EQ(BaudRow("1200"), std::nullopt);
    EXPECT_EQ(BaudRow("9600x"), std::nullopt);
    EXPECT_EQ(BaudRow(""), std::nullopt);
    const std::uint32_t rates[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(BandwidthFigures[i].baud, rates[i]);
    const int fps[] = {1, 2, 3, 4, 5, 10, 10};
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(FixesPerSecond(i == 6 ? -1 : i), fps[i]) << i;
}

TEST(ConfigFixTime, CountsTenthsAndRestartsOnText) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "0.1"},   {"0.1", "0.2"}, {"9.9", "10.0"}, {" 2.5 ", "2.6"},
        {"abc", "0.1"}, {"", "0.1"},    {"1.5x", "0.1"}, {"nan", "0.1"},
        {"inf", "0.1"}, {"-0.3", "-0.2"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(NextFixTime(in), out) << in;
    // Read back at every tick: a hundred ticks show ten seconds.
    std::string t = "0";
    for (int i = 0; i < 100; ++i) t = NextFixTime(t);
    EXPECT_EQ(t, "10.0");
}

TEST(ConfigText, LeadingAndWholeIntegers) {
    EXPECT_EQ(LeadingInt("001"), 1);
    EXPECT_EQ(LeadingInt(" -12abc"), -12);
    EXPECT_EQ(LeadingInt("CHN"), std::nullopt);
    EXPECT_EQ(LeadingInt("-"), std::nullopt);
    EXPECT_EQ(LeadingInt("99999999999"), INT32_MAX);
    EXPECT_EQ(LeadingInt("-99999999999"), INT32_MIN);
    EXPECT_EQ(WholeInt("12 "), 12);
    EXPECT_EQ(WholeInt("12a"), std::nullopt);
}

}  // namespace
}  // namespace qv::config
