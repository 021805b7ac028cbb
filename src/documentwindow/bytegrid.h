#pragma once

#include "documentwindow/gridkeys.h"

#include <QStaticText>
#include <QWidget>

#include <array>
#include <cstdint>

namespace tessaro {

class DocumentEditor;
class SpdDocument;

// The 16 x 16 grid of the "SPD 值" frame: column headers "00"-"0F", row headers
// "00"-"F0" and the 256 byte cells, painted in one widget. A cell shows its byte
// as two hex digits on its mark's colour, red while it is the selected byte;
// its tool tip is "Byte" and its number. It takes the keyboard focus: the
// navigation keys select bytes as clicks do (PgUp/PgDn move by the whole grid,
// 16 rows, so they reach the first or last row), two hexadecimal digits typed
// on the selected cell store a byte, Esc abandons a half-typed one. Shift with
// a click or a navigation key selects the range from the anchor to the byte.
class ByteGrid : public QWidget
{
    Q_OBJECT
public:
    explicit ByteGrid(const DocumentEditor& editor, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

    // Geometry, for clicks in tests and for the tool tips.
    [[nodiscard]] QRect cellRect(int index) const;
    [[nodiscard]] QRect headerRect(int header) const;  // 0-15 columns, 16-31 rows
    [[nodiscard]] int cellAt(const QPoint& pos) const;    // -1 when none
    [[nodiscard]] int headerAt(const QPoint& pos) const;  // -1 when none

    // The selected range: from the anchor to the selected byte, in either
    // order; a single byte while no range is drawn.
    [[nodiscard]] int selectionFirst() const;
    [[nodiscard]] int selectionLast() const;
    void setSelectionAnchor(int index) { m_anchor = index; update(); }
    void collapseSelection();  // back to the selected byte alone, any half-typed digit abandoned
    [[nodiscard]] int heldDigit() const { return m_typing.heldDigit(); }  // -1 when none

signals:
    void cellClicked(int index);  // a click or a navigation key; Shift keeps the anchor
    void headerClicked(int header);
    void byteTyped(int index, std::uint8_t value);  // two digits typed on the selected cell

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void drawHex(QPainter& painter, const QRect& cell, int value) const;
    void moveTo(int index, bool extend);

    const DocumentEditor& m_editor;
    std::array<QStaticText, 256> m_hexTexts;  // "00" ... "FF", laid out once
    int m_cellWidth = 26;
    int m_cellHeight = 19;
    int m_headerWidth = 30;
    int m_anchor = -1;  // the other end of a range; -1 while a single byte is selected
    HexTyping m_typing;
};

}  // namespace tessaro
