#include "files/bytetext.h"

#include "core/hex.h"

namespace tessaro {

namespace {
constexpr std::size_t kBytesPerLine = 16;
}  // namespace

std::string BytesToText(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += i % kBytesPerLine == 0 ? '\n' : ' ';
        text += ByteToHex(bytes[i]);
    }
    return text;
}

DumpBytes BytesFromText(std::string_view text, std::size_t keep)
{
    // Clipboard text is whole: its last line is complete without a line end
    // (the file reader takes a short last line without one for a cut-off file).
    // Text without a byte is an error there too.
    if (!text.empty() && text.back() != '\n' && text.back() != '\r')
        return ReadHexDumpBytes(std::string(text) + '\n', keep);
    return ReadHexDumpBytes(text, keep);
}

}  // namespace tessaro
