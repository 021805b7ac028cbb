#pragma once

#include <QStaticText>
#include <QWidget>

#include <array>

namespace tessaro {

class DocumentEditor;
class SpdDocument;

// The 16 x 16 grid of the "SPD 值" frame: column headers "00"-"0F", row headers
// "00"-"F0" and the 256 byte cells, painted in one widget. A cell shows its byte
// as two hex digits on its mark's colour, red while it is the selected byte;
// its tool tip is "Byte" and its number.
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

signals:
    void cellClicked(int index);
    void headerClicked(int header);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void drawHex(QPainter& painter, const QRect& cell, int value) const;

    const DocumentEditor& m_editor;
    std::array<QStaticText, 256> m_hexTexts;  // "00" ... "FF", laid out once
    int m_cellWidth = 26;
    int m_cellHeight = 19;
    int m_headerWidth = 30;
};

}  // namespace tessaro
