#include "decode/modulesummary.h"

#include <array>

namespace tessaro {

namespace {

void SetSpeed(ModuleSummary& summary, MemoryType generation, std::optional<int> speed)
{
    summary.speedMTs = speed;
    summary.speedName = SpeedName(generation, speed);
    summary.pcName = PcName(generation, speed);
}

void SetOrganisation(ModuleSummary& summary)
{
    if (summary.ranks && summary.deviceWidth)
        summary.organisation = std::to_string(*summary.ranks) + "Rx" + std::to_string(*summary.deviceWidth);
}

// The module form coded in the low nibble of byte 3; a code without a name is reserved.
template <std::size_t N>
void SetModuleForm(const SpdBytes& b, const std::array<const char*, N>& forms, ModuleSummary& s)
{
    if (b.has(3) && (b.at(3) & 15) < static_cast<int>(N) && forms[static_cast<std::size_t>(b.at(3) & 15)])
        s.moduleType = forms[static_cast<std::size_t>(b.at(3) & 15)];
}

// The organisation byte (ranks in bits 5-3, device width in bits 2-0) and the
// bus width byte (width in bits 2-0, ECC extension in bits 4-3) of DDR3 and DDR4.
void SetRanksAndWidths(const SpdBytes& b, int organisationByte, int busWidthByte, ModuleSummary& s)
{
    if (b.has(organisationByte)) {
        s.ranks = ((b.at(organisationByte) >> 3) & 7) + 1;
        if ((b.at(organisationByte) & 7) <= 3)
            s.deviceWidth = 4 << (b.at(organisationByte) & 7);
    }
    if (b.has(busWidthByte)) {
        if ((b.at(busWidthByte) & 7) <= 3)
            s.busWidth = 8 << (b.at(busWidthByte) & 7);
        s.ecc = ((b.at(busWidthByte) >> 3) & 3) != 0;
    }
}

// SDR, DDR and DDR2 share the byte meanings apart from ranks, widths and the clock coding.
void SummarizeSdrDdrDdr2(const SpdBytes& b, MemoryType generation, ModuleSummary& s)
{
    const bool ddr2 = generation == MemoryType::Ddr2;
    if (b.has(20) && ddr2) {
        static constexpr std::array<const char*, 6> kForms = {
            "RDIMM", "UDIMM", "SO-DIMM", "Micro-DIMM", "Mini-RDIMM", "Mini-UDIMM"};
        const int bits = b.at(20) & 0x3F;
        for (int i = 0; i < 6; ++i) {
            if (bits == 1 << i)
                s.moduleType = kForms[static_cast<std::size_t>(i)];
        }
    }
    if (b.has(0, 17)) {
        const int rows = ddr2 ? (b.at(5) & 7) + 1 : b.at(5);
        if (rows > 0)
            s.ranks = rows;
        const int width = ddr2 ? b.at(13) : b.at(13) & 0x7F;
        if (width > 0)
            s.deviceWidth = width;
        const int ecc = b.at(11);
        const bool subtractCheckBits = ddr2 ? (ecc & 3) != 0 : (ecc == 1 || ecc == 2);
        const int bus = (b.at(6) | b.at(7) << 8) - (subtractCheckBits ? 8 : 0);
        if (bus > 0)
            s.busWidth = bus;
        s.ecc = ddr2 ? (ecc & 2) != 0 : ecc == 2;

        const int addressBits = (b.at(3) & 15) + (b.at(4) & 15) - 17;
        const int banks = b.at(17);
        int k = 0;
        if (ddr2)
            k = ((b.at(5) & 7) + 1) * banks;
        else if (b.at(5) <= 8 && banks <= 8)
            k = b.at(5) * banks;
        if (addressBits > 0 && addressBits <= 12 && k > 0)
            s.capacityMB = (1 << addressBits) * k;
    }
    if (b.has(9)) {
        const int code = b.at(9);
        int tenths = (code & 15) * 100;
        if (ddr2 && (code & 15) >= 10) {
            static constexpr std::array<int, 6> kFractions = {250, 330, 660, 750, 0, 0};
            tenths = kFractions[static_cast<std::size_t>((code & 15) - 10)];
        }
        const int clockPs = (code >> 4) * 1000 + tenths;
        SetSpeed(s, generation, SpeedFromClockPeriod(clockPs, 1, generation == MemoryType::Sdr));
    }
}

void SummarizeDdr3(const SpdBytes& b, ModuleSummary& s)
{
    static constexpr std::array<const char*, 14> kForms = {nullptr, "RDIMM", "UDIMM", "SO-DIMM", "Micro-DIMM",
        "Mini-RDIMM", "Mini-UDIMM", "Mini-CDIMM", "72b-SO-UDIMM", "72b-SO-RDIMM", "72b-SO-CDIMM", "LRDIMM",
        "16b-SO-DIMM", "32b-SO-DIMM"};
    SetModuleForm(b, kForms, s);
    SetRanksAndWidths(b, 7, 8, s);
    if (b.has(4) && (b.at(4) & 15) <= 6 && s.ranks && s.deviceWidth && s.busWidth)
        s.capacityMB = (256 << (b.at(4) & 15)) * *s.busWidth * *s.ranks / (8 * *s.deviceWidth);
    if (b.has(9, 12) && b.has(34)) {
        // tCK = b12 x MTB + s8(b34) x FTB, MTB = 1000 x b10 / b11 ps, FTB = (b9 >> 4) / (b9 & 15) ps.
        const std::int64_t mtbNum = 1000 * b.at(10), mtbDen = b.at(11);
        const std::int64_t ftbNum = b.at(9) >> 4, ftbDen = b.at(9) & 15;
        if (mtbNum > 0 && mtbDen > 0 && ftbDen > 0) {
            const std::int64_t num = b.at(12) * mtbNum * ftbDen + b.signedAt(34) * ftbNum * mtbDen;
            SetSpeed(s, MemoryType::Ddr3, SpeedFromClockPeriod(num, mtbDen * ftbDen, false));
        }
    }
}

void SummarizeDdr4(const SpdBytes& b, MemoryType generation, ModuleSummary& s)
{
    if (!IsLowPower(generation)) {
        static constexpr std::array<const char*, 14> kForms = {nullptr, "RDIMM", "UDIMM", "SO-DIMM", "LRDIMM",
            "Mini-RDIMM", "Mini-UDIMM", nullptr, "72b-SO-RDIMM", "72b-SO-UDIMM", nullptr, nullptr, "16b-SO-DIMM",
            "32b-SO-DIMM"};
        SetModuleForm(b, kForms, s);
        SetRanksAndWidths(b, 12, 13, s);
        // Die density in Mb: a table, since codes 8 and 9 are the 12 and 24 Gb dies.
        static constexpr std::array<int, 10> kDensityMb = {256, 512, 1024, 2048, 4096, 8192, 16384, 32768, 12288, 24576};
        if (b.has(4) && b.has(6) && (b.at(4) & 15) < 10 && s.ranks && s.deviceWidth && s.busWidth) {
            // Only 3DS stacks multiply the capacity by their die count.
            const int dies = (b.at(6) & 3) == 2 ? ((b.at(6) >> 4) & 7) + 1 : 1;
            const std::int64_t mb = std::int64_t{kDensityMb[static_cast<std::size_t>(b.at(4) & 15)]} * *s.busWidth *
                *s.ranks * dies / (8 * *s.deviceWidth);
            s.capacityMB = static_cast<int>(mb);
        }
    }
    if (b.has(18) && b.has(125))
        SetSpeed(s, generation, SpeedFromClockPeriod(b.at(18) * 125 + b.signedAt(125), 1, false));
}

// DDR5 SDRAM density in Gb (byte bits 4-0) and stack height (bits 7-5; only 3DS stacks count).
std::optional<int> Ddr5DensityGb(int byte)
{
    static constexpr std::array<int, 9> kGb = {0, 4, 8, 12, 16, 24, 32, 48, 64};
    const int code = byte & 31;
    if (code == 0 || code > 8)
        return std::nullopt;
    return kGb[static_cast<std::size_t>(code)];
}

std::optional<int> Ddr5Dies(int byte)
{
    static constexpr std::array<int, 6> kDies = {1, 1, 2, 4, 8, 16};
    const int code = (byte >> 5) & 7;
    if (code > 5)
        return std::nullopt;
    return kDies[static_cast<std::size_t>(code)];
}

void SummarizeDdr5(const SpdBytes& b, MemoryType generation, ModuleSummary& s)
{
    if (generation == MemoryType::Ddr5) {
        static constexpr std::array<const char*, 12> kForms = {nullptr, "RDIMM", "UDIMM", "SO-DIMM", "LRDIMM",
            "CUDIMM", "CSODIMM", "MRDIMM", "CAMM2", nullptr, "DDIMM", "Solder-down"};
        SetModuleForm(b, kForms, s);
        if (b.has(234))
            s.ranks = ((b.at(234) >> 3) & 7) + 1;
        if (b.has(6) && ((b.at(6) >> 5) & 7) <= 3)
            s.deviceWidth = 4 << ((b.at(6) >> 5) & 7);
        std::optional<int> perSubChannel;
        int subChannels = 1;
        if (b.has(235)) {
            if ((b.at(235) & 7) <= 3)
                perSubChannel = 8 << (b.at(235) & 7);
            subChannels = 1 << ((b.at(235) >> 5) & 3);
            s.ecc = ((b.at(235) >> 3) & 3) != 0;
            if (perSubChannel)
                s.busWidth = *perSubChannel * subChannels;
        }
        // One rank of the SDRAM described by a density byte and a width byte, in MB.
        auto rankMB = [&](int densityByte, int widthByte) -> std::optional<std::int64_t> {
            const auto gb = Ddr5DensityGb(b.at(densityByte));
            const auto dies = Ddr5Dies(b.at(densityByte));
            const int widthCode = (b.at(widthByte) >> 5) & 7;
            if (!gb || !dies || widthCode > 3 || !s.busWidth)
                return std::nullopt;
            return std::int64_t{*s.busWidth} * *dies * *gb * 128 / (4 << widthCode);
        };
        if (s.ranks && b.has(4, 10)) {
            const int ranks = *s.ranks;
            const auto first = rankMB(4, 6);
            if ((b.at(234) & 0x40) == 0) {
                if (first)
                    s.capacityMB = static_cast<int>(ranks * *first);
            } else if (const auto second = rankMB(8, 10); first && second) {
                // Even ranks use the first SDRAM, odd ranks the second.
                s.capacityMB = static_cast<int>((ranks + 1) / 2 * *first + ranks / 2 * *second);
            }
        }
        if (b.has(20, 21))
            SetSpeed(s, generation, SpeedFromClockPeriod(b.le16(20), 1, false));
    }
}

void SummarizeIdentity(const SpdBytes& b, const IdentityLayout& at, ModuleSummary& s)
{
    s.manufacturer = at.makerByContinuation ? MakerFromContinuationCodes(b, at.maker)
                                            : MakerFromBankAndCode(b, at.maker, at.maker + 1);
    if (at.dramMaker >= 0)
        s.dramMaker = MakerFromBankAndCode(b, at.dramMaker, at.dramMaker + 1);
    s.partNumber = AsciiField(b, at.part, at.partLength);
    s.serialNumber = HexField(b, at.serial, 4);
    s.manufactured = ManufacturedText(b, at.date, at.date + 1);
}

}  // namespace

ModuleSummary SummarizeModule(std::span<const std::uint8_t> data)
{
    const SpdBytes bytes(data);
    const SpdLayout layout = LayoutOf(data);
    ModuleSummary summary;
    summary.generation = GenerationText(layout.generation, layout.typeCode);
    switch (layout.generation) {
    case MemoryType::Sdr:
    case MemoryType::Ddr:
    case MemoryType::Ddr2: SummarizeSdrDdrDdr2(bytes, layout.generation, summary); break;
    case MemoryType::Ddr3: SummarizeDdr3(bytes, summary); break;
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E:
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X: SummarizeDdr4(bytes, layout.generation, summary); break;
    case MemoryType::Lpddr5:
    case MemoryType::Lpddr5X:
        if (layout.size == 512)
            SummarizeDdr4(bytes, layout.generation, summary);
        else
            SummarizeDdr5(bytes, layout.generation, summary);
        break;
    case MemoryType::Ddr5: SummarizeDdr5(bytes, layout.generation, summary); break;
    default: break;  // FB-DIMM and unknown types: the generation text only
    }
    if (const auto identity = IdentityLayoutOf(layout))
        SummarizeIdentity(bytes, *identity, summary);
    SetOrganisation(summary);
    return summary;
}

std::string CapacityText(int capacityMB)
{
    if (capacityMB >= 1024 && capacityMB % 1024 == 0)
        return std::to_string(capacityMB / 1024) + " GB";
    return std::to_string(capacityMB) + " MB";
}

std::string DisplayMakerName(const std::string& name)
{
    std::string out = name;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = start;
        bool capitals = true;
        int letters = 0;
        while (end < out.size() && out[end] != ' ') {
            const char c = out[end];
            if (c >= 'a' && c <= 'z')
                capitals = false;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                ++letters;
            ++end;
        }
        if (capitals && letters > 3) {
            for (std::size_t i = start + 1; i < end; ++i) {
                if (out[i] >= 'A' && out[i] <= 'Z')
                    out[i] = static_cast<char>(out[i] - 'A' + 'a');
            }
        }
        start = end + 1;
    }
    return out;
}

std::string ModuleSummary::line() const
{
    std::string text;
    auto add = [&text](const std::string& part) {
        if (!text.empty())
            text += ' ';
        text += part;
    };
    if (capacityMB)
        add(CapacityText(*capacityMB));
    if (moduleType)
        add(*moduleType);
    if (organisation)
        add(*organisation);
    add(speedName ? *speedName : generation);
    if (pcName)
        add(*pcName);
    if (manufacturer && manufacturer->name)
        add(DisplayMakerName(*manufacturer->name));
    if (partNumber)
        add(*partNumber);
    return text;
}

}  // namespace tessaro
