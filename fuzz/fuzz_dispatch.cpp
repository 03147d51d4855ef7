// Arbitrary bytes from the line, in arbitrary chunks, through the reader's
// framing, the dispatch, the decoders and the refresh on the headless window.
#include <algorithm>

#include "FuzzSupport.h"
#include "serial/Framer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Window();
    if (size == 0) return 0;
    qv::serial::SentenceFramer framer;
    // The first byte picks the read size, so reads of every size get explored.
    const std::size_t chunk = 1 + data[0] % 97;
    for (std::size_t pos = 1; pos < size; pos += chunk)
        framer.Feed(reinterpret_cast<const char*>(data + pos), std::min(chunk, size - pos),
                    qv::fuzz::HandOver);
    framer.Feed("$", 1, qv::fuzz::HandOver);  // hands over the last sentence
    return 0;
}
