#include "decode/spdrules.h"

#include "decode/jedec.h"

#include <cstdio>

namespace tessaro {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, int value)
{
    out += kHexDigits[(value >> 4) & 15];
    out += kHexDigits[value & 15];
}

bool IsBcd(int value)
{
    return (value >> 4) <= 9 && (value & 15) <= 9;
}

std::optional<JedecMaker> MakeMaker(int bank, int codeByte)
{
    const int code = codeByte & 0x7F;
    if (code == 0 || code == 0x7F)
        return std::nullopt;
    JedecMaker maker;
    maker.bank = bank;
    AppendHexByte(maker.code, code);
    if (bank <= 16) {
        // The table's key is 7Fh once per bank below, then the code byte with odd parity.
        int ones = 0;
        for (int bit = 0; bit < 7; ++bit)
            ones += (code >> bit) & 1;
        const int withParity = (ones % 2 == 0) ? (code | 0x80) : code;
        std::string key;
        for (int i = 1; i < bank; ++i)
            key += "7F";
        AppendHexByte(key, withParity);
        if (const char* name = ManufacturerName(key)) {
            std::string_view text = name;
            if (text.size() >= 2 && text.front() == '(' && text.back() == ')')
                text = text.substr(1, text.size() - 2);
            maker.name = std::string(text);
        }
    }
    return maker;
}

}  // namespace

SpdLayout LayoutOf(std::span<const std::uint8_t> data)
{
    const SpdBytes bytes(data);
    SpdLayout layout;
    layout.typeCode = bytes.at(2);
    const int byte0 = bytes.at(0);
    switch (layout.typeCode) {
    case 0x04: layout.generation = SpdGeneration::Sdr; break;
    case 0x07: layout.generation = SpdGeneration::Ddr; break;
    case 0x08: layout.generation = SpdGeneration::Ddr2; break;
    case 0x0B: layout.generation = SpdGeneration::Ddr3; break;
    case 0x0C: layout = {SpdGeneration::Ddr4, 0x0C, 512}; break;
    case 0x0E: layout = {SpdGeneration::Ddr4E, 0x0E, 512}; break;
    case 0x10: layout = {SpdGeneration::Lpddr4, 0x10, 512}; break;
    case 0x11: layout = {SpdGeneration::Lpddr4X, 0x11, 512}; break;
    case 0x12: layout = {SpdGeneration::Ddr5, 0x12, 1024}; break;
    case 0x13:
    case 0x15: {
        const auto generation = layout.typeCode == 0x13 ? SpdGeneration::Lpddr5 : SpdGeneration::Lpddr5X;
        if (byte0 == 0x23)
            layout = {generation, layout.typeCode, 512};
        else if (((byte0 >> 4) & 7) == 3)
            layout = {generation, layout.typeCode, 1024};
        break;
    }
    default: break;
    }
    return layout;
}

std::string GenerationText(SpdGeneration generation, int typeCode)
{
    switch (generation) {
    case SpdGeneration::Sdr: return "SDR";
    case SpdGeneration::Ddr: return "DDR";
    case SpdGeneration::Ddr2: return "DDR2";
    case SpdGeneration::Ddr3: return "DDR3";
    case SpdGeneration::Ddr4: return "DDR4";
    case SpdGeneration::Ddr4E: return "DDR4E";
    case SpdGeneration::Lpddr4: return "LPDDR4";
    case SpdGeneration::Lpddr4X: return "LPDDR4X";
    case SpdGeneration::Ddr5: return "DDR5";
    case SpdGeneration::Lpddr5: return "LPDDR5";
    case SpdGeneration::Lpddr5X: return "LPDDR5X";
    case SpdGeneration::Unknown: break;
    }
    std::string text = "unknown (";
    AppendHexByte(text, typeCode);
    return text + "h)";
}

bool IsLowPower(SpdGeneration generation)
{
    return generation == SpdGeneration::Lpddr4 || generation == SpdGeneration::Lpddr4X ||
        generation == SpdGeneration::Lpddr5 || generation == SpdGeneration::Lpddr5X;
}

std::optional<int> SpeedFromClockPeriod(std::int64_t num, std::int64_t den, bool singleDataRate)
{
    if (num <= 0 || den <= 0)
        return std::nullopt;
    // n = 30000 / tCK rounded half up, tCK = num / den.
    const std::int64_t n = (60000 * den + num) / (2 * num);
    if (n <= 0 || n > 100000)
        return std::nullopt;
    auto speed = static_cast<int>(n * (singleDataRate ? 100 : 200) / 3);
    if (speed == 666)
        speed = 667;
    return speed;
}

