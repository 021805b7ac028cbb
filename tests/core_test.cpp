#include "core/bytetables.h"
#include "core/checks.h"
#include "core/hex.h"
#include "core/memorytype.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

using namespace tessaro;

TEST(Hex, ByteToTextIsTwoUpperCaseDigits)
{
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(15), "0F");
    EXPECT_EQ(ByteToHex(165), "A5");
    const std::uint8_t bytes[] = {0x7F, 0x0B, 0x00};
    EXPECT_EQ(HexString(bytes), "7F0B00");
}

TEST(Hex, HexPairToByteLooksAtFirstAndLastCharacterOnly)
{
    const struct {
        const char* text;
        int value;
        const char* why;
    } cases[] = {
        {"00", 0, ""},
        {"0f", 15, "lower case"},
        {"FF", 255, ""},
        {"F", 15, "one character: its own digit"},
        {"A?", 10, "invalid last: the high digit alone"},
        {"?A", 10, "invalid first counts as 0"},
        {"ABC", 0xAC, "middle ignored"},
        {"zz", 0, ""},
        {"G5", 5, ""},
        {"5G", 5, ""},
        {"123", 0x13, ""},
        {"", 0, "never relied on; must not fail"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexPairToByte(c.text), c.value) << '"' << c.text << "\" " << c.why;
}

TEST(Hex, EveryByteSurvivesItsTextInEitherCase)
{
    for (int b = 0; b < 256; ++b) {
        const std::string text = ByteToHex(static_cast<std::uint8_t>(b));
        ASSERT_EQ(text.size(), 2u);
        EXPECT_EQ(HexPairToByte(text), b) << text;
        std::string lower = text;
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(HexPairToByte(lower), b) << lower;
    }
}

TEST(Checks, SumMod256AndChecksum63)
{
    SpdImage image{};
    image.fill(0xFF);
    EXPECT_EQ(SumMod256(image, 62), 0xC1);
    EXPECT_EQ(Checksum63(image), 0xC1);
    EXPECT_EQ(SumMod256(image, 0), 0xFF);
    SpdImage zeros{};
    EXPECT_EQ(Checksum63(zeros), 0);
}

TEST(Checks, CrcIsXmodemWithCheckValue31C3)
{
    const std::uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(digits), 0x31C3);
    const std::uint8_t zeros[40] = {};
    EXPECT_EQ(Crc16(zeros), 0x0000);
}

// Properties that hold for every image, checked on many random ones: a CRC
// followed by itself (high byte first) leaves a remainder of 0, and a stored
// checksum agrees with the bytes it covers.
TEST(Checks, RandomImagesSatisfyTheCheckProperties)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 500; ++round) {
        SpdImage image{};
        for (auto& b : image)
            b = static_cast<std::uint8_t>(byte(random));
        const int last = CrcLastByte(image);
        const std::uint16_t crc = SpdCrc(image);
        std::vector<std::uint8_t> covered(image.begin(), image.begin() + last + 1);
        covered.push_back(static_cast<std::uint8_t>(crc >> 8));
        covered.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        EXPECT_EQ(Crc16(covered), 0) << "round " << round;

        image[kCrcLowByte] = static_cast<std::uint8_t>(crc & 0xFF);
        image[kCrcHighByte] = static_cast<std::uint8_t>(crc >> 8);
        EXPECT_EQ(StoredCrc(image), crc);
        EXPECT_EQ(SpdCrc(image), crc) << "the CRC never covers its own bytes";

        image[kChecksumByte] = Checksum63(image);
        int sum = 0;
        for (int i = 0; i < kChecksumByte; ++i)
            sum += image[static_cast<std::size_t>(i)];
        EXPECT_EQ(image[kChecksumByte], sum % 256);
    }
}

TEST(Checks, StoredAgainstComputedFollowsTheCheckMode)
{
    SpdImage image{};
    image[2] = 0x0B;  // DDR3: the CRC
    image[10] = 5;
    image[63] = 9;
    const StoredCheck sum = CheckOf(image, CheckMode::Checksum);
    EXPECT_FALSE(sum.crc);
    EXPECT_EQ(sum.stored, 9);
    EXPECT_EQ(sum.computed, Checksum63(image));
    EXPECT_FALSE(sum.ok());
    const StoredCheck crc = CheckOf(image, CheckMode::None);  // byte 2 decides
    EXPECT_TRUE(crc.crc);
    EXPECT_EQ(crc.computed, SpdCrc(image));
    image[126] = static_cast<std::uint8_t>(crc.computed & 0xFF);
    image[127] = static_cast<std::uint8_t>(crc.computed >> 8);
    EXPECT_TRUE(CheckOf(image, CheckMode::Crc).ok());
}

TEST(Checks, CrcCoverageFollowsBit7OfByte0)
{
    SpdImage image{};
    image[0] = 0x92;
    EXPECT_EQ(CrcLastByte(image), 116);
    const std::uint16_t before = SpdCrc(image);
    for (int i = 117; i <= 125; ++i)
        image[static_cast<std::size_t>(i)] = 0x5A;
    EXPECT_EQ(SpdCrc(image), before) << "bytes 117-125 are outside the 0-116 coverage";

    image[0] = 0x12;
    EXPECT_EQ(CrcLastByte(image), 125);
    const std::uint16_t with = SpdCrc(image);
    image[125] = 0;
    EXPECT_NE(SpdCrc(image), with);
}

