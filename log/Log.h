// The sentence log: received valid sentences recorded byte for byte to a file.
#pragma once

#include <cstdint>

namespace qv::logging {

extern std::int32_t LogActive;  // 1 while recording
extern int hLogFile;            // the open log file, -1 when none

void StartLogging();
void StopLogging();
// Called by the refresh once per valid sentence.
void LogSentence();

}  // namespace qv::logging
