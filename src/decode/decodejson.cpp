#include "decode/decodejson.h"

#include "core/utf8.h"

#include <cstdio>

namespace tessaro {

namespace {

void AppendKey(std::string& out, const char* key)
{
    if (!out.empty() && out.back() != '{')
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

void AppendText(std::string& out, const std::optional<std::string>& text)
{
    if (text)
        AppendJsonText(out, *text);
    else
        out += "null";
}

void AppendInt(std::string& out, std::optional<int> value)
{
    out += value ? std::to_string(*value) : "null";
}

void AppendBool(std::string& out, std::optional<bool> value)
{
    out += value ? (*value ? "true" : "false") : "null";
}

void AppendIntList(std::string& out, const std::optional<std::vector<int>>& values)
{
    if (!values) {
        out += "null";
        return;
    }
    out += '[';
    for (std::size_t i = 0; i < values->size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string((*values)[i]);
    }
    out += ']';
}

// A member: its key, then its value as the Append function above of its type writes it.
void TextMember(std::string& out, const char* key, const std::optional<std::string>& text)
{
    AppendKey(out, key);
    AppendText(out, text);
}

void IntMember(std::string& out, const char* key, std::optional<int> value)
{
    AppendKey(out, key);
    AppendInt(out, value);
}

void BoolMember(std::string& out, const char* key, std::optional<bool> value)
{
    AppendKey(out, key);
    AppendBool(out, value);
}

void IntListMember(std::string& out, const char* key, const std::optional<std::vector<int>>& values)
{
    AppendKey(out, key);
    AppendIntList(out, values);
}

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

}  // namespace

std::string ListText(const std::vector<int>& values)
{
    std::string text;
    for (int v : values) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(v);
    }
    return text;
}

void AppendJsonText(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        // A run of printable ASCII other than the quote and the backslash goes as it is.
        std::size_t plain = i;
        while (plain < text.size()) {
            const auto p = static_cast<unsigned char>(text[plain]);
            if (p < 0x20 || p >= 0x7F || p == '"' || p == '\\')
                break;
            ++plain;
        }
        if (plain > i) {
            out.append(text, i, plain - i);
            i = plain;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0x0F];
                } else {
                    out += static_cast<char>(c);
                }
            }
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(text, i);
        const auto next = n > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else if (n == 2 && c == 0xC2 && next < 0xA0) {
            // C1 controls U+0080-U+009F (NEL among them) break lines for some readers.
            out += "\\u00";
            out += kHex[next >> 4];
            out += kHex[next & 0x0F];
            i += n;
        } else if (n == 3 && c == 0xE2 && next == 0x80 && (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            // U+2028 and U+2029, the line and paragraph separators.
            out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += n;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    out += '"';
}

void AppendSummaryJson(std::string& out, const ModuleSummary& s)
{
    out += '{';
    AppendKey(out, "generation");
    AppendJsonText(out, s.generation);
    TextMember(out, "moduleType", s.moduleType);
    IntMember(out, "capacityMB", s.capacityMB);
    IntMember(out, "ranks", s.ranks);
    IntMember(out, "deviceWidth", s.deviceWidth);
    IntMember(out, "busWidth", s.busWidth);
    BoolMember(out, "ecc", s.ecc);
    TextMember(out, "organisation", s.organisation);
    IntMember(out, "speedMTs", s.speedMTs);
    TextMember(out, "speedName", s.speedName);
    TextMember(out, "pcName", s.pcName);
    AppendKey(out, "manufacturer");
    if (s.manufacturer) {
        out += "{\"bank\":" + std::to_string(s.manufacturer->bank) + ",\"code\":";
        AppendJsonText(out, s.manufacturer->code);
        out += ",\"name\":";
        AppendText(out, s.manufacturer->name);
        out += '}';
    } else {
        out += "null";
    }
    TextMember(out, "partNumber", s.partNumber);
    TextMember(out, "serialNumber", s.serialNumber);
    TextMember(out, "manufactured", s.manufactured);
    out += '}';
}

void AppendTimingsJson(std::string& out, const TimingSet& timings)
{
    out += '{';
    for (int i = 0; i < kTimingCount; ++i) {
        const auto name = static_cast<TimingName>(i);
        AppendKey(out, TimingKey(name, timings.ddr5));
        if (const auto& value = timings[name]) {
            out += "{\"ps\":" + std::to_string(value->ps) + ",\"clocks\":";
            AppendInt(out, value->clocks);
            out += '}';
        } else {
            out += "null";
        }
    }
    out += '}';
}

void AppendProfilesJson(std::string& out, const std::vector<OverclockProfile>& profiles)
{
    out += '[';
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const auto& p = profiles[i];
        if (i)
            out += ',';
        out += '{';
        AppendKey(out, "kind");
        AppendJsonText(out, p.kind);
        AppendKey(out, "index");
        out += std::to_string(p.index);
        BoolMember(out, "enabled", p.enabled);
        TextMember(out, "name", p.name);
        IntMember(out, "speedMTs", p.speedMTs);
        IntMember(out, "tCKminPs", p.clockPs);
        TextMember(out, "voltage", p.voltage);
        IntListMember(out, "casLatencies", p.casLatencies);
        AppendKey(out, "timings");
        AppendTimingsJson(out, p.timings);
        BoolMember(out, "crcOk", p.crcOk);
        out += '}';
    }
    out += ']';
}

