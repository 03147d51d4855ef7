// Cuts the received byte stream into sentences at each "$". A sentence is every
// byte from one "$" up to (not including) the next "$", so it is handed over
// only when the following "$" has arrived. Used by the reader thread, the
// benchmarks and the fuzz targets alike.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace qv::serial {

class SentenceFramer {
public:
    using Emit = std::function<void(std::string_view sentence)>;
    // Feeds the bytes of one read; emit runs once per complete sentence, in order.
    void Feed(const char* data, std::size_t n, const Emit& emit);
    // Forgets the carried tail (a new connection).
    void Reset();
    // Bytes carried to the next read.
    std::size_t Carried() const;
};

}  // namespace qv::serial
