#include "window/Design.h"

#include <algorithm>

#include <array>
#include <stdexcept>

#include "platform/SerialPort.h"

namespace qv {

namespace {
using K = Kind;
using I = Items;
constexpr Ctl W = Ctl::Count;  // the window
constexpr Ctl P1 = Ctl::Panel1, P2 = Ctl::Panel2, P3 = Ctl::Panel3, P4 = Ctl::Panel4;

// Labels have w = h = 0: they take the size of their caption.
// clang-format off
constexpr ControlDesign kDesign[] = {
    // control            kind            parent x    y    w    h    text                  items       idx enabled checked visible
    {Ctl::Panel4,         K::Panel,       W,     0,   0,   993, 30,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label32,        K::Label,       P4,    42,  6,   0,   0,   "Quorvex",            I::None,    -1, true,  false, true},
    {Ctl::bsSkinSpeedButton2, K::ImageButton, P4, 940, 16, 24,  14,  "",                   I::None,    -1, true,  false, true},
    {Ctl::bsSkinSpeedButton1, K::ImageButton, P4, 964, 16, 25,  14,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Panel1,         K::Panel,       W,     0,   30,  993, 26,  "",                   I::None,    -1, true,  false, true},
    {Ctl::bsSkinSpeedButton3, K::ImageButton, P1, 0,  -1,  60,  27,  "",                   I::None,    -1, true,  false, true},
    {Ctl::bsSkinSpeedButton4, K::ImageButton, P1, 60, -1,  60,  27,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Panel3,         K::Panel,       W,     0,   56,  993, 433, "",                   I::None,    -1, true,  false, false},
    {Ctl::Panel2,         K::Panel,       W,     0,   56,  993, 433, "",                   I::None,    -1, true,  false, true},
    {Ctl::TntLabel1,      K::Label,       W,     104, 488, 0,   0,   "\u00B0",             I::None,    -1, true,  false, true},

    // status page
    {Ctl::Label2,         K::Label,       P2,    8,   17,  0,   0,   "Please choose\uFF1A", I::None,   -1, true,  false, true},
    {Ctl::ComboBox2,      K::ComboBox,    P2,    120, 16,  89,  21,  "115200",             I::Bauds,    6, true,  false, true},
    {Ctl::ComboBox1,      K::ComboBox,    P2,    224, 16,  57,  21,  "",                   I::Ports,    0, true,  false, true},
    {Ctl::Button1,        K::PushButton,  P2,    296, 16,  49,  20,  "On",                 I::None,    -1, true,  false, true},
    {Ctl::Memo1,          K::Memo,        P2,    8,   42,  337, 182, "",                   I::None,    -1, true,  false, true},
    {Ctl::Label9,         K::Label,       P2,    352, 28,  0,   0,   "Date",               I::None,    -1, true,  false, true},
    {Ctl::EdDate,         K::Edit,        P2,    352, 44,  161, 21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label8,         K::Label,       P2,    352, 76,  0,   0,   "Time",               I::None,    -1, true,  false, true},
    {Ctl::EdTime,         K::Edit,        P2,    352, 92,  161, 21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label6,         K::Label,       P2,    520, 28,  0,   0,   "Latitude",           I::None,    -1, true,  false, true},
    {Ctl::EdLat,          K::UnicodeEdit, P2,    520, 44,  89,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label7,         K::Label,       P2,    520, 76,  0,   0,   "Longitude",          I::None,    -1, true,  false, true},
    {Ctl::EdLon,          K::UnicodeEdit, P2,    520, 92,  89,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label10,        K::Label,       P2,    520, 124, 0,   0,   "PDOP",               I::None,    -1, true,  false, true},
    {Ctl::EdPDOP,         K::Edit,        P2,    520, 140, 89,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::TheTime,        K::Label,       P2,    519, 172, 0,   0,   "Fix Time",           I::None,    -1, true,  false, true},
    {Ctl::Edit1,          K::Edit,        P2,    520, 188, 177, 21,  "0",                  I::None,    -1, true,  false, true},
    {Ctl::Label3,         K::Label,       P2,    616, 28,  0,   0,   "Fix | SBAS Mode",    I::None,    -1, true,  false, true},
    {Ctl::EdMode,         K::Edit,        P2,    616, 44,  40,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::EdSBAS,         K::Edit,        P2,    657, 44,  40,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label4,         K::Label,       P2,    616, 76,  0,   0,   "Speed",              I::None,    -1, true,  false, true},
    {Ctl::EdSpeed,        K::Edit,        P2,    616, 92,  81,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label5,         K::Label,       P2,    616, 124, 0,   0,   "Altitude",           I::None,    -1, true,  false, true},
    {Ctl::EdHeight,       K::Edit,        P2,    616, 140, 81,  21,  "",                   I::None,    -1, true,  false, true},
    {Ctl::CheckBox1,      K::CheckBox,    P2,    352, 122, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label1,         K::Label,       P2,    368, 124, 0,   0,   "GGA",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox2,      K::CheckBox,    P2,    404, 122, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label11,        K::Label,       P2,    420, 124, 0,   0,   "GSA",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox3,      K::CheckBox,    P2,    448, 122, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label12,        K::Label,       P2,    464, 124, 0,   0,   "GSV",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox4,      K::CheckBox,    P2,    352, 146, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label13,        K::Label,       P2,    368, 148, 0,   0,   "RMC",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox5,      K::CheckBox,    P2,    404, 146, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label15,        K::Label,       P2,    420, 148, 0,   0,   "GLL",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox6,      K::CheckBox,    P2,    448, 146, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label16,        K::Label,       P2,    464, 148, 0,   0,   "VTG",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox7,      K::CheckBox,    P2,    352, 170, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label14,        K::Label,       P2,    368, 172, 0,   0,   "ZDA",                I::None,    -1, true,  false, true},
    {Ctl::CheckBox9,      K::CheckBox,    P2,    404, 170, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::Label28,        K::Label,       P2,    420, 172, 0,   0,   "MCHN",               I::None,    -1, true,  false, true},
    {Ctl::hot,            K::PushButton,  P2,    920, 40,  57,  25,  "hot",                I::None,    -1, false, false, true},
    {Ctl::warm,           K::PushButton,  P2,    920, 100, 57,  25,  "warm",               I::None,    -1, false, false, true},
    {Ctl::cold,           K::PushButton,  P2,    920, 158, 57,  25,  "cold",               I::None,    -1, false, false, true},
    {Ctl::Chart1,         K::BubbleChart, P2,    704, 16,  208, 208, "",                   I::None,    -1, true,  false, true},
    {Ctl::Label26,        K::Label,       P2,    8,   228, 0,   0,   "GPS",                I::None,    -1, true,  false, true},
    {Ctl::GPChart,        K::BarChart,    P2,    8,   248, 292, 177, "",                   I::None,    -1, true,  false, true},
    {Ctl::Label34,        K::Label,       P2,    312, 228, 0,   0,   "GLONASS",            I::None,    -1, true,  false, true},
    {Ctl::GLChart,        K::BarChart,    P2,    312, 248, 212, 177, "",                   I::None,    -1, true,  false, true},
    {Ctl::Label35,        K::Label,       P2,    536, 228, 0,   0,   "Galileo",            I::None,    -1, true,  false, true},
    {Ctl::GAChart,        K::BarChart,    P2,    536, 248, 212, 177, "",                   I::None,    -1, true,  false, true},
    {Ctl::Label36,        K::Label,       P2,    760, 228, 0,   0,   "Qzss",               I::None,    -1, true,  false, true},
    {Ctl::JpChart,        K::BarChart,    P2,    760, 248, 212, 177, "",                   I::None,    -1, true,  false, true},

    // settings page
    {Ctl::Label17,        K::Label,       P3,    16,  16,  0,   0,   "NMEA Output-Setting", I::None,   -1, true,  false, true},
    {Ctl::cbGLL,          K::ComboBox,    P3,    40,  40,  69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbRMC,          K::ComboBox,    P3,    157, 40,  69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbVTG,          K::ComboBox,    P3,    40,  76,  69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbGGA,          K::ComboBox,    P3,    157, 76,  69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbGSA,          K::ComboBox,    P3,    40,  112, 69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbGSV,          K::ComboBox,    P3,    157, 112, 69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbZDA,          K::ComboBox,    P3,    40,  148, 69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::cbMCHN,         K::ComboBox,    P3,    157, 148, 69,  21,  "0",                  I::Rates,    0, true,  false, true},
    {Ctl::btDefault,      K::PushButton,  P3,    40,  176, 56,  21,  "Default",            I::None,    -1, false, false, true},
    {Ctl::btNAQuery,      K::PushButton,  P3,    156, 176, 56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::btConfirm,      K::PushButton,  P3,    272, 176, 56,  21,  "Confirm",            I::None,    -1, false, false, true},
    {Ctl::Label18,        K::Label,       P3,    256, 40,  0,   0,   "Data-bandwidth",     I::None,    -1, true,  false, true},
    {Ctl::lbFix,          K::Label,       P3,    275, 80,  0,   0,   "1",                  I::None,    -1, true,  false, true},
    {Ctl::Label38,        K::Label,       P3,    296, 80,  0,   0,   "Hz",                 I::None,    -1, true,  false, true},
    {Ctl::lbRS,           K::Label,       P3,    266, 104, 0,   0,   "0.0",                I::None,    -1, true,  false, true},
    {Ctl::Label40,        K::Label,       P3,    310, 104, 0,   0,   "%",                  I::None,    -1, true,  false, true},
    {Ctl::Label19,        K::Label,       P3,    16,  224, 0,   0,   "Update-Rate",        I::None,    -1, true,  false, true},
    {Ctl::cbFix,          K::ComboBox,    P3,    88,  222, 56,  21,  "1",                  I::FixRates, 0, true,  false, true},
    {Ctl::btFixQuery,     K::PushButton,  P3,    156, 222, 56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::btFixSet,       K::PushButton,  P3,    272, 222, 56,  21,  "Set",                I::None,    -1, false, false, true},
    {Ctl::Label41,        K::Label,       P3,    16,  272, 0,   0,   "Baudrate",           I::None,    -1, true,  false, true},
    {Ctl::btBr,           K::ComboBox,    P3,    88,  272, 56,  21,  "4800",               I::Bauds,    0, true,  false, true},
    {Ctl::btBrSet,        K::PushButton,  P3,    272, 272, 56,  21,  "Set",                I::None,    -1, false, false, true},
    {Ctl::Label22,        K::Label,       P3,    16,  312, 0,   0,   "DGPS",               I::None,    -1, true,  false, true},
    {Ctl::rbWAAS,         K::Radio,       P3,    22,  330, 14,  17,  "",                   I::None,    -1, true,  false, true},
    {Ctl::Label20,        K::Label,       P3,    38,  332, 0,   0,   "Enable",             I::None,    -1, true,  false, true},
    {Ctl::rbDisable,      K::Radio,       P3,    86,  330, 14,  17,  "",                   I::None,    -1, true,  true,  true},
    {Ctl::Label21,        K::Label,       P3,    102, 332, 0,   0,   "Disable",            I::None,    -1, true,  false, true},
    {Ctl::btDGQuery,      K::PushButton,  P3,    156, 322, 56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::btDGPSSet,      K::PushButton,  P3,    272, 324, 56,  21,  "Set",                I::None,    -1, false, false, true},
    {Ctl::Label37,        K::Label,       P3,    16,  360, 0,   0,   "EASY",               I::None,    -1, true,  false, true},
    {Ctl::rbEasyEn,       K::Radio,       P3,    22,  378, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::labelEE,        K::Label,       P3,    38,  380, 0,   0,   "Enable",             I::None,    -1, true,  false, true},
    {Ctl::rbEasyDi,       K::Radio,       P3,    86,  378, 14,  17,  "",                   I::None,    -1, false, false, true},
    {Ctl::labelED,        K::Label,       P3,    102, 380, 0,   0,   "Disable",            I::None,    -1, true,  false, true},
    {Ctl::btQEasy,        K::PushButton,  P3,    156, 376, 56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::btSetEasy,      K::PushButton,  P3,    272, 376, 56,  21,  "Set",                I::None,    -1, false, false, true},
    {Ctl::Label29,        K::Label,       P3,    376, 16,  0,   0,   "AGPS",               I::None,    -1, true,  false, true},
    {Ctl::Label39,        K::Label,       P3,    379, 32,  0,   0,   "",                   I::None,    -1, true,  false, true},
    {Ctl::Button2,        K::PushButton,  P3,    384, 72,  56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::Button3,        K::PushButton,  P3,    472, 72,  56,  21,  "Update",             I::None,    -1, false, false, true},
    {Ctl::Button4,        K::PushButton,  P3,    560, 72,  56,  21,  "Reset",              I::None,    -1, false, false, true},
    {Ctl::Label30,        K::Label,       P3,    376, 120, 0,   0,   "LOG",                I::None,    -1, true,  false, true},
    {Ctl::StartLog,       K::PushButton,  P3,    472, 176, 56,  21,  "StartLog",           I::None,    -1, false, false, true},
    {Ctl::StopLog,        K::PushButton,  P3,    560, 176, 56,  21,  "StopLog",            I::None,    -1, false, false, true},
    {Ctl::Label31,        K::Label,       P3,    376, 224, 0,   0,   "Firmware Version",   I::None,    -1, true,  false, true},
    {Ctl::Label27,        K::Label,       P3,    433, 248, 0,   0,   "",                   I::None,    -1, true,  false, true},
    {Ctl::btVerQuery,     K::PushButton,  P3,    376, 280, 56,  21,  "Query",              I::None,    -1, false, false, true},
    {Ctl::Label23,        K::Label,       P3,    430, 320, 0,   0,   "Quorvex",            I::None,    -1, true,  false, true},
    {Ctl::Label24,        K::Label,       P3,    430, 360, 0,   0,   "Version 2.0.25 Feb. 27th 2018", I::None, -1, true, false, true},
};
// clang-format on

static_assert(std::size(kDesign) == static_cast<std::size_t>(Ctl::Count),
              "every named control has exactly one design entry");
}  // namespace

std::span<const ControlDesign> WindowDesign() { return kDesign; }

const ControlDesign& DesignOf(Ctl c) {
    // Indexed once: the headless window asks on every text it sets.
    static const auto byControl = [] {
        std::array<const ControlDesign*, kControlCount> t{};
        for (const auto& d : kDesign) {
            const auto i = static_cast<std::size_t>(d.control);
            if (i < t.size() && !t[i]) t[i] = &d;
        }
        return t;
    }();
    const auto i = static_cast<std::size_t>(c);
    if (i < byControl.size() && byControl[i]) return *byControl[i];
    throw std::out_of_range("control without design entry");
}

std::vector<std::string> DesignItems(Items items) {
    switch (items) {
        case Items::Bauds: return {"4800", "9600", "14400", "19200", "38400", "57600", "115200"};
        case Items::Ports: {
            // Plugged-in adapters first, then the built-in simulated receiver,
            // then the machine's own UARTs (a receiver rarely sits behind one):
            // with nothing plugged in the window starts on the demo.
            std::vector<std::string> v = platform::ListSerialPorts();
            const auto uarts = std::stable_partition(
                v.begin(), v.end(), [](const std::string& p) { return !platform::IsBoardUart(p); });
            v.insert(uarts, std::string(platform::kDemoPortName));
            return v;
        }
        case Items::Rates: return {"0", "1", "2", "3", "4", "5"};
        case Items::FixRates: return {"1", "2", "3", "4", "5"};
        case Items::None: break;
    }
    return {};
}

Ctl SeriesChart(Series s) {
    switch (s) {
        case Series::Series1: return Ctl::Chart1;
        case Series::GPSeries: return Ctl::GPChart;
        case Series::GLSeries: return Ctl::GLChart;
        case Series::GASeries: return Ctl::GAChart;
        case Series::JpSeries: return Ctl::JpChart;
        default: return Ctl::Count;
    }
}

Ctl RadioPartner(Ctl radio) {
    switch (radio) {
        case Ctl::rbWAAS: return Ctl::rbDisable;
        case Ctl::rbDisable: return Ctl::rbWAAS;
        case Ctl::rbEasyEn: return Ctl::rbEasyDi;
        case Ctl::rbEasyDi: return Ctl::rbEasyEn;
        default: return Ctl::Count;
    }
}

}  // namespace qv
