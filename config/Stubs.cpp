// Placeholders until the configuration handlers land; delete each as it is built.
#include "config/Replies.h"
#include "window/Handlers.h"

namespace qv::config {
void hotClick() {}
void warmClick() {}
void coldClick() {}
void btDefaultClick() {}
void btNAQueryClick() {}
void btFixQueryClick() {}
void btDGQueryClick() {}
void btVerQueryClick() {}
void btQEasyClick() {}
void btConfirmClick() {}
void btFixSetClick() {}
void btDGPSSetClick() {}
void btSetEasyClick() {}
void btBrSetClick() {}
void Timer1Timer() {}
void Timer2Timer() {}
void Timer3Timer() {}
void DecodeReply() {}
}  // namespace qv::config
