#include "pinmap/pinmappanels.h"

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

std::vector<int> Shown(const PinMapPanels& panels)
{
    std::vector<int> shown;
    for (int i = 0; i < kPinMapPictureCount; ++i) {
        const auto picture = static_cast<PinMapPicture>(i);
        if (panels.isShown(picture))
            shown.push_back(PictureNumber(picture));
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
    EXPECT_EQ(panels.combo1Text(), "DDR ( x4 , x8 , x16 )");
    EXPECT_EQ(panels.combo2Text(), "DDR-DIMM184");
    EXPECT_TRUE(Shown(panels).empty());

    panels.chooseIcEntry(4);   // DDR3 ( x16 )
    panels.chooseModuleEntry(0);
    panels.chooseModuleEntry(3);  // DDR2-SODIMM200
    EXPECT_EQ(Shown(panels), (std::vector<int>{7, 11}));
    EXPECT_EQ(panels.combo2Text(), "DDR2-SODIMM200");
    EXPECT_EQ(panels.topPicture(false), static_cast<int>(PinMapPicture::Image7));

    panels.chooseIcEntry(7);  // no such entry: nothing changes
    EXPECT_EQ(Shown(panels), (std::vector<int>{7, 11}));
    EXPECT_EQ(panels.combo1Text(), "DDR3 ( x16 )");
}

TEST(PinMapPanels, MenuCommandsKeepTheDdr3PicturesAndUseTheirOwnTexts)
{
    PinMapPanels panels;
    panels.chooseIcEntry(3);  // Image10 up
    panels.icFromMenu(11, SpdImage{});
    // A DDR3 image from the menu: the DDR picture, and Image10 keeps its visibility.
    EXPECT_TRUE(panels.icPanelShown());
    EXPECT_FALSE(panels.modulePanelShown());
    EXPECT_EQ(panels.combo1Text(), "DDR ( x4 , x8 , x16)");
    EXPECT_EQ(Shown(panels), (std::vector<int>{3, 10}));
    EXPECT_EQ(panels.topPicture(true), static_cast<int>(PinMapPicture::Image3));

    panels.icFromMenu(8, WithByte(13, 8));
    EXPECT_EQ(panels.combo1Text(), "DDR2 ( x4 , x8)");
    EXPECT_EQ(Shown(panels), (std::vector<int>{9, 10}));
    panels.icFromMenu(8, WithByte(13, 16));
    EXPECT_EQ(panels.combo1Text(), "DDR2 ( x16 )");
    EXPECT_EQ(Shown(panels), (std::vector<int>{8, 10}));

    panels.chooseModuleEntry(5);  // Image13
    panels.moduleFromMenu(8);
    EXPECT_FALSE(panels.icPanelShown());
    EXPECT_TRUE(panels.modulePanelShown());
    EXPECT_EQ(panels.combo2Text(), "DDR2-DIMM");
    EXPECT_EQ(Shown(panels), (std::vector<int>{6, 8, 10, 13}));
    panels.moduleFromMenu(4);
    EXPECT_EQ(panels.combo2Text(), "DDR-DIMM");
    EXPECT_EQ(Shown(panels), (std::vector<int>{4, 8, 10, 13}));

    panels.closeModulePanel();
    EXPECT_FALSE(panels.modulePanelShown());
    EXPECT_TRUE(panels.isShown(PinMapPicture::Image4));  // pictures stay as they were
}

TEST(PinMapPanels, IcButtonByMemoryTypeAndSdramWidth)
{
    struct Case {
        int type;
        SpdImage image;
        const char* text;
        int picture;  // 0: none
    };
    const Case cases[] = {
        {8, WithByte(13, 4), "DDR2 ( x4 , x8)", 9},
        {8, WithByte(13, 16), "DDR2 ( x16 )", 8},
        {11, WithByte(7, 0x01), "DDR3 ( x4 , x8 )", 10},
        {11, WithByte(7, 0x0A), "DDR3 ( x16 )", 11},  // two ranks of x16
        {4, SpdImage{}, "DDR ( x4 , x8 , x16)", 3},
        {7, SpdImage{}, "DDR ( x4 , x8 , x16)", 3},
        {2, SpdImage{}, "DDR3 ( x16 )", 0},  // EDO: the panel opens without a picture, the text as it was
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
        EXPECT_EQ(panels.combo1Text(), c.text);
        std::vector<int> expected;
        if (c.picture)
            expected.push_back(c.picture);
        expected.push_back(12);  // the module panel's picture is not the IC button's business
        EXPECT_EQ(Shown(panels), expected);
    }
}

TEST(PinMapPanels, DramButtonByMemoryTypeAndModuleForm)
{
    struct Case {
        int type;
        int form;
        const char* text;
        int picture;
    };
    const Case cases[] = {
        {8, 4, "DDR2-SODIMM200", 7}, {8, 1, "DDR2-DIMM240", 6},  {11, 4, "DDR3-SODIMM204", 13},
        {11, 2, "DDR3-DIMM240", 12}, {7, 4, "DDR-DIMM184", 4},   {4, 0, "DDR-DIMM184", 4},
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
        EXPECT_EQ(panels.combo2Text(), c.text);
        EXPECT_EQ(Shown(panels), (std::vector<int>{std::min(c.picture, 10), std::max(c.picture, 10)}));
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
