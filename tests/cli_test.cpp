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
    r = RunCli({"jedec", "2c", "7F98"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "unknown\n(KINGSTON)\n");
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
                            "\"crcCaption\"", "\"crcValue\"", "\"checks\""}) {
        const std::size_t next = raw.find(key, at);
        ASSERT_NE(next, std::string::npos) << key;
        at = next;
    }
    EXPECT_EQ(keys.size(), 12);
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
