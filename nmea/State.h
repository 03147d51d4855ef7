// Shared receiver state: the decoded display texts, the satellite tables and the
// flags the decoders keep between sentences. Window's thread only, except where
// a comment says otherwise.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace qv::nmea {

struct Display_SatInfo_st {
    std::string DateText;
    std::string TimeText;
    std::string LatText;
    std::string LonText;
    std::string AltText;
    std::string FixModeText;
    std::string SpeedText;
    std::string PdopText;
    std::string HdopText;
    std::string VdopText;
    std::array<std::string, 256> UsedGps;
    std::array<std::string, 256> UsedGlonass;
    std::array<std::string, 256> UsedGalileo;
    std::array<std::string, 256> SvPrn;
    std::array<std::string, 256> SvElev;
    std::array<std::string, 256> SvAzim;
    std::array<std::string, 256> SvSnr;
    std::array<std::string, 256> SvTalker;
};

extern Display_SatInfo_st SatInfo;

inline constexpr int kFieldSlots = 50;
inline constexpr int kFieldSize = 5000;
// Fields of the current sentence: slot 0 the address without "$", slot i field i.
extern char FieldTable[kFieldSlots][kFieldSize];

// GSV talkers seen since the reader started: 1 GPS, 2 GLONASS, 4 Galileo.
// Atomic: a starting reader clears it while the window's thread adds bits.
extern std::atomic<std::uint8_t> TalkerFlags;
extern std::uint8_t GsvTalkerGps, GsvTalkerGlonass, GsvTalkerGalileo;
extern std::uint8_t Fix3dFromGN, Fix3dFromOther;
extern std::uint8_t SkyRedrawPending;

// Every entry of the three used-satellite tables becomes "0".
void ResetUsedSatellites();

}  // namespace qv::nmea
