// Scripted use of the window through its controls, exactly as a user clicks:
// the benchmarks and soak runs drive both front ends with these steps.
#pragma once

#include <string>
#include <string_view>

namespace qv::automation {

// Selects the port and rate and clicks "On"; true when the connection opened.
bool Connect(std::string_view port, std::string_view baud);
// Turns every sentence type on at rate 1 and clicks "Confirm".
void AllSentencesOn();
// Picks the fastest fix rate the bandwidth estimate allows with every sentence
// on and clicks its "Set"; returns the fixes per second chosen (0: none fits).
int FastestFixRate();
// Clicks "StartLog" with the name given to the save dialog by the caller's window.
void StartLog();
void StopLog();
void Disconnect();

}  // namespace qv::automation
