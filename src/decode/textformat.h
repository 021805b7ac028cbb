#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaro {

// Bytes taken as characters of the single-byte Windows code page 1252 ("ANSI"),
// written as UTF-8 into out (one character per byte, NUL included).
void AssignAnsiText(std::string& out, std::span<const std::uint8_t> bytes);

// Text for a terminal, from bytes an image or a log may hold: the controls a
// terminal would obey (C0 such as ESC, DEL, the C1 controls U+0080-U+009F) are
// shown as '.', every byte that is not valid UTF-8 as U+FFFD. Line breaks and
// tabs are controls too: the text stays on its line.
[[nodiscard]] std::string TerminalText(std::string_view text);

// A number of thousandths (or hundredths, with scale 100) written as a decimal
// number without trailing zeros: 13125/1000 gives "13.125", 4500/100 gives "45".
void AppendDecimal(std::string& out, long long value, int scale);

void AppendInt(std::string& out, long long value);

// Name of the memory type of byte 2 ("DDR2 SDRAM"), "-" above 11.
[[nodiscard]] const char* SpdMemoryTypeName(std::uint8_t byte2);

}  // namespace tessaro
