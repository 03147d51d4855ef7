// Every event handler of the window, where it lives, and the one table that binds
// controls and timers to them. Both windows bind through these tables.
#pragma once

#include <span>

#include "window/ControlNames.h"

namespace qv {

namespace serial {
void Button1Click();
}
namespace config {
void hotClick();
void warmClick();
void coldClick();
void btDefaultClick();
void btNAQueryClick();
void btFixQueryClick();
void btDGQueryClick();
void btVerQueryClick();
void btQEasyClick();
void btConfirmClick();
void btFixSetClick();
void btDGPSSetClick();
void btSetEasyClick();
void btBrSetClick();
void Timer1Timer();
void Timer2Timer();
void Timer3Timer();
}  // namespace config
namespace logging {
void StartLogClick();
void StopLogClick();
}  // namespace logging
namespace epo {
void Button2Click();
void Button3Click();
void Button4Click();
}  // namespace epo

struct ClickBinding {
    Ctl control;
    void (*handler)();
};

// Push buttons and their click handlers.
std::span<const ClickBinding> ClickBindings();
// The handler of a button, or nullptr.
void (*ClickHandler(Ctl c))();
// The handler of a timer.
void (*TimerHandler(Timer t))();
// Interval of a timer in milliseconds.
int TimerInterval(Timer t);

}  // namespace qv
