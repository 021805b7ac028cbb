#include "files/spdformat.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessaro;
using test::RunCli;

namespace {

std::string Path(const QTemporaryDir& dir, const char* name)
{
    return dir.filePath(name).toStdString();
}

}  // namespace

TEST(Cli, UsageErrorsExit2WithOneLineReason)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"decode"}, {"decode", "--bogus", "x"}, {"fix", "--mode", "sum", "x.bin"},
             {"fix"}, {"convert", "a"}, {"convert", "a", "b", "--format", "hex"}, {"jedec"}, {"fix", "--mode"}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("decode"), std::string::npos);
}

TEST(Cli, JedecPrintsNamesAndFailsOnUnknownKeys)
{
    auto r = RunCli({"jedec", "01", "7F7FFE"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "(AMD)\n(ELPIDA)\n");
    r = RunCli({"jedec", "7f7f9e", "7F7F7F7F7F7F7F01", "7f98"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "(CORSAIR)\nunknown\n(KINGSTON)\n") << "keys of either case";
}

TEST(Cli, DecodeContinuesPastBadFilesAndReportsThemInJson)
{
    QTemporaryDir dir;
    SpdImage image = test::CountingImage();
    image[2] = 0x08;
    test::WriteAll(Path(dir, "good.bin"), SpdBinaryBytes(image));
    test::WriteAll(Path(dir, "bad.spd"), "nonsense\r\n");
    const auto r = RunCli({"decode", "--json", Path(dir, "bad.spd"), Path(dir, "missing.bin"), Path(dir, "good.bin")});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<QJsonObject> lines;
    for (const auto& l : QByteArray::fromStdString(r.out).split('\n'))
        if (!l.isEmpty())
            lines.push_back(QJsonDocument::fromJson(l).object());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].value("error").isString());
    EXPECT_TRUE(lines[1].value("error").toString().contains("missing.bin"));
    EXPECT_TRUE(lines[2].value("error").isNull());
    EXPECT_EQ(lines[2].value("fields").toObject().value("Memory Type(2)").toString(), "DDR2 SDRAM");
    EXPECT_EQ(lines[2].value("fields").toObject().value("Part Number(49-5A)").toString(),
              "IJKLMNOPQRSTUVWXYZ");
    const QStringList keys = lines[2].keys();  // QJsonObject sorts; check the raw order instead
    const std::string raw = r.out.substr(r.out.rfind("{\"file\""));
    std::size_t at = 0;
    for (const char* key : {"\"file\"", "\"error\"", "\"memoryTypeCode\"", "\"checkMode\"", "\"panel\"",
                            "\"ioPanelTitle\"", "\"fields\"", "\"manufacturerName\"", "\"securityCode\"",
                            "\"crcCaption\"", "\"crcValue\"", "\"checks\"", "\"profiles\"", "\"summary\""}) {
        const std::size_t next = raw.find(key, at);
        ASSERT_NE(next, std::string::npos) << key;
        at = next;
    }
    EXPECT_EQ(keys.size(), 14);
    EXPECT_EQ(lines[2].value("summary").toObject().value("generation").toString(), "DDR2");
}

