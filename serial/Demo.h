// The "Demo receiver" entry of the port list: a simulated receiver inside this
// process, started at its first use and kept across reconnects (a baud-rate
// change reconnects to the same receiver, which has changed its own rate).
#pragma once

#include <cstdint>
#include <string>

namespace qv::serial {

// The device path of the demo receiver, starting it at baud when it is not
// running yet; empty when it cannot be started.
std::string DemoDevicePath(std::uint32_t baud);
// Stops the demo receiver (the window is closing).
void StopDemo();

}  // namespace qv::serial
