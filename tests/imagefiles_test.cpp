#include "core/hex.h"
#include "files/bytecompare.h"
#include "files/bytetext.h"
#include "files/hexdump.h"
#include "files/imagefile.h"
#include "files/imageformat.h"
#include "files/installedmodules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

// An image of the given size and type whose other bytes count up.
std::vector<std::uint8_t> Image(std::size_t size, std::uint8_t byte2, std::uint8_t byte0 = 0x23)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t n = 0; n < size; ++n)
        bytes[n] = static_cast<std::uint8_t>(n * 7 + n / 256);
    bytes[0] = byte0;
    bytes[2] = byte2;
    return bytes;
}

std::string AsText(const std::vector<std::uint8_t>& bytes)
{
    return ImageBinaryBytes(bytes);
}

std::string Hex(unsigned value, int digits)
{
    char text[20];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

// What `hexdump -C` prints, lines equal to the one before folded into "*".
std::string HexdumpC(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    std::string previous;
    bool folded = false;
    for (std::size_t n = 0; n < bytes.size(); n += 16) {
        std::string row;
        for (std::size_t k = n; k < n + 16; ++k)
            row += (k == n + 8 ? "  " : " ") + Hex(bytes[k], 2);
        if (row == previous) {
            if (!folded)
                out += "*\n";
            folded = true;
            continue;
        }
        folded = false;
        previous = row;
        out += Hex(static_cast<unsigned>(n), 8) + " " + row + "  |................|\n";
    }
    return out + Hex(static_cast<unsigned>(bytes.size()), 8) + "\n";
}

// What `xxd` prints: two bytes per group, then the text column.
std::string Xxd(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    for (std::size_t n = 0; n < bytes.size(); n += 16) {
        out += Hex(static_cast<unsigned>(n), 8) + ":";
        for (std::size_t k = n; k < n + 16; k += 2)
            (out += ' ') += Hex(bytes[k], 2) + Hex(bytes[k + 1], 2);
        out += "  A B.c...d...e..f\n";
    }
    return out;
}

// What i2cdump prints: a column header, "00:" offsets, a text column.
std::string I2cdump(const std::vector<std::uint8_t>& bytes)
{
    std::string out = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\r\n";
    for (std::size_t n = 0; n < bytes.size(); n += 16) {
        out += Hex(static_cast<unsigned>(n), 2) + ":";
        for (std::size_t k = n; k < n + 16; ++k)
            (out += ' ') += Hex(bytes[k], 2);
        out += "    #???F).?.`.???..\r\n";
    }
    return out;
}

// What `xxd -p` prints: 30 bytes a line as one run of hex digits.
std::string XxdPlain(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    for (std::size_t n = 0; n < bytes.size(); ++n)
        out += Hex(bytes[n], 2) + ((n + 1) % 30 == 0 || n + 1 == bytes.size() ? "\n" : "");
    return out;
}

std::string Bare(const std::vector<std::uint8_t>& bytes, std::size_t perLine)
{
    std::string out = "# bare bytes\n\n";
    for (std::size_t n = 0; n < bytes.size(); ++n)
        out += Hex(bytes[n], 2) + ((n + 1) % perLine == 0 ? "\n" : " ");
    return out;
}

void Write(const fs::path& path, const std::string& data)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("imagefiles-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {}
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

}  // namespace

TEST(ImageSize, TypeAndLengthDecideSizeTruncationOrError)
{
    struct Case {
        std::uint8_t byte0, byte2;
        std::size_t length;
        int size;             // 0: an error
        std::size_t present;  // bytes kept
    };
    const Case cases[] = {
        {0x92, 0x0B, 256, 256, 256},  {0x92, 0x0B, 1100, 256, 256}, {0x23, 0x0C, 512, 512, 512},
        {0x23, 0x11, 600, 512, 512},  {0x23, 0x0C, 256, 512, 256},  {0x30, 0x12, 1024, 1024, 1024},
        {0x30, 0x12, 512, 1024, 512}, {0x30, 0x12, 700, 1024, 700}, {0x30, 0x12, 511, 0, 0},
        {0x23, 0x13, 512, 512, 512},  {0x30, 0x15, 1024, 1024, 1024}, {0x11, 0x15, 300, 256, 256},
        {0x00, 0x00, 255, 0, 0},      {0x23, 0x10, 300, 512, 300},  {0x23, 0x0C, 255, 0, 0},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> image = Image(c.length, c.byte2, c.byte0);
        // The text form follows the same rule by its lines.
        for (const ImageRead& read : {ParseImageBinary(AsText(image)), ParseImageText(ImageTextBytes(image))}) {
            SCOPED_TRACE(std::to_string(c.byte2) + "/" + std::to_string(c.length));
            EXPECT_EQ(read.ok(), c.size != 0) << read.error;
            EXPECT_EQ(read.image.size, c.size);
            EXPECT_EQ(read.image.bytes.size(), c.present);
        }
    }
    EXPECT_EQ(ParseImageBinary(AsText(Image(512, 0x12, 0x30))).image.truncationWarning(), "truncated: 512 of 1024 bytes");
    EXPECT_EQ(ParseImageText(ImageTextBytes(Image(256, 0x0C))).image.truncationWarning(), "truncated: 256 of 512 bytes");
    EXPECT_EQ(ParseImageBinary(AsText(Image(300, 0x12, 0x30))).error,
              "binary SPD file has 300 bytes; an image whose byte 2 is 12h needs 1024 (at least 512 when truncated)");
    EXPECT_EQ(ParseImageBinary(AsText(Image(100, 0x0B))).error, "binary SPD file has 100 bytes; an image needs 256");
    EXPECT_EQ(ParseImageBinary("").error, "the file is empty");
}

TEST(ImageText, EverySizeRoundTripsByteIdentical)
{
    const std::vector<std::vector<std::uint8_t>> images = {Image(256, 0x0B), Image(512, 0x0C), Image(1024, 0x12, 0x30),
                                                           Image(512, 0x12, 0x30), Image(700, 0x12, 0x30)};
    for (const auto& bytes : images) {
        const std::string text = ImageTextBytes(bytes);
        EXPECT_EQ(text.size(), bytes.size() / 16 * 51 + (bytes.size() % 16 ? 2 + 3 * (bytes.size() % 16) + 1 : 0));
        const ImageRead read = ParseImageText(text);
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.image.bytes, bytes);
        EXPECT_EQ(ImageTextBytes(read.image.bytes), text);
        // A partial last line is not the text form, but a dump reads it the same.
        EXPECT_EQ(DetectInputFormat(text), bytes.size() == 700 ? InputFormat::Dump : InputFormat::Text);
        EXPECT_EQ(ParseImage(text, InputFormat::Auto).image.bytes, bytes);
        // Lines after the image are ignored, as for 256 bytes.
        EXPECT_EQ(ParseImageText(text + " 00\r\nrubbish\r\n").image.bytes.size(),
                  bytes.size() < 1024 && bytes[2] == 0x12 ? 0u : bytes.size());
    }
    EXPECT_EQ(ParseImageText(ImageTextBytes(Image(240, 0x0C))).error,
              "text SPD file has 15 lines; an image whose byte 2 is 0Ch needs 32 lines of 16 hex bytes (at least 16 "
              "when truncated)");
    EXPECT_EQ(ParseImageText(ImageTextBytes(Image(496, 0x12, 0x30))).error,
              "text SPD file has 31 lines; an image whose byte 2 is 12h needs 64 lines of 16 hex bytes (at least 32 "
              "when truncated)");
}

