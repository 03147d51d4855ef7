#include "sim/Stream.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "sim/Protocol.h"

namespace qv::sim {

namespace {

// 14 March 2024 08:03:07 UTC: every seed's clock starts within a year after it.
constexpr std::int64_t kBaseEpoch = 1710403387;
constexpr double kPi = 3.14159265358979323846;

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return std::string(buf, n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1));
}

struct Civil {
    int year, month, day, hour, minute, second, milli;
};

// Proleptic Gregorian date of a Unix time, without the C library's time zone.
Civil CivilFromUnixMs(std::int64_t ms) {
    std::int64_t secs = ms / 1000;
    std::int64_t days = secs / 86400;
    const std::int64_t sod = secs % 86400;
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return {y, m, d, static_cast<int>(sod / 3600), static_cast<int>(sod / 60 % 60), static_cast<int>(sod % 60),
            static_cast<int>(ms % 1000)};
}

std::string LatText(double lat) {
    const double a = std::fabs(lat);
    const int deg = static_cast<int>(a);
    return Fmt("%02d%07.4f,%c", deg, (a - deg) * 60.0, lat < 0 ? 'S' : 'N');
}

std::string LonText(double lon) {
    const double a = std::fabs(lon);
    const int deg = static_cast<int>(a);
    return Fmt("%03d%07.4f,%c", deg, (a - deg) * 60.0, lon < 0 ? 'W' : 'E');
}

}  // namespace

NmeaStream::NmeaStream(std::uint64_t seed) : rng_(seed * 0x2545F4914F6CDD1DULL + 0x1234567) {
    epochSec_ = kBaseEpoch + static_cast<std::int64_t>(SplitMix(rng_) % (365ULL * 86400ULL));
    lat_ = Uniform(-55.0, 60.0);
    lon_ = Uniform(-170.0, 170.0);
    alt_ = Uniform(5.0, 900.0);
    course_ = Uniform(0.0, 360.0);

    auto pick = [this](int lo, int hi, int count, char constellation) {
        std::vector<int> pool;
        for (int p = lo; p <= hi; ++p) pool.push_back(p);
        for (int i = 0; i < count; ++i) {
            const std::size_t k = i + SplitMix(rng_) % (pool.size() - i);
            std::swap(pool[i], pool[k]);
        }
        std::sort(pool.begin(), pool.begin() + count);
        for (int i = 0; i < count; ++i) {
            Sat s;
            s.prn = pool[i];
            s.constellation = constellation;
            s.elev = Uniform(5.0, 85.0);
            s.azim = Uniform(0.0, 359.0);
            s.snr = Uniform(14.0, 48.0);
            s.dElev = Uniform(-0.008, 0.008);
            s.dAzim = Uniform(-0.015, 0.015);
            sats_.push_back(s);
        }
    };
    pick(1, 32, 9, 'P');
    pick(193, 195, 3, 'P');  // QZSS, reported among the GPS satellites
    pick(65, 88, 8, 'L');
    pick(1, 36, 7, 'A');
}

double NmeaStream::Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(SplitMix(rng_) >> 11) * 0x1.0p-53;
}

void NmeaStream::Restart(RestartKind kind) {
    restart_ = kind;
    sinceRestartMs_ = 0;
    restarted_ = true;
}

FixMode NmeaStream::ModeNow() const {
    std::uint64_t to2d = 3000, to3d = 6000;
    if (restart_ == RestartKind::Warm) to2d = 2000, to3d = 3000;
    if (restart_ == RestartKind::Hot) to2d = 1000, to3d = 1500;
    if (sinceRestartMs_ >= to3d) return FixMode::ThreeD;
    if (sinceRestartMs_ >= to2d) return FixMode::TwoD;
    return FixMode::None;
}

void NmeaStream::Move(int intervalMs) {
    const double dt = intervalMs / 1000.0;
    timeMs_ += static_cast<std::uint64_t>(intervalMs);
    if (!restarted_) sinceRestartMs_ += static_cast<std::uint64_t>(intervalMs);
    restarted_ = false;
    for (Sat& s : sats_) {
        s.elev = std::clamp(s.elev + s.dElev * dt, 1.0, 89.0);
        s.azim = std::fmod(s.azim + s.dAzim * dt + 360.0, 360.0);
        s.snr = std::clamp(s.snr + Uniform(-0.6, 0.6), 10.0, 50.0);
    }
    speedKn_ = std::clamp(speedKn_ + Uniform(-0.2, 0.22) * dt, 0.0, 6.0);
    course_ = std::fmod(course_ + Uniform(-1.5, 1.5) * dt + 360.0, 360.0);
    const double metres = speedKn_ * 0.514444 * dt;
    lat_ += metres * std::cos(course_ * kPi / 180.0) / 111320.0;
    lon_ += metres * std::sin(course_ * kPi / 180.0) / (111320.0 * std::cos(lat_ * kPi / 180.0));
    alt_ += Uniform(-0.05, 0.05);
}

