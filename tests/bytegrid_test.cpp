// One contract for the byte grid of every size: the 256-byte window's fixed
// layout and the scrolling one of 512 and 1024 bytes (whole or truncated).
// Geometry, clicks, the navigation keys, ranges, typing and the read-only
// grid of the compare view (offscreen).
#include "documentwindow/bytegrid.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace tessaro;

namespace {

class TestCells final : public GridCells
{
public:
    TestCells(int size, int present) : m_size(size), m_present(present) {}
    [[nodiscard]] int count() const override { return m_size; }
    [[nodiscard]] int byteAt(int index) const override { return index < m_present ? (index * 7) & 0xFF : -1; }
    [[nodiscard]] QColor background(int /*index*/, const QColor& plain) const override { return plain; }

private:
    int m_size;
    int m_present;
};

struct GridCase {
    const char* name;
    ByteGrid::Layout layout;
    int size;
    int present;
};

void PrintTo(const GridCase& c, std::ostream* out)
{
    *out << c.name;
}

class ByteGridContract : public ::testing::TestWithParam<GridCase>
{
protected:
    void SetUp() override
    {
        grid = std::make_unique<ByteGrid>(std::make_unique<TestCells>(GetParam().size, GetParam().present),
                                          GetParam().layout);
        grid->setPreferredRows(12);  // fewer rows than a 512-byte image has: it scrolls
        grid->resize(grid->sizeHint());
        grid->show();
        size = GetParam().size;
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(grid.get(), k, modifiers); }
    void click(int index, Qt::KeyboardModifiers modifiers = {})
    {
        grid->scrollToCell(index);
        QTest::mouseClick(grid.get(), Qt::LeftButton, modifiers, grid->cellRect(index).center());
    }
    [[nodiscard]] int at(int offset) const { return offset >= 0 ? offset : size + offset; }  // -1: the last byte

    std::unique_ptr<ByteGrid> grid;
    int size = 0;
};

}  // namespace

TEST_P(ByteGridContract, EveryVisibleCellIsFoundWhereItIsDrawn)
{
    EXPECT_EQ(grid->rowCount(), size / 16);
    for (const int end : {0, size - 1}) {
        grid->scrollToCell(end);
        int visible = 0;
        for (int i = 0; i < size; ++i) {
            if (!grid->isCellVisible(i))
                continue;
            ++visible;
            ASSERT_EQ(grid->cellAt(grid->cellRect(i).center()), i);
        }
        EXPECT_TRUE(grid->isCellVisible(end));
        EXPECT_EQ(visible % 16, 0) << "whole rows";
        EXPECT_EQ(visible == size, GetParam().layout == ByteGrid::Layout::Spd256 || size <= 12 * 16);
    }
    EXPECT_EQ(grid->cellAt(QPoint(2, 2)), -1) << "the corner of the headers is no cell";
    EXPECT_EQ(grid->cellAt(grid->cellRect(0).topLeft() - QPoint(0, 2)), -1) << "nor the column headers";
    const int present = GetParam().present;
    EXPECT_EQ(grid->cellText(present - 1).size(), 2);
    if (present < size) {
        EXPECT_EQ(grid->cellText(present), QStringLiteral("--"));
    }

    click(at(-3));
    EXPECT_EQ(grid->currentByte(), at(-3));
    EXPECT_EQ(grid->focusWidget(), grid.get()) << "the grid takes the focus";
}

TEST_P(ByteGridContract, NavigationKeysMoveTheSelectedByteAndKeepItInView)
{
    const struct {
        int from;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int expected;  // negative: from the end
    } steps[] = {
        {0x11, Qt::Key_Right, {}, 0x12},       {0x12, Qt::Key_Down, {}, 0x22},
        {0x22, Qt::Key_Home, {}, 0x20},        {0x20, Qt::Key_Left, {}, 0x1F},  // back into the row above
        {0x1F, Qt::Key_End, {}, 0x1F},         {0x1F, Qt::Key_Up, {}, 0x0F},
        {0x0F, Qt::Key_Up, {}, 0x0F},          {0, Qt::Key_Left, {}, 0},
        {-1, Qt::Key_Right, {}, -1},           {-2, Qt::Key_Down, {}, -2},  // the last row keeps its column
        {0x11, Qt::Key_End, Qt::ControlModifier, -1}, {-1, Qt::Key_Home, Qt::ControlModifier, 0},
    };
    for (const auto& step : steps) {
        grid->setCurrentByte(at(step.from));
        key(step.key, step.modifiers);
        EXPECT_EQ(grid->currentByte(), at(step.expected)) << "key " << step.key << " from " << at(step.from);
        EXPECT_TRUE(grid->isCellVisible(grid->currentByte()));
    }
    // Page by page down to the last row and back, in the same column.
    grid->setCurrentByte(0x11);
    for (int i = 0; i < 70; ++i)
        key(Qt::Key_PageDown);
    EXPECT_EQ(grid->currentByte(), size - 15);
    EXPECT_TRUE(grid->isCellVisible(size - 15));
    key(Qt::Key_PageUp);
    EXPECT_LT(grid->currentByte(), size - 15);
    EXPECT_GE(grid->currentByte(), size - 15 - 16 * 16) << "a page is the rows shown, 16 at most";
    for (int i = 0; i < 70; ++i)
        key(Qt::Key_PageUp);
    EXPECT_EQ(grid->currentByte(), 0x01);
}

