#include "decode/valueedit.h"

#include "core/checks.h"
#include "core/hex.h"
#include "decode/decodejson.h"
#include "decode/jedec.h"
#include "decode/moduledecode.h"
#include "decode/textformat.h"
#include "decode/timingmap.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace tessaro {

namespace {

// ---------------------------------------------------------------------------
// Reading what an operator types

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Strips a unit (any case, blanks before it allowed); true when it was there.
bool TakeUnit(std::string_view& text, std::string_view unit)
{
    if (text.size() < unit.size() || !EqualsNoCase(text.substr(text.size() - unit.size()), unit))
        return false;
    text = Trimmed(text.substr(0, text.size() - unit.size()));
    return true;
}

// A plain decimal number ("13.75") times 10^scale, rounded up (up) or to the
// nearest (half up); exact says whether nothing was lost.
std::optional<std::int64_t> ScaledDecimal(std::string_view text, int scale, bool up, bool& exact)
{
    std::int64_t whole = 0;
    std::size_t i = 0;
    int digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        if (whole > 100'000'000'000LL)
            return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
    }
    for (int k = 0; k < scale; ++k)
        whole *= 10;
    exact = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        std::int64_t unit = 1;
        for (int k = 0; k < scale; ++k)
            unit *= 10;
        int place = 0;
        bool restNonZero = false;
        int first = -1;  // the first digit beyond the scale
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++place, ++digits) {
            const int d = text[i] - '0';
            if (place < scale) {
                unit /= 10;
                whole += d * unit;
            } else if (first < 0) {
                first = d;
            } else if (d) {
                restNonZero = true;
            }
        }
        if (first > 0 || restNonZero) {
            exact = false;
            if (up || first >= 5)
                ++whole;
        }
    }
    if (i != text.size() || digits == 0)
        return std::nullopt;
    return whole;
}

// A time as thousandths of a picosecond: "13.75ns", "13.75 ns", "13750ps", "13750" (ps).
std::optional<std::int64_t> ParseTime(std::string_view text)
{
    text = Trimmed(text);
    int scale = 3;
    if (TakeUnit(text, "ns"))
        scale = 6;
    else
        TakeUnit(text, "ps");
    bool exact = true;  // finer than a thousandth of a picosecond is rounded up
    return ScaledDecimal(text, scale, true, exact);
}

// A voltage in millivolts: "1.35", "1.35V", "1.35 V", "1350mV".
std::optional<std::int64_t> ParseMillivolts(std::string_view text)
{
    text = Trimmed(text);
    bool exact = true;
    if (TakeUnit(text, "mV"))
        return ScaledDecimal(text, 0, false, exact);
    TakeUnit(text, "V");
    return ScaledDecimal(text, 3, false, exact);
}

std::optional<int> ParseInt(std::string_view text, int limit)
{
    text = Trimmed(text);
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit)
        return std::nullopt;
    return value;
}

