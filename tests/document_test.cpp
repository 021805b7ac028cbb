#include "core/checks.h"
#include "document/settle.h"
#include "document/spddocument.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <utility>

using namespace tessaro;

namespace {

class Document : public ::testing::Test
{
protected:
    void SetUp() override { doc.open(); }
    DecodeContext context;
    SpdDocument doc{context, "SPD_File 1"};
};

struct Recorder : SpdDocumentObserver {
    int bytes = 0, marks = 0, captions = 0, types = 0, modes = 0, panels = 0, decodes = 0;
    void byteChanged(int) override { ++bytes; }
    void markChanged(int) override { ++marks; }
    void captionChanged() override { ++captions; }
    void typeChanged() override { ++types; }
    void checkModeChanged() override { ++modes; }
    void selectedPanelChanged() override { ++panels; }
    void decodedViewChanged() override { ++decodes; }
};

}  // namespace

TEST_F(Document, NewDocumentState)
{
    for (int n = 0; n < kSpdSize; ++n) {
        EXPECT_EQ(doc.byte(n), 0);
        EXPECT_EQ(doc.mark(n), Mark::Plain);
    }
    EXPECT_EQ(doc.memoryTypeCode(), MemoryTypeCode::Sdr);
    EXPECT_EQ(doc.description(0), "Number of SPD Bytes written(DDR SDRAM)") << "DDR table until the first setMemoryTypeCode";
    EXPECT_EQ(doc.checkMode(), CheckMode::Checksum);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.caption(), "SPD_File 1");
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte0");
    EXPECT_EQ(doc.selectedPanel().value, "00");
    // The opening decoded every byte of the all-zero image.
    EXPECT_EQ(doc.view()[LegacyField::MemoryType], "Reserved");
    EXPECT_EQ(doc.view()[LegacyField::Checksum], "00");
    EXPECT_FALSE(doc.view().legacyManufacturerNameVisible);
    EXPECT_EQ(doc.view().ioPanelTitle, "DDR Unbuffer DIMM I/O");
    EXPECT_EQ(doc.view().crcOptionCaption, "CRC(0-125)");
}

TEST_F(Document, TypeChangSwitchesTablesAndResetsPanel)
{
    doc.setByte(0, 0x80);
    doc.showInPanel(37);
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte37");
    doc.showInPanel(38, true);
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte 38");

    doc.setMemoryTypeCode(MemoryTypeCode::Ddr3);
    EXPECT_EQ(doc.memoryTypeCode(), MemoryTypeCode::Ddr3);
    EXPECT_EQ(doc.description(128), "Module Part Number");
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte0");
    EXPECT_EQ(doc.selectedPanel().value, "80");

    doc.showInPanel(5);
    doc.setMemoryTypeCode(MemoryTypeCode::Ddr3);
    EXPECT_EQ(doc.memoryTypeCode(), MemoryTypeCode::Ddr3) << "the same code again keeps code and table";
    EXPECT_EQ(doc.description(128), "Module Part Number");
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte0");
    EXPECT_EQ(doc.selectedPanel().description, doc.description(0));

    doc.setMemoryTypeCode(MemoryTypeCode::Rambus);
    EXPECT_EQ(doc.description(0), "SPD Revision Level(rb)");
}

TEST_F(Document, CheckByteOperations)
{
    for (int n = 0; n < 63; ++n)
        doc.setByte(n, 0xFF);
    doc.updateChecksum();
    EXPECT_EQ(doc.byte(63), 0xC1);
    EXPECT_EQ(doc.mark(63), Mark::Plain);
    EXPECT_FALSE(doc.isModified());

    SpdDocument zero(context);
    zero.open();
    zero.updateCrc();
    EXPECT_EQ(zero.byte(126), 0);
    EXPECT_EQ(zero.byte(127), 0);
    EXPECT_EQ(zero.view().crcValue, "0000");
    EXPECT_EQ(zero.mark(126), Mark::Edited);
    EXPECT_EQ(zero.mark(127), Mark::Edited);

    doc.updateCrc();
    const std::uint16_t crc = SpdCrc(doc.image());
    EXPECT_EQ(doc.byte(126), crc & 0xFF);
    EXPECT_EQ(doc.byte(127), crc >> 8);
    char expected[5];
    std::snprintf(expected, sizeof expected, "%04X", crc);
    EXPECT_EQ(doc.view().crcValue, expected) << "high byte first";
    EXPECT_FALSE(doc.isModified());

    doc.markGenerated(40);
    EXPECT_EQ(doc.mark(40), Mark::Generated);
}

