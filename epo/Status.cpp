// The Query and Reset buttons of the AGPS group and the 707 status reply.
#include <locale.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "config/Commands.h"
#include "epo/Epo.h"
#include "nmea/Fields.h"
#include "nmea/State.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::epo {

namespace {

constexpr std::string_view kCmdQueryEpo = "$PMTK607*33\r\n";
constexpr std::string_view kCmdClearEpo = "$PMTK127*36\r\n";
constexpr const char* kAgpsTitle = "AGPS Message";

// GPS week 1507 began on day 39775 (23 November 2008).
constexpr std::int64_t kWeek1507Day = 39775;
constexpr std::int64_t kWeek1507 = 1507;
constexpr std::int64_t kUnixEpochDay = 25569;  // 1 January 1970

struct Civil {
    std::int64_t year;
    int month, day;
};

// Date of a count of days since 1 January 1970 (proleptic Gregorian).
Civil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// "<date> <time>" of a GPS week and time of week, in the user's short date and
// long time formats. No leap seconds and no time zone are applied.
std::string GpsTimeText(std::int32_t week, std::int32_t tow, locale_t loc) {
    const std::int64_t seconds =
        ((static_cast<std::int64_t>(week) - kWeek1507) * 7 + kWeek1507Day - kUnixEpochDay) * 86400 +
        tow;
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t sod = seconds - days * 86400;
    const Civil c = CivilFromDays(days);
    std::tm tm{};
    tm.tm_year = static_cast<int>(c.year - 1900);
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = static_cast<int>(sod / 3600);
    tm.tm_min = static_cast<int>(sod / 60 % 60);
    tm.tm_sec = static_cast<int>(sod % 60);
    tm.tm_wday = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1 January 1970 was a Thursday
    char date[128] = "", time[128] = "";
    strftime_l(date, sizeof date, "%x", &tm, loc);
    strftime_l(time, sizeof time, "%X", &tm, loc);
    return std::string(date) + " " + time;
}

// The user's regional time formats, without touching the process's own locale.
class TimeLocale {
public:
    TimeLocale() {
        loc_ = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        if (!loc_) loc_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~TimeLocale() {
        if (loc_) freelocale(loc_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;
    locale_t get() const { return loc_; }

private:
    locale_t loc_ = nullptr;
};

int TruncToInt(float v) {
    if (!(v > static_cast<float>(INT_MIN)) || !(v < static_cast<float>(INT_MAX))) return 0;
    return static_cast<int>(v);
}

}  // namespace

std::int64_t DayNumber(int year, int month, int day) {
    // Days from civil, shifted from 1 January 1970 to 30 December 1899.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + kUnixEpochDay;
}

LocalNow CurrentLocalNow() {
    tzset();
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalNow n;
    n.year = tm.tm_year + 1900;
    n.month = tm.tm_mon + 1;
    n.day = tm.tm_mday;
    n.hour = tm.tm_hour;
    n.minute = tm.tm_min;
    n.second = tm.tm_sec;
    n.weekday = tm.tm_wday;
    // `timezone` is the standard offset west of UTC in seconds; daylight saving is
    // not part of it.
    n.tzHours = static_cast<float>(-timezone) / 3600.0f;
    return n;
}

std::string EpoStatusText(const std::string& sets, const std::string& firstWeek,
                          const std::string& firstTow, const std::string& lastWeek,
                          const std::string& lastTow, const LocalNow& now) {
    if (sets == "0") return "NO EPO Data!";
    const std::int64_t today = DayNumber(now.year, now.month, now.day);
    const std::int64_t currentWeek = (today - kWeek1507Day) / 7 + kWeek1507;

    const std::int32_t fWeek = nmea::FieldToInt(firstWeek);
    const std::int32_t lWeek = nmea::FieldToInt(lastWeek);
    const std::int32_t fTowInt = nmea::FieldToInt(firstTow);
    const std::int32_t lTowInt = nmea::FieldToInt(lastTow);
    const float fTow = static_cast<float>(fTowInt);
    const float lTow = static_cast<float>(lTowInt);

    // The stored sets are taken to cross at most one week boundary.
    const float span = fWeek < lWeek ? (604800.0f - fTow + lTow) / 86400.0f
                                     : (lTow - fTow) / 86400.0f;
    float remaining = 0.0f;
    if (currentWeek <= lWeek) {
        const float dow = static_cast<float>(now.weekday);
        const float tod = static_cast<float>(now.hour * 3600 + now.minute * 60 + now.second) / 86400.0f;
        float elapsed = dow + tod - now.tzHours / 24.0f - fTow / 86400.0f;
        if (currentWeek != fWeek) elapsed += 7.0f;
        remaining = span - elapsed;
    }
    int days = TruncToInt(remaining);
    const float hoursF = (remaining - static_cast<float>(days)) * 24.0f;
    int hours = TruncToInt(hoursF);
    if (days < 0) days = 0;
    if (hours < 0) hours = 0;

    char text[512];
    if (sets != "56" && sets != "28") {
        const TimeLocale loc;
        const std::string start = GpsTimeText(fWeek, fTowInt, loc.get());
        const std::string end = GpsTimeText(lWeek, lTowInt, loc.get());
        std::snprintf(text, sizeof text,
                      "%s to %s\n Remained %d Days %d Hours.\n(EPO data update is not completely. "
                      "Please update again.)",
                      start.c_str(), end.c_str(), days, hours);
    } else {
        std::snprintf(text, sizeof text, "Remained %d Days %d Hours.", days, hours);
    }
    return text;
}

namespace {

std::string Slot(int i) {
    const char* f = nmea::FieldTable[i];
    return std::string(f, strnlen(f, nmea::kFieldSize));
}

}  // namespace

void DecodeEpoStatus() {
    const std::string text =
        EpoStatusText(Slot(1), Slot(2), Slot(3), Slot(4), Slot(5), CurrentLocalNow());
    if (Form1) Form1->SetText(Ctl::Label39, text);
}

void Button2Click() { config::SendFixedCommand(kCmdQueryEpo); }

void Button4Click() {
    if (!Form1) return;
    const MsgResult answer =
        Form1->MessageBox("Clear The EPO Data ?", kAgpsTitle, MsgButtons::YesNo, MsgIcon::None);
    if (answer != MsgResult::Yes) return;
    config::SendFixedCommand(kCmdClearEpo);
    Form1->SetText(Ctl::Label39, "Cleaned EPO Data ");
}

}  // namespace qv::epo
