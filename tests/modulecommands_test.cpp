#include "core/checks.h"
#include "core/hex.h"
#include "document/imagefacts.h"
#include "files/imageformat.h"
#include "files/spdformat.h"
#include "testsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

using namespace tessaro;
using test::RunCli;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A DDR4 SO-DIMM, 1Rx8, tCKmin 625 ps (DDR4-3200), tAA 13750 ps, part "TEST-PART".
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
    const std::string part = "TEST-PART";
    std::copy(part.begin(), part.end(), b.begin() + 329);
    return b;
}

Bytes Ddr5Image()
{
    Bytes b(1024, 0);
    b[0] = 0x30;
    b[1] = 0x10;
    b[2] = 0x12;
    b[3] = 0x02;
    b[20] = 0x6A;  // tCKmin 416 ps
    b[21] = 0x01;
    return b;
}

Bytes Ddr2Image()
{
    const SpdImage counting = test::CountingImage();
    Bytes b(counting.begin(), counting.end());
    b[2] = 0x08;
    return b;
}

std::string AsText(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

const FactDifference* Find(const std::vector<FactDifference>& differences, const std::string& name)
{
    const auto it = std::find_if(differences.begin(), differences.end(),
                                 [&](const FactDifference& d) { return d.name == name; });
    return it == differences.end() ? nullptr : &*it;
}

QJsonObject ParseJson(const std::string& line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return doc.object();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

}  // namespace

TEST(ImageFacts, LargerImagesGiveTimingsChecksAndTheirBytes)
{
    const Bytes a = Ddr4Image();
    Bytes b = a;
    b[24] = 0x70;    // tAA 14000 ps
    b[329] = 'X';    // part number
    EXPECT_TRUE(CompareFacts(ImageFacts(a), ImageFacts(a)).empty());

    const std::vector<FactDifference> differences = CompareFacts(ImageFacts(a), ImageFacts(b));
    const FactDifference* taa = Find(differences, "timings.tAA");
    ASSERT_NE(taa, nullptr);
    EXPECT_EQ(taa->aText(), "13750 ps / 22 clocks");
    EXPECT_EQ(taa->bText(), "14000 ps / 23 clocks");
    EXPECT_EQ(taa->bytes, (std::vector<ByteSpan>{{24, 24}, {123, 123}}));
    const FactDifference* part = Find(differences, "summary.partNumber");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->aText(), "TEST-PART");
    EXPECT_EQ(part->bText(), "XEST-PART");
    const FactDifference* crc = Find(differences, "checks.crc16_0_125");
    ASSERT_NE(crc, nullptr);
    EXPECT_EQ(crc->bytes, (std::vector<ByteSpan>{{0, 125}, {126, 127}}));
    EXPECT_EQ(Find(differences, "timings.tCKmin"), nullptr);

    // A fact that only one image has shows as absent on the other side, a's facts first.
    const std::vector<FactDifference> across = CompareFacts(ImageFacts(a), ImageFacts(Ddr5Image()));
    const FactDifference* trfc4 = Find(across, "timings.tRFC4");
    const FactDifference* trfcsb = Find(across, "timings.tRFCsb");
    ASSERT_NE(trfc4, nullptr);
    ASSERT_NE(trfcsb, nullptr);
    EXPECT_FALSE(trfc4->b.has_value());
    EXPECT_EQ(trfc4->bText(), kMissingFactText);
    EXPECT_FALSE(trfcsb->a.has_value());
    EXPECT_LT(trfc4, trfcsb);
    EXPECT_EQ(Find(across, "size")->aText(), "512");
    EXPECT_EQ(Find(across, "size")->bText(), "1024");
}