TEST(HexDump, EveryFormReadsToTheBinaryImage)
{
    std::vector<std::uint8_t> ddr4 = Image(512, 0x0C);
    std::fill(ddr4.begin() + 384, ddr4.end(), 0);  // folded by hexdump -C
    const std::vector<std::uint8_t> ddr3 = Image(256, 0x0B, 0x92);
    const std::pair<std::string, std::vector<std::uint8_t>> dumps[] = {
        {HexdumpC(ddr4), ddr4},    {Xxd(ddr4), ddr4},          {I2cdump(ddr3), ddr3}, {Bare(ddr4, 16), ddr4},
        {Bare(ddr4, 7), ddr4},     {Bare(ddr3, 1000), ddr3},  {XxdPlain(ddr4), ddr4},
        // Tabs, CR LF, a UTF-8 comment and an end-of-file mark are text still.
        {"# Größe 512\r\n" + I2cdump(ddr3) + "\x1A", ddr3},
        {"\xEF\xBB\xBF# Gr\xF6\xDF" "e\n\t23 07\t0c\n" + Bare(ddr4, 16).substr(23), ddr4},
    };
    for (const auto& [dump, bytes] : dumps) {
        EXPECT_EQ(DetectInputFormat(dump), InputFormat::Dump) << dump.substr(0, 80);
        const ImageRead read = ParseImage(dump, InputFormat::Auto);
        ASSERT_TRUE(read.ok()) << read.error << "\n" << dump.substr(0, 200);
        EXPECT_EQ(read.image.bytes, bytes) << dump.substr(0, 80);
    }
    EXPECT_EQ(ParseHexDump(Bare(Image(32, 0x12), 40)).error,
              "the dump holds 32 bytes; an image needs 256");
}

