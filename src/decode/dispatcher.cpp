#include "decode/decoders.h"

#include "core/memorytype.h"

#include <string_view>

namespace tessaro {

namespace {

std::string_view IoPanelTitle(MemoryType type, std::int16_t form)
{
    using namespace std::string_view_literals;
    if (type == MemoryType::Ddr3)
        return form == kSmallOutlineForm ? "DDR3-SODIMM I/O"sv : "DDR3-Unbuffer DIMM I/O"sv;
    if (type == MemoryType::Ddr2)
        return form == kSmallOutlineForm ? "DDR2 SODIMM I/O"sv : "DDR2 Unbuffer DIMM I/O"sv;
    return "DDR Unbuffer DIMM I/O"sv;
}

}  // namespace

void DecodeByte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index)
{
    const std::uint8_t byte2 = image[2];
    context.currentMemoryType = byte2;
    // The title follows the module form left by the previous call.
    const std::string_view title = IoPanelTitle(MemoryTypeOf(byte2), context.currentModuleForm);
    if (view.ioPanelTitle != title)
        view.ioPanelTitle = title;
    if (UsesDdr3Layout(byte2)) {
        view.ddr3PanelsShown = true;
        DecodeDdr3Byte(image, view, context, index);
    } else {
        view.ddr3PanelsShown = false;
        DecodeSdrDdrDdr2Byte(image, view, context, index);
    }
}

void DecodeAll(const SpdImage& image, DecodedView& view, DecodeContext& context)
{
    for (int n = 0; n < kSpdSize; ++n)
        DecodeByte(image, view, context, n);
}

}  // namespace tessaro
