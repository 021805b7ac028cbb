#include "decode/timingmap.h"

namespace tessaro {

namespace {

constexpr TimeCoding MediumFine(int medium, int fine)
{
    return {TimeForm::MediumFine, medium, fine, -1, false, 125};
}

constexpr TimeCoding Nibble(int nibbleByte, bool high, int low, int fine = -1)
{
    return {TimeForm::Nibble, nibbleByte, low, fine, high, 125};
}

constexpr TimeCoding Word(int at, int unit)
{
    return {TimeForm::Word, at, 0, -1, false, unit};
}

using T = TimingName;

constexpr TimingPlace kDdr4[] = {
    {T::ClockPeriod, MediumFine(18, 125)},
    {T::CasLatency, MediumFine(24, 123)},
    {T::RasToCas, MediumFine(25, 122)},
    {T::Precharge, MediumFine(26, 121)},
    {T::ActiveToPrecharge, Nibble(27, false, 28)},
    {T::ActiveToActive, Nibble(27, true, 29, 120)},
    {T::Refresh1, Word(30, 125)},
    {T::Refresh2, Word(32, 125)},
    {T::Refresh4OrSameBank, Word(34, 125)},
    {T::FourActivateWindow, Nibble(36, false, 37)},
    {T::RowToRowShort, MediumFine(38, 119)},
    {T::RowToRowLong, MediumFine(39, 118)},
    {T::ColumnToColumnLong, MediumFine(40, 117)},
    {T::WriteRecovery, Nibble(41, false, 42)},
};

// XMP 2.0 does not locate tCCD_L and tWR.
constexpr TimingPlace kXmp2[] = {
    {T::ClockPeriod, MediumFine(3, 38)},
    {T::CasLatency, MediumFine(8, 37)},
    {T::RasToCas, MediumFine(9, 36)},
    {T::Precharge, MediumFine(10, 35)},
    {T::ActiveToPrecharge, Nibble(11, false, 12)},
    {T::ActiveToActive, Nibble(11, true, 13, 34)},
    {T::Refresh1, Word(14, 125)},
    {T::Refresh2, Word(16, 125)},
    {T::Refresh4OrSameBank, Word(18, 125)},
    {T::FourActivateWindow, Nibble(20, false, 21)},
    {T::RowToRowShort, MediumFine(22, 33)},
    {T::RowToRowLong, MediumFine(23, 32)},
};

// DDR5 keeps times in ps and the refresh times in ns; it has no tRRD_S.
constexpr TimingPlace kDdr5[] = {
    {T::ClockPeriod, Word(20, 1)},
    {T::CasLatency, Word(30, 1)},
    {T::RasToCas, Word(32, 1)},
    {T::Precharge, Word(34, 1)},
    {T::ActiveToPrecharge, Word(36, 1)},
    {T::ActiveToActive, Word(38, 1)},
    {T::WriteRecovery, Word(40, 1)},
    {T::Refresh1, Word(42, 1000)},
    {T::Refresh2, Word(44, 1000)},
    {T::Refresh4OrSameBank, Word(46, 1000)},
    {T::RowToRowLong, Word(70, 1)},
    {T::ColumnToColumnLong, Word(73, 1)},
    {T::FourActivateWindow, Word(82, 1)},
};

constexpr TimingPlace kXmp3[] = {
    {T::ClockPeriod, Word(5, 1)},
    {T::CasLatency, Word(13, 1)},
    {T::RasToCas, Word(15, 1)},
    {T::Precharge, Word(17, 1)},
    {T::ActiveToPrecharge, Word(19, 1)},
    {T::ActiveToActive, Word(21, 1)},
    {T::WriteRecovery, Word(23, 1)},
    {T::Refresh1, Word(25, 1000)},
    {T::Refresh2, Word(27, 1000)},
    {T::Refresh4OrSameBank, Word(29, 1000)},
    {T::RowToRowLong, Word(31, 1)},
    {T::ColumnToColumnLong, Word(46, 1)},
    {T::FourActivateWindow, Word(52, 1)},
};

constexpr TimingPlace kExpo[] = {
    {T::ClockPeriod, Word(4, 1)},
    {T::CasLatency, Word(6, 1)},
    {T::RasToCas, Word(8, 1)},
    {T::Precharge, Word(10, 1)},
    {T::ActiveToPrecharge, Word(12, 1)},
    {T::ActiveToActive, Word(14, 1)},
    {T::WriteRecovery, Word(16, 1)},
    {T::Refresh1, Word(18, 1000)},
    {T::Refresh2, Word(20, 1000)},
    {T::Refresh4OrSameBank, Word(22, 1000)},
    {T::RowToRowLong, Word(24, 1)},
    {T::ColumnToColumnLong, Word(26, 1)},
    {T::FourActivateWindow, Word(32, 1)},
};

}  // namespace

std::span<const TimingPlace> TimingPlaces(TimingBlock block)
{
    switch (block) {
    case TimingBlock::Ddr4: return kDdr4;
    case TimingBlock::Xmp2: return kXmp2;
    case TimingBlock::Ddr5: return kDdr5;
    case TimingBlock::Xmp3: return kXmp3;
    case TimingBlock::Expo: return kExpo;
    }
    return {};
}

TimeCoding CodingAt(const TimeCoding& coding, int base)
{
    TimeCoding at = coding;
    at.a += base;
    if (at.form != TimeForm::Word)
        at.b += base;
    if (at.c >= 0)
        at.c += base;
    return at;
}

int ReadTime(const SpdBytes& bytes, int base, const TimeCoding& coding)
{
    const TimeCoding t = CodingAt(coding, base);
    switch (t.form) {
    case TimeForm::MediumFine: return bytes.at(t.a) * 125 + bytes.signedAt(t.b);
    case TimeForm::Nibble:
        return (((bytes.at(t.a) >> (t.highNibble ? 4 : 0)) & 0x0F) << 8 | bytes.at(t.b)) * 125 +
            (t.c >= 0 ? bytes.signedAt(t.c) : 0);
    case TimeForm::Word: break;
    }
    return bytes.le16(t.a) * t.unit;
}

void ReadTimings(const SpdBytes& bytes, TimingBlock block, int base, TimingSet& timings, bool withClock)
{
    for (const TimingPlace& place : TimingPlaces(block)) {
        if (withClock || place.name != TimingName::ClockPeriod)
            timings.set(place.name, ReadTime(bytes, base, place.coding));
    }
}

std::optional<CasCoding> CasPlace(TimingBlock block)
{
    switch (block) {
    case TimingBlock::Ddr4: return CasCoding{20, 4, 30, 7, 1, true};
    case TimingBlock::Xmp2: return CasCoding{4, 3, 24, 7, 1, false};
    case TimingBlock::Ddr5: return CasCoding{24, 5, 40, 20, 2, false};
    case TimingBlock::Xmp3: return CasCoding{7, 5, 40, 20, 2, false};
    case TimingBlock::Expo: break;
    }
    return std::nullopt;
}

int CasFirst(const SpdBytes& bytes, int base, const CasCoding& coding)
{
    const bool high = coding.rangeBit && (bytes.at(base + coding.at + coding.bytes - 1) & 0x80);
    return high ? 23 : coding.first;
}

std::vector<int> ReadCasLatencies(const SpdBytes& bytes, int base, const CasCoding& coding)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < coding.bytes; ++i)
        bits |= static_cast<std::uint64_t>(bytes.at(base + coding.at + i)) << (8 * i);
    return LatenciesFromBitmap(bits, coding.count, CasFirst(bytes, base, coding), coding.step);
}

}  // namespace tessaro
