// Text SPD reader: never crashes; what it accepts writes back and reads again
// to the same image, and that rewrite is the canonical 816-byte layout.
#include "files/spdformat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const ParsedImage first = ParseSpdText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first.ok())
        return 0;
    const std::string written = SpdTextBytes(first.image);
    const ParsedImage second = ParseSpdText(written);
    if (!second.ok() || second.image != first.image || written.size() != 816 || SpdTextBytes(second.image) != written)
        std::abort();
    return 0;
}
