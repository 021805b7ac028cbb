#include "files/bytecompare.h"

#include "core/hex.h"

#include <algorithm>

namespace tessaro {

ByteComparison CompareBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    ByteComparison result;
    result.sizeA = a.size();
    result.sizeB = b.size();
    const std::size_t longer = std::max(a.size(), b.size());
    for (std::size_t n = 0; n < longer; ++n) {
        ByteDifference difference{n, std::nullopt, std::nullopt};
        if (n < a.size())
            difference.a = a[n];
        if (n < b.size())
            difference.b = b[n];
        if (difference.a != difference.b)
            result.differences.push_back(difference);
    }
    result.same = result.differences.empty();
    return result;
}

ByteComparison CompareImages(const ImageData& a, const ImageData& b)
{
    return CompareBytes(a.bytes, b.bytes);
}

std::string ByteDifferenceText(const ByteDifference& difference)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t rest = difference.offset; rest != 0 || text.size() < 3; rest >>= 4)
        text.insert(text.begin(), digits[rest & 15]);
    text += ':';
    for (const std::optional<std::uint8_t>& value : {difference.a, difference.b}) {
        text += ' ';
        text += value ? ByteToHex(*value) : std::string("--");
    }
    return text;
}

}  // namespace tessaro
