#include "pinmap/pinmappanels.h"

#include "core/memorytype.h"

#include <algorithm>

namespace tessaro {

namespace {

constexpr int kSmallOutline = 4;

std::size_t Slot(PinMapPicture picture)
{
    return static_cast<std::size_t>(picture);
}

}  // namespace

const char* PictureObjectName(PinMapPicture picture)
{
    static constexpr const char* names[kPinMapPictureCount] = {
        "Image3", "Image4", "Image5", "Image6", "Image7", "Image8", "Image9", "Image10", "Image11", "Image12", "Image13",
    };
    return names[Slot(picture)];
}

// The entries of the two lists: the IC panel's five, then the module panel's six.
constexpr std::size_t kIcEntries = 5;
constexpr PinMapListEntry kListEntries[] = {
    {"DDR ( x4 , x8 , x16 )", PinMapPicture::DdrTsop66},
    {"DDR2 ( x4 , x8 )", PinMapPicture::Ddr2Fbga60},
    {"DDR2 ( x16 )", PinMapPicture::Ddr2Fbga84},
    {"DDR3 ( x4 , x8 )", PinMapPicture::Ddr3Fbga78},
    {"DDR3 ( x16 )", PinMapPicture::Ddr3Fbga96},
    {"DDR-DIMM184", PinMapPicture::DdrDimm184},
    {"DDR-SODIMM200", PinMapPicture::DdrSoDimm200},
    {"DDR2-DIMM240", PinMapPicture::Ddr2Dimm240},
    {"DDR2-SODIMM200", PinMapPicture::Ddr2SoDimm200},
    {"DDR3-DIMM240", PinMapPicture::Ddr3Dimm240},
    {"DDR3-SODIMM204", PinMapPicture::Ddr3SoDimm204},
};

std::span<const PinMapListEntry> IcPinMapList()
{
    return std::span(kListEntries).first(kIcEntries);
}

std::span<const PinMapListEntry> ModulePinMapList()
{
    return std::span(kListEntries).subspan(kIcEntries);
}

// An IC picture is one the IC panel's list offers.
bool IsIcPicture(PinMapPicture picture)
{
    const auto list = IcPinMapList();
    return std::any_of(list.begin(), list.end(), [picture](const PinMapListEntry& e) { return e.picture == picture; });
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

void PinMapPanels::chooseEntry(std::span<const PinMapListEntry> list, int index, std::string& listText)
{
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    for (const PinMapListEntry& entry : list)
        hide(entry.picture);
    show(list[static_cast<std::size_t>(index)].picture);
    listText = list[static_cast<std::size_t>(index)].text;
}

void PinMapPanels::chooseIcEntry(int index)
{
    chooseEntry(IcPinMapList(), index, m_icListText);
}

void PinMapPanels::chooseModuleEntry(int index)
{
    chooseEntry(ModulePinMapList(), index, m_moduleListText);
}

void PinMapPanels::icFromMenu(int memoryType, const SpdImage& image)
{
    // The menu leaves the DDR3 pictures as they are.
    for (PinMapPicture picture : {PinMapPicture::DdrTsop66, PinMapPicture::Ddr2Fbga84, PinMapPicture::Ddr2Fbga60})
        hide(picture);
    m_modulePanel = false;
    m_icPanel = true;
    if (MemoryTypeOf(memoryType) == MemoryType::Ddr2) {
        if (SdramWidthBits(memoryType, image) == 16) {
            m_icListText = "DDR2 ( x16 )";
            show(PinMapPicture::Ddr2Fbga84);
        } else {
            m_icListText = "DDR2 ( x4 , x8)";
            show(PinMapPicture::Ddr2Fbga60);
        }
    } else {
        m_icListText = "DDR ( x4 , x8 , x16)";
        show(PinMapPicture::DdrTsop66);
    }
}

void PinMapPanels::moduleFromMenu(int memoryType)
{
    // The menu leaves the DDR3 pictures as they are.
    for (PinMapPicture picture : {PinMapPicture::DdrDimm184, PinMapPicture::DdrSoDimm200, PinMapPicture::Ddr2Dimm240,
                                  PinMapPicture::Ddr2SoDimm200})
        hide(picture);
    m_icPanel = false;
    m_modulePanel = true;
    if (MemoryTypeOf(memoryType) == MemoryType::Ddr2) {
        m_moduleListText = "DDR2-DIMM";
        show(PinMapPicture::Ddr2Dimm240);
    } else {
        m_moduleListText = "DDR-DIMM";
        show(PinMapPicture::DdrDimm184);
    }
}

void PinMapPanels::icButton(int memoryType, const SpdImage& image)
{
    for (const PinMapListEntry& entry : IcPinMapList())
        hide(entry.picture);
    m_modulePanel = false;
    m_icPanel = true;
    const bool x16 = SdramWidthBits(memoryType, image) == 16;
    const MemoryType type = MemoryTypeOf(memoryType);
    if (type == MemoryType::Ddr2) {
        m_icListText = x16 ? "DDR2 ( x16 )" : "DDR2 ( x4 , x8)";
        show(x16 ? PinMapPicture::Ddr2Fbga84 : PinMapPicture::Ddr2Fbga60);
    } else if (type == MemoryType::Ddr3) {
        m_icListText = x16 ? "DDR3 ( x16 )" : "DDR3 ( x4 , x8 )";
        show(x16 ? PinMapPicture::Ddr3Fbga96 : PinMapPicture::Ddr3Fbga78);
    } else if (type == MemoryType::Sdr || type == MemoryType::Ddr) {
        // The DDR package drawing is the only one for DDR; SDR images get it too.
        m_icListText = "DDR ( x4 , x8 , x16)";
        show(PinMapPicture::DdrTsop66);
    }
}

void PinMapPanels::dramButton(int memoryType, int moduleForm)
{
    for (const PinMapListEntry& entry : ModulePinMapList())
        hide(entry.picture);
    m_icPanel = false;
    m_modulePanel = true;
    const MemoryType type = MemoryTypeOf(memoryType);
    if (type == MemoryType::Ddr2 && moduleForm == kSmallOutline) {
        // The picture follows the text: the DDR2 small-outline connector.
        m_moduleListText = "DDR2-SODIMM200";
        show(PinMapPicture::Ddr2SoDimm200);
    } else if (type == MemoryType::Ddr2) {
        m_moduleListText = "DDR2-DIMM240";
        show(PinMapPicture::Ddr2Dimm240);
    } else if (type == MemoryType::Ddr3 && moduleForm == kSmallOutline) {
        m_moduleListText = "DDR3-SODIMM204";
        show(PinMapPicture::Ddr3SoDimm204);
    } else if (type == MemoryType::Ddr3) {
        m_moduleListText = "DDR3-DIMM240";
        show(PinMapPicture::Ddr3Dimm240);
    } else {
        m_moduleListText = "DDR-DIMM184";
        show(PinMapPicture::DdrDimm184);
    }
}

int SdramWidthBits(int memoryType, const SpdImage& image)
{
    const MemoryType type = MemoryTypeOf(memoryType);
    if (type == MemoryType::Ddr2) {
        const int width = image[13];
        return (width == 4 || width == 8 || width == 16 || width == 32) ? width : 0;
    }
    if (type == MemoryType::Ddr3) {
        const int code = image[7] & 0x07;
        return code <= 3 ? 4 << code : 0;
    }
    return 0;
}

}  // namespace tessaro
