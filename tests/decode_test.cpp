#include "decode/decoders.h"
#include "decode/jedec.h"

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

class Decode : public ::testing::Test
{
protected:
    void set(int index, std::uint8_t value) { image[static_cast<std::size_t>(index)] = value; }
    void decode(int index) { DecodeByte(image, view, context, index); }
    const std::string& legacy(LegacyField f) { return view[f]; }
    const std::string& ddr3(Ddr3Field f) { return view[f]; }
    // Stores a byte and decodes it, as every command that changes bytes does.
    void store(int index, std::uint8_t value)
    {
        set(index, value);
        decode(index);
    }

    SpdImage image{};
    DecodedView view;
    DecodeContext context;
};

class LegacyDecode : public Decode
{
protected:
    void SetUp() override { set(2, 8); }  // DDR2 unless a test says otherwise
};

class Ddr3Decode : public Decode
{
protected:
    void SetUp() override
    {
        set(2, 11);
        set(10, 1);
        set(11, 8);  // MTB 125 ps
    }
};

}  // namespace

TEST_F(Decode, DispatcherPicksPanelsAndSetsMemoryTypeFromByte2)
{
    store(2, 8);
    EXPECT_FALSE(view.ddr3PanelsShown);
    EXPECT_EQ(context.currentMemoryType, 8);
    EXPECT_EQ(legacy(LegacyField::MemoryType), "DDR2 SDRAM");
    for (std::uint8_t type : {9, 10, 11, 200}) {
        store(2, type);
        EXPECT_TRUE(view.ddr3PanelsShown) << int(type);
        EXPECT_EQ(context.currentMemoryType, type);
    }
    EXPECT_EQ(ddr3(Ddr3Field::MemoryType), "-");
    EXPECT_EQ(legacy(LegacyField::MemoryType), "DDR2 SDRAM") << "hidden panel keeps its text";
}

TEST_F(Decode, IoPanelTitleUsesFormOfPreviousCall)
{
    set(2, 11);
    set(3, 0x03);  // SO-DIMM
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR3-Unbuffer DIMM I/O") << "form was still that of start-up";
    EXPECT_EQ(context.currentModuleForm, kSmallOutlineForm);
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR3-SODIMM I/O");

    set(3, 0x02);
    decode(0);
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR3-Unbuffer DIMM I/O");

    set(2, 8);
    set(20, 0x04);  // DDR2 SO-DIMM
    decode(0);
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR2 SODIMM I/O");
    set(20, 0x02);
    decode(0);
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR2 Unbuffer DIMM I/O");

    set(2, 7);
    set(20, 0x04);  // byte 20 means nothing on DDR
    decode(0);
    decode(0);
    EXPECT_EQ(view.ioPanelTitle, "DDR Unbuffer DIMM I/O");
    EXPECT_EQ(context.currentModuleForm, 0);
}

TEST_F(LegacyDecode, SimpleFields)
{
    store(3, 0x00);
    EXPECT_EQ(legacy(LegacyField::Rows), "Undefined(B1)/");
    store(3, 0x3D);
    EXPECT_EQ(legacy(LegacyField::Rows), "13");
    store(4, 0x0A);
    EXPECT_EQ(legacy(LegacyField::Cols), "10");

    store(5, 0x01);
    EXPECT_EQ(legacy(LegacyField::ModuleBanks), "2") << "DDR2 counts one more";
    store(5, 0x60);
    EXPECT_EQ(legacy(LegacyField::ModuleBanks), "1");
    store(5, 0x00);
    EXPECT_EQ(legacy(LegacyField::ModuleBanks), "Undefined");
    set(2, 7);
    store(5, 0x01);
    EXPECT_EQ(legacy(LegacyField::ModuleBanks), "1");

    store(8, 5);
    EXPECT_EQ(legacy(LegacyField::InterfaceLevel), "SSTL 1.8V");
    store(8, 7);
    EXPECT_EQ(legacy(LegacyField::InterfaceLevel), "-");
    store(11, 2);
    EXPECT_EQ(legacy(LegacyField::DimmType), "ECC");
    store(11, 3);
    EXPECT_EQ(legacy(LegacyField::DimmType), "TBD");
    store(12, 0x82);
    EXPECT_EQ(legacy(LegacyField::RefreshTime), "7.8us(self-refresh)");
    store(12, 6);
    EXPECT_EQ(legacy(LegacyField::RefreshTime), "TBD");
    store(12, 134);
    EXPECT_EQ(legacy(LegacyField::RefreshTime), "TBD");
    store(13, 0x80);
    EXPECT_EQ(legacy(LegacyField::DataWidth), "N/A");
    store(13, 0);
    EXPECT_EQ(legacy(LegacyField::DataWidth), "N/A");
    store(13, 127);
    EXPECT_EQ(legacy(LegacyField::DataWidth), "127");
    store(2, 12);
    EXPECT_TRUE(view.ddr3PanelsShown);
}

