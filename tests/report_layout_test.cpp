#include "core/bytetables.h"
#include "print/reportlayout.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessaro;

namespace {

const PrintColor kRed = kPrintRed;
const PrintColor kBlue = kPrintBlue;

ReportSource Source(SpdImage image, std::string caption = "C:\\SPD\\module.spd")
{
    return ReportSource{image, std::move(caption), "https://example.test/"};
}

SpdImage CountingWithType(std::uint8_t type)
{
    SpdImage image = test::CountingImage();
    image[2] = type;
    return image;
}

struct Expected {
    int x;
    int y;
    PrintColor color;
    std::string text;
};

void ExpectItem(const std::vector<PrintItem>& items, std::size_t index, const Expected& e)
{
    ASSERT_LT(index, items.size());
    const PrintItem& item = items[index];
    SCOPED_TRACE("item " + std::to_string(index) + " \"" + item.text + "\"");
    EXPECT_EQ(item.x, e.x);
    EXPECT_EQ(item.y, e.y);
    EXPECT_EQ(item.color, e.color);
    EXPECT_EQ(item.text, e.text);
    EXPECT_EQ(item.size, 12);
    EXPECT_FALSE(item.bold);
    EXPECT_FALSE(item.italic);
}

std::string Hex2(int value)
{
    static const char* digits = "0123456789ABCDEF";
    return {digits[(value >> 4) & 15], digits[value & 15]};
}

// Blue, red, blue ... from the first line.
PrintColor Alternating(int line)
{
    return line % 2 == 0 ? kBlue : kRed;
}

// The title lines every layout starts with, down to the rule under the heading.
void ExpectTitle(const std::vector<PrintItem>& items, const ReportTable& table, int fileNameY, int headingY)
{
    ASSERT_GE(items.size(), 6u);
    EXPECT_EQ(items[0], (PrintItem{9500, 200, 8, false, true, kRed, "https://example.test/"}));
    EXPECT_EQ(items[1], (PrintItem{0, fileNameY, 12, true, false, kBlue, "     Filename: module.spd"}));
    ExpectItem(items, 2, {0, fileNameY + 240, kBlue, "  "});
    ExpectItem(items, 3, {10300, headingY, kBlue, "HEX"});
    ExpectItem(items, 4, {0, headingY, kBlue, table[kReportHeading]});
    ExpectItem(items, 5, {0, headingY + 240, kBlue, table[kReportRule]});
}

}  // namespace

TEST(ReportLayout, SdrPageLineByLine)
{
    const SpdImage image = CountingWithType(4);
    const std::vector<PrintItem> items = LayoutReport(Source(image));
    const ReportTable& table = FillReportTables().sdr;
    ASSERT_EQ(items.size(), 114u);
    ExpectTitle(items, table, 800, 1340);

    std::size_t i = 6;
    for (int n = 0; n <= 36; ++n, ++i)
        ExpectItem(items, i, {0, 1820 + 240 * n, Alternating(n), table[static_cast<std::size_t>(n)]});
    ExpectItem(items, i++, {0, 10700, kRed, table[41]});
    ExpectItem(items, i++, {0, 10940, kBlue, table[42]});
    ExpectItem(items, i++, {0, 11180, kRed, table[62]});
    ExpectItem(items, i++, {0, 11420, kBlue, table[63]});
    for (int n = 0; n < 4; ++n)
        ExpectItem(items, i++, {0, 11660 + 240 * n, kBlue, "  "});
    ExpectItem(items, i++, {0, 12620, kBlue, table[kReportRule]});
    const int fields[] = {64, 72, 73, 91, 93, 94, 95, 99, 126, 127};
    for (int n = 0; n < 10; ++n)
        ExpectItem(items, i++, {0, 12860 + 240 * n, n % 2 == 0 ? kRed : kBlue, table[static_cast<std::size_t>(fields[n])]});
    ExpectItem(items, i++, {0, 15260, kPrintGreen, table[kReportRule]});

    // Values: each on the line of its description, ten twips higher, in its colour.
    for (int n = 0; n <= 36; ++n, ++i)
        ExpectItem(items, i, {10500, 1810 + 240 * n, Alternating(n), Hex2(image[static_cast<std::size_t>(n)])});
    ExpectItem(items, i++, {10500, 10690, kRed, "29"});
    ExpectItem(items, i++, {10500, 10930, kBlue, "2A"});
    ExpectItem(items, i++, {10500, 11170, kRed, "3E"});
    ExpectItem(items, i++, {10500, 11410, kBlue, "3F"});
    ExpectItem(items, i++, {8920, 12850, kRed, "4041424344454647"});
    ExpectItem(items, i++, {10500, 13090, kBlue, "48"});
    ExpectItem(items, i++, {8550, 13330, kRed, "IJKLMNOPQRSTUVWXYZ"});
    ExpectItem(items, i++, {10270, 13570, kBlue, "5B5C"});
    ExpectItem(items, i++, {10500, 13810, kRed, "5D"});
    ExpectItem(items, i++, {10500, 14050, kBlue, "5E"});
    ExpectItem(items, i++, {9830, 14290, kRed, "5F606162"});
    std::string run;
    for (int n = 99; n <= 125; ++n)
        run += Hex2(n);
    ExpectItem(items, i++, {4660, 14530, kBlue, run});
    EXPECT_EQ(run.size(), 54u);
    ExpectItem(items, i++, {10500, 14770, kRed, "7E"});
    ExpectItem(items, i++, {10500, 15010, kBlue, "7F"});
    EXPECT_EQ(i, items.size());
}

