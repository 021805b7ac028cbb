#include "core/hex.h"
#include "pinmap/modulesignals.h"
#include "devicerecords.h"
#include "programmerdevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <bit>
#include <cctype>
#include <iterator>
#include <set>

using namespace tessaro;
using namespace tessaro::sim;

namespace {

std::string Cmd(const std::string& text)
{
    return text + "\x10\x7F";
}

std::string Row(const SpdImage& image, int row)
{
    std::string text = "w";
    text += static_cast<char>('0' + row);
    for (int k = 0; k < 16; ++k)
        AppendHex(text, image[static_cast<std::size_t>(16 * row + k)]);
    return Cmd(text);
}

std::string Download(const SpdImage& image)
{
    std::string frames;
    for (int r = 0; r < 16; ++r)
        frames += Row(image, r);
    return frames;
}

// Characters first..last, 1-based as the record layouts count them.
std::string Chars(const std::string& text, std::size_t first, std::size_t last)
{
    return text.substr(first - 1, last - first + 1);
}

int ByteAt(const std::string& text, int k)
{
    return std::stoi(text.substr(static_cast<std::size_t>(2 * k), 2), nullptr, 16);
}

SpdImage DecodeDump(const std::string& text)
{
    SpdImage image{};
    for (int i = 0; i < kSpdSize; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ByteAt(text, i));
    return image;
}

// The signals set in a bitmap that starts at character `first`: bit b of
// bitmap byte k (k = 1..19) is signal 8(k-1)+b.
std::set<int> Bitmap(const std::string& record, std::size_t first)
{
    std::set<int> signals;
    for (int k = 1; k <= 19; ++k) {
        const int value = std::stoi(record.substr(first - 1 + 2 * static_cast<std::size_t>(k - 1), 2), nullptr, 16);
        for (int b = 0; b < 8; ++b)
            if (value & (1 << b))
                signals.insert(8 * (k - 1) + b);
    }
    return signals;
}

struct TestRecord {
    int result = -1;
    std::set<int> pass;
    std::set<int> fail;
};

TestRecord ReadRecord(const std::string& text)
{
    EXPECT_EQ(text.size(), 256u);
    EXPECT_EQ(Chars(text, 1, 4), "55AA");
    TestRecord r;
    r.result = std::stoi(Chars(text, 97, 98), nullptr, 16);
    r.pass = Bitmap(text, 129);
    r.fail = Bitmap(text, 193);
    // Every other byte is 00h.
    for (int k = 2; k < 128; ++k)
        if (k != 48 && !(k >= 64 && k <= 82) && !(k >= 96 && k <= 114)) {
            EXPECT_EQ(ByteAt(text, k), 0) << "byte " << k;
        }
    return r;
}

SpdImage Counting()
{
    SpdImage image{};
    for (int i = 0; i < kSpdSize; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    return image;
}

// A DDR3 small-outline image and a DDR DIMM image, for their connectors.
SpdImage Ddr3SoDimm()
{
    SpdImage image{};
    image[2] = 0x0B;
    image[3] = 0x03;
    return image;
}

SpdImage DdrDimm()
{
    SpdImage image{};
    image[2] = 0x07;
    return image;
}

std::set<int> ConnectorSignals(ModuleEdge connector)
{
    std::set<int> signals;
    for (int i = 0; i < kModuleSignalCount; ++i)
        if (ModuleSignalPin(connector, i) != 0)
            signals.insert(i);
    return signals;
}

// One real image of the shared corpus, when it is there.
std::optional<SpdImage> CorpusImage()
{
    const std::filesystem::path dir = std::filesystem::path(TESSARO_CORPUS_DIR) / "ddr2";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() != kSpdSize)
            continue;
        SpdImage image{};
        std::copy(bytes.begin(), bytes.end(), image.begin());
        return image;
    }
    return std::nullopt;
}

}  // namespace

