#include "pinmap/pinmappanels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace tessaro;

namespace {

using enum PinMapPicture;

// The visible pictures in their stacking order.
std::vector<PinMapPicture> Shown(const PinMapPanels& panels)
{
    std::vector<PinMapPicture> shown;
    for (int i = 0; i < kPinMapPictureCount; ++i) {
        const auto picture = static_cast<PinMapPicture>(i);
        if (panels.isShown(picture))
            shown.push_back(picture);
    }
    return shown;
}

SpdImage WithByte(int index, std::uint8_t value)
{
    SpdImage image{};
    image[static_cast<std::size_t>(index)] = value;
    return image;
}

}  // namespace

TEST(PinMapPanels, ListsSelectOnePictureEachAndHideTheRestOfThePanel)
{
    PinMapPanels panels;
    EXPECT_EQ(panels.icListText(), "DDR ( x4 , x8 , x16 )");
    EXPECT_EQ(panels.moduleListText(), "DDR-DIMM184");
    EXPECT_TRUE(Shown(panels).empty());

    panels.chooseIcEntry(4);   // DDR3 ( x16 )
    panels.chooseModuleEntry(0);
    panels.chooseModuleEntry(3);  // DDR2-SODIMM200
    EXPECT_EQ(Shown(panels), (std::vector{Ddr2SoDimm200, Ddr3Fbga96}));
    EXPECT_EQ(panels.moduleListText(), "DDR2-SODIMM200");
    EXPECT_EQ(panels.topPicture(false), static_cast<int>(PinMapPicture::Ddr2SoDimm200));

    panels.chooseIcEntry(7);  // no such entry: nothing changes
    EXPECT_EQ(Shown(panels), (std::vector{Ddr2SoDimm200, Ddr3Fbga96}));
    EXPECT_EQ(panels.icListText(), "DDR3 ( x16 )");
}

TEST(PinMapPanels, MenuCommandsKeepTheDdr3PicturesAndUseTheirOwnTexts)
{
    PinMapPanels panels;
    panels.chooseIcEntry(3);  // DDR3 ( x4 , x8 ) up
    panels.icFromMenu(11, SpdImage{});
    // A DDR3 image from the menu: the DDR picture, and the DDR3 x4/x8 picture keeps its visibility.
    EXPECT_TRUE(panels.icPanelShown());
    EXPECT_FALSE(panels.modulePanelShown());
    EXPECT_EQ(panels.icListText(), "DDR ( x4 , x8 , x16)");
    EXPECT_EQ(Shown(panels), (std::vector{DdrTsop66, Ddr3Fbga78}));
    EXPECT_EQ(panels.topPicture(true), static_cast<int>(PinMapPicture::DdrTsop66));

    panels.icFromMenu(8, WithByte(13, 8));
    EXPECT_EQ(panels.icListText(), "DDR2 ( x4 , x8)");
    EXPECT_EQ(Shown(panels), (std::vector{Ddr2Fbga60, Ddr3Fbga78}));
    panels.icFromMenu(8, WithByte(13, 16));
    EXPECT_EQ(panels.icListText(), "DDR2 ( x16 )");
    EXPECT_EQ(Shown(panels), (std::vector{Ddr2Fbga84, Ddr3Fbga78}));

    panels.chooseModuleEntry(5);  // DDR3-SODIMM204
    panels.moduleFromMenu(8);
    EXPECT_FALSE(panels.icPanelShown());
    EXPECT_TRUE(panels.modulePanelShown());
    EXPECT_EQ(panels.moduleListText(), "DDR2-DIMM");
    EXPECT_EQ(Shown(panels), (std::vector{Ddr2Dimm240, Ddr2Fbga84, Ddr3Fbga78, Ddr3SoDimm204}));
    panels.moduleFromMenu(4);
    EXPECT_EQ(panels.moduleListText(), "DDR-DIMM");
    EXPECT_EQ(Shown(panels), (std::vector{DdrDimm184, Ddr2Fbga84, Ddr3Fbga78, Ddr3SoDimm204}));

    panels.closeModulePanel();
    EXPECT_FALSE(panels.modulePanelShown());
    EXPECT_TRUE(panels.isShown(PinMapPicture::DdrDimm184));  // pictures stay as they were
}

