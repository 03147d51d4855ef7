#include "serial/Demo.h"

namespace qv::serial {

std::string DemoDevicePath(std::uint32_t) { return {}; }
void StopDemo() {}

}  // namespace qv::serial
