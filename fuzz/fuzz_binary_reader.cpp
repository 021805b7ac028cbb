// Binary SPD reader: never crashes; accepted input round-trips exactly.
#include "files/spdformat.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const ParsedImage first = ParseSpdBinary(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first.ok()) {
        if (size >= 256)
            std::abort();
        return 0;
    }
    const std::string written = SpdBinaryBytes(first.image);
    const ParsedImage second = ParseSpdBinary(written);
    if (!second.ok() || second.image != first.image || written.size() != 256 ||
        std::memcmp(written.data(), data, 256) != 0)
        std::abort();
    return 0;
}
