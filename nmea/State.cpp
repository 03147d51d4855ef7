#include "nmea/State.h"

namespace qv::nmea {

Display_SatInfo_st SatInfo;
char FieldTable[kFieldSlots][kFieldSize];
std::atomic<std::uint8_t> TalkerFlags{0};
std::uint8_t GsvTalkerGps = 0, GsvTalkerGlonass = 0, GsvTalkerGalileo = 0;
std::uint8_t Fix3dFromGN = 0, Fix3dFromOther = 0;
std::uint8_t SkyRedrawPending = 0;

void ResetUsedSatellites() {
    for (int i = 0; i < 256; ++i) {
        SatInfo.UsedGps[i] = "0";
        SatInfo.UsedGlonass[i] = "0";
        SatInfo.UsedGalileo[i] = "0";
    }
}

}  // namespace qv::nmea
