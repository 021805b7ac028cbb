#include "core/memorytype.h"

namespace tessaro {

MemoryType MemoryTypeOf(int byte2)
{
    switch (byte2) {
    case 0x04: return MemoryType::Sdr;
    case 0x07: return MemoryType::Ddr;
    case 0x08: return MemoryType::Ddr2;
    case 0x09: return MemoryType::Ddr2FbDimm;
    case 0x0A: return MemoryType::Ddr2FbDimmProbe;
    case 0x0B: return MemoryType::Ddr3;
    default: return MemoryType::Unknown;
    }
}

std::uint8_t SpdByte2Of(MemoryType type)
{
    switch (type) {
    case MemoryType::Unknown: break;
    case MemoryType::Sdr: return 0x04;
    case MemoryType::Ddr: return 0x07;
    case MemoryType::Ddr2: return 0x08;
    case MemoryType::Ddr2FbDimm: return 0x09;
    case MemoryType::Ddr2FbDimmProbe: return 0x0A;
    case MemoryType::Ddr3: return 0x0B;
    }
    return 0;
}

bool UsesDdr3Layout(std::uint8_t byte2)
{
    return byte2 > SpdByte2Of(MemoryType::Ddr2);
}

bool KeepsCrc(MemoryType type)
{
    return type == MemoryType::Ddr3 || type == MemoryType::Ddr2FbDimm;
}

std::optional<MemoryTypeCode> TypeCodeOf(MemoryType type)
{
    switch (type) {
    case MemoryType::Sdr: return MemoryTypeCode::Sdr;
    case MemoryType::Ddr: return MemoryTypeCode::Ddr;
    case MemoryType::Ddr2: return MemoryTypeCode::Ddr2;
    default: break;
    }
    if (KeepsCrc(type))
        return MemoryTypeCode::Ddr3;
    return std::nullopt;
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

LoadTypeRule LoadTypeRuleFor(std::uint8_t byte2)
{
    const MemoryType type = MemoryTypeOf(byte2);
    return {KeepsCrc(type) ? CheckMode::Crc : CheckMode::Checksum, TypeCodeOf(type)};
}

}  // namespace tessaro
