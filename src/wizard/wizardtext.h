#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// How the wizard's two texts become SPD bytes. Texts are UTF-8; lengths count
// characters, not bytes.

// The characters of a UTF-8 text; a malformed sequence counts as one U+FFFD.
[[nodiscard]] std::u32string Utf8Characters(std::string_view text);

// UTF-8 of the characters.
[[nodiscard]] std::string Utf8Text(const std::u32string& characters);

// The byte that stands for a character in the single-byte code page in which
// the part number is shown (Windows-1252). A character the code page lacks
// becomes "?" (3Fh), as Windows writes it.
[[nodiscard]] std::uint8_t AnsiByte(char32_t character);

// Part-number bytes: one per character, at most `limit` characters.
[[nodiscard]] std::vector<std::uint8_t> PartNumberBytes(std::string_view text, std::size_t limit);

// Manufacturer-ID bytes of an SDR/DDR/DDR2 image: the text in pairs of
// hexadecimal digits. An empty text counts as two blanks; a character that is
// not a hex digit, and the missing last digit of an odd-length text, count as 0.
[[nodiscard]] std::vector<std::uint8_t> ManufacturerIdBytes(const std::u32string& text);

// The DDR3 manufacturer ID: the number of continuation codes ("7F" pairs, of
// either case, in front of the last pair) with odd parity in bit 7, and the
// code byte from the last pair of digits.
struct Ddr3ManufacturerId {
    std::uint8_t bank = 0x80;
    std::uint8_t code = 0;
};
[[nodiscard]] Ddr3ManufacturerId Ddr3ManufacturerIdOf(const std::u32string& text);

// A count of continuation codes (0-127) with bit 7 set when needed for an odd
// number of one bits.
[[nodiscard]] std::uint8_t WithOddParity(int continuations);

}  // namespace tessaro
