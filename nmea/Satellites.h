// Decoders of the satellite sentences: fix mode, dilution and satellites used
// (GSA), satellites in view (GSV). Window's thread only.
#pragma once

#include <string_view>

namespace qv::nmea {

void DecodeGSA();
void DecodeGSV();

// "2D" for a field reading 2, "3D" for 3, "No Fix" for anything else.
std::string_view FixModeName(std::string_view field);

}  // namespace qv::nmea
