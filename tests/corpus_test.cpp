// Real SPD images from the shared corpus: every one must decode, and the
// command line's check results must agree with an independent computation.

#include "document/settle.h"
#include "files/spdfile.h"
#include "files/spdformat.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace tessaro;

namespace {

// Written from the definition, bit by bit, without the engine's table.
unsigned ReferenceCrc(const std::string& bytes, int last)
{
    unsigned crc = 0;
    for (int i = 0; i <= last; ++i) {
        crc ^= static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
    }
    return crc;
}

QString Hex(unsigned value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

class Corpus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        files = test::CorpusImages();
        if (files.empty())
            GTEST_SKIP() << "no SPD corpus at " << test::CorpusDir();
    }
    std::vector<std::string> files;
};

}  // namespace

TEST_F(Corpus, DecodeJsonAgreesWithIndependentChecks)
{
    std::vector<std::string> args = {"decode", "--json"};
    args.insert(args.end(), files.begin(), files.end());
    const auto result = test::RunCli(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::istringstream lines(result.out);
    std::string line;
    std::size_t n = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(n, files.size());
        const std::string& file = files[n++];
        QJsonParseError parseError;
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line), &parseError).object();
        ASSERT_EQ(parseError.error, QJsonParseError::NoError) << line;
        EXPECT_EQ(o.value("file").toString().toStdString(), file);
        EXPECT_TRUE(o.value("error").isNull());

        const std::string bytes = test::ReadAll(file);
        ASSERT_EQ(bytes.size(), 256u);
        unsigned sum = 0;
        for (int i = 0; i < 63; ++i)
            sum += static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        const unsigned storedSum = static_cast<unsigned char>(bytes[63]);
        const unsigned crc = ReferenceCrc(bytes, (static_cast<unsigned char>(bytes[0]) & 0x80) ? 116 : 125);
        const unsigned storedCrc = static_cast<unsigned char>(bytes[127]) << 8 | static_cast<unsigned char>(bytes[126]);

        const QJsonObject checks = o.value("checks").toObject();
        const QJsonObject sumObj = checks.value("checksum63").toObject();
        const QJsonObject crcObj = checks.value("crc16").toObject();
        EXPECT_EQ(sumObj.value("stored").toString(), Hex(storedSum, 2)) << file;
        EXPECT_EQ(sumObj.value("computed").toString(), Hex(sum & 0xFF, 2)) << file;
        EXPECT_EQ(sumObj.value("ok").toBool(), (sum & 0xFF) == storedSum) << file;
        EXPECT_EQ(crcObj.value("stored").toString(), Hex(storedCrc, 4)) << file;
        EXPECT_EQ(crcObj.value("computed").toString(), Hex(crc, 4)) << file;
        EXPECT_EQ(crcObj.value("ok").toBool(), crc == storedCrc) << file;

        const int byte2 = static_cast<unsigned char>(bytes[2]);
        const bool ddr3 = byte2 > 8;
        EXPECT_EQ(o.value("panel").toString(), ddr3 ? "DDR3" : "SDR/DDR/DDR2");
        EXPECT_EQ(o.value("checkMode").toInt(), ddr3 ? 1 : 0);
        EXPECT_EQ(o.value("memoryTypeCode").toInt(), byte2 == 4 ? 0 : byte2 == 7 ? 1 : byte2 == 8 ? 2 : 4);
        EXPECT_EQ(o.value("fields").toObject().size(), 23) << file;
        if (!ddr3) {
            EXPECT_EQ(o.value("fields").toObject().value("Checksum(3F)").toString(), Hex(sum & 0xFF, 2));
        }
    }
    EXPECT_EQ(n, files.size());
}

