#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

namespace tessaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadCorpus(const std::string& name)
{
    const std::string data = test::ReadAll(test::CorpusDir() + "/" + name);
    return Bytes(data.begin(), data.end());
}

void PutLe16(Bytes& image, int at, int value)
{
    image[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value & 0xFF);
    image[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>(value >> 8);
}

QJsonObject ParseJson(const std::string& text)
{
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return doc.object();
}

// The summary line of every corpus image; these agree with decode-dimms on size, speed,
// organisation, manufacturer and part number.
TEST(ModuleSummaryTest, CorpusImagesSummarizeAsTheirSourcesSay)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"sdr/cat7qemu-pm34-donor.bin", "256 MB 1Rx8 SDR-133 PC133 RM56S281TA-13AC"},
        {"sdr/lkml-i2c-ssp133-064323j.bin", "256 MB 2Rx16 SDR-133 PC133 Dane-elec (C Memory) SP133-064323J"},
        {"ddr/cb-k8test-micron-512mb-ddr333.bin", "1 GB 2Rx4 DDR-333 PC2700 Micron Technology 36VDDF12872G-335C3"},
        {"ddr/mame-nforcepc-hymd532m646c6.bin", "256 MB 1Rx16 DDR-266 PC2100 Hynix Semiconductor Inc. HYMD532M646C6-H"},
        {"ddr/mame-pcismbus-vs512mb400.bin", "512 MB 2Rx8 DDR-400 PC3200 Corsair VS512MB400"},
        {"ddr2/mt86p-2g-udimm.bin", "2 GB UDIMM 2Rx8 DDR2-800 PC2-6400 Kingston 2G-UDIMM"},
        {"ddr2/uboot-octeon-e100-static.bin", "1 GB 1Rx8 DDR2-533 PC2-4200"},
        {"ddr3/cb-apu2-hynix-4g-ecc.bin", "4 GB 72b-SO-UDIMM 1Rx8 DDR3-1333 PC3-10600 AMD"},
        {"ddr3/illumos-samsung-m393b4g70bm0.bin", "32 GB RDIMM 4Rx4 DDR3-1866 PC3-14900 Samsung M393B4G70BM0-CMA"},
        {"ddr3/mt86p-kingston-9905403-440.bin", "4 GB UDIMM 2Rx8 DDR3-1333 PC3-10600 Kingston 9905403-440.A00LF"},
        {"ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin",
            "8 GB SO-DIMM 1Rx16 DDR4-3200 PC4-25600 Samsung M471A1G44AB0-CWE"},
        {"ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin",
            "2 GB UDIMM 1Rx16 DDR4-2400 PC4-19200 Micron Technology 4ATF25664AZ-2G3B1"},
        // A dual-die package that is not a 3DS stack counts once.
        {"ddr4/cb-kahlee-hynix-hmaa1gs6cmr8n-vk.bin",
            "8 GB SO-DIMM 1Rx8 DDR4-2666 PC4-21300 Hynix Semiconductor Inc. HMAA1GS6CMR8N-VK"},
        {"ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin",
            "8 GB SO-DIMM 1Rx16 DDR5-4800 PC5-38400 Samsung M425R1GB4BB0-CQKOD"},
        // The manufacturing block is past the end of the truncated copy.
        {"ddr5/cb-rpl-samsung-m425r1gb4bb0-cqkod-512.bin", "8 GB SO-DIMM 1Rx16 DDR5-4800 PC5-38400"},
    };
    if (test::CorpusImages().empty())
        GTEST_SKIP() << "no SPD corpus at " << test::CorpusDir();
    for (const auto& [file, line] : cases)
        EXPECT_EQ(SummarizeModule(ReadCorpus(file)).line(), line) << file;
}

