#include "files/imageformat.h"

#include "core/hex.h"
#include "core/memorytype.h"
#include "core/utf8.h"
#include "files/hexdump.h"
#include "files/spdformat.h"

#include <algorithm>

namespace tessaro {

namespace {

constexpr int kBaseSize = 256;
constexpr int kBytesPerLine = 16;
constexpr std::size_t kFieldWidth = 3;
// Of a 512- or 1024-byte type at least half must be there (the first 256
// bytes of a DDR4 image, the first 512 of a DDR5 one); less is no image.
int ShortestTruncated(int size)
{
    return size > kBaseSize ? size / 2 : size;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool IsBlank(std::string_view s)
{
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}


std::string Plural(std::size_t n, const char* noun)
{
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// "an image needs 256" / "an image whose byte 2 is 0Ch needs 512".
std::string Needs(std::uint8_t byte2, int size, int unit, const char* unitName)
{
    if (size == kBaseSize)
        return "an image needs " + std::to_string(kBaseSize / unit) + unitName;
    std::string text = "an image whose byte 2 is " + ByteToHex(byte2) + "h needs " + std::to_string(size / unit) +
                       unitName;
    text += " (at least " + std::to_string(ShortestTruncated(size) / unit) + " when truncated)";
    return text;
}

// The next line of data (up to LF, a CR before it dropped); data moves past it.
std::string_view NextLine(std::string_view& data)
{
    const std::size_t eol = data.find('\n');
    std::string_view text = data.substr(0, eol);
    data = eol == std::string_view::npos ? std::string_view{} : data.substr(eol + 1);
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return text;
}

bool IsHexPair(std::string_view field)
{
    return field.size() == 2 && HexDigitValue(field[0]) >= 0 && HexDigitValue(field[1]) >= 0;
}

std::string_view Field(std::string_view line, int k)
{
    const std::size_t start = static_cast<std::size_t>(k) * kFieldWidth;
    return start < line.size() ? Trim(line.substr(start, kFieldWidth)) : std::string_view{};
}

// True when the line holds 16 text-form fields and nothing else but blanks.
bool IsTextFormLine(std::string_view line)
{
    for (int k = 0; k < kBytesPerLine; ++k)
        if (!IsHexPair(Field(line, k)))
            return false;
    const std::size_t rest = kBytesPerLine * kFieldWidth;
    return line.size() <= rest || IsBlank(line.substr(rest));
}

}  // namespace

std::string ImageData::truncationWarning() const
{
    if (!truncated())
        return {};
    return "truncated: " + std::to_string(bytes.size()) + " of " + std::to_string(size) + " bytes";
}

ImageRead ImageFromBytes(std::span<const std::uint8_t> data, std::string_view holder, ImageSizeRule rule)
{
    ImageRead result;
    if (data.size() < static_cast<std::size_t>(kBaseSize)) {
        result.error = std::string(holder) + " " + Plural(data.size(), "byte") + "; an image needs 256";
        return result;
    }
    const int size = rule == ImageSizeRule::ByType ? ImageSizeOf(data[0], data[2]) : kBaseSize;
    const auto wanted = static_cast<std::size_t>(size);
    if (data.size() < static_cast<std::size_t>(ShortestTruncated(size))) {
        result.error = std::string(holder) + " " + Plural(data.size(), "byte") + "; " + Needs(data[2], size, 1, "");
        return result;
    }
    result.image.size = size;
    result.image.bytes.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(std::min(wanted, data.size())));
    return result;
}

ImageRead ParseImageBinary(std::string_view data, ImageSizeRule rule)
{
    if (data.empty())
        return {{}, "the file is empty"};
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    ImageRead result = ImageFromBytes(bytes.first(std::min<std::size_t>(bytes.size(), kMaxImageSize)), "binary SPD file has", rule);
    if (result.ok())
        result.bytesAfterImage = bytes.size() - result.image.bytes.size();
    return result;
}

ImageRead ParseImageText(std::string_view data, ImageSizeRule rule)
{
    ImageRead result;
    if (data.empty()) {
        result.error = "the file is empty";
        return result;
    }
    data = TextContent(data);

    std::vector<std::uint8_t>& bytes = result.image.bytes;
    bytes.reserve(kMaxImageSize);
    int size = kBaseSize;
    std::uint8_t byte2 = 0;
    // A 512- or 1024-byte image may end early once half of it is there.
    auto mayEndHere = [&] {
        return size > kBaseSize && bytes.size() >= static_cast<std::size_t>(ShortestTruncated(size));
    };

    for (int line = 0; line < size / kBytesPerLine; ++line) {
        if (data.empty() || (mayEndHere() && IsBlank(data))) {
            if (mayEndHere())
                break;
            result.error = "text SPD file has " + Plural(static_cast<std::size_t>(line), "line") + "; " +
                           Needs(byte2, size, kBytesPerLine, " lines of 16 hex bytes");
            result.image = {};
            return result;
        }
        const std::string_view text = NextLine(data);
        for (int k = 0; k < kBytesPerLine; ++k) {
            const std::string_view field = Field(text, k);
            if (field.empty()) {
                // The last line of a truncated image holds what is left of it.
                bool restEmpty = k > 0;
                for (int j = k + 1; j < kBytesPerLine && restEmpty; ++j)
                    restEmpty = Field(text, j).empty();
                if (restEmpty && mayEndHere() && IsBlank(data)) {
                    result.bytesAfterImage = data.size();
                    return result;
                }
                result.error = "line " + std::to_string(line + 1) + " is short: it has " + std::to_string(k) +
                               " of its 16 hex bytes";
                result.image = {};
                return result;
            }
            if (!IsHexPair(field)) {
                result.error = "line " + std::to_string(line + 1) + ", byte " + std::to_string(k + 1) + ": \"" +
                               PrintableField(field) + "\" is not a two-digit hex byte";
                result.image = {};
                return result;
            }
            bytes.push_back(HexPairToByte(field));
        }
        if (line == 0) {
            byte2 = bytes[2];
            size = rule == ImageSizeRule::ByType ? ImageSizeOf(bytes[0], byte2) : kBaseSize;
            result.image.size = size;
        }
    }
    result.bytesAfterImage = data.size();
    return result;
}

std::string ImageTextBytes(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + kBytesPerLine - 1) / kBytesPerLine * 51);
    for (std::size_t n = 0; n < bytes.size(); n += kBytesPerLine) {
        out += ' ';
        for (std::size_t k = n; k < bytes.size() && k < n + kBytesPerLine; ++k) {
            AppendHex(out, bytes[k]);
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

std::string ImageBinaryBytes(std::span<const std::uint8_t> bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::optional<InputFormat> InputFormatFromName(std::string_view name)
{
    if (name == "binary")
        return InputFormat::Binary;
    if (name == "text")
        return InputFormat::Text;
    if (name == "dump")
        return InputFormat::Dump;
    if (name == "auto")
        return InputFormat::Auto;
    return std::nullopt;
}

InputFormat InputFormatForFileName(std::string_view fileName)
{
    return FormatForName(fileName) == SpdFormat::Text ? InputFormat::Text : InputFormat::Binary;
}

namespace {

ImageRead ParseKnownFormat(std::string_view data, InputFormat format, ImageSizeRule rule)
{
    switch (format) {
    case InputFormat::Text:
        return ParseImageText(data, rule);
    case InputFormat::Dump:
        return ParseHexDump(data, rule);
    case InputFormat::Binary:
    case InputFormat::Auto:
        break;
    }
    return ParseImageBinary(data, rule);
}

}  // namespace

std::string_view TextContent(std::string_view data)
{
    if (data.substr(0, 3) == "\xEF\xBB\xBF")  // a UTF-8 byte-order mark
        data.remove_prefix(3);
    while (!data.empty() && data.back() == kEndOfFileMark)
        data.remove_suffix(1);
    return data;
}

FormatGuess GuessInputFormat(std::string_view data)
{
    const std::string_view text = TextContent(data);
    const std::size_t skipped = text.empty() ? 0 : static_cast<std::size_t>(text.data() - data.data());
    std::size_t printable = 0;
    std::size_t high = 0;
    std::optional<std::size_t> control;  // offset of the first control character
    for (std::size_t n = 0; n < text.size(); ++n) {
        const auto u = static_cast<unsigned char>(text[n]);
        if (u == '\t' || u == '\n' || u == '\r' || (u >= 0x20 && u <= 0x7E))
            ++printable;
        else if (u >= 0x80)
            ++high;
        else if (!control)
            control = n;
    }
    FormatGuess guess;
    // Text: no control character, and either UTF-8 or at most a quarter of
    // bytes above 7Fh (a comment in another 8-bit code).
    if (!control && (high == 0 || high * 4 <= text.size() || IsUtf8(text))) {
        guess.format = InputFormat::Dump;
        // Trailing blank lines do not count.
        std::string_view rest = text;
        while (!rest.empty() && IsBlank(rest.substr(rest.size() - 1)))
            rest.remove_suffix(1);
        int lines = 0;
        while (!rest.empty()) {
            if (!IsTextFormLine(NextLine(rest)) || ++lines > kMaxImageSize / kBytesPerLine)
                return guess;
        }
        if (lines == 16 || lines == 32 || lines == 64)
            guess.format = InputFormat::Text;
        return guess;
    }
    // Mostly text, yet with a control character: a text file with a stray
    // byte, or a binary image that looks like text. Neither is guessed.
    if (printable * 4 >= text.size() * 3) {
        guess.format = InputFormat::Auto;
        const std::size_t at = skipped + *control;
        guess.doubt = "cannot tell whether this is text or a binary image: it is mostly text, but byte " +
                      std::to_string(at) + " is " + ByteToHex(static_cast<std::uint8_t>(data[at])) +
                      "h; give --input-format dump, text or binary";
        return guess;
    }
    guess.format = InputFormat::Binary;
    return guess;
}

InputFormat DetectInputFormat(std::string_view data)
{
    return GuessInputFormat(data).format;
}

ImageRead ParseImage(std::string_view data, InputFormat format, ImageSizeRule rule)
{
    if (format != InputFormat::Auto)
        return ParseKnownFormat(data, format, rule);
    const FormatGuess guess = GuessInputFormat(data);
    if (guess.format == InputFormat::Auto)
        return {{}, guess.doubt};
    ImageRead read = ParseKnownFormat(data, guess.format, rule);
    if (!read.ok() && guess.format == InputFormat::Dump)
        read.error += " (read as a hex dump, for the file is text; give --input-format text or binary to read it "
                      "otherwise)";
    return read;
}

}  // namespace tessaro
