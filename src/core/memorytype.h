#pragma once

#include "core/spdimage.h"

#include <optional>

namespace tessaro {

// The memory type byte 2 of an SPD image states. Only the codes this system
// tells apart have a name; every other value of byte 2 is Unknown.
enum class MemoryType : std::uint8_t {
    Unknown,
    Sdr,              // 04h SDRAM
    Ddr,              // 07h DDR SDRAM
    Ddr2,             // 08h DDR2 SDRAM
    Ddr2FbDimm,       // 09h DDR2 FB-DIMM
    Ddr2FbDimmProbe,  // 0Ah DDR2 FB-DIMM P
    Ddr3,             // 0Bh DDR3 SDRAM
    Ddr4,             // 0Ch DDR4 SDRAM
    Ddr4E,            // 0Eh DDR4E SDRAM
    Lpddr4,           // 10h LPDDR4 SDRAM
    Lpddr4X,          // 11h LPDDR4X SDRAM
    Ddr5,             // 12h DDR5 SDRAM
    Lpddr5,           // 13h LPDDR5 SDRAM
    Lpddr5X,          // 15h LPDDR5X SDRAM
};

// The type byte 2 names; Unknown for every other value, values outside
// 0-255 included.
[[nodiscard]] MemoryType MemoryTypeOf(int byte2);
// The byte 2 value of a named type; 0 for Unknown.
[[nodiscard]] std::uint8_t SpdByte2Of(MemoryType type);

// Bytes in an image, from its bytes 0 and 2: 512 for the DDR4 family (0Ch,
// 0Eh, 10h, 11h) and for LPDDR5/5X memory-down images whose byte 0 is 23h;
// 1024 for DDR5 (12h) and for LPDDR5/5X whose byte 0 bits 6-4 are 3; 256 for
// every other type.
[[nodiscard]] int ImageSizeOf(std::uint8_t byte0, std::uint8_t byte2);

// Images whose byte 2 is above DDR2's 08h are laid out as DDR3 images: DDR3,
// both FB-DIMM codes and every undefined code above 08h.
[[nodiscard]] bool UsesDdr3Layout(std::uint8_t byte2);

// The types whose SPD keeps a CRC in bytes 126-127 rather than a checksum in
// byte 63: DDR3 and DDR2 FB-DIMM (not the FB-DIMM P code).
[[nodiscard]] bool KeepsCrc(MemoryType type);

// Memory-type code of a document; it selects the document's description table.
// The code is a stored value of its own: RAMBUS has one, no byte 2 selects it.
enum class MemoryTypeCode : std::int16_t { Sdr = 0, Ddr = 1, Ddr2 = 2, Rambus = 3, Ddr3 = 4 };

// The code whose descriptions fit a type: SDR, DDR and DDR2 their own, the
// types that keep a CRC DDR3's; none for the others.
[[nodiscard]] std::optional<MemoryTypeCode> TypeCodeOf(MemoryType type);

[[nodiscard]] const char* MemoryTypeCodeName(MemoryTypeCode code);

// What a load does to the document after the bytes are in: the check mode to
// select and the memory-type code to switch to (none: keep the current code).
struct LoadTypeRule {
    CheckMode checkMode = CheckMode::Checksum;
    std::optional<MemoryTypeCode> typeCode;
};

// Byte 2 after a load: the type's code, if it has one, and its check (the CRC
// for the types that keep one, else the checksum).
[[nodiscard]] LoadTypeRule LoadTypeRuleFor(std::uint8_t byte2);

}  // namespace tessaro
