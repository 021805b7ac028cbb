#pragma once

#include "core/memorytype.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessaro {

// Read-only view of the bytes of an SPD image of any length; bytes beyond the
// data read are absent, and every reader below says so instead of guessing.
class SpdBytes {
public:
    explicit SpdBytes(std::span<const std::uint8_t> data) : m_data(data) {}

    [[nodiscard]] int size() const { return static_cast<int>(m_data.size()); }
    [[nodiscard]] bool has(int index) const { return index >= 0 && index < size(); }
    [[nodiscard]] bool has(int first, int last) const { return first >= 0 && first <= last && last < size(); }
    // Byte value, 0 when absent.
    [[nodiscard]] int at(int index) const { return has(index) ? m_data[static_cast<std::size_t>(index)] : 0; }
    // The byte read as a signed two's-complement value.
    [[nodiscard]] int signedAt(int index) const { return static_cast<std::int8_t>(at(index)); }
    // Two bytes, low byte first.
    [[nodiscard]] int le16(int index) const { return at(index) | at(index + 1) << 8; }
    [[nodiscard]] std::span<const std::uint8_t> range(int first, int last) const
    {
        return m_data.subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1));
    }

private:
    std::span<const std::uint8_t> m_data;
};

struct SpdLayout {
    // The type byte 2 names; Unknown for FB-DIMM, which no summary reads, and for
    // LPDDR5 whose byte 0 names neither a module nor a memory-down image.
    MemoryType generation = MemoryType::Unknown;
    int typeCode = 0;  // byte 2
    int size = 256;    // 256, 512 or 1024 bytes
};

// Size and generation from byte 2 and byte 0: the DDR4 family (and LPDDR5
// memory-down images with byte 0 = 23h) hold 512 bytes, DDR5 (and LPDDR5 with
// byte 0 bits 6-4 = 3) 1024, everything else 256.
[[nodiscard]] SpdLayout LayoutOf(std::span<const std::uint8_t> data);

// Where an image keeps the module's identity (byte offsets).
struct IdentityLayout {
    int maker = 0;                     // bank byte then code byte
    bool makerByContinuation = false;  // SDR-DDR2: eight continuation-code bytes from `maker` instead
    int date = 0;                      // the year (BCD), the week (BCD) in the next byte
    int serial = 0;                    // four bytes
    int part = 0;                      // ASCII, padded with spaces
    int partLength = 0;
    int revision = 0;
    int revisionLength = 0;
    int dramMaker = -1;                // bank byte then code byte; -1 where the generation has none
};
// The identity bytes of an image of `layout`; none for types whose identity is
// not read (FB-DIMM, unknown types).
[[nodiscard]] std::optional<IdentityLayout> IdentityLayoutOf(const SpdLayout& layout);

// "DDR4", "LPDDR4X", "unknown (13h)" ...
[[nodiscard]] std::string GenerationText(MemoryType generation, int typeCode);

[[nodiscard]] bool IsLowPower(MemoryType generation);

}  // namespace tessaro
