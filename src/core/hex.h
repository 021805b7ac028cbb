#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaro {

// The two upper-case hexadecimal digits of a byte ("00", "0F", "A5").
[[nodiscard]] std::string ByteToHex(std::uint8_t value);

// Four digits, high byte first ("A53C").
[[nodiscard]] std::string WordToHex(std::uint16_t value);

// Appends the two digits of value to out.
void AppendHex(std::string& out, std::uint8_t value);

// Bytes written as digit pairs without separators ("7F7F0B").
[[nodiscard]] std::string HexString(std::span<const std::uint8_t> bytes);

// Replaces the contents of out with the digit pairs of bytes, reusing its storage.
void AssignHexString(std::string& out, std::span<const std::uint8_t> bytes);

// Hexadecimal text to byte. Only the first and the last character count:
// the first is the high digit when the text has two or more characters and it
// is a hex digit; the last is the low digit when it is a hex digit, otherwise
// the high digit alone is the result. "ABC" gives ACh, "G5" gives 5, "5G" gives 5.
// The empty text gives 0.
[[nodiscard]] std::uint8_t HexPairToByte(std::string_view text);

// Value 0-15 of a hex digit of either case, or -1.
[[nodiscard]] int HexDigitValue(char c);

// Sum of bytes[0..last] modulo 256 (last is at most 255).
[[nodiscard]] std::int16_t SumMod256(std::span<const std::uint8_t> bytes, int last);

}  // namespace tessaro
