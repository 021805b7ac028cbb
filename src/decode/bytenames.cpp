#include "decode/bytenames.h"

#include <optional>

namespace tessaro {

namespace {

// A field of one byte or of bytes first..last; bytes no entry covers are reserved.
struct ByteField {
    int first;
    int last;
    const char* name;
};

// The 512-byte layout: base configuration 0-127, module specific 128-255,
// manufacturing information 320-383, end-user area 384-511.
constexpr ByteField kDdr4Fields[] = {
    {0, 0, "SPD Bytes Used / SPD Device Size"},
    {1, 1, "SPD Revision"},
    {2, 2, "Key Byte / DRAM Device Type"},
    {3, 3, "Key Byte / Module Type"},
    {4, 4, "SDRAM Density and Banks"},
    {5, 5, "SDRAM Addressing"},
    {6, 6, "Primary SDRAM Package Type"},
    {7, 7, "SDRAM Optional Features"},
    {8, 8, "SDRAM Thermal and Refresh Options"},
    {9, 9, "Other SDRAM Optional Features"},
    {10, 10, "Secondary SDRAM Package Type"},
    {11, 11, "Module Nominal Voltage, VDD"},
    {12, 12, "Module Organization"},
    {13, 13, "Module Memory Bus Width"},
    {14, 14, "Module Thermal Sensor"},
    {15, 15, "Extended Module Type"},
    {17, 17, "Timebases"},
    {18, 18, "tCKAVGmin (MTB)"},
    {19, 19, "tCKAVGmax (MTB)"},
    {20, 23, "CAS Latencies Supported"},
    {24, 24, "tAAmin (MTB)"},
    {25, 25, "tRCDmin (MTB)"},
    {26, 26, "tRPmin (MTB)"},
    {27, 27, "Upper Nibbles for tRASmin and tRCmin"},
    {28, 28, "tRASmin, Least Significant Byte"},
    {29, 29, "tRCmin (MTB), Least Significant Byte"},
    {30, 31, "tRFC1min"},
    {32, 33, "tRFC2min"},
    {34, 35, "tRFC4min"},
    {36, 36, "Upper Nibble for tFAWmin"},
    {37, 37, "tFAWmin, Least Significant Byte"},
    {38, 38, "tRRD_Smin (MTB)"},
    {39, 39, "tRRD_Lmin (MTB)"},
    {40, 40, "tCCD_Lmin (MTB)"},
    {41, 41, "Upper Nibble for tWRmin"},
    {42, 42, "tWRmin, Least Significant Byte"},
    {43, 43, "Upper Nibbles for tWTRmin"},
    {44, 44, "tWTR_Smin, Least Significant Byte"},
    {45, 45, "tWTR_Lmin, Least Significant Byte"},
    {60, 77, "Connector to SDRAM Bit Mapping"},
    {117, 117, "tCCD_Lmin (FTB)"},
    {118, 118, "tRRD_Lmin (FTB)"},
    {119, 119, "tRRD_Smin (FTB)"},
    {120, 120, "tRCmin (FTB)"},
    {121, 121, "tRPmin (FTB)"},
    {122, 122, "tRCDmin (FTB)"},
    {123, 123, "tAAmin (FTB)"},
    {124, 124, "tCKAVGmax (FTB)"},
    {125, 125, "tCKAVGmin (FTB)"},
    {126, 126, "CRC of bytes 0-125, low byte"},
    {127, 127, "CRC of bytes 0-125, high byte"},
    {128, 128, "Raw Card Extension, Module Nominal Height"},
    {129, 129, "Module Maximum Thickness"},
    {130, 130, "Reference Raw Card Used"},
    {131, 191, "Module Type Specific Data"},
    {192, 253, "Hybrid Memory Architecture Specific Data"},
    {254, 254, "CRC of bytes 128-253, low byte"},
    {255, 255, "CRC of bytes 128-253, high byte"},
    {320, 320, "Module Manufacturer ID Code, LSB"},
    {321, 321, "Module Manufacturer ID Code, MSB"},
    {322, 322, "Module Manufacturing Location"},
    {323, 323, "Module Manufacturing Date, year"},
    {324, 324, "Module Manufacturing Date, week"},
    {325, 328, "Module Serial Number"},
    {329, 348, "Module Part Number"},
    {349, 349, "Module Revision Code"},
    {350, 350, "DRAM Manufacturer ID Code, LSB"},
    {351, 351, "DRAM Manufacturer ID Code, MSB"},
    {352, 352, "DRAM Stepping"},
    {353, 381, "Manufacturer specific data"},
    {384, 511, "End-user programmable"},
};

// The end-user area of a 512-byte image that holds an XMP 2.0 header (384-385 = 0C 4A).
constexpr ByteField kXmp2Fields[] = {
    {384, 385, "XMP 2.0 identification"},
    {386, 386, "XMP 2.0 profile enables"},
    {387, 387, "XMP 2.0 revision"},
    {393, 439, "XMP 2.0 profile 1"},
    {440, 486, "XMP 2.0 profile 2"},
    {384, 511, "XMP 2.0 profile area"},
};

// The 1024-byte layout: base configuration 0-127, module information 192-447,
// the CRC at 510-511, manufacturing information 512-639, end-user area 640-1023.
constexpr ByteField kDdr5Fields[] = {
    {0, 0, "SPD Bytes Total / Beta Level"},
    {1, 1, "SPD Revision for Base Configuration Parameters"},
    {2, 2, "Key Byte / Host Bus Command Protocol Type"},
    {3, 3, "Key Byte / Module Type"},
    {4, 4, "First SDRAM Density and Package"},
    {5, 5, "First SDRAM Addressing"},
    {6, 6, "First SDRAM I/O Width"},
    {7, 7, "First SDRAM Bank Groups and Banks per Bank Group"},
    {8, 8, "Second SDRAM Density and Package"},
    {9, 9, "Second SDRAM Addressing"},
    {10, 10, "Second SDRAM I/O Width"},
    {11, 11, "Second SDRAM Bank Groups and Banks per Bank Group"},
    {12, 12, "SDRAM Optional Features"},
    {13, 13, "Thermal and Refresh Options"},
    {16, 16, "SDRAM Nominal Voltage, VDD"},
    {17, 17, "SDRAM Nominal Voltage, VDDQ"},
    {18, 18, "SDRAM Nominal Voltage, VPP"},
    {20, 21, "tCKAVGmin"},
    {22, 23, "tCKAVGmax"},
    {24, 28, "CAS Latencies Supported"},
    {30, 31, "tAAmin"},
    {32, 33, "tRCDmin"},
    {34, 35, "tRPmin"},
    {36, 37, "tRASmin"},
    {38, 39, "tRCmin"},
    {40, 41, "tWRmin"},
    {42, 43, "tRFC1min (ns)"},
    {44, 45, "tRFC2min (ns)"},
    {46, 47, "tRFCsbmin (ns)"},
    {48, 49, "tRFC1_dlr min (ns)"},
    {50, 51, "tRFC2_dlr min (ns)"},
    {52, 53, "tRFCsb_dlr min (ns)"},
    {54, 55, "First SDRAM Refresh Management"},
    {56, 57, "Second SDRAM Refresh Management"},
    {58, 63, "First SDRAM Adaptive Refresh Management"},
    {64, 69, "Second SDRAM Adaptive Refresh Management"},
    {70, 71, "tRRD_Lmin"},
    {72, 72, "tRRD_L Lower Clock Limit"},
    {73, 74, "tCCD_Lmin"},
    {75, 75, "tCCD_L Lower Clock Limit"},
    {76, 77, "tCCD_L_WRmin"},
    {78, 78, "tCCD_L_WR Lower Clock Limit"},
    {79, 80, "tCCD_L_WR2min"},
    {81, 81, "tCCD_L_WR2 Lower Clock Limit"},
    {82, 83, "tFAWmin"},
    {84, 84, "tFAW Lower Clock Limit"},
    {85, 86, "tCCD_L_WTRmin"},
    {87, 87, "tCCD_L_WTR Lower Clock Limit"},
    {88, 89, "tCCD_S_WTRmin"},
    {90, 90, "tCCD_S_WTR Lower Clock Limit"},
    {91, 92, "tRTPmin"},
    {93, 93, "tRTP Lower Clock Limit"},
    {192, 192, "SPD Revision for Module Information"},
    {193, 194, "SPD Hub Manufacturer ID Code"},
    {195, 195, "SPD Hub Device Type"},
    {196, 196, "SPD Hub Revision Number"},
    {197, 198, "PMIC 0 Manufacturer ID Code"},
    {199, 199, "PMIC 0 Device Type"},
    {200, 200, "PMIC 0 Revision Number"},
    {201, 202, "PMIC 1 Manufacturer ID Code"},
    {203, 203, "PMIC 1 Device Type"},
    {204, 204, "PMIC 1 Revision Number"},
    {205, 206, "PMIC 2 Manufacturer ID Code"},
    {207, 207, "PMIC 2 Device Type"},
    {208, 208, "PMIC 2 Revision Number"},
    {209, 210, "Thermal Sensor Manufacturer ID Code"},
    {211, 211, "Thermal Sensor Device Type"},
    {212, 212, "Thermal Sensor Revision Number"},
    {230, 230, "Module Nominal Height"},
    {231, 231, "Module Maximum Thickness"},
    {232, 232, "Reference Raw Card Used"},
    {233, 233, "DIMM Attributes"},
    {234, 234, "Module Organization"},
    {235, 235, "Memory Channel Bus Width"},
    {240, 447, "Module Type Specific Data"},
    {510, 510, "CRC of bytes 0-509, low byte"},
    {511, 511, "CRC of bytes 0-509, high byte"},
    {512, 512, "Module Manufacturer ID Code, LSB"},
    {513, 513, "Module Manufacturer ID Code, MSB"},
    {514, 514, "Module Manufacturing Location"},
    {515, 515, "Module Manufacturing Date, year"},
    {516, 516, "Module Manufacturing Date, week"},
    {517, 520, "Module Serial Number"},
    {521, 550, "Module Part Number"},
    {551, 551, "Module Revision Code"},
    {552, 552, "DRAM Manufacturer ID Code, LSB"},
    {553, 553, "DRAM Manufacturer ID Code, MSB"},
    {554, 554, "DRAM Stepping"},
    {555, 637, "Manufacturer specific data"},
    {640, 1023, "End-user programmable"},
};

// The XMP 3.0 header (640-641 = 0C 4A) and its profiles; profile 3 only
// where no EXPO block takes its place.
constexpr ByteField kXmp3Fields[] = {
    {640, 641, "XMP 3.0 identification"},
    {642, 642, "XMP 3.0 revision"},
    {643, 643, "XMP 3.0 profile enables"},
    {644, 653, "XMP 3.0 header"},
    {654, 669, "XMP 3.0 profile 1 name"},
    {670, 685, "XMP 3.0 profile 2 name"},
    {686, 701, "XMP 3.0 profile 3 name"},
    {702, 702, "CRC of bytes 640-701, low byte"},
    {703, 703, "CRC of bytes 640-701, high byte"},
    {704, 765, "XMP 3.0 profile 1"},
    {766, 766, "CRC of bytes 704-765, low byte"},
    {767, 767, "CRC of bytes 704-765, high byte"},
    {768, 829, "XMP 3.0 profile 2"},
    {830, 830, "CRC of bytes 768-829, low byte"},
    {831, 831, "CRC of bytes 768-829, high byte"},
};
constexpr ByteField kXmp3Profile3Fields[] = {
    {832, 893, "XMP 3.0 profile 3"},
    {894, 894, "CRC of bytes 832-893, low byte"},
    {895, 895, "CRC of bytes 832-893, high byte"},
    {896, 959, "XMP 3.0 user profile 1"},
};
constexpr ByteField kXmp3UserFields[] = {
    {960, 1023, "XMP 3.0 user profile 2"},
};

// The EXPO block, 832-959 ("EXPO" at 832-835).
constexpr ByteField kExpoFields[] = {
    {832, 835, "EXPO identifier"},
    {836, 836, "EXPO revision"},
    {837, 837, "EXPO profile enables"},
    {842, 881, "EXPO profile 1"},
    {882, 921, "EXPO profile 2"},
    {958, 958, "CRC of bytes 832-957, low byte"},
    {959, 959, "CRC of bytes 832-957, high byte"},
    {832, 957, "EXPO block"},
};

enum class Layout { None, Ddr4, Ddr5 };

Layout LayoutFor(MemoryType type)
{
    switch (type) {
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E:
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X:
        return Layout::Ddr4;
    case MemoryType::Ddr5:
    case MemoryType::Lpddr5:
    case MemoryType::Lpddr5X:
        return Layout::Ddr5;
    default:
        return Layout::None;
    }
}

int SizeOf(Layout layout)
{
    return layout == Layout::Ddr4 ? 512 : layout == Layout::Ddr5 ? 1024 : 0;
}

// The name of the first field that holds index: its own name for one byte,
// "name (first-last)" for several.
template <std::size_t N>
std::optional<std::string> FieldName(const ByteField (&fields)[N], int index)
{
    for (const ByteField& field : fields) {
        if (index < field.first || index > field.last)
            continue;
        if (field.first == field.last)
            return std::string(field.name);
        return std::string(field.name) + " (" + std::to_string(field.first) + "-" + std::to_string(field.last) + ")";
    }
    return std::nullopt;
}

bool Holds(std::span<const std::uint8_t> data, int at, std::initializer_list<std::uint8_t> text)
{
    if (at + static_cast<int>(text.size()) > static_cast<int>(data.size()))
        return false;
    int n = at;
    for (std::uint8_t expected : text) {
        if (data[static_cast<std::size_t>(n++)] != expected)
            return false;
    }
    return true;
}

std::optional<std::string> EndUserName(Layout layout, std::span<const std::uint8_t> data, int index)
{
    if (layout == Layout::Ddr4)
        return index >= 384 && Holds(data, 384, {0x0C, 0x4A}) ? FieldName(kXmp2Fields, index) : std::nullopt;
    if (index < 640)
        return std::nullopt;
    const bool xmp = Holds(data, 640, {0x0C, 0x4A});
    const bool expo = Holds(data, 832, {'E', 'X', 'P', 'O'});
    std::optional<std::string> name;
    if (expo)
        name = FieldName(kExpoFields, index);
    if (xmp && !name)
        name = FieldName(kXmp3Fields, index);
    if (xmp && !expo && !name)
        name = FieldName(kXmp3Profile3Fields, index);
    if (xmp && !name)
        name = FieldName(kXmp3UserFields, index);
    return name;
}

}  // namespace

std::string ModuleByteName(MemoryType type, int index)
{
    return ModuleByteName(type, {}, index);
}

std::string ModuleByteName(MemoryType type, std::span<const std::uint8_t> data, int index)
{
    const Layout layout = LayoutFor(type);
    if (index < 0 || index >= SizeOf(layout))
        return {};
    if (auto name = EndUserName(layout, data, index))
        return *name;
    auto name = layout == Layout::Ddr4 ? FieldName(kDdr4Fields, index) : FieldName(kDdr5Fields, index);
    return name ? *name : "Reserved";
}

}  // namespace tessaro
