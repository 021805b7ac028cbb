#include "decode/moduledecode.h"

#include "core/checks.h"
#include "decode/timingmap.h"

namespace tessaro {

namespace {

// A profile's clock period as a fraction of picoseconds: it sets the speed,
// tCKminPs (rounded to whole ps) and the clock counts of every time.
void FinishProfile(OverclockProfile& profile, std::int64_t clockNum, std::int64_t clockDen, bool ddr5)
{
    profile.timings.ddr5 = ddr5;
    profile.speedMTs = SpeedFromClockPeriod(clockNum, clockDen, false);
    if (clockDen > 0 && clockNum >= 0) {
        const int ps = static_cast<int>((2 * clockNum + clockDen) / (2 * clockDen));
        profile.clockPs = ps;
        profile.timings.set(TimingName::ClockPeriod, ps);
    }
    profile.timings.countClocks();
}

// Profile `index` (from 1) of a format.
OverclockProfile NewProfile(const char* kind, int index, bool enabled)
{
    OverclockProfile profile;
    profile.kind = kind;
    profile.index = index;
    profile.enabled = enabled;
    return profile;
}

// DDR2 clock coding of the enhanced-performance profiles: low nibble Eh is 0.875 ns.
int EppClockPs(int code)
{
    static constexpr int kFractions[16] = {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 250, 330, 660, 750, 875, 0};
    return (code >> 4) * 1000 + kFractions[code & 15];
}

void AddEppProfiles(const SpdBytes& b, std::vector<OverclockProfile>& profiles)
{
    if (!b.has(0, 127) || b.at(99) != 0x6D || b.at(102) != 0xB1)
        return;
    for (int i = 0; i < 2; ++i) {
        const int at = 109 + 12 * i;
        OverclockProfile p = NewProfile("EPP", i + 1, (b.at(103) & 3) == i);
        p.casLatencies = LatenciesFromBitmap(static_cast<std::uint64_t>(b.at(at + 1)), 8, 0, 1);
        auto quarterNs = [&](int index) { return (b.at(index) >> 2) * 1000 + (b.at(index) & 3) * 250; };
        p.timings.set(TimingName::RasToCas, quarterNs(at + 2));
        p.timings.set(TimingName::Precharge, quarterNs(at + 3));
        p.timings.set(TimingName::ActiveToPrecharge, b.at(at + 4) * 1000);
        FinishProfile(p, EppClockPs(b.at(at)), 1, false);
        profiles.push_back(std::move(p));
    }
}

void AddXmp1Profiles(const SpdBytes& b, std::vector<OverclockProfile>& profiles)
{
    if (!b.has(0, 254) || b.at(176) != 0x0C || b.at(177) != 0x4A)
        return;
    for (int i = 0; i < 2; ++i) {
        // The profile's time base: dividend / divisor ns, 1/8 ns when either is zero.
        std::int64_t mtbNum = 1000LL * b.at(180 + 2 * i);
        std::int64_t mtbDen = b.at(181 + 2 * i);
        if (mtbNum == 0 || mtbDen == 0) {
            mtbNum = 125;
            mtbDen = 1;
        }
        auto ps = [&](int units) { return static_cast<int>((2 * units * mtbNum + mtbDen) / (2 * mtbDen)); };
        const int at = 185 + 35 * i;
        OverclockProfile p = NewProfile("XMP 1.x", i + 1, (b.at(178) >> i) & 1);
        const int v = b.at(at);
        p.voltage = VoltageText(((v >> 5) & 3) * 100 + (v & 31) * 5);
        p.casLatencies = LatenciesFromBitmap(static_cast<std::uint64_t>(b.le16(at + 3)), 16, 4, 1);
        p.timings.set(TimingName::CasLatency, ps(b.at(at + 2)));
        p.timings.set(TimingName::Precharge, ps(b.at(at + 6)));
        p.timings.set(TimingName::RasToCas, ps(b.at(at + 7)));
        p.timings.set(TimingName::WriteRecovery, ps(b.at(at + 8)));
        p.timings.set(TimingName::ActiveToPrecharge, ps((b.at(at + 9) & 0x0F) << 8 | b.at(at + 10)));
        p.timings.set(TimingName::ActiveToActive, ps((b.at(at + 9) & 0xF0) << 4 | b.at(at + 11)));
        p.timings.set(TimingName::Refresh1, ps(b.le16(at + 14)));
        p.timings.set(TimingName::FourActivateWindow, ps((b.at(at + 18) & 0x0F) << 8 | b.at(at + 19)));
        FinishProfile(p, b.at(at + 1) * mtbNum, mtbDen, false);
        profiles.push_back(std::move(p));
    }
}

void AddXmp2Profiles(const SpdBytes& b, std::vector<OverclockProfile>& profiles)
{
    if (!b.has(384, 486) || b.at(384) != 0x0C || b.at(385) != 0x4A)
        return;
    for (int i = 0; i < 2; ++i) {
        const int at = 393 + 47 * i;
        OverclockProfile p = NewProfile("XMP 2.0", i + 1, (b.at(386) >> i) & 1);
        const int v = b.at(at);
        p.voltage = VoltageText((v >> 7) * 100 + (v & 0x7F));
        p.casLatencies = ReadCasLatencies(b, at, *CasPlace(TimingBlock::Xmp2));
        ReadTimings(b, TimingBlock::Xmp2, at, p.timings, false);
        FinishProfile(p, ReadTime(b, at, TimingPlaces(TimingBlock::Xmp2)[0].coding), 1, false);
        profiles.push_back(std::move(p));
    }
}

// DDR5 overclocking voltages: bits 7-5 whole volts, bits 4-0 steps of 0.05 V.
std::optional<std::string> Ddr5Voltage(int code)
{
    return VoltageText(((code >> 5) & 7) * 100 + (code & 31) * 5);
}

bool CrcMatches(const SpdBytes& b, int first, int last)
{
    return Crc16(b.range(first, last)) == b.le16(last + 1);
}

void AddXmp3Profiles(const SpdBytes& b, bool expo, std::vector<OverclockProfile>& profiles)
{
    if (b.at(0x280) != 0x0C || b.at(0x281) != 0x4A)
        return;
    // With EXPO present, 340h-3BFh belongs to EXPO and there is no third profile.
    for (int i = 0; i < (expo ? 2 : 3); ++i) {
        const int at = 0x2C0 + 0x40 * i;
        OverclockProfile p = NewProfile("XMP 3.0", i + 1, (b.at(0x283) >> i) & 1);
        p.name = AsciiField(b, 0x28E + 16 * i, 16);
        p.voltage = Ddr5Voltage(b.at(at + 1));
        p.casLatencies = ReadCasLatencies(b, at, *CasPlace(TimingBlock::Xmp3));
        ReadTimings(b, TimingBlock::Xmp3, at, p.timings, false);
        p.crcOk = CrcMatches(b, at, at + 61);
        FinishProfile(p, ReadTime(b, at, TimingPlaces(TimingBlock::Xmp3)[0].coding), 1, true);
        profiles.push_back(std::move(p));
    }
}

void AddExpoProfiles(const SpdBytes& b, std::vector<OverclockProfile>& profiles)
{
    const bool blockOk = CrcMatches(b, 0x340, 0x3BD);
    for (int i = 0; i < 2; ++i) {
        const int at = 0x34A + 0x28 * i;
        OverclockProfile p = NewProfile("EXPO", i + 1, (b.at(0x345) >> (4 * i)) & 1);
        p.voltage = Ddr5Voltage(b.at(at));
        ReadTimings(b, TimingBlock::Expo, at, p.timings, false);
        p.crcOk = blockOk;
        FinishProfile(p, ReadTime(b, at, TimingPlaces(TimingBlock::Expo)[0].coding), 1, true);
        profiles.push_back(std::move(p));
    }
}

}  // namespace

std::vector<OverclockProfile> OverclockProfiles(std::span<const std::uint8_t> data)
{
    const SpdBytes b(data);
    std::vector<OverclockProfile> profiles;
    switch (LayoutOf(data).generation) {
    case MemoryType::Ddr2: AddEppProfiles(b, profiles); break;
    case MemoryType::Ddr3: AddXmp1Profiles(b, profiles); break;
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E: AddXmp2Profiles(b, profiles); break;
    case MemoryType::Ddr5:
        if (b.has(0x280, 0x3FF)) {
            const bool expo = b.at(0x340) == 'E' && b.at(0x341) == 'X' && b.at(0x342) == 'P' && b.at(0x343) == 'O';
            AddXmp3Profiles(b, expo, profiles);
            if (expo)
                AddExpoProfiles(b, profiles);
        }
        break;
    default: break;
    }
    return profiles;
}

}  // namespace tessaro
