#include "document/imagefacts.h"

#include "core/checks.h"
#include "core/hex.h"
#include "decode/decodedview.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "document/settle.h"
#include "document/spddocument.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace tessaro {

namespace {

class FactList {
public:
    void add(std::string name, std::string text, std::vector<ByteSpan> bytes = {})
    {
        m_facts.push_back({std::move(name), std::move(text), std::move(bytes)});
    }
    void addIfSet(std::string name, const std::optional<std::string>& text, std::vector<ByteSpan> bytes = {})
    {
        if (text)
            add(std::move(name), *text, std::move(bytes));
    }
    void addIfSet(std::string name, std::optional<int> value, std::vector<ByteSpan> bytes = {})
    {
        if (value)
            add(std::move(name), std::to_string(*value), std::move(bytes));
    }
    std::vector<ImageFact> take() { return std::move(m_facts); }

private:
    std::vector<ImageFact> m_facts;
};

// The bytes of the module's identity: maker, date, serial number and part
// number; the rest of the summary is read from bytes of DDR3 alone here.
struct IdentityBytes {
    std::vector<ByteSpan> maker, date, serial, part;
};

IdentityBytes IdentityOf(const SpdLayout& layout)
{
    const auto at = IdentityLayoutOf(layout);
    if (!at)
        return {};
    const int makerLast = at->maker + (at->makerByContinuation ? 7 : 1);
    return {{{at->maker, makerLast}},
            {{at->date, at->date + 1}},
            {{at->serial, at->serial + 3}},
            {{at->part, at->part + at->partLength - 1}}};
}

void AddSummary(FactList& facts, const ModuleSummary& s, const SpdLayout& layout)
{
    const IdentityBytes identity = IdentityOf(layout);
    const bool ddr3 = layout.generation == MemoryType::Ddr3;
    auto on = [ddr3](std::vector<ByteSpan> spans) { return ddr3 ? spans : std::vector<ByteSpan>{}; };
    facts.add("summary.generation", s.generation, {{2, 2}});
    facts.addIfSet("summary.moduleType", s.moduleType, on({{3, 3}}));
    facts.addIfSet("summary.capacityMB", s.capacityMB, on({{4, 4}, {7, 8}}));
    facts.addIfSet("summary.ranks", s.ranks, on({{7, 7}}));
    facts.addIfSet("summary.deviceWidth", s.deviceWidth, on({{7, 7}}));
    facts.addIfSet("summary.busWidth", s.busWidth, on({{8, 8}}));
    if (s.ecc)
        facts.add("summary.ecc", std::string(*s.ecc ? "true" : "false"), on({{8, 8}}));
    facts.addIfSet("summary.organisation", s.organisation, on({{7, 7}}));
    facts.addIfSet("summary.speedMTs", s.speedMTs, on({{10, 12}}));
    facts.addIfSet("summary.speedName", s.speedName, on({{10, 12}}));
    facts.addIfSet("summary.pcName", s.pcName, on({{8, 12}}));
    if (s.manufacturer) {
        const JedecMaker& m = *s.manufacturer;
        facts.add("summary.manufacturer",
                  (m.name ? *m.name + " " : std::string()) + "(bank " + std::to_string(m.bank) + ", code " + m.code + ")",
                  identity.maker);
    }
    facts.addIfSet("summary.partNumber", s.partNumber, identity.part);
    facts.addIfSet("summary.serialNumber", s.serialNumber, identity.serial);
    facts.addIfSet("summary.manufactured", s.manufactured, identity.date);
}

// The bytes of the DDR3 panel fields whose captions name none, in panel order.
const std::vector<ByteSpan> kDdr3InfoBytes[kInfoPanelFieldCount] = {
    {{3, 3}},          // Module Type
    {{4, 4}, {7, 7}},  // Module Density /R
    {{7, 7}},          // Module Ranks
    {{8, 8}},          // Module Bus Width
    {{10, 12}},        // Module Speed
    {{2, 2}},          // Memory Type
    {{4, 4}},          // SDRAM Density
    {{4, 4}},          // SDRAM Banks
    {{5, 5}},          // Number of Row
    {{5, 5}},          // Number of Col
    {{7, 7}},          // SDRAM Width
    {{14, 15}},        // CL Support
    {{20, 20}},        // Trp
    {{19, 19}},        // Trrd
    {{18, 18}},        // Trcd
    {{21, 22}},        // Tras
};

// The bytes a panel caption names in hex: "Trp(1B)", "Part Number(49-5A)".
std::vector<ByteSpan> CaptionBytes(std::string_view caption)
{
    const std::size_t open = caption.rfind('(');
    const std::size_t close = caption.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2)
        return {};
    int values[2] = {-1, -1};
    int count = 0;
    for (std::size_t i = open + 1; i < close; ++i) {
        const char c = caption[i];
        if (c == '-' && count == 0 && values[0] >= 0) {
            count = 1;
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return {};
        values[count] = (values[count] < 0 ? 0 : values[count]) * 16 + digit;
    }
    const int first = values[0];
    const int last = count == 1 ? values[1] : first;
    if (first < 0 || last < first || last >= kSpdSize)
        return {};
    return {{first, last}};
}

void AddPanelFacts(FactList& facts, std::span<const std::uint8_t> data)
{
    SpdImage image{};
    std::copy_n(data.begin(), kSpdSize, image.begin());
    DecodeContext context;
    SpdDocument document(context);
    OpenAndSettle(document, image);
    const DecodedView& view = document.view();

    facts.add("panel", std::string(view.ddr3PanelsShown ? "DDR3" : "SDR/DDR/DDR2"));
    facts.add("ioPanelTitle", view.ioPanelTitle);
    if (view.ddr3PanelsShown) {
        for (std::size_t i = 0; i < kDdr3Captions.size(); ++i) {
            facts.add(std::string("fields.") + kDdr3Captions[i], view.ddr3[i],
                      i < std::size(kDdr3InfoBytes) ? kDdr3InfoBytes[i] : CaptionBytes(kDdr3Captions[i]));
        }
        facts.add("manufacturerName", view.ddr3ManufacturerName, {{148, 149}});
        facts.add("fields." + view.crcCaption, view.crcValue, {{kCrcLowByte, kCrcHighByte}});
    } else {
        for (std::size_t i = 0; i < kLegacyCaptions.size(); ++i)
            facts.add(std::string("fields.") + kLegacyCaptions[i], view.legacy[i], CaptionBytes(kLegacyCaptions[i]));
        if (view.legacyManufacturerNameVisible)
            facts.add("manufacturerName", view.legacyManufacturerName, {{64, 71}});
    }
    // The check the image's type keeps: the CRC of a DDR3 image, the checksum of the others.
    if (UsesCrc(image)) {
        facts.add("checks.crc16", "stored " + WordToHex(StoredCrc(image)) + ", computed " + WordToHex(SpdCrc(image)),
                  {{0, CrcLastByte(image)}, {kCrcLowByte, kCrcHighByte}});
    } else {
        facts.add("checks.checksum63",
                  "stored " + ByteToHex(image[kChecksumByte]) + ", computed " + ByteToHex(Checksum63(image)),
                  {{0, kChecksumByte}});
    }
}

// Bytes of the named timings: DDR4 keeps a medium and a fine part, DDR5 a
// 16-bit value; in TimingName order.
std::vector<ByteSpan> TimingBytes(TimingName name, MemoryType generation)
{
    static const std::vector<ByteSpan> kDdr4[kTimingCount] = {
        {{18, 18}, {125, 125}}, {{24, 24}, {123, 123}}, {{25, 25}, {122, 122}}, {{26, 26}, {121, 121}},
        {{27, 28}}, {{27, 27}, {29, 29}, {120, 120}}, {{30, 31}}, {{32, 33}}, {{34, 35}}, {{36, 37}},
        {{38, 38}, {119, 119}}, {{39, 39}, {118, 118}}, {{40, 40}, {117, 117}}, {{41, 42}},
    };
    static const std::vector<ByteSpan> kDdr5[kTimingCount] = {
        {{20, 21}}, {{30, 31}}, {{32, 33}}, {{34, 35}}, {{36, 37}}, {{38, 39}}, {{42, 43}}, {{44, 45}},
        {{46, 47}}, {{82, 83}}, {}, {{70, 71}}, {{73, 74}}, {{40, 41}},
    };
    const auto i = static_cast<std::size_t>(name);
    switch (generation) {
    case MemoryType::Ddr4:
    case MemoryType::Ddr4E:
    case MemoryType::Lpddr4:
    case MemoryType::Lpddr4X:
        return kDdr4[i];
    case MemoryType::Ddr5:
        return kDdr5[i];
    default:
        return {};
    }
}

std::string TimingText(const TimingValue& value)
{
    return std::to_string(value.ps) + " ps" +
           (value.clocks ? " / " + std::to_string(*value.clocks) + (*value.clocks == 1 ? " clock" : " clocks")
                         : std::string());
}

void AddTimings(FactList& facts, const std::string& prefix, const TimingSet& timings, MemoryType generation)
{
    for (int i = 0; i < kTimingCount; ++i) {
        const auto name = static_cast<TimingName>(i);
        if (const auto& value = timings[name])
            facts.add(prefix + TimingKey(name, timings.ddr5), TimingText(*value), TimingBytes(name, generation));
    }
}

void AddProfiles(FactList& facts, const std::vector<OverclockProfile>& profiles)
{
    for (const OverclockProfile& p : profiles) {
        const std::string prefix = "profiles." + p.kind + " #" + std::to_string(p.index) + ".";
        facts.add(prefix + "enabled", std::string(p.enabled ? "true" : "false"));
        facts.addIfSet(prefix + "name", p.name);
        facts.addIfSet(prefix + "speedMTs", p.speedMTs);
        facts.addIfSet(prefix + "tCKminPs", p.clockPs);
        facts.addIfSet(prefix + "voltage", p.voltage);
        if (p.casLatencies)
            facts.add(prefix + "casLatencies", ListText(*p.casLatencies));
        AddTimings(facts, prefix + "timings.", p.timings, MemoryType::Unknown);
        if (p.crcOk)
            facts.add(prefix + "crcOk", std::string(*p.crcOk ? "true" : "false"));
    }
}

}  // namespace

