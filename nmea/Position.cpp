#include "nmea/Position.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <locale.h>

#include "nmea/Fields.h"
#include "nmea/State.h"
#include "window/Controls.h"

namespace qv::nmea {

namespace {

std::string_view Field(int i) { return FieldView(i); }

void AppendInt(std::string& out, std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Two digits at least, as "%02d" writes a value that is not negative here.
void AppendTwoDigits(std::string& out, std::int64_t v) {
    if (v >= 0 && v < 10) out.push_back('0');
    AppendInt(out, v);
}

// trunc() of a double that may lie outside every integer type: such values are
// pinned first, so the conversion is always defined.
std::int64_t TruncToInt(double v) {
    constexpr double kLimit = 9.0e18;
    if (!(v == v)) return 0;
    if (v > kLimit) v = kLimit;
    if (v < -kLimit) v = -kLimit;
    return static_cast<std::int64_t>(v);
}

// The degree sign goes before character `signPos` (counted from 1) of the whole
// degrees, or after them when they are shorter.
void FormatCoordinate(std::string_view value, std::string_view hemisphere,
                      std::size_t signPos, std::string& out) {
    const double raw = IsDecimalText(value) ? ParseDecimalText(value) : 0.0;
    const std::int64_t dd = TruncToInt(raw) / 100;
    const double deg = (raw - static_cast<double>(dd * 100)) * (1.0 / 60.0) + static_cast<double>(dd);
    const std::int64_t d = TruncToInt(deg);
    const std::int64_t m = TruncToInt((deg - static_cast<double>(d)) * 60);

    char degrees[24];
    const auto r = std::to_chars(degrees, degrees + sizeof degrees, d);
    const std::size_t len = static_cast<std::size_t>(r.ptr - degrees);
    const std::size_t at = len < signPos - 1 ? len : signPos - 1;

    out.assign(hemisphere);
    out.push_back(' ');
    out.append(degrees, at);
    out.append(kDegreeSign);
    out.append(degrees + at, len - at);
    AppendTwoDigits(out, m);
    out.push_back('\'');

    double x = (deg - static_cast<double>(TruncToInt(deg))) * 60;
    x = (x - static_cast<double>(TruncToInt(x))) * 60;
    const std::int64_t s = TruncToInt(x);
    AppendTwoDigits(out, s);
    out.push_back('.');
    AppendTwoDigits(out, TruncToInt((x - static_cast<double>(s)) * 100));
    out.push_back('"');
}

bool SixDigits(std::string_view t) {
    if (t.size() < 6) return false;
    for (std::size_t i = 0; i < 6; ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

int TwoDigits(std::string_view t, std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); }

// The number reader of the C locale, whatever locale the window has set.
double ReadDouble(const char* text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return cLocale ? strtod_l(text, nullptr, cLocale) : std::strtod(text, nullptr);
}

}  // namespace

bool IsDecimalText(std::string_view text) {
    if (!text.empty() && text.front() == '.') return false;
    bool point = false;
    for (const char c : text) {
        if (c == '.') {
            if (point) return false;
            point = true;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

double ParseDecimalText(std::string_view text) {
    double value = 0.0;
    double weight = 1.0;
    bool afterPoint = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !afterPoint) {
            value = FieldToInt(text.substr(0, i));
            weight = 0.1;
            afterPoint = true;
        } else if (afterPoint && c >= '0' && c <= '9') {
            value = (c - '0') * weight + value;
            weight = 0.1 * weight;
        }
    }
    return value;
}

void FormatLatitude(std::string_view value, std::string_view hemisphere, std::string& out) {
    FormatCoordinate(value, hemisphere, 3, out);
}

void FormatLongitude(std::string_view value, std::string_view hemisphere, std::string& out) {
    FormatCoordinate(value, hemisphere, 4, out);
}

std::string FormatLatitude(std::string_view value, std::string_view hemisphere) {
    std::string out;
    FormatLatitude(value, hemisphere, out);
    return out;
}

std::string FormatLongitude(std::string_view value, std::string_view hemisphere) {
    std::string out;
    FormatLongitude(value, hemisphere, out);
    return out;
}

void FormatSpeed(std::string_view value, char unit, std::string& out) {
    constexpr std::string_view kUnit = " km/h";
    if (unit != 'N') {
        out.assign(value);
        out.append(kUnit);
        return;
    }
    char text[kFieldSize];
    const std::size_t n = value.size() < sizeof text - 1 ? value.size() : sizeof text - 1;
    value.copy(text, n);
    text[n] = 0;
    const double kmh = ReadDouble(text) * 1.852;

    char number[64];
    const auto r = std::to_chars(number, number + sizeof number, kmh, std::chars_format::general, 15);
    const std::string_view digits(number, static_cast<std::size_t>(r.ptr - number));
    const char* point = std::localeconv()->decimal_point;
    const std::string_view separator = point && *point ? point : ".";

    out.clear();
    for (const char c : digits) {
        if (c == '.') out.append(separator);
        else out.push_back(c);
    }
    // The first five characters (a separator of several bytes is one character).
    std::size_t keep = 0;
    for (int counted = 0; keep < out.size() && counted < 5; ++counted) {
        ++keep;
        while (keep < out.size() && (static_cast<unsigned char>(out[keep]) & 0xC0) == 0x80) ++keep;
    }
    out.resize(keep);
    out.append(kUnit);
}

std::string FormatSpeed(std::string_view value, char unit) {
    std::string out;
    FormatSpeed(value, unit, out);
    return out;
}

void FormatRmcDateTime() {
    const std::string_view t = Field(1);
    const std::string_view d = Field(9);
    if (!SixDigits(t) || !SixDigits(d)) return;  // no fix yet: keep what is shown

    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm tmv{};
    if (!localtime_r(&now, &tmv)) return;  // the template keeps today's daylight flag
    tmv.tm_year = TwoDigits(d, 4) + 100;
    if (tmv.tm_year > 138) tmv.tm_year = 130;
    tmv.tm_mon = TwoDigits(d, 2) - 1;
    tmv.tm_mday = TwoDigits(d, 0);
    tmv.tm_hour = TwoDigits(t, 0);
    tmv.tm_min = TwoDigits(t, 2);
    tmv.tm_sec = TwoDigits(t, 4);
    std::time_t moment = std::mktime(&tmv);
    if (moment == static_cast<std::time_t>(-1)) return;
    moment -= ::timezone;  // standard-time offset, west of UTC
    std::tm local{};
    if (!localtime_r(&moment, &local)) return;

    std::string& date = SatInfo.DateText;
    date.clear();
    AppendInt(date, local.tm_year + 1900);
    date.push_back('/');
    AppendTwoDigits(date, local.tm_mon + 1);
    date.push_back('/');
    AppendTwoDigits(date, local.tm_mday);

    std::string& time = SatInfo.TimeText;
    time.clear();
    AppendTwoDigits(time, local.tm_hour);
    time.push_back(':');
    AppendTwoDigits(time, local.tm_min);
    time.push_back(':');
    AppendTwoDigits(time, local.tm_sec);
}

void DecodeGGA() {
    FormatLatitude(Field(2), Field(3), SatInfo.LatText);
    FormatLongitude(Field(4), Field(5), SatInfo.LonText);
    SatInfo.AltText.assign(Field(9));
    if (Form1) Form1->SetText(Ctl::EdSBAS, Field(6) == "2" ? "SBAS" : "NO Fix");
}

void DecodeGLL() {
    FormatLatitude(Field(1), Field(2), SatInfo.LatText);
    FormatLongitude(Field(3), Field(4), SatInfo.LonText);
}

void DecodeRMC() {
    FormatLatitude(Field(3), Field(4), SatInfo.LatText);
    FormatLongitude(Field(5), Field(6), SatInfo.LonText);
    FormatSpeed(Field(7), 'N', SatInfo.SpeedText);
    FormatRmcDateTime();
}

void DecodeVTG() { FormatSpeed(Field(7), 'K', SatInfo.SpeedText); }

// ZDA's time is not shown: the date and time come from RMC alone.
void DecodeZDA() {}

}  // namespace qv::nmea
