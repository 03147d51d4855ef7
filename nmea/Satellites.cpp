#include "nmea/Satellites.h"

#include <string>

#include "nmea/Fields.h"
#include "nmea/State.h"

namespace qv::nmea {

namespace {

std::string_view Field(int i) { return FieldView(i); }

constexpr std::uint8_t kGps = 1, kGlonass = 2, kGalileo = 4;

// Whether the end of the current GSV group redraws the sky view. With one
// constellation seen every group does; with several, the group of the lowest one
// seen (GPS, or GLONASS when GPS is absent), so the view is drawn once per cycle
// and never stays empty.
bool GroupEndRedraws(std::uint8_t seen) {
    switch (seen) {
        case kGps:
        case kGlonass:
        case kGalileo:
            return GsvTalkerGps || GsvTalkerGlonass || GsvTalkerGalileo;
        case kGps | kGlonass:
        case kGps | kGalileo:
        case kGps | kGlonass | kGalileo:
            return GsvTalkerGps != 0;
        case kGlonass | kGalileo:
            return GsvTalkerGlonass != 0;
        default:
            return false;
    }
}

}  // namespace

std::string_view FixModeName(std::string_view field) {
    switch (FieldToInt(field)) {
        case 2: return "2D";
        case 3: return "3D";
        default: return "No Fix";
    }
}

void DecodeGSA() {
    const std::string_view address = Field(0);
    SatInfo.FixModeText.assign(FixModeName(Field(2)));
    SatInfo.PdopText.assign(Field(15));
    SatInfo.HdopText.assign(Field(16));
    SatInfo.VdopText.assign(Field(17));

    // Keeps "3D" while the latest GNGSA or the latest GSA of another address
    // reports it, so receivers that send both do not flicker between modes.
    const bool combined = address == "GNGSA";
    if (SatInfo.FixModeText == "3D") {
        (combined ? Fix3dFromGN : Fix3dFromOther) = 1;
    } else {
        (combined ? Fix3dFromGN : Fix3dFromOther) = 0;
        if (Fix3dFromGN || Fix3dFromOther) SatInfo.FixModeText.assign("3D");
    }

    std::array<std::string, 256>* used = nullptr;
    if (address == "GPGSA") used = &SatInfo.UsedGps;
    else if (address == "GLGSA") used = &SatInfo.UsedGlonass;
    else if (address == "GAGSA") used = &SatInfo.UsedGalileo;
    if (!used) return;
    for (int i = 0; i < 12; ++i) (*used)[static_cast<std::size_t>(i)].assign(Field(3 + i));
}

void DecodeGSV() {
    const std::int32_t total = FieldToInt(Field(1));
    const std::int32_t number = FieldToInt(Field(2));
    for (int block = 4; block <= 16; block += 4) {
        const std::int32_t n = FieldToInt(Field(block));
        // Numbers beyond the 256-entry tables have no place there and are dropped.
        if (n <= 0 || n > 255) continue;
        const auto i = static_cast<std::size_t>(n);
        SatInfo.SvPrn[i].assign(Field(block));
        SatInfo.SvElev[i].assign(Field(block + 1));
        SatInfo.SvAzim[i].assign(Field(block + 2));
        SatInfo.SvSnr[i].assign(Field(block + 3));
        std::string& talker = SatInfo.SvTalker[i];
        if (talker != Field(0)) talker.assign(Field(0));  // usually the same address again
    }
    if (number == total && GroupEndRedraws(TalkerFlags.load(std::memory_order_relaxed)))
        SkyRedrawPending = 1;
}

}  // namespace qv::nmea
