// Coordinate, speed and RMC date/time texts of the position decoders.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "nmea/Fields.h"
#include "nmea/Position.h"
#include "nmea/State.h"

namespace qv::nmea {
namespace {

TEST(NmeaDecimal, CheckAndParse) {
    const struct {
        const char* text;
        bool accepted;
        double value;  // of an accepted text
    } cases[] = {
        {"", true, 0.0},
        {"2503.", true, 2503.0},
        {"2503", true, 0.0},  // no point: nothing is accumulated
        {"0.5", true, 0.5},
        {"12.25", true, 12.25},
        {".5", false, 0},
        {"+12.5", false, 0},
        {"-12.5", false, 0},
        {" 12.5", false, 0},
        {"12.5a", false, 0},
        {"1.2.3", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDecimalText(c.text), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(ParseDecimalText(c.text), c.value) << c.text;
        }
    }
    // An integer part beyond 32 bits saturates instead of overflowing.
    EXPECT_DOUBLE_EQ(ParseDecimalText("99999999999999999999.5"), 2147483647.5);
}

TEST(NmeaCoordinates, DegreesMinutesSecondsTruncated) {
    const struct {
        const char* value;
        const char* hemisphere;
        bool longitude;
        const char* text;
    } cases[] = {
        {"2503.1234", "N", false, "N 25\u00B003'07.40\""},
        {"12131.2389", "E", true, "E 121\u00B031'14.33\""},
        {"00830.2417", "W", true, "W 8\u00B030'14.50\""},
        {"5133.8462", "S", false, "S 51\u00B033'50.77\""},
        {"0530.0000", "N", false, "N 5\u00B030'00.00\""},   // sign follows the single digit
        {"", "", false, " 0\u00B000'00.00\""},
        {"", "", true, " 0\u00B000'00.00\""},
        {"2501.0000", "N", false, "N 25\u00B000'59.99\""},  // truncated, never rounded
        {"2503", "N", false, "N 0\u00B000'00.00\""},        // passes the check, parses to 0
        {"+2503.1234", "N", false, "N 0\u00B000'00.00\""},
        {"25a3.1234", "N", false, "N 0\u00B000'00.00\""},
        {"2503.12.34", "N", false, "N 0\u00B000'00.00\""},
        {"2503.123x", "N", false, "N 0\u00B000'00.00\""},
        {"12345.0000", "N", false, "N 12\u00B0345'00.00\""},  // sign at character 3 of "123"
    };
    for (const auto& c : cases) {
        const std::string got = c.longitude ? FormatLongitude(c.value, c.hemisphere)
                                            : FormatLatitude(c.value, c.hemisphere);
        EXPECT_EQ(got, c.text) << c.value;
    }
    // Beyond 32 bits: a text, and no failure.
    EXPECT_EQ(FormatLatitude("99999999999999999999.5", "N").rfind("N 21\u00B0474836", 0), 0u);
}

TEST(NmeaSpeed, KnotsConvertedAndCutKilometresKept) {
    const struct {
        const char* value;
        char unit;
        const char* text;
    } cases[] = {
        {"10.5", 'N', "19.44 km/h"}, {"1.2", 'N', "2.222 km/h"},  {"100.0", 'N', "185.2 km/h"},
        {"0.00", 'N', "0 km/h"},     {"", 'N', "0 km/h"},         {"abc", 'N', "0 km/h"},
        {"12345", 'N', "22862 km/h"}, {"1e20", 'N', "1.852 km/h"}, {"3.7", 'K', "3.7 km/h"},
        {"", 'K', " km/h"},          {"012.40", 'K', "012.40 km/h"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSpeed(c.value, c.unit), c.text) << c.value << c.unit;
}

// Sets TZ for one case and puts the previous value back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (old_) ::setenv("TZ", old_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

TEST(NmeaRmcDateTime, UtcShownInLocalStandardTime) {
    const struct {
        const char* zone;  // POSIX: "UTC-8" is eight hours east
        const char* time;
        const char* date;
        const char* dateText;
        const char* timeText;
    } cases[] = {
        {"UTC-8", "083559.000", "091202", "2002/12/09", "16:35:59"},
        {"UTC-8", "235959", "311219", "2020/01/01", "07:59:59"},
        {"UTC0", "120000", "010145", "2030/01/01", "12:00:00"},    // after 2038: 2030
        {"UTC+5", "120000", "010145", "2030/01/01", "07:00:00"},
        {"UTC0", "000000", "010638", "2038/06/01", "00:00:00"},    // 2038 itself is kept
        {"UTC+3", "010203", "010100", "1999/12/31", "22:02:03"},
    };
    for (const auto& c : cases) {
        ZoneGuard zone(c.zone);
        SplitFields(std::string("$GPRMC,") + c.time + ",A,,,,,,," + c.date + ",,*00");
        SatInfo.DateText.clear();
        SatInfo.TimeText.clear();
        FormatRmcDateTime();
        EXPECT_EQ(SatInfo.DateText, c.dateText) << c.zone << " " << c.time << " " << c.date;
        EXPECT_EQ(SatInfo.TimeText, c.timeText) << c.zone << " " << c.time << " " << c.date;
    }
}

TEST(NmeaRmcDateTime, IncompleteTimeOrDateKeepsTheShownTexts) {
    ZoneGuard zone("UTC0");
    const struct {
        const char* time;
        const char* date;
    } cases[] = {{"", "091202"}, {"083559", ""}, {"0835", "091202"}, {"083559", "0912"},
                 {"08a559", "091202"}, {"083559", "09-202"}, {" 83559", "091202"}};
    for (const auto& c : cases) {
        SatInfo.DateText = "2001/02/03";
        SatInfo.TimeText = "04:05:06";
        SplitFields(std::string("$GPRMC,") + c.time + ",V,,,,,,," + c.date + ",,*00");
        FormatRmcDateTime();
        EXPECT_EQ(SatInfo.DateText, "2001/02/03") << c.time << " " << c.date;
        EXPECT_EQ(SatInfo.TimeText, "04:05:06") << c.time << " " << c.date;
    }
}

}  // namespace
}  // namespace qv::nmea