TEST(SimDevice, StatusRecordAndSwitches)
{
    DeviceSettings settings;
    settings.version = 0x11;
    settings.status = 0xA4;
    ProgrammerDevice device(settings);
    std::string reply = device.feed(Cmd("q")).reply;
    ASSERT_EQ(reply.size(), 32u);
    EXPECT_EQ(Chars(reply, 1, 4), "55AA");
    EXPECT_EQ(Chars(reply, 9, 10), "11");
    EXPECT_EQ(Chars(reply, 17, 18), "A4");
    EXPECT_EQ(Chars(reply, 5, 8) + Chars(reply, 11, 16) + Chars(reply, 19, 32), std::string(24, '0'));

    // Lower case sets the bit, upper case clears it; no switch answers.
    EXPECT_TRUE(device.feed(Cmd("B") + Cmd("Y") + Cmd("S")).reply.empty());
    EXPECT_EQ(device.status(), 0x00);
    const std::pair<char, int> switches[] = {{'x', 0}, {'o', 1}, {'s', 2}, {'d', 3}, {'y', 5}, {'b', 7}};
    for (const auto& [letter, bit] : switches) {
        device.feed(Cmd(std::string(1, letter)));
        EXPECT_EQ(device.status(), 1 << bit) << letter;
        device.feed(Cmd(std::string(1, static_cast<char>(letter - 'a' + 'A'))));
        EXPECT_EQ(device.status(), 0) << letter;
    }
    device.feed(Cmd("x") + Cmd("o") + Cmd("s") + Cmd("d") + Cmd("y") + Cmd("b"));
    EXPECT_EQ(Chars(device.feed(Cmd("q")).reply, 17, 18), "AF");
}

TEST(SimDevice, SerialNumberingQueryIsSWithoutTheLinkByte)
{
    ProgrammerDevice device({});
    EXPECT_EQ(Chars(device.feed("s\x7F").reply, 3, 4), "00");
    EXPECT_TRUE(device.feed(Cmd("a")).reply.empty());
    EXPECT_TRUE(device.autoSerial());
    const std::string on = device.feed("s\x7F").reply;
    EXPECT_EQ(Chars(on, 1, 2), "55");
    EXPECT_NE(Chars(on, 3, 4), "00");
    device.feed(Cmd("A"));
    EXPECT_EQ(Chars(device.feed("s\x7F").reply, 3, 4), "00");
    // The query leaves the status alone; "s" with 10h switches the short test.
    EXPECT_EQ(device.status(), 0);
    EXPECT_TRUE(device.feed(Cmd("s")).reply.empty());
    EXPECT_EQ(device.status(), 0x04);
}

