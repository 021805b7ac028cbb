#pragma once

#include "files/hexdump.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaro {

// Bytes as copied to the clipboard: two upper-case hex digits each, separated
// by spaces, 16 to a line ("80 08 08 0E"), lines joined by LF, no final LF.
[[nodiscard]] std::string BytesToText(std::span<const std::uint8_t> bytes);

// Clipboard text read back into bytes: the form above and every hex dump
// ReadHexDumpBytes reads (offsets, hexdump -C, xxd, i2cdump, the .spd text).
// At most `keep` bytes are stored, count tells how many the text held; text
// without a single byte is an error.
[[nodiscard]] DumpBytes BytesFromText(std::string_view text, std::size_t keep = kMaxImageSize);

}  // namespace tessaro