TEST(ReportLayout, DdrPageContinuesTheAlternationThroughBytes41To46)
{
    const SpdImage image = CountingWithType(7);
    const std::vector<PrintItem> items = LayoutReport(Source(image));
    const ReportTable& table = FillReportTables().ddr;
    ASSERT_EQ(items.size(), 116u);
    ExpectTitle(items, table, 800, 1340);

    std::vector<int> alternating;
    for (int n = 0; n <= 36; ++n)
        alternating.push_back(n);
    for (int n = 41; n <= 46; ++n)
        alternating.push_back(n);
    std::size_t i = 6;
    for (std::size_t line = 0; line < alternating.size(); ++line, ++i) {
        const int entry = alternating[line];
        ExpectItem(items, i, {0, 1820 + 240 * static_cast<int>(line), Alternating(static_cast<int>(line)),
                              table[static_cast<std::size_t>(entry)]});
    }
    EXPECT_EQ(items[i - 1].text, table[46]);  // the "46-61" line, blue
    ExpectItem(items, i++, {0, 12140, kRed, table[62]});
    ExpectItem(items, i++, {0, 12380, kBlue, table[63]});
    ExpectItem(items, i++, {0, 12620, kBlue, "  "});
    ExpectItem(items, i++, {0, 12860, kBlue, "  "});
    ExpectItem(items, i++, {0, 13100, kBlue, table[kReportRule]});
    const int fields[] = {64, 72, 73, 91, 93, 94, 95, 99};
    for (int n = 0; n < 8; ++n)
        ExpectItem(items, i++, {0, 13340 + 240 * n, n % 2 == 0 ? kRed : kBlue, table[static_cast<std::size_t>(fields[n])]});
    ExpectItem(items, i++, {0, 15260, kBlue, table[kReportRule]});  // stays blue after byte 99

    for (std::size_t line = 0; line < alternating.size(); ++line, ++i)
        ExpectItem(items, i, {10500, 1800 + 240 * static_cast<int>(line), Alternating(static_cast<int>(line)),
                              Hex2(image[static_cast<std::size_t>(alternating[line])])});
    ExpectItem(items, i++, {10500, 12120, kRed, "3E"});
    ExpectItem(items, i++, {10500, 12360, kBlue, "3F"});
    ExpectItem(items, i++, {8920, 13350, kRed, "4041424344454647"});
    ExpectItem(items, i++, {10500, 13590, kBlue, "48"});
    ExpectItem(items, i++, {8550, 13830, kRed, "IJKLMNOPQRSTUVWXYZ"});
    ExpectItem(items, i++, {10270, 14070, kBlue, "5B5C"});
    ExpectItem(items, i++, {10500, 14310, kRed, "5D"});
    ExpectItem(items, i++, {10500, 14550, kBlue, "5E"});
    ExpectItem(items, i++, {9830, 14790, kRed, "5F606162"});
    std::string run;
    for (int n = 99; n <= 127; ++n)
        run += Hex2(n);
    EXPECT_EQ(run.size(), 58u);
    ExpectItem(items, i++, {4220, 15030, kBlue, run});
    EXPECT_EQ(i, items.size());
}

