// Validation, field splitting and dispatch of one received sentence.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv::nmea {

// Decodes the sentence in serial::SentenceBuf (window's thread, inside a hand-over).
void DispatchSentence();

// DispatchSentence without the refresh: checks, splits and decodes; false when
// the checksum rejected the sentence. The benchmarks time the stages apart.
bool DecodeSentence();

// The text of the sentence being handed over: serial::SentenceBuf up to
// SentenceLen bytes or its first zero byte, never beyond the buffer.
std::string_view SentenceText();

}  // namespace qv::nmea
