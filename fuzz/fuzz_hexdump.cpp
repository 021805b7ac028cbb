// Hex-dump reader: never crashes; a dump it accepts, written back as a binary
// file and read again, gives the same image.
#include "files/hexdump.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DumpBytes dump = ReadHexDumpBytes(text, 64);
    if (dump.ok() && (dump.count < dump.bytes.size() || dump.bytes.size() > 64))
        std::abort();
    const ImageRead first = ParseHexDump(text);
    if (!first.ok())
        return 0;
    const ImageRead second = ParseImageBinary(ImageBinaryBytes(first.image.bytes));
    if (!second.ok() || second.image.bytes != first.image.bytes || second.image.size != first.image.size)
        std::abort();
    return 0;
}