TEST(ClipboardText, BytesRoundTripAndEveryDumpFormPastes)
{
    const std::vector<std::uint8_t> four = {0x80, 0x08, 0x08, 0x0E};
    EXPECT_EQ(BytesToText(four), "80 08 08 0E");
    EXPECT_EQ(BytesToText({}), "");
    const std::vector<std::uint8_t> image = Image(512, 0x0C);
    const std::string text = BytesToText(image);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 31);  // 16 bytes a line, no final LF
    EXPECT_EQ(text.substr(0, 48).back(), '\n');
    EXPECT_EQ(BytesFromText(text).bytes, image);

    // What other programs copy: lower case, CR LF, offsets, hexdump -C, xxd.
    for (const char* pasted : {"80 08 08 0e", "80 08\r\n08 0E\r\n", "0000: 80 08 08 0e",
                               "00000000  80 08 08 0e                                       |....|\n00000004\n",
                               "00000000: 8008 080e  ...."}) {
        const DumpBytes read = BytesFromText(pasted);
        EXPECT_TRUE(read.ok()) << pasted << ": " << read.error;
        EXPECT_EQ(read.bytes, four) << pasted;
    }
    // More than is kept: count still tells how many there were.
    const DumpBytes kept = BytesFromText(text, 4);
    EXPECT_EQ(kept.bytes.size(), 4u);
    EXPECT_EQ(kept.count, 512u);
    for (const char* bad : {"", "hello", "80 0"})
        EXPECT_FALSE(BytesFromText(bad).ok()) << bad;
}

TEST(HexDump, MalformedDumpsNameTheLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"0000: 23 11\n0004: 00\n", "line 2: offset 0x4 leaves a gap after the bytes read so far, 0x2"},
        {"0000: 23 11\n0001: 00\n", "line 2: offset 0x1 repeats bytes already read; they end at 0x2"},
        {"# x\n23 11\n0c 3 00\n", "line 3: \"3\" is not a two-digit hex byte"},
        {"0000: 23 1 0c\n0003: 00\n", "line 2: offset 0x3 leaves a gap after the bytes read so far, 0x1 (line 1 ends "
                                      "its bytes at \"1\")"},
        {"0000: 23 11\n0002: 0c 03", "line 2: the file ends in the middle of this line"},
        {"0000: 23 11\n*\n23 11\n", "line 2: \"*\" is not followed by an offset line"},
        {"0000: 23 11 0c 03\n*\n0006\n", "line 3: offset 0x6 is not a whole number of repeats of the 4 bytes that "
                                         "\"*\" on line 2 repeats"},
        {"0000: 23\n0001\n0001: 00\n", "line 3: more data after the dump ended on line 2"},
        {"00: XX XX\n", "line 1: \"XX\" after the offset is not a hex byte"},
        {"\n# only a comment\n", "the dump holds no bytes"},
        {"0000: 23 11 0c 03 46 29 00 08 00 60 00 03 02 03 00 00\n*\nfffffffffffffff0: 23 11 0c 03 46 29 00 08 00 "
         "60 00 03 02 03 00 00\n",
         "line 3: the 16 bytes at offset 0xFFFFFFFFFFFFFFF0 run past the largest offset, 0xFFFFFFFFFFFFFFFF"},
        {"23110c03462900080060000302030000\n231\n",
         "line 2: \"231\" is not a run of two-digit hex bytes, as the lines of a plain hex dump are"},
        {"23110c03462900080060000302030000\n2311 0c\n",
         "line 2: \"0c\" follows the hex digits; a plain hex dump has one run of them a line"},
        {"23 11\n#0c 03\n", "line 2: a line of bytes is commented out with \"#\", which would move the bytes after "
                            "it; delete the line or the \"#\""},
        {"0000: 23 11\n0c 03\n", "line 2: this line has no offset, but line 1, the first line of bytes, has one"},
        {"23 11\n0002: 0c 03\n", "line 2: this line starts with an offset, but line 1, the first line of bytes, has "
                                 "none"},
    };
    for (const auto& [dump, error] : cases)
        EXPECT_EQ(ReadHexDumpBytes(dump).error, error) << dump;
}