// Exactly 2 x count hex digits (an optional "0x" before them).
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text, int count)
{
    text = Trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.size() != static_cast<std::size_t>(2 * count))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        const int hi = HexDigitValue(text[static_cast<std::size_t>(2 * i)]);
        const int lo = HexDigitValue(text[static_cast<std::size_t>(2 * i + 1)]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

std::optional<bool> ParseFlag(std::string_view text)
{
    text = Trimmed(text);
    for (const char* yes : {"true", "1", "yes", "on"})
        if (EqualsNoCase(text, yes))
            return true;
    for (const char* no : {"false", "0", "no", "off"})
        if (EqualsNoCase(text, no))
            return false;
    return std::nullopt;
}

// A list of integers separated by commas and/or blanks, "[10,11]" too.
std::optional<std::vector<int>> ParseIntList(std::string_view text)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    std::vector<int> values;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ',' && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        const auto value = ParseInt(text.substr(i, end - i), 1000);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        i = end;
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// ---------------------------------------------------------------------------
// Texts of stored values

std::string TimeText(std::int64_t thousandthsOfPs)
{
    std::string out;
    AppendDecimal(out, thousandthsOfPs, 1'000'000);
    return out + " ns";
}

std::string MakerText(const JedecMaker& maker)
{
    const std::string key = std::to_string(maker.bank) + ":" + maker.code;
    return maker.name ? *maker.name + " (" + key + ")" : key;
}

int OddParity(int value)
{
    int ones = 0;
    for (int bit = 0; bit < 7; ++bit)
        ones += (value >> bit) & 1;
    return ones % 2 == 0 ? (value | 0x80) : (value & 0x7F);
}

int Bcd(int value)
{
    return (value / 10) << 4 | (value % 10);
}

// ---------------------------------------------------------------------------
// Where and how values are stored

enum class Form {
    PartNumber,
    Serial,
    Date,
    Maker,             // bank count byte and code byte
    MakerContinuation,  // 7Fh per bank below, then the code byte
    Revision,
    Speed,             // MT/s, stored as the clock period
    Time,
    CasLatencies,
    Voltage,
    Name,              // a profile's name
    Enabled,           // a profile's enable bit
};

enum class VoltageForm { Ddr4Fixed, Ddr5Fixed, Xmp2, Ddr5Code };

struct FieldDef {
    std::string name;
    Form form = Form::Serial;
    int at = 0;      // first byte (or the code byte of a maker)
    int length = 1;  // bytes of a text or hex field; the count byte of a maker
    TimeCoding time;  // times, and the clock period of a speed
    TimingName timing = TimingName::ClockPeriod;
    CasCoding cas;   // offsets from the image's first byte
    VoltageForm voltage = VoltageForm::Xmp2;
    int bit = 0;     // enable bit
    int profile = 0; // position of the profile the field belongs to, 0 for the image's own

    [[nodiscard]] std::vector<ByteSpan> bytes() const;
};

std::vector<ByteSpan> TimeBytes(const TimeCoding& t)
{
    switch (t.form) {
    case TimeForm::MediumFine: return {{t.a, t.a}, {t.b, t.b}};
    case TimeForm::Nibble:
        if (t.c >= 0)
            return {{t.a, t.a}, {t.b, t.b}, {t.c, t.c}};
        return {{t.a, t.a}, {t.b, t.b}};
    case TimeForm::Word: break;
    }
    return {{t.a, t.a + 1}};
}

std::vector<ByteSpan> FieldDef::bytes() const
{
    switch (form) {
    case Form::Maker: return {{length, length}, {at, at}};
    case Form::Date: return {{at, at + 1}};
    case Form::MakerContinuation: return {{at, at + 7}};
    case Form::Speed:
    case Form::Time: return TimeBytes(time);
    case Form::CasLatencies:
        return {{at, at + cas.bytes - 1}};
    case Form::Voltage:
    case Form::Enabled: return {{at, at}};
    default: break;
    }
    return {{at, at + length - 1}};
}

FieldDef Def(std::string name, Form form, int at, int length = 1)
{
    FieldDef def;
    def.name = std::move(name);
    def.form = form;
    def.at = at;
    def.length = length;
    return def;
}

FieldDef TimeDef(TimingName timing, bool ddr5, TimeCoding codec, int profile)
{
    FieldDef def = Def(TimingKey(timing, ddr5), Form::Time, codec.a);
    def.timing = timing;
    def.time = codec;
    def.profile = profile;
    return def;
}

void AddIdentity(std::vector<FieldDef>& defs, const IdentityLayout& at)
{
    defs.push_back(at.makerByContinuation ? Def("manufacturer", Form::MakerContinuation, at.maker)
                                          : Def("manufacturer", Form::Maker, at.maker + 1, at.maker));
    defs.push_back(Def("manufactured", Form::Date, at.date));
    defs.push_back(Def("serialNumber", Form::Serial, at.serial, 4));
    defs.push_back(Def("partNumber", Form::PartNumber, at.part, at.partLength));
    defs.push_back(Def("moduleRevision", Form::Revision, at.revision, at.revisionLength));
}

// The speed, the clock period, the other times and the CAS latencies of a
// block at base, with the voltage at voltage (an offset in the block).
void AddTimings(std::vector<FieldDef>& defs, TimingBlock block, int base, int position, VoltageForm voltageForm,
                int voltage)
{
    const bool ddr5 = block != TimingBlock::Ddr4 && block != TimingBlock::Xmp2;
    const auto places = TimingPlaces(block);
    FieldDef speed = Def("speedMTs", Form::Speed, base);
    speed.time = CodingAt(places[0].coding, base);
    speed.profile = position;
    defs.push_back(speed);
    for (const TimingPlace& place : places)
        defs.push_back(TimeDef(place.name, ddr5, CodingAt(place.coding, base), position));
    if (const auto cas = CasPlace(block)) {
        FieldDef list = Def("casLatencies", Form::CasLatencies, base + cas->at);
        list.cas = *cas;
        list.cas.at += base;
        list.profile = position;
        defs.push_back(list);
    }
    FieldDef volts = Def("voltage", Form::Voltage, base + voltage);
    volts.voltage = voltageForm;
    volts.profile = position;
    defs.push_back(volts);
}

void AddDdr4Timings(std::vector<FieldDef>& defs)
{
    AddTimings(defs, TimingBlock::Ddr4, 0, 0, VoltageForm::Ddr4Fixed, 11);
}

void AddDdr5Timings(std::vector<FieldDef>& defs)
{
    AddTimings(defs, TimingBlock::Ddr5, 0, 0, VoltageForm::Ddr5Fixed, 16);
}

bool Present(const FieldDef& def, int size)
{
    for (const ByteSpan& span : def.bytes())
        if (span.last >= size)
            return false;
    return true;
}

// Every settable value of the image's own bytes (not the profiles').
std::vector<FieldDef> ImageFieldDefs(std::span<const std::uint8_t> image)
{
    const SpdLayout layout = LayoutOf(image);
    std::vector<FieldDef> defs;
    if (const auto identity = IdentityLayoutOf(layout))
        AddIdentity(defs, *identity);
    switch (layout.generation) {
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E: AddDdr4Timings(defs); break;
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X:
        AddDdr4Timings(defs);
        defs.resize(7);  // identity, speed and tCKmin: the other timing bytes mean other things
        break;
    case MemoryType::Ddr5: AddDdr5Timings(defs); break;
    default: break;
    }
    return defs;
}

// ---------------------------------------------------------------------------
// Overclocking profile slots

enum class ProfileKind { Xmp2, Xmp3, Expo };

const char* KindText(ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Xmp2: return "XMP 2.0";
    case ProfileKind::Xmp3: return "XMP 3.0";
    case ProfileKind::Expo: return "EXPO";
    }
    return "";
}

struct ProfileSlot {
    ProfileKind kind = ProfileKind::Xmp2;
    int index = 1;
    int at = 0;
    int length = 0;
    int enableByte = 0;
    int enableBit = 0;
};

bool HasBytes(std::span<const std::uint8_t> image, int first, int last)
{
    return last < static_cast<int>(image.size()) && first <= last;
}

bool Xmp2Present(std::span<const std::uint8_t> image)
{
    return HasBytes(image, 384, 486) && image[384] == 0x0C && image[385] == 0x4A;
}

bool Xmp3Present(std::span<const std::uint8_t> image)
{
    return HasBytes(image, 0x280, 0x3FF) && image[0x280] == 0x0C && image[0x281] == 0x4A;
}

