#include "core/hex.h"

namespace tessaro {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

std::string ByteToHex(std::uint8_t value)
{
    return std::string{kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string WordToHex(std::uint16_t value)
{
    std::string out;
    AppendHex(out, static_cast<std::uint8_t>(value >> 8));
    AppendHex(out, static_cast<std::uint8_t>(value & 0xFF));
    return out;
}

void AppendHex(std::string& out, std::uint8_t value)
{
    out.push_back(kDigits[value >> 4]);
    out.push_back(kDigits[value & 0x0F]);
}

std::string HexString(std::span<const std::uint8_t> bytes)
{
    std::string out;
    AssignHexString(out, bytes);
    return out;
}

void AssignHexString(std::string& out, std::span<const std::uint8_t> bytes)
{
    out.resize(bytes.size() * 2);
    char* p = out.data();
    for (std::uint8_t b : bytes) {
        *p++ = kDigits[b >> 4];
        *p++ = kDigits[b & 0x0F];
    }
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint8_t HexPairToByte(std::string_view text)
{
    if (text.empty())
        return 0;
    int high = 0;
    if (text.size() >= 2) {
        const int first = HexDigitValue(text.front());
        if (first >= 0)
            high = first;
    }
    const int low = HexDigitValue(text.back());
    if (low >= 0)
        return static_cast<std::uint8_t>(high * 16 + low);
    return static_cast<std::uint8_t>(high);
}

std::int16_t SumMod256(std::span<const std::uint8_t> bytes, int last)
{
    unsigned sum = 0;
    for (int i = 0; i <= last && i < static_cast<int>(bytes.size()); ++i)
        sum += bytes[static_cast<std::size_t>(i)];
    return static_cast<std::int16_t>(sum & 0xFF);
}

}  // namespace tessaro
