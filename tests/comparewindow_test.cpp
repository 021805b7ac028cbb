// The compare window and its source dialog, offscreen: the marks of both
// grids, the fact list and its selection, the difference cursor.
#include "documentwindow/comparewindow.h"
#include "files/imageformat.h"
#include "testsupport.h"
#include "uisupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace tessaro;

namespace {

// A DDR4 SO-DIMM, DDR4-3200, tAA 13750 ps, part "TEST-PART".
ImageData Ddr4Image()
{
    ImageData image{std::vector<std::uint8_t>(512, 0), 512};
    auto& b = image.bytes;
    b[0] = 0x23;
    b[1] = 0x11;
    b[2] = 0x0C;
    b[3] = 0x03;
    b[4] = 0x45;
    b[12] = 0x01;
    b[13] = 0x03;
    b[18] = 0x05;
    b[24] = 0x6E;
    const std::string part = "TEST-PART";
    std::copy(part.begin(), part.end(), b.begin() + 329);
    return image;
}

// The same module with tAA 14000 ps and part "XEST-PART": bytes 24 and 329 differ.
ImageData OtherDdr4Image()
{
    ImageData image = Ddr4Image();
    image.bytes[24] = 0x70;
    image.bytes[329] = 'X';
    return image;
}

int FactRow(const CompareWindow& window, const QString& name)
{
    const QTableWidget* table = window.factTable();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->data(Qt::UserRole).toString() == name)
            return row;
    }
    return -1;
}

void ClickFact(CompareWindow& window, int row)
{
    QTableWidget* table = window.factTable();
    table->scrollToItem(table->item(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 0)).center());
}

std::set<int> Selected(const ByteGrid* grid)
{
    return static_cast<const CompareCells&>(grid->cells()).selection();
}

}  // namespace

TEST(CompareWindow, MarksTheDifferingBytesListsTheDifferingFactsAndChangesNeitherImage)
{
    const ImageData a = Ddr4Image();
    const ImageData b = OtherDdr4Image();
    CompareWindow window(a, QStringLiteral("left.bin"), b, QStringLiteral("right.bin"));
    window.show();

    for (const ByteGrid* grid : {window.gridA(), window.gridB()})
        EXPECT_EQ(grid->rowCount(), 32);
    for (const CompareCells* grid : {&window.cellsA(), &window.cellsB()}) {
        EXPECT_EQ(grid->markedCount(), 2);
        EXPECT_EQ(grid->mark(24), CompareMark::Differs);
        EXPECT_EQ(grid->mark(329), CompareMark::Differs);
        EXPECT_EQ(grid->mark(25), CompareMark::Same);
    }
    const QTableWidget* table = window.factTable();
    const int taa = FactRow(window, QStringLiteral("timings.tAA"));
    ASSERT_GE(taa, 0);
    EXPECT_EQ(table->item(taa, 1)->text(), QStringLiteral("13750 ps / 22 clocks"));
    EXPECT_EQ(table->item(taa, 2)->text(), QStringLiteral("14000 ps / 23 clocks"));
    EXPECT_GE(FactRow(window, QStringLiteral("summary.partNumber")), 0);
    EXPECT_EQ(FactRow(window, QStringLiteral("timings.tCKmin")), -1);
    EXPECT_EQ(window.headerText(), QStringLiteral("A: left.bin    B: right.bin    2 個位元組不同，%1 項資料不同")
                                       .arg(table->rowCount()));

    ClickFact(window, taa);
    window.nextDifference();
    window.previousDifference();
    EXPECT_EQ(a.bytes, Ddr4Image().bytes);
    EXPECT_EQ(b.bytes, OtherDdr4Image().bytes);
}

