// Readers of images of every size: never crash; what the text reader accepts
// writes back and reads again to the same image in the writer's own layout,
// and the same holds for the binary reader; "auto" reads anything.
#include "files/imageformat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    (void)ParseImage(input, InputFormat::Auto);

    const ImageRead text = ParseImageText(input);
    if (text.ok()) {
        const std::string written = ImageTextBytes(text.image.bytes);
        const ImageRead again = ParseImageText(written);
        if (!again.ok() || again.image.bytes != text.image.bytes || again.image.size != text.image.size ||
            ImageTextBytes(again.image.bytes) != written)
            std::abort();
    }
    const ImageRead binary = ParseImageBinary(input);
    if (binary.ok()) {
        const ImageRead again = ParseImageBinary(ImageBinaryBytes(binary.image.bytes));
        if (!again.ok() || again.image.bytes != binary.image.bytes || again.image.size != binary.image.size)
            std::abort();
    }
    return 0;
}
