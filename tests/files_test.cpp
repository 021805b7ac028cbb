#include "files/spdfile.h"
#include "files/spdformat.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

std::string Line(const std::string& fields, const char* end = "\r\n")
{
    return fields + end;
}

// 16 lines of " HH" x 16 with every byte = value.
std::string UniformText(const char* pair)
{
    std::string line = " ";
    for (int k = 0; k < 16; ++k)
        line += std::string(pair) + " ";
    std::string text;
    for (int r = 0; r < 16; ++r)
        text += Line(line);
    return text;
}

}  // namespace

TEST(Format, NameDecidesFormat)
{
    EXPECT_EQ(FormatForName("MODULE.Spd"), SpdFormat::Text);
    EXPECT_EQ(FormatForName("/a/b/x.SPD"), SpdFormat::Text);
    EXPECT_EQ(FormatForName("spd"), SpdFormat::Text);
    EXPECT_EQ(FormatForName("module.bin"), SpdFormat::Binary);
    EXPECT_EQ(FormatForName("module.dat"), SpdFormat::Binary);
    EXPECT_EQ(FormatForName("module"), SpdFormat::Binary);
    EXPECT_EQ(FormatForName("sp"), SpdFormat::Binary);
    EXPECT_EQ(FormatForName("x.spd.bak"), SpdFormat::Binary);
}

TEST(Format, TextWriterExactLayout)
{
    const std::string text = SpdTextBytes(test::CountingImage());
    ASSERT_EQ(text.size(), 816u);
    EXPECT_EQ(text.substr(0, 51), " 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n");
    EXPECT_EQ(text.substr(816 - 51), " F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF \r\n");
}

TEST(Format, TextReaderAcceptsCaseMissingLeadSpaceLfAndTrailingMatter)
{
    const SpdImage image = test::CountingImage();
    const std::string canonical = SpdTextBytes(image);
    auto parsed = ParseSpdText(canonical);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.image, image);

    // Lower case, no leading space, LF only, a last line without newline,
    // text after the 48th character and lines after the 16th are all fine.
    std::string loose;
    for (int r = 0; r < 16; ++r) {
        std::string line;
        for (int k = 0; k < 16; ++k) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x ", r * 16 + k);
            line += pair;
        }
        loose += line + (r == 3 ? "  trailing words" : "") + (r == 15 ? "" : "\n");
    }
    parsed = ParseSpdText(loose);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.image, image);

    parsed = ParseSpdText("\xEF\xBB\xBF" + canonical + "extra line\r\n");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.image, image);

    EXPECT_EQ(ParseSpdText(UniformText("0a")).image, ParseSpdText(UniformText("0A")).image);
}

TEST(Format, TextReaderRejectsMalformedInput)
{
    EXPECT_EQ(ParseSpdText("").error, "the file is empty");

    std::string tenLines = SpdTextBytes(test::CountingImage()).substr(0, 510);
    EXPECT_EQ(ParseSpdText(tenLines).error, "text SPD file has 10 lines; an image needs 16 lines of 16 hex bytes");

    std::string shortLine = SpdTextBytes(test::CountingImage());
    shortLine.replace(51 * 2 + 37, 12, "");  // line 3 loses its last four fields
    EXPECT_EQ(ParseSpdText(shortLine).error, "line 3 is short: it has 12 of its 16 hex bytes");

    std::string bad = SpdTextBytes(test::CountingImage());
    bad.replace(1 + 3 * 5, 2, "ZZ");
    EXPECT_EQ(ParseSpdText(bad).error, "line 1, byte 6: \"ZZ\" is not a two-digit hex byte");

    bad = UniformText("00");
    bad[1] = '\x01';
    EXPECT_EQ(ParseSpdText(bad).error, "line 1, byte 1: \"\\x010\" is not a two-digit hex byte");

    bad = UniformText(" 5");  // single digits are taken for misaligned columns
    EXPECT_FALSE(ParseSpdText(bad).ok());

    EXPECT_FALSE(ParseSpdText(std::string(816, '\0')).ok());
    EXPECT_FALSE(ParseSpdText(SpdBinaryBytes(test::CountingImage())).ok());
}

TEST(Format, BinaryReaderNeeds256Bytes)
{
    const SpdImage image = test::CountingImage();
    const std::string bytes = SpdBinaryBytes(image);
    EXPECT_EQ(ParseSpdBinary(bytes).image, image);
    EXPECT_EQ(ParseSpdBinary(bytes + std::string(44, '\xA5')).image, image);
    EXPECT_EQ(ParseSpdBinary(bytes.substr(0, 100)).error, "binary SPD file has 100 bytes; an image needs 256");
    EXPECT_EQ(ParseSpdBinary(bytes.substr(0, 1)).error, "binary SPD file has 1 byte; an image needs 256");
    EXPECT_EQ(ParseSpdBinary("").error, "the file is empty");
}

