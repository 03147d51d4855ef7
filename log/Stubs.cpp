// Placeholder until the sentence log lands.
#include "log/Log.h"
#include "window/Handlers.h"

namespace qv::logging {
std::int32_t LogActive = 0;
int hLogFile = -1;
void StartLogging() {}
void StopLogging() {}
void LogSentence() {}
void StartLogClick() { StartLogging(); }
void StopLogClick() { StopLogging(); }
}  // namespace qv::logging
