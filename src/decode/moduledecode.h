#pragma once

#include "decode/modulesummary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

// The named timings of an image or of an overclocking profile, in this order.
enum class TimingName {
    ClockPeriod,  // tCKmin
    CasLatency,   // tAA
    RasToCas,     // tRCD
    Precharge,    // tRP
    ActiveToPrecharge,  // tRAS
    ActiveToActive,     // tRC
    Refresh1,     // tRFC1
    Refresh2,     // tRFC2
    Refresh4OrSameBank,  // tRFC4 (DDR4), tRFCsb (DDR5)
    FourActivateWindow,  // tFAW
    RowToRowShort,       // tRRD_S
    RowToRowLong,        // tRRD_L
    ColumnToColumnLong,  // tCCD_L
    WriteRecovery,       // tWR
};
inline constexpr int kTimingCount = 14;

struct TimingValue {
    int ps = 0;
    std::optional<int> clocks;  // at the clock period of the set, JEDEC rounding
};

struct TimingSet {
    bool ddr5 = false;  // DDR5 rounding, and tRFCsb in place of tRFC4
    std::array<std::optional<TimingValue>, kTimingCount> values{};

    void set(TimingName name, int ps) { values[static_cast<std::size_t>(name)] = TimingValue{ps, std::nullopt}; }
    [[nodiscard]] const std::optional<TimingValue>& operator[](TimingName name) const
    {
        return values[static_cast<std::size_t>(name)];
    }
    // Fills the clock counts of every time at the set's own tCKmin.
    void countClocks();
};

// The JSON name of a timing: "tCKmin", "tRFC4" or "tRFCsb" ...
[[nodiscard]] const char* TimingKey(TimingName name, bool ddr5);

// One CRC-16 block: where it is, what is stored and what the bytes give.
struct CrcBlock {
    std::string key;  // "crc16_0_125"
    int first = 0;    // bytes covered
    int last = 0;
    int storedAt = 0;  // low byte; the high byte follows
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
    [[nodiscard]] bool ok() const { return stored == computed; }
};

// The CRC-16 blocks of an image's generation that its data holds, in image
// order: the JEDEC blocks, then the XMP 3.0 header and profiles and the EXPO
// block of DDR5 when those are present.
[[nodiscard]] std::vector<CrcBlock> CrcBlocks(std::span<const std::uint8_t> data);

// Writes the computed CRC of every block into its stored bytes; returns the blocks as they were.
std::vector<CrcBlock> FixCrcBlocks(std::span<std::uint8_t> data);

// An overclocking profile: DDR2 EPP, DDR3 XMP 1.x, DDR4 XMP 2.0, DDR5 XMP 3.0 or EXPO.
struct OverclockProfile {
    std::string kind;  // "EPP", "XMP 1.x", "XMP 2.0", "XMP 3.0", "EXPO"
    int index = 1;
    bool enabled = false;
    std::optional<std::string> name;
    std::optional<int> speedMTs;
    std::optional<int> clockPs;  // tCKminPs
    std::optional<std::string> voltage;
    std::optional<std::vector<int>> casLatencies;
    TimingSet timings;
    std::optional<bool> crcOk;  // null where the format has no CRC
};

[[nodiscard]] std::vector<OverclockProfile> OverclockProfiles(std::span<const std::uint8_t> data);

// Everything decoded from an image of any size and generation. For 256-byte
// images only the summary and the profiles are filled; the panel decode of
// those generations lives elsewhere.
struct ModuleDecode {
    SpdLayout layout;
    int bytesPresent = 0;
    ModuleSummary summary;
    TimingSet timings;
    std::optional<std::vector<int>> casLatencies;
    std::optional<std::string> voltage;
    std::vector<CrcBlock> checks;  // the JEDEC blocks only
    std::vector<OverclockProfile> profiles;
    std::vector<std::string> warnings;
};

[[nodiscard]] ModuleDecode DecodeModule(std::span<const std::uint8_t> data);

}  // namespace tessaro