bool ExpoPresent(std::span<const std::uint8_t> image)
{
    return HasBytes(image, 0x280, 0x3FF) && image[0x340] == 'E' && image[0x341] == 'X' && image[0x342] == 'P' &&
        image[0x343] == 'O';
}

std::vector<ProfileSlot> SlotsOfKind(std::span<const std::uint8_t> image, ProfileKind kind)
{
    std::vector<ProfileSlot> slots;
    switch (kind) {
    case ProfileKind::Xmp2:
        for (int i = 0; i < 2; ++i)
            slots.push_back({kind, i + 1, 393 + 47 * i, 47, 386, i});
        break;
    case ProfileKind::Xmp3:
        for (int i = 0; i < (ExpoPresent(image) ? 2 : 3); ++i)
            slots.push_back({kind, i + 1, 0x2C0 + 0x40 * i, 0x40, 0x283, i});
        break;
    case ProfileKind::Expo:
        for (int i = 0; i < 2; ++i)
            slots.push_back({kind, i + 1, 0x34A + 0x28 * i, 0x28, 0x345, 4 * i});
        break;
    }
    return slots;
}

// The profiles in the order decode lists them.
std::vector<ProfileSlot> ProfileSlots(std::span<const std::uint8_t> image)
{
    std::vector<ProfileSlot> slots;
    const MemoryType generation = LayoutOf(image).generation;
    if ((generation == MemoryType::Ddr4 || generation == MemoryType::Ddr4E) && Xmp2Present(image))
        slots = SlotsOfKind(image, ProfileKind::Xmp2);
    if (generation == MemoryType::Ddr5) {
        if (Xmp3Present(image))
            slots = SlotsOfKind(image, ProfileKind::Xmp3);
        if (ExpoPresent(image)) {
            const auto expo = SlotsOfKind(image, ProfileKind::Expo);
            slots.insert(slots.end(), expo.begin(), expo.end());
        }
    }
    return slots;
}

std::vector<FieldDef> SlotFieldDefs(const ProfileSlot& slot, int position)
{
    std::vector<FieldDef> defs;
    FieldDef enabled = Def("enabled", Form::Enabled, slot.enableByte);
    enabled.bit = slot.enableBit;
    enabled.profile = position;
    if (slot.kind == ProfileKind::Xmp3) {
        FieldDef name = Def("name", Form::Name, 0x28E + 16 * (slot.index - 1), 16);
        name.profile = position;
        defs.push_back(name);
    }
    defs.push_back(enabled);
    switch (slot.kind) {
    case ProfileKind::Xmp2:
        AddTimings(defs, TimingBlock::Xmp2, slot.at, position, VoltageForm::Xmp2, 0);
        break;
    case ProfileKind::Xmp3:
        AddTimings(defs, TimingBlock::Xmp3, slot.at, position, VoltageForm::Ddr5Code, 1);
        break;
    case ProfileKind::Expo:
        AddTimings(defs, TimingBlock::Expo, slot.at, position, VoltageForm::Ddr5Code, 0);
        break;
    }
    return defs;
}

// ---------------------------------------------------------------------------
// Current values

