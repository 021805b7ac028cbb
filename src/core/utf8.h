#pragma once

#include <cstddef>
#include <string_view>

namespace tessaro {

// Length of the well-formed UTF-8 sequence of two to four bytes at s[i] (no
// overlong form, surrogate or code point above 10FFFFh), or 0.
[[nodiscard]] std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

// True when every byte of text is ASCII or part of such a sequence.
[[nodiscard]] bool IsUtf8(std::string_view text);

}  // namespace tessaro
