#include "window/Automation.h"

#include "config/Bandwidth.h"
#include "config/State.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::automation {

namespace {
// A click as the user makes it: nothing happens on a disabled button.
void Click(Ctl c) {
    if (Form1 && Form1->Enabled(c)) RunHandler(ClickHandler(c));
}
}  // namespace

bool Connect(std::string_view port, std::string_view baud) {
    Form1->SetText(Ctl::ComboBox1, port);
    const int index = [&] {
        for (int i = 0; i < Form1->ItemCount(Ctl::ComboBox2); ++i)
            if (Form1->Item(Ctl::ComboBox2, i) == baud) return i;
        return -1;
    }();
    if (index >= 0) Form1->SetItemIndex(Ctl::ComboBox2, index);
    else Form1->SetText(Ctl::ComboBox2, baud);
    Click(Ctl::Button1);
    return Form1->Text(Ctl::Button1) == "Off";
}

void AllSentencesOn() {
    for (Ctl box : {Ctl::cbGLL, Ctl::cbRMC, Ctl::cbVTG, Ctl::cbGGA, Ctl::cbGSA, Ctl::cbGSV,
                    Ctl::cbZDA, Ctl::cbMCHN})
        Form1->SetItemIndex(box, 1);
    Click(Ctl::btConfirm);
}

int FastestFixRate() {
    const auto baud = static_cast<std::uint32_t>(std::stoul("0" + Form1->Text(Ctl::ComboBox2)));
    for (int index = Form1->ItemCount(Ctl::cbFix) - 1; index >= 0; --index) {
        const int perSecond = config::FixesPerSecond(index);
        const auto estimate =
            config::EstimateBandwidth(baud, perSecond, config::FirmwareGeneration);
        if (!estimate || *estimate > 100.0f) continue;
        Form1->SetItemIndex(Ctl::cbFix, index);
        Click(Ctl::btFixSet);
        return perSecond;
    }
    return 0;
}

void StartLog() { Click(Ctl::StartLog); }
void StopLog() { Click(Ctl::StopLog); }

void Disconnect() {
    if (Form1->Text(Ctl::Button1) == "Off") Click(Ctl::Button1);
}

}  // namespace qv::automation
