// Small text helpers of the configuration handlers and reply decoders.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "window/ControlNames.h"

namespace qv::config {

// Optional blanks and sign, then decimal digits up to the first other byte.
// nullopt when no digit follows; saturates instead of overflowing.
std::optional<int> LeadingInt(std::string_view text);
// The whole text (blanks around it allowed) as a decimal integer, else nullopt.
std::optional<int> WholeInt(std::string_view text);

// Slot i of nmea::FieldTable as text (empty for a slot out of range).
std::string_view Field(int i);
// Slot i read as a number: 0 when it has no leading digits.
int FieldInt(int i);

// The item a drop-down list stands for: its selected index, or the item whose
// text equals the typed text; -1 when neither.
int ResolveItem(Ctl list);

// A number with one digit after the point, as "%.1f" gives it in the C locale
// (whatever locale the window toolkit set).
std::string OneDecimal(double value);

}  // namespace qv::config
