// The document window's editing rules, without a window.
#include "core/checks.h"
#include "document/datecode.h"
#include "document/documenteditor.h"

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

class Editor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.operatorAuthorized = true;
        editor.open(today);
    }
    void type(const std::string& text)  // each character pressed, then Enter
    {
        std::string box;
        for (char c : text) {
            editor.entryKey(box, false);
            box += c;
        }
        editor.entryKey(box, true);
    }
    AppValues app;
    SpdDocument doc{app.decode, "SPD_File 1"};
    DocumentEditor editor{doc, app};
    DocumentEditor::Today today{2009, 11, 4, "2009/11/4"};
};

}  // namespace

TEST(DateCode, WeeksCountFromSundays)
{
    // Days before the first Sunday of 2000-2022, as the factory calendar has them.
    const int table[] = {1, 6, 5, 4, 3, 1, 0, 6, 5, 3, 2, 1, 0, 5, 4, 3, 2, 0, 6, 5, 4, 2, 1};
    for (int year = 2000; year <= 2022; ++year)
        EXPECT_EQ(DaysBeforeFirstSunday(year), table[year - 2000]) << year;
    EXPECT_EQ(DaysBeforeFirstSunday(2026), 3) << "1 January 2026 is a Thursday";

    EXPECT_EQ(WeekOfDate(2017, 1, 1).week, 1) << "a Sunday";
    EXPECT_EQ(WeekOfDate(2017, 1, 8).week, 2);
    EXPECT_EQ(WeekOfDate(2022, 1, 1).week, 1) << "the Saturday before the first Sunday";
    EXPECT_EQ(WeekOfDate(2022, 1, 2).week, 2);
    EXPECT_EQ(WeekOfDate(2009, 11, 4).week, 45);
    EXPECT_EQ(WeekOfDate(2024, 3, 1).week, WeekOfDate(2024, 2, 29).week) << "leap day counted";
    EXPECT_EQ(WeekOfDate(2028, 12, 31).week, 54) << "leap years after 2024 too";
    EXPECT_EQ(ToBcd(9), 0x09);
    EXPECT_EQ(ToBcd(45), 0x45);
}

TEST_F(Editor, EnterStoresTheLastTwoDigitsAndMovesOn)
{
    editor.selectByte(10);
    type("123");
    EXPECT_EQ(doc.byte(10), 0x23);
    EXPECT_EQ(editor.currentByte(), 11);
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte 11") << "the panel after Enter has a space";
    type("7");
    EXPECT_EQ(doc.byte(11), 0x07);
    type("");
    EXPECT_EQ(doc.byte(12), 0x00) << "an empty box stores 00";
    EXPECT_EQ(doc.mark(10), Mark::Edited);
    EXPECT_EQ(doc.mark(63), Mark::Edited);
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image()));

    editor.selectByte(255);
    EXPECT_EQ(doc.selectedPanel().byteCaption, "Byte255");
    type("AB");
    EXPECT_EQ(doc.byte(255), 0xAB);
    EXPECT_EQ(editor.currentByte(), 0) << "Enter on byte 255 selects byte 0";
}

TEST_F(Editor, AnyKeyRecomputesTheCheckBytesAndMarksTheDocument)
{
    SpdImage image{};
    image[2] = 0x0B;
    image[5] = 0x42;
    doc.load(image);  // a DDR3 image: CRC mode, nothing recomputed yet
    ASSERT_EQ(doc.checkMode(), CheckMode::Crc);
    EXPECT_FALSE(doc.isModified());
    std::string box = "4";
    editor.entryKey(box, false);  // a digit, no Enter
    EXPECT_EQ(box, "4") << "only Enter changes the box";
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.caption(), "SPD_File 1*");
    EXPECT_EQ(StoredCrc(doc.image()), SpdCrc(doc.image()));
    EXPECT_EQ(doc.mark(126), Mark::Edited);
    EXPECT_EQ(doc.mark(editor.currentByte()), Mark::Plain) << "no byte stored without Enter";

    doc.setCheckMode(CheckMode::Checksum);
    editor.selectByte(63);
    type("FF");
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image())) << "byte 63 is replaced by the checksum at once";

    doc.setCheckMode(CheckMode::None);
    const std::uint8_t before = doc.byte(63);
    editor.selectByte(1);
    type("99");
    EXPECT_EQ(doc.byte(63), before);
}

