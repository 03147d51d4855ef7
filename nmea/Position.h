// Decoders of the position, time and motion sentences and the text conversions
// they use. Window's thread only: they read FieldTable and write SatInfo.
#pragma once

#include <string>
#include <string_view>

namespace qv::nmea {

void DecodeGGA();
void DecodeGLL();
void DecodeRMC();
void DecodeVTG();
void DecodeZDA();

inline constexpr std::string_view kDegreeSign = "\u00B0";

// Digits and at most one ".", not starting with "."; the empty text passes.
bool IsDecimalText(std::string_view text);
// The value of an accepted text: the integer before the point (saturated to 32
// bits) plus the digits after it, accumulated one by one; no point gives 0.0.
double ParseDecimalText(std::string_view text);

// An NMEA coordinate field (ddmm.mmmm, dddmm.mmmm) and its hemisphere as
// degrees, minutes, seconds and hundredths, every step truncated:
// "N 25°03'07.40\"". The forms taking `out` reuse its storage.
void FormatLatitude(std::string_view value, std::string_view hemisphere, std::string& out);
void FormatLongitude(std::string_view value, std::string_view hemisphere, std::string& out);
std::string FormatLatitude(std::string_view value, std::string_view hemisphere);
std::string FormatLongitude(std::string_view value, std::string_view hemisphere);

// unit 'K': the field as received plus " km/h"; unit 'N': knots times 1.852 in
// the general format with 15 digits, cut to 5 characters, plus " km/h".
void FormatSpeed(std::string_view value, char unit, std::string& out);
std::string FormatSpeed(std::string_view value, char unit);

// RMC fields 1 (hhmmss) and 9 (ddmmyy) as local DateText and TimeText. A time or
// date that is shorter than six characters or not numeric there leaves both
// texts as they were.
void FormatRmcDateTime();

}  // namespace qv::nmea