TEST(Cli, FixRecomputesOnlyTheCheckBytes)
{
    QTemporaryDir dir;
    SpdImage image = test::CountingImage();
    image[2] = 0x08;
    test::WriteAll(Path(dir, "a.spd"), SpdTextBytes(image));
    auto r = RunCli({"fix", Path(dir, "a.spd")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "checksum63: stored 3F, new A7\n");
    SpdImage expected = image;
    expected[63] = 0xA7;  // (0+1+...+62 - 2 + 8) mod 256
    EXPECT_EQ(test::ReadAll(Path(dir, "a.spd")), SpdTextBytes(expected));

    image[2] = 0x0B;
    image[0] = 0x92;
    test::WriteAll(Path(dir, "b.bin"), SpdBinaryBytes(image));
    r = RunCli({"fix", Path(dir, "b.bin"), "-o", Path(dir, "c.spd")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("crc16 (0-116): stored 7F7E, new ", 0), 0u) << r.out;
    EXPECT_EQ(test::ReadAll(Path(dir, "b.bin")), SpdBinaryBytes(image)) << "input untouched with -o";
    EXPECT_EQ(test::ReadAll(Path(dir, "c.spd")).size(), 816u);

    r = RunCli({"fix", "--mode=checksum", Path(dir, "b.bin")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("checksum63:", 0), 0u);

    r = RunCli({"fix", Path(dir, "nothere.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("nothere.bin")));
}

TEST(Cli, ConvertByNameOrFormatOption)
{
    QTemporaryDir dir;
    const SpdImage image = test::CountingImage();
    test::WriteAll(Path(dir, "in.bin"), SpdBinaryBytes(image));
    ASSERT_EQ(RunCli({"convert", Path(dir, "in.bin"), Path(dir, "out.spd")}).exitCode, 0);
    EXPECT_EQ(test::ReadAll(Path(dir, "out.spd")), SpdTextBytes(image));
    ASSERT_EQ(RunCli({"convert", Path(dir, "out.spd"), Path(dir, "out.dat"), "--format", "text"}).exitCode, 0);
    EXPECT_EQ(test::ReadAll(Path(dir, "out.dat")), SpdTextBytes(image));
    ASSERT_EQ(RunCli({"convert", Path(dir, "out.spd"), Path(dir, "back.bin")}).exitCode, 0);
    EXPECT_EQ(test::ReadAll(Path(dir, "back.bin")), SpdBinaryBytes(image));

    const auto r = RunCli({"convert", Path(dir, "in.bin"), Path(dir, "no/dir/x.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(Cli, AnEmptyFileNameIsOneErrorLine)
{
    auto r = RunCli({"decode", ""});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    r = RunCli({"decode", "--json", ""});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

// Line separators and C1 controls, from a file name or from Windows-1252 part
// numbers, are escaped: every record stays on its own line for any reader.
TEST(Cli, JsonRecordsNeverSpanLines)
{
    QTemporaryDir dir;
    const std::string name = Path(dir, "a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xC2\x85.bin");
    SpdImage image{};
    image[2] = 0x0B;
    const std::uint8_t part[] = {0x81, 0x85, 0x8D, 0x80, 'A'};  // U+0081, U+2026, U+008D, U+20AC
    std::copy(std::begin(part), std::end(part), image.begin() + 128);
    test::WriteAll(name, SpdBinaryBytes(image));
    const auto r = RunCli({"decode", "--json", name});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    EXPECT_NE(r.out.find("\\u2028b\\u2029c\\u0085.bin"), std::string::npos);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o.value("file").toString(), QString::fromStdString(name));
    EXPECT_NE(r.out.find("\"\\u0081\xE2\x80\xA6\\u008d\xE2\x82\xAC" "A"), std::string::npos) << r.out;

    const auto listing = RunCli({"decode", name});
    EXPECT_NE(listing.out.find(".\xE2\x80\xA6.\xE2\x82\xAC" "A"), std::string::npos) << "C1 controls shown as dots";

    // The report's part number is read in the same code page.
    image[2] = 0x04;
    std::copy(std::begin(part), std::end(part), image.begin() + 73);
    test::WriteAll(Path(dir, "sdr.bin"), SpdBinaryBytes(image));
    const auto items = RunCli({"report", Path(dir, "sdr.bin"), "--items"});
    ASSERT_EQ(items.exitCode, 0) << items.err;
    EXPECT_NE(items.out.find("\"text\": \"\\u0081\xE2\x80\xA6\\u008d\xE2\x82\xAC" "A"), std::string::npos) << items.out;
}

TEST(Cli, TextOutputsShowPartNumberBytesWithoutTerminalControls)
{
    QTemporaryDir dir;
    SpdImage image = test::CountingImage();
    image[2] = 0x08;  // DDR2: the part number is bytes 73-90
    const std::string part = "\x1b]0;x\x07\x1b[2J\x81\x7f" "AB";
    std::copy(part.begin(), part.end(), image.begin() + 73);
    // The file's name may hold controls as well.
    const char* name = "\x1b[2Jp\x9b.bin";
    test::WriteAll(Path(dir, name), SpdBinaryBytes(image));
    for (const char* command : {"report", "decode"}) {
        const test::CommandResult r = RunCli({command, Path(dir, name)});
        EXPECT_EQ(r.exitCode, 0) << command << r.err;
        EXPECT_NE(r.out.find(".]0;x..[2J..AB"), std::string::npos) << command << "\n" << r.out;
        EXPECT_EQ(r.out.find_first_of("\x1b\x07\x7f"), std::string::npos) << command;
        EXPECT_EQ(r.out.find("\xc2\x81"), std::string::npos) << command;
    }
}
