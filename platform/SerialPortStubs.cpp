// Placeholder until the termios layer lands.
#include "platform/SerialPort.h"

namespace qv::platform {
std::string ResolvePortName(std::string_view) { return {}; }
std::vector<std::string> ListSerialPorts() { return {}; }
}  // namespace qv::platform
