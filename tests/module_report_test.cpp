#include "core/hex.h"
#include "decode/moduledecode.h"
#include "decode/modulesummary.h"
#include "print/modulereport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace tessaro;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A DDR5 SO-DIMM at 4800 MT/s with a maker, a part number and a filled CRC;
// the bytes no field reads count up so that every cell of the table differs
// from its neighbours.
Bytes Ddr5Image()
{
    Bytes b(1024);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<std::uint8_t>(i * 7);
    std::fill(b.begin(), b.begin() + 40, 0);
    b[0] = 0x30;
    b[1] = 0x10;
    b[2] = 0x12;
    b[3] = 0x03;
    b[4] = 0x04;
    b[20] = 0xA0;  // tCKmin 416 ps
    b[21] = 0x01;
    b[512] = 0x80;
    b[513] = 0xCE;
    const std::string part = "TEST-DDR5-PART";
    std::fill(b.begin() + 521, b.begin() + 551, ' ');
    std::copy(part.begin(), part.end(), b.begin() + 521);
    (void)FixCrcBlocks(b);
    return b;
}

Bytes Ddr4Image()
{
    Bytes b(512, 0);
    b[0] = 0x23;
    b[1] = 0x11;
    b[2] = 0x0C;
    b[3] = 0x03;
    b[4] = 0x45;
    b[12] = 0x01;
    b[13] = 0x03;
    b[18] = 0x05;
    b[24] = 0x6E;
    (void)FixCrcBlocks(b);
    return b;
}

const PrintItem* FindText(const std::vector<PrintItem>& items, const std::string& prefix)
{
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&](const PrintItem& item) { return item.text.rfind(prefix, 0) == 0; });
    return it == items.end() ? nullptr : &*it;
}

// The table's rows: each row header ("000", "010" ...) with the sixteen items after it.
std::vector<std::vector<const PrintItem*>> HexRows(const std::vector<PrintItem>& items)
{
    std::vector<std::vector<const PrintItem*>> rows;
    for (std::size_t i = 0; i < items.size(); ++i) {
        char header[16];
        std::snprintf(header, sizeof header, "%03X", static_cast<unsigned>(rows.size() * 16));
        if (items[i].size != kModuleHexSize || items[i].text != header || i + 16 >= items.size())
            continue;
        std::vector<const PrintItem*> row{&items[i]};
        for (std::size_t k = 1; k <= 16; ++k)
            row.push_back(&items[i + k]);
        rows.push_back(std::move(row));
        i += 16;
    }
    return rows;
}

void ExpectTableShowsBytes(const std::vector<PrintItem>& items, const Bytes& bytes, int size)
{
    const auto rows = HexRows(items);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(size / 16));
    const std::size_t half = rows.size() / 2;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE("row " + rows[r][0]->text);
        // Both halves line up with their first row; the second half lies to the right of the first.
        const auto& first = rows[r < half ? 0 : half];
        EXPECT_EQ(rows[r][0]->y - first[0]->y, static_cast<int>(r % half) * kModuleHexRowHeight);
        if (r >= half) {
            EXPECT_GT(rows[r][0]->x, rows[0][16]->x);
        }
        for (std::size_t c = 1; c <= 16; ++c) {
            const std::size_t index = r * 16 + c - 1;
            EXPECT_EQ(rows[r][c]->x, first[c]->x);
            EXPECT_EQ(rows[r][c]->y, rows[r][0]->y);
            EXPECT_EQ(rows[r][c]->text, index < bytes.size() ? ByteToHex(bytes[index]) : "--");
        }
    }
}

}  // namespace

TEST(ModuleReport, Ddr5PageHoldsEveryByteAndFitsTheSheet)
{
    const Bytes bytes = Ddr5Image();
    const std::vector<PrintItem> items = LayoutModuleReport(bytes, "/home/op/spd/ddr5 module.bin");

    EXPECT_EQ(items.front().text, "Filename: ddr5 module.bin");
    const PrintItem* summary = FindText(items, SummarizeModule(bytes).line());
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->bold);
    EXPECT_NE(summary->text.find("DDR5-4800"), std::string::npos);
    EXPECT_NE(summary->text.find("TEST-DDR5-PART"), std::string::npos);
    EXPECT_NE(FindText(items, "0.416 ns (1 clock)"), nullptr);

    ExpectTableShowsBytes(items, bytes, 1024);
    // Every text starts on the page and, a line of its size below, still ends on it.
    for (const PrintItem& item : items) {
        SCOPED_TRACE(item.text);
        EXPECT_GE(item.x, 0);
        EXPECT_GE(item.y, 0);
        EXPECT_LT(item.x, kModuleReportWidth);
        EXPECT_LE(item.y + item.size * 24, kModuleReportHeight);
    }
    // Nothing above the table runs into it.
    const PrintItem* bytesHeading = FindText(items, "Bytes");
    ASSERT_NE(bytesHeading, nullptr);
    for (std::size_t i = 0; &items[i] != bytesHeading; ++i)
        EXPECT_LT(items[i].y, kModuleHexTop) << items[i].text;
}

