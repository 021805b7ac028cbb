#pragma once

#include "core/spdimage.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tessaro {

// The eleven pictures of the two pin-map panels. The order is the stacking
// order of the pictures in their panels and the order of their object names
// ("Image3" for the first ... "Image13" for the last).
enum class PinMapPicture : unsigned char {
    DdrTsop66,      // IC: DDR ( x4 , x8 , x16 )
    DdrDimm184,     // module: DDR-DIMM184
    DdrSoDimm200,   // module: DDR-SODIMM200
    Ddr2Dimm240,    // module: DDR2-DIMM240
    Ddr2SoDimm200,  // module: DDR2-SODIMM200
    Ddr2Fbga84,     // IC: DDR2 ( x16 )
    Ddr2Fbga60,     // IC: DDR2 ( x4 , x8 )
    Ddr3Fbga78,     // IC: DDR3 ( x4 , x8 )
    Ddr3Fbga96,     // IC: DDR3 ( x16 )
    Ddr3Dimm240,    // module: DDR3-DIMM240
    Ddr3SoDimm204,  // module: DDR3-SODIMM204
};
inline constexpr int kPinMapPictureCount = 11;

// The object name of the picture's view: "Image3" ... "Image13".
[[nodiscard]] const char* PictureObjectName(PinMapPicture picture);
// Whether the picture belongs to the IC panel or the module panel.
[[nodiscard]] bool IsIcPicture(PinMapPicture picture);

// The entries of the IC and the module picture lists and the picture each selects.
struct PinMapListEntry {
    const char* text;
    PinMapPicture picture;
};
[[nodiscard]] std::span<const PinMapListEntry> IcPinMapList();      // five entries
[[nodiscard]] std::span<const PinMapListEntry> ModulePinMapList();  // six entries

// What the two pin-map panels show: which panel is up, which pictures are
// visible, and the text of each list. A window draws this; the commands below
// change it. Pictures keep their visibility while their panel is hidden.
class PinMapPanels
{
public:
    [[nodiscard]] bool icPanelShown() const { return m_icPanel; }          // "IC 腳位圖"
    [[nodiscard]] bool modulePanelShown() const { return m_modulePanel; }  // "模組腳位圖"
    [[nodiscard]] bool isShown(PinMapPicture picture) const;
    // The visible picture of a panel drawn on top (the one shown last), or -1.
    [[nodiscard]] int topPicture(bool icPanel) const;
    // The text in the picture list of each panel.
    [[nodiscard]] const std::string& icListText() const { return m_icListText; }
    [[nodiscard]] const std::string& moduleListText() const { return m_moduleListText; }

    // Choosing list entry `index`: shows its picture and hides the panel's others.
    void chooseIcEntry(int index);
    void chooseModuleEntry(int index);
    // The close buttons ("關       閉", "關           閉").
    void closeIcPanel() { m_icPanel = false; }
    void closeModulePanel() { m_modulePanel = false; }

    // The menu commands for the IC and the module pin map on this window.
    // `image` is the window's image, read only for the SDRAM width that picks
    // the x16 DDR2 picture.
    void icFromMenu(int memoryType, const SpdImage& image);
    void moduleFromMenu(int memoryType);
    // The tool-bar buttons IC and DRAM on this window.
    void icButton(int memoryType, const SpdImage& image);
    void dramButton(int memoryType, int moduleForm);

private:
    // Shows the picture of entry `index` of `list`, hides the list's others and
    // puts the entry's text in `listText`; an index outside the list changes nothing.
    void chooseEntry(std::span<const PinMapListEntry> list, int index, std::string& listText);
    void show(PinMapPicture picture);
    void hide(PinMapPicture picture);

    bool m_icPanel = false;
    bool m_modulePanel = false;
    std::array<std::uint32_t, kPinMapPictureCount> m_shownAt{};  // 0 hidden, else the order shown
    std::uint32_t m_showCount = 0;
    std::string m_icListText = "DDR ( x4 , x8 , x16 )";
    std::string m_moduleListText = "DDR-DIMM184";
};

// The SDRAM width in bits that an image states for its devices: byte 13 of a
// DDR2 image, bits 2-0 of byte 7 of a DDR3 image; 0 for other types or
// values the bytes do not define.
[[nodiscard]] int SdramWidthBits(int memoryType, const SpdImage& image);

}  // namespace tessaro
