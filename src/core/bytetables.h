#pragma once

#include "core/memorytype.h"

#include <array>
#include <string>

namespace tessaro {

// Field name of every byte number for one memory type.
using DescriptionTable = std::array<std::string, kSpdSize>;

// Report lines keyed by the first byte of their field; entry 256 is the column
// heading and entry 257 the rule under it. Entries a line does not start at are empty.
inline constexpr int kReportHeading = 256;
inline constexpr int kReportRule = 257;
using ReportTable = std::array<std::string, 258>;

// The five description tables, filled once on first use and never changed.
// The DDR table is what a new document shows before its first type change.
[[nodiscard]] const DescriptionTable& DescriptionTableFor(MemoryTypeCode code);

// The report tables of SDR, DDR and DDR2, filled afresh on every call.
struct ReportTables {
    ReportTable sdr;
    ReportTable ddr;
    ReportTable ddr2;
};
[[nodiscard]] ReportTables FillReportTables();

// One report line: a one- or two-digit byte number ends in column 9 and its
// description starts in column 20; a range or a three-digit number starts in
// column 7 and its description in column 19. Lines are padded with spaces.
[[nodiscard]] std::string ReportLine(const std::string& label, const std::string& description);

}  // namespace tessaro