TEST_F(Corpus, KnownImagesDecodeToTheirFacts)
{
    struct Expect {
        const char* file;
        const char* caption;
        const char* text;
    };
    const Expect facts[] = {
        {"ddr2/mt86p-2g-udimm.bin", "JEDEC ID Code(40-47)", "7F98000000000000"},
        {"ddr2/mt86p-2g-udimm.bin", "DRAM Clock(9)", "800 MHz(PC2-6400)"},
        {"ddr/mame-pcismbus-vs512mb400.bin", "Part Number(49-5A)", "VS512MB400        "},
        {"ddr3/mt86p-samsung-m378b5173db0.bin", "Module Speed ", "1600 MHz(1.25ns)"},
        {"ddr3/mt86p-samsung-m378b5173db0.bin", "Part Number(80-91)", "M378B5173DB0-CK0  "},
        {"ddr3/mt86p-samsung-m378b5173db0.bin", "SDRAM Banks", "8 Banks"},
        {"ddr3/mt86p-samsung-m378b5173db0.bin", "Module Density /R", "4 GB"},  // 4 Gb x8
        {"ddr3/illumos-samsung-m393b4g70bm0.bin", "Module Density /R", "8 GB"},  // 4 Gb x4
        {"ddr3/illumos-samsung-m393b4g70bm0.bin", "Module Speed ", "1866 MHz(1.07ns)"},
        {"ddr3/cb-apu1-hynix-h5tq2g83cfr.bin", "Module Density /R", "2 GB"},  // 2 Gb x8
        {"sdr/lkml-i2c-ssp133-064323j.bin", "DRAM Clock(9)", "133 MHz(PC-133)"},
    };
    for (const auto& f : facts) {
        const std::string path = test::CorpusDir() + "/" + f.file;
        SpdImage image{};
        QString error;
        ASSERT_TRUE(ReadSpdFile(QString::fromStdString(path), image, &error)) << error.toStdString();
        DecodeContext context;
        SpdDocument doc(context);
        OpenAndSettle(doc, image);
        const DecodedView& v = doc.view();
        bool found = false;
        for (int i = 0; i < 23; ++i) {
            const bool ddr3 = v.ddr3PanelsShown;
            const char* caption = ddr3 ? kDdr3Captions[static_cast<std::size_t>(i)] : kLegacyCaptions[static_cast<std::size_t>(i)];
            if (std::string(caption) == f.caption) {
                EXPECT_EQ(ddr3 ? v.ddr3[static_cast<std::size_t>(i)] : v.legacy[static_cast<std::size_t>(i)], f.text) << f.file;
                found = true;
            }
        }
        EXPECT_TRUE(found) << f.caption;
    }
}

TEST_F(Corpus, RoundTripsThroughBothFormatsAreByteIdentical)
{
    QTemporaryDir dir;
    for (const auto& file : files) {
        const std::string original = test::ReadAll(file);
        SpdImage image{};
        QString error;
        ASSERT_TRUE(ReadSpdFile(QString::fromStdString(file), image, &error));
        ASSERT_TRUE(WriteSpdFile(dir.filePath("a.bin"), image, SpdFormat::Binary, &error));
        EXPECT_EQ(test::ReadAll(dir.filePath("a.bin").toStdString()), original) << file;
        ASSERT_TRUE(WriteSpdFile(dir.filePath("a.spd"), image, SpdFormat::Text, &error));
        SpdImage again{};
        ASSERT_TRUE(ReadSpdFile(dir.filePath("a.spd"), again, &error));
        EXPECT_EQ(again, image);
        ASSERT_TRUE(WriteSpdFile(dir.filePath("b.spd"), again, SpdFormat::Text, &error));
        EXPECT_EQ(test::ReadAll(dir.filePath("b.spd").toStdString()), test::ReadAll(dir.filePath("a.spd").toStdString()));
        EXPECT_EQ(test::ReadAll(dir.filePath("b.spd").toStdString()).size(), 816u);
    }
}

TEST_F(Corpus, MalformedFilesFailWithOneLineErrors)
{
    const std::string bad = test::CorpusDir() + "/bad/";
    for (const char* name : {"empty.bin", "short-100.bin", "lines10.spd", "garbage.spd"}) {
        const auto r = test::RunCli({"decode", bad + name});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    }
    const auto loose = test::RunCli({"decode", "--json", bad + "lowercase-noleadspace.spd", bad + "long-300.bin"});
    EXPECT_EQ(loose.exitCode, 0) << loose.err;

    SpdImage fromText{}, fromBinary{};
    QString error;
    ASSERT_TRUE(ReadSpdFile(QString::fromStdString(bad + "lowercase-noleadspace.spd"), fromText, &error));
    ASSERT_TRUE(ReadSpdFile(QString::fromStdString(test::CorpusDir() + "/ddr2/mt86p-goldenempire-1.bin"), fromBinary, &error));
    EXPECT_EQ(fromText, fromBinary);
}
