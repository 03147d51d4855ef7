#include "nmea/Fields.h"

#include <cstring>
#include <limits>

#include "nmea/State.h"

namespace qv::nmea {

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bytes of each slot that may hold something other than zero, so the next split
// clears exactly those instead of all 250000 bytes of the table.
std::size_t g_slotDirty[kFieldSlots];

// Writes one field into a slot: the text (cut to fit), a terminator, and zeros
// over whatever the previous sentence left beyond it.
void PutSlot(int slot, const char* from, std::size_t n) {
    constexpr std::size_t kMax = kFieldSize - 1;
    if (n > kMax) n = kMax;
    char* dst = FieldTable[slot];
    std::memcpy(dst, from, n);
    const std::size_t dirty = g_slotDirty[slot];
    if (dirty > n) std::memset(dst + n, 0, dirty - n);
    else dst[n] = 0;
    g_slotDirty[slot] = n;
}

void EmptySlot(int slot) {
    char* dst = FieldTable[slot];
    // Also catches texts that other code wrote straight into the table.
    std::size_t dirty = g_slotDirty[slot];
    if (dst[0] != 0) {
        const std::size_t len = ::strnlen(dst, kFieldSize);
        if (len > dirty) dirty = len;
    }
    if (dirty > 0) std::memset(dst, 0, dirty);
    g_slotDirty[slot] = 0;
}

}  // namespace

bool SentenceChecksumOk(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    unsigned x = 0;
    for (; p < end && *p != '*'; ++p)
        if (*p != '$') x ^= static_cast<unsigned char>(*p);
    if (p == end) return false;  // no "*"
    ++p;
    // "%2x": white space first, then a sign and digits sharing a width of two.
    while (p < end && IsSpace(*p)) ++p;
    int width = 2;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
        --width;
    }
    unsigned value = 0;
    int digits = 0;
    for (; digits < width && p < end; ++p, ++digits) {
        const int v = HexValue(*p);
        if (v < 0) break;
        value = value * 16 + static_cast<unsigned>(v);
    }
    if (digits == 0) return false;
    if (negative) value = 0u - value;  // as the unsigned conversion stores it
    return value == x;
}

void SplitFields(std::string_view text) {
    const char* p = text.data() + (text.empty() ? 0 : 1);
    const char* const end = text.data() + text.size();
    int slot = 0;
    for (;;) {
        const char* q = p;
        while (q < end && *q != ',') ++q;
        if (q == end) {
            // The last field runs to the first "*"; without one it stays empty.
            const char* star = p;
            while (star < end && *star != '*') ++star;
            if (slot < kFieldSlots) {
                if (star < end) PutSlot(slot, p, static_cast<std::size_t>(star - p));
                else EmptySlot(slot);
                ++slot;
            }
            break;
        }
        if (slot < kFieldSlots) PutSlot(slot, p, static_cast<std::size_t>(q - p));
        ++slot;  // fields beyond the last slot are counted and dropped
        p = q + 1;
    }
    for (; slot < kFieldSlots; ++slot) EmptySlot(slot);
}

namespace {

// strtol's reading; `more(p)` tells whether p is still inside the text.
template <typename More>
std::int32_t ReadInt(const char* p, More more) {
    while (more(p) && IsSpace(*p)) ++p;
    bool negative = false;
    if (more(p) && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // Accumulate as a negative number: its range holds INT32_MIN itself.
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t v = 0;
    for (; more(p) && *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 - (*p - '0');
        if (v < kMin) break;  // saturates; the remaining digits change nothing
    }
    if (negative) return static_cast<std::int32_t>(v < kMin ? kMin : v);
    return static_cast<std::int32_t>(-v > kMax ? kMax : -v);
}

}  // namespace

std::int32_t FieldToInt(std::string_view text) {
    const char* const end = text.data() + text.size();
    return ReadInt(text.data(), [end](const char* p) { return p < end; });
}

std::int32_t FieldToInt(const char* text) {
    // The terminator is neither space, sign nor digit, so every loop stops there.
    return ReadInt(text, [](const char*) { return true; });
}

}  // namespace qv::nmea
