#include "nmea/Fields.h"

#include <cstring>
#include <limits>

#include "nmea/State.h"

namespace qv::nmea {

namespace detail {
std::size_t g_slotDirty[kFieldSlots];
}  // namespace detail

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A text ends at its first zero byte.
inline std::string_view UpToZero(std::string_view text) {
    if (text.empty()) return {};  // also a view without storage: no null pointer to memchr
    if (const void* zero = std::memchr(text.data(), 0, text.size()))
        return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
    return text;
}


// Ends the text of a slot after n bytes and zeros what the previous sentence
// left beyond it, so the table reads as if it had been zero-filled.
inline void CloseSlot(int slot, std::size_t n) {
    char* dst = FieldTable[slot];
    const std::size_t dirty = detail::g_slotDirty[slot];
    if (dirty > n) std::memset(dst + n, 0, dirty - n);
    else dst[n] = 0;
    detail::g_slotDirty[slot] = n;
}

inline void EmptySlot(int slot) {
    char* dst = FieldTable[slot];
    std::size_t dirty = detail::g_slotDirty[slot];
    if (dst[0] != 0) {  // also catches texts other code wrote straight into the table
        const std::size_t len = ::strnlen(dst, kFieldSize);
        if (len > dirty) dirty = len;
    }
    if (dirty > 0) std::memset(dst, 0, dirty);
    detail::g_slotDirty[slot] = 0;
}

// Copies the fields that a comma closes, from p up to and including lastComma.
// Unchecked when no field can outgrow a slot (every sentence of the reader).
// Returns the number of slots filled.
template <bool kCheckLength>
int CopyClosedFields(const char* p, const char* lastComma) {
    int slot = 0;
    char* dst = FieldTable[0];
    char* start = dst;
    for (; p <= lastComma; ++p) {
        const char c = *p;
        if (c != ',') {
            if (!kCheckLength || dst < start + (kFieldSize - 1)) *dst++ = c;
            continue;
        }
        CloseSlot(slot, static_cast<std::size_t>(dst - start));
        if (++slot == kFieldSlots) break;  // fields beyond the last slot are dropped
        start = dst = FieldTable[slot];
    }
    return slot;
}

}  // namespace

bool SentenceChecksumOk(std::string_view text) {
    text = UpToZero(text);
    if (text.empty()) return false;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const auto* star = static_cast<const char*>(std::memchr(begin, '*', text.size()));
    if (!star) return false;

    // The xor of every byte before "*", eight at a time, then "$" taken out again.
    std::uint64_t wide = 0;
    const char* p = begin;
    for (; star - p >= 8; p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        wide ^= w;
    }
    wide ^= wide >> 32;
    wide ^= wide >> 16;
    wide ^= wide >> 8;
    unsigned x = static_cast<unsigned>(wide & 0xFF);
    for (; p < star; ++p) x ^= static_cast<unsigned char>(*p);
    for (const char* d = begin; (d = static_cast<const char*>(std::memchr(d, '$', static_cast<std::size_t>(star - d))));
         ++d)
        x ^= '$';

    p = star + 1;
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
    text = UpToZero(text);
    static const char kNothing[] = "";
    if (text.empty()) text = std::string_view(kNothing, 0);
    const char* p = text.data() + (text.empty() ? 0 : 1);
    const char* const end = text.data() + text.size();
    // Every field but the last ends at a comma; the last runs from the last
    // comma to the first "*" after it, and is empty when there is none.
    const auto* lastComma = static_cast<const char*>(::memrchr(p, ',', static_cast<std::size_t>(end - p)));
    int slot = 0;
    if (lastComma) {
        slot = text.size() < kFieldSize ? CopyClosedFields<false>(p, lastComma)
                                        : CopyClosedFields<true>(p, lastComma);
        p = lastComma + 1;
    }
    if (slot < kFieldSlots) {
        const auto* star = static_cast<const char*>(std::memchr(p, '*', static_cast<std::size_t>(end - p)));
        std::size_t n = star ? static_cast<std::size_t>(star - p) : 0;
        if (n > kFieldSize - 1) n = kFieldSize - 1;
        std::memcpy(FieldTable[slot], p, n);
        CloseSlot(slot, n);
        ++slot;
    }
    for (; slot < kFieldSlots; ++slot)
        if ((detail::g_slotDirty[slot] | static_cast<unsigned char>(FieldTable[slot][0])) != 0) EmptySlot(slot);
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
    // Most fields are a few plain digits; nine of them cannot overflow.
    if (!text.empty() && text.size() <= 9 && IsDigit(text[0])) {
        std::int32_t v = 0;
        for (const char c : text) {
            if (!IsDigit(c)) break;
            v = v * 10 + (c - '0');
        }
        return v;
    }
    const char* const end = text.data() + text.size();
    return ReadInt(text.data(), [end](const char* p) { return p < end; });
}

std::int32_t FieldToInt(const char* text) {
    // The terminator is neither space, sign nor digit, so every loop stops there.
    return ReadInt(text, [](const char*) { return true; });
}

}  // namespace qv::nmea
