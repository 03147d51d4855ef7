#include "nmea/Dispatch.h"

#include "serial/Serial.h"
#include "window/Controls.h"

namespace qv::nmea {

// Until decoding lands: show every sentence as it arrives.
void DispatchSentence() {
    Form1->AppendText(Ctl::Memo1, std::string_view(serial::SentenceBuf,
                                                   static_cast<std::size_t>(serial::SentenceLen)));
}

}  // namespace qv::nmea
