#include "decode/textformat.h"

#include "core/utf8.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace tessaro {

namespace {

// Code points of bytes 80h-9Fh in code page 1252; the five unassigned bytes
// map to the C1 control of the same number, as Windows itself does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

void AssignAnsiText(std::string& out, std::span<const std::uint8_t> bytes)
{
    // Plain ASCII, as part numbers nearly always are, is the same text in UTF-8.
    if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; })) {
        out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return;
    }
    out.clear();
    for (std::uint8_t b : bytes) {
        if (b >= 0x80 && b < 0xA0)
            AppendUtf8(out, kCp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
}

std::string TerminalText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (n == 0) {
            shown += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const bool control = (n == 1 && (c < 0x20 || c == 0x7F)) ||
                             (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0);
        if (control)
            shown += '.';
        else
            shown.append(text.substr(i, n));
        i += n;
    }
    return shown;
}

void AppendInt(std::string& out, long long value)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

void AppendDecimal(std::string& out, long long value, int scale)
{
    if (value < 0) {
        out.push_back('-');
        value = -value;
    }
    AppendInt(out, value / scale);
    long long frac = value % scale;
    if (frac == 0)
        return;
    int digits = 0;
    for (int s = scale; s > 1; s /= 10)
        ++digits;
    char buf[8];
    for (int i = digits - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + frac % 10);
        frac /= 10;
    }
    while (digits > 0 && buf[digits - 1] == '0')
        --digits;
    out.push_back('.');
    out.append(buf, static_cast<std::size_t>(digits));
}

const char* SpdMemoryTypeName(std::uint8_t byte2)
{
    static constexpr const char* kNames[] = {
        "Reserved", "FP RAM", "EDO", "Pipelined Nibble", "SDRAM", "ROM",
        "DDR SGRAM", "DDR SDRAM", "DDR2 SDRAM", "DDR2 FB-DIMM", "DDR2 FB-DIMM P", "DDR3 SDRAM",
    };
    return byte2 < std::size(kNames) ? kNames[byte2] : "-";
}

}  // namespace tessaro