std::optional<std::string> CurrentText(const FieldDef& def, const ModuleDecode& d, std::span<const std::uint8_t> image,
                                       std::optional<int>* clocks = nullptr)
{
    const SpdBytes b(image);
    const OverclockProfile* p = nullptr;
    if (def.profile > 0) {
        if (static_cast<std::size_t>(def.profile) > d.profiles.size())
            return std::nullopt;
        p = &d.profiles[static_cast<std::size_t>(def.profile - 1)];
    }
    const TimingSet& timings = p ? p->timings : d.timings;
    switch (def.form) {
    case Form::PartNumber: return d.summary.partNumber;
    case Form::Serial: return d.summary.serialNumber;
    case Form::Date: return d.summary.manufactured;
    case Form::Maker:
    case Form::MakerContinuation:
        if (!d.summary.manufacturer)
            return std::nullopt;
        return MakerText(*d.summary.manufacturer);
    case Form::Revision: return HexField(b, def.at, def.length);
    case Form::Speed: {
        const auto speed = p ? p->speedMTs : d.summary.speedMTs;
        return speed ? std::optional<std::string>(std::to_string(*speed)) : std::nullopt;
    }
    case Form::Time: {
        const auto& value = timings[def.timing];
        if (!value)
            return std::nullopt;
        if (clocks)
            *clocks = value->clocks;
        return TimeText(std::int64_t{value->ps} * 1000);
    }
    case Form::CasLatencies: {
        const auto& list = p ? p->casLatencies : d.casLatencies;
        return list ? std::optional<std::string>(ListText(*list)) : std::nullopt;
    }
    case Form::Voltage: return p ? p->voltage : d.voltage;
    case Form::Name: return p ? p->name : std::nullopt;
    case Form::Enabled: return p ? std::optional<std::string>(p->enabled ? "true" : "false") : std::nullopt;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Storing values

using Bytes = std::vector<std::uint8_t>;

std::int64_t CeilDiv(std::int64_t a, std::int64_t b)
{
    return (a + b - 1) / b;
}

// Stores ps (a whole number of picoseconds) by the codec, rounded up to the
// next value the bytes hold. Returns an error text, empty on success.
std::string StoreTime(Bytes& bytes, const TimeCoding& t, std::int64_t ps)
{
    const auto put = [&bytes](int at, std::int64_t value) {
        bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value & 0xFF);
    };
    switch (t.form) {
    case TimeForm::MediumFine: {
        if (ps > 255 * 125 + 127)
            return "at most " + TimeText((255 * 125 + 127) * 1000);
        const std::int64_t medium = std::min<std::int64_t>(255, CeilDiv(ps, 125));
        put(t.a, medium);
        put(t.b, ps - medium * 125);
        return {};
    }
    case TimeForm::Nibble: {
        const std::int64_t limit = 4095 * 125 + (t.c >= 0 ? 127 : 0);
        if (ps > limit)
            return "at most " + TimeText(limit * 1000);
        const std::int64_t units = std::min<std::int64_t>(4095, CeilDiv(ps, 125));
        const int shift = t.highNibble ? 4 : 0;
        const int mask = 0x0F << shift;
        const int old = bytes[static_cast<std::size_t>(t.a)];
        put(t.a, (old & ~mask) | ((units >> 8) << shift & mask));
        put(t.b, units);
        if (t.c >= 0)
            put(t.c, ps - units * 125);
        return {};
    }
    case TimeForm::Word: {
        const std::int64_t units = CeilDiv(ps, t.unit);
        if (units > 0xFFFF)
            return "at most " + TimeText(std::int64_t{0xFFFF} * t.unit * 1000);
        put(t.a, units);
        put(t.a + 1, units >> 8);
        return {};
    }
    }
    return {};
}

// The range a CAS bitmap holds, for the operator: "7-30", "even numbers within 20-98".
std::string CasRange(const CasCoding& c)
{
    const std::string range = std::to_string(c.first) + "-" + std::to_string(c.first + c.step * (c.count - 1));
    if (c.rangeBit)
        return "lie within " + range + " or within 23-" + std::to_string(23 + c.count - 1);
    return c.step == 2 ? "are even numbers within " + range : "lie within " + range;
}

std::string StoreCas(Bytes& bytes, const FieldDef& def, const std::vector<int>& latencies)
{
    if (latencies.empty())
        return "give at least one CAS latency";
    const CasCoding& c = def.cas;
    const auto bitmap = [&](int first) -> std::optional<std::uint64_t> {
        std::uint64_t bits = 0;
        for (int cl : latencies) {
            if (cl < first || (cl - first) % c.step != 0 || (cl - first) / c.step >= c.count)
                return std::nullopt;
            bits |= std::uint64_t{1} << ((cl - first) / c.step);
        }
        return bits;
    };
    // DDR4 has two ranges, CL 7-36 and 23-52: the one the image uses when the list fits it.
    const SpdBytes view(bytes);
    int first = CasFirst(view, 0, c);
    auto bits = bitmap(first);
    if (!bits && c.rangeBit) {
        first = first == 23 ? c.first : 23;
        bits = bitmap(first);
    }
    if (!bits)
        return "CAS latencies here " + CasRange(c);
    auto& last = bytes[static_cast<std::size_t>(c.at + c.bytes - 1)];
    const int kept = c.rangeBit ? (last & 0x40) | (first == 23 ? 0x80 : 0) : 0;
    for (int i = 0; i < c.bytes; ++i)
        bytes[static_cast<std::size_t>(c.at + i)] = static_cast<std::uint8_t>(*bits >> (8 * i));
    if (c.rangeBit)
        last = static_cast<std::uint8_t>((last & 0x3F) | kept);
    return {};
}

// The bytes of a DDR5 overclocking voltage: bits 7-5 volts, bits 4-0 steps of 0.05 V.
std::optional<std::uint8_t> Ddr5VoltageCode(int hundredths)
{
    if (hundredths < 0 || hundredths > 7 * 100 + 95)
        return std::nullopt;
    return static_cast<std::uint8_t>((hundredths / 100) << 5 | (hundredths % 100) / 5);
}

std::string StoreVoltage(Bytes& bytes, const FieldDef& def, std::int64_t millivolts)
{
    auto& byte = bytes[static_cast<std::size_t>(def.at)];
    switch (def.voltage) {
    case VoltageForm::Ddr4Fixed:
        if (millivolts != 1200)
            return "DDR4 stores only 1.2 V";
        byte = static_cast<std::uint8_t>(byte | 1);
        return {};
    case VoltageForm::Ddr5Fixed:
        if (millivolts != 1100)
            return "DDR5 stores only 1.1 V";
        byte = static_cast<std::uint8_t>(byte & 0x0F);
        return {};
    case VoltageForm::Xmp2: {
        // Bit 7 one volt, bits 6-0 hundredths.
        const std::int64_t hundredths = (millivolts + 5) / 10;
        if (hundredths < 1 || hundredths > 227)
            return "an XMP 2.0 voltage lies within 0.01-2.27 V";
        byte = static_cast<std::uint8_t>(hundredths >= 100 ? 0x80 | (hundredths - 100) : hundredths);
        return {};
    }
    case VoltageForm::Ddr5Code: {
        const std::int64_t steps = (millivolts + 25) / 50;  // to the nearest 0.05 V
        const auto code = steps <= 200 ? Ddr5VoltageCode(static_cast<int>(steps * 5)) : std::nullopt;
        if (steps < 1 || !code)
            return "a DDR5 profile voltage lies within 0.05-7.95 V";
        byte = *code;
        return {};
    }
    }
    return {};
}

std::string Unquoted(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// Looks up a maker by name ("Samsung": a row's name without its parentheses,
// any case; a unique leading word or words also do) or by "bank:code".
std::string FindMaker(std::string_view value, int& bank, int& code)
{
    value = Trimmed(value);
    if (!value.empty() && value.back() == ')') {
        const auto open = value.rfind('(');
        if (open != std::string_view::npos) {
            const std::string_view inner = value.substr(open + 1, value.size() - open - 2);
            if (inner.find(':') != std::string_view::npos)
                value = inner;
        }
    }
    if (const auto colon = value.find(':'); colon != std::string_view::npos) {
        const auto b = ParseInt(value.substr(0, colon), 128);
        const auto c = ParseHexBytes(value.substr(colon + 1), 1);
        if (!b || *b < 1 || !c)
            return "\"" + std::string(value) + "\" is not BANK:CODE (\"1:CE\") with bank 1-128";
        bank = *b;
        code = (*c)[0] & 0x7F;
        if (code == 0 || code == 0x7F)
            return "code " + std::string(value.substr(colon + 1)) + " is not a manufacturer code";
        return {};
    }
    const auto plain = [](std::string_view name) {
        if (name.size() >= 2 && name.front() == '(' && name.back() == ')')
            name = name.substr(1, name.size() - 2);
        return name;
    };
    std::vector<const Jep106Row*> prefix;
    for (int i = 0; i < Jep106RowCount(); ++i) {
        const Jep106Row& row = Jep106Rows()[i];
        const std::string_view name = plain(row.name);
        if (EqualsNoCase(name, value)) {
            bank = row.bank;
            code = row.code;
            return {};
        }
        if (!value.empty() && name.size() > value.size() && EqualsNoCase(name.substr(0, value.size()), value) &&
            !std::isalnum(static_cast<unsigned char>(name[value.size()])))
            prefix.push_back(&row);
    }
    if (prefix.size() == 1) {
        bank = prefix[0]->bank;
        code = prefix[0]->code;
        return {};
    }
    if (prefix.empty())
        return "no manufacturer \"" + std::string(value) + "\" in the JEP106 table (give BANK:CODE, \"1:CE\")";
    std::string names;
    for (std::size_t i = 0; i < prefix.size() && i < 3; ++i)
        names += (i ? ", " : "") + std::string(plain(prefix[i]->name));
    return "\"" + std::string(value) + "\" names several manufacturers (" + names + (prefix.size() > 3 ? ", ..." : "") +
        ")";
}

std::string TimeHint()
{
    return "a time such as 13.75ns or 13750ps";
}

// Writes value into a copy of the field's bytes. requested receives the value's
// own text in the field's text form when storing may round it.
std::string Store(Bytes& bytes, const FieldDef& def, std::string_view value, std::optional<std::string>& requested)
{
    const std::string bad = "\"" + std::string(value) + "\" is not ";
    switch (def.form) {
    case Form::PartNumber:
    case Form::Name: {
        std::string text = Unquoted(value);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.size() > static_cast<std::size_t>(def.length))
            return "at most " + std::to_string(def.length) + " characters";
        for (char c : text)
            if (c < 0x20 || c > 0x7E)
                return "only printable ASCII characters (20h-7Eh)";
        text.resize(static_cast<std::size_t>(def.length), ' ');  // padded with blanks
        std::copy(text.begin(), text.end(), bytes.begin() + def.at);
        return {};
    }
    case Form::Serial:
    case Form::Revision: {
        const auto hex = ParseHexBytes(value, def.length);
        if (!hex)
            return bad + std::to_string(2 * def.length) + " hex digits";
        std::copy(hex->begin(), hex->end(), bytes.begin() + def.at);
        return {};
    }
    case Form::Date: {
        const std::string_view text = Trimmed(value);
        const auto dash = text.find('-');
        if (dash == std::string_view::npos || dash + 1 >= text.size() ||
            (text[dash + 1] != 'W' && text[dash + 1] != 'w'))
            return bad + "YEAR-Wweek (\"2024-W07\")";
        const auto year = ParseInt(text.substr(0, dash), 9999);
        const auto week = ParseInt(text.substr(dash + 2), 99);
        if (!year || !week || dash != 4)
            return bad + "YEAR-Wweek (\"2024-W07\")";
        if (*year < 1980 || *year > 2079 || *week < 1 || *week > 53)
            return "years 1980-2079 and weeks 1-53 can be stored";
        bytes[static_cast<std::size_t>(def.at)] = static_cast<std::uint8_t>(Bcd(*year % 100));
        bytes[static_cast<std::size_t>(def.at + 1)] = static_cast<std::uint8_t>(Bcd(*week));
        return {};
    }
    case Form::Maker:
    case Form::MakerContinuation: {
        int bank = 1;
        int code = 0;
        if (std::string error = FindMaker(value, bank, code); !error.empty())
            return error;
        if (def.form == Form::Maker) {
            bytes[static_cast<std::size_t>(def.length)] = static_cast<std::uint8_t>(OddParity(bank - 1));
            bytes[static_cast<std::size_t>(def.at)] = static_cast<std::uint8_t>(OddParity(code));
            return {};
        }
        if (bank > 8)
            return "this generation stores banks 1-8";
        for (int i = 0; i < 8; ++i)
            bytes[static_cast<std::size_t>(def.at + i)] =
                static_cast<std::uint8_t>(i < bank - 1 ? 0x7F : i == bank - 1 ? OddParity(code) : 0);
        return {};
    }
    case Form::Speed: {
        std::string_view text = Trimmed(value);
        TakeUnit(text, "MT/s");
        const auto speed = ParseInt(text, 100000);
        if (!speed || *speed < 100)
            return bad + "a data rate in MT/s (\"3200\")";
        // Every data rate is n x 200/3 MT/s, a clock period of 30/n ns.
        const std::int64_t n = (std::int64_t{*speed} * 3 + 100) / 200;
        requested = std::to_string(*speed);
        return StoreTime(bytes, def.time, 30000 / n);
    }
    case Form::Time: {
        const auto milli = ParseTime(value);
        if (!milli)
            return bad + TimeHint();
        if (*milli <= 0)
            return "a time must be above 0";
        requested = TimeText(*milli);
        return StoreTime(bytes, def.time, CeilDiv(*milli, 1000));
    }
    case Form::CasLatencies: {
        const auto list = ParseIntList(value);
        if (!list)
            return bad + "a list of CAS latencies (\"10,11,12,14\")";
        return StoreCas(bytes, def, *list);
    }
    case Form::Voltage: {
        const auto mv = ParseMillivolts(value);
        if (!mv)
            return bad + "a voltage (\"1.35 V\")";
        std::string text;
        AppendDecimal(text, *mv, 1000);
        requested = text + " V";
        return StoreVoltage(bytes, def, *mv);
    }
    case Form::Enabled: {
        const auto flag = ParseFlag(value);
        if (!flag)
            return bad + "true or false";
        auto& byte = bytes[static_cast<std::size_t>(def.at)];
        byte = static_cast<std::uint8_t>(*flag ? (byte | 1 << def.bit) : (byte & ~(1 << def.bit)));
        return {};
    }
    }
    return {};
}

// The number in a voltage text ("1.35 V" -> 1350 mV), to compare values given in other forms.
std::optional<std::int64_t> VoltageOf(const std::optional<std::string>& text)
{
    return text ? ParseMillivolts(*text) : std::nullopt;
}

std::string NamesOf(const std::vector<FieldDef>& defs, int size)
{
    std::string names;
    for (const FieldDef& def : defs)
        if (Present(def, size))
            names += (names.empty() ? "" : ", ") + def.name;
    return names;
}

EditOutcome Failed(std::string error)
{
    EditOutcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

// Sets one field of defs; what is stored is read back through the decoder.
EditOutcome Apply(Bytes& image, const std::vector<FieldDef>& defs, std::string_view name, std::string_view value,
                  const std::string& owner)
{
    const auto def = std::find_if(defs.begin(), defs.end(), [&](const FieldDef& d) { return d.name == name; });
    if (def == defs.end()) {
        const std::string names = NamesOf(defs, static_cast<int>(image.size()));
        return Failed(owner + " has no value \"" + std::string(name) + "\"" +
                      (names.empty() ? std::string(" (it has none to set)") : " (values: " + names + ")"));
    }
    if (!Present(*def, static_cast<int>(image.size())))
        return Failed(std::string(name) + ": its bytes lie beyond the " + std::to_string(image.size()) + " bytes read");

    const ModuleDecode before = DecodeModule(image);
    const std::optional<std::string> current = CurrentText(*def, before, image);
    Bytes changed = image;
    std::optional<std::string> requested;
    if (std::string error = Store(changed, *def, value, requested); !error.empty())
        return Failed(std::string(name) + "=" + std::string(value) + ": " + error);
    UpdateCheckBytes(changed);
    const ModuleDecode after = DecodeModule(changed);
    const std::optional<std::string> stored = CurrentText(*def, after, changed);

    EditOutcome outcome;
    outcome.stored = stored.value_or("");
    if (requested)
        outcome.exact = def->form == Form::Voltage ? VoltageOf(stored) == VoltageOf(requested) : stored == requested;
    Bytes result = changed;
    if (stored == current) {
        // The value reads as before: its bytes stay as they are (another coding of
        // the same value, padding), only the check bytes are brought up to date.
        result = image;
        UpdateCheckBytes(result);
    }
    outcome.changed = ChangedBytes(image, result);
    image = std::move(result);
    return outcome;
}

std::vector<EditableField> FieldsOf(const std::vector<FieldDef>& defs, std::span<const std::uint8_t> image)
{
    const ModuleDecode d = DecodeModule(image);
    std::vector<EditableField> fields;
    for (const FieldDef& def : defs) {
        if (!Present(def, static_cast<int>(image.size())))
            continue;
        EditableField field;
        field.name = def.name;
        field.text = CurrentText(def, d, image, &field.clocks);
        field.bytes = def.bytes();
        if (def.form == Form::CasLatencies) {
            for (int i = 0; i < def.cas.count; ++i) {
                field.choices.push_back(def.cas.first + def.cas.step * i);
                if (def.cas.rangeBit)
                    field.choices.push_back(23 + i);
            }
            std::sort(field.choices.begin(), field.choices.end());
            field.choices.erase(std::unique(field.choices.begin(), field.choices.end()), field.choices.end());
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

std::string OwnerText(std::span<const std::uint8_t> image)
{
    return "a " + SummarizeModule(image).generation + " image";
}

// ---------------------------------------------------------------------------
// Profiles

std::optional<ProfileKind> KindFromName(std::string_view name, MemoryType generation)
{
    std::string squeezed;
    for (char c : Trimmed(name))
        if (c != ' ' && c != '.' && c != '-' && c != '_')
            squeezed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (squeezed == "xmp")
        return generation == MemoryType::Ddr5 ? ProfileKind::Xmp3 : ProfileKind::Xmp2;
    if (squeezed == "xmp20" || squeezed == "xmp2")
        return ProfileKind::Xmp2;
    if (squeezed == "xmp30" || squeezed == "xmp3")
        return ProfileKind::Xmp3;
    if (squeezed == "expo")
        return ProfileKind::Expo;
    return std::nullopt;
}

bool AllZero(std::span<const std::uint8_t> image, int first, int last)
{
    return std::all_of(image.begin() + first, image.begin() + last + 1, [](std::uint8_t b) { return b == 0; });
}

void Fill(Bytes& image, int first, int last, std::uint8_t value = 0)
{
    std::fill(image.begin() + first, image.begin() + last + 1, value);
}

// Writes a profile's values into its slot through the slot's fields.
std::string WriteValues(Bytes& image, const ProfileSlot& slot, int position, const OverclockProfile& values,
                        std::optional<std::string> vdd)
{
    const std::vector<FieldDef> defs = SlotFieldDefs(slot, position);
    for (const FieldDef& def : defs) {
        std::optional<std::string> requested;
        std::string text;
        if (def.form == Form::Time) {
            const auto& value = values.timings[def.timing];
            if (!value)
                continue;
            text = std::to_string(value->ps) + "ps";
        } else if (def.form == Form::CasLatencies) {
            if (!values.casLatencies || values.casLatencies->empty())
                continue;
            text = ListText(*values.casLatencies);
        } else if (def.form == Form::Voltage) {
            if (!vdd)
                continue;
            text = *vdd;
        } else {
            continue;
        }
        if (std::string error = Store(image, def, text, requested); !error.empty())
            return def.name + "=" + text + ": " + error;
    }
    return {};
}

// The JEDEC values of the image as a profile.
OverclockProfile JedecValues(std::span<const std::uint8_t> image)
{
    const ModuleDecode d = DecodeModule(image);
    OverclockProfile p;
    p.timings = d.timings;
    p.casLatencies = d.casLatencies;
    return p;
}

// Clears a header's bytes `first`-`last` and writes its identification from `first` on.
void WriteMark(Bytes& image, int first, int last, std::initializer_list<std::uint8_t> mark)
{
    Fill(image, first, last);
    std::copy(mark.begin(), mark.end(), image.begin() + first);
}

void WriteHeader(Bytes& image, ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Xmp2: WriteMark(image, 384, 392, {0x0C, 0x4A, 0x00, 0x20}); break;
    case ProfileKind::Xmp3: WriteMark(image, 0x280, 0x2BF, {0x0C, 0x4A, 0x30}); break;
    case ProfileKind::Expo: WriteMark(image, 0x340, 0x3BF, {'E', 'X', 'P', 'O', 0x10}); break;
    }
}

bool KindPresent(std::span<const std::uint8_t> image, ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Xmp2: return Xmp2Present(image);
    case ProfileKind::Xmp3: return Xmp3Present(image);
    case ProfileKind::Expo: return ExpoPresent(image);
    }
    return false;
}

bool SlotEnabled(std::span<const std::uint8_t> image, const ProfileSlot& slot)
{
    return (image[static_cast<std::size_t>(slot.enableByte)] >> slot.enableBit) & 1;
}

int PositionOf(std::span<const std::uint8_t> image, const ProfileSlot& slot)
{
    const auto slots = ProfileSlots(image);
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i].kind == slot.kind && slots[i].index == slot.index)
            return static_cast<int>(i) + 1;
    return 0;
}

std::optional<ProfileSlot> SlotAt(std::span<const std::uint8_t> image, int position, std::string& error)
{
    const auto slots = ProfileSlots(image);
    if (position < 1 || static_cast<std::size_t>(position) > slots.size()) {
        error = slots.empty() ? "the image holds no overclocking profile"
                              : "no profile " + std::to_string(position) + " (the image lists " +
                                std::to_string(slots.size()) + ")";
        return std::nullopt;
    }
    return slots[static_cast<std::size_t>(position - 1)];
}

}  // namespace