TEST(SimDevice, DownloadStoresEveryRowAndDumpsReturnIt)
{
    const SpdImage image = CorpusImage().value_or(Counting());
    ProgrammerDevice device({});
    EXPECT_TRUE(device.feed(Download(image)).reply.empty());
    EXPECT_EQ(device.stored(), image);
    const std::string dump = device.feed(Cmd("l")).reply;
    ASSERT_EQ(dump.size(), 512u);
    EXPECT_EQ(dump.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(DecodeDump(dump), image);
    // A row in lower-case digits stores the same bytes.
    std::string lower = Row(SpdImage{}, 15);
    lower.replace(2, 4, "abCd");
    device.feed(lower);
    EXPECT_EQ(device.stored()[240], 0xAB);
    EXPECT_EQ(device.stored()[241], 0xCD);
}

TEST(SimDevice, FramesSplitOrJoinedGiveTheSameReplies)
{
    const SpdImage image = Counting();
    const std::string line = Download(image) + Cmd("q") + "s\x7F" + Cmd("l");
    ProgrammerDevice whole({});
    const std::string expected = whole.feed(line).reply;
    EXPECT_EQ(expected.size(), 32u + 16u + 512u);

    ProgrammerDevice byteWise({});
    std::string reply;
    for (char c : line)
        reply += byteWise.feed(std::string_view(&c, 1)).reply;
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(byteWise.stored(), image);

    // A frame end split between two reads.
    ProgrammerDevice split({});
    EXPECT_TRUE(split.feed("q\x10").reply.empty());
    EXPECT_EQ(split.feed("\x7Fq").reply.size(), 32u);
    EXPECT_EQ(split.feed("\x10\x7F").reply.size(), 32u);
}

TEST(SimDevice, NoiseIsIgnoredAndTheNextFrameIsServed)
{
    ProgrammerDevice device({});
    const SpdImage before = device.stored();
    std::string badRow = Row(Counting(), 0);
    badRow.erase(5, 1);                                  // 31 digits
    std::string badRowChar = Row(Counting(), 0);
    badRowChar[1] = '@';                                 // no row 16
    std::string badDigit = Row(Counting(), 0);
    badDigit[7] = 'G';
    const std::string noise[] = {
        std::string("\x00\xFF\x10\x7F", 4),              // bytes without meaning
        "junkq\x10\x7F",                                 // noise glued onto a command: dropped whole
        "q\x7F",                                         // a command without its 10h
        Cmd("z"), Cmd("qq"), Cmd(""), "\x7F", badRow, badRowChar, badDigit,
        std::string(FrameReader::kMaxFrameLength + 10, 'w'),  // a run without any frame end
    };
    int rejected = 0;
    for (const std::string& n : noise) {
        const DeviceOutput out = device.feed(n);
        EXPECT_TRUE(out.reply.empty()) << n;
        EXPECT_FALSE(out.accepted) << n;
        EXPECT_GT(device.framesRejected(), rejected) << n;
        rejected = device.framesRejected();
        EXPECT_EQ(device.feed(Cmd("q")).reply.size(), 32u) << n;
    }
    EXPECT_EQ(device.stored(), before);
    EXPECT_EQ(device.status(), 0);
}

TEST(SimDevice, EraseReadAndCopyMoveImagesBetweenStoreAndSocket)
{
    DeviceSettings settings;
    settings.stored = Counting();
    ProgrammerDevice empty(settings);
    // Empty socket: no module dump, read and copy change nothing.
    EXPECT_TRUE(empty.feed(Cmd("k") + Cmd("r") + Cmd("c") + Cmd("n")).reply.empty());
    EXPECT_EQ(empty.stored(), Counting());
    EXPECT_FALSE(empty.module().has_value());

    SpdImage module = Ddr3SoDimm();
    module[100] = 0x5A;
    settings.module = module;
    ProgrammerDevice device(settings);
    EXPECT_EQ(DecodeDump(device.feed(Cmd("k")).reply), module);
    device.feed(Cmd("e"));
    EXPECT_EQ(device.stored(), SpdImage{});
    device.feed(Cmd("r"));
    EXPECT_EQ(device.stored(), module);
    device.feed(Download(Counting()) + Cmd("c"));
    EXPECT_EQ(device.module(), Counting());
    EXPECT_EQ(DecodeDump(device.feed(Cmd("k")).reply), Counting());
}

TEST(SimDevice, CompareReportsSpdFailOnlyWhenImagesDiffer)
{
    DeviceSettings settings;
    settings.stored = Counting();
    settings.testDelay = std::chrono::milliseconds(1234);
    ProgrammerDevice empty(settings);
    DeviceOutput out = empty.feed(Cmd("v"));
    EXPECT_TRUE(out.reply.empty());
    ASSERT_EQ(out.deferred.size(), 1u);
    EXPECT_EQ(out.deferred[0].delay, std::chrono::milliseconds(1234));
    const TestRecord noModule = ReadRecord(out.deferred[0].text);
    EXPECT_EQ(noModule.result, 0x01);
    EXPECT_TRUE(noModule.pass.empty());

    settings.module = Counting();
    ProgrammerDevice device(settings);
    EXPECT_EQ(ReadRecord(device.feed(Cmd("v")).deferred.at(0).text).result, 0x00);
    SpdImage changed = Counting();
    changed[200] ^= 0x01;
    device.feed(Row(changed, 12));
    const TestRecord differs = ReadRecord(device.feed(Cmd("v")).deferred.at(0).text);
    EXPECT_EQ(differs.result, 0x02);
    EXPECT_TRUE(differs.pass.empty() && differs.fail.empty());
}

TEST(SimDevice, NumberedCopiesCountUpFromTheStoredSerial)
{
    DeviceSettings settings;
    settings.stored = Counting();
    settings.stored[95] = 0x00;
    settings.stored[96] = 0x00;
    settings.stored[97] = 0x01;
    settings.stored[98] = 0xFF;
    settings.module = SpdImage{};
    settings.autoSerial = true;
    ProgrammerDevice device(settings);
    auto serial = [&]() {
        const SpdImage m = *device.module();
        return (m[95] << 24) | (m[96] << 16) | (m[97] << 8) | m[98];
    };
    device.feed(Cmd("c"));
    EXPECT_EQ(serial(), 0x1FF);
    device.feed(Cmd("c"));
    EXPECT_EQ(serial(), 0x200);
    EXPECT_EQ(device.stored()[98], 0xFF);   // the master image keeps its number
    // Compare leaves the serial number out while numbering is on.
    EXPECT_EQ(ReadRecord(device.feed(Cmd("v")).deferred.at(0).text).result, 0x00);
    device.feed(Cmd("A"));
    EXPECT_EQ(ReadRecord(device.feed(Cmd("v")).deferred.at(0).text).result, 0x02);
    // A new download starts the numbers again; without numbering the copy is exact.
    device.feed(Cmd("a") + Row(settings.stored, 0) + Cmd("c"));
    EXPECT_EQ(serial(), 0x1FF);
    device.feed(Cmd("A") + Cmd("c") + Cmd("c"));
    EXPECT_EQ(device.module(), settings.stored);
}

TEST(SimDevice, ModuleTestMarksTheConnectorsSignalsAndFailsOnce)
{
    for (const auto& [image, connector] : {std::pair{Ddr3SoDimm(), ModuleEdge::Ddr3SoDimm204},
                                           std::pair{DdrDimm(), ModuleEdge::DdrDimm184}}) {
        DeviceSettings settings;
        settings.module = image;
        settings.failure = TestFailure::Short;
        settings.failPins = {0, 143};
        ProgrammerDevice device(settings);
        std::set<int> expected = ConnectorSignals(connector);
        ASSERT_FALSE(expected.empty());

        const TestRecord failed = ReadRecord(device.feed(Cmd("p")).deferred.at(0).text);
        EXPECT_EQ(failed.result, 0x10);
        EXPECT_EQ(failed.fail, (std::set<int>{0, 143}));
        std::set<int> withoutFailing = expected;
        withoutFailing.erase(0);
        withoutFailing.erase(143);
        EXPECT_EQ(failed.pass, withoutFailing);

        // The failure was for that test only.
        EXPECT_EQ(device.pendingFailure(), TestFailure::None);
        const TestRecord passed = ReadRecord(device.feed(Cmd("p")).deferred.at(0).text);
        EXPECT_EQ(passed.result, 0x00);
        EXPECT_EQ(passed.pass, expected);
        EXPECT_TRUE(passed.fail.empty());
    }
    EXPECT_NE(ConnectorSignals(ModuleEdge::Ddr3SoDimm204), ConnectorSignals(ModuleEdge::DdrDimm184));
}

TEST(SimDevice, ModuleTestFailureKinds)
{
    auto run = [](std::optional<SpdImage> module, TestFailure failure, std::vector<int> pins) {
        DeviceSettings settings;
        settings.module = module;
        settings.failure = failure;
        settings.failPins = std::move(pins);
        ProgrammerDevice device(settings);
        return ReadRecord(device.feed(Cmd("p")).deferred.at(0).text);
    };
    const TestRecord power = run(DdrDimm(), TestFailure::Power, {});
    EXPECT_EQ(power.result, 0x01);
    EXPECT_TRUE(power.pass.empty());
    EXPECT_EQ(run(DdrDimm(), TestFailure::Spd, {}).result, 0x02);
    const TestRecord open = run(DdrDimm(), TestFailure::None, {7});
    EXPECT_EQ(open.result, 0x04);
    EXPECT_EQ(open.fail, std::set<int>{7});
    const TestRecord noModule = run(std::nullopt, TestFailure::Short, {7});
    EXPECT_EQ(noModule.result, 0x01);
    EXPECT_TRUE(noModule.pass.empty() && noModule.fail.empty());
}

TEST(SimDevice, SilentDeviceKeepsStateButNeverAnswers)
{
    DeviceSettings settings;
    settings.silent = true;
    settings.module = DdrDimm();
    ProgrammerDevice device(settings);
    const DeviceOutput out = device.feed(Download(Counting()) + Cmd("q") + Cmd("l") + Cmd("k") + "s\x7F" +
                                         Cmd("v") + Cmd("p") + Cmd("x"));
    EXPECT_TRUE(out.reply.empty());
    EXPECT_TRUE(out.deferred.empty());
    EXPECT_EQ(device.stored(), Counting());
    EXPECT_EQ(device.status(), 0x01);
}

TEST(SimDevice, EachFaultDoesWhatItSays)
{
    const SpdImage image = Counting();
    auto device = [&](FaultRates rates) {
        DeviceSettings settings;
        settings.stored = image;
        settings.faults = rates;
        return ProgrammerDevice(settings);
    };

    ProgrammerDevice flip = device({.flip = 1});
    const SpdImage flipped = DecodeDump(flip.feed(Cmd("l")).reply);
    int differingBits = 0;
    for (int i = 0; i < kSpdSize; ++i)
        differingBits += std::popcount(static_cast<unsigned>(flipped[static_cast<std::size_t>(i)] ^ image[static_cast<std::size_t>(i)]));
    EXPECT_EQ(differingBits, 1);
    EXPECT_EQ(flip.feed(Cmd("q")).reply.size(), 32u);  // only dumps flip

    ProgrammerDevice cut = device({.shortReply = 1});
    EXPECT_LT(cut.feed(Cmd("l")).reply.size(), 512u);
    EXPECT_LT(cut.feed(Cmd("q")).reply.size(), 32u);

    ProgrammerDevice drop = device({.drop = 1});
    EXPECT_TRUE(drop.feed(Cmd("q") + Cmd("l") + "s\x7F").reply.empty());
    EXPECT_EQ(drop.faultCounts().dropped, 3);

    ProgrammerDevice lost = device({.lostWrite = 1});
    EXPECT_TRUE(lost.feed(Download(SpdImage{})).reply.empty());
    EXPECT_EQ(lost.stored(), image);
    EXPECT_EQ(lost.faultSummary(), "faults: flipped 0, short 0, dropped 0, lost-writes 16");
}

TEST(SimDevice, NoiseReplacesEveryDump)
{
    DeviceSettings settings;
    settings.stored = Counting();
    const std::string clean = SpdDumpText(Counting());
    auto dump = [&](DumpNoise noise, std::uint32_t seed) {
        settings.noise = noise;
        settings.faultSeed = seed;
        return ProgrammerDevice(settings).feed(Cmd("l") + Cmd("q")).reply;
    };
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    EXPECT_EQ(dump(DumpNoise::Flood, 1).substr(0, 513), std::string(512, 'F') + "5");  // the status record stays
    const std::string random = dump(DumpNoise::Random, 1).substr(0, 512);
    EXPECT_FALSE(std::all_of(random.begin(), random.end(), isHex));

    // Garbled: a few characters become look-alikes that are no digits; seeded.
    const std::string garbled = dump(DumpNoise::Garbled, 1).substr(0, 512);
    int changed = 0;
    for (std::size_t i = 0; i < garbled.size(); ++i)
        if (garbled[i] != clean[i])
            changed += isHex(garbled[i]) ? 100 : 1;
    EXPECT_GE(changed, 1);
    EXPECT_LE(changed, 16);
    EXPECT_EQ(dump(DumpNoise::Garbled, 1).substr(0, 512), garbled);
    EXPECT_NE(dump(DumpNoise::Garbled, 2).substr(0, 512), garbled);
}

TEST(SimDevice, SameSeedSameFaults)
{
    DeviceSettings settings;
    settings.stored = Counting();
    settings.module = DdrDimm();
    settings.faults = {.flip = 0.3, .shortReply = 0.2, .drop = 0.2, .lostWrite = 0.3};
    settings.faultSeed = 42;
    std::string line;
    for (int round = 0; round < 20; ++round)
        line += Download(Counting()) + Cmd("q") + Cmd("l") + Cmd("k") + "s\x7F" + Cmd("p");

    auto run = [&](std::uint32_t seed) {
        settings.faultSeed = seed;
        ProgrammerDevice device(settings);
        DeviceOutput out = device.feed(line);
        std::string all = out.reply;
        for (const auto& d : out.deferred)
            all += "|" + d.text;
        return std::pair{all, device.faultSummary()};
    };
    const auto first = run(42);
    EXPECT_EQ(run(42), first);
    EXPECT_NE(first.second, "faults: flipped 0, short 0, dropped 0, lost-writes 0");
    EXPECT_NE(run(43), first);
}