TEST(ReportLayout, Ddr2PageStartsHigherAndHasNoBlankLines)
{
    const SpdImage image = CountingWithType(8);
    const std::vector<PrintItem> items = LayoutReport(Source(image));
    const ReportTable& table = FillReportTables().ddr2;
    ASSERT_EQ(items.size(), 6u + 48 + 2 + 1 + 8 + 1 + 48 + 2 + 8);
    ExpectTitle(items, table, 600, 1140);

    std::size_t i = 6;
    for (int n = 0; n <= 47; ++n, ++i)
        ExpectItem(items, i, {0, 1620 + 240 * n, Alternating(n), table[static_cast<std::size_t>(n)]});
    ExpectItem(items, i++, {0, 13140, kBlue, table[62]});
    ExpectItem(items, i++, {0, 13380, kRed, table[63]});
    ExpectItem(items, i++, {0, 13620, kBlue, table[kReportRule]});
    i += 8;
    ExpectItem(items, i - 8, {0, 13860, kRed, table[64]});
    ExpectItem(items, i - 1, {0, 15540, kBlue, table[99]});
    ExpectItem(items, i++, {0, 15780, kBlue, table[kReportRule]});
    for (int n = 0; n <= 47; ++n, ++i)
        ExpectItem(items, i, {10500, 1620 + 240 * n, Alternating(n), Hex2(image[static_cast<std::size_t>(n)])});
    ExpectItem(items, i++, {10500, 13140, kBlue, "3E"});
    ExpectItem(items, i++, {10500, 13380, kRed, "3F"});
    ExpectItem(items, i++, {8900, 13880, kRed, "4041424344454647"});
    ExpectItem(items, i, {10500, 14120, kBlue, "48"});
}

TEST(ReportLayout, LayoutChosenByByte2)
{
    EXPECT_EQ(ReportLayoutFor(8), MemoryType::Ddr2);
    EXPECT_EQ(ReportLayoutFor(4), MemoryType::Sdr);
    EXPECT_EQ(ReportLayoutFor(11), MemoryType::Ddr3);
    for (std::uint8_t other : {0, 7, 9, 10, 12, 255})
        EXPECT_EQ(ReportLayoutFor(other), MemoryType::Ddr) << int(other);
}

TEST(ReportLayout, ValueTexts)
{
    SpdImage image{};
    image[0] = 7;
    image[1] = 160;
    EXPECT_EQ(ReportBytes(image, 0, 0), "07");
    EXPECT_EQ(ReportBytes(image, 1, 1), "A0");
    image[10] = 11;
    EXPECT_EQ(ReportBytes(image, 10, 11), "0B00");

    // Part number: empty when all eighteen bytes are 0; else all eighteen,
    // zero bytes included, each byte as the character of that code.
    EXPECT_EQ(ReportPartNumber(image), "");
    image[80] = 'A';
    const std::string one = ReportPartNumber(image);
    ASSERT_EQ(one.size(), 18u);
    EXPECT_EQ(one, std::string(7, '\0') + "A" + std::string(10, '\0'));
    image[73] = 0xB5;  // micro sign in the first place: two bytes of UTF-8
    EXPECT_EQ(ReportPartNumber(image).substr(0, 2), "\xC2\xB5");
    image[73] = 0x80;  // Windows-1252, as the decoded panels read it: the euro sign
    image[74] = 0x99;  // and the trade mark sign
    EXPECT_EQ(ReportPartNumber(image).substr(0, 6), "\xE2\x82\xAC\xE2\x84\xA2");

    EXPECT_EQ(ReportDocumentName("C:\\SPD\\DDR2\\module.spd"), "module.spd");
    EXPECT_EQ(ReportDocumentName("/home/line3/images/module.bin*"), "module.bin*");
    EXPECT_EQ(ReportDocumentName("SPD_File 3"), "SPD_File 3");
    EXPECT_EQ(ReportDocumentName("C:\\SPD\\"), "");

    const std::vector<PrintItem> items = LayoutReport(Source(SpdImage{}, "SPD_File 12*"));
    EXPECT_EQ(items[1].text, "     Filename: SPD_File 12*");
}

TEST(ReportLayout, CommandLineItemsAreTheLayoutsItems)
{
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "/report-image.bin";
    SpdImage image = CountingWithType(8);
    image[74] = 0;  // a zero byte inside the part number
    test::WriteAll(file, std::string(image.begin(), image.end()));
    const test::CommandResult result = test::RunCli({"report", file, "--items"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(result.out.substr(start, end - start));
    const std::vector<PrintItem> items = LayoutReport(ReportSource{image, file, MakerWebAddress()});
    ASSERT_EQ(lines.size(), items.size());
    EXPECT_EQ(lines[1], "{\"x\": 0, \"y\": 600, \"size\": 12, \"bold\": true, \"italic\": false, \"color\": [0, 0, 255], "
                        "\"text\": \"     Filename: report-image.bin\"}");
    EXPECT_NE(lines[0].find("\"size\": 8, \"bold\": false, \"italic\": true, \"color\": [255, 0, 0]"), std::string::npos);
    // The part number keeps its zero byte, escaped.
    EXPECT_NE(result.out.find("\"text\": \"I\\u0000KLMNOPQRSTUVWXYZ\"}"), std::string::npos);

    EXPECT_EQ(test::RunCli({"report"}).exitCode, 2);
    EXPECT_EQ(test::RunCli({"report", file, "--bogus"}).exitCode, 2);
    EXPECT_EQ(test::RunCli({"report", dir + "/no-such-image.bin"}).exitCode, 1);
}