TEST_F(LegacyDecode, ClockByGenerationAndCycleTime)
{
    store(9, 0x3C);  // N = 366
    EXPECT_EQ(legacy(LegacyField::DramClock), "533 MHz(PC2-4200)");
    store(9, 0x40);  // N = 400: between 375 and 500, unchanged
    EXPECT_EQ(legacy(LegacyField::DramClock), "533 MHz(PC2-4200)");
    store(9, 0x25);
    EXPECT_EQ(legacy(LegacyField::DramClock), "800 MHz(PC2-6400)");
    store(9, 0x50);
    EXPECT_EQ(legacy(LegacyField::DramClock), "400 MHz(PC2-3200)");

    set(2, 7);
    store(9, 0x75);
    EXPECT_EQ(legacy(LegacyField::DramClock), "266 MHz(PC-2100)");
    store(9, 0xA1);  // 1010: above 1000, unchanged
    EXPECT_EQ(legacy(LegacyField::DramClock), "266 MHz(PC-2100)");

    set(2, 4);
    store(9, 0xA0);
    EXPECT_EQ(legacy(LegacyField::DramClock), "100 MHz(PC-100)");
    store(9, 0x75);
    EXPECT_EQ(legacy(LegacyField::DramClock), "133 MHz(PC-133)");

    set(2, 2);
    store(9, 0x75);
    EXPECT_EQ(legacy(LegacyField::DramClock), "Undefined");
}

TEST_F(LegacyDecode, TimingsInNanosecondsAndClocks)
{
    set(9, 0x3D);  // N = 375
    store(29, 0x4B);
    EXPECT_EQ(legacy(LegacyField::Trcd), "18.75 ns  (5T)");
    store(30, 0x2D);
    EXPECT_EQ(legacy(LegacyField::Tras), "45 ns  (12T)");
    store(27, 0x32);  // 12.5 ns
    EXPECT_EQ(legacy(LegacyField::Trp), "12.5 ns  (4T)");
    store(28, 0x01);  // 0.25 ns
    EXPECT_EQ(legacy(LegacyField::Trrd), "0.25 ns  (1T)");

    set(2, 4);        // SDR counts whole nanoseconds
    set(9, 0x75);     // N = 750
    store(27, 20);
    EXPECT_EQ(legacy(LegacyField::Trp), "20 ns  (3T)");

    set(9, 0x00);
    for (int b = 27; b <= 30; ++b) {
        store(b, 0x40);
        EXPECT_EQ(view.legacy[static_cast<std::size_t>(LegacyField::Trp) + static_cast<std::size_t>(b - 27)], "Undefined");
    }
    set(9, 0x75);
    store(30, 0);
    EXPECT_EQ(legacy(LegacyField::Tras), "Undefined");
}

TEST_F(LegacyDecode, CasLatencyLists)
{
    store(18, 0x38);
    EXPECT_EQ(legacy(LegacyField::ClSupport), " 5T 4T 3T ");
    store(18, 0x43);  // bits 0 and 1 are ignored on DDR2
    EXPECT_EQ(legacy(LegacyField::ClSupport), " 6T ");
    store(18, 0x03);
    EXPECT_EQ(legacy(LegacyField::ClSupport), "Undefined");
    set(2, 7);
    store(18, 0x3F);
    EXPECT_EQ(legacy(LegacyField::ClSupport), " 3.5T 3T 2.5T 2T 1.5T 1 ");
    store(18, 0x00);
    EXPECT_EQ(legacy(LegacyField::ClSupport), "Undefined");
    set(2, 4);
    store(18, 0x06);
    EXPECT_EQ(legacy(LegacyField::ClSupport), " 3T 2T ");
    store(18, 0x01);
    EXPECT_EQ(legacy(LegacyField::ClSupport), "Undefined");
    set(2, 5);
    store(18, 0xFF);
    EXPECT_EQ(legacy(LegacyField::ClSupport), "Undefined");
}

