// Receiver replies with arbitrary content but a correct checksum, so every
// input reaches the reply decoders (acknowledgements, rates, versions, EPO
// status, EASY state) and the refresh behind them.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Window();
    if (size == 0) return 0;
    static const char* const kReplies[] = {"PMTK001,", "PMTK500,", "PMTK501,", "PMTK514,",
                                           "PMTK705,", "PMTK707,", "PMTK869,", "PMTK"};
    std::string body = kReplies[data[0] % 8];
    // Bytes that would end the sentence early are the framer's business, not the decoders'.
    for (std::size_t i = 1; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        body += (c == '$' || c == '*' || c == 0) ? ',' : c;
    }
    qv::fuzz::HandOver(qv::fuzz::Framed(body));
    return 0;
}
