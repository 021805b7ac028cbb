#include "pinmap/pinmappanels.h"

namespace tessaro {

namespace {

constexpr int kDdr2 = 8;
constexpr int kDdr3 = 11;
constexpr int kDdr = 7;
constexpr int kSdr = 4;
constexpr int kSmallOutline = 4;

std::size_t Slot(PinMapPicture picture)
{
    return static_cast<std::size_t>(picture);
}

}  // namespace

int PictureNumber(PinMapPicture picture)
{
    return static_cast<int>(picture) + 3;
}

bool IsIcPicture(PinMapPicture picture)
{
    switch (picture) {
    case PinMapPicture::Image3:
    case PinMapPicture::Image8:
    case PinMapPicture::Image9:
    case PinMapPicture::Image10:
    case PinMapPicture::Image11:
        return true;
    default:
        return false;
    }
}

const std::array<PinMapListEntry, 5>& IcPinMapList()
{
    static const std::array<PinMapListEntry, 5> list{{
        {"DDR ( x4 , x8 , x16 )", PinMapPicture::Image3},
        {"DDR2 ( x4 , x8 )", PinMapPicture::Image9},
        {"DDR2 ( x16 )", PinMapPicture::Image8},
        {"DDR3 ( x4 , x8 )", PinMapPicture::Image10},
        {"DDR3 ( x16 )", PinMapPicture::Image11},
    }};
    return list;
}

const std::array<PinMapListEntry, 6>& ModulePinMapList()
{
    static const std::array<PinMapListEntry, 6> list{{
        {"DDR-DIMM184", PinMapPicture::Image4},
        {"DDR-SODIMM200", PinMapPicture::Image5},
        {"DDR2-DIMM240", PinMapPicture::Image6},
        {"DDR2-SODIMM200", PinMapPicture::Image7},
        {"DDR3-DIMM240", PinMapPicture::Image12},
        {"DDR3-SODIMM204", PinMapPicture::Image13},
    }};
    return list;
}

bool PinMapPanels::isShown(PinMapPicture picture) const
{
    return m_shownAt[Slot(picture)] != 0;
}

int PinMapPanels::topPicture(bool icPanel) const
{
    int top = -1;
    std::uint32_t latest = 0;
    for (int i = 0; i < kPinMapPictureCount; ++i) {
        const auto picture = static_cast<PinMapPicture>(i);
        if (IsIcPicture(picture) == icPanel && m_shownAt[Slot(picture)] > latest) {
            latest = m_shownAt[Slot(picture)];
            top = i;
        }
    }
    return top;
}

void PinMapPanels::show(PinMapPicture picture)
{
    m_shownAt[Slot(picture)] = ++m_showCount;
}

void PinMapPanels::hide(PinMapPicture picture)
{
    m_shownAt[Slot(picture)] = 0;
}

void PinMapPanels::chooseIcEntry(int index)
{
    const auto& list = IcPinMapList();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    for (const PinMapListEntry& entry : list)
        hide(entry.picture);
    show(list[static_cast<std::size_t>(index)].picture);
    m_combo1 = list[static_cast<std::size_t>(index)].text;
}

void PinMapPanels::chooseModuleEntry(int index)
{
    const auto& list = ModulePinMapList();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    for (const PinMapListEntry& entry : list)
        hide(entry.picture);
    show(list[static_cast<std::size_t>(index)].picture);
    m_combo2 = list[static_cast<std::size_t>(index)].text;
}

void PinMapPanels::icFromMenu(int memoryType, const SpdImage& image)
{
    // The menu leaves the DDR3 pictures as they are.
    hide(PinMapPicture::Image3);
    hide(PinMapPicture::Image8);
    hide(PinMapPicture::Image9);
    m_modulePanel = false;
    m_icPanel = true;
    if (memoryType == kDdr2) {
        if (SdramWidthBits(memoryType, image) == 16) {
            m_combo1 = "DDR2 ( x16 )";
            show(PinMapPicture::Image8);
        } else {
            m_combo1 = "DDR2 ( x4 , x8)";
            show(PinMapPicture::Image9);
        }
    } else {
        m_combo1 = "DDR ( x4 , x8 , x16)";
        show(PinMapPicture::Image3);
    }
}

void PinMapPanels::moduleFromMenu(int memoryType)
{
    // The menu leaves the DDR3 pictures as they are.
    hide(PinMapPicture::Image4);
    hide(PinMapPicture::Image5);
    hide(PinMapPicture::Image6);
    hide(PinMapPicture::Image7);
    m_icPanel = false;
    m_modulePanel = true;
    if (memoryType == kDdr2) {
        m_combo2 = "DDR2-DIMM";
        show(PinMapPicture::Image6);
    } else {
        m_combo2 = "DDR-DIMM";
        show(PinMapPicture::Image4);
    }
}

void PinMapPanels::icButton(int memoryType, const SpdImage& image)
{
    for (const PinMapListEntry& entry : IcPinMapList())
        hide(entry.picture);
    m_modulePanel = false;
    m_icPanel = true;
    const bool x16 = SdramWidthBits(memoryType, image) == 16;
    if (memoryType == kDdr2) {
        m_combo1 = x16 ? "DDR2 ( x16 )" : "DDR2 ( x4 , x8)";
        show(x16 ? PinMapPicture::Image8 : PinMapPicture::Image9);
    } else if (memoryType == kDdr3) {
        m_combo1 = x16 ? "DDR3 ( x16 )" : "DDR3 ( x4 , x8 )";
        show(x16 ? PinMapPicture::Image11 : PinMapPicture::Image10);
    } else if (memoryType == kSdr || memoryType == kDdr) {
        // The DDR package drawing is the only one for DDR; SDR images get it too.
        m_combo1 = "DDR ( x4 , x8 , x16)";
        show(PinMapPicture::Image3);
    }
}

void PinMapPanels::dramButton(int memoryType, int moduleForm)
{
    for (const PinMapListEntry& entry : ModulePinMapList())
        hide(entry.picture);
    m_icPanel = false;
    m_modulePanel = true;
    if (memoryType == kDdr2 && moduleForm == kSmallOutline) {
        // The picture follows the text: the DDR2 small-outline connector.
        m_combo2 = "DDR2-SODIMM200";
        show(PinMapPicture::Image7);
    } else if (memoryType == kDdr2) {
        m_combo2 = "DDR2-DIMM240";
        show(PinMapPicture::Image6);
    } else if (memoryType == kDdr3 && moduleForm == kSmallOutline) {
        m_combo2 = "DDR3-SODIMM204";
        show(PinMapPicture::Image13);
    } else if (memoryType == kDdr3) {
        m_combo2 = "DDR3-DIMM240";
        show(PinMapPicture::Image12);
    } else {
        m_combo2 = "DDR-DIMM184";
        show(PinMapPicture::Image4);
    }
}

int SdramWidthBits(int memoryType, const SpdImage& image)
{
    if (memoryType == kDdr2) {
        const int width = image[13];
        return (width == 4 || width == 8 || width == 16 || width == 32) ? width : 0;
    }
    if (memoryType == kDdr3) {
        const int code = image[7] & 0x07;
        return code <= 3 ? 4 << code : 0;
    }
    return 0;
}

}  // namespace tessaro
