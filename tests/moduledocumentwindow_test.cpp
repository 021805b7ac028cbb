// The window of 512- and 1024-byte images driven the way an operator drives
// it: clicks and keys on the grid, key presses in its boxes, offscreen.
#include "decode/moduledecode.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/moduledocumentwindow.h"
#include "uisupport.h"

#include <QFile>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

ImageData Ddr4Image()
{
    ImageData image{std::vector<std::uint8_t>(512, 0), 512};
    image.bytes[0] = 0x23;
    image.bytes[2] = 0x0C;
    image.bytes[3] = 0x03;
    FixCrcBlocks(image.bytes);
    return image;
}

ImageData Ddr5Image(int present = 1024)
{
    ImageData image{std::vector<std::uint8_t>(1024, 0), 1024};
    image.bytes[0] = 0x30;
    image.bytes[2] = 0x12;
    FixCrcBlocks(image.bytes);
    image.bytes.resize(static_cast<std::size_t>(present));
    return image;
}

class ModuleWindow : public ::testing::Test
{
protected:
    void open(ImageData image)
    {
        window = new ModuleDocumentWindow(std::move(image), QStringLiteral("SPD_File 2"));
        window->resize(1200, 800);
        window->show();
    }
    void TearDown() override
    {
        if (window != nullptr) {
            window->document().setModified(false);
            delete window;
        }
    }
    void enter(QLineEdit* box, const QString& text)
    {
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    [[nodiscard]] QString labelText(const char* name) const
    {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    [[nodiscard]] bool allCrcLinesGreen() const
    {
        const auto lines = window->crcLines();
        return !lines.empty() && std::all_of(lines.begin(), lines.end(), [](QLabel* line) {
            return line->palette().color(QPalette::WindowText).green() > 100 &&
                   line->palette().color(QPalette::WindowText).red() == 0;
        });
    }
    ModuleDocumentWindow* window = nullptr;
};

}  // namespace

TEST_F(ModuleWindow, Ddr4EntryStoresMarksKeepsBothCrcsAndMovesOn)
{
    open(Ddr4Image());
    ByteGrid* grid = window->grid();
    EXPECT_EQ(grid->rowCount(), 32);
    EXPECT_EQ(ByteGrid::rowHeaderText(0), QStringLiteral("000"));
    EXPECT_EQ(ByteGrid::rowHeaderText(31), QStringLiteral("1F0"));
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 2"));
    ASSERT_EQ(window->crcLines().size(), 2u);
    EXPECT_TRUE(allCrcLinesGreen());

    window->selectByte(0x140);
    EXPECT_TRUE(grid->isCellVisible(0x140));
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte 140h"));
    QTest::keyClicks(window->byteEntryBox(), QStringLiteral("ab"));
    EXPECT_EQ(window->byteEntryBox()->text(), QStringLiteral("AB"));
    QTest::keyClick(window->byteEntryBox(), Qt::Key_Return);

    const SpdDocument& doc = window->document();
    EXPECT_EQ(doc.byte(0x140), 0xAB);
    EXPECT_EQ(doc.mark(0x140), Mark::Edited);
    EXPECT_EQ(grid->cellText(0x140), QStringLiteral("AB"));
    EXPECT_EQ(window->currentByte(), 0x141);
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte 141h"));
    EXPECT_TRUE(window->byteEntryBox()->text().isEmpty());
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 2*"));
    for (const CrcBlock& block : CrcBlocks(doc.bytes()))
        EXPECT_TRUE(block.ok()) << block.key;
    EXPECT_TRUE(allCrcLinesGreen());
    EXPECT_TRUE(window->crcLines()[1]->text().startsWith(QStringLiteral("crc16_128_253: stored ")));

    // Check mode None: the next edit leaves the second CRC stale, its line red.
    window->checkModeButton(CheckMode::None)->click();
    window->selectByte(0x90);
    enter(window->byteEntryBox(), QStringLiteral("1"));
    EXPECT_EQ(doc.byte(0x90), 0x01);
    EXPECT_FALSE(allCrcLinesGreen());
    EXPECT_EQ(window->crcLines()[1]->palette().color(QPalette::WindowText).red(), 200);

    // The last byte wraps to the first.
    window->selectByte(0x1FF);
    enter(window->byteEntryBox(), QString());
    EXPECT_EQ(window->currentByte(), 0);
}

TEST_F(ModuleWindow, FillWritesFromTheSelectedRowToTheEndAsOneEdit)
{
    open(Ddr4Image());
    const SpdDocument& doc = window->document();
    window->selectByte(0x105);
    enter(window->fillBox(), QStringLiteral("5a"));
    EXPECT_EQ(doc.byte(0xFF), 0x00);
    EXPECT_EQ(doc.byte(0x100), 0x5A);
    EXPECT_EQ(doc.byte(0x1FD), 0x5A);
    EXPECT_TRUE(allCrcLinesGreen()) << "the CRC bytes in the filled range follow the edit";
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 2*"));
}

TEST_F(ModuleWindow, Ddr5GridIsReachableByKeysAndMouse)
{
    open(Ddr5Image());
    ByteGrid* grid = window->grid();
    EXPECT_EQ(grid->rowCount(), 64);
    EXPECT_EQ(ByteGrid::rowHeaderText(63), QStringLiteral("3F0"));
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);

