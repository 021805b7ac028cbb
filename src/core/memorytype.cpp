#include "core/memorytype.h"

namespace tessaro {

LoadTypeRule LoadTypeRuleFor(std::uint8_t byte2)
{
    switch (byte2) {
    case 0x04: return {CheckMode::Checksum, MemoryTypeCode::Sdr};
    case 0x07: return {CheckMode::Checksum, MemoryTypeCode::Ddr};
    case 0x08: return {CheckMode::Checksum, MemoryTypeCode::Ddr2};
    case 0x09:
    case 0x0B: return {CheckMode::Crc, MemoryTypeCode::Ddr3};
    default: return {CheckMode::Checksum, std::nullopt};
    }
}

const char* MemoryTypeCodeName(MemoryTypeCode code)
{
    switch (code) {
    case MemoryTypeCode::Sdr: return "SDR";
    case MemoryTypeCode::Ddr: return "DDR";
    case MemoryTypeCode::Ddr2: return "DDR2";
    case MemoryTypeCode::Rambus: return "RAMBUS";
    case MemoryTypeCode::Ddr3: return "DDR3";
    }
    return "";
}

}  // namespace tessaro
