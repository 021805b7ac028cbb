#pragma once

#include "documentwindow/gridkeys.h"

#include <QAbstractScrollArea>
#include <QStaticText>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tessaro {

class ModuleDocument;

// The byte grid of a 512- or 1024-byte image: column headers "0"-"F" that stay
// in place, row headers "000"-"3F0" and one cell per byte, 16 to a row, in a
// frame that scrolls vertically. A cell shows its byte as two hex digits on its
// mark's colour, red while it is the selected byte; a byte the image lacks (a
// truncated image) shows "--". Mouse clicks, the arrow keys, PgUp/PgDn and
// Home/End (Ctrl: the first or last byte) move the selection, which is always
// scrolled into view; Shift with a click or a key selects a range from the
// anchor. Two hexadecimal digits typed on the selected cell store a byte (the
// first shows half typed, Esc abandons it).
class ModuleByteGrid : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit ModuleByteGrid(const ModuleDocument& document, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    [[nodiscard]] int rowCount() const;
    [[nodiscard]] int currentByte() const { return m_current; }
    // Selects a byte (clamped to the image) and scrolls it into view.
    void setCurrentByte(int index);
    // Redraws one cell (its byte or mark changed).
    void updateCell(int index);
    // The selected range, from the anchor to the selected byte in either order.
    [[nodiscard]] int selectionFirst() const { return m_anchor < 0 ? m_current : std::min(m_anchor, m_current); }
    [[nodiscard]] int selectionLast() const { return m_anchor < 0 ? m_current : std::max(m_anchor, m_current); }
    void setSelectionAnchor(int index);
    void collapseSelection();  // back to the selected byte alone, any half-typed digit abandoned
    [[nodiscard]] int heldDigit() const { return m_typing.heldDigit(); }  // -1 when none

    // Geometry in viewport coordinates, for clicks in tests.
    [[nodiscard]] QRect cellRect(int index) const;
    [[nodiscard]] int cellAt(const QPoint& pos) const;  // -1 when none
    // What a cell shows: two hex digits, "--" for a byte the image lacks.
    [[nodiscard]] QString cellText(int index) const;
    // Whether the whole cell lies in the visible part of the cell area.
    [[nodiscard]] bool isCellVisible(int index) const;
    // The row-header text of a row ("000", "1F0"), as painted.
    [[nodiscard]] static QString rowHeaderText(int row);
    // "Byte 1A2h": the selected-byte caption and a cell's tool tip.
    [[nodiscard]] static QString byteCaption(int index);

signals:
    void currentByteChanged(int index);
    void byteTyped(int index, std::uint8_t value);  // two digits typed on the selected cell

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollRange();
    void moveTo(int index, bool extend);
    void ensureCellVisible(int index);
    [[nodiscard]] int cellsTop() const { return m_cellHeight + kGap; }
    [[nodiscard]] int rowPitch() const { return m_cellHeight + kGap; }
    [[nodiscard]] int visibleRows() const;
    static void drawCentred(QPainter& painter, const QRect& cell, const QStaticText& text);

    static constexpr int kColumns = 16;
    static constexpr int kGap = 1;

    const ModuleDocument& m_document;
    int m_current = 0;
    int m_anchor = -1;  // the other end of a range; -1 while a single byte is selected
    HexTyping m_typing;
    std::array<QStaticText, 256> m_hexTexts;  // "00" ... "FF"
    std::array<QStaticText, kColumns> m_columnTexts;  // "0" ... "F"
    std::vector<QStaticText> m_rowTexts;  // "000" ... "3F0"
    QStaticText m_absentText;  // "--"
    int m_cellWidth = 26;
    int m_cellHeight = 19;
    int m_headerWidth = 36;
};

}  // namespace tessaro
