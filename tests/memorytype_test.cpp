// Every decision taken from byte 2, for all 256 values at once: the decoded
// panels and their I/O title, the rule after a load, the check, the report
// layout, the module connector, the pin-map pictures, the SDRAM width and what
// the SDR/DDR/DDR2 decoder makes of the clock and the module form.

#include "core/checks.h"
#include "core/memorytype.h"
#include "decode/decoders.h"
#include "pinmap/modulesignals.h"
#include "pinmap/pinmappanels.h"
#include "print/reportlayout.h"

#include <gtest/gtest.h>

#include <optional>

using namespace tessaro;

namespace {

struct Byte2Row {
    int first;
    int last;
    MemoryType type;  // the one conversion of byte 2
    bool ddr3Panels;
    const char* ioTitle;              // module form 0
    const char* ioTitleSmallOutline;  // module form 4
    std::optional<MemoryTypeCode> loadCode;
    CheckMode loadMode;
    MemoryType reportLayout;
    ModuleEdge connector;
    ModuleEdge connectorSmallOutline;
    std::optional<PinMapPicture> icPicture;  // what the IC button shows
    PinMapPicture dimmPicture;               // what the DRAM button shows, module form 0
    PinMapPicture soDimmPicture;             // module form 4
    bool statesWidth;   // SdramWidthBits reads the image
    const char* legacyClock;  // byte 9 = 50h through the SDR/DDR/DDR2 decoder
    int legacyForm;           // byte 20 = 04h through the SDR/DDR/DDR2 decoder
};

constexpr const char* kDdrTitle = "DDR Unbuffer DIMM I/O";
constexpr auto kDdr2Dimm = ModuleEdge::Ddr2Dimm240;
using Picture = PinMapPicture;

// A code no rule names beyond the panel choice: the DDR title, no code after a
// load, the checksum, the DDR report, the DDR2 DIMM connector, no IC picture,
// the DDR DIMM picture, no width and no clock.
constexpr Byte2Row Unnamed(int first, int last, MemoryType type, bool ddr3Panels)
{
    return {first, last, type, ddr3Panels,
            kDdrTitle, kDdrTitle,
            std::nullopt, CheckMode::Checksum,
            MemoryType::Ddr, kDdr2Dimm, kDdr2Dimm,
            std::nullopt, Picture::DdrDimm184, Picture::DdrDimm184, false,
            "Undefined", 0};
}

// Codes 0-3, 5, 6 and 12-255 are unnamed. The FB-DIMM codes 9 and 10 get the
// DDR3 panels and are otherwise taken for unnamed codes, except that 9 selects
// the CRC and the DDR3 code after a load.
const Byte2Row kRows[] = {
    Unnamed(0, 3, MemoryType::Unknown, false),
    {4, 4, MemoryType::Sdr, false,
     kDdrTitle, kDdrTitle,
     MemoryTypeCode::Sdr, CheckMode::Checksum,
     MemoryType::Sdr, kDdr2Dimm, kDdr2Dimm,
     Picture::DdrTsop66, Picture::DdrDimm184, Picture::DdrDimm184, false,
     "166 MHz(PC-166)", 0},
    Unnamed(5, 6, MemoryType::Unknown, false),
    {7, 7, MemoryType::Ddr, false,
     kDdrTitle, kDdrTitle,
     MemoryTypeCode::Ddr, CheckMode::Checksum,
     MemoryType::Ddr, ModuleEdge::DdrDimm184, ModuleEdge::DdrDimm184,
     Picture::DdrTsop66, Picture::DdrDimm184, Picture::DdrDimm184, false,
     "400 MHz(PC-3200)", 0},
    {8, 8, MemoryType::Ddr2, false,
     "DDR2 Unbuffer DIMM I/O", "DDR2 SODIMM I/O",
     MemoryTypeCode::Ddr2, CheckMode::Checksum,
     MemoryType::Ddr2, kDdr2Dimm, ModuleEdge::Ddr2SoDimm200,
     Picture::Ddr2Fbga60, Picture::Ddr2Dimm240, Picture::Ddr2SoDimm200, true,
     "400 MHz(PC2-3200)", 4},
    {9, 9, MemoryType::Ddr2FbDimm, true,
     kDdrTitle, kDdrTitle,
     MemoryTypeCode::Ddr3, CheckMode::Crc,
     MemoryType::Ddr, kDdr2Dimm, kDdr2Dimm,
     std::nullopt, Picture::DdrDimm184, Picture::DdrDimm184, false,
     "Undefined", 0},
    Unnamed(10, 10, MemoryType::Ddr2FbDimmProbe, true),
    {11, 11, MemoryType::Ddr3, true,
     "DDR3-Unbuffer DIMM I/O", "DDR3-SODIMM I/O",
     MemoryTypeCode::Ddr3, CheckMode::Crc,
     MemoryType::Ddr3, ModuleEdge::Ddr3Dimm240, ModuleEdge::Ddr3SoDimm204,
     Picture::Ddr3Fbga78, Picture::Ddr3Dimm240, Picture::Ddr3SoDimm204, true,
     "Undefined", 0},
    // DDR4 and DDR5 codes are named for the decoders of larger images; the
    // 256-byte window treats them as every other code above DDR2.
    Unnamed(12, 12, MemoryType::Ddr4, true),
    Unnamed(13, 13, MemoryType::Unknown, true),
    Unnamed(14, 14, MemoryType::Ddr4E, true),
    Unnamed(15, 15, MemoryType::Unknown, true),
    Unnamed(16, 16, MemoryType::Lpddr4, true),
    Unnamed(17, 17, MemoryType::Lpddr4X, true),
    Unnamed(18, 18, MemoryType::Ddr5, true),
    Unnamed(19, 19, MemoryType::Lpddr5, true),
    Unnamed(20, 20, MemoryType::Unknown, true),
    Unnamed(21, 21, MemoryType::Lpddr5X, true),
    Unnamed(22, 255, MemoryType::Unknown, true),
};

std::string IoTitle(const SpdImage& image, std::int16_t form)
{
    DecodedView view;
    DecodeContext context;
    context.currentModuleForm = form;
    DecodeByte(image, view, context, 0);
    return view.ioPanelTitle;
}

std::optional<PinMapPicture> ShownPicture(const PinMapPanels& panels, bool icPanel)
{
    const int top = panels.topPicture(icPanel);
    return top < 0 ? std::nullopt : std::optional<PinMapPicture>(static_cast<PinMapPicture>(top));
}

}  // namespace