TEST(HexDump, AutoReadsTextAsTextAndRefusesWhatItCannotTell)
{
    const std::vector<std::uint8_t> ddr4 = Image(512, 0x0C);
    std::vector<std::uint8_t> blank(256, 0xFF);
    const std::string dump = HexdumpC(ddr4);
    const std::pair<std::string, InputFormat> cases[] = {
        {AsText(ddr4), InputFormat::Binary},
        {AsText(blank), InputFormat::Binary},
        {ImageTextBytes(ddr4) + "\x1A", InputFormat::Text},
        {"# Größe\n" + dump + "\x1A\x1A", InputFormat::Dump},
        {"hello\n", InputFormat::Dump},
        {dump.substr(0, 500) + '\0' + dump.substr(500), InputFormat::Auto},
        {dump + "\x1A\n", InputFormat::Auto},
    };
    for (const auto& [data, format] : cases)
        EXPECT_EQ(DetectInputFormat(data), format) << data.substr(0, 60);
    EXPECT_EQ(ParseImage("hello\n", InputFormat::Auto).error,
              "line 1: \"hello\" is not a two-digit hex byte (read as a hex dump, for the file is text; give "
              "--input-format text or binary to read it otherwise)");
    EXPECT_EQ(ParseImage(dump.substr(0, 500) + '\0' + dump.substr(500), InputFormat::Auto).error,
              "cannot tell whether this is text or a binary image: it is mostly text, but byte 500 is 00h; give "
              "--input-format dump, text or binary");
    // A damaged last line, which nothing after it checks, does not pass for a truncated image.
    const std::string whole = Xxd(ddr4);
    const std::string cut = whole.substr(0, whole.size() - 30) + '5' + whole.substr(whole.size() - 30);
    const std::string error = ParseImage(cut, InputFormat::Auto).error;
    EXPECT_EQ(error.rfind("line 32 ends its bytes at ", 0), 0u) << error;
    EXPECT_NE(error.find("and the dump ends there: the image would be cut to 506 of 512 bytes"), std::string::npos) << error;
}

