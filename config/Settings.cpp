// Fix rate, DGPS/SBAS, EASY and the receiver's baud rate.
#include <array>
#include <string>

#include "config/Bandwidth.h"
#include "config/Commands.h"
#include "config/State.h"
#include "config/Text.h"
#include "serial/Serial.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::config {

namespace {

// Milliseconds between fixes for each item of cbFix ("1" ... "5", "10").
constexpr std::array<int, 6> kFixIntervalMs = {1000, 500, 333, 250, 200, 100};
constexpr int kFirstFastFixItem = 4;  // "5": items below it end 5 Hz or 10 Hz output
constexpr int kFallbackBaudRow = 6;   // 115200, used when btBr shows nothing

// The row of btBr's rate: the selected item, a typed rate of the list, or
// 115200 when the box is empty; -1 for any other typed text.
int SelectedBaudRow() {
    const int index = ResolveItem(Ctl::btBr);
    if (index >= 0) return index < static_cast<int>(BandwidthFigures.size()) ? index : -1;
    const std::string text = Form1->Text(Ctl::btBr);
    if (text.empty()) return kFallbackBaudRow;
    return BaudRow(text).value_or(-1);
}

}  // namespace

void btFixSetClick() {
    const int index = ResolveItem(Ctl::cbFix);
    if (index < 0 || index >= static_cast<int>(kFixIntervalMs.size())) {
        // A typed rate the receiver has no interval for: send nothing.
        ShowSetFailed();
        return;
    }
    if (serial::Connected() && index < kFirstFastFixItem) {
        const MsgResult answer =
            Form1->MessageBox("It will turn off 5HZ(or 10HZ) function,\nAre you still want to do?",
                              "Warning", MsgButtons::YesNo, MsgIcon::None);
        if (answer != MsgResult::Yes) return;
    }
    FixRateIndex = static_cast<std::uint8_t>(index);
    SendCommand(FixIntervalBody(kFixIntervalMs[static_cast<std::size_t>(index)]));
}

void btDGPSSetClick() {
    int mode = 0, sbas = 0;
    if (Form1->Checked(Ctl::rbWAAS)) {
        mode = 2;  // SBAS differential corrections
        sbas = 1;
    }
    SendCommand(DgpsModeBody(mode));
    PauseBetweenCommands();
    SendFixedCommand(kCmdQueryDgpsMode);
    SendCommand(SbasBody(sbas));
}

void btSetEasyClick() {
    if (Form1->Checked(Ctl::rbEasyDi))
        SendFixedCommand(kCmdEasyOff);
    else if (Form1->Checked(Ctl::rbEasyEn))
        SendFixedCommand(kCmdEasyOn);
}

void btBrSetClick() {
    const int row = SelectedBaudRow();
    if (row < 0) {
        ShowSetFailed();
        return;
    }
    const BandwidthRow& rate = BandwidthFigures[static_cast<std::size_t>(row)];
    const std::string sentence = FrameCommand(BaudRateBody(std::to_string(rate.baud)));

    // The current output must still fit the line at the new speed.
    const auto estimate =
        EstimateBandwidth(rate.baud, FixesPerSecond(FixRateIndex), FirmwareGeneration);
    if (!estimate || !EstimateFits(*estimate)) {
        ShowSetFailed();
        return;
    }
    serial::WritePort(sentence.data(), sentence.size());
    // The reconnect purges the port: the command must have left it by then, however
    // quickly the box is closed.
    serial::FlushPort();
    Form1->MessageBox("Bandrate Changed!", "Bandrate", MsgButtons::Ok, MsgIcon::None);

    // Reconnect at the receiver's new speed: close, then open with ComboBox2's rate.
    Form1->SetItemIndex(Ctl::ComboBox2, row);
    serial::Button1Click();
    serial::Button1Click();
}

}  // namespace qv::config
