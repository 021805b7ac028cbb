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
    layout.size = ImageSizeOf(static_cast<std::uint8_t>(bytes.at(0)), static_cast<std::uint8_t>(layout.typeCode));
    layout.generation = MemoryTypeOf(layout.typeCode);
    switch (layout.generation) {
    case MemoryType::Ddr2FbDimm:
    case MemoryType::Ddr2FbDimmProbe:
        // No module summary reads the FB-DIMM layout.
        layout.generation = MemoryType::Unknown;
        break;
    case MemoryType::Lpddr5:
    case MemoryType::Lpddr5X:
        // Neither a module nor a memory-down image: byte 0 does not say how to read it.
        if (layout.size == kSpdSize)
            layout.generation = MemoryType::Unknown;
        break;
    default: break;
    }
    return layout;
}

std::optional<IdentityLayout> IdentityLayoutOf(const SpdLayout& layout)
{
    static constexpr IdentityLayout kSdrToDdr2{64, true, 93, 95, 73, 18, 91, 2, -1};
    static constexpr IdentityLayout kDdr3{117, false, 120, 122, 128, 18, 146, 2, 148};
    static constexpr IdentityLayout kDdr4{320, false, 323, 325, 329, 20, 349, 1, 350};
    static constexpr IdentityLayout kDdr5{512, false, 515, 517, 521, 30, 551, 1, 552};
    switch (layout.generation) {
    case MemoryType::Sdr:
    case MemoryType::Ddr:
    case MemoryType::Ddr2: return kSdrToDdr2;
    case MemoryType::Ddr3: return kDdr3;
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E:
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X: return kDdr4;
    case MemoryType::Lpddr5:
    case MemoryType::Lpddr5X: return layout.size == 512 ? kDdr4 : kDdr5;
    case MemoryType::Ddr5: return kDdr5;
    default: return std::nullopt;
    }
}

std::string GenerationText(MemoryType generation, int typeCode)
{
    switch (generation) {
    case MemoryType::Sdr: return "SDR";
    case MemoryType::Ddr: return "DDR";
    case MemoryType::Ddr2: return "DDR2";
    case MemoryType::Ddr3: return "DDR3";
    case MemoryType::Ddr4: return "DDR4";
    case MemoryType::Ddr4E: return "DDR4E";
    case MemoryType::Lpddr4: return "LPDDR4";
    case MemoryType::Lpddr4X: return "LPDDR4X";
    case MemoryType::Ddr5: return "DDR5";
    case MemoryType::Lpddr5: return "LPDDR5";
    case MemoryType::Lpddr5X: return "LPDDR5X";
    default: break;
    }
    std::string text = "unknown (";
    AppendHexByte(text, typeCode);
    return text + "h)";
}

bool IsLowPower(MemoryType generation)
{
    return generation == MemoryType::Lpddr4 || generation == MemoryType::Lpddr4X ||
        generation == MemoryType::Lpddr5 || generation == MemoryType::Lpddr5X;
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

std::optional<std::string> SpeedName(MemoryType generation, std::optional<int> speedMTs)
{
    if (!speedMTs || generation == MemoryType::Unknown)
        return std::nullopt;
    return GenerationText(generation, 0) + "-" + std::to_string(*speedMTs);
}

std::optional<std::string> PcName(MemoryType generation, std::optional<int> speedMTs)
{
    if (!speedMTs)
        return std::nullopt;
    const int speed = *speedMTs;
    switch (generation) {
    case MemoryType::Sdr: return "PC" + std::to_string(speed);
    case MemoryType::Ddr: return "PC" + std::to_string((speed * 8 + 50) / 100 * 100);
    case MemoryType::Ddr2: return "PC2-" + std::to_string(speed * 8 / 100 * 100);
    case MemoryType::Ddr3: return "PC3-" + std::to_string(speed * 8 / 100 * 100);
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E: return "PC4-" + std::to_string(speed * 8 / 100 * 100);
    case MemoryType::Ddr5: return "PC5-" + std::to_string(speed * 8 / 100 * 100);
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
