#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tessaro {

// The 256 bytes of one SPD EEPROM image.
inline constexpr int kSpdSize = 256;
using SpdImage = std::array<std::uint8_t, kSpdSize>;

// Bytes first..last (inclusive) of an image.
inline std::span<const std::uint8_t> ByteRange(const SpdImage& image, int first, int last)
{
    return {image.data() + first, static_cast<std::size_t>(last - first + 1)};
}

// Which check bytes an edit keeps up to date (the "Checksum/CRC" option group).
enum class CheckMode : std::int16_t { Checksum = 0, Crc = 1, None = 2 };

// Background mark of a byte cell.
// Differs: the programmer's image held another value at the last compare; the
// mark stays until the next compare or until the byte is edited.
enum class Mark : std::uint8_t { Plain, Selected, Edited, Generated, Differs };

}  // namespace tessaro
