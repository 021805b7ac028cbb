#include "decode/decodedview.h"

namespace tessaro {

const std::array<const char*, kLegacyFieldCount> kLegacyCaptions = {
    "Memory Type(2)", "Number of Row(3)", "Number of Col(4)", "Module Banks(5)",
    "Interface Level(8)", "DRAM Clock(9)", "DIMM Type(B)", "Refresh Time(C)",
    "Data Width(D)", "CL Support(12)", "Trp(1B)", "Trrd(1C)",
    "Trcd(1D)", "Tras(1E)", "Bank Density(1F)", "Checksum(3F)",
    "JEDEC ID Code(40-47)", "Location(48)", "Part Number(49-5A)", "Revision(5B-5C)",
    "Date Code(5D-5E)", "Serial Number(5F-62)", "Specific Data(63-7F)",
};

const std::array<const char*, kDdr3FieldCount> kDdr3Captions = {
    "Module Type", "Module Density /R", "Module Ranks ", "Module Bus Width",
    "Module Speed ", "Memory Type", "SDRAM Density", "SDRAM Banks",
    "Number of Row", "Number of Col", "SDRAM Width", "CL Support",
    "Trp", "Trrd", "Trcd", "Tras",
    "Manufacture Location(77)", "Manufacture Date(78-79)", " Serial Number(7A-7D)", "Part Number(80-91)",
    "Revision Code(92-93)", "Manufacture ID Code(94-95)", "Specific Data(96-AF)",
};

}  // namespace tessaro
