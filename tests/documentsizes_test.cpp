#include "decode/bytenames.h"
#include "document/spddocument.h"
#include "files/imagefile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

namespace tessaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A DDR4 image with both CRCs right.
ImageData Ddr4Image()
{
    ImageData image{Bytes(512, 0), 512};
    image.bytes[0] = 0x23;
    image.bytes[1] = 0x11;
    image.bytes[2] = 0x0C;
    image.bytes[3] = 0x03;
    image.bytes[18] = 0x05;
    image.bytes[150] = 0x11;
    FixCrcBlocks(image.bytes);
    return image;
}

// A DDR5 image with an XMP 3.0 header (and profiles 1-3), every CRC right.
ImageData Ddr5Image()
{
    ImageData image{Bytes(1024, 0), 1024};
    image.bytes[0] = 0x30;
    image.bytes[1] = 0x10;
    image.bytes[2] = 0x12;
    image.bytes[20] = 0xA0;
    image.bytes[21] = 0x01;
    image.bytes[640] = 0x0C;
    image.bytes[641] = 0x4A;
    image.bytes[642] = 0x30;
    FixCrcBlocks(image.bytes);
    return image;
}

struct Recorder : SpdDocumentObserver {
    std::vector<int> bytes;
    int captions = 0;
    int decodes = 0;
    void byteChanged(int index) override { bytes.push_back(index); }
    void captionChanged() override { ++captions; }
    void decodeChanged() override { ++decodes; }
};

bool AllBlocksRight(const SpdDocument& document)
{
    const auto blocks = CrcBlocks(document.bytes());
    return !blocks.empty() && std::all_of(blocks.begin(), blocks.end(), [](const CrcBlock& b) { return b.ok(); });
}

TEST(LargerDocument, Ddr4EditInCrcModeRewritesBothBlocksAndTellsEachChangedByteOnce)
{
    SpdDocument document(Ddr4Image(), "dimm.bin");
    EXPECT_EQ(document.mark(5), Mark::Plain);
    EXPECT_FALSE(document.isModified());
    Recorder recorder;
    document.addObserver(&recorder);

    document.editByte(5, 0x21);  // covered by the first block
    EXPECT_EQ(document.byte(5), 0x21);
    EXPECT_TRUE(AllBlocksRight(document));
    EXPECT_TRUE(document.decode().warnings.empty());
    EXPECT_TRUE(document.isModified());
    for (int n : {5, 126, 127})
        EXPECT_EQ(document.mark(n), Mark::Edited) << n;
    // The first CRC changed; the second is rewritten unchanged and stays unmarked.
    for (int n : {4, 254, 255})
        EXPECT_EQ(document.mark(n), Mark::Plain) << n;
    EXPECT_EQ(std::set<int>(recorder.bytes.begin(), recorder.bytes.end()), (std::set<int>{5, 126, 127}));
    EXPECT_EQ(recorder.bytes.size(), 3U);
    EXPECT_EQ(recorder.decodes, 1);
    EXPECT_EQ(recorder.captions, 1);

    // Typing over a CRC byte: the block puts it right again.
    const std::uint8_t crcLow = document.byte(126);
    recorder = {};
    document.editByte(126, static_cast<std::uint8_t>(crcLow ^ 0xFF));
    EXPECT_EQ(document.byte(126), crcLow);
    EXPECT_TRUE(recorder.bytes.empty());  // nothing a window shows has changed
    EXPECT_EQ(recorder.decodes, 1);
    EXPECT_EQ(recorder.captions, 0);  // already modified
    document.removeObserver(&recorder);
}

TEST(LargerDocument, NoneModeLeavesTheCrcBytes)
{
    SpdDocument document(Ddr4Image(), "dimm.bin");
    document.setCheckMode(CheckMode::None);
    EXPECT_EQ(document.checkMode(), CheckMode::None);
    const Bytes before = document.bytes();
    document.editByte(200, 0x77);  // covered by the second block
    EXPECT_EQ(document.byte(254), before[254]);
    EXPECT_EQ(document.byte(255), before[255]);
    EXPECT_EQ(document.mark(254), Mark::Plain);
    ASSERT_EQ(document.decode().checks.size(), 2U);
    EXPECT_TRUE(document.decode().checks[0].ok());
    EXPECT_FALSE(document.decode().checks[1].ok());
    ASSERT_EQ(document.decode().warnings.size(), 1U);
    EXPECT_NE(document.decode().warnings[0].find("CRC of bytes 128-253 wrong"), std::string::npos);

    // Back in CRC mode, the next edit repairs the block it did not keep.
    document.setCheckMode(CheckMode::Crc);
    document.editByte(3, 0x02);
    EXPECT_TRUE(AllBlocksRight(document));
}

