// A full decode of arbitrary bytes: the settle of a new window, then edits of
// single bytes decoded one by one, as an operator's typing would.
#include "document/settle.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    SpdImage image{};
    for (std::size_t i = 0; i < size && i < image.size(); ++i)
        image[i] = data[i];
    DecodeContext context;
    SpdDocument document(context);
    OpenAndSettle(document, image);
    if (document.image() != image)
        std::abort();
    // Bytes after the first 256 are (index, value) edits.
    for (std::size_t i = 256; i + 1 < size; i += 2) {
        document.setByte(data[i], data[i + 1]);
        document.decodeByte(data[i]);
    }
    const DecodedView& view = document.view();
    if (view.legacy.size() != kLegacyFieldCount || view.ioPanelTitle.empty())
        std::abort();
    return 0;
}
