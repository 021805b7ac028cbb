#include "decode/decodejson.h"
#include "decode/jedec.h"
#include "decode/moduledecode.h"
#include "decode/valueedit.h"
#include "files/imageformat.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <tuple>
#include <map>
#include <random>
#include <set>

namespace tessaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CorpusImage {
    std::string name;
    Bytes bytes;
};

// Every whole image of the corpus, all generations.
std::vector<CorpusImage> AllCorpusImages()
{
    std::vector<CorpusImage> images;
    for (const char* generation : {"sdr", "ddr", "ddr2", "ddr3", "ddr4", "ddr5"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(test::CorpusDir() + "/" + generation, ec)) {
            const ImageRead read = ParseImage(test::ReadAll(entry.path().string()), InputFormat::Binary);
            if (read.ok())
                images.push_back({std::string(generation) + "/" + entry.path().filename().string(), read.image.bytes});
        }
    }
    return images;
}

Bytes Corpus(const std::string& name)
{
    const std::string data = test::ReadAll(test::CorpusDir() + "/" + name);
    return Bytes(data.begin(), data.end());
}

// A corpus image, or without the corpus one of the images the repository keeps
// for the fuzzers (DDR4 and DDR5 without profiles) or a blank DDR3 image, so the
// rules and the command line are checked on every machine.
Bytes Sample(const std::string& name)
{
    if (std::filesystem::exists(test::CorpusDir() + "/" + name))
        return Corpus(name);
    const std::string generation = name.substr(0, name.find('/'));
    if (generation == "ddr3") {
        Bytes image(256, 0);
        image[2] = 0x0B;
        UpdateCheckBytes(image);
        return image;
    }
    const std::string data = test::ReadAll(std::string(TESSARO_SOURCE_DIR) + "/fuzz/corpus/module_decode/" + generation + ".bin");
    return Bytes(data.begin(), data.end());
}

bool ChecksRight(const Bytes& image)
{
    Bytes fixed = image;
    UpdateCheckBytes(fixed);
    return fixed == image;
}

// The bytes a set may change besides the field's own: the check bytes.
std::set<int> CheckBytes(const Bytes& image)
{
    if (LayoutOf(image).size == 256)
        return {63, 126, 127};
    std::set<int> bytes;
    for (const CrcBlock& block : CrcBlocks(image))
        bytes.insert({block.storedAt, block.storedAt + 1});
    return bytes;
}

