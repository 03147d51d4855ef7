// Arbitrary bytes from the line, in arbitrary chunks, through the reader's
// framing, the dispatch, the decoders and the refresh on the headless window.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "nmea/Dispatch.h"
#include "serial/Framer.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qv::HeadlessWindow window;  // one window for the process, like the program
    qv::serial::SentenceFramer framer;
    const auto hand_over = [](std::string_view s) {
        const std::size_t n = std::min(s.size(), sizeof qv::serial::SentenceBuf - 1);
        std::memcpy(qv::serial::SentenceBuf, s.data(), n);
        qv::serial::SentenceBuf[n] = 0;
        qv::serial::SentenceLen = static_cast<std::int32_t>(n);
        qv::nmea::DispatchSentence();
    };
    // The first byte picks the chunk size, so reads of every size get explored.
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 97;
    for (std::size_t pos = 1; pos < size; pos += chunk)
        framer.Feed(reinterpret_cast<const char*>(data + pos), std::min(chunk, size - pos), hand_over);
    framer.Feed("$", 1, hand_over);  // hands over the last sentence
    return 0;
}
