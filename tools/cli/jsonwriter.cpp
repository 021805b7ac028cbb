#include "jsonwriter.h"

namespace tessaro::cli {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (c & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return n;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0x0F];
                } else {
                    out += static_cast<char>(c);
                }
            }
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(text, i);
        const auto next = n > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else if (n == 2 && c == 0xC2 && next < 0xA0) {
            // C1 controls U+0080-U+009F (NEL among them) break lines for some readers.
            out += "\\u00";
            out += kHex[next >> 4];
            out += kHex[next & 0x0F];
            i += n;
        } else if (n == 3 && c == 0xE2 && next == 0x80 && (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            // U+2028 and U+2029, the line and paragraph separators.
            out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += n;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    out += '"';
}

}  // namespace tessaro::cli