TEST(LargerDocument, CorpusImageWithUnfilledSecondCrcIsRepairedByOneEdit)
{
    const std::string path = test::CorpusDir() + "/ddr4/cb-hatch-16g-3200-4bg-badcrc2.bin";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus image " << path;
    ImageRead read = ReadImageFile(path, InputFormat::Binary);
    ASSERT_TRUE(read.ok()) << read.error;
    SpdDocument document(std::move(read.image), "cb-hatch-16g-3200-4bg-badcrc2.bin");
    ASSERT_EQ(document.decode().checks.size(), 2U);
    EXPECT_TRUE(document.decode().checks[0].ok());
    EXPECT_EQ(document.decode().checks[1].stored, 0x0000);
    ASSERT_FALSE(document.decode().warnings.empty());
    EXPECT_NE(document.decode().warnings.back().find("CRC of bytes 128-253 not filled"), std::string::npos);

    document.editByte(320, document.byte(320));  // same value: still an edit
    EXPECT_TRUE(AllBlocksRight(document));
    EXPECT_TRUE(document.decode().warnings.empty());
    EXPECT_EQ(document.mark(254), Mark::Edited);
    EXPECT_EQ(document.mark(255), Mark::Edited);
}

TEST(LargerDocument, Ddr5EditKeepsTheXmpBlocksAndFillIsOneEdit)
{
    SpdDocument document(Ddr5Image(), "ddr5.bin");
    Recorder recorder;
    document.addObserver(&recorder);
    document.editByte(710, 0x42);  // inside XMP 3.0 profile 1
    EXPECT_TRUE(AllBlocksRight(document));
    EXPECT_EQ(document.mark(766), Mark::Edited);
    EXPECT_EQ(document.mark(510), Mark::Plain) << "the JEDEC block does not cover byte 710";

    recorder = {};
    document.fill(1000, 2000, 0xAB);  // clamped to the image
    for (int n = 1000; n < 1024; ++n)
        ASSERT_EQ(document.byte(n), 0xAB) << n;
    EXPECT_EQ(recorder.decodes, 1);
    EXPECT_EQ(recorder.bytes.size(), 24U);  // the CRC bytes did not change: user profile 2 has none
    document.fill(5, 4, 0x01);              // empty range
    EXPECT_EQ(recorder.decodes, 1);
    document.removeObserver(&recorder);
}

TEST(LargerDocument, TruncatedDdr5IgnoresTheAbsentBytes)
{
    ImageData image = Ddr5Image();
    image.bytes.resize(512);
    SpdDocument document(std::move(image), "half.bin");
    EXPECT_EQ(document.size(), 1024);
    EXPECT_EQ(document.bytesPresent(), 512);
    Recorder recorder;
    document.addObserver(&recorder);

    document.editByte(512, 0x11);
    document.editByte(1023, 0x11);
    document.editByte(-1, 0x11);
    EXPECT_EQ(document.bytes().size(), 512U);
    EXPECT_EQ(document.byte(512), 0);
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(recorder.bytes.empty());
    EXPECT_EQ(recorder.decodes, 0);

    document.editByte(3, 0x03);
    EXPECT_TRUE(AllBlocksRight(document));  // only the block of 0-509 is there
    EXPECT_EQ(document.bytes().size(), 512U);
    EXPECT_EQ(document.mark(510), Mark::Edited);
    EXPECT_EQ(document.mark(766), Mark::Plain);
    document.removeObserver(&recorder);
}

// --- What every document holds to, whatever its size ---