std::vector<ImageFact> ImageFacts(std::span<const std::uint8_t> data)
{
    FactList facts;
    const ModuleDecode decode = DecodeModule(data);
    facts.add("size", std::to_string(decode.layout.size));
    AddSummary(facts, decode.summary, decode.layout);
    if (decode.layout.size == kSpdSize && data.size() >= static_cast<std::size_t>(kSpdSize)) {
        AddPanelFacts(facts, data);
    } else {
        AddTimings(facts, "timings.", decode.timings, decode.layout.generation);
        if (decode.casLatencies)
            facts.add("casLatencies", ListText(*decode.casLatencies));
        facts.addIfSet("voltage", decode.voltage);
        for (const CrcBlock& check : decode.checks) {
            facts.add("checks." + check.key,
                "stored " + WordToHex(check.stored) + ", computed " + WordToHex(check.computed),
                {{check.first, check.last}, {check.storedAt, check.storedAt + 1}});
        }
    }
    AddProfiles(facts, decode.profiles);
    for (std::size_t i = 0; i < decode.warnings.size(); ++i)
        facts.add("warnings." + std::to_string(i + 1), decode.warnings[i]);
    return facts.take();
}

std::vector<FactDifference> CompareFacts(const std::vector<ImageFact>& a, const std::vector<ImageFact>& b)
{
    std::unordered_map<std::string_view, const ImageFact*> inA;
    std::unordered_map<std::string_view, const ImageFact*> inB;
    for (const ImageFact& fact : a)
        inA.emplace(fact.name, &fact);
    for (const ImageFact& fact : b)
        inB.emplace(fact.name, &fact);

    std::vector<FactDifference> differences;
    for (const ImageFact& fact : a) {
        const auto other = inB.find(fact.name);
        if (other == inB.end())
            differences.push_back({fact.name, fact.text, std::nullopt, fact.bytes});
        else if (other->second->text != fact.text)
            differences.push_back({fact.name, fact.text, other->second->text, fact.bytes});
    }
    for (const ImageFact& fact : b) {
        if (!inA.count(fact.name))
            differences.push_back({fact.name, std::nullopt, fact.text, fact.bytes});
    }
    return differences;
}

}  // namespace tessaro
