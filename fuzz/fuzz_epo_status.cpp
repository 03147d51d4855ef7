// The orbit-data status reply with arbitrary fields: set counts, weeks and
// times of week of any size and sign, in any time zone.
#include <cstdlib>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Window();
    if (size == 0) return 0;
    static const char* const kZones[] = {"UTC0", "CST-8", "EST5EDT", "NZST-12NZDT"};
    setenv("TZ", kZones[data[0] % 4], 1);
    std::string body = "PMTK707,";
    for (std::size_t i = 1; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        body += (c == '$' || c == '*' || c == 0) ? ',' : c;
    }
    qv::fuzz::HandOver(qv::fuzz::Framed(body));
    return 0;
}