class DocumentContract : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        if (GetParam() == kSpdSize) {
            doc = std::make_unique<SpdDocument>(context, "SPD_File 1");
            doc->open();
        } else {
            doc = std::make_unique<SpdDocument>(GetParam() == 512 ? Ddr4Image() : Ddr5Image(), "SPD_File 1");
        }
    }
    // What a window's key press does to the document: the 256-byte editor
    // stores the byte, marks it and sets the flag; a larger image's edit
    // command does all of it.
    void edit(int index, std::uint8_t value)
    {
        if (!doc->rules().isStandard()) {
            doc->editByte(index, value);
            return;
        }
        doc->setByte(index, value);
        doc->setMark(index, Mark::Edited);
        doc->setModified(true);
    }
    DecodeContext context;
    std::unique_ptr<SpdDocument> doc;
};

INSTANTIATE_TEST_SUITE_P(EverySize, DocumentContract, ::testing::Values(256, 512, 1024));

TEST_P(DocumentContract, CaptionAndModifiedMark)
{
    EXPECT_EQ(doc->size(), GetParam());
    EXPECT_EQ(doc->bytesPresent(), GetParam());
    EXPECT_FALSE(doc->isModified());
    Recorder recorder;
    doc->addObserver(&recorder);
    if (doc->rules().isStandard()) {
        doc->setByte(10, 0x55);
        EXPECT_FALSE(doc->isModified()) << "storing a byte is no edit by itself";
    }
    EXPECT_EQ(doc->caption(), "SPD_File 1");
    doc->setModified(true);
    doc->setModified(true);
    EXPECT_EQ(doc->caption(), "SPD_File 1*");
    EXPECT_TRUE(doc->isModified());
    EXPECT_EQ(doc->captionWithoutMark(), "SPD_File 1");
    doc->setCaption("/tmp/a.spd");
    EXPECT_EQ(doc->caption(), "/tmp/a.spd*");
    doc->setModified(false);
    doc->setModified(false);
    EXPECT_EQ(doc->caption(), "/tmp/a.spd");
    EXPECT_EQ(recorder.captions, 5);
    edit(1, 0x13);  // a saved document edited again
    EXPECT_TRUE(doc->isModified());
    EXPECT_EQ(doc->caption(), "/tmp/a.spd*");
    EXPECT_EQ(doc->captionWithoutMark(), "/tmp/a.spd");
    EXPECT_EQ(recorder.captions, 6);
    doc->removeObserver(&recorder);
}

// A recorded change takes back exactly what it touched: the bytes, marks and
// values before it, and again those after it; a byte changed outside it stays.
// The first 256 bytes read the same through every accessor.
TEST_P(DocumentContract, RecordedChangeTakesBackWhatItTouchedAndNothingElse)
{
    const int last = GetParam() - 1;
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"first and last byte", [&] { edit(70, 0x5A); edit(last, 0xA5); }},
        {"check mode", [&] { doc->setCheckMode(CheckMode::None); }},
        {"a save", [&] { doc->clearEditedMarks(); doc->setModified(false); }},
    };
    const auto seen = [&] {
        for (int n = 0; n < kSpdSize; ++n) {
            EXPECT_EQ(doc->byte(n), doc->image()[static_cast<std::size_t>(n)]) << n;
            EXPECT_EQ(doc->byte(n), doc->bytes()[static_cast<std::size_t>(n)]) << n;
        }
        return std::tuple{doc->bytes(), doc->checkMode(), doc->isModified(), doc->caption(), doc->mark(70),
                          doc->mark(last)};
    };
    for (const auto& [what, change] : edits) {
        const auto before = seen();
        doc->beginChange();
        change();
        const SpdDocument::Change recorded = doc->endChange();
        const auto after = seen();
        EXPECT_FALSE(recorded.empty()) << what;
        EXPECT_NE(after, before) << what;
        doc->applyChange(recorded, true);
        EXPECT_EQ(seen(), before) << what;
        doc->applyChange(recorded, false);
        EXPECT_EQ(seen(), after) << what;
    }
    EXPECT_EQ(doc->mark(70), Mark::Plain) << "the save cleared the edited marks";

    doc->beginChange();
    edit(5, 0x11);
    const SpdDocument::Change change = doc->endChange();
    edit(6, 0x22);  // outside the change
    doc->applyChange(change, true);
    EXPECT_NE(doc->byte(5), 0x11);
    EXPECT_EQ(doc->byte(6), 0x22);
}

