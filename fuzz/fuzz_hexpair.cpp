// HexPairToByte against its definition: first character is the high digit of
// a text of two or more characters, the last the low digit when it is one.
#include "core/hex.h"

#include <cstdlib>

namespace {
int Digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int got = tessaro::HexPairToByte(text);
    if (text.empty())
        return got == 0 ? 0 : (std::abort(), 0);
    const int high = (text.size() >= 2 && Digit(text.front()) >= 0) ? Digit(text.front()) : 0;
    const int low = Digit(text.back());
    const int expected = low >= 0 ? high * 16 + low : high;
    if (got != expected)
        std::abort();
    return 0;
}