TEST(ModuleDecodeTest, CorpusDdr4AndDdr5Facts)
{
    if (test::CorpusImages().empty())
        GTEST_SKIP() << "no SPD corpus at " << test::CorpusDir();
    const auto samsung = DecodeModule(ReadCorpus("ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin"));
    EXPECT_EQ(samsung.layout.size, 512);
    EXPECT_EQ(samsung.summary.manufacturer->code, "4E");
    EXPECT_EQ(samsung.summary.manufacturer->name, "SAMSUNG");
    EXPECT_EQ(samsung.voltage, "1.2 V");
    EXPECT_EQ(samsung.timings[TimingName::CasLatency]->clocks, 22);
    EXPECT_EQ(samsung.timings[TimingName::ActiveToActive]->ps, 45750);
    EXPECT_EQ(samsung.timings[TimingName::ActiveToActive]->clocks, 74);
    ASSERT_EQ(samsung.checks.size(), 2u);
    EXPECT_TRUE(samsung.checks[0].ok() && samsung.checks[1].ok());
    EXPECT_TRUE(samsung.warnings.empty());

    const auto hatch = DecodeModule(ReadCorpus("ddr4/cb-hatch-16g-3200-4bg-badcrc2.bin"));
    ASSERT_EQ(hatch.checks.size(), 2u);
    EXPECT_TRUE(hatch.checks[0].ok());
    EXPECT_EQ(hatch.checks[1].stored, 0);
    EXPECT_FALSE(hatch.checks[1].ok());
    EXPECT_EQ(hatch.warnings, std::vector<std::string>{"CRC of bytes 128-253 not filled (stored 0000, computed 217D)"});

    const auto full = DecodeModule(ReadCorpus("ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin"));
    const auto cut = DecodeModule(ReadCorpus("ddr5/cb-rpl-samsung-m425r1gb4bb0-cqkod-512.bin"));
    for (const auto* d : {&full, &cut}) {
        EXPECT_EQ(d->layout.size, 1024);
        EXPECT_EQ(d->voltage, "1.1 V");
        EXPECT_EQ(d->timings[TimingName::CasLatency]->clocks, 39);
        EXPECT_EQ(d->timings[TimingName::Refresh1]->ps, 295000);
        EXPECT_EQ(d->timings[TimingName::Refresh1]->clocks, 708);
        EXPECT_FALSE(d->timings[TimingName::RowToRowShort]);
        ASSERT_EQ(d->checks.size(), 1u);
        EXPECT_TRUE(d->checks[0].ok());
    }
    EXPECT_TRUE(full.warnings.empty());
    EXPECT_EQ(cut.warnings, std::vector<std::string>{"truncated: 512 of 1024 bytes"});
    EXPECT_FALSE(cut.summary.partNumber);
    EXPECT_FALSE(cut.summary.manufacturer);
}

TEST(SpdRulesTest, SpeedBinsNamesAndClockRounding)
{
    const std::vector<std::pair<int, int>> speeds = {{625, 3200}, {682, 2933}, {750, 2666}, {833, 2400},
        {937, 2133}, {1071, 1866}, {1250, 1600}, {416, 4800}, {357, 5600}, {333, 6000}, {312, 6400}, {3000, 667},
        {3750, 533}, {6000, 333}, {7500, 266}};
    for (const auto& [clock, speed] : speeds)
        EXPECT_EQ(SpeedFromClockPeriod(clock, 1, false), speed) << clock;
    EXPECT_EQ(SpeedFromClockPeriod(7500, 1, true), 133);
    EXPECT_FALSE(SpeedFromClockPeriod(0, 1, false));
    EXPECT_FALSE(SpeedFromClockPeriod(-5, 1, false));
    EXPECT_FALSE(SpeedFromClockPeriod(10000000, 1, false));  // n = 0

    EXPECT_EQ(PcName(MemoryType::Ddr, 333), "PC2700");
    EXPECT_EQ(PcName(MemoryType::Ddr2, 667), "PC2-5300");
    EXPECT_EQ(PcName(MemoryType::Ddr4, 2666), "PC4-21300");
    EXPECT_FALSE(PcName(MemoryType::Lpddr4X, 4266));

    EXPECT_EQ(ClocksWithGuard(13750, 625, false), 22);
    EXPECT_EQ(ClocksWithGuard(625, 625, false), 1);
    EXPECT_EQ(ClocksWithGuard(16000, 416, true), 39);
    EXPECT_EQ(ClocksWithGuard(416, 416, true), 1);
    EXPECT_EQ(ClocksWithGuard(14000, 625, false), 23);  // 22.4 clocks: beyond the guard band
    EXPECT_FALSE(ClocksWithGuard(0, 625, false));
    EXPECT_FALSE(ClocksWithGuard(100, 0, true));

    EXPECT_EQ(VoltageText(120), "1.2 V");
    EXPECT_EQ(VoltageText(135), "1.35 V");
    EXPECT_FALSE(VoltageText(0));
}

