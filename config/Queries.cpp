#include "config/Queries.h"

#include <charconv>
#include <cmath>

#include "config/Commands.h"
#include "config/State.h"
#include "config/Text.h"
#include "epo/Epo.h"
#include "nmea/State.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::config {

namespace {

void Restart(std::string_view sentence) {
    SendFixedCommand(sentence);
    ResetReceiverDisplay();
    // QueryStep is 0 now: a running sequence starts over at its next tick.
    Form1->SetTimerEnabled(Timer::Timer2, true);
    nmea::Fix3dFromGN = 0;
    nmea::Fix3dFromOther = 0;
    nmea::ResetUsedSatellites();
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

void ResetReceiverDisplay() {
    Form1->SetText(Ctl::Edit1, "0");
    Form1->SetText(Ctl::Memo1, "");
    Form1->SetText(Ctl::EdPDOP, "");
    for (Ctl c : {Ctl::EdHeight, Ctl::EdSpeed, Ctl::EdTime, Ctl::EdDate}) Form1->SetText(c, "0");
    QueryStep = 0;
    // The MCHN indicator (CheckBox9) keeps its state.
    for (Ctl c : {Ctl::CheckBox1, Ctl::CheckBox2, Ctl::CheckBox3, Ctl::CheckBox4, Ctl::CheckBox5,
                  Ctl::CheckBox6, Ctl::CheckBox7})
        Form1->SetChecked(c, false);
}

void hotClick() { Restart(kCmdHotRestart); }
void warmClick() { Restart(kCmdWarmRestart); }
void coldClick() { Restart(kCmdColdRestart); }

void btDefaultClick() {
    SendFixedCommand(kCmdDefaultOutput);
    PauseBetweenCommands();
    SendFixedCommand(kCmdQueryOutputRates);
}

void btNAQueryClick() { SendFixedCommand(kCmdQueryOutputRates); }
void btVerQueryClick() { SendFixedCommand(kCmdQueryFirmware); }
void btFixQueryClick() { SendFixedCommand(kCmdQueryFixInterval); }
void btDGQueryClick() { SendFixedCommand(kCmdQueryDgpsMode); }
void btQEasyClick() { SendFixedCommand(kCmdQueryEasy); }

void Timer2Timer() {
    // While an orbit upload owns the port the receiver speaks its binary
    // protocol: a query would land inside the transfer. The sequence waits.
    if (epo::EpoUploadRunning.load()) return;
    switch (QueryStep) {
        case 0: break;  // a second of quiet after connecting or a restart
        case 1: SendFixedCommand(kCmdQueryOutputRates); break;
        case 2: SendFixedCommand(kCmdQueryFirmware); break;
        case 3: SendFixedCommand(kCmdQueryFixInterval); break;
        case 4: SendFixedCommand(kCmdQueryDgpsMode); break;
        case 5:
            // Only firmware that has the EASY function answers its query.
            if (FirmwareGeneration > 1) SendFixedCommand(kCmdQueryEasy);
            break;
        default:
            if (QueryStep < 0) break;
            Form1->SetTimerEnabled(Timer::Timer2, false);
            QueryStep = 0;
            break;
    }
    ++QueryStep;
}

std::string NextFixTime(std::string_view current) {
    const std::string_view text = Trim(current);
    double seconds = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), seconds,
                                   std::chars_format::fixed);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size() ||
        !std::isfinite(seconds))
        seconds = 0.0;
    return OneDecimal(seconds + 0.1);
}

void Timer3Timer() {
    if (Form1->Text(Ctl::EdMode) == "3D") return;
    Form1->SetText(Ctl::Edit1, NextFixTime(Form1->Text(Ctl::Edit1)));
}

}  // namespace qv::config
