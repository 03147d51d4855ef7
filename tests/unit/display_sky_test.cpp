// Satellite colours and where a satellite lands in the sky view.
#include <cmath>

#include <gtest/gtest.h>

#include "display/Sky.h"
#include "nmea/State.h"

namespace qv::display {
namespace {

TEST(DisplaySky, ColourByConstellationAndUse) {
    nmea::SatInfo = nmea::Display_SatInfo_st{};
    nmea::ResetUsedSatellites();
    nmea::SatInfo.UsedGps[0] = "12";
    nmea::SatInfo.UsedGps[5] = "193";
    nmea::SatInfo.UsedGlonass[3] = "70";
    nmea::SatInfo.UsedGalileo[11] = "07";
    nmea::SatInfo.UsedGps[200] = "30";  // any entry counts, not only the first twelve

    const struct {
        const char* number;
        const char* address;
        Color color;
    } cases[] = {
        {"12", "GPGSV", colors::Blue},    {"193", "GPGSV", colors::Green},
        {"30", "GPGSV", colors::Blue},    {"70", "GLGSV", colors::Yellow},
        {"07", "GAGSV", colors::Red},     {"7", "GAGSV", colors::Silver},   // text equality
        {"13", "GPGSV", colors::Silver},  {"71", "GLGSV", colors::Silver},
        {"12", "GLGSV", colors::Silver},  // used in another constellation only
        {"12", "BDGSV", colors::Silver},  {"12", "GNGSV", colors::Silver},
        {"193", "QZGSV", colors::Silver},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SatelliteColor(c.number, c.address), c.color) << c.number << " " << c.address;
}

TEST(DisplaySky, QzssNumbers) {
    for (const char* n : {"183", "184", "185", "186", "187", "193", "194", "195", "196", "197"})
        EXPECT_TRUE(IsQzssNumber(n)) << n;
    for (const char* n : {"182", "188", "192", "198", "0193", "19", "1930", "", "193 "})
        EXPECT_FALSE(IsQzssNumber(n)) << n;
}

TEST(DisplaySky, ZenithAtTheCentreNorthUpEastRight) {
    const struct {
        int el, az;
        double x, y;
    } cases[] = {
        {90, 0, 0, 0},     {90, 123, 0, 0},     {0, 90, 100, 0},   {0, 0, 0, 100},
        {0, 270, -100, 0}, {45, 180, 0, -70.71}, {0, 450, 100, 0},  {-90, 45, 0, 0},
    };
    for (const auto& c : cases) {
        const SkyPoint p = SkyPosition(c.el, c.az);
        EXPECT_NEAR(p.x, c.x, 0.005) << c.el << "/" << c.az;
        EXPECT_NEAR(p.y, c.y, 0.005) << c.el << "/" << c.az;
    }
    // Whole degrees inside and outside the usual range use the same formula.
    constexpr double kPi = 3.141592653589793;
    for (int el : {-5, 0, 17, 89, 361})
        for (int az : {-30, 0, 211, 359, 360, 725}) {
            const SkyPoint p = SkyPosition(el, az);
            EXPECT_EQ(p.x, 100 * std::cos(el * kPi / 180) * std::sin(az * kPi / 180));
            EXPECT_EQ(p.y, 100 * std::cos(el * kPi / 180) * std::cos(az * kPi / 180));
        }
}

}  // namespace
}  // namespace qv::display
