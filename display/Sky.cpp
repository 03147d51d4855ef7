#include "display/Sky.h"

#include <array>
#include <cmath>

#include "nmea/State.h"

namespace qv::display {

namespace {

constexpr double kPi = 3.141592653589793;

const std::array<std::string, 256>* UsedTable(std::string_view address) {
    if (address == "GPGSV") return &nmea::SatInfo.UsedGps;
    if (address == "GLGSV") return &nmea::SatInfo.UsedGlonass;
    if (address == "GAGSV") return &nmea::SatInfo.UsedGalileo;
    return nullptr;
}

// cos and sin of whole degrees 0-360, from the same expression as the direct
// computation, so the table and the fallback agree to the last bit.
struct DegreeTable {
    std::array<double, 361> cosv, sinv;
    DegreeTable() {
        for (int d = 0; d <= 360; ++d) {
            cosv[static_cast<std::size_t>(d)] = std::cos(d * kPi / 180);
            sinv[static_cast<std::size_t>(d)] = std::sin(d * kPi / 180);
        }
    }
};
const DegreeTable kDegrees;
const DegreeTable& Degrees() { return kDegrees; }
double CosDeg(int d) {
    return d >= 0 && d <= 360 ? Degrees().cosv[static_cast<std::size_t>(d)] : std::cos(d * kPi / 180);
}
double SinDeg(int d) {
    return d >= 0 && d <= 360 ? Degrees().sinv[static_cast<std::size_t>(d)] : std::sin(d * kPi / 180);
}

}  // namespace

bool IsQzssNumber(std::string_view n) {
    return n.size() == 3 && n[0] == '1' && ((n[1] == '8' && n[2] >= '3' && n[2] <= '7') ||
                                            (n[1] == '9' && n[2] >= '3' && n[2] <= '7'));
}

Color SatelliteColor(std::string_view number, std::string_view address) {
    const auto* used = UsedTable(address);
    if (!used) return colors::Silver;
    for (const std::string& entry : *used) {
        if (entry != number) continue;
        if (used == &nmea::SatInfo.UsedGps) return IsQzssNumber(number) ? colors::Green : colors::Blue;
        return used == &nmea::SatInfo.UsedGlonass ? colors::Yellow : colors::Red;
    }
    return colors::Silver;
}

SkyPoint SkyPosition(int elevation, int azimuth) {
    const double c = CosDeg(elevation);
    return {100 * c * SinDeg(azimuth), 100 * c * CosDeg(azimuth)};
}

}  // namespace qv::display
