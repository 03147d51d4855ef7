#include "config/Text.h"

#include <charconv>
#include <climits>

#include "nmea/Fields.h"
#include "nmea/State.h"
#include "window/Controls.h"

namespace qv::config {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Parses from text[pos]; sets pos past the digits.
std::optional<int> ParseSigned(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size() || !IsDigit(text[pos])) return std::nullopt;
    long long value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (value <= INT_MAX) value = value * 10 + (text[pos] - '0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
}  // namespace

std::optional<int> LeadingInt(std::string_view text) {
    std::size_t pos = 0;
    return ParseSigned(text, pos);
}

std::optional<int> WholeInt(std::string_view text) {
    std::size_t pos = 0;
    const auto v = ParseSigned(text, pos);
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (!v || pos != text.size()) return std::nullopt;
    return v;
}

std::string_view Field(int i) { return nmea::FieldView(i); }

int FieldInt(int i) { return nmea::FieldToInt(Field(i)); }

int ResolveItem(Ctl list) {
    const int index = Form1->ItemIndex(list);
    if (index >= 0) return index;
    const std::string text = Form1->Text(list);
    const int count = Form1->ItemCount(list);
    for (int i = 0; i < count; ++i)
        if (Form1->Item(list, i) == text) return i;
    return -1;
}

std::string OneDecimal(double value) {
    char text[400];  // fixed notation of the largest double fits
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return r.ec == std::errc{} ? std::string(text, r.ptr) : std::string("0.0");
}

}  // namespace qv::config
