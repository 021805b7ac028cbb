#pragma once

#include "core/memorytype.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace tessaro {

// The memory type a memoryKind entry stands for: 1 SDR, 2 DDR, 3 DDR2, 4 DDR3;
// Unknown before a generation is chosen (0) and for any other value.
[[nodiscard]] inline MemoryType MemoryTypeOfKind(int memoryKind)
{
    constexpr std::array<MemoryType, 5> kTypeOfKind = {
        MemoryType::Unknown, MemoryType::Sdr, MemoryType::Ddr, MemoryType::Ddr2, MemoryType::Ddr3};
    return memoryKind >= 0 && memoryKind < static_cast<int>(kTypeOfKind.size())
               ? kTypeOfKind[static_cast<std::size_t>(memoryKind)]
               : MemoryType::Unknown;
}

// The wizard's parameter record: sixteen signed 16-bit entries, all 0 when the
// wizard opens. The pages fill them in; the synthesis reads them.
struct WizardParams {
    std::int16_t memoryKind = 0;       // 1 SDR, 2 DDR, 3 DDR2, 4 DDR3: MemoryTypeOfKind
    std::int16_t speedCode = 0;        // 1-16: four per generation, slowest first
    std::int16_t eccChoice = 0;        // 1 without ECC, 2 with ECC
    std::int16_t rowBits = 0;
    std::int16_t columnBits = 0;
    std::int16_t rankCount = 0;        // 1 single side, 2 double side
    std::int16_t casChoice = 0;        // index of the chosen tCL entry
    std::int16_t trpClocks = 0;
    std::int16_t trcdClocks = 0;
    std::int16_t trasClocks = 0;
    std::int16_t widthChoice = 0;      // DRAM data width: 0 x4, 1 x8, 2 x16
    std::int16_t sizeChoice = 0;       // 0 "8 Mb" ... 5 "256 Mb"
    std::int16_t unusedEntry = 0;      // entry 12 is never used
    std::int16_t rankDensityCode = 0;  // byte 31 of SDR/DDR/DDR2 images
    std::int16_t bankCount = 0;        // banks of one DRAM: 4 or 8
    std::int16_t refreshTenths = 0;    // refresh interval in 0.1 us: 78 or 156

    // The sixteen entries in their order, with their names (the keys of `wizard --print-params`).
    [[nodiscard]] std::array<std::pair<const char*, std::int16_t>, 16> entries() const
    {
        return {{{"memoryKind", memoryKind},
                 {"speedCode", speedCode},
                 {"eccChoice", eccChoice},
                 {"rowBits", rowBits},
                 {"columnBits", columnBits},
                 {"rankCount", rankCount},
                 {"casChoice", casChoice},
                 {"trpClocks", trpClocks},
                 {"trcdClocks", trcdClocks},
                 {"trasClocks", trasClocks},
                 {"widthChoice", widthChoice},
                 {"sizeChoice", sizeChoice},
                 {"unused12", unusedEntry},
                 {"rankDensityCode", rankDensityCode},
                 {"bankCount", bankCount},
                 {"refreshTenths", refreshTenths}}};
    }

    [[nodiscard]] MemoryType memoryType() const { return MemoryTypeOfKind(memoryKind); }
};

// What the wizard hands to the synthesis: the parameters, the two texts (UTF-8)
// and whether the operator pressed Finish. One copy belongs to the application.
struct WizardRecord {
    WizardParams params;
    std::string jedecIdText;
    std::string partNumberText;
    bool wizardFinished = false;

    // The opening of the wizard: not finished, every parameter 0. The texts
    // stay until Finish sets them.
    void resetForOpening()
    {
        wizardFinished = false;
        params = {};
    }
};

}  // namespace tessaro
