// The images the wizard builds: byte for byte, and as the engine decodes them
// once saved and opened again; and the same through tessaro-cli.
#include "core/checks.h"
#include "core/hex.h"
#include "document/settle.h"
#include "files/spdfile.h"
#include "testsupport.h"
#include "wizard_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

using namespace tessaro;
using test::Build;
using test::WizardChoices;

namespace {

SpdImage FromHex(const std::string& hex)
{
    SpdImage image{};
    for (std::size_t i = 0; i * 2 < hex.size(); ++i)
        image[i] = HexPairToByte(hex.substr(i * 2, 2));
    return image;
}

std::string Bytes(const SpdImage& image, int first, int last)
{
    return HexString(ByteRange(image, first, last));
}

// Latencies named by a tCL entry ("2T 2.5T" gives 2 and 2.5).
std::vector<double> Latencies(const std::string& entry)
{
    std::vector<double> out;
    std::istringstream in(entry);
    std::string token;
    while (in >> token)
        out.push_back(std::stod(token.substr(0, token.size() - 1)));
    return out;
}

// The CAS-latency bits of an entry: SDR CL n at bit n-1, DDR CL 1 ... 3.5 at
// bits 0-5, DDR2 CL n at bit n, DDR3 CL n at bit n-4.
int CasBits(int kind, const std::string& entry)
{
    int bits = 0;
    for (double cl : Latencies(entry)) {
        const int bit = kind == 1 ? static_cast<int>(cl) - 1
                      : kind == 2 ? static_cast<int>(cl * 2) - 2
                      : kind == 3 ? static_cast<int>(cl)
                                  : static_cast<int>(cl) - 4;
        bits |= 1 << bit;
    }
    return bits;
}

// What the decoded CL text holds for an entry: SDR does not name CL1, DDR
// writes it as "1"; DDR3 writes bare numbers.
std::set<std::string> DecodedLatencies(int kind, const std::string& entry)
{
    std::set<std::string> out;
    for (double cl : Latencies(entry)) {
        std::ostringstream s;
        s << cl;
        if (kind == 4)
            out.insert(s.str());
        else if (cl == 1 && kind == 1)
            continue;
        else
            out.insert(cl == 1 ? "1" : s.str() + "T");
    }
    return out;
}

std::set<std::string> Tokens(const std::string& text)
{
    std::set<std::string> out;
    std::istringstream in(text);
    std::string token;
    while (in >> token)
        out.insert(token);
    if (out == std::set<std::string>{"Undefined"})
        out.clear();
    return out;
}

std::string ClockSuffix(int clocks)
{
    return "(" + std::to_string(clocks) + "T)";
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// The default choices at every speed, image for image (bytes beyond the text 0).
TEST(WizardSynthesis, EverySpeedWithTheDefaultChoicesByteForByte)
{
    const char* images[16] = {
        "8008040C0A01400001F07000800800000C040400010000A06000002D142D6920201020100000000000460000000000000000000000000000000000000000209E",
        "8008040C0A01400001A06000800800000C040400010000A06000001E141E462020102010000000000046000000000000000000000000000000000000000020FD",
        "8008040C0A01400001755400800800000C040400010000A0600000160F1634201508150800000000004200000000000000000000000000000000000000002075",
        "8008040C0A01400001603C00800800000C040400010000A0600000120F122A201508150800000000004200000000000000000000000000000000000000002036",
        "8008070D0A01400004A08000820800010C040800010000A0750000783C784640A0A05050000000000041783432750001000000000000000000000000000012FD",
        "8008070D0A01400004757500820800010C040800010000A07500005A3C5A3440A0A0505000000000004178343275000100000000000000000000000000001279",
        "8008070D0A01400004607000820800010C040800010000757000004830482A408080454500000000003C78302D55000100000000000000000000000000001271",
        "8008070D0A01400004507000820800010C04100001000060707575502850284060604040000000000037463028500001000000000000000000000000000012B9",
        "8008080E0A60400005506000820800000C041000020001506000005028503C80354715273C281E0000376980232D2D00000000000000000000000000000012C7",
        "8008080E0A604000053D5000820800000C041000020001505000003C1E3C2D80252D10223C1E1E00003C69801E280000000000000000000000000000000012E3",
        "8008080E0A60400005304500820800000C0420000200033D4550453C183C2D80202705173C1E1E00003C69801824000000000000000000000000000000001223",
        "8008080E0A60400005254000820800000C0420000200033D4000003214322580202705173C1E1E0030396980141E00000000000000000000000000000000127C",
        "92000B0211090001035201081400040078787850781168A4D0023C3C0140030D0000000000000000000000000000000000000000000000000000000010110000"
        "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000800000000000000000D6A4"
        "000000000000000000000000000000000000000080",
        "92000B0211090001035201080F00040069785A3C5A110E95D0023C3C012C030D0000000000000000000000000000000000000000000000000000000010110000"
        "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000800000000000000000FEFF"
        "000000000000000000000000000000000000000080",
        "92000B0211090001035201080C000800607854305410FC80D0023C3C00F0030D0000000000000000000000000000000000000000000000000000000010110000"
        "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000008000000000000000005017"
        "000000000000000000000000000000000000000080",
        "92000B0211090001035201080A000800507846284610D25AD0023C3C01C8030D0000000000000000000000000000000000000000000000000000000010110000"
        "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000800000000000000000B17A"
        "000000000000000000000000000000000000000080",
    };
    for (int code = 1; code <= 16; ++code) {
        WizardChoices c;
        c.generation = (code - 1) / 4;
        c.speed = (code - 1) % 4;
        const auto built = Build(c);
        EXPECT_EQ(HexString(built->document.image()), HexString(FromHex(images[code - 1]))) << "speedCode " << code;
        EXPECT_EQ(static_cast<int>(built->document.memoryTypeCode()), code <= 4 ? 0 : code <= 8 ? 1 : code <= 12 ? 2 : 4);
    }
}

// The worked examples: all defaults after "SDRAM", and after "DDR3 SDRAM".
TEST(WizardSynthesis, DefaultSdrAndDdr3DocumentsWithTheirMarksCheckModeAndFlag)
{
    const auto sdr = Build(WizardChoices{});
    const SpdImage& s = sdr->document.image();
    const std::map<int, int> listed = {
        {0, 128}, {1, 8},   {2, 4},   {3, 12},  {4, 10},  {5, 1},   {6, 64},  {8, 1},   {9, 240},
        {10, 112}, {12, 128}, {13, 8}, {16, 12}, {17, 4},  {18, 4},  {20, 1},  {23, 160}, {24, 96},
        {27, 45}, {28, 20}, {29, 45}, {30, 105}, {31, 32}, {32, 32}, {33, 16}, {34, 32}, {35, 16},
        {41, 70}, {62, 32}};
    for (int n = 0; n < kSpdSize; ++n) {
        const auto it = listed.find(n);
        if (n != 63) {
            EXPECT_EQ(s[static_cast<std::size_t>(n)], it == listed.end() ? 0 : it->second) << "byte " << n;
        }
        EXPECT_EQ(sdr->document.mark(n), n <= 63 ? Mark::Generated : Mark::Plain) << n;
    }
    EXPECT_EQ(s[63], Checksum63(s));
    EXPECT_EQ(sdr->document.checkMode(), CheckMode::Checksum);
    EXPECT_TRUE(sdr->document.isModified());
    EXPECT_EQ(sdr->document.caption(), "SPD_File 1*");

    WizardChoices c;
    c.generation = 3;
    const auto ddr3 = Build(c);
    const SpdImage& d = ddr3->document.image();
    const std::map<int, int> expected = {
        {4, 17}, {5, 9}, {7, 1}, {8, 3}, {12, 20}, {14, 4}, {18, 120}, {20, 120}, {21, 17}, {22, 104},
        {117, 128}, {148, 128}, {118, 0}, {149, 0}, {0, 146}, {2, 11}, {3, 2}, {9, 82}, {10, 1}, {11, 8},
        {17, 120}, {24, 208}, {25, 2}, {26, 60}, {27, 60}, {30, 3}, {31, 13}, {60, 16}, {61, 17}};
    for (const auto& [n, v] : expected)
        EXPECT_EQ(d[static_cast<std::size_t>(n)], v) << "byte " << n;
    EXPECT_EQ(StoredCrc(d), SpdCrc(d));
    EXPECT_EQ(CrcLastByte(d), 116);
    for (int n = 0; n < kSpdSize; ++n)
        EXPECT_EQ(ddr3->document.mark(n), n <= 125 ? Mark::Generated : n <= 127 ? Mark::Edited : Mark::Plain) << n;
    EXPECT_EQ(ddr3->document.checkMode(), CheckMode::Crc);
    EXPECT_EQ(ddr3->document.view().crcValue, WordToHex(StoredCrc(d))) << "decoded after the CRC was written";
    EXPECT_TRUE(ddr3->document.view().ddr3PanelsShown);
}

// Every offered width and size, on one and two sides, with and without ECC.
TEST(WizardSynthesis, OrganisationSidesAndEccBytes)
{
    for (int kind = 1; kind <= 4; ++kind) {
        for (int width = 0; width < 3; ++width) {
            for (int size = 0; size < 6; ++size) {
                if (!SizeOffered(MemoryTypeOfKind(kind), width, size))
                    continue;
                for (int variant = 0; variant < 4; ++variant) {
                    WizardChoices c;
                    c.generation = kind - 1;
                    c.width = width;
                    c.size = size;
                    c.doubleSide = variant & 1;
                    c.ecc = variant & 2;
                    WizardRecord record = test::FinishWizard(c);
                    const WizardParams p = record.params;
                    const auto built = Build(record);
                    const SpdImage& im = built->document.image();
                    const std::string where = "kind " + std::to_string(kind) + " width " + std::to_string(width) +
                                              " size " + std::to_string(size) + " variant " + std::to_string(variant);
                    const int dataWidth = 4 << width;
                    if (kind < 4) {
                        EXPECT_EQ(Bytes(im, 3, 4), HexString(std::vector<std::uint8_t>{
                                                       static_cast<std::uint8_t>(p.rowBits), static_cast<std::uint8_t>(p.columnBits)}))
                            << where;
                        const int ranks = c.doubleSide ? 2 : 1;
                        EXPECT_EQ(im[5], kind == 3 ? 95 + ranks : ranks) << where;
                        EXPECT_EQ(im[6], c.ecc ? 72 : 64) << where;
                        EXPECT_EQ(im[11], c.ecc ? 2 : 0) << where;
                        EXPECT_EQ(im[12], p.refreshTenths == 156 ? 128 : 130) << where;
                        EXPECT_EQ(im[13], dataWidth) << where;
                        EXPECT_EQ(im[14], c.ecc ? (width == 2 ? 16 : 8) : 0) << where;
                        EXPECT_EQ(im[17], p.bankCount) << where;
                        EXPECT_EQ(im[31], p.rankDensityCode) << where;
                        EXPECT_EQ(im[63], Checksum63(im)) << where;
                    } else {
                        // The density of byte 4 is what rows, columns and banks address.
                        const int banks = 4 << ((im[4] >> 4) & 7);
                        const int rows = 12 + (im[5] >> 3);
                        const int cols = 9 + (im[5] & 7);
                        const long long megabits = (256LL << (im[4] & 0x0F));
                        EXPECT_EQ((1LL << (rows + cols)) * banks * dataWidth, megabits << 20) << where;
                        EXPECT_EQ((1LL << (rows + cols)) * banks, (8LL << size) << 20) << where << ": the chosen size";
                        EXPECT_EQ(im[7], width + (c.doubleSide ? 8 : 0)) << where;
                        EXPECT_EQ(im[8], c.ecc ? 11 : 3) << where;
                        EXPECT_EQ(StoredCrc(im), SpdCrc(im)) << where;
                    }
                }
            }
        }
    }
}

// Every tCL entry and every clock count at every speed.
TEST(WizardSynthesis, CasLatencyAndClockDerivedBytes)
{
    // Clock period by speedCode in hundredths of a nanosecond (DDR3: eighths).
    const int tck[17] = {0, 1500, 1000, 750, 600, 1000, 750, 600, 500, 500, 375, 300, 250, 20, 15, 12, 10};
    for (int code = 1; code <= 16; ++code) {
        const int kind = (code - 1) / 4 + 1;
        const GenerationTimings& t = kGenerationTimings[static_cast<std::size_t>(kind - 1)];
        const int longest = std::max(static_cast<int>(t.tcl.size()), t.trasLast - t.trasFirst + 1);
        for (int k = 0; k < longest; ++k) {
            WizardChoices c;
            c.generation = kind - 1;
            c.speed = (code - 1) % 4;
            c.tcl = k % static_cast<int>(t.tcl.size());
            c.trp = t.trpFirst + k % (t.trpLast - t.trpFirst + 1);
            c.trcd = t.trcdFirst + (k + 1) % (t.trcdLast - t.trcdFirst + 1);
            c.tras = t.trasFirst + k % (t.trasLast - t.trasFirst + 1);
            const auto built = Build(c);
            const SpdImage& im = built->document.image();
            const std::string where = "speedCode " + std::to_string(code) + " k " + std::to_string(k);
            const int bits = CasBits(kind, t.tcl[static_cast<std::size_t>(*c.tcl)]);
            if (kind == 4) {
                EXPECT_EQ(im[14] | im[15] << 8, bits) << where;
                EXPECT_EQ(im[20], *c.trp * tck[code]) << where;
                EXPECT_EQ(im[18], *c.trcd * tck[code]) << where;
                EXPECT_EQ((im[21] & 0x0F) * 256 + im[22], *c.tras * tck[code]) << where;
                EXPECT_EQ(im[21] >> 4, 1) << where;
            } else {
                EXPECT_EQ(im[18], bits) << where;
                // SDR in whole nanoseconds, DDR and DDR2 in quarters; tRAS whole, fraction dropped.
                const int scale = kind == 1 ? 100 : 25;
                EXPECT_EQ(im[27], *c.trp * tck[code] / scale) << where;
                EXPECT_EQ(im[29], *c.trcd * tck[code] / scale) << where;
                EXPECT_EQ(im[30], *c.tras * tck[code] / 100) << where;
                if (kind > 1) {
                    EXPECT_EQ(*c.trp * tck[code] % 25, 0) << where << ": a whole number of quarters";
                }
            }
        }
    }
    // The examples: SDR 133 with 2, 3, 4 clocks; DDR2 533 with tRAS 13.
    WizardChoices c;
    c.speed = 2;
    const std::pair<int, int> sdr133[] = {{2, 15}, {3, 22}, {4, 30}};
    for (const auto& [clocks, nanoseconds] : sdr133) {
        c.trp = clocks;
        EXPECT_EQ(Build(c)->document.image()[27], nanoseconds);
    }
    c = {};
    c.generation = 2;
    c.speed = 1;
    c.tras = 13;
    EXPECT_EQ(Build(c)->document.image()[30], 48);
}

// Manufacturer IDs and part numbers in their different forms.
TEST(WizardSynthesis, ManufacturerIdAndPartNumberForms)
{
    struct Case {
        const char* text;
        const char* legacy;  // bytes 64-71
        const char* ddr3;    // bank and code byte
    };
    const Case cases[] = {
        {"", "0000000000000000", "8000"},
        {"2C", "2C00000000000000", "802C"},
        {"7F2C", "7F2C000000000000", "012C"},
        {"7F7F2C", "7F7F2C0000000000", "022C"},
        {"7F7F7F0B", "7F7F7F0B00000000", "830B"},
        {"7F7F7F7F2C", "7F7F7F7F00000000", "042C"},
        {"7F7F7F7F7F2C", "7F7F7F7F00000000", "852C"},
        {"7F7F7F7F7F7F2C", "7F7F7F7F00000000", "862C"},
        {"7F7F7F7F7F7F7F2C", "7F7F7F7F00000000", "072C"},
        // Neither table defines these: hex digits of either case count,
        // continuation codes are the "7F" pairs in front, the code the last pair.
        {"7f7f2c", "7F7F2C0000000000", "022C"},
        {"2C2C", "2C2C000000000000", "802C"},
        {"7F0B2C", "7F0B2C0000000000", "012C"},
        {"7F7F7F7F7F7F7F7F2C", "7F7F7F7F00000000", "082C"},
        {"7F2", "7F20000000000000", "0120"},
        {"G5", "0500000000000000", "8005"},
        {"\xE4\xB8\xAD" "5", "0500000000000000", "8005"},
    };
    for (const Case& k : cases) {
        WizardChoices c;
        c.jedec = k.text;
        WizardRecord record = test::FinishWizard(c);
        const auto legacy = Build(record);
        EXPECT_EQ(Bytes(legacy->document.image(), 64, 71), k.legacy) << k.text;
        c.generation = 3;
        const auto ddr3 = Build(c);
        const SpdImage& d = ddr3->document.image();
        EXPECT_EQ(Bytes(d, 117, 118), k.ddr3) << k.text;
        EXPECT_EQ(Bytes(d, 148, 149), k.ddr3) << k.text;
    }
    // The ID text left in the record: cut to 8 characters, two blanks for none.
    for (const auto& [typed, left] : {std::pair{"7F7F7F7F7F2C", "7F7F7F7F"}, std::pair{"", "  "}}) {
        WizardChoices c;
        c.jedec = typed;
        WizardRecord record = test::FinishWizard(c);
        (void)BuildWizardImage(record);
        EXPECT_EQ(record.jedecIdText, left);
    }

    // Part numbers: 18 characters at most; characters outside the code page become "?".
    for (int kind : {1, 4}) {
        const int first = kind == 4 ? 128 : 73;
        WizardChoices c;
        c.generation = kind - 1;
        c.part = "ABCDEFGHIJKLMNOPQRST";
        auto built = Build(c);
        EXPECT_EQ(Bytes(built->document.image(), first, first + 18), HexString(std::vector<std::uint8_t>(
                                                                     {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K',
                                                                      'L', 'M', 'N', 'O', 'P', 'Q', 'R', 0})));
        c.part = "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80 1";  // é € 中 😀 blank 1
        built = Build(c);
        EXPECT_EQ(Bytes(built->document.image(), first, first + 6), "E9803F3F203100");
        const DecodedView& view = built->document.view();
        const std::string& shown = kind == 4 ? view[Ddr3Field::PartNumber] : view[LegacyField::PartNumber];
        EXPECT_EQ(shown.substr(0, 7), "\xC3\xA9\xE2\x82\xAC??") << "the decoded text gives back what the code page holds";
    }
}

// Every image the wizard offers passes its own check and, saved and opened
// again, decodes to the chosen speed, latencies, timings and organisation.
TEST(WizardSynthesis, EveryImageChecksAndDecodesToTheChoices)
{
    int images = 0;
    for (int code = 1; code <= 16; ++code) {
        const int kind = (code - 1) / 4 + 1;
        const GenerationTimings& t = kGenerationTimings[static_cast<std::size_t>(kind - 1)];
        std::vector<std::pair<int, int>> pairs;
        for (int width = 0; width < 3; ++width)
            for (int size = 0; size < 6; ++size)
                if (SizeOffered(MemoryTypeOfKind(kind), width, size))
                    pairs.emplace_back(width, size);
        const int tclCount = static_cast<int>(t.tcl.size());
        const int count = std::max({tclCount, t.trasLast - t.trasFirst + 1, static_cast<int>(pairs.size()) * 4});
        for (int k = 0; k < count; ++k) {
            WizardChoices c;
            c.generation = kind - 1;
            c.speed = (code - 1) % 4;
            const auto& [width, size] = pairs[static_cast<std::size_t>(k) % pairs.size()];
            c.width = width;
            c.size = size;
            c.doubleSide = (k / pairs.size()) % 2;
            c.ecc = (k / pairs.size() / 2) % 2;
            c.tcl = k % tclCount;
            c.trp = t.trpFirst + (k + 1) % (t.trpLast - t.trpFirst + 1);
            c.trcd = t.trcdFirst + k % (t.trcdLast - t.trcdFirst + 1);
            c.tras = t.trasFirst + k % (t.trasLast - t.trasFirst + 1);
            const WizardRecord record = test::FinishWizard(c);
            const auto built = Build(record);
            const SpdImage image = built->document.image();

            DecodeContext context;
            SpdDocument opened(context, "opened");
            OpenAndSettle(opened, image);
            const DecodedView& v = opened.view();
            const std::string where = "speedCode " + std::to_string(code) + " k " + std::to_string(k);
            EXPECT_EQ(opened.memoryTypeCode(), built->document.memoryTypeCode()) << where;
            EXPECT_EQ(opened.checkMode(), built->document.checkMode()) << where;
            const std::string megahertz =
                std::to_string(kSpeedFrames[static_cast<std::size_t>(kind - 1)].megahertz[static_cast<std::size_t>(c.speed)]) + " MHz";
            const std::string entry = t.tcl[static_cast<std::size_t>(*c.tcl)];
            if (kind == 4) {
                EXPECT_EQ(StoredCrc(image), SpdCrc(image)) << where;
                EXPECT_EQ(v[Ddr3Field::ModuleSpeed].rfind(megahertz, 0), 0U) << where << ' ' << v[Ddr3Field::ModuleSpeed];
                EXPECT_EQ(Tokens(v[Ddr3Field::ClSupport]), DecodedLatencies(kind, entry)) << where;
                EXPECT_TRUE(EndsWith(v[Ddr3Field::Trp], ClockSuffix(*c.trp))) << where << ' ' << v[Ddr3Field::Trp];
                EXPECT_TRUE(EndsWith(v[Ddr3Field::Trcd], ClockSuffix(*c.trcd))) << where;
                EXPECT_TRUE(EndsWith(v[Ddr3Field::Tras], ClockSuffix(*c.tras))) << where;
                EXPECT_EQ(v[Ddr3Field::Rows], std::to_string(record.params.rowBits) + " ") << where;
                EXPECT_EQ(v[Ddr3Field::SdramWidth], std::to_string(4 << width) + " bit") << where;
                EXPECT_EQ(v[Ddr3Field::ModuleRanks], c.doubleSide ? "2 Ranks" : "1 Rank") << where;
                EXPECT_EQ(v[Ddr3Field::ModuleBusWidth], c.ecc ? "72 bit(ECC)" : "64 bit") << where;
            } else {
                EXPECT_EQ(image[63], Checksum63(image)) << where;
                EXPECT_EQ(v[LegacyField::DramClock].rfind(megahertz, 0), 0U) << where << ' ' << v[LegacyField::DramClock];
                EXPECT_EQ(Tokens(v[LegacyField::ClSupport]), DecodedLatencies(kind, entry)) << where << ' ' << entry;
                EXPECT_TRUE(EndsWith(v[LegacyField::Trp], ClockSuffix(*c.trp))) << where << ' ' << v[LegacyField::Trp];
                EXPECT_TRUE(EndsWith(v[LegacyField::Trcd], ClockSuffix(*c.trcd))) << where;
                EXPECT_TRUE(EndsWith(v[LegacyField::Tras], ClockSuffix(*c.tras))) << where << ' ' << v[LegacyField::Tras];
                EXPECT_EQ(v[LegacyField::Rows], std::to_string(record.params.rowBits & 0x0F)) << where;
                EXPECT_EQ(v[LegacyField::ModuleBanks], c.doubleSide ? "2" : "1") << where;
                EXPECT_EQ(v[LegacyField::DataWidth], std::to_string(4 << width)) << where;
                EXPECT_EQ(v[LegacyField::DimmType], c.ecc ? "ECC" : "Unbuffered") << where;
            }
            ++images;
        }
    }
    EXPECT_GT(images, 600);
}

TEST(WizardCli, BuildsWhatTheWizardBuildsAndRefusesWhatItDoesNotOffer)
{
    QTemporaryDir dir;
    const std::string bin = dir.filePath(QStringLiteral("w.bin")).toStdString();
    const std::string spd = dir.filePath(QStringLiteral("w.spd")).toStdString();

    auto r = test::RunCli({"wizard", "--print-params"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "{\"memoryKind\": 1, \"speedCode\": 1, \"eccChoice\": 1, \"rowBits\": 12, \"columnBits\": 10, "
                     "\"rankCount\": 1, \"casChoice\": 2, \"trpClocks\": 3, \"trcdClocks\": 3, \"trasClocks\": 7, "
                     "\"widthChoice\": 1, \"sizeChoice\": 1, \"unused12\": 0, \"rankDensityCode\": 32, \"bankCount\": 4, "
                     "\"refreshTenths\": 156}\n");

    r = test::RunCli({"wizard", "--type", "ddr3", "--speed", "1333", "--width", "x4", "--size=256Mb", "--sides", "double",
                      "--ecc", "--tcl", "5T 6T 7T", "--trp", "9", "--trcd", "8T", "--tras", "24", "--jedec", " 7F2C ",
                      "--part", "M1-ABC", "-o", bin});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    WizardChoices c;
    c.generation = 3;
    c.speed = 2;
    c.width = 0;
    c.size = 5;
    c.doubleSide = true;
    c.ecc = true;
    c.tcl = 6;
    c.trp = 9;
    c.trcd = 8;
    c.tras = 24;
    c.jedec = "7F2C";
    c.part = "M1-ABC";
    SpdImage written{};
    ASSERT_TRUE(ReadSpdFile(QString::fromStdString(bin), written, nullptr));
    EXPECT_EQ(HexString(written), HexString(Build(c)->document.image()));

    r = test::RunCli({"wizard", "--type", "ddr", "--speed", "400", "--tcl", "2.5t", "-o", spd});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    c = {};
    c.generation = 1;
    c.speed = 3;
    c.tcl = 3;
    ASSERT_TRUE(ReadSpdFile(QString::fromStdString(spd), written, nullptr));
    EXPECT_EQ(HexString(written), HexString(Build(c)->document.image()));

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--type", "ddr4"}, {"--type", "ddr3", "--speed", "400"}, {"--type", "ddr2", "--width", "x4", "--size", "256Mb"},
             {"--type", "ddr3", "--width", "x16", "--size", "16Mb"}, {"--tcl", "9T"}, {"--tras", "3"}, {"--width", "x32"},
             {"--sides", "triple"}, {"--colour", "red"}, {"--ecc=yes"}, {"--part"}}) {
        std::vector<std::string> full = {"wizard"};
        full.insert(full.end(), args.begin(), args.end());
        if (args.back() != "--part") {
            full.push_back("-o");
            full.push_back(bin);
        }
        r = test::RunCli(full);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(test::RunCli({"wizard"}).exitCode, 2) << "no output named";
    r = test::RunCli({"wizard", "-o", dir.filePath(QStringLiteral("none/w.bin")).toStdString()});
    EXPECT_EQ(r.exitCode, 1);
}