TEST(SpdRulesTest, LayoutFollowsTypeAndFirstByte)
{
    auto layout = [](int byte0, int byte2) {
        const Bytes image = {static_cast<std::uint8_t>(byte0), 0, static_cast<std::uint8_t>(byte2)};
        return LayoutOf(image);
    };
    EXPECT_EQ(layout(0x23, 0x0C).size, 512);
    EXPECT_EQ(layout(0x30, 0x12).size, 1024);
    EXPECT_EQ(layout(0x23, 0x15).size, 512);
    EXPECT_EQ(layout(0x30, 0x13).size, 1024);
    EXPECT_EQ(layout(0x80, 0x13).generation, MemoryType::Unknown);
    EXPECT_EQ(layout(0x80, 0x13).size, 256);
    EXPECT_EQ(GenerationText(MemoryType::Unknown, 0x13), "unknown (13h)");
    EXPECT_EQ(LayoutOf({}).size, 256);
}

// A DDR5 image with XMP 3.0 and EXPO side by side.
Bytes Ddr5WithProfiles()
{
    Bytes image(1024, 0);
    image[0] = 0x30;
    image[2] = 0x12;
    image[3] = 0x02;
    PutLe16(image, 20, 416);
    image[0x280] = 0x0C;
    image[0x281] = 0x4A;
    image[0x282] = 0x30;
    image[0x283] = 0x01;  // profile 1 only
    const char name[] = "Fast";
    std::copy(name, name + 4, image.begin() + 0x28E);
    image[0x2C1] = 0x25;  // VDD 1.25 V
    PutLe16(image, 0x2C5, 333);
    image[0x2C7] = 0x05;  // CL 20 and 24
    PutLe16(image, 0x2CD, 16000);
    PutLe16(image, 0x2D9, 295);  // tRFC1 in ns
    image[0x301] = 0x22;
    PutLe16(image, 0x305, 357);
    std::copy_n("EXPO", 4, image.begin() + 0x340);
    image[0x344] = 0x10;
    image[0x345] = 0x01;
    image[0x34A] = 0x26;  // VDD 1.30 V
    PutLe16(image, 0x34E, 312);
    FixCrcBlocks(image);
    return image;
}

TEST(OverclockProfilesTest, Ddr5XmpAndExpo)
{
    Bytes image = Ddr5WithProfiles();
    // A disabled profile whose CRC is wrong is reported on that profile only.
    image[0x300 + 62] ^= 0xFF;
    const auto d = DecodeModule(image);
    EXPECT_TRUE(d.warnings.empty());
    ASSERT_EQ(d.profiles.size(), 4u);  // XMP 1-2 (EXPO holds the third), EXPO 1-2
    const auto& xmp = d.profiles[0];
    EXPECT_EQ(xmp.kind, "XMP 3.0");
    EXPECT_TRUE(xmp.enabled);
    EXPECT_EQ(xmp.name, "Fast");
    EXPECT_EQ(xmp.speedMTs, 6000);
    EXPECT_EQ(xmp.voltage, "1.25 V");
    EXPECT_EQ(xmp.casLatencies, (std::vector<int>{20, 24}));
    EXPECT_EQ(xmp.timings[TimingName::CasLatency]->clocks, 48);
    EXPECT_EQ(xmp.timings[TimingName::Refresh1]->ps, 295000);
    EXPECT_EQ(xmp.crcOk, true);
    EXPECT_FALSE(d.profiles[1].enabled);
    EXPECT_EQ(d.profiles[1].speedMTs, 5600);
    EXPECT_EQ(d.profiles[1].crcOk, false);
    EXPECT_EQ(d.profiles[2].kind, "EXPO");
    EXPECT_EQ(d.profiles[2].speedMTs, 6400);
    EXPECT_EQ(d.profiles[2].voltage, "1.3 V");
    EXPECT_FALSE(d.profiles[2].casLatencies);
    EXPECT_EQ(d.profiles[2].crcOk, true);
    EXPECT_FALSE(d.profiles[3].enabled);

    // Fixing writes every block, the header and the EXPO block included.
    image[0x290] = 'X';
    image[0x350] = 1;
    FixCrcBlocks(image);
    for (const auto& block : CrcBlocks(image))
        EXPECT_TRUE(block.ok()) << block.key;
    EXPECT_EQ(CrcBlocks(image).size(), 5u);
}

