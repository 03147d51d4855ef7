// The window as designed: every named control with its kind, parent, place, size,
// caption, items and start state. Both windows build themselves from this table,
// so the headless window starts in exactly the state the real one shows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "window/ControlNames.h"

namespace qv {

enum class Kind : std::uint8_t {
    Panel,
    Label,
    ImageButton,
    PushButton,
    ComboBox,  // editable drop-down list
    Edit,
    UnicodeEdit,
    Memo,
    CheckBox,
    Radio,
    BubbleChart,
    BarChart,
};

enum class Items : std::uint8_t { None, Bauds, Ports, Rates, FixRates };

struct ControlDesign {
    Ctl control;
    Kind kind;
    Ctl parent;  // Ctl::Count: the window itself
    int x, y, w, h;
    std::string_view text;  // caption or start text (lists: the selected item's text)
    Items items;
    int itemIndex;  // -1: none selected
    bool enabled;
    bool checked;
    bool visible;
};

std::span<const ControlDesign> WindowDesign();
const ControlDesign& DesignOf(Ctl c);
std::vector<std::string> DesignItems(Items items);

// The chart series and the chart control that shows each.
Ctl SeriesChart(Series s);

inline constexpr int kClientWidth = 991;
inline constexpr int kClientHeight = 488;

// Radio buttons come in two independent exclusive pairs.
Ctl RadioPartner(Ctl radio);  // Ctl::Count when not a radio button

}  // namespace qv