    window->selectByte(0x3FF);
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(grid->isCellVisible(0x3FF));
    EXPECT_FALSE(grid->isCellVisible(0));
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte 3FFh"));

    // The keys themselves: the grid's contract (bytegrid_test).
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(window->currentByte(), 0);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
    window->selectByte(0x3F0);
    // A click picks the cell under the mouse, wherever the grid is scrolled.
    const int visible = 0x3A7;
    ASSERT_TRUE(grid->isCellVisible(visible));
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cellRect(visible).center());
    EXPECT_EQ(window->currentByte(), visible);
    EXPECT_EQ(grid->cellAt(QPoint(2, 2)), -1) << "the column headers are no cell";
}

TEST_F(ModuleWindow, TruncatedDdr5ShowsAbsentBytesThatTakeNoValue)
{
    open(Ddr5Image(600));
    ByteGrid* grid = window->grid();
    EXPECT_EQ(grid->rowCount(), 64);
    EXPECT_EQ(grid->cellText(599), QStringLiteral("00"));
    EXPECT_EQ(grid->cellText(600), QStringLiteral("--"));
    EXPECT_EQ(grid->cellText(0x3FF), QStringLiteral("--"));
    EXPECT_FALSE(labelText("warnings").isEmpty());

    window->selectByte(700);
    EXPECT_EQ(labelText("valueCaption"), QStringLiteral("--"));
    EXPECT_FALSE(window->byteEntryBox()->isEnabled());
    enter(window->fillBox(), QStringLiteral("77"));
    EXPECT_EQ(window->document().bytesPresent(), 600);
    EXPECT_EQ(window->document().byte(599), 0x00) << "a fill from an absent row writes nothing present";

    window->selectByte(590);
    EXPECT_TRUE(window->byteEntryBox()->isEnabled());
    enter(window->fillBox(), QStringLiteral("77"));
    EXPECT_EQ(window->document().byte(599), 0x77);
    EXPECT_EQ(window->document().byte(0x23F), 0x00);
    EXPECT_EQ(window->document().byte(0x240), 0x77);
    EXPECT_EQ(grid->cellText(600), QStringLiteral("--"));
}

TEST_F(ModuleWindow, CorpusImagesShowTheirDecode)
{
    const QString dir = QStringLiteral(TESSARO_CORPUS_DIR);
    QFile ddr4(dir + QStringLiteral("/ddr4/cb-clevo-tglu-samsung-m471a1g44ab0-cwe.bin"));
    if (!ddr4.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "corpus absent";
    const QByteArray data = ddr4.readAll();
    open(ImageData{std::vector<std::uint8_t>(data.begin(), data.end()), 512});
    EXPECT_EQ(window->summaryLabel()->text(),
              QStringLiteral("8 GB SO-DIMM 1Rx16 DDR4-3200 PC4-25600 Samsung M471A1G44AB0-CWE"));
    EXPECT_TRUE(window->summaryLabel()->font().bold());
    EXPECT_EQ(labelText("fieldtAA"), QStringLiteral("13.750 ns, 22 clocks"));
    EXPECT_EQ(labelText("fieldManufacturer"), QStringLiteral("Samsung (bank 1, code 4E)"));
    EXPECT_TRUE(labelText("fieldDRAMmaker").startsWith(QStringLiteral("Samsung")));
    EXPECT_EQ(window->crcLines()[0]->text(), QStringLiteral("crc16_0_125: stored F5E8, computed F5E8"));
}

TEST_F(ModuleWindow, ProfilesTableFollowsTheImage)
{
    ImageData image = Ddr4Image();
    // One enabled XMP 2.0 profile.
    image.bytes[384] = 0x0C;
    image.bytes[385] = 0x4A;
    image.bytes[386] = 0x01;
    image.bytes[387] = 0x20;
    open(image);
    QTableWidget* table = window->profilesTable();
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("XMP 2.0"));
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("yes"));

    window->selectByte(386);
    enter(window->byteEntryBox(), QStringLiteral("00"));
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("no"));
}

TEST(ModuleWindowLayout, ValueBoxNeverCoversTheBytesNameAtAnySize)
{
    // In the workspace as the operator meets it, and on its own.
    QMdiArea area;
    area.resize(1600, 1000);
    area.show();
    auto* window = new ModuleDocumentWindow(Ddr4Image(), QStringLiteral("SPD_File 2"));
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->show();
    window->findChild<ByteGrid*>()->setCurrentByte(0x141);  // a long name
    const char* const parts[] = {"byteCaption", "descriptionCaption", "valueLabel", "valueCaption", "byteEntry"};
    for (const QSize size : {QSize(400, 300), QSize(640, 480), QSize(800, 600), QSize(1024, 700), QSize(1600, 1000)}) {
        sub->resize(size);
        QApplication::processEvents();
        std::vector<QRect> boxes;
        for (const char* name : parts) {
            auto* part = window->findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(part, nullptr) << name;
            boxes.push_back(QRect(part->mapTo(window, QPoint(0, 0)), part->size()));
        }
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i].intersects(boxes[j]))
                    << parts[i] << " and " << parts[j] << " overlap at " << size.width() << "x" << size.height();
    }
    // Kept whole by its minimum size, which still fits the default 1280 x 860 main window.
    EXPECT_LE(window->minimumSize().width(), 1200);
    EXPECT_LE(window->minimumSize().height(), 760);
    window->document().setModified(false);
}
