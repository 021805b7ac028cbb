#include "print/modulereport.h"

#include "core/bytetables.h"
#include "core/checks.h"
#include "core/hex.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/modulesummary.h"

#include <algorithm>
#include <cstdio>

namespace tessaro {

namespace {

constexpr PrintColor kBlack{0, 0, 0};
constexpr PrintColor kGrey{128, 128, 128};

constexpr int kTextSize = 9;
constexpr int kTextLine = 220;
constexpr int kSectionGap = 120;
// The decoded fields: two columns of caption and value.
constexpr int kFieldColumns[2] = {0, 5700};
constexpr int kFieldValueOffset = 1500;
// The timings: three columns of name and value.
constexpr int kTimingColumns[3] = {0, 3730, 7460};
constexpr int kTimingValueOffset = 900;
// The byte table: the second block's left edge, and within a block the
// first byte's offset, the step between bytes and the gap after the eighth.
constexpr int kHexBlockX[2] = {0, 5700};
constexpr int kHexFirstByte = 520;
constexpr int kHexByteStep = 290;
constexpr int kHexMiddleGap = 110;

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string MakerText(const std::optional<JedecMaker>& maker)
{
    if (!maker)
        return "--";
    const std::string where = "bank " + std::to_string(maker->bank) + ", code " + maker->code;
    return maker->name ? DisplayMakerName(*maker->name) + " (" + where + ")" : where;
}

std::string OrDash(const std::optional<std::string>& text)
{
    return text && !text->empty() ? *text : "--";
}

// Places the texts of the page; every item names its own position.
class ModulePage
{
public:
    void text(int x, int y, int size, PrintColor color, std::string text, bool bold = false)
    {
        m_items.push_back(PrintItem{x, y, size, bold, false, color, std::move(text)});
    }
    void heading(int y, std::string title) { text(0, y, kTextSize, kPrintBlue, std::move(title), true); }
    [[nodiscard]] std::vector<PrintItem> take() { return std::move(m_items); }

private:
    std::vector<PrintItem> m_items;
};

std::vector<std::pair<std::string, std::string>> Fields(const ModuleDecode& d)
{
    const ModuleSummary& s = d.summary;
    std::string organisation = OrDash(s.organisation);
    if (s.busWidth)
        organisation += ", " + std::to_string(*s.busWidth) + "-bit bus";
    if (s.ecc && *s.ecc)
        organisation += ", ECC";
    std::string speed = OrDash(s.speedName);
    if (s.pcName)
        speed += " " + *s.pcName;
    // The left column first, then the right.
    return {
        {"Generation", s.generation.empty() ? "--" : s.generation},
        {"Module type", OrDash(s.moduleType)},
        {"Capacity", s.capacityMB ? CapacityText(*s.capacityMB) : "--"},
        {"Organisation", organisation},
        {"Speed", speed},
        {"Voltage", OrDash(d.voltage)},
        {"Manufacturer", MakerText(s.manufacturer)},
        {"DRAM maker", MakerText(s.dramMaker)},
        {"Manufactured", OrDash(s.manufactured)},
        {"Serial number", OrDash(s.serialNumber)},
        {"Part number", OrDash(s.partNumber)},
        {"Size", std::to_string(d.layout.size) + " bytes"},
    };
}

std::string TimingText(const TimingValue& value)
{
    std::string text = NanosecondsText(value.ps);
    if (value.clocks)
        text += " (" + std::to_string(*value.clocks) + (*value.clocks == 1 ? " clock)" : " clocks)");
    return text;
}

std::string CrcText(const CrcBlock& check)
{
    return "CRC of bytes " + std::to_string(check.first) + "-" + std::to_string(check.last) + " at " +
           std::to_string(check.storedAt) + "-" + std::to_string(check.storedAt + 1) + ": stored " +
           Hex4(check.stored) + ", computed " + Hex4(check.computed) + (check.ok() ? ", ok" : ", BAD");
}

// Lines under a heading, as many as fit above `limit`; when some do not, the
// last line that fits says how many were left out.
int Lines(ModulePage& page, int y, int limit, const std::vector<std::pair<std::string, PrintColor>>& lines)
{
    const int room = std::max(1, (limit - y) / kTextLine);
    const std::size_t shown = lines.size() <= static_cast<std::size_t>(room) ? lines.size()
                                                                              : static_cast<std::size_t>(room - 1);
    for (std::size_t i = 0; i < shown; ++i, y += kTextLine)
        page.text(0, y, kTextSize, lines[i].second, lines[i].first);
    if (shown < lines.size()) {
        page.text(0, y, kTextSize, kBlack, "... " + std::to_string(lines.size() - shown) + " more not shown");
        y += kTextLine;
    }
    return y;
}

// Caption and value pairs down the first of the columns at `columnX`, then
// down the next, the captions blue and the values `valueOffset` to their
// right; returns the number of rows.
template <std::size_t N>
int PairColumns(ModulePage& page, int y, const std::vector<std::pair<std::string, std::string>>& pairs,
                const int (&columnX)[N], int valueOffset)
{
    const int rows = static_cast<int>((pairs.size() + N - 1) / N);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const int column = columnX[i / static_cast<std::size_t>(rows)];
        const int rowY = y + static_cast<int>(i % static_cast<std::size_t>(rows)) * kTextLine;
        page.text(column, rowY, kTextSize, kPrintBlue, pairs[i].first);
        page.text(column + valueOffset, rowY, kTextSize, kBlack, pairs[i].second);
    }
    return rows;
}

void HexTable(ModulePage& page, std::span<const std::uint8_t> bytes, int size, const std::vector<CrcBlock>& checks,
              int top = kModuleHexTop)
{
    page.heading(top, "Bytes");
    const int rows = size / 16;
    const int rowsPerBlock = (rows + 1) / 2;
    auto byteX = [](int block, int column) {
        return kHexBlockX[block] + kHexFirstByte + column * kHexByteStep + (column >= 8 ? kHexMiddleGap : 0);
    };
    const int headerY = top + kTextLine;
    for (int block = 0; block < 2 && block * rowsPerBlock < rows; ++block) {
        for (int column = 0; column < 16; ++column)
            page.text(byteX(block, column), headerY, kModuleHexSize, kPrintBlue, ByteToHex(static_cast<std::uint8_t>(column)));
    }
    for (int row = 0; row < rows; ++row) {
        const int block = row / rowsPerBlock;
        const int y = headerY + (row % rowsPerBlock + 1) * kModuleHexRowHeight;
        char header[16];
        std::snprintf(header, sizeof header, "%03X", row * 16);
        page.text(kHexBlockX[block], y, kModuleHexSize, kPrintBlue, header);
        for (int column = 0; column < 16; ++column) {
            const int index = row * 16 + column;
            if (index >= static_cast<int>(bytes.size())) {
                page.text(byteX(block, column), y, kModuleHexSize, kGrey, "--");
                continue;
            }
            // The stored CRC bytes take the colour of their check.
            PrintColor color = kBlack;
            for (const CrcBlock& check : checks) {
                if (index == check.storedAt || index == check.storedAt + 1)
                    color = check.ok() ? kPrintGreen : kPrintRed;
            }
            page.text(byteX(block, column), y, kModuleHexSize, color,
                      ByteToHex(bytes[static_cast<std::size_t>(index)]));
        }
    }
}

}  // namespace

