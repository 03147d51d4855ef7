// Receiver settings state shared by the command handlers and the reply decoders.
#pragma once

#include <cstdint>

namespace qv::config {

extern std::uint8_t FirmwareGeneration;  // 1, 2 or 3; start 1
extern std::uint8_t FixRateIndex;        // 0..5
extern std::int32_t QueryStep;           // step of the automatic query sequence

}  // namespace qv::config
