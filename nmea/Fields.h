// The receive-side checksum rule, the split of a sentence into FieldTable and the
// integer reading of a field that every decoder uses.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv::nmea {

// True when the text has a "*" followed by one or two hexadecimal digits (either
// case, leading white space skipped, as "%2x" reads them) whose value equals the
// exclusive-or of every byte before the first "*", "$" bytes left out.
bool SentenceChecksumOk(std::string_view text);

// Splits a sentence that begins with "$" into FieldTable: slot 0 the address
// without "$", slot i the i-th field; the last field ends before the first "*"
// after the last comma (and is empty when there is none). Slots not reached read
// as empty texts afterwards.
// Bounds: fields past slot 49 are dropped and a field is cut to 4999 bytes, so
// the table is never written past; real receivers send about twenty short fields.
void SplitFields(std::string_view text);

// A text read as a signed decimal integer the way strtol reads it: leading white
// space, an optional sign, then digits up to the first other character; 0 when no
// digit follows. Values beyond 32 bits saturate at INT32_MAX / INT32_MIN.
std::int32_t FieldToInt(const char* text);
std::int32_t FieldToInt(std::string_view text);

}  // namespace qv::nmea