std::string NanosecondsText(int ps)
{
    std::string text = std::to_string(ps / 1000);
    int fraction = ps % 1000;
    if (fraction != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, ".%03d", fraction);
        text += digits;
        while (text.back() == '0')
            text.pop_back();
    }
    return text + " ns";
}

std::vector<PrintItem> LayoutModuleReport(std::span<const std::uint8_t> bytes, const std::string& caption)
{
    const ModuleDecode d = DecodeModule(bytes);
    const int size = d.layout.size;
    ModulePage page;

    // Title: the document name, and on its right how many bytes the image has.
    page.text(0, 0, 12, kPrintBlue, "Filename: " + ReportDocumentName(caption), true);
    const std::string extent = d.bytesPresent < size ? "truncated: " + std::to_string(d.bytesPresent) + " of " +
                                                           std::to_string(size) + " bytes"
                                                     : std::to_string(size) + "-byte SPD image";
    page.text(8400, 60, kTextSize, kBlack, extent);
    page.text(0, 360, 11, kBlack, d.summary.line(), true);

    int y = 720;
    y += PairColumns(page, y, Fields(d), kFieldColumns, kFieldValueOffset) * kTextLine;
    page.text(0, y, kTextSize, kPrintBlue, "CAS latencies");
    page.text(kFieldValueOffset, y, kTextSize, kBlack,
              d.casLatencies && !d.casLatencies->empty() ? ListText(*d.casLatencies) : "--");
    y += kTextLine + kSectionGap;

    // The timings, down the first column, then the second and third.
    std::vector<std::pair<std::string, std::string>> timings;
    for (int i = 0; i < kTimingCount; ++i) {
        const auto name = static_cast<TimingName>(i);
        if (const auto& value = d.timings[name])
            timings.emplace_back(TimingKey(name, d.timings.ddr5), TimingText(*value));
    }
    page.heading(y, "Timings");
    y += kTextLine;
    const int timingRows = PairColumns(page, y, timings, kTimingColumns, kTimingValueOffset);
    if (timings.empty())
        page.text(0, y, kTextSize, kBlack, "--");
    y += std::max(1, timingRows) * kTextLine + kSectionGap;

    const int limit = kModuleHexTop - kSectionGap;
    page.heading(y, "Checks");
    y += kTextLine;
    std::vector<std::pair<std::string, PrintColor>> checks;
    for (const CrcBlock& check : d.checks)
        checks.emplace_back(CrcText(check), check.ok() ? kPrintGreen : kPrintRed);
    if (checks.empty())
        checks.emplace_back("--", kBlack);
    y = Lines(page, y, limit, checks) + kSectionGap;

    page.heading(y, "Overclocking profiles");
    y += kTextLine;
    std::vector<std::pair<std::string, PrintColor>> profiles;
    for (const OverclockProfile& profile : d.profiles) {
        std::string line = ProfilesListing({profile});
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        profiles.emplace_back(std::move(line), profile.crcOk && !*profile.crcOk ? kPrintRed : kBlack);
    }
    if (profiles.empty())
        profiles.emplace_back("none", kBlack);
    y = Lines(page, y, limit, profiles) + kSectionGap;

    if (!d.warnings.empty() && y + 2 * kTextLine <= limit) {
        page.heading(y, "Warnings");
        y += kTextLine;
        std::vector<std::pair<std::string, PrintColor>> warnings;
        for (const std::string& warning : d.warnings)
            warnings.emplace_back(warning, kPrintRed);
        Lines(page, y, limit, warnings);
    }

    HexTable(page, bytes, size, d.checks);
    return page.take();
}

