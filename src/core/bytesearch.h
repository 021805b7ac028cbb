#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// What is looked for: bytes written as hexadecimal digit pairs, or text.
enum class FindKind { Hex, Text };

// The bytes of a find text. Hex: digit pairs of either case, spaces between
// them or none ("4D 54", "4d54"); text: its UTF-8 bytes, as typed. `error`
// says why there are none: "nothing to find", "only hex digits and spaces",
// "hex bytes are pairs of digits".
struct FindPattern {
    std::vector<std::uint8_t> bytes;
    std::string error;
};
[[nodiscard]] FindPattern ParseFindPattern(std::string_view text, FindKind kind);

// Where a search found the pattern: its first byte, or -1; `wrapped` when the
// search went round the end (or, backward, the start) to find it.
struct FindMatch {
    int offset = -1;
    bool wrapped = false;
};

// The first occurrence of `pattern` in `bytes` starting at `from` or after it
// (backward: at `from` or before it), going round the end to the rest.
[[nodiscard]] FindMatch FindBytes(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> pattern,
                                  int from, bool backward);

// An offset typed as the grid shows it: hexadecimal digits, optionally "0x"
// before them or "h" after them ("1A2", "1a2h", "0x1A2"); empty when the text
// is no such number or the offset is not below `size`.
[[nodiscard]] std::optional<int> ParseOffset(std::string_view text, int size);

}  // namespace tessaro
