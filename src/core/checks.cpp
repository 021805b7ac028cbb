#include "core/checks.h"

#include "core/hex.h"
#include "core/memorytype.h"

#include <array>

namespace tessaro {

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned n = 0; n < 256; ++n) {
        unsigned crc = n << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
        table[n] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

}  // namespace

std::uint8_t Checksum63(const SpdImage& image)
{
    return static_cast<std::uint8_t>(SumMod256(image, kChecksumByte - 1));
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes)
{
    unsigned crc = 0;
    for (std::uint8_t b : bytes)
        crc = ((crc << 8) ^ kCrcTable[((crc >> 8) ^ b) & 0xFF]) & 0xFFFF;
    return static_cast<std::uint16_t>(crc);
}

int CrcLastByte(const SpdImage& image)
{
    return (image[0] & 0x80) ? 116 : 125;
}

std::uint16_t SpdCrc(const SpdImage& image)
{
    return Crc16(std::span<const std::uint8_t>(image.data(), static_cast<std::size_t>(CrcLastByte(image)) + 1));
}

std::uint16_t StoredCrc(const SpdImage& image)
{
    return static_cast<std::uint16_t>(image[kCrcHighByte] << 8 | image[kCrcLowByte]);
}

bool UsesCrc(const SpdImage& image)
{
    return KeepsCrc(MemoryTypeOf(image[2]));
}

StoredCheck CheckOf(const SpdImage& image, CheckMode mode)
{
    const bool crc = mode == CheckMode::Crc || (mode == CheckMode::None && UsesCrc(image));
    if (crc)
        return {true, StoredCrc(image), SpdCrc(image)};
    return {false, image[kChecksumByte], Checksum63(image)};
}

std::string CheckBytesMismatch(const SpdImage& image)
{
    const StoredCheck check = CheckOf(image, CheckMode::None);
    if (check.ok())
        return {};
    if (check.crc)
        return "CRC mismatch: bytes 126-127 hold " + WordToHex(check.stored) + ", the CRC of bytes 0-" +
               std::to_string(CrcLastByte(image)) + " is " + WordToHex(check.computed);
    return "checksum mismatch: byte 63 holds " + ByteToHex(static_cast<std::uint8_t>(check.stored)) +
           ", the sum of bytes 0-62 is " + ByteToHex(static_cast<std::uint8_t>(check.computed));
}

}  // namespace tessaro