void UpdateCheckBytes(std::span<std::uint8_t> image)
{
    if (LayoutOf(image).size == kSpdSize && image.size() >= static_cast<std::size_t>(kSpdSize)) {
        SpdImage page{};
        std::copy_n(image.begin(), kSpdSize, page.begin());
        if (UsesCrc(page)) {
            const std::uint16_t crc = SpdCrc(page);
            image[kCrcLowByte] = static_cast<std::uint8_t>(crc & 0xFF);
            image[kCrcHighByte] = static_cast<std::uint8_t>(crc >> 8);
        } else {
            image[kChecksumByte] = Checksum63(page);
        }
        return;
    }
    FixCrcBlocks(image);
}

std::vector<ByteSpan> CheckByteSpans(std::span<const std::uint8_t> image)
{
    if (LayoutOf(image).size == kSpdSize && image.size() >= static_cast<std::size_t>(kSpdSize)) {
        SpdImage page{};
        std::copy_n(image.begin(), kSpdSize, page.begin());
        if (UsesCrc(page))
            return {{kCrcLowByte, kCrcHighByte}};
        return {{kChecksumByte, kChecksumByte}};
    }
    Bytes copy(image.begin(), image.end());
    std::vector<ByteSpan> spans;
    for (const CrcBlock& block : FixCrcBlocks(copy))
        spans.push_back({block.storedAt, block.storedAt + 1});
    return spans;
}

