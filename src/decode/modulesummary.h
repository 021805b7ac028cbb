#pragma once

#include "decode/spdrules.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessaro {

// What a module is, in one line: capacity, form, organisation, speed, maker
// and part, read by the JEDEC meaning of the bytes of its generation. A value
// that the image does not define (or whose bytes are absent) is empty.
struct ModuleSummary {
    std::string generation;  // "DDR4", "unknown (13h)"
    std::optional<std::string> moduleType;
    std::optional<int> capacityMB;
    std::optional<int> ranks;
    std::optional<int> deviceWidth;
    std::optional<int> busWidth;
    std::optional<bool> ecc;
    std::optional<std::string> organisation;  // "1Rx16"
    std::optional<int> speedMTs;
    std::optional<std::string> speedName;  // "DDR4-3200"
    std::optional<std::string> pcName;     // "PC4-25600"
    std::optional<JedecMaker> manufacturer;
    std::optional<std::string> partNumber;
    std::optional<std::string> serialNumber;
    std::optional<std::string> manufactured;  // "2021-W43"
    std::optional<JedecMaker> dramMaker;      // the DRAM's maker (DDR3 and later)

    // "8 GB SO-DIMM 1Rx16 DDR4-3200 PC4-25600 Samsung M471A1G44AB0-CWE"
    [[nodiscard]] std::string line() const;
};

[[nodiscard]] ModuleSummary SummarizeModule(std::span<const std::uint8_t> data);

// "8 GB" for whole gigabytes, "512 MB" otherwise.
[[nodiscard]] std::string CapacityText(int capacityMB);

// A maker's name as the summary line shows it: words the table writes in
// capitals only ("SAMSUNG", "MICRON TECHNOLOGY") in title case, short
// abbreviations ("AMD") and mixed-case names as they are.
[[nodiscard]] std::string DisplayMakerName(const std::string& name);

}  // namespace tessaro