TEST(OverclockProfilesTest, OlderGenerations)
{
    // DDR4 XMP 2.0, profile 1: 1.35 V, tCK 555 ps (DDR4-3600), tAA 16 clocks.
    Bytes ddr4(512, 0);
    ddr4[0] = 0x23;
    ddr4[2] = 0x0C;
    ddr4[384] = 0x0C;
    ddr4[385] = 0x4A;
    ddr4[386] = 0x01;
    ddr4[393] = 0x80 | 35;
    ddr4[393 + 3] = 5;
    ddr4[393 + 38] = static_cast<std::uint8_t>(-70);
    ddr4[393 + 8] = 71;  // 8875 ps, 15.99 clocks
    const auto xmp2 = OverclockProfiles(ddr4);
    ASSERT_EQ(xmp2.size(), 2u);
    EXPECT_EQ(xmp2[0].speedMTs, 3600);
    EXPECT_EQ(xmp2[0].clockPs, 555);
    EXPECT_EQ(xmp2[0].voltage, "1.35 V");
    EXPECT_EQ(xmp2[0].timings[TimingName::CasLatency]->clocks, 16);
    EXPECT_FALSE(xmp2[0].crcOk);
    EXPECT_FALSE(xmp2[1].enabled);

    // DDR3 XMP 1.x with a time base of 1/12 ns: 1.65 V, tCK 12 units = 1 ns (DDR3-2000).
    Bytes ddr3(256, 0);
    ddr3[2] = 0x0B;
    ddr3[176] = 0x0C;
    ddr3[177] = 0x4A;
    ddr3[178] = 0x03;
    ddr3[180] = 1;
    ddr3[181] = 12;
    ddr3[185] = 0x2D;
    ddr3[186] = 12;
    ddr3[187] = 110;  // 9167 ps
    const auto xmp1 = OverclockProfiles(ddr3);
    ASSERT_EQ(xmp1.size(), 2u);
    EXPECT_EQ(xmp1[0].speedMTs, 2000);
    EXPECT_EQ(xmp1[0].voltage, "1.65 V");
    EXPECT_EQ(xmp1[0].timings[TimingName::CasLatency]->ps, 9167);
    EXPECT_EQ(xmp1[0].timings[TimingName::CasLatency]->clocks, 10);
    EXPECT_TRUE(xmp1[1].enabled);

    // DDR2 EPP: byte 103 selects profile 2; tCK 2.5 ns, tRCD 3.75 ns.
    Bytes ddr2(256, 0);
    ddr2[2] = 0x08;
    ddr2[99] = 0x6D;
    ddr2[102] = 0xB1;
    ddr2[103] = 0x01;
    ddr2[121] = 0x25;
    ddr2[123] = 3 << 2 | 3;
    const auto epp = OverclockProfiles(ddr2);
    ASSERT_EQ(epp.size(), 2u);
    EXPECT_FALSE(epp[0].enabled);
    EXPECT_TRUE(epp[1].enabled);
    EXPECT_EQ(epp[1].speedMTs, 800);
    EXPECT_EQ(epp[1].timings[TimingName::RasToCas]->ps, 3750);
    EXPECT_EQ(epp[1].timings[TimingName::RasToCas]->clocks, 2);
}

