#include "decode/moduledecode.h"

#include "core/checks.h"
#include "decode/timingmap.h"

#include <cstdio>

namespace tessaro {

namespace {

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

void AddBlock(std::vector<CrcBlock>& blocks, const SpdBytes& b, std::string key, int first, int last, int storedAt)
{
    if (!b.has(first, last) || !b.has(storedAt, storedAt + 1))
        return;
    CrcBlock block;
    block.key = std::move(key);
    block.first = first;
    block.last = last;
    block.storedAt = storedAt;
    block.stored = static_cast<std::uint16_t>(b.le16(storedAt));
    block.computed = Crc16(b.range(first, last));
    blocks.push_back(std::move(block));
}

bool HasXmp3(const SpdBytes& b)
{
    return b.has(0x280, 0x281) && b.at(0x280) == 0x0C && b.at(0x281) == 0x4A;
}

bool HasExpo(const SpdBytes& b)
{
    return b.has(0x340, 0x343) && b.at(0x340) == 'E' && b.at(0x341) == 'X' && b.at(0x342) == 'P' &&
        b.at(0x343) == 'O';
}

std::string CrcWarning(const CrcBlock& block)
{
    const bool blank = block.stored == 0x0000 || block.stored == 0xFFFF;
    return "CRC of bytes " + std::to_string(block.first) + "-" + std::to_string(block.last) +
        (blank ? " not filled" : " wrong") + " (stored " + Hex4(block.stored) + ", computed " +
        Hex4(block.computed) + ")";
}

void DecodeDdr4Timings(const SpdBytes& b, ModuleDecode& d)
{
    if (b.has(18) && b.has(125))
        d.timings.set(TimingName::ClockPeriod, ReadTime(b, 0, TimingPlaces(TimingBlock::Ddr4)[0].coding));
    if (IsLowPower(d.layout.generation) || !b.has(0, 127))
        return;
    ReadTimings(b, TimingBlock::Ddr4, 0, d.timings, false);

    d.casLatencies = ReadCasLatencies(b, 0, *CasPlace(TimingBlock::Ddr4));
    if (b.at(11) & 1)
        d.voltage = "1.2 V";
}

void DecodeDdr5Timings(const SpdBytes& b, ModuleDecode& d)
{
    d.timings.ddr5 = true;
    if (d.layout.generation != MemoryType::Ddr5 || !b.has(0, 255))
        return;
    ReadTimings(b, TimingBlock::Ddr5, 0, d.timings, true);

    d.casLatencies = ReadCasLatencies(b, 0, *CasPlace(TimingBlock::Ddr5));
    if ((b.at(16) >> 4) == 0)
        d.voltage = "1.1 V";
}

}  // namespace

void TimingSet::countClocks()
{
    const auto& clock = values[static_cast<std::size_t>(TimingName::ClockPeriod)];
    for (auto& value : values) {
        if (value)
            value->clocks = clock ? ClocksWithGuard(value->ps, clock->ps, ddr5) : std::nullopt;
    }
}

const char* TimingKey(TimingName name, bool ddr5)
{
    static constexpr const char* kKeys[kTimingCount] = {"tCKmin", "tAA", "tRCD", "tRP", "tRAS", "tRC", "tRFC1",
        "tRFC2", "tRFC4", "tFAW", "tRRD_S", "tRRD_L", "tCCD_L", "tWR"};
    if (name == TimingName::Refresh4OrSameBank && ddr5)
        return "tRFCsb";
    return kKeys[static_cast<int>(name)];
}

std::vector<CrcBlock> CrcBlocks(std::span<const std::uint8_t> data)
{
    const SpdBytes b(data);
    const SpdLayout layout = LayoutOf(data);
    std::vector<CrcBlock> blocks;
    if (layout.size == 512) {
        AddBlock(blocks, b, "crc16_0_125", 0, 125, 126);
        AddBlock(blocks, b, "crc16_128_253", 128, 253, 254);
    } else if (layout.size == 1024) {
        AddBlock(blocks, b, "crc16_0_509", 0, 509, 510);
        if (layout.generation != MemoryType::Ddr5)
            return blocks;
        const bool expo = HasExpo(b);
        if (HasXmp3(b)) {
            AddBlock(blocks, b, "xmp3_header", 0x280, 0x2BD, 0x2BE);
            for (int i = 0; i < (expo ? 2 : 3); ++i) {
                const int at = 0x2C0 + 0x40 * i;
                AddBlock(blocks, b, "xmp3_profile" + std::to_string(i + 1), at, at + 61, at + 62);
            }
        }
        if (expo)
            AddBlock(blocks, b, "expo", 0x340, 0x3BD, 0x3BE);
    }
    return blocks;
}

std::vector<CrcBlock> FixCrcBlocks(std::span<std::uint8_t> data)
{
    auto blocks = CrcBlocks(data);
    for (const auto& block : blocks) {
        data[static_cast<std::size_t>(block.storedAt)] = static_cast<std::uint8_t>(block.computed & 0xFF);
        data[static_cast<std::size_t>(block.storedAt) + 1] = static_cast<std::uint8_t>(block.computed >> 8);
    }
    return blocks;
}

ModuleDecode DecodeModule(std::span<const std::uint8_t> data)
{
    const SpdBytes b(data);
    ModuleDecode d;
    d.layout = LayoutOf(data);
    d.bytesPresent = std::min(b.size(), d.layout.size);
    d.summary = SummarizeModule(data);
    d.profiles = OverclockProfiles(data);
    if (d.layout.generation == MemoryType::Unknown)
        d.warnings.push_back("unknown memory type (" + d.summary.generation.substr(9));
    if (d.bytesPresent < d.layout.size)
        d.warnings.push_back(
            "truncated: " + std::to_string(d.bytesPresent) + " of " + std::to_string(d.layout.size) + " bytes");
    if (d.layout.size == 256)
        return d;

    if (d.layout.size == 512)
        DecodeDdr4Timings(b, d);
    else
        DecodeDdr5Timings(b, d);
    d.timings.countClocks();

    for (auto& block : CrcBlocks(data)) {
        if (block.key.rfind("crc16_", 0) == 0) {
            if (!block.ok())
                d.warnings.push_back(CrcWarning(block));
            d.checks.push_back(std::move(block));
        } else if (block.key == "xmp3_header" && !block.ok()) {
            d.warnings.push_back("XMP 3.0 header " + CrcWarning(block));
        }
    }
    return d;
}

}  // namespace tessaro