TEST(PinMapPanels, IcButtonByMemoryTypeAndSdramWidth)
{
    struct Case {
        int type;
        SpdImage image;
        const char* text;
        std::optional<PinMapPicture> picture;
    };
    const Case cases[] = {
        {8, WithByte(13, 4), "DDR2 ( x4 , x8)", Ddr2Fbga60},
        {8, WithByte(13, 16), "DDR2 ( x16 )", Ddr2Fbga84},
        {11, WithByte(7, 0x01), "DDR3 ( x4 , x8 )", Ddr3Fbga78},
        {11, WithByte(7, 0x0A), "DDR3 ( x16 )", Ddr3Fbga96},  // two ranks of x16
        {4, SpdImage{}, "DDR ( x4 , x8 , x16)", DdrTsop66},
        {7, SpdImage{}, "DDR ( x4 , x8 , x16)", DdrTsop66},
        {2, SpdImage{}, "DDR3 ( x16 )", std::nullopt},  // EDO: the panel opens without a picture, the text as it was
    };
    for (const Case& c : cases) {
        PinMapPanels panels;
        panels.chooseIcEntry(4);
        panels.chooseModuleEntry(1);
        panels.dramButton(11, 0);
        panels.icButton(c.type, c.image);
        SCOPED_TRACE(c.type);
        EXPECT_TRUE(panels.icPanelShown());
        EXPECT_FALSE(panels.modulePanelShown());
        EXPECT_EQ(panels.icListText(), c.text);
        std::vector<PinMapPicture> expected;
        if (c.picture)
            expected.push_back(*c.picture);
        expected.push_back(Ddr3Dimm240);  // the module panel's picture is not the IC button's business
        EXPECT_EQ(Shown(panels), expected);
    }
}

TEST(PinMapPanels, DramButtonByMemoryTypeAndModuleForm)
{
    struct Case {
        int type;
        int form;
        const char* text;
        PinMapPicture picture;
    };
    const Case cases[] = {
        {8, 4, "DDR2-SODIMM200", Ddr2SoDimm200}, {8, 1, "DDR2-DIMM240", Ddr2Dimm240},
        {11, 4, "DDR3-SODIMM204", Ddr3SoDimm204}, {11, 2, "DDR3-DIMM240", Ddr3Dimm240},
        {7, 4, "DDR-DIMM184", DdrDimm184},        {4, 0, "DDR-DIMM184", DdrDimm184},
    };
    for (const Case& c : cases) {
        PinMapPanels panels;
        for (int i = 0; i < 6; ++i)
            panels.chooseModuleEntry(i);
        panels.icButton(11, SpdImage{});
        panels.dramButton(c.type, c.form);
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(panels.icPanelShown());
        EXPECT_TRUE(panels.modulePanelShown());
        EXPECT_EQ(panels.moduleListText(), c.text);
        // The IC panel keeps its DDR3 x4/x8 picture.
        EXPECT_EQ(Shown(panels), (std::vector{std::min(c.picture, Ddr3Fbga78), std::max(c.picture, Ddr3Fbga78)}));
    }
}

TEST(PinMapPanels, SdramWidthOnlyFromDefinedValues)
{
    EXPECT_EQ(SdramWidthBits(8, WithByte(13, 16)), 16);
    EXPECT_EQ(SdramWidthBits(8, WithByte(13, 12)), 0);
    EXPECT_EQ(SdramWidthBits(11, WithByte(7, 0x03)), 32);
    EXPECT_EQ(SdramWidthBits(11, WithByte(7, 0x04)), 0);
    EXPECT_EQ(SdramWidthBits(7, WithByte(13, 16)), 0);
}