TEST(MemoryType, RuleAfterLoadFollowsByte2)
{
    EXPECT_EQ(LoadTypeRuleFor(0x04).typeCode, MemoryTypeCode::Sdr);
    EXPECT_EQ(LoadTypeRuleFor(0x07).typeCode, MemoryTypeCode::Ddr);
    EXPECT_EQ(LoadTypeRuleFor(0x08).typeCode, MemoryTypeCode::Ddr2);
    for (std::uint8_t b : {0x09, 0x0B}) {
        EXPECT_EQ(LoadTypeRuleFor(b).typeCode, MemoryTypeCode::Ddr3);
        EXPECT_EQ(LoadTypeRuleFor(b).checkMode, CheckMode::Crc);
    }
    for (std::uint8_t b : {0x00, 0x0A, 0x0C, 0x12, 0xFF}) {
        EXPECT_FALSE(LoadTypeRuleFor(b).typeCode.has_value()) << int(b);
        EXPECT_EQ(LoadTypeRuleFor(b).checkMode, CheckMode::Checksum);
    }
}

TEST(Tables, DescriptionTablesHaveEveryEntryAndExactTexts)
{
    for (int code = 0; code <= 4; ++code) {
        const auto& table = DescriptionTableFor(static_cast<MemoryTypeCode>(code));
        for (int n = 0; n < kSpdSize; ++n)
            EXPECT_FALSE(table[static_cast<std::size_t>(n)].empty()) << code << "/" << n;
    }
    const auto& sdr = DescriptionTableFor(MemoryTypeCode::Sdr);
    for (int n = 36; n <= 61; ++n)
        EXPECT_EQ(sdr[static_cast<std::size_t>(n)], "Superset information");
    EXPECT_EQ(sdr[63], "Checksun 0-62");
    EXPECT_EQ(sdr[128], "Open for customer use");
    EXPECT_EQ(sdr[255], "Open for customer use");

    const auto& ddr3 = DescriptionTableFor(MemoryTypeCode::Ddr3);
    EXPECT_EQ(ddr3[128], "Module Part Number");
    EXPECT_EQ(ddr3[129], "Open for customer use");
    EXPECT_EQ(ddr3[8], "Module Memory Bus Width ");
    EXPECT_EQ(ddr3[117], "Module ID: Module Manufacturer’s JEDEC ID Code ,Least Significant Byte");

    EXPECT_EQ(DescriptionTableFor(MemoryTypeCode::Ddr)[47], " DIMM Height");
    EXPECT_EQ(DescriptionTableFor(MemoryTypeCode::Ddr2)[45], "SDRAM Device Mazimum Read DataHold Skew Facktor (tQHS)");
    EXPECT_EQ(DescriptionTableFor(MemoryTypeCode::Rambus)[107], "Reseved");
    EXPECT_EQ(DescriptionTableFor(MemoryTypeCode::Rambus)[127], "Checksum for Bytes 99 -126");
}

TEST(Tables, ReportLinesAreLaidOutInColumns)
{
    const ReportTables tables = FillReportTables();
    const std::string& line0 = tables.sdr[0];
    EXPECT_EQ(line0.substr(0, 20), std::string(8, ' ') + "0" + std::string(10, ' ') + "N");
    EXPECT_EQ(line0.find("Number of Bytes Utilized by Module Manufacturer"), 19u);

    const std::string& range = tables.sdr[36];
    EXPECT_EQ(range.substr(0, 18), std::string(6, ' ') + "36-40" + std::string(7, ' '));
    EXPECT_EQ(range.substr(18, 8), "Reserved");

    EXPECT_EQ(tables.sdr[63].substr(0, 41), std::string(7, ' ') + "63" + std::string(10, ' ') + "Checksum for Byte 0-62");
    EXPECT_EQ(tables.sdr[126].substr(0, 18), std::string(6, ' ') + "126" + std::string(9, ' '));

    EXPECT_EQ(tables.ddr[46].substr(0, 11), std::string(6, ' ') + "46-61");
    EXPECT_TRUE(tables.ddr[47].empty());
    for (const ReportTable* t : {&tables.sdr, &tables.ddr, &tables.ddr2})
        EXPECT_TRUE((*t)[128].empty());

    for (const ReportTable* t : {&tables.sdr, &tables.ddr, &tables.ddr2}) {
        for (int n = 0; n < kSpdSize; ++n) {
            const std::string& l = (*t)[static_cast<std::size_t>(n)];
            if (!l.empty()) {
                EXPECT_GE(l.size(), 118u) << n;
                EXPECT_LE(l.size(), 139u) << n;
            }
        }
        EXPECT_EQ((*t)[kReportHeading], std::string(5, ' ') + "BYTE" + std::string(19, ' ') + "DESCRIPTION" +
                                            std::string(136 - 39, ' '));
        EXPECT_EQ((*t)[kReportRule], std::string(5, ' ') + std::string(139, '-'));
    }
    EXPECT_EQ(tables.ddr2[2].substr(19), std::string("Fundmental Memory Type") + std::string(118 - 19 - 22, ' '));
}
