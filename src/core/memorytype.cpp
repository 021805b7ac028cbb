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
    case 0x0C: return MemoryType::Ddr4;
    case 0x0E: return MemoryType::Ddr4E;
    case 0x10: return MemoryType::Lpddr4;
    case 0x11: return MemoryType::Lpddr4X;
    case 0x12: return MemoryType::Ddr5;
    case 0x13: return MemoryType::Lpddr5;
    case 0x15: return MemoryType::Lpddr5X;
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
    case MemoryType::Ddr4: return 0x0C;
    case MemoryType::Ddr4E: return 0x0E;
    case MemoryType::Lpddr4: return 0x10;
    case MemoryType::Lpddr4X: return 0x11;
    case MemoryType::Ddr5: return 0x12;
    case MemoryType::Lpddr5: return 0x13;
    case MemoryType::Lpddr5X: return 0x15;
    }
    return 0;
}

int ImageSizeOf(std::uint8_t byte0, std::uint8_t byte2)
{
    switch (MemoryTypeOf(byte2)) {
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E:
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X:
        return 512;
    case MemoryType::Ddr5:
        return 1024;
    case MemoryType::Lpddr5:
    case MemoryType::Lpddr5X:
        // Byte 0 tells a memory-down image (23h: 512 bytes) from a module (bits 6-4 = 3: 1024).
        if (byte0 == 0x23)
            return 512;
        if (((byte0 >> 4) & 7) == 3)
            return 1024;
        return kSpdSize;
    default:
        return kSpdSize;
    }
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