TEST_F(Editor, FillWritesFromTheChosenRowOnly)
{
    std::string box = "FF";
    editor.fillKey(box, true);
    EXPECT_EQ(doc.byte(255), 0xFF);
    EXPECT_EQ(doc.byte(254), 0x00) << "a new window fills from byte 255";
    EXPECT_EQ(editor.highlightedRow(), 15);

    editor.headerClicked(3);  // a column header does nothing
    EXPECT_EQ(app.fillStart, 255);
    editor.headerClicked(16 + 0xA);  // row "A0"
    EXPECT_EQ(app.fillStart, 160);
    EXPECT_EQ(editor.highlightedRow(), 10);
    box.clear();
    editor.fillKey(box, true);
    EXPECT_EQ(box, "00");
    EXPECT_EQ(doc.byte(159), 0x00);
    box = "ab";
    editor.fillKey(box, true);
    for (int i = 160; i < 256; ++i)
        ASSERT_EQ(doc.byte(i), 0xAB) << i;
    EXPECT_EQ(doc.byte(159), 0x00);
    EXPECT_EQ(doc.mark(200), Mark::Plain) << "filled bytes carry no mark";
}

TEST_F(Editor, FillIsAnEditThatKeepsTheCheckBytesRight)
{
    editor.headerClicked(16);  // row "00": the checksum's own bytes too
    std::string box = "5";
    editor.fillKey(box, false);
    EXPECT_FALSE(doc.isModified()) << "only Enter fills";
    box = "AB";
    editor.fillKey(box, true);
    EXPECT_EQ(doc.byte(10), 0xAB);
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image()));
    EXPECT_EQ(doc.mark(63), Mark::Edited);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.caption(), "SPD_File 1*");

    SpdImage image{};
    image[2] = 0x0B;
    doc.load(image);  // DDR3: CRC mode
    doc.setModified(false);
    editor.headerClicked(16 + 4);
    box = "11";
    editor.fillKey(box, true);
    EXPECT_EQ(StoredCrc(doc.image()), SpdCrc(doc.image())) << "the CRC is recomputed after the fill";
    EXPECT_TRUE(doc.isModified());
}

TEST_F(Editor, FillWithoutThePasswordLeavesTheFirst64BytesAlone)
{
    app.operatorAuthorized = false;
    editor.open(today);
    doc.setByte(0, 0x80);
    doc.setByte(40, 0x04);
    doc.updateChecksum();
    const SpdImage before = doc.image();
    for (int row : {0, 3}) {
        editor.headerClicked(16 + row);
        EXPECT_EQ(editor.fillFrom(), 64) << "row " << row;
        std::string box = "AB";
        editor.fillKey(box, true);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(doc.byte(i), before[static_cast<std::size_t>(i)]) << i;
        for (int i = 64; i < 256; ++i)
            ASSERT_EQ(doc.byte(i), 0xAB) << i;
    }
    editor.headerClicked(16 + 8);
    EXPECT_EQ(editor.fillFrom(), 128) << "rows from 40 on fill from themselves";
}

TEST_F(Editor, DateCodeAndSecurityRestoreWhatTheyReplaced)
{
    doc.setByte(93, 0x12);
    doc.setByte(94, 0x34);
    doc.setByte(127, 0x56);
    editor.dateCodeClicked(true, today);
    EXPECT_EQ(doc.byte(93), 0x09);
    EXPECT_EQ(doc.byte(94), 0x45);
    EXPECT_EQ(editor.cellText(93), CellText::Red);
    EXPECT_TRUE(doc.isModified());
    editor.dateCodeClicked(false, today);
    EXPECT_EQ(doc.byte(93), 0x12);
    EXPECT_EQ(doc.byte(94), 0x34);
    EXPECT_EQ(editor.cellText(94), CellText::Normal);

    doc.setModified(false);
    editor.securityClicked(true);
    EXPECT_EQ(doc.byte(127), doc.view().securityCode);
    EXPECT_EQ(editor.cellText(127), CellText::Red);
    editor.securityClicked(false);
    EXPECT_EQ(doc.byte(127), 0x56);
    EXPECT_FALSE(doc.isModified()) << "the security option does not mark the document";
}