TEST_F(LegacyDecode, BankDensityKeepsTextForUnlistedValues)
{
    store(31, 0x80);
    EXPECT_EQ(legacy(LegacyField::BankDensity), "512 MB");
    store(31, 0x03);
    EXPECT_EQ(legacy(LegacyField::BankDensity), "512 MB");
    store(31, 0);
    EXPECT_EQ(legacy(LegacyField::BankDensity), "Undefined");
}

TEST_F(LegacyDecode, ChecksumTextIsComputedAndGivesSecurityCode)
{
    // bytes 0-62 summing to F0h, date bytes 05h and 20h, stored byte 63 irrelevant
    set(0, 0xE8);  // 8 + E8 = F0 with byte 2 = 8
    set(63, 0x12);
    set(93, 0x05);
    set(94, 0x20);
    decode(63);
    EXPECT_EQ(legacy(LegacyField::Checksum), "F0");
    EXPECT_EQ(view.securityCode, 0x15);
    set(93, 0x00);
    decode(93);
    EXPECT_EQ(view.securityCode, 0x15) << "only a decode of byte 63 recomputes it";
}

TEST_F(LegacyDecode, ManufacturerKeysAndHiding)
{
    const std::uint8_t id[] = {0x7F, 0x7F, 0x7F, 0x0B, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        set(64 + i, id[i]);
    decode(64);
    EXPECT_EQ(legacy(LegacyField::JedecId), "7F7F7F0B00000000");
    ASSERT_NE(ManufacturerName("7F7F7F0B"), nullptr);
    EXPECT_EQ(view.legacyManufacturerName, ManufacturerName("7F7F7F0B"));
    EXPECT_TRUE(view.legacyManufacturerNameVisible);

    for (int i = 0; i < 8; ++i)
        set(64 + i, 0x7F);
    decode(71);
    EXPECT_FALSE(view.legacyManufacturerNameVisible);

    // Byte 71 is never part of a key.
    for (int i = 0; i < 7; ++i)
        set(64 + i, 0x7F);
    set(71, 0x2C);
    decode(70);
    EXPECT_FALSE(view.legacyManufacturerNameVisible);

    set(64, 0x2C);
    decode(66);
    EXPECT_EQ(view.legacyManufacturerName, "(MICRON TECHNOLOGY)");
    EXPECT_TRUE(view.legacyManufacturerNameVisible);
}

TEST_F(LegacyDecode, HexStringsAndPartNumber)
{
    set(95, 0x12);
    set(96, 0x34);
    set(97, 0x56);
    set(98, 0x78);
    decode(96);
    EXPECT_EQ(legacy(LegacyField::SerialNumber), "12345678");
    set(98, 0x9A);
    decode(98);
    EXPECT_EQ(legacy(LegacyField::SerialNumber), "1234569A");

    const char part[] = "TS512MLK64V8H\x80\xE9  X";
    for (int i = 0; i < 18; ++i)
        set(73 + i, static_cast<std::uint8_t>(part[i]));
    decode(80);
    EXPECT_EQ(legacy(LegacyField::PartNumber), "TS512MLK64V8H€é  X");

    set(127, 0xAB);
    decode(127);
    EXPECT_EQ(legacy(LegacyField::SpecificData).size(), 58u);
    EXPECT_EQ(legacy(LegacyField::SpecificData).substr(56), "AB");
    set(72, 0x0A);
    decode(72);
    EXPECT_EQ(legacy(LegacyField::Location), "0A");
    set(93, 0x09);
    set(94, 0x45);
    decode(93);
    EXPECT_EQ(legacy(LegacyField::DateCode), "0945");
}

TEST_F(LegacyDecode, UnnamedBytesChangeNothing)
{
    decode(2);
    const DecodedView before = view;
    for (int b : {0, 1, 6, 7, 10, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26, 32, 40, 62, 128, 200, 255}) {
        set(b, 0xA5);
        decode(b);
    }
    EXPECT_EQ(view.legacy, before.legacy);
    EXPECT_EQ(view.crcCaption, before.crcCaption);
}

TEST_F(Ddr3Decode, SpeedFromMediumTimebase)
{
    store(12, 0x0F);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "1066 MHz(1.875ns)");
    store(12, 0x0E);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "Reserved");
    store(12, 0x0A);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "1600 MHz(1.25ns)");
    store(12, 0x09);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "1866 MHz(1.07ns)");
    store(12, 0x08);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "2133 MHz(0.94ns)");
    store(12, 0x07);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "Reserved");
    set(11, 0);  // MTB = byte 10 x 1000
    store(12, 0x0A);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "Reserved");
    set(10, 0);
    store(12, 0x0A);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleSpeed), "Reserved");
}

