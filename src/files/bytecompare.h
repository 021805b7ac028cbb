#pragma once

#include "files/imageformat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

// One offset where two images differ; a value is absent where that image has
// no byte (it is shorter).
struct ByteDifference {
    std::size_t offset = 0;
    std::optional<std::uint8_t> a;
    std::optional<std::uint8_t> b;
};

// Exit codes of a comparison, as cmp and diff give them.
inline constexpr int kCompareSameExit = 0;
inline constexpr int kCompareDifferentExit = 1;
inline constexpr int kCompareTroubleExit = 2;  // bad usage, or a file that could not be read

struct ByteComparison {
    bool same = true;        // byte-identical: the same bytes and as many of them
    std::size_t sizeA = 0;   // bytes present in each image
    std::size_t sizeB = 0;
    std::vector<ByteDifference> differences;  // ascending offsets

    [[nodiscard]] int exitCode() const { return same ? kCompareSameExit : kCompareDifferentExit; }
};

// Byte-by-byte comparison of two images of any sizes.
[[nodiscard]] ByteComparison CompareBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
[[nodiscard]] ByteComparison CompareImages(const ImageData& a, const ImageData& b);

// "07E: 00 FF": the offset as three hex digits, then each value, "--" where absent.
[[nodiscard]] std::string ByteDifferenceText(const ByteDifference& difference);

}  // namespace tessaro
