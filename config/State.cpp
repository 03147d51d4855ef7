#include "config/State.h"

namespace qv::config {

std::uint8_t FirmwareGeneration = 1;
std::uint8_t FixRateIndex = 0;
std::int32_t QueryStep = 0;

}  // namespace qv::config
