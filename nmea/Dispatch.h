// Validation, field splitting and dispatch of one received sentence.
#pragma once

#include <cstdint>

namespace qv::nmea {

// Decodes the sentence in serial::SentenceBuf (window's thread, inside a hand-over).
void DispatchSentence();

}  // namespace qv::nmea
