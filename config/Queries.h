// Restarts, queries, the default output and the automatic query sequence.
#pragma once

#include <string>
#include <string_view>

namespace qv::config {

// After a restart: clears the fix-time counter, the sentence view, the position
// texts and seven sentence indicators, and sends the query sequence to step 0.
void ResetReceiverDisplay();

// The fix-time counter's next value for the text in Edit1: one tenth more, or
// 0.1 when the text is not a number (a user may have typed into the box).
std::string NextFixTime(std::string_view current);

}  // namespace qv::config
