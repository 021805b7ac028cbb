// The wizard's pages without a window: what each page shows, what it takes
// into the parameter record, and the lists across Back and Next.
#include "wizard_support.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace tessaro;
using Entries = std::vector<std::string>;

namespace {

Entries Clocks(int first, int last)
{
    Entries out;
    for (int n = first; n <= last; ++n)
        out.push_back(std::to_string(n) + "T");
    return out;
}

// The four timing lists of each generation: tCL, tRP, tRCD, tRAS.
const std::array<std::array<Entries, 4>, 4> kLists = {{
    {{{"1T", "2T", "3T", "2T 3T"}, Clocks(2, 4), Clocks(2, 4), Clocks(4, 7)}},
    {{{"1T", "1.5T", "2T", "2.5T", "3T", "3.5T", "2T 2.5T 3T", "2T 2.5T", "2.5T 3T"}, Clocks(2, 5), Clocks(2, 5),
      Clocks(5, 12)}},
    {{{"2T", "3T", "4T", "5T", "6T", "3T 4T 5T", "4T 5T"}, Clocks(3, 6), Clocks(3, 6), Clocks(7, 18)}},
    {{{"4T", "5T", "6T", "7T", "8T", "5T 6T", "5T 6T 7T", "6T 7T", "6T 7T 8T", "5T 6T 7T 8T"}, Clocks(4, 10),
      Clocks(4, 10), Clocks(12, 24)}},
}};

void ExpectGenerationLists(const WizardPages& pages, int generation)
{
    for (int l = 0; l < kTimingListCount; ++l)
        EXPECT_EQ(pages.timing(static_cast<TimingList>(l)).entries, kLists[static_cast<std::size_t>(generation)][static_cast<std::size_t>(l)])
            << "generation " << generation << " list " << l << " on page " << pages.pageIndex();
}

Entries SizesOffered(int kind, int width)
{
    WizardRecord record;
    WizardPages pages(record);
    pages.load();
    pages.selectGeneration(kind - 1);
    pages.next();
    pages.next();
    pages.selectDataWidth(width);
    return pages.sizes().entries;
}

}  // namespace

TEST(WizardPages, FinishingUntouchedSdrGivesTheDefaultsAndEachPageItsFrameAndButtons)
{
    WizardRecord record;
    record.jedecIdText = "old";
    record.params.speedCode = 7;
    record.resetForOpening();
    WizardPages pages(record);
    pages.load();
    EXPECT_EQ(pages.generation(), 0) << "SDRAM is selected on load";

    const WizardFrame frames[] = {WizardFrame::Generation, WizardFrame::SdrSpeed, WizardFrame::DramIC,
                                  WizardFrame::DramTime, WizardFrame::Info};
    for (int page = 0; page <= 4; ++page) {
        if (page > 0)
            pages.next();
        EXPECT_EQ(pages.pageIndex(), page);
        EXPECT_EQ(pages.visibleFrame(), frames[page]);
        EXPECT_EQ(pages.backEnabled(), page >= 1);
        EXPECT_EQ(pages.nextEnabled(), page <= 3);
        EXPECT_EQ(pages.finishEnabled(), page == 4);
    }
    pages.next();  // disabled on page 4
    EXPECT_EQ(pages.pageIndex(), 4);
    EXPECT_FALSE(record.wizardFinished);
    pages.finish();
    EXPECT_TRUE(record.wizardFinished);

    const WizardParams& p = record.params;
    EXPECT_EQ(std::tie(p.memoryKind, p.speedCode, p.eccChoice, p.rowBits, p.columnBits, p.rankCount),
              std::make_tuple(1, 1, 1, 12, 10, 1));
    EXPECT_EQ(std::tie(p.casChoice, p.trpClocks, p.trcdClocks, p.trasClocks), std::make_tuple(2, 3, 3, 7));
    EXPECT_EQ(std::tie(p.widthChoice, p.sizeChoice, p.unusedEntry, p.rankDensityCode, p.bankCount, p.refreshTenths),
              std::make_tuple(1, 1, 0, 32, 4, 156));
    EXPECT_EQ(record.jedecIdText, "");
    EXPECT_EQ(record.partNumberText, "");
}

TEST(WizardPages, BackAndNextNeverDuplicateListEntries)
{
    for (int generation = 0; generation < kGenerationCount; ++generation) {
        WizardRecord record;
        WizardPages pages(record);
        pages.load();
        pages.selectGeneration(generation);
        for (int round = 0; round < 3; ++round) {
            while (pages.nextEnabled()) {
                pages.next();
                ExpectGenerationLists(pages, generation);
                if (pages.pageIndex() >= 2) {
                    EXPECT_EQ(pages.dataWidths().entries, Entries({"x 4", "x 8", "x 16"}));
                    EXPECT_EQ(pages.sides().entries, Entries({"Single Side", "Double Side"}));
                }
            }
            // Back to page 1 only in the first round, to page 0 in the others.
            while (pages.backEnabled() && pages.pageIndex() > (round == 0 ? 1 : 0)) {
                pages.back();
                if (pages.pageIndex() >= 1)
                    ExpectGenerationLists(pages, generation);
            }
        }
    }
}

