#include "serial/Framer.h"

#include <cstring>

namespace qv::serial {

static_assert(SentenceFramer::kMaxSentence < SentenceFramer::kMaxCarry);

void SentenceFramer::Reset() {
    carried_ = 0;
    inSentence_ = false;
    overlong_ = false;
    dropped_ = 0;
}

void SentenceFramer::Feed(const char* data, std::size_t n, const Emit& emit) {
    while (n > 0) {
        const std::size_t slice = n < kMaxRead ? n : kMaxRead;
        // A zero byte ends the slice's text.
        const void* nul = std::memchr(data, '\0', slice);
        const char* end = nul ? static_cast<const char*>(nul) : data + slice;
        FeedSlice(data, end, emit);
        data += slice;
        n -= slice;
    }
}

void SentenceFramer::EmitChecked(const char* p, std::size_t n, const Emit& emit) {
    if (n > kMaxSentence) {
        ++dropped_;
        return;
    }
    emit(std::string_view(p, n));
}

// Appends to the open sentence, or gives it up once it is too long to hand over.
void SentenceFramer::Carry(const char* p, const char* end) {
    if (overlong_) return;
    const auto n = static_cast<std::size_t>(end - p);
    if (n > kMaxSentence - carried_) {
        overlong_ = true;
        carried_ = 0;
        return;
    }
    std::memcpy(carry_.data() + carried_, p, n);
    carried_ += n;
}

void SentenceFramer::FeedSlice(const char* p, const char* end, const Emit& emit) {
    if (p == end) return;
    if (inSentence_) {
        // Finish the sentence left open by the previous read.
        const auto* q = static_cast<const char*>(std::memchr(p, '$', static_cast<std::size_t>(end - p)));
        if (!q) {
            Carry(p, end);
            return;
        }
        Carry(p, q);
        if (overlong_)
            ++dropped_;
        else
            emit(std::string_view(carry_.data(), carried_));
        carried_ = 0;
        overlong_ = false;
        inSentence_ = false;
        p = q;
    } else {
        // Nothing open: whatever precedes the first "$" is dropped.
        p = static_cast<const char*>(std::memchr(p, '$', static_cast<std::size_t>(end - p)));
        if (!p) return;
    }
    // p is at a "$": hand over every sentence closed by a later "$" in this slice.
    for (;;) {
        const auto* q = static_cast<const char*>(
            std::memchr(p + 1, '$', static_cast<std::size_t>(end - p - 1)));
        if (!q) break;
        EmitChecked(p, static_cast<std::size_t>(q - p), emit);
        p = q;
    }
    inSentence_ = true;
    Carry(p, end);
}

}  // namespace qv::serial
