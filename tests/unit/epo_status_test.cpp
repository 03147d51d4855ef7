// The EPO status reply turned into text: day numbers, the remaining validity in
// single precision, the time zone from TZ, the short and the long text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "epo/Epo.h"

namespace qv::epo {
namespace {

// Sets an environment variable for one scope, restoring it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
        tzset();
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
        tzset();
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// GPS week 2300 began on Sunday 4 February 2024.
constexpr int kWeek = 2300;

LocalNow At(int day, int hour, float tz) {
    LocalNow n;
    n.year = 2024;
    n.month = 2;
    n.day = 4 + day;
    n.hour = hour;
    n.weekday = day;
    n.tzHours = tz;
    return n;
}

std::string W(int week) { return std::to_string(week); }

TEST(EpoDayNumber, CountsFromTheEndOf1899) {
    EXPECT_EQ(DayNumber(1899, 12, 30), 0);
    EXPECT_EQ(DayNumber(1900, 3, 1), 61);
    EXPECT_EQ(DayNumber(1970, 1, 1), 25569);
    EXPECT_EQ(DayNumber(2008, 11, 23), 39775);  // GPS week 1507 began
    EXPECT_EQ((DayNumber(2024, 2, 4) - 39775) / 7 + 1507, kWeek);
}

TEST(EpoStatusText, RemainingDaysAndHours) {
    struct Case {
        const char* name;
        std::string sets, fWeek, fTow, lWeek, lTow;
        LocalNow now;
        const char* text;
    };
    const Case cases[] = {
        {"14 days, Tuesday noon UTC", "56", W(kWeek), "0", W(kWeek), "518400", At(2, 12, 0.0f),
         "Remained 3 Days 12 Hours."},
        // 3.8333333 days in single precision: 19 hours, truncated, not 20.
        {"the same at UTC+8", "56", W(kWeek), "0", W(kWeek), "518400", At(2, 12, 8.0f),
         "Remained 3 Days 19 Hours."},
        {"7 days across a week boundary", "28", W(kWeek - 1), "518400", W(kWeek), "86400",
         At(0, 12, 0.0f), "Remained 0 Days 12 Hours."},
        {"run out: last week before this one", "56", W(kWeek - 2), "0", W(kWeek - 1), "518400",
         At(2, 12, 0.0f), "Remained 0 Days 0 Hours."},
        {"negative remaining shows zero", "28", W(kWeek), "0", W(kWeek), "86400", At(5, 12, 0.0f),
         "Remained 0 Days 0 Hours."},
        {"no data, whatever else", "0", "x", "y", W(kWeek), "518400", At(2, 12, 0.0f),
         "NO EPO Data!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EpoStatusText(c.sets, c.fWeek, c.fTow, c.lWeek, c.lTow, c.now), c.text);
    }
}

TEST(EpoStatusText, IncompleteDataShowsTheSpanInRegionalFormats) {
    const ScopedEnv locale("LC_ALL", "C");
    EXPECT_EQ(EpoStatusText("20", W(kWeek), "0", W(kWeek), "453600", At(2, 12, 0.0f)),
              "02/04/24 00:00:00 to 02/09/24 06:00:00\n Remained 2 Days 18 Hours.\n"
              "(EPO data update is not completely. Please update again.)");
    // An empty or garbled count is incomplete data too, and never crashes.
    const std::string garbled =
        EpoStatusText("", "-99999999999", "zz", "2147483647", "-2147483648", At(2, 12, 0.0f));
    EXPECT_NE(garbled.find("Please update again."), std::string::npos);
}

TEST(EpoStatusClock, TimeZoneComesFromTzWithoutDaylightSaving) {
    struct Case {
        const char* tz;
        float hours;
    };
    const Case cases[] = {{"UTC", 0.0f}, {"UTC-8", 8.0f}, {"EST5EDT", -5.0f}, {"IST-5:30", 5.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tz);
        const ScopedEnv tz("TZ", c.tz);
        EXPECT_EQ(CurrentLocalNow().tzHours, c.hours);
    }
}

TEST(EpoStatusClock, LocalDateFollowsTz) {
    // The same instant is a different local hour in another zone.
    const ScopedEnv utc("TZ", "UTC");
    const LocalNow a = CurrentLocalNow();
    const ScopedEnv east("TZ", "UTC-8");
    const LocalNow b = CurrentLocalNow();
    const long minutesA = DayNumber(a.year, a.month, a.day) * 1440 + a.hour * 60 + a.minute;
    const long minutesB = DayNumber(b.year, b.month, b.day) * 1440 + b.hour * 60 + b.minute;
    EXPECT_NEAR(minutesB - minutesA, 480, 1);
}

}  // namespace
}  // namespace qv::epo