std::vector<ByteSpan> ChangedBytes(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after)
{
    std::vector<ByteSpan> spans;
    const std::size_t n = std::min(before.size(), after.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (before[i] == after[i])
            continue;
        const int at = static_cast<int>(i);
        if (!spans.empty() && spans.back().last == at - 1)
            spans.back().last = at;
        else
            spans.push_back({at, at});
    }
    return spans;
}

std::vector<EditableField> EditableFields(std::span<const std::uint8_t> image)
{
    return FieldsOf(ImageFieldDefs(image), image);
}

EditOutcome SetField(std::vector<std::uint8_t>& image, std::string_view name, std::string_view value)
{
    return Apply(image, ImageFieldDefs(image), name, value, OwnerText(image));
}

std::vector<EditableField> ProfileFields(std::span<const std::uint8_t> image, int position)
{
    std::string error;
    const auto slot = SlotAt(image, position, error);
    if (!slot)
        return {};
    return FieldsOf(SlotFieldDefs(*slot, position), image);
}

EditOutcome SetProfileField(std::vector<std::uint8_t>& image, int position, std::string_view name,
                            std::string_view value)
{
    std::string error;
    const auto slot = SlotAt(image, position, error);
    if (!slot)
        return Failed(error);
    return Apply(image, SlotFieldDefs(*slot, position), name, value,
                 std::string(KindText(slot->kind)) + " profile " + std::to_string(slot->index));
}

