#include "files/spdformat.h"

#include "core/hex.h"

namespace tessaro {

namespace {

constexpr int kLines = 16;
constexpr int kFieldsPerLine = 16;
constexpr std::size_t kFieldWidth = 3;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::string PrintableField(std::string_view field, std::size_t longest)
{
    std::string out;
    for (char c : field.substr(0, longest)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            AppendHex(out, u);
        }
    }
    if (field.size() > longest)
        out += "...";
    return out;
}

SpdFormat FormatForName(std::string_view fileName)
{
    if (fileName.size() < 3)
        return SpdFormat::Binary;
    const std::string_view tail = fileName.substr(fileName.size() - 3);
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return (upper(tail[0]) == 'S' && upper(tail[1]) == 'P' && upper(tail[2]) == 'D') ? SpdFormat::Text
                                                                                     : SpdFormat::Binary;
}

ParsedImage ParseSpdText(std::string_view data)
{
    ParsedImage result;
    if (data.empty()) {
        result.error = "the file is empty";
        return result;
    }
    if (data.substr(0, 3) == "\xEF\xBB\xBF")  // a UTF-8 byte-order mark
        data.remove_prefix(3);

    int line = 0;
    while (line < kLines) {
        if (data.empty()) {
            result.error = "text SPD file has " + std::to_string(line) + " line" + (line == 1 ? "" : "s") +
                           "; an image needs 16 lines of 16 hex bytes";
            return result;
        }
        const std::size_t eol = data.find('\n');
        std::string_view text = data.substr(0, eol);
        data = eol == std::string_view::npos ? std::string_view{} : data.substr(eol + 1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);

        for (int k = 0; k < kFieldsPerLine; ++k) {
            const std::size_t start = static_cast<std::size_t>(k) * kFieldWidth;
            const std::string_view field = start < text.size() ? Trim(text.substr(start, kFieldWidth)) : "";
            if (field.empty()) {
                result.error = "line " + std::to_string(line + 1) + " is short: it has " + std::to_string(k) +
                               " of its 16 hex bytes";
                return result;
            }
            if (field.size() != 2 || HexDigitValue(field[0]) < 0 || HexDigitValue(field[1]) < 0) {
                result.error = "line " + std::to_string(line + 1) + ", byte " + std::to_string(k + 1) + ": \"" +
                               PrintableField(field) + "\" is not a two-digit hex byte";
                return result;
            }
            result.image[static_cast<std::size_t>(line * kFieldsPerLine + k)] = HexPairToByte(field);
        }
        ++line;
    }
    return result;
}

ParsedImage ParseSpdBinary(std::string_view data)
{
    ParsedImage result;
    if (data.empty()) {
        result.error = "the file is empty";
    } else if (data.size() < static_cast<std::size_t>(kSpdSize)) {
        result.error = "binary SPD file has " + std::to_string(data.size()) + " byte" +
                       (data.size() == 1 ? "" : "s") + "; an image needs 256";
    } else {
        for (std::size_t n = 0; n < static_cast<std::size_t>(kSpdSize); ++n)
            result.image[n] = static_cast<std::uint8_t>(data[n]);
    }
    return result;
}

ParsedImage ParseSpd(std::string_view data, SpdFormat format)
{
    return format == SpdFormat::Text ? ParseSpdText(data) : ParseSpdBinary(data);
}

std::string SpdTextBytes(const SpdImage& image)
{
    std::string out;
    out.reserve(816);
    for (int r = 0; r < kLines; ++r) {
        out += ' ';
        for (int k = 0; k < kFieldsPerLine; ++k) {
            AppendHex(out, image[static_cast<std::size_t>(r * kFieldsPerLine + k)]);
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

std::string SpdBinaryBytes(const SpdImage& image)
{
    return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

std::string SpdFileBytes(const SpdImage& image, SpdFormat format)
{
    return format == SpdFormat::Text ? SpdTextBytes(image) : SpdBinaryBytes(image);
}

}  // namespace tessaro
