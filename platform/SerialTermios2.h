// Line speeds through the Linux termios2 interface, which carries the rate as a
// number: the only way to set a rate without a B-constant (14400) and to read
// back the exact rate in force. Kept apart because <asm/termbits.h> and
// <termios.h> cannot be included in one translation unit.
#pragma once

#include <cstdint>

namespace qv::platform::termios2 {

// Sets input and output speed to baud (BOTHER), leaving every other flag as it is.
bool SetSpeed(int fd, std::uint32_t baud);
// The output speed in force; false when the descriptor is not a terminal.
bool GetSpeed(int fd, std::uint32_t& baud);

}  // namespace qv::platform::termios2
