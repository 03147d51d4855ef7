// The receive-side checksum rule, the split of a sentence into FieldTable and the
// integer reading of a field that every decoder uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "nmea/State.h"

namespace qv::nmea {

// Texts given as views end at their first zero byte, like the C texts they stand for.

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

namespace detail {
// Bytes of each slot that may hold something other than zero: what the last split
// wrote there. The next split clears exactly those instead of the whole table.
extern std::size_t g_slotDirty[kFieldSlots];
}  // namespace detail

// The text of a slot, its length taken from the last split when the slot still
// holds what the split wrote (the decoders' fast path), measured otherwise.
inline std::string_view FieldView(int slot) {
    if (slot < 0 || slot >= kFieldSlots) return {};
    const char* text = FieldTable[slot];
    const std::size_t n = detail::g_slotDirty[slot];
    if (text[n] == 0 && (n == 0 || text[n - 1] != 0)) return {text, n};
    return {text, ::strnlen(text, kFieldSize)};
}

// A text read as a signed decimal integer the way strtol reads it: leading white
// space, an optional sign, then digits up to the first other character; 0 when no
// digit follows. Values beyond 32 bits saturate at INT32_MAX / INT32_MIN.
std::int32_t FieldToInt(const char* text);
std::int32_t FieldToInt(std::string_view text);

}  // namespace qv::nmea