TEST(ModuleReport, CrcLinesAndStoredBytesFollowTheCheck)
{
    Bytes bytes = Ddr5Image();
    auto crcLine = [](const std::vector<PrintItem>& items) { return FindText(items, "CRC of bytes 0-509"); };
    auto storedCell = [](const std::vector<PrintItem>& items) {
        return HexRows(items).at(510 / 16).at(510 % 16 + 1)->color;
    };

    std::vector<PrintItem> items = LayoutModuleReport(bytes, "good.bin");
    ASSERT_NE(crcLine(items), nullptr);
    EXPECT_EQ(crcLine(items)->color, kPrintGreen);
    EXPECT_NE(crcLine(items)->text.find(", ok"), std::string::npos);
    EXPECT_EQ(storedCell(items), kPrintGreen);

    bytes[5] ^= 0xFF;
    items = LayoutModuleReport(bytes, "bad.bin");
    ASSERT_NE(crcLine(items), nullptr);
    EXPECT_EQ(crcLine(items)->color, kPrintRed);
    EXPECT_NE(crcLine(items)->text.find(", BAD"), std::string::npos);
    EXPECT_EQ(storedCell(items), kPrintRed);

    // DDR4 has two blocks, each on its own line.
    items = LayoutModuleReport(Ddr4Image(), "ddr4.bin");
    EXPECT_NE(FindText(items, "CRC of bytes 0-125 at 126-127"), nullptr);
    EXPECT_NE(FindText(items, "CRC of bytes 128-253 at 254-255"), nullptr);
    ExpectTableShowsBytes(items, Ddr4Image(), 512);
}

TEST(ModuleReport, TruncatedAndEmptyImagesShowWhatIsMissing)
{
    Bytes bytes = Ddr5Image();
    bytes.resize(520);
    const std::vector<PrintItem> items = LayoutModuleReport(bytes, "short.bin");
    EXPECT_NE(FindText(items, "truncated: 520 of 1024 bytes"), nullptr);
    ExpectTableShowsBytes(items, bytes, 1024);
    // The maker and part number lie beyond the bytes present.
    const PrintItem* part = FindText(items, "Part number");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ((part + 1)->text, "--");

    // No bytes at all still lays out a page without a table row to fill.
    const std::vector<PrintItem> empty = LayoutModuleReport({}, "empty.bin");
    EXPECT_EQ(empty.front().text, "Filename: empty.bin");
}

TEST(ModuleReport, NanosecondsDropTrailingZeros)
{
    EXPECT_EQ(NanosecondsText(416), "0.416 ns");
    EXPECT_EQ(NanosecondsText(13750), "13.75 ns");
    EXPECT_EQ(NanosecondsText(5300), "5.3 ns");
    EXPECT_EQ(NanosecondsText(16000), "16 ns");
    EXPECT_EQ(NanosecondsText(0), "0 ns");
}

TEST(ModuleReport, CommandLineListsTheModulePage)
{
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "/report-ddr4.bin";
    const Bytes bytes = Ddr4Image();
    test::WriteAll(file, std::string(bytes.begin(), bytes.end()));
    const std::vector<PrintItem> items = LayoutModuleReport(bytes, file);

    const test::CommandResult json = test::RunCli({"report", file, "--items"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(static_cast<std::size_t>(std::count(json.out.begin(), json.out.end(), '\n')), items.size());
    EXPECT_EQ(json.out.substr(0, json.out.find('\n')),
              "{\"x\": 0, \"y\": 0, \"size\": 12, \"bold\": true, \"italic\": false, \"color\": [0, 0, 255], "
              "\"text\": \"Filename: report-ddr4.bin\"}");

    const test::CommandResult listing = test::RunCli({"report", file});
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    std::string texts;
    for (const PrintItem& item : items)
        texts += item.text + "\n";
    EXPECT_EQ(listing.out, texts);

    // The PDF may not replace the image it is made from.
    const test::CommandResult same = test::RunCli({"report", file, "--pdf", file});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_NE(same.err.find("it is the SPD file the report is made from"), std::string::npos);
    EXPECT_EQ(test::ReadAll(file), std::string(bytes.begin(), bytes.end()));
}

// The DDR3 page as `report --items` gives it: the identity from the DDR3
// bytes, the window's DDR3 byte names, every byte, all within the page (a
// character of an s-point text is at most 0.6 s points wide in the report's
// serif face).
TEST(ModuleReport, Ddr3PageShowsItsOwnBytesWithinThePage)
{
    const std::string file = test::CorpusDir() + "/ddr3/mt86p-samsung-m378b5173db0.bin";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no corpus";
    const test::CommandResult run = test::RunCli({"report", file, "--items"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::regex itemLine(R"re(\{"x": (\d+), "y": (\d+), "size": (\d+), .*"text": "(.*)"\}$)re");
    std::vector<PrintItem> items;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, itemLine)) << line;
        PrintItem item;
        item.x = std::stoi(m[1]);
        item.y = std::stoi(m[2]);
        item.size = std::stoi(m[3]);
        item.text = m[4];
        SCOPED_TRACE(line);
        EXPECT_LE(item.x + static_cast<int>(item.text.size()) * item.size * 12, kModuleReportWidth);
        EXPECT_LE(item.y + item.size * 24, kModuleReportHeight);
        items.push_back(std::move(item));
    }
    const std::string image = test::ReadAll(file);
    ExpectTableShowsBytes(items, Bytes(image.begin(), image.end()), kSpdSize);
    for (const char* text : {"15EBF5E9", "M378B5173DB0-CK0", "Samsung", "Cyclical Redundancy Code",
                             "SDRAM Density and Banks", "Module Part Number"})
        EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const PrintItem& item) {
            return item.text.find(text) != std::string::npos;
        })) << text;
    EXPECT_EQ(FindText(items, "Number of Row Addresses"), nullptr) << "no DDR description";
}