// One byte put anywhere into a dump or text file gives its image or an error,
// never another image.
TEST(HexDump, OneInsertedByteGivesTheImageOrAnError)
{
    const std::vector<std::uint8_t> images[] = {Image(256, 0x0B, 0x92), Image(512, 0x0C)};
    const char inserted[] = {'\0', '\x01', '\t', '\n', '\r', '\x1A', ' ', '#', '*', '0', '7', ':', 'a', '|',
                             '\x7F', '\x80', '\xC3', '\xFF'};
    int checked = 0;
    int wrong = 0;
    for (const std::vector<std::uint8_t>& bytes : images) {
        for (const std::string& dump : {HexdumpC(bytes), Xxd(bytes), I2cdump(bytes), Bare(bytes, 16),
                                        ImageTextBytes(bytes), XxdPlain(bytes)}) {
            for (std::size_t at = 0; at <= dump.size(); at += 11) {
                for (const char c : inserted) {
                    std::string changed = dump;
                    changed.insert(at, 1, c);
                    const ImageRead read = ParseImage(changed, InputFormat::Auto);
                    ++checked;
                    if (read.ok() && read.image.bytes != bytes && ++wrong <= 5)
                        ADD_FAILURE() << "byte " << int(static_cast<unsigned char>(c)) << " at " << at << ":\n"
                                      << changed.substr(at > 100 ? at - 100 : 0, 200);
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << checked;
}

TEST(ImageFile, AutoPicksTheFormAndRefusesWhatIsNotARegularFile)
{
    const TempDir dir;
    const std::vector<std::uint8_t> ddr5 = Image(1024, 0x12, 0x30);
    Write(dir.path() / "a.bin", AsText(ddr5));
    Write(dir.path() / "a.txt", ImageTextBytes(ddr5));
    Write(dir.path() / "a.dump", HexdumpC(ddr5));
    for (const char* name : {"a.bin", "a.txt", "a.dump"}) {
        const ImageRead read = ReadImageFile((dir.path() / name).string(), InputFormat::Auto);
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.image.bytes, ddr5) << name;
    }
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(ReadImageFile(fifo.string(), InputFormat::Auto).error.find("FIFO"), std::string::npos);
}

TEST(InstalledModules, FakeTreesOfEveryDriver)
{
    const TempDir root;
    const fs::path devices = root.path() / "sys/bus/i2c/devices";
    fs::create_directories(devices);
    EXPECT_FALSE(ScanInstalledModules(root.path().string()).found());
    const std::string hint = NoInstalledModulesHint(ScanInstalledModules(root.path().string()));
    EXPECT_NE(hint.find("ee1004"), std::string::npos);
    EXPECT_NE(hint.find("spd5118"), std::string::npos);
    EXPECT_EQ(hint.find('\n'), std::string::npos);

    auto device = [&](const std::string& entry, const std::string& name, const std::string& eeprom) {
        Write(devices / entry / "name", name + "\n");
        if (!eeprom.empty())
            Write(devices / entry / "eeprom", eeprom);
    };
    device("1-0051", "spd5118", AsText(Image(1024, 0x12, 0x30)));
    device("0-0052", "spd", AsText(Image(256, 0x0B, 0x92)));
    device("0-0050", "ee1004", AsText(Image(512, 0x0C)));
    device("0-0053", "eeprom", "");
    fs::create_directories(devices / "0-0053" / "eeprom");  // unreadable whoever runs the test
    device("0-0018", "jc42", "x");
    device("i2c-0", "SMBus I801 adapter", "");
    device("0-0054", "ee1004", AsText(Image(256, 0x0C)));  // a DDR4 module read through at24

    const InstalledModules scan = ScanInstalledModules(root.path().string());
    ASSERT_EQ(scan.modules.size(), 5u);
    const std::string entries[] = {"0-0050", "0-0052", "0-0053", "0-0054", "1-0051"};
    const int sizes[] = {512, 256, 0, 512, 1024};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(scan.modules[i].entry, entries[i]);
        EXPECT_EQ(scan.modules[i].image.image.size, sizes[i]) << scan.modules[i].image.error;
    }
    EXPECT_EQ(scan.modules[4].bus, 1);
    EXPECT_EQ(scan.modules[4].address, "0051");
    EXPECT_EQ(scan.modules[4].driver, "spd5118");
    EXPECT_NE(scan.modules[2].image.error.find("it is a folder"), std::string::npos);
    EXPECT_EQ(scan.modules[3].image.image.truncationWarning(), "truncated: 256 of 512 bytes");
}

TEST(InstalledModules, OnlyFilesInsideTheTreeAndTheFolderErrorsAreRead)
{
    const TempDir root;
    const fs::path sys = root.path() / "sys";
    const fs::path devices = sys / "bus/i2c/devices";
    fs::create_directories(devices);
    // As the kernel makes them: the entry is a link into sys/devices.
    const fs::path real = sys / "devices/pci0000:00/i2c-0/0-0050";
    Write(real / "name", "ee1004\n");
    Write(real / "eeprom", AsText(Image(512, 0x0C)));
    fs::create_directory_symlink("../../../devices/pci0000:00/i2c-0/0-0050", devices / "0-0050");
    // Links that lead out of the tree, to a file and through a folder.
    Write(root.path() / "secret", AsText(Image(256, 0x0B)));
    Write(devices / "0-0051" / "name", "spd\n");
    fs::create_symlink(root.path() / "secret", devices / "0-0051" / "eeprom");
    fs::create_directory_symlink(root.path(), devices / "0-0052");
    Write(root.path() / "name", "spd\n");
    Write(root.path() / "eeprom", AsText(Image(256, 0x0B)));

    const InstalledModules scan = ScanInstalledModules(root.path().string());
    EXPECT_TRUE(scan.error.empty()) << scan.error;
    ASSERT_EQ(scan.modules.size(), 2u);  // 0-0052's name leads outside: not an SPD device
    EXPECT_EQ(scan.modules[0].image.image.size, 512) << scan.modules[0].image.error;
    EXPECT_NE(scan.modules[1].image.error.find("it leads outside"), std::string::npos) << scan.modules[1].image.error;

    // A missing tree, a tree without an I2C bus, a folder that cannot be read.
    EXPECT_EQ(ScanInstalledModules((root.path() / "none").string()).error,
              "cannot read " + (root.path() / "none/sys/bus/i2c/devices").string() + ": No such file or directory");
    const TempDir bare;
    fs::create_directories(bare.path() / "sys");
    EXPECT_TRUE(ScanInstalledModules(bare.path().string()).error.empty());
    if (::geteuid() != 0) {
        fs::permissions(devices, fs::perms::none);
        EXPECT_NE(ScanInstalledModules(root.path().string()).error.find(": Permission denied"), std::string::npos);
        fs::permissions(devices, fs::perms::owner_all);
    }
}

TEST(CompareBytes, DifferencesOfImagesOfAnySize)
{
    const std::vector<std::uint8_t> a = Image(512, 0x0C);
    std::vector<std::uint8_t> b = a;
    EXPECT_TRUE(CompareBytes(a, b).same);
    EXPECT_EQ(CompareBytes(a, b).exitCode(), 0);
    b[0x7E] ^= 0xFF;
    b.push_back(0x5A);
    const ByteComparison diff = CompareBytes(a, b);
    EXPECT_FALSE(diff.same);
    EXPECT_EQ(diff.exitCode(), 1);
    EXPECT_EQ(diff.sizeB, 513u);
    ASSERT_EQ(diff.differences.size(), 2u);
    EXPECT_EQ(ByteDifferenceText(diff.differences[0]), "07E: " + ByteToHex(a[0x7E]) + " " + ByteToHex(b[0x7E]));
    EXPECT_EQ(ByteDifferenceText(diff.differences[1]), "200: -- 5A");
}

TEST(ImageFile, CorpusImagesReadAlikeInEveryForm)
{
    const fs::path corpus = TESSARO_CORPUS_DIR;
    int seen = 0;
    for (const char* folder : {"ddr3", "ddr4", "ddr5"}) {
        std::error_code ec;
        for (fs::directory_iterator it(corpus / folder, ec), end; !ec && it != end; it.increment(ec)) {
            const ImageRead binary = ReadImageFile(it->path().string(), InputFormat::Binary);
            ASSERT_TRUE(binary.ok()) << binary.error;
            const std::vector<std::uint8_t>& bytes = binary.image.bytes;
            for (const std::string& form : {ImageTextBytes(bytes), HexdumpC(bytes), Xxd(bytes), Bare(bytes, 16)}) {
                const ImageRead read = ParseImage(form, InputFormat::Auto);
                EXPECT_EQ(read.image.bytes, bytes) << it->path() << read.error;
                EXPECT_EQ(read.image.size, binary.image.size);
            }
            EXPECT_EQ(ImageBinaryBytes(bytes).size(), bytes.size());
            ++seen;
        }
    }
    if (seen == 0)
        GTEST_SKIP() << "no corpus at " << corpus;
}
