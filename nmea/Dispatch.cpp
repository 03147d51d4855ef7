#include "nmea/Dispatch.h"

#include <cstring>
#include <string_view>

#include "config/Replies.h"
#include "display/Refresh.h"
#include "nmea/Fields.h"
#include "nmea/Position.h"
#include "nmea/Satellites.h"
#include "nmea/State.h"
#include "serial/Serial.h"
#include "window/Controls.h"

namespace qv::nmea {

namespace {

// Characters from..from+2 (counted from 1) of the address equal `three`.
bool CharsEqual(std::string_view address, std::size_t from, const char (&three)[4]) {
    return address.size() >= from + 2 && address[from - 1] == three[0] &&
           address[from] == three[1] && address[from + 1] == three[2];
}

// Which constellation a GSV sentence belongs to, by its first five characters.
void NoteGsvTalker(std::string_view address) {
    if (address.size() < 5 || address.substr(2, 3) != "GSV") return;
    const std::string_view talker = address.substr(0, 2);
    std::uint8_t bit = 0;
    if (talker == "GA") bit = 4;
    else if (talker == "GP") bit = 1;
    else if (talker == "GL") bit = 2;
    else return;
    GsvTalkerGps = bit == 1;
    GsvTalkerGlonass = bit == 2;
    GsvTalkerGalileo = bit == 4;
    // The reader clears the set when it starts; only add what is missing.
    if (!(TalkerFlags.load(std::memory_order_relaxed) & bit)) TalkerFlags.fetch_or(bit);
}

void Decode(std::string_view a) {
    if (a.size() >= 5) {
        const char c3 = a[2], c4 = a[3], c5 = a[4];
        if (c3 == 'G') {
            if (c4 == 'G' && c5 == 'A') return DecodeGGA();
            if (c4 == 'L' && c5 == 'L') return DecodeGLL();
            if (c4 == 'S' && c5 == 'A') return DecodeGSA();
            if (c4 == 'S' && c5 == 'V') return DecodeGSV();
        }
        if (c3 == 'R' && c4 == 'M' && c5 == 'C') return DecodeRMC();
        if (c3 == 'V' && c4 == 'T' && c5 == 'G') return DecodeVTG();
        if (c3 == 'Z' && c4 == 'D' && c5 == 'A') return DecodeZDA();
    }
    // PMTKCHN stops here too: its characters 2-4 are "MTK".
    if (CharsEqual(a, 2, "MTK")) return config::DecodeReply();
    if (CharsEqual(a, 2, "QVR")) return;
    if (CharsEqual(a, 5, "CHN") && Form1) Form1->SetChecked(Ctl::CheckBox9, true);
}

}  // namespace

std::string_view SentenceText() {
    std::size_t len = 0;
    if (serial::SentenceLen > 0)
        len = static_cast<std::size_t>(serial::SentenceLen) < sizeof serial::SentenceBuf
                  ? static_cast<std::size_t>(serial::SentenceLen)
                  : sizeof serial::SentenceBuf;
    if (const void* zero = std::memchr(serial::SentenceBuf, 0, len))
        len = static_cast<std::size_t>(static_cast<const char*>(zero) - serial::SentenceBuf);
    return {serial::SentenceBuf, len};
}

bool DecodeSentence() {
    const std::string_view sentence = SentenceText();
    if (!SentenceChecksumOk(sentence)) return false;  // dropped without trace
    SplitFields(sentence);
    const std::string_view address = FieldView(0);
    NoteGsvTalker(address);
    Decode(address);
    return true;
}

void DispatchSentence() {
    if (DecodeSentence()) display::RefreshDisplay();
}

}  // namespace qv::nmea