TEST(ModuleSummaryTest, SynthesizedOrganisations)
{
    // DDR4 3DS LRDIMM: 2 high stack of 16 Gb x4 dies, 2 package ranks, 72-bit bus.
    Bytes ddr4(512, 0);
    ddr4[2] = 0x0C;
    ddr4[3] = 0x04;
    ddr4[4] = 0x06;
    ddr4[6] = 0x12;
    ddr4[12] = 0x08;
    ddr4[13] = 0x0B;
    const auto stack = SummarizeModule(ddr4);
    EXPECT_EQ(stack.capacityMB, 131072);
    EXPECT_EQ(stack.organisation, "2Rx4");
    EXPECT_EQ(stack.ecc, true);
    EXPECT_EQ(stack.moduleType, "LRDIMM");

    // DDR5 asymmetric 3 ranks: ranks 1 and 3 of 16 Gb x8, rank 2 of 8 Gb x8; 2 x 32 bit.
    Bytes ddr5(1024, 0);
    ddr5[2] = 0x12;
    ddr5[4] = 0x04;
    ddr5[6] = 0x20;
    ddr5[8] = 0x02;
    ddr5[10] = 0x20;
    ddr5[234] = 0x40 | 2 << 3;
    ddr5[235] = 0x20 | 2;
    EXPECT_EQ(SummarizeModule(ddr5).capacityMB, 2 * 16384 + 8192);

    // LPDDR4X: only speed and identity; the module bytes mean other things.
    Bytes lp(512, 0);
    lp[2] = 0x11;
    lp[4] = 0x15;
    lp[18] = 4;
    lp[125] = static_cast<std::uint8_t>(-32);  // 468 ps
    const auto lowPower = DecodeModule(lp);
    EXPECT_EQ(lowPower.summary.speedName, "LPDDR4X-4266");
    EXPECT_FALSE(lowPower.summary.pcName || lowPower.summary.capacityMB || lowPower.summary.moduleType);
    EXPECT_FALSE(lowPower.casLatencies);
    EXPECT_TRUE(lowPower.timings[TimingName::ClockPeriod]);
    EXPECT_FALSE(lowPower.timings[TimingName::CasLatency]);
}

TEST(ModuleDecodeTest, AnyLengthAndAnyBytesDecodeWithoutFault)
{
    Bytes image = Ddr5WithProfiles();
    for (std::size_t n = 0; n <= image.size(); n += 37) {
        const auto d = DecodeModule(std::span(image.data(), n));
        std::string json;
        AppendDecodeJson(json, "x", d);
        ParseJson(json);
        if (n >= 3) {
            EXPECT_EQ(d.warnings.front(), "truncated: " + std::to_string(n) + " of 1024 bytes");
        }
    }
    std::uint32_t seed = 1;
    for (int round = 0; round < 300; ++round) {
        Bytes noise(static_cast<std::size_t>(round * 4 % 1100));
        for (auto& byte : noise) {
            seed = seed * 1103515245 + 12345;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        if (noise.size() > 2)
            noise[2] = static_cast<std::uint8_t>(0x0B + round % 11);
        std::string json;
        AppendDecodeJson(json, "noise", DecodeModule(noise));
        ParseJson(json);
    }
    Bytes unknown(256, 0);
    unknown[2] = 0x13;
    EXPECT_EQ(DecodeModule(unknown).warnings, std::vector<std::string>{"unknown memory type (13h)"});
    EXPECT_EQ(SummarizeModule(unknown).line(), "unknown (13h)");
}

TEST(DecodeJsonTest, KeysInContractOrder)
{
    const auto d = DecodeModule(Ddr5WithProfiles());
    std::string json;
    AppendDecodeJson(json, "a\"b.bin", d);
    const auto object = ParseJson(json);
    EXPECT_EQ(object["file"].toString(), "a\"b.bin");
    EXPECT_EQ(object["summary"].toObject()["speedName"].toString(), "DDR5-4800");
    EXPECT_TRUE(object["timings"].toObject()["tRRD_S"].isNull());
    EXPECT_EQ(object["timings"].toObject()["tRFCsb"].toObject()["ps"].toInt(), 0);
    EXPECT_EQ(object["checks"].toObject()["crc16_0_509"].toObject()["ok"].toBool(), true);
    EXPECT_EQ(object["profiles"].toArray().size(), 4);
    std::size_t at = 0;
    for (const char* key : {"\"file\"", "\"error\"", "\"size\"", "\"typeCode\"", "\"summary\"", "\"generation\"",
             "\"moduleType\"", "\"capacityMB\"", "\"ranks\"", "\"deviceWidth\"", "\"busWidth\"", "\"ecc\"",
             "\"organisation\"", "\"speedMTs\"", "\"speedName\"", "\"pcName\"", "\"manufacturer\"",
             "\"partNumber\"", "\"serialNumber\"", "\"manufactured\"", "\"timings\"", "\"casLatencies\"",
             "\"voltage\"", "\"checks\"", "\"profiles\"", "\"kind\"", "\"index\"", "\"enabled\"", "\"name\"",
             "\"speedMTs\"", "\"tCKminPs\"", "\"voltage\"", "\"casLatencies\"", "\"timings\"", "\"crcOk\"",
             "\"warnings\""}) {
        const auto found = json.find(key, at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found;
    }
}

}  // namespace
}  // namespace tessaro