// The check modes a document keeps: a larger image has no byte-63 checksum.
TEST_P(DocumentContract, CheckModesKept)
{
    const bool standard = doc->rules().isStandard();
    EXPECT_EQ(doc->checkMode(), standard ? CheckMode::Checksum : CheckMode::Crc);
    for (const auto& [asked, kept] : {std::pair{CheckMode::None, CheckMode::None}, {CheckMode::Crc, CheckMode::Crc},
                                      {CheckMode::Checksum, standard ? CheckMode::Checksum : CheckMode::Crc}}) {
        doc->setCheckMode(asked);
        EXPECT_EQ(doc->checkMode(), kept);
    }
}

TEST(ModuleByteNameTest, WellKnownBytesOfBothLayouts)
{
    const std::vector<std::tuple<MemoryType, int, std::string>> cases = {
        {MemoryType::Ddr4, 2, "Key Byte / DRAM Device Type"},
        {MemoryType::Ddr4, 18, "tCKAVGmin (MTB)"},
        {MemoryType::Ddr4, 20, "CAS Latencies Supported (20-23)"},
        {MemoryType::Ddr4, 117, "tCCD_Lmin (FTB)"},
        {MemoryType::Ddr4, 125, "tCKAVGmin (FTB)"},
        {MemoryType::Ddr4, 126, "CRC of bytes 0-125, low byte"},
        {MemoryType::Ddr4, 255, "CRC of bytes 128-253, high byte"},
        {MemoryType::Ddr4, 320, "Module Manufacturer ID Code, LSB"},
        {MemoryType::Ddr4, 329, "Module Part Number (329-348)"},
        {MemoryType::Ddr4, 16, "Reserved"},
        {MemoryType::Ddr4, 300, "Reserved"},
        {MemoryType::Ddr4, 400, "End-user programmable (384-511)"},
        {MemoryType::Lpddr4X, 329, "Module Part Number (329-348)"},
        {MemoryType::Ddr5, 0, "SPD Bytes Total / Beta Level"},
        {MemoryType::Ddr5, 2, "Key Byte / Host Bus Command Protocol Type"},
        {MemoryType::Ddr5, 20, "tCKAVGmin (20-21)"},
        {MemoryType::Ddr5, 510, "CRC of bytes 0-509, low byte"},
        {MemoryType::Ddr5, 512, "Module Manufacturer ID Code, LSB"},
        {MemoryType::Ddr5, 521, "Module Part Number (521-550)"},
        {MemoryType::Ddr5, 460, "Reserved"},
        {MemoryType::Ddr5, 700, "End-user programmable (640-1023)"},
        // Outside the layout, or a type without one.
        {MemoryType::Ddr4, 512, ""},
        {MemoryType::Ddr5, 1024, ""},
        {MemoryType::Ddr5, -1, ""},
        {MemoryType::Ddr3, 2, ""},
    };
    for (const auto& [type, index, name] : cases)
        EXPECT_EQ(ModuleByteName(type, index), name) << index;
}

TEST(ModuleByteNameTest, TheEndUserAreaIsNamedByWhatItHolds)
{
    Bytes ddr4 = Ddr4Image().bytes;
    ddr4[384] = 0x0C;
    ddr4[385] = 0x4A;
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr4, ddr4, 386), "XMP 2.0 profile enables");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr4, ddr4, 400), "XMP 2.0 profile 1 (393-439)");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr4, ddr4, 500), "XMP 2.0 profile area (384-511)");

    Bytes ddr5 = Ddr5Image().bytes;
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 702), "CRC of bytes 640-701, low byte");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 840), "XMP 3.0 profile 3 (832-893)");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 900), "XMP 3.0 user profile 1 (896-959)");
    const char expo[] = "EXPO";
    std::copy(expo, expo + 4, ddr5.begin() + 832);
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 840), "EXPO block (832-957)");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 959), "CRC of bytes 832-957, high byte");
    EXPECT_EQ(ModuleByteName(MemoryType::Ddr5, ddr5, 1000), "XMP 3.0 user profile 2 (960-1023)");

    // The document names by its own size: a 512-byte image uses the DDR4 layout.
    SpdDocument document(Ddr4Image(), "dimm.bin");
    EXPECT_EQ(document.byteName(329), "Module Part Number (329-348)");
    SpdDocument half([] {
        ImageData image = Ddr5Image();
        image.bytes.resize(512);
        return image;
    }(), "half.bin");
    EXPECT_EQ(half.byteName(521), "Module Part Number (521-550)");
}

}  // namespace
}  // namespace tessaro