void AppendDecodeJson(std::string& out, std::string_view file, const ModuleDecode& decode)
{
    out += '{';
    AppendDecodeJsonMembers(out, file, decode);
    out += '}';
}

void AppendDecodeJsonMembers(std::string& out, std::string_view file, const ModuleDecode& d)
{
    out += "\"file\":";  // the caller separates the members from what comes before
    AppendJsonText(out, file);
    AppendKey(out, "error");
    out += "null";
    AppendKey(out, "size");
    out += std::to_string(d.layout.size);
    AppendKey(out, "typeCode");
    out += std::to_string(d.layout.typeCode);
    AppendKey(out, "summary");
    AppendSummaryJson(out, d.summary);
    AppendKey(out, "timings");
    AppendTimingsJson(out, d.timings);
    IntListMember(out, "casLatencies", d.casLatencies);
    TextMember(out, "voltage", d.voltage);
    AppendKey(out, "checks");
    out += '{';
    for (const auto& check : d.checks) {
        AppendKey(out, check.key.c_str());
        out += "{\"stored\":\"" + Hex4(check.stored) + "\",\"computed\":\"" + Hex4(check.computed) +
            "\",\"ok\":" + (check.ok() ? "true" : "false") + '}';
    }
    out += '}';
    AppendKey(out, "profiles");
    AppendProfilesJson(out, d.profiles);
    AppendKey(out, "warnings");
    out += '[';
    for (std::size_t i = 0; i < d.warnings.size(); ++i) {
        if (i)
            out += ',';
        AppendJsonText(out, d.warnings[i]);
    }
    out += ']';
}

std::string ProfilesListing(const std::vector<OverclockProfile>& profiles)
{
    std::string out;
    for (const auto& p : profiles) {
        std::string text = std::string(p.enabled ? "enabled" : "disabled");
        if (p.name)
            text += " \"" + *p.name + "\"";
        if (p.speedMTs)
            text += ", " + std::to_string(*p.speedMTs) + " MT/s";
        if (p.voltage)
            text += ", " + *p.voltage;
        if (p.casLatencies && !p.casLatencies->empty())
            text += ", CL " + ListText(*p.casLatencies);
        if (p.crcOk)
            text += *p.crcOk ? ", CRC ok" : ", CRC BAD";
        out += p.kind + " profile " + std::to_string(p.index) + ": " + text + "\n";
    }
    return out;
}

std::string DecodeListing(const ModuleDecode& d)
{
    const ModuleSummary& s = d.summary;
    std::string out = s.line() + "\n";
    auto line = [&out](const char* caption, const std::string& value) {
        out += caption;
        out += ": ";
        out += value;
        out += '\n';
    };
    line("Size", std::to_string(d.layout.size) + " bytes");
    line("Generation", s.generation);
    if (s.manufacturer) {
        line("Manufacturer", (s.manufacturer->name ? *s.manufacturer->name + " " : std::string()) + "(bank " +
                std::to_string(s.manufacturer->bank) + ", code " + s.manufacturer->code + ")");
    }
    if (s.partNumber)
        line("Part number", *s.partNumber);
    if (s.serialNumber)
        line("Serial number", *s.serialNumber);
    if (s.manufactured)
        line("Manufactured", *s.manufactured);
    if (d.voltage)
        line("Voltage", *d.voltage);
    if (d.casLatencies)
        line("CAS latencies", ListText(*d.casLatencies));
    for (int i = 0; i < kTimingCount; ++i) {
        const auto name = static_cast<TimingName>(i);
        if (const auto& value = d.timings[name]) {
            line(TimingKey(name, d.timings.ddr5),
                std::to_string(value->ps) + " ps" +
                    (value->clocks ? " (" + std::to_string(*value->clocks) + (*value->clocks == 1 ? " clock)" : " clocks)") : std::string()));
        }
    }
    for (const auto& check : d.checks) {
        line(check.key.c_str(),
            "stored " + Hex4(check.stored) + ", computed " + Hex4(check.computed) + (check.ok() ? " ok" : " BAD"));
    }
    out += ProfilesListing(d.profiles);
    for (const auto& warning : d.warnings)
        line("Warning", warning);
    return out;
}

}  // namespace tessaro
