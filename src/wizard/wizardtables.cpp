#include "wizard/wizardtables.h"

#include "wizard/wizardparams.h"

namespace tessaro {

const std::array<const char*, kGenerationCount> kGenerationCaptions = {
    "SDRAM", "DDR SDRAM", "DDR2 SDRAM", "DDR3 SDRAM",
};

const std::array<SpeedFrame, kGenerationCount> kSpeedFrames = {{
    {"FraSDRFreq", "SDRAM Module Speed", "optRamTypeSDR",
     {"66 MHz(PC-66)", "100 MHz(PC-100)", "133 MHz(PC-133)", "166 MHz(PC-166)"}, {66, 100, 133, 166}, 1},
    {"FraDDRFreq", "DDR Module Speed", "optRamTypeDDR",
     {"200 MHz(PC-1600)", "266 MHz(PC-2100)", "333 MHz(PC-2700)", "400 MHz(PC-3200)"}, {200, 266, 333, 400}, 5},
    {"FraDDR2Freq", "DDR2 Module Speed", "optRamTypeDDR2",
     {"400 MHz(PC2-3200)", "533 MHz(PC2-4200)", "667 MHz(PC2-5200) ", "800 MHz(PC2-6400)"}, {400, 533, 667, 800}, 9},
    {"FraDDR3freq", "DDR3 Module Speed", "optRamTypeDDR3",
     {"800 MHz(PC3-6400)", "1066 MHz(PC3-8500)", "1333 MHz(PC3-10600)", "1600 MHz(PC3-12000)"},
     {800, 1066, 1333, 1600}, 13},
}};

namespace {

constexpr const char* kSdrTcl[] = {"1T", "2T", "3T", "2T 3T"};
constexpr const char* kDdrTcl[] = {"1T", "1.5T", "2T", "2.5T", "3T", "3.5T", "2T 2.5T 3T", "2T 2.5T", "2.5T 3T"};
constexpr const char* kDdr2Tcl[] = {"2T", "3T", "4T", "5T", "6T", "3T 4T 5T", "4T 5T"};
constexpr const char* kDdr3Tcl[] = {"4T", "5T", "6T", "7T", "8T", "5T 6T", "5T 6T 7T", "6T 7T", "6T 7T 8T", "5T 6T 7T 8T"};

using Preset = std::array<const char*, kTimingListCount>;
constexpr Preset kSdrPreset = {"3T", "3T", "3T", "7T"};
constexpr Preset kDdrPreset = {"2.5T", "3T", "3T", "7T"};
constexpr Preset kDdr400Preset = {"3T", "4T", "4T", "8T"};
constexpr Preset kDdr2SlowPreset = {"4T", "4T", "4T", "12T"};
constexpr Preset kDdr2FastPreset = {"5T", "5T", "5T", "15T"};
constexpr Preset kDdr3SlowPreset = {"6T", "6T", "6T", "18T"};
constexpr Preset kDdr3FastPreset = {"7T", "7T", "7T", "21T"};

// Width x4, x8, x16 = widthChoice 0, 1, 2; size "8 Mb" ... "256 Mb" = sizeChoice 0-5.
constexpr int kX4 = 0;
constexpr int kX8 = 1;
constexpr int kX16 = 2;

struct OrganisationRow {
    int width;
    int size;
    Organisation organisation;
};

constexpr int kRefresh156 = 156;

constexpr OrganisationRow kSdrDdrRows[] = {
    {kX8, 0, {11, 9, 16, 4, kRefresh156}},
    {kX8, 1, {12, 10, 32, 4, kRefresh156}},
    {kX8, 2, {13, 10, 64}},
    {kX8, 3, {13, 11, 128}},
    {kX8, 4, {14, 11, 1}},
    {kX16, 0, {12, 9, 16, 4, kRefresh156}},
    {kX16, 1, {13, 9, 32}},
    {kX16, 2, {13, 10, 64}},
    {kX16, 3, {14, 10, 128}},
    {kX4, 1, {11, 10, 32, 4, kRefresh156}},
    {kX4, 2, {12, 11, 64, 4, kRefresh156}},
    {kX4, 3, {13, 11, 128}},
    {kX4, 4, {13, 12, 1}},
};
constexpr Organisation kSdrDdrDefault = {13, 10, 64};

// DDR2 lists the SDR/DDR rows, except x8 with 64 Mb and 128 Mb.
constexpr OrganisationRow kDdr2Rows[] = {
    {kX8, 3, {14, 10, 128}},
    {kX8, 4, {14, 10, 1, 8}},
};

constexpr OrganisationRow kDdr3Rows[] = {
    {kX8, 2, {13, 10, 16, 4}},
    {kX8, 3, {13, 10, 32, 8}},
    {kX8, 4, {14, 10, 64, 8}},
    {kX8, 5, {15, 10, 128, 8}},
    {kX16, 2, {12, 10, 16, 8}},
    {kX16, 3, {13, 10, 32, 8}},
    {kX16, 4, {14, 10, 64, 8}},
    {kX4, 3, {12, 11, 32, 8}},
    {kX4, 4, {13, 11, 64, 8}},
    {kX4, 5, {14, 11, 128, 8}},
};
constexpr Organisation kDdr3Default = {13, 10, 64, 4};

const Organisation* Find(std::span<const OrganisationRow> rows, int widthChoice, int sizeChoice)
{
    for (const OrganisationRow& row : rows)
        if (row.width == widthChoice && row.size == sizeChoice)
            return &row.organisation;
    return nullptr;
}

const Organisation* ListedRow(MemoryType type, int widthChoice, int sizeChoice)
{
    switch (type) {
    case MemoryType::Sdr:
    case MemoryType::Ddr: return Find(kSdrDdrRows, widthChoice, sizeChoice);
    case MemoryType::Ddr2:
        if (const Organisation* row = Find(kDdr2Rows, widthChoice, sizeChoice))
            return row;
        return Find(kSdrDdrRows, widthChoice, sizeChoice);
    case MemoryType::Ddr3: return Find(kDdr3Rows, widthChoice, sizeChoice);
    default: return nullptr;
    }
}

}  // namespace

const std::array<GenerationTimings, kGenerationCount> kGenerationTimings = {{
    {kSdrTcl, 2, 4, 2, 4, 4, 7},
    {kDdrTcl, 2, 5, 2, 5, 5, 12},
    {kDdr2Tcl, 3, 6, 3, 6, 7, 18},
    {kDdr3Tcl, 4, 10, 4, 10, 12, 24},
}};

const std::array<const char*, kTimingListCount>& TimingPreset(int speedCode)
{
    switch (speedCode) {
    case 5:
    case 6:
    case 7: return kDdrPreset;
    case 8: return kDdr400Preset;
    case 9:
    case 10: return kDdr2SlowPreset;
    case 11:
    case 12: return kDdr2FastPreset;
    case 13:
    case 14: return kDdr3SlowPreset;
    case 15:
    case 16: return kDdr3FastPreset;
    default: return kSdrPreset;
    }
}

const std::array<const char*, 3> kDataWidthCaptions = {"x 4", "x 8", "x 16"};
const std::array<const char*, 6> kSizeCaptions = {"8 Mb", "16 Mb", "32 Mb", "64 Mb", "128 Mb", "256 Mb"};
const std::array<const char*, 2> kSideCaptions = {"Single Side", "Double Side"};

int DefaultSizeChoice(MemoryType type)
{
    if (type == MemoryType::Sdr)
        return 1;
    if (type == MemoryType::Ddr)
        return 2;
    return 3;
}

std::optional<Organisation> OrganisationFor(MemoryType type, int widthChoice, int sizeChoice)
{
    if (const Organisation* row = ListedRow(type, widthChoice, sizeChoice))
        return *row;
    switch (type) {
    case MemoryType::Sdr:
    case MemoryType::Ddr: return kSdrDdrDefault;
    case MemoryType::Ddr3: return kDdr3Default;
    default: return std::nullopt;
    }
}

bool SizeOffered(MemoryType type, int widthChoice, int sizeChoice)
{
    if (type == MemoryType::Sdr || type == MemoryType::Ddr)
        return sizeChoice >= 0 && sizeChoice < static_cast<int>(kSizeCaptions.size());
    return ListedRow(type, widthChoice, sizeChoice) != nullptr;
}

}  // namespace tessaro
