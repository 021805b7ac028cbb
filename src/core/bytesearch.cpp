#include "core/bytesearch.h"

#include "core/hex.h"

#include <algorithm>

namespace tessaro {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool MatchesAt(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> pattern, int offset)
{
    return std::equal(pattern.begin(), pattern.end(), bytes.begin() + offset);
}

}  // namespace

FindPattern ParseFindPattern(std::string_view text, FindKind kind)
{
    FindPattern pattern;
    if (kind == FindKind::Text) {
        pattern.bytes.assign(text.begin(), text.end());
        if (pattern.bytes.empty())
            pattern.error = "nothing to find";
        return pattern;
    }
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0) {
                pattern.error = "hex bytes are pairs of digits";
                break;
            }
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            pattern.error = "only hex digits and spaces";
            break;
        }
        if (high < 0) {
            high = digit;
        } else {
            pattern.bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (pattern.error.empty() && high >= 0)
        pattern.error = "hex bytes are pairs of digits";
    else if (pattern.error.empty() && pattern.bytes.empty())
        pattern.error = "nothing to find";
    if (!pattern.error.empty())
        pattern.bytes.clear();
    return pattern;
}

FindMatch FindBytes(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> pattern, int from, bool backward)
{
    const int size = static_cast<int>(bytes.size());
    const int length = static_cast<int>(pattern.size());
    if (length == 0 || length > size)
        return {};
    const int last = size - length;  // the last offset a match can start at
    const int start = std::clamp(from, 0, size - 1);
    // The offsets in search order: from the start to the end, then round.
    for (int step = 0; step < size; ++step) {
        const int offset = backward ? (start - step + size) % size : (start + step) % size;
        if (offset <= last && MatchesAt(bytes, pattern, offset))
            return {offset, backward ? offset > start : offset < start};
    }
    return {};
}

std::optional<int> ParseOffset(std::string_view text, int size)
{
    text = Trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    if (value >= size)
        return std::nullopt;
    return value;
}

}  // namespace tessaro