TEST(Format, RoundTripsAreByteIdentical)
{
    const std::string text = SpdTextBytes(test::CountingImage());
    EXPECT_EQ(SpdTextBytes(ParseSpdText(text).image), text);
    const std::string binary = SpdBinaryBytes(test::CountingImage());
    EXPECT_EQ(SpdBinaryBytes(ParseSpdBinary(binary).image), binary);
}

TEST(SpdFile, ReadWriteAndErrorsLeaveImageUntouched)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SpdImage image = test::CountingImage();
    const QString text = dir.filePath("m.Spd");
    const QString binary = dir.filePath("m.dat");
    QString error;
    ASSERT_TRUE(WriteSpdFile(text, image, SpdFormat::Text, &error)) << error.toStdString();
    ASSERT_TRUE(WriteSpdFile(binary, image, SpdFormat::Binary, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(text).size(), 816);
    EXPECT_EQ(QFileInfo(binary).size(), 256);

    SpdImage back{};
    ASSERT_TRUE(ReadSpdFile(text, back, &error));
    EXPECT_EQ(back, image);
    back = {};
    ASSERT_TRUE(ReadSpdFile(binary, back, &error));
    EXPECT_EQ(back, image);

    // A text file named .dat is read as binary: the first 256 characters.
    const QString textAsDat = dir.filePath("x.dat");
    ASSERT_TRUE(WriteSpdFile(textAsDat, image, SpdFormat::Text, &error));
    ASSERT_TRUE(ReadSpdFile(textAsDat, back, &error));
    EXPECT_EQ(back[0], ' ');

    SpdImage untouched{};
    untouched.fill(0x77);
    EXPECT_FALSE(ReadSpdFile(dir.filePath("missing.bin"), untouched, &error));
    EXPECT_TRUE(error.contains("missing.bin")) << error.toStdString();
    EXPECT_FALSE(ReadSpdFile(dir.path(), untouched, &error));
    test::WriteAll(dir.filePath("short.bin").toStdString(), std::string(10, 'x'));
    EXPECT_FALSE(ReadSpdFile(dir.filePath("short.bin"), untouched, &error));
    EXPECT_TRUE(error.contains("short.bin") && error.contains("10 bytes")) << error.toStdString();
    for (auto b : untouched)
        ASSERT_EQ(b, 0x77);

    // A longer binary file gives its first 256 bytes and says how many follow.
    std::string longer(300, '\0');
    for (std::size_t i = 0; i < longer.size(); ++i)
        longer[i] = static_cast<char>(i * 7);
    test::WriteAll(dir.filePath("long.bin").toStdString(), longer);
    qint64 after = -1;
    ASSERT_TRUE(ReadSpdFile(dir.filePath("long.bin"), SpdFormat::Binary, back, &error, &after));
    EXPECT_EQ(after, 44);
    EXPECT_EQ(back[255], static_cast<std::uint8_t>(255 * 7));
}

TEST(SpdFile, WritesReplaceWholeFilesAndFailuresCreateNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("long.bin");
    test::WriteAll(path.toStdString(), std::string(1000, 'L'));
    QString error;
    ASSERT_TRUE(WriteSpdFile(path, test::CountingImage(), SpdFormat::Binary, &error));
    EXPECT_EQ(QFileInfo(path).size(), 256) << "a binary save leaves exactly the image";

    EXPECT_FALSE(WriteSpdFile(dir.filePath("no/such/dir/x.bin"), test::CountingImage(), SpdFormat::Binary, &error));
    EXPECT_TRUE(error.contains("x.bin")) << error.toStdString();
    EXPECT_FALSE(WriteSpdFile(dir.path(), test::CountingImage(), SpdFormat::Binary, &error));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary files left";
}

TEST(SpdFile, HugeTextFileIsReadByItsHead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.spd");
    std::string text = SpdTextBytes(test::CountingImage());
    std::string withLongLine = text.substr(0, 49) + std::string(200000, 'x') + text.substr(49);
    test::WriteAll(path.toStdString(), withLongLine + std::string(100000, '\n'));
    SpdImage image{};
    QString error;
    ASSERT_TRUE(ReadSpdFile(path, image, &error)) << error.toStdString();
    EXPECT_EQ(image, test::CountingImage());
}