TEST_F(Document, LoadAppliesTypeRuleButKeepsCheckBytesAndFlag)
{
    SpdImage image = test::CountingImage();
    image[2] = 0x0B;
    image[126] = 0x12;
    image[127] = 0x34;
    doc.load(image);
    EXPECT_EQ(doc.image(), image);
    EXPECT_EQ(doc.checkMode(), CheckMode::Crc);
    EXPECT_EQ(doc.memoryTypeCode(), MemoryTypeCode::Ddr3);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.byte(63), 63);

    image[2] = 0x12;
    doc.load(image);
    EXPECT_EQ(doc.checkMode(), CheckMode::Checksum);
    EXPECT_EQ(doc.memoryTypeCode(), MemoryTypeCode::Ddr3) << "an unknown byte 2 keeps the code";
}

TEST_F(Document, ObserversHearEveryKindOfChange)
{
    Recorder r;
    doc.addObserver(&r);
    doc.setByte(1, 1);
    doc.setMark(1, Mark::Edited);
    doc.setModified(true);
    doc.setMemoryTypeCode(MemoryTypeCode::Ddr2);
    doc.setCheckMode(CheckMode::None);
    doc.decodeByte(1);
    EXPECT_EQ(r.bytes, 1);
    EXPECT_EQ(r.marks, 1);
    EXPECT_EQ(r.captions, 1);
    EXPECT_EQ(r.types, 1);
    EXPECT_EQ(r.modes, 1);
    EXPECT_EQ(r.panels, 1);
    EXPECT_EQ(r.decodes, 1);
    doc.removeObserver(&r);
    doc.setByte(1, 2);
    EXPECT_EQ(r.bytes, 1);
}

TEST(Settle, ResultDoesNotDependOnEarlierDocuments)
{
    SpdImage ddr3{};
    ddr3[2] = 0x0B;
    ddr3[3] = 0x03;
    SpdImage ddr2{};
    ddr2[2] = 0x08;
    ddr2[9] = 0x3D;

    DecodeContext fresh;
    SpdDocument alone(fresh);
    OpenAndSettle(alone, ddr2);

    DecodeContext shared;
    SpdDocument first(shared);
    OpenAndSettle(first, ddr3);
    EXPECT_EQ(first.view().ioPanelTitle, "DDR3-SODIMM I/O");
    DecodeContext own;
    SpdDocument second(own);
    OpenAndSettle(second, ddr2);
    EXPECT_EQ(second.view().legacy, alone.view().legacy);
    EXPECT_EQ(second.view().ioPanelTitle, alone.view().ioPanelTitle);
    EXPECT_EQ(second.view()[LegacyField::DramClock], "533 MHz(PC2-4200)");
}

// A recorded change of the 256-byte document's own values takes them back
// (bytes and marks: DocumentContract).
TEST_F(Document, RecordedChangeTakesBackWhatItTouchedAndNothingElse)
{
    SpdImage ddr3{};
    ddr3[2] = 0x0B;
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"CRC upkeep and mode", [&] { doc.setCheckMode(CheckMode::Crc); doc.updateCrc(); }},
        {"type code and flag", [&] { doc.setMemoryTypeCode(MemoryTypeCode::Ddr2); doc.setModified(true); }},
        {"whole image", [&] { doc.markGenerated(0); doc.loadWhole(ddr3); doc.setModified(true); }},
    };
    const auto seen = [&] {
        return std::tuple{doc.image(), doc.memoryTypeCode(), doc.checkMode(), doc.isModified(), doc.view().crcValue,
                          doc.mark(70), doc.mark(0)};
    };
    for (const auto& [what, edit] : edits) {
        const auto before = seen();
        doc.beginChange();
        edit();
        const SpdDocument::Change change = doc.endChange();
        const auto after = seen();
        EXPECT_FALSE(change.empty()) << what;
        doc.applyChange(change, true);
        EXPECT_EQ(seen(), before) << what;
        doc.applyChange(change, false);
        EXPECT_EQ(seen(), after) << what;
        doc.applyChange(change, true);
    }
}