const EditableField* Find(const std::vector<EditableField>& fields, const std::string& name)
{
    for (const auto& f : fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

std::string Hex(std::mt19937& rng, int digits)
{
    std::string text;
    for (int i = 0; i < digits; ++i)
        text += "0123456789ABCDEF"[rng() % 16];
    return text;
}

// A value the generation can store exactly, in the form the field's text shows it.
std::string LegalValue(const std::string& name, const Bytes& image, std::mt19937& rng)
{
    const SpdLayout layout = LayoutOf(image);
    const bool ddr5 = layout.generation == MemoryType::Ddr5;
    auto pick = [&](int low, int high) {
        return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
    };
    if (name == "partNumber") {
        std::string text;
        const int length = pick(1, layout.size == 1024 ? 30 : layout.size == 512 ? 20 : 18);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(i == 0 || i == length - 1 ? pick(0x21, 0x7E) : pick(0x20, 0x7E));
        std::replace(text.begin(), text.end(), '"', '#');
        return text;
    }
    if (name == "serialNumber")
        return Hex(rng, 8);
    if (name == "moduleRevision")
        return Hex(rng, layout.size == 256 ? 4 : 2);
    if (name == "manufactured") {
        char text[16];
        std::snprintf(text, sizeof text, "%d-W%02d", pick(1980, 2079), pick(1, 53));
        return text;
    }
    if (name == "manufacturer") {
        const Jep106Row& row = Jep106Rows()[rng() % static_cast<unsigned>(Jep106RowCount())];
        char text[16];
        std::snprintf(text, sizeof text, "%d:%02X", row.bank, row.code);
        return text;
    }
    if (name == "speedMTs") {
        const std::vector<int> speeds = ddr5 ? std::vector<int>{4800, 5600, 6000, 6400}
                                             : std::vector<int>{1600, 1866, 2133, 2400, 2666, 2933, 3200};
        return std::to_string(speeds[rng() % speeds.size()]);
    }
    if (name == "casLatencies") {
        std::string text;
        for (int cl = ddr5 ? 20 : 7; cl <= (ddr5 ? 98 : 36); cl += ddr5 ? 2 : 1)
            if (rng() % 3 == 0 || text.empty()) {
                if (!text.empty())
                    text += ' ';
                text += std::to_string(cl);
            }
        return text;
    }
    if (name == "voltage")
        return ddr5 ? "1.1 V" : "1.2 V";
    // Times: DDR4 keeps some in whole 125 ps steps, DDR5 its refresh times in whole ns.
    static const std::set<std::string> ddr4Coarse = {"tRAS", "tRFC1", "tRFC2", "tRFC4", "tFAW", "tWR"};
    const bool refresh = name.rfind("tRFC", 0) == 0;
    int ps = ddr5 ? (refresh ? pick(1, 65) * 1000000 / 1000 : pick(300, 65535)) : pick(200, 31875);
    if (!ddr5 && ddr4Coarse.count(name))
        ps = ps / 125 * 125;
    return std::to_string(ps) + "ps";
}

// Decoded picoseconds of a time field, from its text ("13.75 ns").
long long PsOf(const std::string& text)
{
    return std::llround(std::stod(text) * 1000);
}

TEST(ValueEditTest, EveryFieldOfEveryCorpusImageRoundTripsAndTakesLegalValues)
{
    const auto images = AllCorpusImages();
    if (images.empty())
        GTEST_SKIP() << "no SPD corpus at " << test::CorpusDir();
    std::mt19937 rng(27);
    int checked = 0;
    for (const auto& [file, original] : images) {
        const bool checksRight = ChecksRight(original);
        for (const EditableField& field : EditableFields(original)) {
            SCOPED_TRACE(file + " " + field.name);
            if (field.text) {
                Bytes image = original;
                const EditOutcome back = SetField(image, field.name, *field.text);
                ASSERT_TRUE(back.ok()) << back.error;
                EXPECT_TRUE(back.exact);
                if (checksRight) {
                    EXPECT_EQ(image, original);
                }
            }
            for (int round = 0; round < 4; ++round) {
                Bytes image = original;
                const std::string value = LegalValue(field.name, image, rng);
                const EditOutcome set = SetField(image, field.name, value);
                ASSERT_TRUE(set.ok()) << value << ": " << set.error;
                EXPECT_TRUE(set.exact) << value << " stored as " << set.stored;
                const auto fields = EditableFields(image);
                const EditableField* after = Find(fields, field.name);
                ASSERT_TRUE(after);
                if (field.name[0] == 't') {
                    EXPECT_EQ(PsOf(after->text.value_or("0")), std::stoll(value)) << value;
                } else if (field.name == "manufacturer") {
                    EXPECT_TRUE(after->text->ends_with("(" + value + ")") || *after->text == value) << *after->text;
                } else {
                    EXPECT_EQ(after->text.value_or(""), value);
                }
                // Only the field's own bytes and the check bytes changed.
                std::set<int> allowed = CheckBytes(original);
                for (const ByteSpan& span : field.bytes)
                    for (int i = span.first; i <= span.last; ++i)
                        allowed.insert(i);
                for (const ByteSpan& span : ChangedBytes(original, image))
                    for (int i = span.first; i <= span.last; ++i)
                        EXPECT_TRUE(allowed.count(i)) << "byte " << i;
                EXPECT_TRUE(ChecksRight(image));
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(ValueEditTest, RoundingIsNotedAndBadNamesOrValuesChangeNothing)
{
    const Bytes ddr4 = Sample("ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin");
    const Bytes ddr5 = Sample("ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin");
    const Bytes ddr3 = Sample("ddr3/cb-apu2-hynix-4g-ecc.bin");
    struct Case {
        const Bytes* image;
        const char* name;
        const char* value;
        const char* stored;  // nullptr: refused
        bool exact = true;
    };
    const std::vector<Case> cases = {
        {&ddr4, "tAA", "13.7505ns", "13.751 ns", false},   // whole picoseconds, rounded up
        {&ddr4, "tRAS", "32.1ns", "32.125 ns", false},     // 125 ps steps
        {&ddr4, "tRC", "45.8", "0.046 ns", false},         // a bare number is picoseconds
        {&ddr4, "speedMTs", "3100", "3133", false},  // the nearest speed bin
        {&ddr5, "tRFC1", "295.5ns", "296 ns", false},      // whole nanoseconds
        {&ddr4, "casLatencies", "24, 30 36", "24 30 36"},
        {&ddr4, "casLatencies", "[23,40,52]", "23 40 52"},  // the upper range
        {&ddr4, "manufacturer", "Samsung", "SAMSUNG (1:4E)"},
        {&ddr4, "manufacturer", "1:CE", "SAMSUNG (1:4E)"},
        {&ddr4, "partNumber", "\"M471A1G44AB0-CWE\"", "M471A1G44AB0-CWE"},
        {&ddr4, "tXYZ", "1ns", nullptr},
        {&ddr3, "tAA", "13ns", nullptr},
        {&ddr5, "tRRD_S", "5ns", nullptr},
        {&ddr4, "tAA", "fast", nullptr},
        {&ddr4, "tAA", "40ns", nullptr},
        {&ddr4, "tRFC1", "9000ns", nullptr},
        {&ddr4, "casLatencies", "6,7", nullptr},
        {&ddr4, "casLatencies", "7,52", nullptr},
        {&ddr5, "casLatencies", "21", nullptr},
        {&ddr4, "voltage", "1.35 V", nullptr},
        {&ddr4, "manufactured", "2024-W54", nullptr},
        {&ddr4, "manufactured", "24-W07", nullptr},
        {&ddr4, "manufacturer", "Micron", nullptr},  // two makers start so
        {&ddr4, "manufacturer", "1:7F", nullptr},
        {&ddr4, "serialNumber", "1234", nullptr},
        {&ddr4, "partNumber", "ABCDEFGHIJKLMNOPQRSTU", nullptr},
        {&ddr4, "partNumber", "caf\xC3\xA9", nullptr},
        {&ddr3, "manufacturer", "129:01", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        Bytes image = *c.image;
        const EditOutcome outcome = SetField(image, c.name, c.value);
        if (!c.stored) {
            EXPECT_FALSE(outcome.ok());
            EXPECT_EQ(outcome.error.find('\n'), std::string::npos);
            EXPECT_EQ(image, *c.image);
            continue;
        }
        ASSERT_TRUE(outcome.ok()) << outcome.error;
        EXPECT_EQ(outcome.stored, c.stored);
        EXPECT_EQ(outcome.exact, c.exact);
    }
}

OverclockProfile ProfileAt(const Bytes& image, int position)
{
    return OverclockProfiles(image).at(static_cast<std::size_t>(position - 1));
}

TEST(ValueEditTest, ProfilesAddSetAndRemoveRoundTrip)
{
    struct Case {
        const char* file;
        const char* kind;
        std::vector<std::pair<const char*, const char*>> values;
    };
    const std::vector<Case> cases = {
        {"ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin", "XMP 2.0",
         {{"speedMTs", "3600"}, {"voltage", "1.35 V"}, {"casLatencies", "16 18"}, {"tAA", "10 ns"},
          {"tRC", "45.875 ns"}, {"tRFC4", "160 ns"}, {"enabled", "false"}}},
        {"ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin", "xmp",
         {{"name", "Fast 6000"}, {"speedMTs", "6000"}, {"voltage", "1.35 V"}, {"casLatencies", "30 32 36"},
          {"tAA", "16 ns"}, {"tRFCsb", "130 ns"}, {"tFAW", "13.333 ns"}}},
        {"ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin", "EXPO",
         {{"speedMTs", "6400"}, {"voltage", "1.4 V"}, {"tWR", "30 ns"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.kind);
        const Bytes original = Sample(c.file);
        const ModuleDecode jedec = DecodeModule(original);
        Bytes image = original;
        const EditOutcome added = AddProfile(image, c.kind, "jedec");
        ASSERT_TRUE(added.ok()) << added.error;
        const int position = std::stoi(added.stored);
        OverclockProfile p = ProfileAt(image, position);
        EXPECT_TRUE(p.enabled);
        EXPECT_EQ(p.clockPs, jedec.timings[TimingName::ClockPeriod]->ps);
        EXPECT_EQ(p.timings[TimingName::CasLatency]->ps, jedec.timings[TimingName::CasLatency]->ps);
        EXPECT_NE(p.crcOk, false);

        // A copy of the profile takes the next slot with the same values.
        Bytes copied = image;
        const EditOutcome copy = AddProfile(copied, c.kind, added.stored);
        ASSERT_TRUE(copy.ok()) << copy.error;
        std::string copiedTimings, timings;
        AppendTimingsJson(copiedTimings, ProfileAt(copied, std::stoi(copy.stored)).timings);
        AppendTimingsJson(timings, p.timings);
        EXPECT_EQ(copiedTimings, timings);

        for (const auto& [name, value] : c.values) {
            const EditOutcome set = SetProfileField(image, position, name, value);
            ASSERT_TRUE(set.ok()) << name << ": " << set.error;
            EXPECT_TRUE(set.exact) << name;
            const auto fields = ProfileFields(image, position);
            EXPECT_EQ(Find(fields, name)->text.value_or(""), value) << name;
        }
        p = ProfileAt(image, position);
        EXPECT_NE(p.crcOk, false);
        EXPECT_TRUE(ChecksRight(image));
        EXPECT_FALSE(SetProfileField(image, position, "tXYZ", "5ns").ok());
        EXPECT_FALSE(SetProfileField(image, 9, "tAA", "5ns").ok());
        EXPECT_FALSE(SetProfileField(image, position, "voltage", "42949673 V").ok());  // no wrap-around

        const EditOutcome removed = RemoveProfile(image, position);
        ASSERT_TRUE(removed.ok()) << removed.error;
        EXPECT_EQ(image, original);  // the corpus images hold no profile: the area is blank again
    }
    // EXPO takes the bytes of the third XMP 3.0 profile.
    Bytes image = Sample("ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AddProfile(image, "XMP 3.0", "jedec").ok());
    EXPECT_FALSE(AddProfile(image, "XMP 3.0", "jedec").ok());
    EXPECT_FALSE(AddProfile(image, "EXPO", "jedec").ok());
    EXPECT_FALSE(AddProfile(image, "XMP 2.0", "jedec").ok());
    EXPECT_FALSE(AddProfile(image, "DDR6", "jedec").ok());
}

TEST(ValueEditTest, CommandLineSetsProfilesAndRefusesBadValuesWritingNothing)
{
    QTemporaryDir dir;
    const std::string in = dir.filePath("in.bin").toStdString();
    const std::string out = dir.filePath("out.spd").toStdString();
    const Bytes sample = Sample("ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin");
    const std::string original(sample.begin(), sample.end());
    test::WriteAll(in, original);

    auto r = test::RunCli({"set", in, "-o", out, "tAA=13.7505ns", "partNumber=TEST-1", "manufacturer=Samsung"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("note: tAA stored as 13.751 ns"), std::string::npos) << r.err;
    r = test::RunCli({"decode", "--json", out});
    const QJsonObject decoded = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(decoded["timings"].toObject()["tAA"].toObject()["ps"].toInt(), 13751);
    EXPECT_EQ(decoded["summary"].toObject()["partNumber"].toString(), "TEST-1");
    EXPECT_TRUE(decoded["checks"].toObject()["crc16_0_125"].toObject()["ok"].toBool());

    r = test::RunCli({"profile", out, "add", "xmp"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = test::RunCli({"profile", out, "set", "1", "speedMTs=3600", "voltage=1.35"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = test::RunCli({"profile", out, "list"});
    EXPECT_EQ(r.out.rfind("1: XMP 2.0 profile 1: enabled, 3600 MT/s, 1.35 V, ", 0), 0u) << r.out;

    const std::string before = test::ReadAll(out);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"set", out, "tAA=slow"}, {"set", out, "tAA=13ns", "nonsense=1"},
          {"set", out, "manufactured"}, {"profile", out, "set", "7", "tAA=13ns"},
          {"profile", out, "add", "EXPO"}, {"profile", out, "remove", "x"}}) {
        r = test::RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args[2];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(test::ReadAll(out), before);
    EXPECT_EQ(test::ReadAll(in), original);
    r = test::RunCli({"set", in, "-o", in, "tAA=13ns"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::ReadAll(in), original);
}

// decode-dimms reads the JEDEC timings of edited DDR4 images as they were set.
TEST(ValueEditTest, DecodeDimmsReadsEditedDdr4Timings)
{
    if (AllCorpusImages().empty() || test::RunShell("command -v decode-dimms").exitCode != 0)
        GTEST_SKIP() << "no corpus or no decode-dimms";
    const std::vector<std::tuple<const char*, const char*, const char*>> edits = {
        {"tCKmin", "0.75ns", "Minimum Cycle Time (tCKmin)                      0.750 ns"},
        {"tAA", "13.5ns", "Minimum CAS Latency Time (tAA)                   13.500 ns"},
        {"tRCD", "14.16ns", "Minimum RAS to CAS Delay (tRCD)                  14.160 ns"},
        {"tRP", "12.5ns", "Minimum Row Precharge Delay (tRP)                12.500 ns"},
        {"tRAS", "33ns", "Minimum Active to Precharge Delay (tRAS)         33.000 ns"},
        {"tRC", "46.875ns", "Minimum Active to Auto-Refresh Delay (tRC)       46.875 ns"},
        {"tRFC1", "550ns", "Minimum Recovery Delay (tRFC1)                   550.000 ns"},
        {"tFAW", "21ns", "Minimum Four Activate Window Delay (tFAW)        21.000 ns"},
        {"tRRD_S", "3.3ns", "Minimum Row Active to Row Active Delay (tRRD_S)  3.300 ns"},
        {"tCCD_L", "5.355ns", "Minimum CAS to CAS Delay (tCCD_L)                5.355 ns"},
        {"tWR", "18ns", "Minimum Write Recovery Time (tWR)                18.000 ns"},
        {"casLatencies", "16,18,20", "Supported CAS Latencies                          20T, 18T, 16T"},
    };
    QTemporaryDir dir;
    for (const auto& [name, value, line] : edits) {
        Bytes image = Corpus("ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin");
        ASSERT_TRUE(SetField(image, name, value).ok()) << name;
        std::string dump;
        for (std::size_t i = 0; i < image.size(); i += 16) {
            char text[32];
            std::snprintf(text, sizeof text, "%04x:", static_cast<unsigned>(i));
            dump += text;
            for (std::size_t k = i; k < i + 16; ++k) {
                std::snprintf(text, sizeof text, " %02x", static_cast<unsigned>(image[k]));
                dump += text;
            }
            dump += '\n';
        }
        const std::string file = dir.filePath("edit.hex").toStdString();
        test::WriteAll(file, dump);
        const auto r = test::RunShell("decode-dimms -x '" + file + "'");
        EXPECT_NE(r.out.find(line), std::string::npos) << name << "\n" << r.out;
        EXPECT_NE(r.out.find("EEPROM CRC of bytes 0-125                        OK"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace tessaro
