// The simulated receiver's NMEA stream: deterministic per seed, well framed,
// a fix that grows from none to 2D to 3D, satellites that drift slowly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "sim/Protocol.h"
#include "sim/Stream.h"

namespace qv::sim {
namespace {

std::vector<std::string> Fields(const std::string& sentence) {
    std::vector<std::string> f;
    const std::string body = sentence.substr(1, sentence.find('*') - 1);
    std::size_t pos = 0;
    for (;;) {
        const std::size_t comma = body.find(',', pos);
        f.push_back(body.substr(pos, comma - pos));
        if (comma == std::string::npos) return f;
        pos = comma + 1;
    }
}

const std::string* Find(const FixOutput& fix, const std::string& address) {
    for (const auto& s : fix.sentences)
        if (s.second.compare(1, address.size(), address) == 0) return &s.second;
    return nullptr;
}

std::size_t UsedCount(const std::string& gsa) {
    const auto f = Fields(gsa);
    std::size_t n = 0;
    for (int i = 3; i <= 14; ++i) n += !f[i].empty();
    return n;
}

TEST(SimStream, SameSeedSameBytesOtherSeedOtherBytes) {
    auto run = [](std::uint64_t seed) {
        NmeaStream s(seed);
        std::string all;
        for (int i = 0; i < 30; ++i)
            for (const auto& [kind, text] : s.Next(1000, false).sentences) all += text;
        return all;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
}

TEST(SimStream, EveryFixHasTheFullSentenceSetWellFramed) {
    NmeaStream s(3);
    for (int i = 0; i < 8; ++i) {
        const FixOutput fix = s.Next(1000, false);
        std::map<std::string, int> count;
        bool qzss = false;
        for (const auto& [kind, text] : fix.sentences) {
            EXPECT_TRUE(SentenceWellFormed(text)) << text;
            const std::string address = Fields(text)[0];
            ++count[address];
            if (address == "GPGSV")
                for (const char* q : {",193,", ",194,", ",195,"}) qzss |= text.find(q) != std::string::npos;
        }
        const std::map<std::string, int> expected = {
            {"GNRMC", 1}, {"GNGGA", 1}, {"GNGSA", 1}, {"GPGSA", 1}, {"GLGSA", 1}, {"GAGSA", 1}, {"GPGSV", 3},
            {"GLGSV", 2}, {"GAGSV", 2}, {"GNGLL", 1}, {"GNVTG", 1}, {"GNZDA", 1}, {"PMTKCHN", 1}};
        EXPECT_EQ(count, expected);
        EXPECT_TRUE(qzss);
        // A GSV group counts its messages: "total,number" run 1..total.
        int number = 0;
        for (const auto& [kind, text] : fix.sentences) {
            if (Fields(text)[0] != "GPGSV") continue;
            EXPECT_EQ(Fields(text)[1], "3");
            EXPECT_EQ(Fields(text)[2], std::to_string(++number));
        }
    }
}

TEST(SimStream, FixGrowsFromNoneTo2DTo3DAfterEachRestart) {
    struct Phase {
        const char* name;
        std::vector<int> modes;  // GSA mode of the fixes 0, 1, 2, ... s after the restart
    };
    NmeaStream s(5);
    auto modesFor = [&s](std::size_t n) {
        std::vector<int> modes;
        for (std::size_t i = 0; i < n; ++i) {
            const FixOutput fix = s.Next(1000, false);
            const auto gga = Fields(*Find(fix, "GNGGA"));
            const auto gpgsa = *Find(fix, "GPGSA");
            const int mode = std::atoi(Fields(gpgsa)[2].c_str());
            modes.push_back(mode);
            // The fix quality and the satellites in use follow the mode.
            EXPECT_EQ(gga[6], mode == 1 ? "0" : "1");
            if (mode == 1) {
                EXPECT_EQ(UsedCount(gpgsa), 0u);
            } else if (mode == 2) {
                EXPECT_EQ(UsedCount(gpgsa), 3u);
                EXPECT_EQ(UsedCount(*Find(fix, "GLGSA")), 0u);
            } else {
                EXPECT_GT(UsedCount(*Find(fix, "GNGSA")), 3u);
            }
        }
        return modes;
    };
    EXPECT_EQ(modesFor(8), (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3})) << "power-on";
    s.Restart(RestartKind::Warm);
    EXPECT_EQ(modesFor(5), (std::vector<int>{1, 1, 2, 3, 3})) << "warm";
    s.Restart(RestartKind::Hot);
    EXPECT_EQ(modesFor(3), (std::vector<int>{1, 2, 3})) << "hot";
    s.Restart(RestartKind::Cold);
    EXPECT_EQ(modesFor(7), (std::vector<int>{1, 1, 1, 2, 2, 2, 3})) << "cold";
}

double SecondsOfDay(const std::string& hms) {
    return std::atoi(hms.substr(0, 2).c_str()) * 3600 + std::atoi(hms.substr(2, 2).c_str()) * 60 +
           std::atof(hms.substr(4).c_str());
}

TEST(SimStream, ClockAdvancesByTheFixIntervalAndSatellitesDriftSlowly) {
    NmeaStream s(9);
    std::vector<std::string> times;
    std::map<std::string, std::vector<int>> first, last;  // GPS satellite -> elevation, azimuth
    std::map<std::string, std::set<std::string>> snrs;
    for (int i = 0; i < 50; ++i) {
        const FixOutput fix = s.Next(200, false);
        times.push_back(Fields(*Find(fix, "GNRMC"))[1]);
        for (const auto& [kind, text] : fix.sentences) {
            const auto f = Fields(text);
            if (f[0] != "GPGSV") continue;
            for (std::size_t b = 4; b + 3 < f.size(); b += 4) {
                (i == 0 ? first : last)[f[b]] = {std::atoi(f[b + 1].c_str()), std::atoi(f[b + 2].c_str())};
                snrs[f[b]].insert(f[b + 3]);
            }
        }
    }
    for (int i = 1; i < 50; ++i) {
        const double step = std::fmod(SecondsOfDay(times[i]) - SecondsOfDay(times[i - 1]) + 86400.0, 86400.0);
        EXPECT_NEAR(step, 0.2, 1e-6) << times[i - 1] << " -> " << times[i];
    }
    ASSERT_EQ(first.size(), last.size());
    std::size_t varying = 0;
    for (const auto& [prn, v] : first) {
        EXPECT_LE(std::abs(v[0] - last[prn][0]), 1) << prn;
        const int daz = std::abs(v[1] - last[prn][1]);
        EXPECT_TRUE(daz <= 1 || daz >= 359) << prn;
        varying += snrs[prn].size() > 1;
    }
    EXPECT_GT(varying, first.size() / 2) << "SNRs should vary";
}

}  // namespace
}  // namespace qv::sim
