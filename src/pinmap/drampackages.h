#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The DRAM packages of the IC pin-map pictures.
enum class DramPackage {
    DdrTsop66,   // DDR SDRAM, 66-pin TSOP-II, x4 / x8 / x16
    Ddr2Fbga60,  // DDR2 SDRAM, 60-ball FBGA, x4 / x8
    Ddr2Fbga84,  // DDR2 SDRAM, 84-ball FBGA, x16
    Ddr3Fbga78,  // DDR3 SDRAM, 78-ball FBGA, x4 / x8
    Ddr3Fbga96,  // DDR3 SDRAM, 96-ball FBGA, x16
};

inline constexpr std::array<DramPackage, 5> kDramPackages = {
    DramPackage::DdrTsop66, DramPackage::Ddr2Fbga60, DramPackage::Ddr2Fbga84,
    DramPackage::Ddr3Fbga78, DramPackage::Ddr3Fbga96,
};

enum class DramPackageKind { Tsop, Fbga };

// Data width of a part; the value indexes DramPin::names.
enum class DramWidth { X4 = 0, X8 = 1, X16 = 2 };

// One pin or ball and what it carries on a part of each width. Names are
// printed as in datasheets: "DQ3", "/DQS", "A10/AP", "VDDQ", "NC"; a name is
// empty for a width the package does not come in.
struct DramPin {
    std::string position;  // "1".."66" on a TSOP, "A1".."T9" on an FBGA
    std::array<std::string_view, 3> names;

    [[nodiscard]] std::string_view Name(DramWidth width) const
    {
        return names[static_cast<std::size_t>(width)];
    }
};

struct DramPackageData {
    DramPackage package;
    std::string_view listText;  // the picture list entry: "DDR3 ( x4 , x8 )"
    std::string_view title;     // the picture heading
    std::string_view memory;    // "DDR3 SDRAM"
    std::string_view outline;   // "78-ball FBGA"
    DramPackageKind kind;
    std::vector<DramWidth> widths;  // widths the package comes in, narrowest first
    // FBGA only: the row letters top to bottom (JEDEC skips I, O, Q, S) and
    // the populated columns left to right, top view.
    std::string_view rows;
    std::vector<int> columns;
    // TSOP: pin 1 upwards; FBGA: row by row, left to right.
    std::vector<DramPin> pins;

    [[nodiscard]] bool Offers(DramWidth width) const;
    // The widest width offered: the one whose names the drawings print first.
    [[nodiscard]] DramWidth MainWidth() const { return widths.back(); }
};

[[nodiscard]] const DramPackageData& DramPackageInfo(DramPackage package);

// The pin at a position ("A1", "47"), or nullptr.
[[nodiscard]] const DramPin* FindDramPin(const DramPackageData& data, std::string_view position);

// "x4", "x8", "x16".
[[nodiscard]] std::string_view DramWidthName(DramWidth width);

// Names that mark a pin without a function: NC, NU, DNU, RFU, NF.
[[nodiscard]] bool IsUnconnectedName(std::string_view name);

}  // namespace tessaro