TEST(WizardPages, TheSpeedPageFollowsTheGenerationChosenLast)
{
    WizardRecord record;
    WizardPages pages(record);
    pages.load();
    pages.selectGeneration(3);
    pages.next();
    EXPECT_EQ(pages.visibleFrame(), WizardFrame::Ddr3Speed);
    pages.selectSpeed(3, 2);
    pages.back();
    pages.selectGeneration(2);
    pages.next();
    EXPECT_EQ(pages.visibleFrame(), WizardFrame::Ddr2Speed);
    EXPECT_EQ(pages.speedOption(2), 0) << "400 MHz(PC2-3200)";
    ExpectGenerationLists(pages, 2);
    pages.next();
    EXPECT_EQ(record.params.speedCode, 9);

    // A frame keeps its selection while its generation's code stands.
    pages.back();
    pages.selectSpeed(2, 3);
    pages.next();
    EXPECT_EQ(record.params.speedCode, 12);
    pages.back();
    EXPECT_EQ(pages.speedOption(2), 3);
    pages.back();
    pages.selectGeneration(3);
    pages.next();
    EXPECT_EQ(pages.speedOption(3), 0) << "a code of another generation selects the first speed";
}

TEST(WizardPages, EachSpeedPresetsTheTimingLists)
{
    struct Row {
        int speedCode;
        const char* tcl;
        const char* trp;
        const char* trcd;
        const char* tras;
    };
    const Row rows[] = {
        {1, "3T", "3T", "3T", "7T"},     {2, "3T", "3T", "3T", "7T"},     {3, "3T", "3T", "3T", "7T"},
        {4, "3T", "3T", "3T", "7T"},     {5, "2.5T", "3T", "3T", "7T"},   {6, "2.5T", "3T", "3T", "7T"},
        {7, "2.5T", "3T", "3T", "7T"},   {8, "3T", "4T", "4T", "8T"},     {9, "4T", "4T", "4T", "12T"},
        {10, "4T", "4T", "4T", "12T"},   {11, "5T", "5T", "5T", "15T"},   {12, "5T", "5T", "5T", "15T"},
        {13, "6T", "6T", "6T", "18T"},   {14, "6T", "6T", "6T", "18T"},   {15, "7T", "7T", "7T", "21T"},
        {16, "7T", "7T", "7T", "21T"},
    };
    for (const Row& row : rows) {
        WizardRecord record;
        WizardPages pages(record);
        pages.load();
        const int generation = (row.speedCode - 1) / 4;
        pages.selectGeneration(generation);
        pages.next();
        pages.selectSpeed(generation, (row.speedCode - 1) % 4);
        pages.next();
        ASSERT_EQ(record.params.speedCode, row.speedCode);
        // Changed on page 3, and presets again when page 2 is entered anew.
        pages.next();
        pages.selectTiming(TimingList::Tcl, 0);
        pages.selectTiming(TimingList::Tras, 0);
        pages.back();
        EXPECT_EQ(pages.timing(TimingList::Tcl).selectedText(), row.tcl) << row.speedCode;
        EXPECT_EQ(pages.timing(TimingList::Trp).selectedText(), row.trp) << row.speedCode;
        EXPECT_EQ(pages.timing(TimingList::Trcd).selectedText(), row.trcd) << row.speedCode;
        EXPECT_EQ(pages.timing(TimingList::Tras).selectedText(), row.tras) << row.speedCode;
    }
}

TEST(WizardPages, ChoosingADataWidthResetsSizeAndSide)
{
    const char* defaults[] = {"16 Mb", "32 Mb", "64 Mb", "64 Mb"};
    for (int generation = 0; generation < kGenerationCount; ++generation) {
        WizardRecord record;
        WizardPages pages(record);
        pages.load();
        pages.selectGeneration(generation);
        pages.next();
        pages.next();
        EXPECT_EQ(pages.dataWidths().selectedText(), "x 8");
        EXPECT_EQ(pages.sizes().selectedText(), defaults[generation]);
        EXPECT_EQ(pages.sides().selectedText(), "Single Side");
        for (int width : {0, 2, 1}) {
            pages.selectSize(0);
            pages.selectSide(1);
            pages.setEcc(true);
            pages.selectDataWidth(width);
            EXPECT_EQ(pages.sizes().selectedText(), defaults[generation]) << generation << " width " << width;
            EXPECT_EQ(pages.sides().selectedText(), "Single Side");
            EXPECT_TRUE(pages.ecc()) << "the ECC box is not part of the rule";
        }
        // Coming back to page 2 selects the defaults again.
        pages.selectDataWidth(2);
        pages.selectSide(1);
        pages.next();
        pages.back();
        EXPECT_EQ(pages.dataWidths().selectedText(), "x 8");
        EXPECT_EQ(pages.sides().selectedText(), "Single Side");
    }
}

