// The data-bandwidth estimate: how much of the serial line the chosen NMEA output
// rates take, shown on the settings page and guarding the rate and baud settings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv::config {

// Bits one output of each sentence is counted to take, at one line speed.
struct BandwidthRow {
    std::uint32_t baud;
    float gll, rmc, vtg, gga, gsa, gsa3, gsv, gsv3, zda, mchn;
};

// Rows in the order of the baud-rate lists (index 0 is 4800, index 6 is 115200).
inline constexpr std::array<BandwidthRow, 7> BandwidthFigures = {{
    {4800, 600.0f, 748.8f, 408.0f, 758.4f, 648.0f, 1296.0f, 2582.4f, 5164.8f, 499.2f, 2030.4f},
    {9600, 604.8f, 748.8f, 412.8f, 758.4f, 652.8f, 1305.6f, 2582.4f, 5164.8f, 499.2f, 2025.6f},
    {14400, 604.8f, 748.8f, 403.2f, 763.2f, 648.0f, 1296.0f, 2577.6f, 5155.2f, 504.0f, 2030.4f},
    {19200, 595.2f, 748.8f, 403.2f, 768.0f, 652.8f, 1305.6f, 2572.8f, 5145.4f, 499.2f, 2035.2f},
    {38400, 614.4f, 768.0f, 422.4f, 768.0f, 652.8f, 1503.6f, 2572.8f, 5145.6f, 499.2f, 2035.2f},
    {57600, 576.0f, 748.8f, 403.2f, 748.8f, 633.6f, 1267.2f, 2592.0f, 5184.0f, 518.4f, 2016.0f},
    {115200, 576.0f, 806.4f, 460.8f, 806.4f, 691.2f, 1382.4f, 2534.4f, 5068.8f, 460.8f, 2073.6f},
}};

// Which sentences are output, in the order GLL, RMC, VTG, GGA, GSA, GSV, ZDA, MCHN.
using SentencesOn = std::array<bool, 8>;

// The estimate in per cent for one row of the table.
float BandwidthPercent(const BandwidthRow& row, const SentencesOn& on, int fixesPerSecond,
                       int generation);

// The row index for a rate text ("4800" ... "115200"), read as a whole integer.
std::optional<int> BaudRow(std::string_view rateText);
// Fixes per second for a fix-rate index: 0..4 give 1..5, anything else 10.
int FixesPerSecond(int fixRateIndex);

// The rate boxes' values (0 when a box shows nothing usable), GLL ... MCHN order.
std::array<int, 8> RateBoxValues();
// Reads the eight rate boxes; nullopt when baud is not one of the seven rates.
std::optional<float> EstimateBandwidth(std::uint32_t baud, int fixesPerSecond, int generation);
// The setting guard: above 100 per cent the line cannot carry the output.
inline bool EstimateFits(float percent) { return percent <= 100.0f; }

// Shows the fix rate and the estimate (lbFix, lbRS, red above 90 per cent).
void RefreshBandwidthDisplay();

}  // namespace qv::config
