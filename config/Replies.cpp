#include "config/Replies.h"

#include <array>
#include <string>

#include "config/State.h"
#include "config/Text.h"
#include "epo/Epo.h"
#include "window/Controls.h"

namespace qv::config {

namespace {

constexpr int kFastFixItem = 5;  // index of the "10" item of cbFix
constexpr int kFastFixItemCount = kFastFixItem + 1;

void AddFastFixItem() {
    if (Form1->ItemCount(Ctl::cbFix) < kFastFixItemCount) Form1->AddItem(Ctl::cbFix, "10");
}

void DecodeFixInterval() {
    int index = -1;
    switch (FieldInt(1)) {
        case 1000: index = 0; break;
        case 500: index = 1; break;
        case 333: index = 2; break;
        case 250: index = 3; break;
        case 200: index = 4; break;
        case 100:
            AddFastFixItem();
            index = kFastFixItem;
            break;
        default: break;
    }
    if (index >= 0) Form1->SetItemIndex(Ctl::cbFix, index);
    // A typed text in the box stands for no rate: keep the last known one.
    const int selected = Form1->ItemIndex(Ctl::cbFix);
    if (selected >= 0) FixRateIndex = static_cast<std::uint8_t>(selected);
}

void DecodeDgpsMode() {
    switch (FieldInt(1)) {
        case 0: Form1->SetChecked(Ctl::rbDisable, true); break;
        case 2: Form1->SetChecked(Ctl::rbWAAS, true); break;
        default: break;
    }
}

void DecodeEasy() {
    if (FieldInt(1) != 2) return;
    switch (FieldInt(2)) {
        case 1: Form1->SetChecked(Ctl::rbEasyEn, true); break;
        case 0: Form1->SetChecked(Ctl::rbEasyDi, true); break;
        default: break;
    }
}

}  // namespace

void DecodeReply() {
    const std::string_view address = Field(0);
    if (address.substr(0, 4) != "PMTK") return;
    const auto number = LeadingInt(address.substr(4));
    if (!number) return;  // e.g. PMTKCHN
    switch (*number) {
        case 1: DecodeAck(); break;
        case 500: DecodeFixInterval(); break;
        case 501: DecodeDgpsMode(); break;
        case 514: DecodeOutputRates(); break;
        case 705: DecodeFirmwareVersion(); break;
        case 707: epo::DecodeEpoStatus(); break;
        case 869: DecodeEasy(); break;
        default: break;
    }
}

void DecodeAck() {
    // The SBAS switch always follows a DGPS mode whose acknowledgement is shown.
    if (FieldInt(1) == 313) return;
    // Shown without waiting: the reader's hand-over must not stall on the user.
    if (FieldInt(2) == 3)
        Form1->ShowMessage("Set Successful!", "Send ok", MsgIcon::None);
    else
        Form1->ShowMessage("Set Failed!", "Error", MsgIcon::None);
}

void DecodeOutputRates() {
    struct Entry {
        int field;
        Ctl box, indicator;
    };
    static constexpr std::array<Entry, 8> kEntries = {{
        {4, Ctl::cbGGA, Ctl::CheckBox1},
        {5, Ctl::cbGSA, Ctl::CheckBox2},
        {6, Ctl::cbGSV, Ctl::CheckBox3},
        {2, Ctl::cbRMC, Ctl::CheckBox4},
        {1, Ctl::cbGLL, Ctl::CheckBox5},
        {3, Ctl::cbVTG, Ctl::CheckBox6},
        {18, Ctl::cbZDA, Ctl::CheckBox7},
        {19, Ctl::cbMCHN, Ctl::CheckBox9},
    }};
    for (const Entry& e : kEntries) {
        const int rate = FieldInt(e.field);
        Form1->SetChecked(e.indicator, rate != 0);
        if (rate >= 0 && rate < Form1->ItemCount(e.box))
            Form1->SetItemIndex(e.box, rate);
        else
            Form1->SetText(e.box, std::to_string(rate));  // beyond the items: shown as typed
    }
}

void DecodeFirmwareVersion() {
    const std::string_view release = Field(1);
    if (release.substr(0, 4) != "AXN_") {
        // Only this firmware family takes orbit data.
        for (Ctl c : {Ctl::Button2, Ctl::Button3, Ctl::Button4}) Form1->SetEnabled(c, false);
    } else if (release.size() > 4) {
        switch (release[4]) {
            case '1': FirmwareGeneration = 1; break;
            case '2':
            case '3':
                FirmwareGeneration = static_cast<std::uint8_t>(release[4] - '0');
                for (Ctl c : {Ctl::rbEasyDi, Ctl::rbEasyEn, Ctl::btQEasy, Ctl::btSetEasy})
                    Form1->SetEnabled(c, true);
                break;
            default: break;
        }
    }

    // Only the RK-5 model family offers 10 fixes per second.
    if (Field(3).substr(0, 4) == "RK-5")
        AddFastFixItem();
    else if (Form1->ItemCount(Ctl::cbFix) > kFastFixItem)
        Form1->DeleteItem(Ctl::cbFix, kFastFixItem);

    std::string version(Field(1));
    for (int i = 2; i <= 4; ++i) (version += ',') += Field(i);
    Form1->SetText(Ctl::Label27, version);
}

}  // namespace qv::config