FixOutput NmeaStream::Next(int intervalMs, bool differential) {
    if (!first_) Move(std::max(1, intervalMs));
    first_ = false;
    restarted_ = false;

    FixOutput out;
    out.mode = ModeNow();
    out.timeMs = timeMs_;
    const bool fix = out.mode != FixMode::None;
    const Civil c = CivilFromUnixMs(epochSec_ * 1000 + static_cast<std::int64_t>(timeMs_));
    const std::string hms = Fmt("%02d%02d%02d.%03d", c.hour, c.minute, c.second, c.milli);
    const std::string pos = LatText(lat_) + "," + LonText(lon_);
    auto add = [&out](SentenceKind k, const std::string& body) { out.sentences.emplace_back(k, FrameSentence(body)); };

    // Satellites used: none without a fix, the three strongest GPS for 2D, all tracked for 3D.
    std::vector<const Sat*> used;
    if (out.mode == FixMode::TwoD) {
        std::vector<const Sat*> gps;
        for (const Sat& s : sats_)
            if (s.constellation == 'P' && s.Tracked()) gps.push_back(&s);
        std::stable_sort(gps.begin(), gps.end(), [](const Sat* a, const Sat* b) { return a->snr > b->snr; });
        gps.resize(std::min<std::size_t>(gps.size(), 3));
        used = gps;
    } else if (out.mode == FixMode::ThreeD) {
        for (const Sat& s : sats_)
            if (s.Tracked()) used.push_back(&s);
    }
    const double hdop = out.mode == FixMode::ThreeD ? Uniform(0.7, 1.0) : Uniform(2.0, 2.4);
    const double pdop = hdop + Uniform(0.3, 0.6), vdop = Uniform(0.8, 1.1);
    const std::string dops = fix ? Fmt("%.2f,%.2f,%.2f", pdop, hdop, vdop) : "99.99,99.99,99.99";
    const char mode = differential ? 'D' : 'A';
    const double kmh = speedKn_ * 1.852;

    if (fix) {
        add(SentenceKind::RMC, Fmt("GNRMC,%s,A,%s,%.2f,%.2f,%02d%02d%02d,,,%c", hms.c_str(), pos.c_str(), speedKn_,
                                   course_, c.day, c.month, c.year % 100, mode));
        add(SentenceKind::GGA, Fmt("GNGGA,%s,%s,%d,%02zu,%.2f,%.1f,M,15.0,M,,", hms.c_str(), pos.c_str(),
                                   differential ? 2 : 1, used.size(), hdop, alt_));
    } else {
        add(SentenceKind::RMC, Fmt("GNRMC,%s,V,,,,,0.00,0.00,%02d%02d%02d,,,N", hms.c_str(), c.day, c.month,
                                   c.year % 100));
        add(SentenceKind::GGA, Fmt("GNGGA,%s,,,,,0,00,99.99,,,,,,", hms.c_str()));
    }

    auto gsa = [&](const char* talker, char constellation) {
        std::string body = Fmt("%sGSA,A,%d", talker, static_cast<int>(out.mode));
        int n = 0;
        for (const Sat* s : used) {
            if (n < 12 && (constellation == 0 || s->constellation == constellation)) {
                body += Fmt(",%02d", s->prn);
                ++n;
            }
        }
        for (; n < 12; ++n) body += ',';
        add(SentenceKind::GSA, body + "," + dops);
    };
    gsa("GN", 0);
    gsa("GP", 'P');
    gsa("GL", 'L');
    gsa("GA", 'A');

    auto gsv = [&](const char* talker, char constellation) {
        std::vector<const Sat*> view;
        for (const Sat& s : sats_)
            if (s.constellation == constellation) view.push_back(&s);
        const std::size_t total = (view.size() + 3) / 4;
        for (std::size_t m = 0; m < total; ++m) {
            std::string body = Fmt("%sGSV,%zu,%zu,%02zu", talker, total, m + 1, view.size());
            for (std::size_t i = m * 4; i < std::min(view.size(), m * 4 + 4); ++i) {
                const Sat& s = *view[i];
                body += Fmt(",%02d,%02d,%03d,", s.prn, static_cast<int>(s.elev), static_cast<int>(s.azim));
                if (s.Tracked()) body += Fmt("%02d", static_cast<int>(s.snr));
            }
            add(SentenceKind::GSV, body);
        }
    };
    gsv("GP", 'P');
    gsv("GL", 'L');
    gsv("GA", 'A');

    if (fix) {
        add(SentenceKind::GLL, Fmt("GNGLL,%s,%s,A,%c", pos.c_str(), hms.c_str(), mode));
        add(SentenceKind::VTG, Fmt("GNVTG,%.2f,T,,M,%.2f,N,%.2f,K,%c", course_, speedKn_, kmh, mode));
    } else {
        add(SentenceKind::GLL, Fmt("GNGLL,,,,,%s,V,N", hms.c_str()));
        add(SentenceKind::VTG, "GNVTG,0.00,T,,M,0.00,N,0.00,K,N");
    }
    add(SentenceKind::ZDA, Fmt("GNZDA,%s,%02d,%02d,%04d,00,00", hms.c_str(), c.day, c.month, c.year));

    // Channel status: one field per channel, satellite number, SNR and state
    // (0 searching, 1 tracking, 2 used in the fix).
    std::string chn = "PMTKCHN";
    for (std::size_t i = 0; i < 32; ++i) {
        if (i >= sats_.size()) {
            chn += ",000000";
            continue;
        }
        const Sat& s = sats_[i];
        const bool inUse = std::find(used.begin(), used.end(), &s) != used.end();
        chn += Fmt(",%03d%02d%d", s.prn, s.Tracked() ? static_cast<int>(s.snr) : 0,
                   inUse ? 2 : (s.Tracked() ? 1 : 0));
    }
    add(SentenceKind::MCHN, chn);
    return out;
}

}  // namespace qv::sim
