#pragma once

#include "core/spdimage.h"

#include <array>
#include <cstdint>
#include <string>

namespace tessaro {

// The eleven pictures of the two pin-map panels, by their control names.
enum class PinMapPicture : unsigned char {
    Image3,   // IC: DDR ( x4 , x8 , x16 )
    Image4,   // module: DDR-DIMM184
    Image5,   // module: DDR-SODIMM200
    Image6,   // module: DDR2-DIMM240
    Image7,   // module: DDR2-SODIMM200
    Image8,   // IC: DDR2 ( x16 )
    Image9,   // IC: DDR2 ( x4 , x8 )
    Image10,  // IC: DDR3 ( x4 , x8 )
    Image11,  // IC: DDR3 ( x16 )
    Image12,  // module: DDR3-DIMM240
    Image13,  // module: DDR3-SODIMM204
};
inline constexpr int kPinMapPictureCount = 11;

// The picture's control number: 3 for Image3 ... 13 for Image13.
[[nodiscard]] int PictureNumber(PinMapPicture picture);
// Whether the picture belongs to the IC panel (Frame11) or the module panel (Frame12).
[[nodiscard]] bool IsIcPicture(PinMapPicture picture);

// The list entries of Combo1 (IC) and Combo2 (module) and the picture each selects.
struct PinMapListEntry {
    const char* text;
    PinMapPicture picture;
};
[[nodiscard]] const std::array<PinMapListEntry, 5>& IcPinMapList();
[[nodiscard]] const std::array<PinMapListEntry, 6>& ModulePinMapList();

// What the two pin-map panels show: which panel is up, which pictures are
// visible, and the text of each list. A window draws this; the commands below
// change it. Pictures keep their visibility while their panel is hidden.
class PinMapPanels
{
public:
    [[nodiscard]] bool icPanelShown() const { return m_icPanel; }      // Frame11 "IC 腳位圖"
    [[nodiscard]] bool modulePanelShown() const { return m_modulePanel; }  // Frame12 "模組腳位圖"
    [[nodiscard]] bool isShown(PinMapPicture picture) const;
    // The visible picture of a panel drawn on top (the one shown last), or -1.
    [[nodiscard]] int topPicture(bool icPanel) const;
    [[nodiscard]] const std::string& combo1Text() const { return m_combo1; }
    [[nodiscard]] const std::string& combo2Text() const { return m_combo2; }

    // Choosing list entry `index`: shows its picture and hides the panel's others.
    void chooseIcEntry(int index);
    void chooseModuleEntry(int index);
    // The close buttons ("關       閉", "關           閉").
    void closeIcPanel() { m_icPanel = false; }
    void closeModulePanel() { m_modulePanel = false; }

    // mnuICpin / mnuMODULEpin on this window. `image` is the window's image,
    // read only for the SDRAM width that picks the x16 DDR2 picture.
    void icFromMenu(int memoryType, const SpdImage& image);
    void moduleFromMenu(int memoryType);
    // The tool-bar buttons IC and DRAM on this window.
    void icButton(int memoryType, const SpdImage& image);
    void dramButton(int memoryType, int moduleForm);

private:
    void show(PinMapPicture picture);
    void hide(PinMapPicture picture);

    bool m_icPanel = false;
    bool m_modulePanel = false;
    std::array<std::uint32_t, kPinMapPictureCount> m_shownAt{};  // 0 hidden, else the order shown
    std::uint32_t m_showCount = 0;
    std::string m_combo1 = "DDR ( x4 , x8 , x16 )";
    std::string m_combo2 = "DDR-DIMM184";
};

// The SDRAM width in bits that an image states for its devices: byte 13 of a
// DDR2 image, bits 2-0 of byte 7 of a DDR3 image; 0 for other types or
// values the bytes do not define.
[[nodiscard]] int SdramWidthBits(int memoryType, const SpdImage& image);

}  // namespace tessaro