TEST_F(Editor, DateCodeOnDdr3UsesBytes120And121AndKeepsTheCrc)
{
    for (auto [b, v] : {std::pair{0, 0x12}, {2, 0x0B}, {93, 0x33}, {94, 0x44}, {120, 0x11}, {121, 0x22}})
        doc.setByte(b, static_cast<std::uint8_t>(v));
    doc.setCheckMode(CheckMode::Crc);
    doc.updateCrc();
    editor.dateCodeClicked(true, today);
    EXPECT_EQ(doc.byte(120), 0x09);
    EXPECT_EQ(doc.byte(121), 0x45);
    EXPECT_EQ(doc.byte(93), 0x33) << "bytes 93-94 lie in the CRC-covered module block";
    EXPECT_EQ(doc.byte(94), 0x44);
    EXPECT_EQ(StoredCrc(doc.image()), SpdCrc(doc.image()));
    editor.dateCodeClicked(false, today);
    EXPECT_EQ(doc.byte(120), 0x11);
    EXPECT_EQ(doc.byte(121), 0x22);
    EXPECT_EQ(StoredCrc(doc.image()), SpdCrc(doc.image()));

    // The security byte is the CRC's high byte here: the option stamps nothing.
    EXPECT_FALSE(editor.securityAvailable());
    const std::uint8_t crcHigh = doc.byte(127);
    editor.securityClicked(true);
    EXPECT_EQ(doc.byte(127), crcHigh);
    EXPECT_FALSE(editor.securityStamped());
}

TEST_F(Editor, StampsAreGivenUpWhenTheImageBecomesDdr3)
{
    doc.setByte(127, 0x56);
    editor.dateCodeClicked(true, today);
    editor.securityClicked(true);
    ASSERT_TRUE(editor.dateCodeStamped() && editor.securityStamped());
    // A DDR3 image arrives (a read or an edit of byte 2) while both options are checked.
    doc.setByte(2, 0x0B);
    doc.setByte(127, 0xC3);
    doc.setByte(93, 0x77);
    editor.followImageKind();
    EXPECT_FALSE(editor.dateCodeStamped());
    EXPECT_FALSE(editor.securityStamped());
    editor.securityClicked(false);
    editor.dateCodeClicked(false, today);
    EXPECT_EQ(doc.byte(127), 0xC3) << "the old byte 127 must not overwrite the CRC";
    EXPECT_EQ(doc.byte(93), 0x77);
}

TEST(EditorPassword, BytesBelow64NeedThePassword)
{
    AppValues app;  // not authorised
    SpdDocument doc{app.decode, "SPD_File 1"};
    DocumentEditor editor{doc, app};
    editor.open({2017, 1, 1, "2017/1/1"});
    EXPECT_FALSE(editor.entryBoxShown());
    EXPECT_EQ(editor.cellText(0), CellText::Red);
    EXPECT_EQ(editor.cellText(63), CellText::Red);
    EXPECT_EQ(editor.cellText(64), CellText::Normal);
    editor.selectByte(64);
    EXPECT_TRUE(editor.entryBoxShown());
    editor.selectByte(63);
    EXPECT_FALSE(editor.entryBoxShown());

    editor.selectByte(255);
    std::string box = "11";
    editor.entryKey(box, true);
    EXPECT_EQ(editor.currentByte(), 0);
    EXPECT_FALSE(editor.entryBoxShown()) << "wrapping to byte 0 closes the box";
}
