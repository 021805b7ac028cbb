#pragma once

#include "decode/spdbytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

// Data rate in MT/s of a clock period of num/den picoseconds, snapped to the
// JEDEC grid: every rate is n x 200/3 MT/s (n x 100/3 for SDR), with n the
// period 30/n ns nearest to the one given; 666 is written 667.
[[nodiscard]] std::optional<int> SpeedFromClockPeriod(std::int64_t num, std::int64_t den, bool singleDataRate);

// "DDR4-3200", "LPDDR4X-4266".
[[nodiscard]] std::optional<std::string> SpeedName(MemoryType generation, std::optional<int> speedMTs);
// "PC4-25600", "PC3200", "PC133"; null for the low-power types.
[[nodiscard]] std::optional<std::string> PcName(MemoryType generation, std::optional<int> speedMTs);

// Clock count of a time at a clock period (both ps) with the guard band JEDEC
// gives each generation: 2.5 % for DDR4 and older, 0.3 % for DDR5.
[[nodiscard]] std::optional<int> ClocksWithGuard(int timePs, int clockPs, bool ddr5Rounding);

// "1.2 V", "1.35 V" from hundredths of a volt; null for 0.
[[nodiscard]] std::optional<std::string> VoltageText(int hundredths);

// JEP106 maker of a module or of its DRAM.
struct JedecMaker {
    int bank = 1;               // 1-based
    std::string code;           // code byte without parity, "4E"
    std::optional<std::string> name;  // "SAMSUNG", without the table's parentheses
};

// Maker from a bank count byte and a code byte (DDR3 and later; parity ignored).
[[nodiscard]] std::optional<JedecMaker> MakerFromBankAndCode(const SpdBytes& bytes, int countByte, int codeByte);
// Maker from the continuation-code list of SDR/DDR/DDR2 (bytes first..first+7).
[[nodiscard]] std::optional<JedecMaker> MakerFromContinuationCodes(const SpdBytes& bytes, int first);

// Text up to the first byte outside 20h-7Eh, trailing blanks removed; null when empty or absent.
[[nodiscard]] std::optional<std::string> AsciiField(const SpdBytes& bytes, int first, int length);
// Bytes as upper-case hex digits in byte order; null when absent.
[[nodiscard]] std::optional<std::string> HexField(const SpdBytes& bytes, int first, int length);
// "2021-W43" from BCD year and week bytes; null when both are zero, not BCD or absent.
[[nodiscard]] std::optional<std::string> ManufacturedText(const SpdBytes& bytes, int yearByte, int weekByte);

// CAS latencies of a bitmap: bit i stands for first + step x i.
[[nodiscard]] std::vector<int> LatenciesFromBitmap(std::uint64_t bits, int count, int first, int step);

}  // namespace tessaro
