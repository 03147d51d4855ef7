// The simulated receiver's NMEA output, one fix at a time. Everything follows
// from the seed and the number of fixes made: the clock starts at an epoch
// derived from the seed and advances by the fix interval with each fix, so the
// same seed and the same intervals give the same bytes whatever the wall clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::sim {

// Index of each sentence's rate in the rate command's field order (field n is
// index n-1): GLL RMC VTG GGA GSA GSV, seven to seventeen unused, ZDA, MCHN.
enum class SentenceKind : int { GLL = 0, RMC = 1, VTG = 2, GGA = 3, GSA = 4, GSV = 5, ZDA = 17, MCHN = 18 };

enum class RestartKind { Hot, Warm, Cold };

// The fix the receiver reports: none, then 2D, then 3D after a restart.
enum class FixMode { None = 1, TwoD = 2, ThreeD = 3 };

struct FixOutput {
    FixMode mode = FixMode::None;
    std::uint64_t timeMs = 0;  // receiver time since the seed's epoch
    // The sentences of this fix in output order, each framed with CR LF.
    std::vector<std::pair<SentenceKind, std::string>> sentences;
};

class NmeaStream {
public:
    explicit NmeaStream(std::uint64_t seed);

    // Starts the fix progression over (the stream starts as after a cold restart).
    // Time to 2D / 3D: cold 3 s / 6 s, warm 2 s / 3 s, hot 1 s / 1.5 s.
    void Restart(RestartKind kind);
    // The next fix. intervalMs is the time since the previous fix (ignored for the
    // first); differential marks the position as corrected (SBAS).
    FixOutput Next(int intervalMs, bool differential);

    struct Sat {
        int prn = 0;
        char constellation = 'P';  // P: GPS and QZSS, L: GLONASS, A: Galileo
        double elev = 0, azim = 0, snr = 0, dElev = 0, dAzim = 0;
        bool Tracked() const { return snr >= 20.0; }
    };

private:
    double Uniform(double lo, double hi);
    FixMode ModeNow() const;
    void Move(int intervalMs);

    std::uint64_t rng_;
    std::int64_t epochSec_ = 0;  // Unix seconds of the first fix
    std::uint64_t timeMs_ = 0;
    std::uint64_t sinceRestartMs_ = 0;
    RestartKind restart_ = RestartKind::Cold;
    bool first_ = true;
    bool restarted_ = false;  // the next fix is the first after a restart
    double lat_ = 0, lon_ = 0, alt_ = 0, speedKn_ = 0, course_ = 0;
    std::vector<Sat> sats_;
};

}  // namespace qv::sim
