#include "config/Bandwidth.h"

#include <string>

#include "config/Commands.h"
#include "config/State.h"
#include "config/Text.h"
#include "serial/Serial.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::config {

namespace {

// The rate boxes in the field order of the 314 command.
constexpr std::array<Ctl, 8> kRateBoxes = {Ctl::cbGLL, Ctl::cbRMC, Ctl::cbVTG, Ctl::cbGGA,
                                           Ctl::cbGSA, Ctl::cbGSV, Ctl::cbZDA, Ctl::cbMCHN};

// A box's rate: its selected item, or a typed whole number (a 514 reply shows a
// rate the items cannot as typed text, and it must survive a Confirm).
int RateBoxValue(Ctl box) {
    const int index = ResolveItem(box);
    if (index >= 0) return index;
    const auto typed = WholeInt(Form1->Text(box));
    return typed && *typed > 0 ? *typed : 0;
}

}  // namespace

float BandwidthPercent(const BandwidthRow& row, const SentencesOn& on, int fixesPerSecond,
                       int generation) {
    const bool g3 = generation == 3;
    // Summed in the receiver's output order, as the figures were measured.
    const float figures[8] = {on[0] ? row.gll : 0.0f,
                              on[1] ? row.rmc : 0.0f,
                              on[2] ? row.vtg : 0.0f,
                              on[4] ? (g3 ? row.gsa3 : row.gsa) : 0.0f,
                              on[5] ? (g3 ? row.gsv3 : row.gsv) : 0.0f,
                              on[3] ? row.gga : 0.0f,
                              on[6] ? row.zda : 0.0f,
                              on[7] ? row.mchn : 0.0f};
    float sum = 0.0f;
    for (float f : figures) sum += f;
    return sum * 100.0f * static_cast<float>(fixesPerSecond) / static_cast<float>(row.baud);
}

std::optional<int> BaudRow(std::string_view rateText) {
    const auto baud = WholeInt(rateText);
    if (!baud) return std::nullopt;
    for (std::size_t i = 0; i < BandwidthFigures.size(); ++i)
        if (static_cast<int>(BandwidthFigures[i].baud) == *baud) return static_cast<int>(i);
    return std::nullopt;
}

int FixesPerSecond(int fixRateIndex) {
    return fixRateIndex >= 0 && fixRateIndex <= 4 ? fixRateIndex + 1 : 10;
}

std::array<int, 8> RateBoxValues() {
    std::array<int, 8> rates{};
    for (std::size_t i = 0; i < kRateBoxes.size(); ++i) rates[i] = RateBoxValue(kRateBoxes[i]);
    return rates;
}

std::optional<float> EstimateBandwidth(std::uint32_t baud, int fixesPerSecond, int generation) {
    for (const BandwidthRow& row : BandwidthFigures) {
        if (row.baud != baud) continue;
        const auto rates = RateBoxValues();
        SentencesOn on{};
        for (std::size_t i = 0; i < on.size(); ++i) on[i] = rates[i] != 0;
        return BandwidthPercent(row, on, fixesPerSecond, generation);
    }
    return std::nullopt;
}

void RefreshBandwidthDisplay() {
    const int fps = FixesPerSecond(ResolveItem(Ctl::cbFix));
    Form1->SetText(Ctl::lbFix, std::to_string(fps));

    const auto row = BaudRow(Form1->Text(Ctl::ComboBox2));
    std::optional<float> estimate;
    if (row) estimate = EstimateBandwidth(BandwidthFigures[*row].baud, fps, FirmwareGeneration);

    Color color = colors::Black;
    if (estimate) {
        Form1->SetText(Ctl::lbRS, OneDecimal(*estimate));
        if (*estimate > 90.0f) color = colors::Red;
    } else {
        // A typed speed the table has no figures for: no estimate to show.
        Form1->SetText(Ctl::lbRS, "-");
    }
    Form1->SetTextColor(Ctl::lbRS, color);
    Form1->SetTextColor(Ctl::Label40, color);
}

void Timer1Timer() { RefreshBandwidthDisplay(); }

void btConfirmClick() {
    const auto rates = RateBoxValues();
    const std::string body = OutputRatesBody(rates);

    const auto row = BaudRow(Form1->Text(Ctl::ComboBox2));
    const auto estimate =
        row ? EstimateBandwidth(BandwidthFigures[*row].baud, FixesPerSecond(FixRateIndex),
                                FirmwareGeneration)
            : std::nullopt;
    if (!estimate || !EstimateFits(*estimate)) {
        ShowSetFailed();
        return;
    }
    SendCommand(body);
    serial::FlushPort();
    PauseBetweenCommands();
    SendFixedCommand(kCmdQueryOutputRates);
}

}  // namespace qv::config
