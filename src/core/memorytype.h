#pragma once

#include "core/spdimage.h"

#include <optional>

namespace tessaro {

// What a load does to the document after the bytes are in: the check mode to
// select and the memory-type code to switch to (none: keep the current code).
struct LoadTypeRule {
    CheckMode checkMode = CheckMode::Checksum;
    std::optional<MemoryTypeCode> typeCode;
};

// Byte 2 after a load: 04h SDR, 07h DDR, 08h DDR2 keep the checksum;
// 09h and 0Bh select the CRC and DDR3; anything else selects the checksum and
// leaves the code alone.
[[nodiscard]] LoadTypeRule LoadTypeRuleFor(std::uint8_t byte2);

[[nodiscard]] const char* MemoryTypeCodeName(MemoryTypeCode code);

}  // namespace tessaro
