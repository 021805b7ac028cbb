#pragma once

#include <cstddef>
#include <string_view>

namespace tessaro {

// Length of the valid UTF-8 sequence that starts at s[i] (1 to 4), or 0 when
// none starts there (a stray continuation byte, an overlong form, a surrogate,
// a code point above U+10FFFF, a sequence cut short).
[[nodiscard]] std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

// True when every byte of text is ASCII or part of a valid sequence.
[[nodiscard]] bool IsUtf8(std::string_view text);

}  // namespace tessaro
