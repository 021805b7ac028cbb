#pragma once

#include "core/memorytype.h"

#include <cstdint>
#include <span>
#include <string>

namespace tessaro {

// The name of byte `index` in the layout of a generation, for the
// selected-byte panel: a field of one byte ("tCKAVGmin (MTB)"), a field of
// several with its bytes ("Module Part Number (329-348)"), a CRC byte ("CRC of
// bytes 0-125, low byte"), "Reserved" ... The DDR4 family (DDR4, DDR4E, LPDDR4,
// LPDDR4X) uses the 512-byte layout, DDR5 and LPDDR5/5X the 1024-byte layout;
// every other type, and an index outside the layout, gives an empty name.
[[nodiscard]] std::string ModuleByteName(MemoryType type, int index);

// The same for an image's bytes: the end-user area is named by what it holds
// (an XMP 2.0 profile area, an XMP 3.0 header and profiles, an EXPO block, with
// their CRC bytes) where its header is there, "End-user programmable" otherwise.
[[nodiscard]] std::string ModuleByteName(MemoryType type, std::span<const std::uint8_t> data, int index);

}  // namespace tessaro
