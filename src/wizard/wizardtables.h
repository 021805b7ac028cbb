#pragma once

#include "core/memorytype.h"

#include <array>
#include <optional>
#include <span>

namespace tessaro {

// Captions and lists of the wizard's pages, and the organisation of a DRAM by
// generation, data width and size. Generations are indexed 0-3 here
// (SDR, DDR, DDR2, DDR3), memoryKind - 1.
inline constexpr int kGenerationCount = 4;
inline constexpr int kSpeedsPerGeneration = 4;

// The generation options of page 0.
extern const std::array<const char*, kGenerationCount> kGenerationCaptions;

// The speed frame of one generation on page 1.
struct SpeedFrame {
    const char* frameName;    // "FraSDRFreq"
    const char* caption;      // "SDRAM Module Speed"
    const char* optionsName;  // "optRamTypeSDR"
    std::array<const char*, kSpeedsPerGeneration> options;
    std::array<int, kSpeedsPerGeneration> megahertz;  // the number that opens each caption
    int firstSpeedCode;
};
extern const std::array<SpeedFrame, kGenerationCount> kSpeedFrames;

// The four timing lists of page 3.
enum class TimingList { Tcl, Trp, Trcd, Tras };
inline constexpr int kTimingListCount = 4;

struct GenerationTimings {
    std::span<const char* const> tcl;  // entry texts; kept as the chosen index
    int trpFirst, trpLast;             // clock counts, one entry "nT" each
    int trcdFirst, trcdLast;
    int trasFirst, trasLast;
};
extern const std::array<GenerationTimings, kGenerationCount> kGenerationTimings;

// Entries selected on entering page 2, by speedCode 1-16: tCL, tRP, tRCD, tRAS.
[[nodiscard]] const std::array<const char*, kTimingListCount>& TimingPreset(int speedCode);

// Lists of page 2.
extern const std::array<const char*, 3> kDataWidthCaptions;  // widthChoice 0 x4, 1 x8, 2 x16
inline constexpr int kDefaultWidthChoice = 1;                // "x 8"
extern const std::array<const char*, 6> kSizeCaptions;       // sizeChoice 0-5
extern const std::array<const char*, 2> kSideCaptions;       // rankCount 1, 2

// The size selected after a data width is chosen: "16 Mb" for SDR, "32 Mb" for
// DDR, "64 Mb" for DDR2 and DDR3.
[[nodiscard]] int DefaultSizeChoice(MemoryType type);

// Row and column address bits, capacity code of one rank, banks and refresh
// interval of a DRAM of the chosen width and size.
struct Organisation {
    int rowBits;
    int columnBits;
    int rankDensityCode;
    int bankCount = 4;
    int refreshTenths = 78;
};

// The generation's organisation table. SDR, DDR and DDR3 give a default row
// for the pairs they do not list; DDR2 gives nothing for them.
[[nodiscard]] std::optional<Organisation> OrganisationFor(MemoryType type, int widthChoice, int sizeChoice);

// The sizes "DRAM Memory Size" offers for a width: the pairs whose image the
// organisation table defines. SDR and DDR offer all six (their default row
// stands for the others); DDR2 and DDR3 only the pairs their tables list: a
// DDR2 pair outside its table has no organisation at all, and the DDR3 default
// row does not match the density byte of the pair.
[[nodiscard]] bool SizeOffered(MemoryType type, int widthChoice, int sizeChoice);

}  // namespace tessaro
