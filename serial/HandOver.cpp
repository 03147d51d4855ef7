#include <algorithm>
#include <cstring>

#include "serial/Serial.h"

namespace qv::serial {

void LoadSentence(std::string_view sentence) {
    const std::size_t n = std::min(sentence.size(), sizeof SentenceBuf - 1);
    std::memcpy(SentenceBuf, sentence.data(), n);
    // Only the bytes the previous sentence left behind need clearing: the
    // buffer then reads as zero-filled without writing all 5000 bytes.
    const std::size_t old = SentenceLen > 0 ? static_cast<std::size_t>(SentenceLen) : 0;
    if (old > n) std::memset(SentenceBuf + n, 0, std::min(old, sizeof SentenceBuf) - n);
    SentenceBuf[n] = 0;
    SentenceLen = static_cast<std::int32_t>(n);
}

}  // namespace qv::serial
