#pragma once

#include "documentwindow/gridkeys.h"

#include <QColor>
#include <QFrame>
#include <QStaticText>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QScrollBar;

namespace tessaro {

// What a byte grid shows in its cells; each window and the compare view adapt
// their model to it. The cursor (the selected byte, drawn red) is the model's
// too: the 256-byte window keeps it in its editor, the others here.
class GridCells
{
public:
    virtual ~GridCells() = default;
    [[nodiscard]] virtual int count() const = 0;  // cells: the bytes of the image's size
    // The byte a cell shows, or -1 for a byte the image lacks (shown "--").
    [[nodiscard]] virtual int byteAt(int index) const = 0;
    // The background of a cell for its mark or compare state; `plain` when it has none.
    [[nodiscard]] virtual QColor background(int index, const QColor& plain) const = 0;
    // A cell of a marked selection (the compare view's): red with white text.
    [[nodiscard]] virtual bool selected(int /*index*/) const { return false; }
    [[nodiscard]] virtual bool redText(int /*index*/) const { return false; }
    [[nodiscard]] virtual int highlightedRow() const { return -1; }  // its row header drawn red
    [[nodiscard]] virtual int currentByte() const { return m_current; }  // -1: none
    virtual void setCurrentByte(int index) { m_current = index; }

private:
    int m_current = 0;
};

// The grid of an image's bytes, 16 to a row, each byte's cell two hex digits
// on its mark's colour, the selected byte red, "--" for a byte the image lacks.
// Two layouts:
// - Spd256: the "SPD 值" frame of the 256-byte window, all 16 rows at a fixed
//   size, column headers "00"-"0F", row headers "00"-"F0" that can be clicked,
//   tool tips "Byte" and the decimal number;
// - Scrolling: any size, column headers "0"-"F" that stay in place, row headers
//   "000"-"3F0", a vertical scroll bar, tool tips "Byte 1A2h".
// An editing grid takes the keyboard focus: clicks and the navigation keys
// select bytes (PgUp/PgDn by the rows shown), Shift with either selects a
// range from the anchor, two hexadecimal digits typed on the selected cell
// store a byte (the first shows half typed, Esc or a move abandons it). A
// read-only grid only reports clicks.
class ByteGrid : public QFrame
{
    Q_OBJECT
public:
    enum class Layout { Spd256, Scrolling };

    ByteGrid(std::unique_ptr<GridCells> cells, Layout layout, QWidget* parent = nullptr);
    ~ByteGrid() override;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    // The rows the size hint asks room for (Scrolling; 32 unless set).
    void setPreferredRows(int rows);
    // The height that shows every row.
    [[nodiscard]] int heightForAllRows() const;

    [[nodiscard]] GridCells& cells() const { return *m_cells; }
    void setReadOnly(bool readOnly);
    [[nodiscard]] int rowCount() const;

    [[nodiscard]] int currentByte() const { return m_cells->currentByte(); }
    // Selects a byte (clamped to the image) and scrolls it into view.
    void setCurrentByte(int index);
    // The bytes from first to last selected, the cursor on first, in view.
    void selectRange(int first, int last);
    // The selected range, from the anchor to the selected byte in either order.
    [[nodiscard]] int selectionFirst() const { return m_anchor < 0 ? currentByte() : std::min(m_anchor, currentByte()); }
    [[nodiscard]] int selectionLast() const { return m_anchor < 0 ? currentByte() : std::max(m_anchor, currentByte()); }
    void setSelectionAnchor(int index);
    void collapseSelection();  // back to the selected byte alone, any half-typed digit abandoned
    [[nodiscard]] int heldDigit() const { return m_typing.heldDigit(); }  // -1 when none

    // Geometry in the grid's coordinates, as scrolled now.
    [[nodiscard]] QRect cellRect(int index) const;
    [[nodiscard]] int cellAt(const QPoint& pos) const;  // -1 when none
    [[nodiscard]] QRect headerRect(int header) const;     // 0-15 columns, 16-31 the rows shown first
    [[nodiscard]] int headerAt(const QPoint& pos) const;  // -1 when none; Spd256 only
    // Whether the whole cell lies in the part of the cell area shown.
    [[nodiscard]] bool isCellVisible(int index) const;
    void scrollToCell(int index);
    [[nodiscard]] QScrollBar* verticalScrollBar() const { return m_scrollBar; }  // null in Spd256
    void updateCell(int index);  // redraws a cell whose byte or mark changed

    // What a cell shows: two hex digits, "--" for a byte the image lacks.
    [[nodiscard]] QString cellText(int index) const;
    // The row-header text of a Scrolling row ("000", "1F0").
    [[nodiscard]] static QString rowHeaderText(int row);
    // "Byte 1A2h": a Scrolling cell's tool tip and the larger window's caption.
    [[nodiscard]] static QString byteCaption(int index);

signals:
    void currentByteChanged(int index);  // a click, a key or setCurrentByte
    void cellClicked(int index);         // a read-only grid's click
    void headerClicked(int header);      // Spd256
    void byteTyped(int index, std::uint8_t value);  // two digits typed on the selected cell

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void moveTo(int index, bool extend);
    void updateScrollRange();
    void scrollTo(int firstRow);
    [[nodiscard]] int visibleRows() const;
    [[nodiscard]] int rowPitch() const { return m_cellHeight + kGap; }
    [[nodiscard]] QRect cellArea() const;  // below the column headers, left of the scroll bar
    [[nodiscard]] QPoint origin() const { return contentsRect().topLeft(); }
    [[nodiscard]] int columnLeft(int column) const;
    void drawCentred(QPainter& painter, const QRect& cell, const QStaticText& text) const;
    [[nodiscard]] const QStaticText& rowText(int row) const;
    [[nodiscard]] const QStaticText& columnText(int column) const;

    static constexpr int kColumns = 16;
    static constexpr int kGap = 1;

    std::unique_ptr<GridCells> m_cells;
    Layout m_layout;
    bool m_readOnly = false;
    int m_anchor = -1;  // the other end of a range; -1 while a single byte is selected
    int m_firstRow = 0;  // the row shown first (Scrolling)
    int m_preferredRows = 32;
    HexTyping m_typing;
    QScrollBar* m_scrollBar = nullptr;
    std::array<QStaticText, 256> m_hexTexts;  // "00" ... "FF"
    std::array<QStaticText, kColumns> m_columnTexts;  // "0" ... "F" (Scrolling)
    std::vector<QStaticText> m_rowTexts;  // "000" ... "3F0" (Scrolling)
    QStaticText m_absentText;  // "--"
    int m_cellWidth = 26;
    int m_cellHeight = 19;
    int m_headerWidth = 30;
};

}  // namespace tessaro