TEST(ImageFacts, SmallImagesGiveTheShownPanelFieldsWithTheBytesTheirCaptionsName)
{
    const Bytes a = Ddr2Image();
    const std::vector<ImageFact> facts = ImageFacts(a);
    auto fact = [&](const std::string& name) -> const ImageFact* {
        const auto it = std::find_if(facts.begin(), facts.end(), [&](const ImageFact& f) { return f.name == name; });
        return it == facts.end() ? nullptr : &*it;
    };
    ASSERT_NE(fact("fields.Memory Type(2)"), nullptr);
    EXPECT_EQ(fact("fields.Memory Type(2)")->text, "DDR2 SDRAM");
    EXPECT_EQ(fact("fields.Memory Type(2)")->bytes, (std::vector<ByteSpan>{{2, 2}}));
    EXPECT_EQ(fact("fields.Part Number(49-5A)")->bytes, (std::vector<ByteSpan>{{0x49, 0x5A}}));
    EXPECT_EQ(fact("panel")->text, "SDR/DDR/DDR2");
    ASSERT_NE(fact("checks.checksum63"), nullptr);
    EXPECT_EQ(fact("timings.tAA"), nullptr);

    Bytes b = a;
    b[0x1B] = 0x50;
    const std::vector<FactDifference> differences = CompareFacts(facts, ImageFacts(b));
    ASSERT_NE(Find(differences, "fields.Trp(1B)"), nullptr);
    EXPECT_NE(Find(differences, "checks.checksum63"), nullptr);

    // A DDR3 image shows the other panel pair: its captions are other facts.
    Bytes ddr3 = a;
    ddr3[2] = 0x0B;
    const std::vector<FactDifference> across = CompareFacts(facts, ImageFacts(ddr3));
    ASSERT_NE(Find(across, "fields.Memory Type"), nullptr);
    EXPECT_FALSE(Find(across, "fields.Memory Type")->a.has_value());
    EXPECT_EQ(Find(across, "panel")->bText(), "DDR3");
    // Every DDR3 field names its bytes, and a DDR3 image keeps a CRC, no checksum.
    const std::vector<ImageFact> ddr3Facts = ImageFacts(ddr3);
    for (const ImageFact& f : ddr3Facts) {
        if (f.name.rfind("fields.", 0) == 0 || f.name == "manufacturerName" || f.name == "summary.partNumber") {
            EXPECT_FALSE(f.bytes.empty()) << f.name;
        }
        EXPECT_NE(f.name, "checks.checksum63");
    }
    EXPECT_NE(Find(across, "checks.crc16"), nullptr);
}

TEST(CliCompare, ExitCodesLikeCmp)
{
    QTemporaryDir dir;
    const std::string a = dir.filePath("a.bin").toStdString();
    const std::string same = dir.filePath("same.spd").toStdString();
    const std::string other = dir.filePath("other.bin").toStdString();
    const std::string bigger = dir.filePath("bigger.bin").toStdString();
    test::WriteAll(a, AsText(Ddr4Image()));
    test::WriteAll(same, ImageTextBytes(Ddr4Image()));
    Bytes changed = Ddr4Image();
    changed[24] = 0x70;
    test::WriteAll(other, AsText(changed));
    test::WriteAll(bigger, AsText(Ddr5Image()));

    auto r = RunCli({"compare", a, same});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");

    r = RunCli({"compare", a, other});
    EXPECT_EQ(r.exitCode, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "018: 6E 70");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "timings.tAA: 13750 ps / 22 clocks | 14000 ps / 23 clocks"),
              lines.end())
        << r.out;

    r = RunCli({"compare", a, bigger});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\n200: -- 00\n"), std::string::npos);
    EXPECT_NE(r.out.find("timings.tRFCsb: (none) | "), std::string::npos);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"compare", a}, {"compare", a, same, other}, {"compare", a, same, "--input-format", "hex"},
             {"compare", a, dir.filePath("missing.bin").toStdString()}}) {
        r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.out, "");
    }
    // auto reads the text file by its contents, the binary one likewise.
    r = RunCli({"compare", "--input-format", "auto", same, a});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(CliCompare, JsonGivesNumbersAndNullForAnAbsentByte)
{
    QTemporaryDir dir;
    const std::string a = dir.filePath("a.bin").toStdString();
    const std::string b = dir.filePath("b.bin").toStdString();
    test::WriteAll(a, AsText(Ddr4Image()));
    test::WriteAll(b, AsText(Ddr5Image()));
    auto r = RunCli({"compare", "--json", a, b});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(Lines(r.out).size(), 1u);
    const QJsonObject o = ParseJson(r.out);
    EXPECT_EQ(o.keys(), (QStringList{"bytes", "fields", "same"}));
    EXPECT_FALSE(o.value("same").toBool());
    const QJsonArray bytes = o.value("bytes").toArray();
    EXPECT_EQ(bytes.first().toArray(), (QJsonArray{0, 0x23, 0x30}));
    EXPECT_EQ(bytes.last().toArray(), (QJsonArray{1023, QJsonValue::Null, 0}));
    bool sawMissing = false;
    for (const QJsonValue& field : o.value("fields").toArray()) {
        const QJsonArray f = field.toArray();
        ASSERT_EQ(f.size(), 3);
        EXPECT_TRUE(f[0].isString());
        if (f[0].toString() == "timings.tRFC4") {
            EXPECT_TRUE(f[2].isNull());
            sawMissing = true;
        }
    }
    EXPECT_TRUE(sawMissing);

    r = RunCli({"compare", "--json", a, a});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"same\":true,\"bytes\":[],\"fields\":[]}\n");
}

