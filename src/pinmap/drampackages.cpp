#include "pinmap/drampackages.h"

#include <algorithm>
#include <cstddef>

namespace tessaro {

namespace {

using Row = std::array<std::string_view, 6>;  // columns 1 2 3 7 8 9; "" = no ball

// A ball whose name on an x4 part differs from the x8 name in the map.
struct X4Name {
    std::string_view position;
    std::string_view name;
};

// 66-pin TSOP-II, pins 1..66: x4, x8, x16.
constexpr std::array<std::array<std::string_view, 3>, 66> kDdrTsop = {{
    {"VDD", "VDD", "VDD"},          // 1
    {"NC", "DQ0", "DQ0"},           // 2
    {"VDDQ", "VDDQ", "VDDQ"},       // 3
    {"NC", "NC", "DQ1"},            // 4
    {"DQ0", "DQ1", "DQ2"},          // 5
    {"VSSQ", "VSSQ", "VSSQ"},       // 6
    {"NC", "NC", "DQ3"},            // 7
    {"NC", "DQ2", "DQ4"},           // 8
    {"VDDQ", "VDDQ", "VDDQ"},       // 9
    {"NC", "NC", "DQ5"},            // 10
    {"DQ1", "DQ3", "DQ6"},          // 11
    {"VSSQ", "VSSQ", "VSSQ"},       // 12
    {"NC", "NC", "DQ7"},            // 13
    {"NC", "NC", "NC"},             // 14
    {"VDDQ", "VDDQ", "VDDQ"},       // 15
    {"NC", "NC", "LDQS"},           // 16
    {"NC", "NC", "NC"},             // 17
    {"VDD", "VDD", "VDD"},          // 18
    {"DNU", "DNU", "DNU"},          // 19
    {"NC", "NC", "LDM"},            // 20
    {"/WE", "/WE", "/WE"},          // 21
    {"/CAS", "/CAS", "/CAS"},       // 22
    {"/RAS", "/RAS", "/RAS"},       // 23
    {"/CS", "/CS", "/CS"},          // 24
    {"NC", "NC", "NC"},             // 25
    {"BA0", "BA0", "BA0"},          // 26
    {"BA1", "BA1", "BA1"},          // 27
    {"A10/AP", "A10/AP", "A10/AP"}, // 28
    {"A0", "A0", "A0"},             // 29
    {"A1", "A1", "A1"},             // 30
    {"A2", "A2", "A2"},             // 31
    {"A3", "A3", "A3"},             // 32
    {"VDD", "VDD", "VDD"},          // 33
    {"VSS", "VSS", "VSS"},          // 34
    {"A4", "A4", "A4"},             // 35
    {"A5", "A5", "A5"},             // 36
    {"A6", "A6", "A6"},             // 37
    {"A7", "A7", "A7"},             // 38
    {"A8", "A8", "A8"},             // 39
    {"A9", "A9", "A9"},             // 40
    {"A11", "A11", "A11"},          // 41
    {"A12", "A12", "A12"},          // 42
    {"NC", "NC", "NC"},             // 43
    {"CKE", "CKE", "CKE"},          // 44
    {"CK", "CK", "CK"},             // 45
    {"/CK", "/CK", "/CK"},          // 46
    {"DM", "DM", "UDM"},            // 47
    {"VSS", "VSS", "VSS"},          // 48
    {"VREF", "VREF", "VREF"},       // 49
    {"DNU", "DNU", "DNU"},          // 50
    {"DQS", "DQS", "UDQS"},         // 51
    {"VSSQ", "VSSQ", "VSSQ"},       // 52
    {"NC", "NC", "NC"},             // 53
    {"NC", "NC", "DQ8"},            // 54
    {"VDDQ", "VDDQ", "VDDQ"},       // 55
    {"DQ2", "DQ4", "DQ9"},          // 56
    {"NC", "NC", "DQ10"},           // 57
    {"VSSQ", "VSSQ", "VSSQ"},       // 58
    {"NC", "DQ5", "DQ11"},          // 59
    {"NC", "NC", "DQ12"},           // 60
    {"VDDQ", "VDDQ", "VDDQ"},       // 61
    {"DQ3", "DQ6", "DQ13"},         // 62
    {"NC", "NC", "DQ14"},           // 63
    {"VSSQ", "VSSQ", "VSSQ"},       // 64
    {"NC", "DQ7", "DQ15"},          // 65
    {"VSS", "VSS", "VSS"},          // 66
}};

// DDR2 FBGA rows below the data bytes: command, address and supply, the same
// in the 60-ball (rows E-L) and the 84-ball package (rows J-R).
constexpr std::array<Row, 7> kDdr2CommandRows = {{
    {"VDDL", "VREF", "VSS", "VSSDL", "CK", "VDD"},
    {"", "CKE", "/WE", "/RAS", "/CK", "ODT"},
    {"BA2", "BA0", "BA1", "/CAS", "/CS", ""},
    {"", "A10/AP", "A1", "A2", "A0", "VDD"},
    {"VSS", "A3", "A5", "A6", "A4", ""},
    {"", "A7", "A9", "A11", "A8", "VSS"},
    {"VDD", "A12", "RFU", "RFU", "A13", ""},
}};

// DDR2 60-ball FBGA, x8 names: the data byte in rows A-D.
constexpr std::array<Row, 4> kDdr2X8Data = {{
    {"VDD", "/RDQS", "VSS", "VSSQ", "/DQS", "VDDQ"},     // A
    {"DQ6", "VSSQ", "DM/RDQS", "DQS", "VSSQ", "DQ7"},    // B
    {"VDDQ", "DQ1", "VDDQ", "VDDQ", "DQ0", "VDDQ"},      // C
    {"DQ4", "VSSQ", "DQ3", "DQ2", "VSSQ", "DQ5"},        // D
}};
constexpr std::array<X4Name, 6> kDdr2X4 = {{
    {"A2", "NU"}, {"B1", "NU"}, {"B3", "DM"}, {"B9", "NU"}, {"D1", "NU"}, {"D9", "NU"},
}};

// DDR2 84-ball FBGA, x16: the upper byte in rows A-D, the lower byte in E-H.
constexpr std::array<Row, 8> kDdr2X16Data = {{
    {"VDD", "NC", "VSS", "VSSQ", "/UDQS", "VDDQ"},       // A
    {"DQ14", "VSSQ", "UDM", "UDQS", "VSSQ", "DQ15"},     // B
    {"VDDQ", "DQ9", "VDDQ", "VDDQ", "DQ8", "VDDQ"},      // C
    {"DQ12", "VSSQ", "DQ11", "DQ10", "VSSQ", "DQ13"},    // D
    {"VDD", "NC", "VSS", "VSSQ", "/LDQS", "VDDQ"},       // E
    {"DQ6", "VSSQ", "LDM", "LDQS", "VSSQ", "DQ7"},       // F
    {"VDDQ", "DQ1", "VDDQ", "VDDQ", "DQ0", "VDDQ"},      // G
    {"DQ4", "VSSQ", "DQ3", "DQ2", "VSSQ", "DQ5"},        // H
}};

// DDR3 FBGA rows below the data bytes, the same in the 78-ball (rows F-N) and
// the 96-ball package (rows J-T).
constexpr std::array<Row, 8> kDdr3CommandRows = {{
    {"NC", "VSS", "/RAS", "CK", "VSS", "NC"},
    {"ODT", "VDD", "/CAS", "/CK", "VDD", "CKE"},
    {"NC", "/CS", "/WE", "A10/AP", "ZQ", "NC"},
    {"VSS", "BA0", "BA2", "A15", "VREFCA", "VSS"},
    {"VDD", "A3", "A0", "A12/BC", "BA1", "VDD"},
    {"VSS", "A5", "A2", "A1", "A4", "VSS"},
    {"VDD", "A7", "A9", "A11", "A6", "VDD"},
    {"VSS", "/RESET", "A13", "A14", "A8", "VSS"},
}};

// DDR3 78-ball FBGA, x8 names: the data byte in rows A-E.
constexpr std::array<Row, 5> kDdr3X8Data = {{
    {"VSS", "VDD", "NC", "/TDQS", "VSS", "VDD"},         // A
    {"VSS", "VSSQ", "DQ0", "DM/TDQS", "VSSQ", "VDDQ"},   // B
    {"VDDQ", "DQ2", "DQS", "DQ1", "DQ3", "VSSQ"},        // C
    {"VSSQ", "DQ6", "/DQS", "VDD", "VSS", "VSSQ"},       // D
    {"VREFDQ", "VDDQ", "DQ4", "DQ7", "DQ5", "VDDQ"},     // E
}};
constexpr std::array<X4Name, 6> kDdr3X4 = {{
    {"A7", "NF"}, {"B7", "DM"}, {"D2", "NC"}, {"E3", "NC"}, {"E7", "NC"}, {"E8", "NC"},
}};

// DDR3 96-ball FBGA, x16: the upper byte in rows A-D, the lower byte in E-H
// laid out like rows B-E of the 78-ball package.
constexpr std::array<Row, 8> kDdr3X16Data = {{
    {"VDDQ", "DQ13", "DQ15", "DQ12", "VDDQ", "VSS"},     // A
    {"VSSQ", "VDD", "VSS", "/UDQS", "DQ14", "VSSQ"},     // B
    {"VDDQ", "DQ11", "DQ9", "UDQS", "DQ10", "VDDQ"},     // C
    {"VSSQ", "VDDQ", "UDM", "DQ8", "VSSQ", "VDD"},       // D
    {"VSS", "VSSQ", "DQ0", "LDM", "VSSQ", "VDDQ"},       // E
    {"VDDQ", "DQ2", "LDQS", "DQ1", "DQ3", "VSSQ"},       // F
    {"VSSQ", "DQ6", "/LDQS", "VDD", "VSS", "VSSQ"},      // G
    {"VREFDQ", "VDDQ", "DQ4", "DQ7", "DQ5", "VDDQ"},     // H
}};
constexpr std::array<int, 6> kFbgaColumns = {1, 2, 3, 7, 8, 9};

std::vector<DramPin> TsopPins()
{
    std::vector<DramPin> pins;
    pins.reserve(kDdrTsop.size());
    for (std::size_t i = 0; i < kDdrTsop.size(); ++i)
        pins.push_back({std::to_string(i + 1), kDdrTsop[i]});
    return pins;
}

// The balls of a map, row by row: the data rows, then the command rows;
// `width` is the width the map's names are for, x4 names come from the map
// and `x4` when the package also comes in x4.
std::vector<DramPin> FbgaPins(std::string_view rows, std::span<const Row> dataRows, std::span<const Row> commandRows,
                              DramWidth width, std::span<const X4Name> x4)
{
    std::vector<DramPin> pins;
    std::size_t r = 0;
    for (std::span<const Row> block : {dataRows, commandRows}) {
        for (const Row& row : block) {
            for (std::size_t c = 0; c < kFbgaColumns.size(); ++c) {
                const std::string_view name = row[c];
                if (name.empty())
                    continue;
                DramPin pin{std::string(1, rows[r]), {}};
                pin.position.append(std::to_string(kFbgaColumns[c]));
                pin.names[static_cast<std::size_t>(width)] = name;
                if (width == DramWidth::X8) {
                    pin.names[static_cast<std::size_t>(DramWidth::X4)] = name;
                    for (const X4Name& other : x4) {
                        if (other.position == pin.position)
                            pin.names[static_cast<std::size_t>(DramWidth::X4)] = other.name;
                    }
                }
                pins.push_back(std::move(pin));
            }
            ++r;
        }
    }
    return pins;
}

DramPackageData Build(DramPackage package)
{
    const std::vector<int> columns(kFbgaColumns.begin(), kFbgaColumns.end());
    switch (package) {
    case DramPackage::DdrTsop66:
        return {package, "DDR ( x4 , x8 , x16 )", "DDR SDRAM, 66-pin TSOP-II, x4 / x8 / x16", "DDR SDRAM",
                "66-pin TSOP-II", DramPackageKind::Tsop, {DramWidth::X4, DramWidth::X8, DramWidth::X16}, {},
                {}, TsopPins()};
    case DramPackage::Ddr2Fbga60:
        return {package, "DDR2 ( x4 , x8 )", "DDR2 SDRAM, 60-ball FBGA, x4 / x8", "DDR2 SDRAM",
                "60-ball FBGA", DramPackageKind::Fbga, {DramWidth::X4, DramWidth::X8}, "ABCDEFGHJKL", columns,
                FbgaPins("ABCDEFGHJKL", kDdr2X8Data, kDdr2CommandRows, DramWidth::X8, kDdr2X4)};
    case DramPackage::Ddr2Fbga84:
        return {package, "DDR2 ( x16 )", "DDR2 SDRAM, 84-ball FBGA, x16", "DDR2 SDRAM", "84-ball FBGA",
                DramPackageKind::Fbga, {DramWidth::X16}, "ABCDEFGHJKLMNPR", columns,
                FbgaPins("ABCDEFGHJKLMNPR", kDdr2X16Data, kDdr2CommandRows, DramWidth::X16, {})};
    case DramPackage::Ddr3Fbga78:
        return {package, "DDR3 ( x4 , x8 )", "DDR3 SDRAM, 78-ball FBGA, x4 / x8", "DDR3 SDRAM",
                "78-ball FBGA", DramPackageKind::Fbga, {DramWidth::X4, DramWidth::X8}, "ABCDEFGHJKLMN", columns,
                FbgaPins("ABCDEFGHJKLMN", kDdr3X8Data, kDdr3CommandRows, DramWidth::X8, kDdr3X4)};
    case DramPackage::Ddr3Fbga96:
        return {package, "DDR3 ( x16 )", "DDR3 SDRAM, 96-ball FBGA, x16", "DDR3 SDRAM", "96-ball FBGA",
                DramPackageKind::Fbga, {DramWidth::X16}, "ABCDEFGHJKLMNPRT", columns,
                FbgaPins("ABCDEFGHJKLMNPRT", kDdr3X16Data, kDdr3CommandRows, DramWidth::X16, {})};
    }
    return Build(DramPackage::DdrTsop66);
}

}  // namespace

bool DramPackageData::Offers(DramWidth width) const
{
    return std::find(widths.begin(), widths.end(), width) != widths.end();
}

const DramPackageData& DramPackageInfo(DramPackage package)
{
    static const std::array<DramPackageData, kDramPackages.size()> all = [] {
        return std::array<DramPackageData, kDramPackages.size()>{
            Build(kDramPackages[0]), Build(kDramPackages[1]), Build(kDramPackages[2]),
            Build(kDramPackages[3]), Build(kDramPackages[4]),
        };
    }();
    for (const DramPackageData& data : all) {
        if (data.package == package)
            return data;
    }
    return all[0];
}

const DramPin* FindDramPin(const DramPackageData& data, std::string_view position)
{
    for (const DramPin& pin : data.pins) {
        if (pin.position == position)
            return &pin;
    }
    return nullptr;
}

std::string_view DramWidthName(DramWidth width)
{
    switch (width) {
    case DramWidth::X4: return "x4";
    case DramWidth::X8: return "x8";
    case DramWidth::X16: return "x16";
    }
    return "";
}

bool IsUnconnectedName(std::string_view name)
{
    for (std::string_view unused : {"NC", "NU", "DNU", "RFU", "NF"}) {
        if (name == unused)
            return true;
    }
    return false;
}

}  // namespace tessaro