TEST(CompareWindow, ClickingAFactSelectsItsBytesInBothGridsAndScrollsThemIntoView)
{
    CompareWindow window(Ddr4Image(), QStringLiteral("A"), OtherDdr4Image(), QStringLiteral("B"));
    window.resize(1100, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    ClickFact(window, FactRow(window, QStringLiteral("timings.tAA")));
    EXPECT_EQ(Selected(window.gridA()), (std::set<int>{24, 123}));
    EXPECT_EQ(Selected(window.gridB()), (std::set<int>{24, 123}));

    // Byte 329 lies well below a 300-pixel-high window's first rows: the
    // cursor scrolls down to it, and the tAA fact back up to byte 24.
    const auto shows = [](const ByteGrid* grid, int index) {
        return grid->isCellVisible(index);
    };
    window.nextDifference();
    window.nextDifference();
    for (const ByteGrid* grid : {window.gridA(), window.gridB()}) {
        EXPECT_EQ(Selected(grid), std::set<int>{329});
        EXPECT_TRUE(shows(grid, 329));
        EXPECT_FALSE(shows(grid, 24));
    }
    ClickFact(window, FactRow(window, QStringLiteral("timings.tAA")));
    for (const ByteGrid* grid : {window.gridA(), window.gridB()}) {
        EXPECT_TRUE(shows(grid, 24));
        EXPECT_FALSE(shows(grid, 329));
    }
}

// DDR3 images: facts under readable names, each selecting its bytes, the CRC
// and no checksum; at the workstation's 1280-pixel width the facts show.
TEST(CompareWindow, Ddr3FactsHaveNamesAndBytesAndShowBesideTheGrids)
{
    ImageData a{std::vector<std::uint8_t>(256, 0), 256};
    a.bytes[2] = 0x0B;
    a.bytes[4] = 0x03;
    a.bytes[7] = 0x01;
    a.bytes[8] = 0x03;
    ImageData b = a;
    b.bytes[4] = 0x04;
    CompareWindow window(a, QStringLiteral("A"), b, QStringLiteral("B"));
    window.resize(1280, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QTableWidget* table = window.factTable();
    const QRect shown(table->mapTo(&window, QPoint(0, 0)), table->size());
    EXPECT_TRUE(window.rect().contains(shown));
    EXPECT_GE(shown.width(), 600);
    for (const auto& [key, name, bytes] : std::vector<std::tuple<QString, QString, std::set<int>>>{
             {QStringLiteral("fields.SDRAM Density"), QStringLiteral("SDRAM Density"), {4}},
             {QStringLiteral("fields.Module Density /R"), QStringLiteral("Module Density /R"), {4, 7}},
             {QStringLiteral("summary.capacityMB"), QStringLiteral("容量 (MB)"), {4, 7, 8}}}) {
        const int row = FactRow(window, key);
        ASSERT_GE(row, 0) << key.toStdString();
        EXPECT_EQ(table->item(row, 0)->text(), name);
        ClickFact(window, row);
        EXPECT_EQ(Selected(window.gridA()), bytes) << key.toStdString();
    }
    b.bytes[126] = 0x12;
    CompareWindow crc(a, QStringLiteral("A"), b, QStringLiteral("B"));
    EXPECT_GE(FactRow(crc, QStringLiteral("checks.crc16")), 0);
    EXPECT_EQ(FactRow(crc, QStringLiteral("checks.checksum63")), -1);
}

TEST(CompareWindow, NextAndPreviousWalkTheDifferingBytesAndWrapRound)
{
    CompareWindow window(Ddr4Image(), QStringLiteral("A"), OtherDdr4Image(), QStringLiteral("B"));
    window.show();
    EXPECT_EQ(window.currentDifference(), -1);

    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    EXPECT_EQ(Selected(window.gridA()), std::set<int>{24});
    EXPECT_EQ(Selected(window.gridB()), std::set<int>{24});
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    EXPECT_EQ(Selected(window.gridB()), std::set<int>{329});
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    EXPECT_EQ(Selected(window.gridA()), std::set<int>{24});  // past the last: the first again
    QTest::mouseClick(window.previousButton(), Qt::LeftButton);
    EXPECT_EQ(Selected(window.gridA()), std::set<int>{329});  // before the first: the last

    // F8 and Shift+F8 while the window has the focus.
    QApplication::setActiveWindow(&window);
    window.nextButton()->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.nextButton(), Qt::Key_F8);
    EXPECT_EQ(window.currentDifference(), 0);
    QTest::keyClick(window.nextButton(), Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(window.currentDifference(), 1);

    // Without differences there is nothing to walk.
    CompareWindow same(Ddr4Image(), QStringLiteral("A"), Ddr4Image(), QStringLiteral("A again"));
    EXPECT_TRUE(same.headerText().endsWith(QStringLiteral("相同")));
    EXPECT_EQ(same.factTable()->rowCount(), 0);
    EXPECT_FALSE(same.nextButton()->isEnabled());
    same.nextDifference();
    same.previousDifference();
    EXPECT_EQ(same.currentDifference(), -1);
    EXPECT_TRUE(Selected(same.gridA()).empty());
}

TEST(CompareWindow, ImagesOfDifferentSizesMarkTheBytesOnlyOneHas)
{
    ImageData small{std::vector<std::uint8_t>(256, 0), 256};
    small.bytes[2] = 0x0B;  // DDR3
    const ImageData large = Ddr4Image();
    CompareWindow window(small, QStringLiteral("ddr3"), large, QStringLiteral("ddr4"));
    EXPECT_EQ(window.gridA()->rowCount(), 16);
    EXPECT_EQ(window.gridB()->rowCount(), 32);
    EXPECT_EQ(window.cellsB().mark(256), CompareMark::OnlyHere);
    EXPECT_EQ(window.cellsB().mark(511), CompareMark::OnlyHere);
    EXPECT_EQ(window.cellsB().mark(2), CompareMark::Differs);
    EXPECT_EQ(window.cellsA().mark(2), CompareMark::Differs);
    EXPECT_EQ(window.cellsB().markedCount(), window.cellsA().markedCount() + 256);
    const int size = FactRow(window, QStringLiteral("size"));
    ASSERT_GE(size, 0);
    EXPECT_EQ(window.factTable()->item(size, 1)->text(), QStringLiteral("256"));
    EXPECT_EQ(window.factTable()->item(size, 2)->text(), QStringLiteral("512"));
    window.previousDifference();  // the last difference: byte 511, which only B has
    EXPECT_EQ(Selected(window.gridB()), std::set<int>{511});
    EXPECT_TRUE(Selected(window.gridA()).empty());

    // A truncated DDR5 image shows its missing bytes as absent; the whole one marks them.
    ImageData whole{std::vector<std::uint8_t>(1024, 0), 1024};
    whole.bytes[0] = 0x30;
    whole.bytes[2] = 0x12;
    whole.bytes[700] = 0x55;
    ImageData truncated = whole;
    truncated.bytes.resize(600);
    CompareWindow cut(truncated, QStringLiteral("cut"), whole, QStringLiteral("whole"));
    EXPECT_EQ(cut.gridA()->rowCount(), 64);
    EXPECT_EQ(cut.cellsA().mark(599), CompareMark::Same);
    EXPECT_EQ(cut.cellsA().mark(600), CompareMark::Absent);
    EXPECT_EQ(cut.cellsA().markedCount(), 0);
    EXPECT_EQ(cut.cellsB().mark(600), CompareMark::OnlyHere);
    EXPECT_EQ(cut.cellsB().markedCount(), 424);
    EXPECT_TRUE(cut.headerText().endsWith(QStringLiteral("424 個位元組不同，%1 項資料不同")
                                              .arg(cut.factTable()->rowCount())));
    cut.nextDifference();
    EXPECT_EQ(Selected(cut.gridA()), std::set<int>{600});  // the absent cell is selected too
}

TEST(CompareSourceDialog, TakesOpenDocumentsOrFilesAndStaysOpenOnAFileItCannotRead)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("other.bin")).toStdString();
    const ImageData other = OtherDdr4Image();
    test::WriteAll(path, std::string(other.bytes.begin(), other.bytes.end()));
    const std::string dump = dir.filePath(QStringLiteral("other.txt")).toStdString();
    test::WriteAll(dump, ImageTextBytes(other.bytes));

    std::vector<std::pair<QString, ImageData>> open{{QStringLiteral("SPD_File 1"), Ddr4Image()},
                                                    {QStringLiteral("SPD_File 2"), OtherDdr4Image()}};
    test::ModalResponder responder;
    CompareSourceDialog dialog(open);
    EXPECT_TRUE(dialog.side(0).document->isChecked());
    EXPECT_EQ(dialog.side(1).documents->currentIndex(), 1);
    // Image A starts on the active document, B on another.
    for (int active : {0, 1}) {
        CompareSourceDialog fromActive(open, active);
        EXPECT_EQ(fromActive.side(0).documents->currentIndex(), active);
        EXPECT_EQ(fromActive.side(1).documents->currentIndex(), 1 - active);
    }

    dialog.side(1).file->setChecked(true);
    dialog.side(1).path->setText(dir.filePath(QStringLiteral("missing.bin")));
    dialog.show();
    dialog.accept();
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("missing.bin")));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.isVisible());

    // A text file with a name other than .spd is read by its contents.
    dialog.side(1).path->setText(QString::fromStdString(dump));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.caption(0), QStringLiteral("SPD_File 1"));
    EXPECT_EQ(dialog.caption(1), QStringLiteral("other.txt"));
    EXPECT_EQ(dialog.image(1).bytes, other.bytes);

    // chooseAndShow hands the window of the chosen pair to the workspace.
    responder.handleDialog([&](QWidget* widget) {
        auto* chooser = qobject_cast<CompareSourceDialog*>(widget);
        ASSERT_NE(chooser, nullptr);
        chooser->side(0).file->setChecked(true);
        chooser->side(0).path->setText(QString::fromStdString(path));
        chooser->accept();
    });
    std::unique_ptr<QWidget> shown;
    CompareWindow::chooseAndShow(nullptr, open, -1, [&](QWidget* window) { shown.reset(window); });
    auto* window = qobject_cast<CompareWindow*>(shown.get());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->byteComparison().same);  // other.bin against SPD_File 2
    EXPECT_TRUE(window->headerText().startsWith(QStringLiteral("A: other.bin    B: SPD_File 2")));
}
