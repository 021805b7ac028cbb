#pragma once

// Module images for the reader/writer's tests.
#include "core/checks.h"
#include "decode/moduledecode.h"

#include <cstdint>
#include <vector>

namespace tessaro::test {

// An image of a generation with right check bytes; `seed` varies its contents.
inline std::vector<std::uint8_t> MakeModuleImage(int size, std::uint8_t byte2, int seed)
{
    std::vector<std::uint8_t> b(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + seed * 13 + (i >> 4) * seed);
    b[0] = size == 256 ? 0x92 : size == 512 ? 0x23 : 0x30;
    b[2] = byte2;
    if (size == 256) {
        SpdImage page{};
        std::copy(b.begin(), b.end(), page.begin());
        if (UsesCrc(page)) {
            const std::uint16_t crc = SpdCrc(page);
            b[126] = static_cast<std::uint8_t>(crc);
            b[127] = static_cast<std::uint8_t>(crc >> 8);
        } else {
            b[63] = Checksum63(page);
        }
    } else {
        FixCrcBlocks(b);
    }
    return b;
}

}  // namespace tessaro::test
