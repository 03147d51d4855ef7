// Cuts the received byte stream into sentences at each "$". A sentence is every
// byte from one "$" up to (not including) the next "$", so it is handed over
// only when the following "$" has arrived. Used by the reader thread, the
// benchmarks and the fuzz targets alike.
//
// Bounds (the line is untrusted):
// - Each read is taken in slices of at most kMaxRead bytes; a zero byte ends the
//   text of its slice, and the rest of that slice is lost.
// - Bytes before the first "$" are dropped at once (they could never be part of
//   a sentence), so only an unfinished sentence is carried between reads.
// - A sentence longer than kMaxSentence bytes cannot be handed over (it would
//   not fit the hand-over buffer with its terminating zero): it is dropped whole,
//   and the framer resynchronises at the next "$". The carry therefore never
//   holds more than kMaxSentence bytes, well inside the kMaxCarry work buffer.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>

namespace qv::serial {

class SentenceFramer {
public:
    static constexpr std::size_t kMaxRead = 10000;
    static constexpr std::size_t kMaxCarry = 20000;
    static constexpr std::size_t kMaxSentence = 4999;

    using Emit = std::function<void(std::string_view sentence)>;
    // Feeds the bytes of one read; emit runs once per complete sentence, in order.
    // The view points into the framer's or the caller's buffer: valid only during emit.
    void Feed(const char* data, std::size_t n, const Emit& emit);
    // Forgets the carried tail (a new connection).
    void Reset();
    // Bytes carried to the next read.
    std::size_t Carried() const { return carried_; }
    // Sentences dropped for being too long since the last Reset.
    std::size_t Dropped() const { return dropped_; }

private:
    void FeedSlice(const char* p, const char* end, const Emit& emit);
    void Carry(const char* p, const char* end);
    void EmitChecked(const char* p, std::size_t n, const Emit& emit);

    std::array<char, kMaxSentence> carry_{};
    std::size_t carried_ = 0;
    bool inSentence_ = false;  // a "$" has been seen and its sentence is still open
    bool overlong_ = false;    // the open sentence is too long and is being skipped
    std::size_t dropped_ = 0;
};

}  // namespace qv::serial