TEST(MemoryType, EveryByte2DecisionMatchesItsTable)
{
    int covered = 0;
    for (const Byte2Row& row : kRows) {
        for (int b = row.first; b <= row.last; ++b, ++covered) {
            SCOPED_TRACE(b);
            const auto byte2 = static_cast<std::uint8_t>(b);
            SpdImage image{};
            image[2] = byte2;

            EXPECT_EQ(MemoryTypeOf(b), row.type);
            EXPECT_EQ(SpdByte2Of(row.type), row.type == MemoryType::Unknown ? 0 : b);
            EXPECT_EQ(UsesDdr3Layout(byte2), row.ddr3Panels);

            DecodedView view;
            DecodeContext context;
            DecodeByte(image, view, context, 0);
            EXPECT_EQ(view.ddr3PanelsShown, row.ddr3Panels);
            EXPECT_EQ(context.currentMemoryType, b);
            EXPECT_EQ(IoTitle(image, 0), row.ioTitle);
            EXPECT_EQ(IoTitle(image, kSmallOutlineForm), row.ioTitleSmallOutline);

            const LoadTypeRule rule = LoadTypeRuleFor(byte2);
            EXPECT_EQ(rule.typeCode, row.loadCode);
            EXPECT_EQ(rule.checkMode, row.loadMode);
            EXPECT_EQ(UsesCrc(image), row.loadMode == CheckMode::Crc);

            EXPECT_EQ(ReportLayoutFor(byte2), row.reportLayout);

            EXPECT_EQ(ConnectorFor(b, 0), row.connector);
            EXPECT_EQ(ConnectorFor(b, kSmallOutlineForm), row.connectorSmallOutline);

            PinMapPanels panels;
            panels.icButton(b, image);
            EXPECT_EQ(ShownPicture(panels, true), row.icPicture);
            panels.dramButton(b, 0);
            EXPECT_EQ(ShownPicture(panels, false), row.dimmPicture);
            panels.dramButton(b, kSmallOutlineForm);
            EXPECT_EQ(ShownPicture(panels, false), row.soDimmPicture);

            SpdImage wide = image;
            wide[13] = 16;  // DDR2: x16 devices
            wide[7] = 0x02;  // DDR3: x16 devices
            EXPECT_EQ(SdramWidthBits(b, wide), row.statesWidth ? 16 : 0);

            SpdImage legacy = image;
            legacy[9] = 0x50;  // 5.0 ns cycle
            legacy[20] = 0x04;  // small-outline DIMM type on DDR2
            DecodeSdrDdrDdr2Byte(legacy, view, context, 9);
            EXPECT_EQ(view[LegacyField::DramClock], row.legacyClock);
            EXPECT_EQ(context.currentModuleForm, row.legacyForm);
        }
    }
    EXPECT_EQ(covered, 256);
    EXPECT_EQ(MemoryTypeOf(-1), MemoryType::Unknown);
    EXPECT_EQ(MemoryTypeOf(0x108), MemoryType::Unknown) << "no wrap into 08h";
}