EditOutcome AddProfile(std::vector<std::uint8_t>& image, std::string_view kindName, std::string_view from)
{
    const SpdLayout layout = LayoutOf(image);
    const auto kind = KindFromName(kindName, layout.generation);
    if (!kind)
        return Failed("unknown profile kind \"" + std::string(kindName) + "\" (XMP 2.0, XMP 3.0 or EXPO)");
    const bool ddr4 = layout.generation == MemoryType::Ddr4 || layout.generation == MemoryType::Ddr4E;
    const bool ddr5 = layout.generation == MemoryType::Ddr5;
    if (!(*kind == ProfileKind::Xmp2 ? ddr4 && HasBytes(image, 384, 511) : ddr5 && HasBytes(image, 0x280, 0x3FF)))
        return Failed(std::string(KindText(*kind)) + " profiles belong to whole " +
                      (*kind == ProfileKind::Xmp2 ? "DDR4" : "DDR5") + " images, not to " + OwnerText(image));

    // Where the values come from: the JEDEC bytes or another profile.
    const std::vector<OverclockProfile> profiles = OverclockProfiles(image);
    std::optional<ProfileSlot> source;
    OverclockProfile values;
    const std::string_view origin = Trimmed(from);
    if (origin.empty() || EqualsNoCase(origin, "jedec")) {
        values = JedecValues(image);
    } else if (const auto position = ParseInt(origin, 99)) {
        std::string error;
        source = SlotAt(image, *position, error);
        if (!source)
            return Failed("--from " + std::string(origin) + ": " + error);
        values = profiles[static_cast<std::size_t>(*position - 1)];
    } else {
        return Failed("--from takes jedec or a profile's number, not \"" + std::string(origin) + "\"");
    }

    Bytes changed = image;
    if (*kind == ProfileKind::Expo && !ExpoPresent(image) && Xmp3Present(image) && (image[0x283] & 4))
        return Failed("XMP 3.0 profile 3 holds bytes 340h-37Fh, where EXPO goes; remove it first");
    if (!KindPresent(image, *kind))
        WriteHeader(changed, *kind);
    const std::vector<ProfileSlot> slots = SlotsOfKind(changed, *kind);
    const auto free =
        std::find_if(slots.begin(), slots.end(), [&](const ProfileSlot& s) { return !SlotEnabled(changed, s); });
    if (free == slots.end())
        return Failed("every " + std::string(KindText(*kind)) + " profile is in use; remove one first");
    const ProfileSlot slot = *free;
    const int position = PositionOf(changed, slot);

    Fill(changed, slot.at, slot.at + slot.length - 1);
    if (slot.kind == ProfileKind::Xmp3)
        Fill(changed, 0x28E + 16 * (slot.index - 1), 0x28E + 16 * slot.index - 1);
    if (source && source->kind == slot.kind) {
        std::copy_n(image.begin() + source->at, slot.length, changed.begin() + slot.at);
        if (slot.kind == ProfileKind::Xmp3)
            std::copy_n(image.begin() + 0x28E + 16 * (source->index - 1), 16,
                        changed.begin() + 0x28E + 16 * (slot.index - 1));
    } else {
        std::optional<std::string> vdd = source ? values.voltage : std::nullopt;
        if (!vdd)
            vdd = ddr4 ? "1.2 V" : "1.1 V";
        if (std::string error = WriteValues(changed, slot, position, values, vdd); !error.empty())
            return Failed(error);
        if (slot.kind != ProfileKind::Xmp2) {
            // The other supply voltages: VDDQ as VDD, VPP 1.8 V (XMP 3.0 also VMEMCTRL 1.1 V).
            const int vddAt = slot.at + (slot.kind == ProfileKind::Xmp3 ? 1 : 0);
            const std::uint8_t vddCode = changed[static_cast<std::size_t>(vddAt)];
            const std::uint8_t vpp = *Ddr5VoltageCode(180);
            if (slot.kind == ProfileKind::Xmp3) {
                changed[static_cast<std::size_t>(slot.at)] = vpp;
                changed[static_cast<std::size_t>(slot.at + 2)] = vddCode;
                changed[static_cast<std::size_t>(slot.at + 4)] = *Ddr5VoltageCode(110);
            } else {
                changed[static_cast<std::size_t>(slot.at + 1)] = vddCode;
                changed[static_cast<std::size_t>(slot.at + 2)] = vpp;
            }
        }
    }
    changed[static_cast<std::size_t>(slot.enableByte)] |= static_cast<std::uint8_t>(1 << slot.enableBit);
    UpdateCheckBytes(changed);

    EditOutcome outcome;
    outcome.stored = std::to_string(position);
    outcome.changed = ChangedBytes(image, changed);
    image = std::move(changed);
    return outcome;
}

