#include "core/bytetables.h"

#include <charconv>
#include <span>

namespace tessaro {

namespace {

struct DescriptionRange {
    int first;
    int last;
    const char* text;
};

struct ReportEntry {
    const char* label;  // "36" or "36-40"
    const char* description;
};

#include "core/bytetexts.inc"

constexpr std::size_t kReportLineWidth = 118;
constexpr std::size_t kHeadingWidth = 136;
constexpr std::size_t kRuleDashes = 139;

DescriptionTable Expand(std::span<const DescriptionRange> ranges)
{
    DescriptionTable table;
    for (const auto& range : ranges)
        for (int n = range.first; n <= range.last; ++n)
            table[static_cast<std::size_t>(n)] = range.text;
    return table;
}

struct AllDescriptions {
    std::array<DescriptionTable, 5> byCode;
    AllDescriptions()
    {
        // Filled in the order SDR, DDR, DDR2, DDR3, RAMBUS.
        byCode[0] = Expand(kSdrDescriptions);
        byCode[1] = Expand(kDdrDescriptions);
        byCode[2] = Expand(kDdr2Descriptions);
        byCode[4] = Expand(kDdr3Descriptions);
        byCode[3] = Expand(kRambusDescriptions);
    }
};

ReportTable FillReport(std::span<const ReportEntry> entries)
{
    ReportTable table;
    for (const auto& entry : entries) {
        const std::string label = entry.label;
        int first = 0;
        std::from_chars(label.data(), label.data() + label.size(), first);
        table[static_cast<std::size_t>(first)] = ReportLine(label, entry.description);
    }
    std::string heading = std::string(5, ' ') + "BYTE" + std::string(19, ' ') + "DESCRIPTION";
    heading.resize(kHeadingWidth, ' ');
    table[kReportHeading] = heading;
    table[kReportRule] = std::string(5, ' ') + std::string(kRuleDashes, '-');
    return table;
}

}  // namespace

const DescriptionTable& DescriptionTableFor(MemoryTypeCode code)
{
    static const AllDescriptions tables;
    return tables.byCode[static_cast<std::size_t>(code)];
}

ReportTables FillReportTables()
{
    return {FillReport(kSdrReport), FillReport(kDdrReport), FillReport(kDdr2Report)};
}

std::string ReportLine(const std::string& label, const std::string& description)
{
    std::string line;
    if (label.size() <= 2 && label.find('-') == std::string::npos) {
        line = std::string(9 - label.size(), ' ') + label;  // number ends in column 9
        line.resize(19, ' ');                                // description in column 20
    } else {
        line = std::string(6, ' ') + label;
        line.resize(18, ' ');                                // description in column 19
    }
    line += description;
    if (line.size() < kReportLineWidth)
        line.resize(kReportLineWidth, ' ');
    return line;
}

}  // namespace tessaro