namespace {

// ROOT/sys/bus/i2c/devices with one device folder per entry.
class FakeSysfs {
public:
    FakeSysfs() : m_devices(m_root.path().toStdString() + "/sys/bus/i2c/devices")
    {
        std::filesystem::create_directories(m_devices);
    }
    void add(const std::string& entry, const std::string& driver, const Bytes& eeprom)
    {
        std::filesystem::create_directories(m_devices + "/" + entry);
        test::WriteAll(m_devices + "/" + entry + "/name", driver + "\n");
        test::WriteAll(eepromPath(entry), AsText(eeprom));
    }
    std::string eepromPath(const std::string& entry) const { return m_devices + "/" + entry + "/eeprom"; }
    std::string root() const { return m_root.path().toStdString(); }

private:
    QTemporaryDir m_root;
    std::string m_devices;
};

}  // namespace

TEST(CliInstalled, ListsEveryDriversModulesAndSavesTheirImages)
{
    FakeSysfs sysfs;
    sysfs.add("0-0050", "ee1004", Ddr4Image());
    sysfs.add("0-0051", "spd5118", Ddr5Image());
    sysfs.add("1-0052", "spd", Ddr2Image());
    sysfs.add("1-0053", "eeprom", Bytes(100, 0xFF));  // too short to be an image

    auto r = RunCli({"installed", "--sysfs", sysfs.root()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0].rfind("0-0050 ee1004: ", 0), 0u);
    EXPECT_NE(lines[0].find("DDR4-3200"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("TEST-PART"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("0-0051 spd5118: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("1-0052 spd: ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("1-0053 eeprom: ", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find("holds 100 bytes"), std::string::npos) << lines[3];

    r = RunCli({"installed", "--json", "--sysfs", sysfs.root()});
    EXPECT_EQ(r.exitCode, 0);
    const std::vector<std::string> records = Lines(r.out);
    ASSERT_EQ(records.size(), 4u);
    const QJsonObject first = ParseJson(records[0]);
    EXPECT_EQ(first.value("bus").toInt(-1), 0);
    EXPECT_EQ(first.value("address").toString(), "0050");
    EXPECT_EQ(first.value("driver").toString(), "ee1004");
    EXPECT_EQ(first.value("file").toString().toStdString(), sysfs.eepromPath("0-0050"));
    EXPECT_TRUE(first.value("error").isNull());
    EXPECT_EQ(first.value("summary").toObject().value("partNumber").toString(), "TEST-PART");
    EXPECT_EQ(records[0].rfind("{\"bus\":0,\"address\":\"0050\",\"driver\":\"ee1004\",\"file\":", 0), 0u);
    EXPECT_EQ(ParseJson(records[2]).value("bus").toInt(), 1);
    EXPECT_TRUE(ParseJson(records[3]).value("error").isString());

    QTemporaryDir saved;
    r = RunCli({"installed", "--save", saved.path().toStdString(), "--sysfs", sysfs.root()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const auto& [entry, image] : {std::pair{"0-0050", Ddr4Image()}, {"0-0051", Ddr5Image()},
                                       {"1-0052", Ddr2Image()}})
        EXPECT_EQ(test::ReadAll(saved.filePath(QString(entry) + ".bin").toStdString()), AsText(image)) << entry;
    EXPECT_EQ(QDir(saved.path()).entryList(QDir::Files).size(), 3);

    for (const std::string& bad : {saved.filePath("none").toStdString(), saved.filePath("0-0050.bin").toStdString()}) {
        r = RunCli({"installed", "--save", bad, "--sysfs", sysfs.root()});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("cannot save into"), std::string::npos) << r.err;
    }
}

TEST(CliInstalled, NothingFoundOrNothingReadableExits1)
{
    FakeSysfs empty;
    auto r = RunCli({"installed", "--sysfs", empty.root()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err).size(), 1u);
    EXPECT_NE(r.err.find("ee1004"), std::string::npos);
    // A tree that is not there is no machine without modules: the real error, not the hint.
    r = RunCli({"installed", "--sysfs", empty.root() + "/absent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "tessaro-cli: cannot read " + empty.root() + "/absent/sys/bus/i2c/devices: No such file or directory\n");
    EXPECT_EQ(RunCli({"installed", "extra"}).exitCode, 2);

    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its mode";
    FakeSysfs locked;
    locked.add("0-0050", "spd", Ddr2Image());
    ASSERT_EQ(::chmod(locked.eepromPath("0-0050").c_str(), 0), 0);
    r = RunCli({"installed", "--sysfs", locked.root()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind("0-0050 spd: cannot open", 0), 0u) << r.out;
    locked.add("0-0051", "spd", Ddr2Image());
    EXPECT_EQ(RunCli({"installed", "--sysfs", locked.root()}).exitCode, 0);
}

TEST(CliLargerImages, DecodeGivesTheSummaryFirstAndTheContractObjectInArgumentOrder)
{
    QTemporaryDir dir;
    const std::string ddr4 = dir.filePath("ddr4.bin").toStdString();
    const std::string ddr5 = dir.filePath("ddr5.spd").toStdString();
    const std::string ddr2 = dir.filePath("ddr2.bin").toStdString();
    const std::string shortDdr4 = dir.filePath("short.bin").toStdString();
    test::WriteAll(ddr4, AsText(Ddr4Image()));
    test::WriteAll(ddr5, ImageTextBytes(Ddr5Image()));
    test::WriteAll(ddr2, AsText(Ddr2Image()));
    Bytes cut = Ddr4Image();
    cut.resize(255);  // not even the first page
    test::WriteAll(shortDdr4, AsText(cut));

    // Enough files that the batch is shared out over threads: the records keep the argument order.
    std::vector<std::string> args{"decode", "--json"};
    for (int i = 0; i < 100; ++i)
        args.push_back(i % 4 == 0 ? ddr4 : i % 4 == 1 ? ddr5 : i % 4 == 2 ? ddr2 : shortDdr4);
    auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, 1) << "one file could not be read";
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 100u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(ParseJson(lines[i]).value("file").toString().toStdString(), args[i + 2]) << i;

    const QJsonObject first = ParseJson(lines[0]);
    EXPECT_EQ(first.value("size").toInt(), 512);
    EXPECT_EQ(first.value("typeCode").toInt(), 12);
    EXPECT_EQ(first.value("summary").toObject().value("speedName").toString(), "DDR4-3200");
    EXPECT_EQ(first.value("timings").toObject().value("tAA").toObject().value("clocks").toInt(), 22);
    EXPECT_TRUE(first.value("checks").toObject().contains("crc16_128_253"));
    const QJsonObject second = ParseJson(lines[1]);
    EXPECT_EQ(second.value("size").toInt(), 1024) << "a 64-line text file";
    EXPECT_EQ(second.value("summary").toObject().value("generation").toString(), "DDR5");
    EXPECT_NE(ParseJson(lines[3]).value("error").toString().toStdString().find("needs 256"), std::string::npos);

    r = RunCli({"decode", ddr4, ddr2});
    EXPECT_EQ(r.exitCode, 0);
    const std::vector<std::string> listing = Lines(r.out);
    ASSERT_GE(listing.size(), 3u);
    EXPECT_EQ(listing[0], ddr4);
    EXPECT_EQ(listing[1].rfind("  8 GB SO-DIMM 1Rx8 DDR4-3200 PC4-25600", 0), 0u) << listing[1];
    const auto second256 = std::find(listing.begin(), listing.end(), ddr2);
    ASSERT_NE(second256, listing.end());
    EXPECT_NE((second256 + 1)->find("DDR2"), std::string::npos) << "the summary line opens every listing";
}

// The first page of a DDR4 image (what a 256-byte programmer reads) and a
// DDR5 image cut at 600 bytes: every command that reads them warns, and fix
// and convert write the bytes read, none made up.
TEST(CliLargerImages, TruncatedImagesWarnInEveryCommand)
{
    QTemporaryDir dir;
    Bytes ddr4 = Ddr4Image();
    ddr4.resize(256);
    Bytes ddr5 = Ddr5Image();
    ddr5.resize(600);
    const std::string ddr4File = dir.filePath("page.bin").toStdString();
    const std::string ddr5File = dir.filePath("cut.spd").toStdString();
    test::WriteAll(ddr4File, AsText(ddr4));
    test::WriteAll(ddr5File, ImageTextBytes(ddr5));
    const std::string out = dir.filePath("out.bin").toStdString();
    for (const auto& [file, present, warning] :
         {std::tuple{ddr4File, 256, "truncated: 256 of 512 bytes"}, {ddr5File, 600, "truncated: 600 of 1024 bytes"}}) {
        SCOPED_TRACE(file);
        const std::string warned = "tessaro-cli: warning: \"" + file + "\": " + warning;
        const std::string written = warned + "; \"" + out + "\" holds only the " + std::to_string(present) + " bytes read\n";
        auto r = RunCli({"decode", "--json", file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const QJsonObject decoded = ParseJson(r.out);
        EXPECT_EQ(decoded.value("warnings").toArray().first().toString().toStdString(), warning);
        EXPECT_TRUE(decoded.value("summary").toObject().value("partNumber").isNull()) << "bytes 329-348 absent";
        r = RunCli({"fix", file, "-o", out});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, written);
        EXPECT_EQ(test::ReadAll(out).size(), static_cast<std::size_t>(present));
        r = RunCli({"convert", file, out});
        EXPECT_EQ(r.err, written);
        EXPECT_EQ(test::ReadAll(out).size(), static_cast<std::size_t>(present));
        r = RunCli({"compare", file, out});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, warned + "\n" + "tessaro-cli: warning: \"" + out + "\": " + warning + "\n");
        EXPECT_EQ(RunCli({"report", file}).err, warned + "\n");
    }    FakeSysfs sysfs;
    sysfs.add("0-0050", "eeprom", ddr4);  // a DDR4 module read through a 256-byte driver
    EXPECT_NE(RunCli({"installed", "--sysfs", sysfs.root()}).err.find("truncated: 256 of 512 bytes"), std::string::npos);
}

TEST(CliLargerImages, FixWritesEveryCrcBlockAndTheFormsRoundTrip)
{
    QTemporaryDir dir;
    const std::string in = dir.filePath("in.bin").toStdString();
    const std::string out = dir.filePath("out.spd").toStdString();
    const std::string back = dir.filePath("back.bin").toStdString();
    test::WriteAll(in, AsText(Ddr4Image()));

    auto r = RunCli({"fix", in, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("crc16_0_125: stored 0000, new "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("crc16_128_253: stored 0000, new "), std::string::npos) << r.out;
    ASSERT_EQ(RunCli({"convert", out, back}).exitCode, 0);
    const std::string fixed = test::ReadAll(back);
    ASSERT_EQ(fixed.size(), 512u);
    const std::string textForm = test::ReadAll(out);
    EXPECT_EQ(std::count(textForm.begin(), textForm.end(), '\n'), 32) << "32 text lines";
    r = RunCli({"decode", "--json", back});
    EXPECT_NE(r.out.find("\"crc16_0_125\":{\"stored\":"), std::string::npos);
    EXPECT_EQ(r.out.find("\"ok\":false"), std::string::npos) << "both blocks right after fix: " << r.out;
    const Bytes original = Ddr4Image();
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (i != 126 && i != 127 && i != 254 && i != 255) {
            ASSERT_EQ(static_cast<std::uint8_t>(fixed[i]), original[i]) << "byte " << i << " untouched";
        }
    }

    // A hex dump reads to the same image, and may not be rewritten in place.
    const std::string dump = dir.filePath("dump.txt").toStdString();
    std::string text;
    for (std::size_t i = 0; i < fixed.size(); i += 16) {
        text += ByteToHex(static_cast<std::uint8_t>(i >> 8)) + ByteToHex(static_cast<std::uint8_t>(i & 0xFF)) + ": ";
        for (std::size_t k = i; k < i + 16; ++k)
            text += ByteToHex(static_cast<std::uint8_t>(fixed[k])) + " ";
        text += "\n";
    }
    test::WriteAll(dump, text);
    EXPECT_EQ(RunCli({"compare", "--input-format", "auto", dump, back}).exitCode, 0);
    EXPECT_EQ(RunCli({"fix", "--input-format", "dump", dump}).exitCode, 2);
    EXPECT_EQ(RunCli({"fix", "--mode", "checksum", back}).exitCode, 2);
    EXPECT_EQ(RunCli({"decode", "--input-format", "hex", back}).exitCode, 2);
}