TEST(WizardPages, OrganisationByGenerationWidthAndSize)
{
    struct Row {
        int kind, width, size, rows, cols, density, banks, refresh;
    };
    // Widths: 0 x4, 1 x8, 2 x16; sizes 0 "8 Mb" ... 5 "256 Mb".
    const Row rows[] = {
        {1, 1, 0, 11, 9, 16, 4, 156},  {1, 1, 1, 12, 10, 32, 4, 156}, {1, 1, 2, 13, 10, 64, 4, 78},
        {1, 1, 3, 13, 11, 128, 4, 78}, {1, 1, 4, 14, 11, 1, 4, 78},   {1, 2, 0, 12, 9, 16, 4, 156},
        {1, 2, 1, 13, 9, 32, 4, 78},   {1, 2, 2, 13, 10, 64, 4, 78},  {1, 2, 3, 14, 10, 128, 4, 78},
        {1, 0, 1, 11, 10, 32, 4, 156}, {1, 0, 2, 12, 11, 64, 4, 156}, {1, 0, 3, 13, 11, 128, 4, 78},
        {1, 0, 4, 13, 12, 1, 4, 78},   {2, 1, 5, 13, 10, 64, 4, 78},  {2, 0, 0, 13, 10, 64, 4, 78},
        {2, 2, 4, 13, 10, 64, 4, 78},  {2, 1, 0, 11, 9, 16, 4, 156},
        {3, 1, 3, 14, 10, 128, 4, 78}, {3, 1, 4, 14, 10, 1, 8, 78},   {3, 1, 1, 12, 10, 32, 4, 156},
        {3, 0, 4, 13, 12, 1, 4, 78},   {3, 2, 0, 12, 9, 16, 4, 156},
        {4, 1, 2, 13, 10, 16, 4, 78},  {4, 1, 3, 13, 10, 32, 8, 78},  {4, 1, 4, 14, 10, 64, 8, 78},
        {4, 1, 5, 15, 10, 128, 8, 78}, {4, 2, 2, 12, 10, 16, 8, 78},  {4, 2, 3, 13, 10, 32, 8, 78},
        {4, 2, 4, 14, 10, 64, 8, 78},  {4, 0, 3, 12, 11, 32, 8, 78},  {4, 0, 4, 13, 11, 64, 8, 78},
        {4, 0, 5, 14, 11, 128, 8, 78},
    };
    for (const Row& r : rows) {
        test::WizardChoices c;
        c.generation = r.kind - 1;
        c.width = r.width;
        c.size = r.size;
        const WizardParams p = test::FinishWizard(c).params;
        EXPECT_EQ(std::tie(p.widthChoice, p.sizeChoice), std::make_tuple(r.width, r.size));
        EXPECT_EQ(std::tie(p.rowBits, p.columnBits, p.rankDensityCode, p.bankCount, p.refreshTenths),
                  std::make_tuple(r.rows, r.cols, r.density, r.banks, r.refresh))
            << "kind " << r.kind << " width " << r.width << " size " << r.size;
    }

    // Only pairs with a defined image are offered: SDR and DDR have a default
    // row for all others; DDR2 and DDR3 offer exactly the pairs they list.
    const Entries all = {"8 Mb", "16 Mb", "32 Mb", "64 Mb", "128 Mb", "256 Mb"};
    for (int width = 0; width < 3; ++width) {
        EXPECT_EQ(SizesOffered(1, width), all);
        EXPECT_EQ(SizesOffered(2, width), all);
    }
    EXPECT_EQ(SizesOffered(3, 0), Entries({"16 Mb", "32 Mb", "64 Mb", "128 Mb"}));
    EXPECT_EQ(SizesOffered(3, 1), Entries({"8 Mb", "16 Mb", "32 Mb", "64 Mb", "128 Mb"}));
    EXPECT_EQ(SizesOffered(3, 2), Entries({"8 Mb", "16 Mb", "32 Mb", "64 Mb"}));
    EXPECT_EQ(SizesOffered(4, 0), Entries({"64 Mb", "128 Mb", "256 Mb"}));
    EXPECT_EQ(SizesOffered(4, 1), Entries({"32 Mb", "64 Mb", "128 Mb", "256 Mb"}));
    EXPECT_EQ(SizesOffered(4, 2), Entries({"32 Mb", "64 Mb", "128 Mb"}));
}

TEST(WizardPages, TextsAreTrimmedAndEmptiedOnEveryEntryToTheLastPage)
{
    WizardRecord record;
    WizardPages pages(record);
    pages.load();
    for (int i = 0; i < 4; ++i)
        pages.next();
    pages.setJedecIdText("typed before");
    pages.back();
    pages.next();
    EXPECT_EQ(pages.jedecIdText(), "");
    pages.setJedecIdText("  7F 2C  ");
    pages.setPartNumberText(" \xE4\xB8\xAD  M 1 ");
    pages.finish();
    EXPECT_EQ(record.jedecIdText, "7F 2C");
    EXPECT_EQ(record.partNumberText, "\xE4\xB8\xAD  M 1");
    EXPECT_EQ(TrimBlanks("   "), "");
}