std::optional<std::string> SpeedName(SpdGeneration generation, std::optional<int> speedMTs)
{
    if (!speedMTs || generation == SpdGeneration::Unknown)
        return std::nullopt;
    return GenerationText(generation, 0) + "-" + std::to_string(*speedMTs);
}

std::optional<std::string> PcName(SpdGeneration generation, std::optional<int> speedMTs)
{
    if (!speedMTs)
        return std::nullopt;
    const int speed = *speedMTs;
    switch (generation) {
    case SpdGeneration::Sdr: return "PC" + std::to_string(speed);
    case SpdGeneration::Ddr: return "PC" + std::to_string((speed * 8 + 50) / 100 * 100);
    case SpdGeneration::Ddr2: return "PC2-" + std::to_string(speed * 8 / 100 * 100);
    case SpdGeneration::Ddr3: return "PC3-" + std::to_string(speed * 8 / 100 * 100);
    case SpdGeneration::Ddr4:
    case SpdGeneration::Ddr4E: return "PC4-" + std::to_string(speed * 8 / 100 * 100);
    case SpdGeneration::Ddr5: return "PC5-" + std::to_string(speed * 8 / 100 * 100);
    default: return std::nullopt;
    }
}

std::optional<int> ClocksWithGuard(int timePs, int clockPs, bool ddr5Rounding)
{
    if (timePs <= 0 || clockPs <= 0)
        return std::nullopt;
    const std::int64_t t = timePs;
    if (ddr5Rounding)
        return static_cast<int>((t * 997 / clockPs + 1000) / 1000);
    return static_cast<int>((t * 1000 / clockPs + 974) / 1000);
}

std::optional<std::string> VoltageText(int hundredths)
{
    if (hundredths <= 0)
        return std::nullopt;
    char text[32];
    if (hundredths % 10 == 0)
        std::snprintf(text, sizeof text, "%d.%d V", hundredths / 100, hundredths / 10 % 10);
    else
        std::snprintf(text, sizeof text, "%d.%02d V", hundredths / 100, hundredths % 100);
    return std::string(text);
}

std::optional<JedecMaker> MakerFromBankAndCode(const SpdBytes& bytes, int countByte, int codeByte)
{
    if (!bytes.has(countByte) || !bytes.has(codeByte))
        return std::nullopt;
    return MakeMaker((bytes.at(countByte) & 0x7F) + 1, bytes.at(codeByte));
}

std::optional<JedecMaker> MakerFromContinuationCodes(const SpdBytes& bytes, int first)
{
    int continuations = 0;
    while (continuations < 8 && bytes.has(first + continuations) && bytes.at(first + continuations) == 0x7F)
        ++continuations;
    if (continuations == 8 || !bytes.has(first + continuations))
        return std::nullopt;
    return MakeMaker(continuations + 1, bytes.at(first + continuations));
}

std::optional<std::string> AsciiField(const SpdBytes& bytes, int first, int length)
{
    if (!bytes.has(first, first + length - 1))
        return std::nullopt;
    std::string text;
    for (int i = first; i < first + length; ++i) {
        const int c = bytes.at(i);
        if (c < 0x20 || c > 0x7E)
            break;
        text += static_cast<char>(c);
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    return text;
}

std::optional<std::string> HexField(const SpdBytes& bytes, int first, int length)
{
    if (!bytes.has(first, first + length - 1))
        return std::nullopt;
    std::string text;
    for (int i = first; i < first + length; ++i)
        AppendHexByte(text, bytes.at(i));
    return text;
}

std::optional<std::string> ManufacturedText(const SpdBytes& bytes, int yearByte, int weekByte)
{
    if (!bytes.has(yearByte) || !bytes.has(weekByte))
        return std::nullopt;
    const int year = bytes.at(yearByte);
    const int week = bytes.at(weekByte);
    if ((year == 0 && week == 0) || !IsBcd(year) || !IsBcd(week))
        return std::nullopt;
    const int yearValue = (year >> 4) * 10 + (year & 15);
    std::string text = std::to_string(yearValue >= 80 ? 1900 + yearValue : 2000 + yearValue) + "-W";
    AppendHexByte(text, week);
    return text;
}

std::vector<int> LatenciesFromBitmap(std::uint64_t bits, int count, int first, int step)
{
    std::vector<int> latencies;
    for (int i = 0; i < count; ++i) {
        if ((bits >> i) & 1)
            latencies.push_back(first + step * i);
    }
    return latencies;
}

}  // namespace tessaro