EditOutcome RemoveProfile(std::vector<std::uint8_t>& image, int position)
{
    std::string error;
    const auto slot = SlotAt(image, position, error);
    if (!slot)
        return Failed(error);
    Bytes changed = image;
    Fill(changed, slot->at, slot->at + slot->length - 1);
    changed[static_cast<std::size_t>(slot->enableByte)] &= static_cast<std::uint8_t>(~(1 << slot->enableBit));
    if (slot->kind == ProfileKind::Xmp3)
        Fill(changed, 0x28E + 16 * (slot->index - 1), 0x28E + 16 * slot->index - 1);

    // No other profile of the kind holds anything: the kind's whole block goes.
    const auto slots = SlotsOfKind(changed, slot->kind);
    const bool empty = std::all_of(slots.begin(), slots.end(), [&](const ProfileSlot& s) {
        return !SlotEnabled(changed, s) && AllZero(changed, s.at, s.at + s.length - 1);
    });
    if (empty) {
        switch (slot->kind) {
        case ProfileKind::Xmp2: Fill(changed, 384, 486); break;
        case ProfileKind::Xmp3: Fill(changed, 0x280, slots.back().at + slots.back().length - 1); break;
        case ProfileKind::Expo: Fill(changed, 0x340, 0x3BF); break;
        }
    }
    UpdateCheckBytes(changed);
    EditOutcome outcome;
    outcome.changed = ChangedBytes(image, changed);
    image = std::move(changed);
    return outcome;
}

}  // namespace tessaro