namespace {

// The DDR3 page: the identity, the byte names of the DDR3 description table
// with their values, then every byte in the table of bytes.
struct Ddr3PageLayout {
    int identityTop = 1000;
    int nameX = 800;   // the byte names, after the byte numbers
    int valueX = 8600;
    int nameLine = 190;
    int nameSize = 8;
    int longestRun = 4;  // a run of bytes longer than this is left to the table of bytes
};
constexpr Ddr3PageLayout kDdr3Page;

std::string ByteNumbers(int first, int last)
{
    return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace

std::vector<PrintItem> LayoutDdr3Report(const ReportSource& source)
{
    const SpdImage& image = source.image;
    const ModuleSummary summary = SummarizeModule(image);
    ModulePage page;

    page.text(7800, 100, 8, kPrintRed, source.webAddress);
    page.text(0, 400, 12, kPrintBlue, "     Filename: " + ReportDocumentName(source.caption), true);
    page.text(0, 700, 11, kBlack, summary.line(), true);

    // The identity, read from the DDR3 bytes.
    const std::uint16_t storedCrc = StoredCrc(image);
    const std::uint16_t computedCrc = SpdCrc(image);
    const std::vector<std::pair<std::string, std::string>> identity = {
        {"Module manufacturer (117-118)", MakerText(summary.manufacturer)},
        {"Manufacturing location (119)", ByteToHex(image[119])},
        {"Manufacturing date (120-121)", ReportBytes(image, 120, 121) +
                                             (summary.manufactured ? "  (" + *summary.manufactured + ")" : "")},
        {"Serial number (122-125)", ReportBytes(image, 122, 125)},
        {"Part number (128-145)", OrDash(summary.partNumber)},
        {"Revision (146-147)", ReportBytes(image, 146, 147)},
        {"DRAM manufacturer (148-149)", MakerText(summary.dramMaker)},
        {"CRC (0-" + std::to_string(CrcLastByte(image)) + ", 126-127)",
         "stored " + WordToHex(storedCrc) + ", computed " + WordToHex(computedCrc) +
             (storedCrc == computedCrc ? ", ok" : ", BAD")},
    };
    int y = kDdr3Page.identityTop;
    for (const auto& [caption, value] : identity) {
        page.text(0, y, kTextSize, kPrintBlue, caption);
        page.text(2600, y, kTextSize, caption.rfind("CRC", 0) == 0 && storedCrc != computedCrc ? kPrintRed : kBlack,
                  value);
        y += kTextLine;
    }
    y += kSectionGap;

    // The byte names as the window shows them, one line per run of bytes of
    // one name, in the alternating colours of the other report pages.
    page.heading(y, "BYTE");
    page.text(kDdr3Page.nameX, y, kTextSize, kPrintBlue, "DESCRIPTION", true);
    page.text(kDdr3Page.valueX, y, kTextSize, kPrintBlue, "HEX", true);
    y += kTextLine;
    const DescriptionTable& names = DescriptionTableFor(MemoryTypeCode::Ddr3);
    bool blue = true;
    for (int first = 0; first < kSpdSize;) {
        int last = first;
        while (last + 1 < kSpdSize && names[static_cast<std::size_t>(last + 1)] == names[static_cast<std::size_t>(first)])
            ++last;
        const PrintColor color = blue ? kPrintBlue : kPrintRed;
        page.text(0, y, kDdr3Page.nameSize, color, ByteNumbers(first, last));
        page.text(kDdr3Page.nameX, y, kDdr3Page.nameSize, color, names[static_cast<std::size_t>(first)]);
        // The CRC as a 16-bit value, high byte first, as everywhere else.
        const std::string value = first == kCrcLowByte && last == kCrcHighByte ? WordToHex(storedCrc)
                                  : last - first < kDdr3Page.longestRun        ? ReportBytes(image, first, last)
                                                                              : "(table of bytes)";
        page.text(kDdr3Page.valueX, y, kDdr3Page.nameSize, color, value);
        y += kDdr3Page.nameLine;
        blue = !blue;
        first = last + 1;
    }

    // Every byte; the stored CRC in the colour of its check.
    CrcBlock crc;
    crc.first = 0;
    crc.last = CrcLastByte(image);
    crc.storedAt = kCrcLowByte;
    crc.stored = storedCrc;
    crc.computed = computedCrc;
    HexTable(page, image, kSpdSize, {crc}, y + kSectionGap);
    return page.take();
}

}  // namespace tessaro
