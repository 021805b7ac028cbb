#pragma once

#include "core/spdimage.h"

#include <string>
#include <string_view>

namespace tessaro {

enum class SpdFormat { Text, Binary };

// Reading rule: text when the last three characters of the name, upper-cased,
// are "SPD"; binary for everything else.
[[nodiscard]] SpdFormat FormatForName(std::string_view fileName);

// Outcome of parsing file contents; error is empty on success.
struct ParsedImage {
    SpdImage image{};
    std::string error;
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Text format: 16 lines, byte 16r+k in characters 3k+1..3k+3 of line r, blanks
// trimmed, two hex digits of either case. Lines may lack the leading space and
// may end in CR LF or LF; characters after the 48th and lines after the 16th
// are ignored. Fewer lines, missing fields and fields that are not two hex
// digits are errors, and nothing is returned.
[[nodiscard]] ParsedImage ParseSpdText(std::string_view data);

// Binary format: bytes 0-255 at offsets 0-255; what follows is ignored.
// A shorter file is an error.
[[nodiscard]] ParsedImage ParseSpdBinary(std::string_view data);

[[nodiscard]] ParsedImage ParseSpd(std::string_view data, SpdFormat format);

// The writer's exact layout: per line a space, then "HH " for each of its 16
// bytes, then CR LF; 816 bytes in all.
[[nodiscard]] std::string SpdTextBytes(const SpdImage& image);
[[nodiscard]] std::string SpdBinaryBytes(const SpdImage& image);
[[nodiscard]] std::string SpdFileBytes(const SpdImage& image, SpdFormat format);

// A field for an error message: printable ASCII as it stands, anything else
// as \xHH; a field longer than `longest` characters is cut and ends in "...".
[[nodiscard]] std::string PrintableField(std::string_view field, std::size_t longest = std::string_view::npos);

}  // namespace tessaro