TEST_P(ByteGridContract, ShiftSelectsARangeFromTheAnchorAndDrawsIt)
{
    click(0x10);
    click(0x14, Qt::ShiftModifier);
    EXPECT_EQ(std::pair(grid->selectionFirst(), grid->selectionLast()), std::pair(0x10, 0x14));
    key(Qt::Key_Up, Qt::ShiftModifier);  // the anchor stays: the range turns round it
    EXPECT_EQ(std::pair(grid->selectionFirst(), grid->selectionLast()), std::pair(0x04, 0x10));
    const QImage shot = grid->grab().toImage();
    const auto colourAt = [&](int cell) { return shot.pixelColor(grid->cellRect(cell).topLeft() + QPoint(2, 2)); };
    EXPECT_NE(colourAt(0x05), colourAt(0x50)) << "a range cell is drawn apart from a plain one";
    EXPECT_NE(colourAt(0x04), colourAt(0x05)) << "the selected byte apart from the range";
    key(Qt::Key_Right);
    EXPECT_EQ(std::pair(grid->selectionFirst(), grid->selectionLast()), std::pair(0x05, 0x05)) << "a move ends the range";
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(std::pair(grid->selectionFirst(), grid->selectionLast()), std::pair(0x05, 0x0F));
    click(0x30);
    EXPECT_EQ(grid->selectionFirst(), grid->selectionLast());
    grid->selectRange(at(-20), at(-1));
    EXPECT_EQ(std::pair(grid->selectionFirst(), grid->selectionLast()), std::pair(at(-20), at(-1)));
    EXPECT_TRUE(grid->isCellVisible(at(-20)) && grid->isCellVisible(at(-1)));
}

TEST_P(ByteGridContract, TwoDigitsTypeAByteEscOrAMoveAbandonsOne)
{
    QSignalSpy typed(grid.get(), &ByteGrid::byteTyped);
    grid->setCurrentByte(0x25);
    QTest::keyClicks(grid.get(), QStringLiteral("a"));
    EXPECT_EQ(grid->heldDigit(), 0xA);
    EXPECT_TRUE(typed.isEmpty()) << "one digit types nothing";
    QTest::keyClicks(grid.get(), QStringLiteral("5"));
    ASSERT_EQ(typed.size(), 1);
    EXPECT_EQ(typed.at(0).at(0).toInt(), 0x25);
    EXPECT_EQ(typed.at(0).at(1).value<std::uint8_t>(), 0xA5);
    for (const Qt::Key abandon : {Qt::Key_Escape, Qt::Key_Right}) {
        QTest::keyClicks(grid.get(), QStringLiteral("1"));
        key(abandon);
        EXPECT_EQ(grid->heldDigit(), -1);
    }
    QTest::keyClicks(grid.get(), QStringLiteral("g"));
    EXPECT_EQ(grid->heldDigit(), -1) << "not a hex digit";
    EXPECT_EQ(typed.size(), 1);
}

TEST_P(ByteGridContract, AReadOnlyGridOnlyReportsClicks)
{
    grid->setReadOnly(true);
    grid->setCurrentByte(0x20);
    QSignalSpy clicked(grid.get(), &ByteGrid::cellClicked);
    QSignalSpy typed(grid.get(), &ByteGrid::byteTyped);
    click(0x33);
    key(Qt::Key_Right);
    QTest::keyClicks(grid.get(), QStringLiteral("55"));
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 0x33);
    EXPECT_EQ(grid->currentByte(), 0x20);
    EXPECT_TRUE(typed.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ByteGridContract,
                         ::testing::Values(GridCase{"Window256", ByteGrid::Layout::Spd256, 256, 256},
                                           GridCase{"Scrolling256", ByteGrid::Layout::Scrolling, 256, 256},
                                           GridCase{"Ddr4", ByteGrid::Layout::Scrolling, 512, 512},
                                           GridCase{"Ddr5", ByteGrid::Layout::Scrolling, 1024, 1024},
                                           GridCase{"TruncatedDdr5", ByteGrid::Layout::Scrolling, 1024, 600}),
                         [](const auto& test) { return std::string(test.param.name); });
