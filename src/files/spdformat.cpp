#include "files/spdformat.h"

#include "core/hex.h"
#include "files/imageformat.h"

#include <algorithm>

namespace tessaro {

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

namespace {

// The first 256 bytes of what the reader of every size read.
ParsedImage FirstPage(const ImageRead& read)
{
    ParsedImage result;
    result.error = read.error;
    if (read.ok())
        std::copy_n(read.image.bytes.begin(), kSpdSize, result.image.begin());
    return result;
}

}  // namespace

ParsedImage ParseSpdText(std::string_view data)
{
    return FirstPage(ParseImageText(data, ImageSizeRule::First256));
}

ParsedImage ParseSpdBinary(std::string_view data)
{
    return FirstPage(ParseImageBinary(data, ImageSizeRule::First256));
}

ParsedImage ParseSpd(std::string_view data, SpdFormat format)
{
    return format == SpdFormat::Text ? ParseSpdText(data) : ParseSpdBinary(data);
}

std::string SpdTextBytes(const SpdImage& image)
{
    return ImageTextBytes(image);
}

std::string SpdBinaryBytes(const SpdImage& image)
{
    return ImageBinaryBytes(image);
}

}  // namespace tessaro
