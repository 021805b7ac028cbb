#include "wizard/wizardtext.h"

#include "core/hex.h"
#include "decode/textformat.h"

#include <algorithm>
#include <array>
#include <bit>

namespace tessaro {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::uint8_t kUnmappable = '?';

int DigitValue(char32_t c)
{
    return c < 0x80 ? std::max(HexDigitValue(static_cast<char>(c)), 0) : 0;
}

// Code points of bytes 80h-9Fh as the part-number display decodes them.
const std::array<char32_t, 32>& AnsiHighCharacters()
{
    static const std::array<char32_t, 32> table = [] {
        std::array<char32_t, 32> t{};
        std::string text;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const std::uint8_t byte = static_cast<std::uint8_t>(0x80 + i);
            AssignAnsiText(text, std::span<const std::uint8_t>(&byte, 1));
            const std::u32string chars = Utf8Characters(text);
            t[i] = chars.size() == 1 ? chars[0] : kReplacement;
        }
        return t;
    }();
    return table;
}

std::u32string OrTwoBlanks(const std::u32string& text)
{
    return text.empty() ? std::u32string(U"  ") : text;
}

}  // namespace

std::u32string Utf8Characters(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, least = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
        }
        if (!ok || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(kReplacement);
            i = ok ? j : std::max(j, i + 1);
            continue;
        }
        out.push_back(c);
        i = j;
    }
    return out;
}

std::string Utf8Text(const std::u32string& characters)
{
    std::string out;
    for (const char32_t c : characters) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::uint8_t AnsiByte(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<std::uint8_t>(character);
    const auto& high = AnsiHighCharacters();
    for (std::size_t i = 0; i < high.size(); ++i)
        if (high[i] == character)
            return static_cast<std::uint8_t>(0x80 + i);
    return kUnmappable;
}

std::vector<std::uint8_t> PartNumberBytes(std::string_view text, std::size_t limit)
{
    const std::u32string chars = Utf8Characters(text);
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k < chars.size() && k < limit; ++k)
        bytes.push_back(AnsiByte(chars[k]));
    return bytes;
}

std::vector<std::uint8_t> ManufacturerIdBytes(const std::u32string& text)
{
    const std::u32string id = OrTwoBlanks(text);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < id.size(); i += 2) {
        const int high = DigitValue(id[i]);
        const int low = i + 1 < id.size() ? DigitValue(id[i + 1]) : 0;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::uint8_t WithOddParity(int continuations)
{
    const auto count = static_cast<unsigned>(std::clamp(continuations, 0, 0x7F));
    return static_cast<std::uint8_t>(std::popcount(count) % 2 == 0 ? count | 0x80 : count);
}

Ddr3ManufacturerId Ddr3ManufacturerIdOf(const std::u32string& text)
{
    const std::vector<std::uint8_t> pairs = ManufacturerIdBytes(text);
    // Continuation codes stand in front of the last pair; counting stops at
    // the first pair that is not one.
    int continuations = 0;
    while (continuations + 1 < static_cast<int>(pairs.size()) && pairs[static_cast<std::size_t>(continuations)] == 0x7F)
        ++continuations;
    return {WithOddParity(continuations), pairs.back()};
}

}  // namespace tessaro
