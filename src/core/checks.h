#pragma once

#include "core/spdimage.h"

#include <cstdint>
#include <span>
#include <string>

namespace tessaro {

// Byte 63 of SDR/DDR/DDR2 images: the sum of bytes 0-62 modulo 256.
inline constexpr int kChecksumByte = 63;
// DDR3 images keep a CRC-16 in bytes 126 (low) and 127 (high).
inline constexpr int kCrcLowByte = 126;
inline constexpr int kCrcHighByte = 127;

[[nodiscard]] std::uint8_t Checksum63(const SpdImage& image);

// CRC-16/XMODEM (polynomial 1021h, initial 0, MSB first, no final XOR).
[[nodiscard]] std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Last byte the DDR3 CRC covers: 116 when bit 7 of byte 0 is set, else 125.
[[nodiscard]] int CrcLastByte(const SpdImage& image);

// The CRC over the covered bytes of the image.
[[nodiscard]] std::uint16_t SpdCrc(const SpdImage& image);

// The CRC as stored in bytes 126-127.
[[nodiscard]] std::uint16_t StoredCrc(const SpdImage& image);

// Which check the image's own byte 2 calls for: 09h and 0Bh mean the CRC,
// anything else the byte-63 checksum.
[[nodiscard]] bool UsesCrc(const SpdImage& image);

// The check value an image keeps and the value its bytes give.
struct StoredCheck {
    bool crc = false;  // bytes 126-127; otherwise the checksum in byte 63
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
    [[nodiscard]] bool ok() const { return stored == computed; }
};

// The check of check mode `mode`; with None, the one the image's byte 2 calls for.
[[nodiscard]] StoredCheck CheckOf(const SpdImage& image, CheckMode mode);

// The image's own check bytes (after a read, when a file opens), by its byte 2:
// byte 63 against the sum of bytes 0-62, or, where byte 2 calls for the CRC,
// bytes 126-127 against the CRC of the covered bytes. Empty when they match,
// else a one-line note.
[[nodiscard]] std::string CheckBytesMismatch(const SpdImage& image);

}  // namespace tessaro
