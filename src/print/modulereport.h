#pragma once

#include "print/reportlayout.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

// The printable page of an A4 sheet with quarter-inch margins, in twips: the
// room the module report is laid out to fill without being shrunk.
inline constexpr int kModuleReportWidth = 11180;
inline constexpr int kModuleReportHeight = 16100;

// Where the table of bytes starts and how it is spaced: two blocks side by
// side, the first half of the image on the left and the second on the right,
// 16 bytes a row under a row of column numbers.
inline constexpr int kModuleHexTop = 9150;
inline constexpr int kModuleHexRowHeight = 200;
inline constexpr int kModuleHexSize = 8;  // points

// The one-page report of a 512- or 1024-byte image (a truncated 1024-byte
// image included): the document name, the summary line in bold, the decoded
// fields, the timings in ns and clocks, the JEDEC CRC blocks (green when
// they hold, red when not), the overclocking profiles, the warnings and every
// byte in hex. A byte the image lacks is shown as "--".
[[nodiscard]] std::vector<PrintItem> LayoutModuleReport(std::span<const std::uint8_t> bytes,
                                                        const std::string& caption);

// The one-page report of a 256-byte DDR3 image: the document name, the
// summary line, the identity from the DDR3 bytes (maker 117-118, date
// 120-121, serial number 122-125, part number 128-145, the CRC), the byte
// names of the DDR3 description table with their values, and every byte in
// hex, all within the printable page of kModuleReportWidth x kModuleReportHeight.
[[nodiscard]] std::vector<PrintItem> LayoutDdr3Report(const ReportSource& source);

// A time in picoseconds as nanoseconds, without trailing zeros: "13.75 ns".
[[nodiscard]] std::string NanosecondsText(int ps);

}  // namespace tessaro