TEST_F(Ddr3Decode, TimesAndClocks)
{
    set(12, 0x0F);
    store(20, 0x69);
    EXPECT_EQ(ddr3(Ddr3Field::Trp), "13.125 ns (7T)");
    store(19, 0x30);
    EXPECT_EQ(ddr3(Ddr3Field::Trrd), "6 ns (4T)");
    store(18, 0x69);
    EXPECT_EQ(ddr3(Ddr3Field::Trcd), "13.125 ns (7T)");
    set(21, 0x11);
    store(22, 0x20);  // 0x120 = 288 x 125 ps = 36 ns
    EXPECT_EQ(ddr3(Ddr3Field::Tras), "36 ns (20T)");
    set(12, 0);
    store(20, 0x69);
    EXPECT_EQ(ddr3(Ddr3Field::Trp), "13.125 ns (0T)");
    set(10, 0);
    store(20, 0x69);
    EXPECT_EQ(ddr3(Ddr3Field::Trp), "0 ns (0T)");
}

TEST_F(Ddr3Decode, OrganisationFields)
{
    set(7, 0x01);
    store(4, 0x03);
    EXPECT_EQ(ddr3(Ddr3Field::SdramDensity), "2 Gb");
    EXPECT_EQ(ddr3(Ddr3Field::ModuleDensity), "2 GB");
    EXPECT_EQ(ddr3(Ddr3Field::SdramBanks), "8 Banks");
    store(4, 0x12);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleDensity), "1 GB");
    EXPECT_EQ(ddr3(Ddr3Field::SdramBanks), "16 Banks");
    store(7, 0x0A);  // width x16, 2 ranks: density keeps its value until byte 4 is decoded
    EXPECT_EQ(ddr3(Ddr3Field::ModuleDensity), "1 GB");
    EXPECT_EQ(ddr3(Ddr3Field::SdramWidth), "16 bit");
    EXPECT_EQ(ddr3(Ddr3Field::ModuleRanks), "2 Ranks");
    decode(4);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleDensity), "512 MB");
    store(4, 0x47);
    EXPECT_EQ(ddr3(Ddr3Field::SdramDensity), "Reserved");
    EXPECT_EQ(ddr3(Ddr3Field::SdramBanks), "Reserved");

    store(5, 0x12);
    EXPECT_EQ(ddr3(Ddr3Field::Cols), "11");
    EXPECT_EQ(ddr3(Ddr3Field::Rows), "14 ");
    store(5, 0x3C);
    EXPECT_EQ(ddr3(Ddr3Field::Cols), "Reserved");
    EXPECT_EQ(ddr3(Ddr3Field::Rows), "Reserved");

    store(8, 0x0B);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleBusWidth), "72 bit(ECC)");
    store(8, 0x23);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleBusWidth), "64 bit");
    store(8, 0x02);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleBusWidth), "Reserved");

    store(3, 0x0B);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleType), "Reservd");
    store(3, 0x04);
    EXPECT_EQ(ddr3(Ddr3Field::ModuleType), "Micro-DIMM");
}

