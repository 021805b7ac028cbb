#pragma once

#include "core/spdimage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::sim {

// The replies the programmer sends: ASCII text, every byte as two upper-case
// hexadecimal digits, high digit first, so byte k sits at characters 2k+1 and
// 2k+2 (1-based). No terminator, no length.

inline constexpr int kStatusRecordBytes = 16;    // 32 characters
inline constexpr int kSerialReplyBytes = 8;      // 16 characters
inline constexpr int kTestRecordBytes = 128;     // 256 characters
inline constexpr int kSignalCount = 144;

// Result byte of a test record; 0 is a pass.
inline constexpr std::uint8_t kPowerFail = 0x01;
inline constexpr std::uint8_t kSpdFail = 0x02;
inline constexpr std::uint8_t kOpenFail = 0x04;
inline constexpr std::uint8_t kShortFail = 0x10;

// Status record, the answer to "q": 55h AAh, the version in byte 4, the
// status byte (one bit per test function) in byte 8, the rest 00h.
[[nodiscard]] std::string StatusRecordText(std::uint8_t version, std::uint8_t status);

// SPD dump, the answer to "l" and "k": the 256 bytes, 512 characters.
[[nodiscard]] std::string SpdDumpText(const SpdImage& image);

// Serial-numbering reply, the answer to the "s" query: 55h, then 01h when
// automatic numbering is on or 00h when it is off, the rest 00h.
[[nodiscard]] std::string SerialNumberingText(bool autoSerial);

// Test record: 55h AAh, the result in byte 48, the pass bitmap in bytes 64-82
// and the fail bitmap in bytes 96-114 (signal i is bit i mod 8 of the
// bitmap's byte i / 8), the rest 00h.
[[nodiscard]] std::string TestRecordText(std::uint8_t result, const std::vector<int>& passSignals,
                                         const std::vector<int>& failSignals);

}  // namespace tessaro::sim
