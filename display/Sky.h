// Satellite colours and the sky-view geometry.
#pragma once

#include <string_view>

#include "window/Controls.h"

namespace qv::display {

// A GPS-talker number that belongs to a QZSS satellite ("183"-"187", "193"-"197").
bool IsQzssNumber(std::string_view number);

// Blue (GPS), green (QZSS), yellow (GLONASS) or red (Galileo) when the number is
// found, as text, in the used-satellite table of the GSV address's constellation;
// silver otherwise and for any other address.
Color SatelliteColor(std::string_view number, std::string_view address);

struct SkyPoint {
    double x, y;
};
// Zenith at the centre, the horizon on the circle of radius 100, north up, east right.
SkyPoint SkyPosition(int elevation, int azimuth);

}  // namespace qv::display