TEST_F(Ddr3Decode, BanksAndDensityPerRankOverEveryCode)
{
    const char* banks[8] = {"8 Banks", "16 Banks", "32 Banks", "64 Banks", "Reserved", "Reserved", "Reserved", "Reserved"};
    for (int code = 0; code < 8; ++code) {
        store(4, static_cast<std::uint8_t>(code << 4 | 0x03));
        EXPECT_EQ(ddr3(Ddr3Field::SdramBanks), banks[code]) << code;
    }
    struct Case { std::uint8_t density, width; const char* text; };  // byte 4 low nibble, byte 7 (two ranks)
    for (const Case& c : {Case{0x3, 0x09, "2 GB"}, Case{0x4, 0x08, "8 GB"}, Case{0x0, 0x0B, "64 MB"},
                          Case{0x6, 0x08, "32 GB"}, Case{0x1, 0x09, "512 MB"}, Case{0x7, 0x08, "Reserved"},
                          Case{0x2, 0x0C, "Reserved"}}) {
        set(7, c.width);
        store(4, c.density);
        EXPECT_EQ(ddr3(Ddr3Field::ModuleDensity), c.text) << int(c.density) << " " << int(c.width);
    }
}

TEST_F(Ddr3Decode, CasLatencyList)
{
    set(14, 0x7E);
    store(15, 0x00);
    EXPECT_EQ(ddr3(Ddr3Field::ClSupport), "5 6 7 8 9 10 ");
    set(14, 0x00);
    store(15, 0x80);  // bit 7 of byte 15 is ignored
    EXPECT_EQ(ddr3(Ddr3Field::ClSupport), "");
    set(14, 0x01);
    store(15, 0x41);
    EXPECT_EQ(ddr3(Ddr3Field::ClSupport), "4 12 18 ");
}

TEST_F(Ddr3Decode, CrcCaptionAndCheckModeCaptionFromByte0)
{
    store(0, 0x92);
    EXPECT_EQ(view.crcCaption, "CRC (0-116)");
    EXPECT_EQ(view.crcOptionCaption, "CRC (0-116)");
    store(0, 0x12);
    EXPECT_EQ(view.crcCaption, "CRC (0-125)");
    set(126, 0x3C);
    store(127, 0xA5);
    EXPECT_EQ(view.crcValue, "A53C") << "the stored CRC, high byte first";
}

TEST_F(Ddr3Decode, ManufacturerFromBytes148And149)
{
    set(148, 0x80);
    store(149, 0x2C);
    EXPECT_EQ(ddr3(Ddr3Field::ManufacturerId), "802C");
    EXPECT_EQ(view.ddr3ManufacturerName, "(MICRON TECHNOLOGY)");
    set(148, 0x04);
    store(149, 0x89);
    EXPECT_EQ(view.ddr3ManufacturerName, ManufacturerName("7F7F7F7F89"));
    set(148, 0x07);
    store(149, 0x2C);
    EXPECT_EQ(view.ddr3ManufacturerName, "");
    set(148, 0x00);
    store(149, 0x03);  // parity wrong
    EXPECT_EQ(view.ddr3ManufacturerName, "");
}

TEST_F(Ddr3Decode, IdentificationStrings)
{
    const char part[] = "M378B5173DB0-CK0  ";
    for (int i = 0; i < 18; ++i)
        set(128 + i, static_cast<std::uint8_t>(part[i]));
    decode(145);
    EXPECT_EQ(ddr3(Ddr3Field::PartNumber), part);
    set(119, 3);
    decode(119);
    EXPECT_EQ(ddr3(Ddr3Field::Location), "03");
    set(120, 0x14);
    set(121, 0x16);
    decode(121);
    EXPECT_EQ(ddr3(Ddr3Field::Date), "1416");
    set(123, 0xEB);
    decode(124);
    EXPECT_EQ(ddr3(Ddr3Field::SerialNumber), "00EB0000");
    set(175, 0x05);
    decode(150);
    EXPECT_EQ(ddr3(Ddr3Field::SpecificData).size(), 52u);
    EXPECT_EQ(ddr3(Ddr3Field::SpecificData).substr(50), "05");
}

TEST_F(Ddr3Decode, UnnamedBytesChangeNothingButFormIsAlwaysRefreshed)
{
    decode(2);
    const DecodedView before = view;
    set(3, 0x03);
    for (int b : {1, 6, 9, 10, 11, 13, 16, 17, 23, 60, 116, 117, 118, 176, 255}) {
        set(b, 0x5A);
        decode(b);
    }
    EXPECT_EQ(view.ddr3, before.ddr3);
    EXPECT_EQ(context.currentModuleForm, kSmallOutlineForm);
    set(3, 0x02);
    decode(200);
    EXPECT_EQ(context.currentModuleForm, 2);
}
