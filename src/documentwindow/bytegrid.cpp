#include "documentwindow/bytegrid.h"

#include "documentwindow/celltooltip.h"
#include "core/hex.h"
#include "document/documenteditor.h"
#include "documentwindow/markcolours.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace tessaro {

namespace {
constexpr int kColumns = 16;
constexpr int kGap = 1;

}  // namespace

ByteGrid::ByteGrid(const DocumentEditor& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
{
    const QFontMetrics metrics(font());
    m_cellWidth = std::max(26, metrics.horizontalAdvance(QStringLiteral("WW")) + 8);
    m_cellHeight = std::max(19, metrics.height() + 4);
    m_headerWidth = m_cellWidth + 4;
    for (int v = 0; v < 256; ++v) {
        QStaticText& text = m_hexTexts[static_cast<std::size_t>(v)];
        text.setText(QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(v))));
        text.setTextFormat(Qt::PlainText);
        text.setPerformanceHint(QStaticText::AggressiveCaching);
        text.prepare(QTransform(), font());
    }
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

int ByteGrid::selectionFirst() const
{
    return m_anchor < 0 ? m_editor.currentByte() : std::min(m_anchor, m_editor.currentByte());
}

int ByteGrid::selectionLast() const
{
    return m_anchor < 0 ? m_editor.currentByte() : std::max(m_anchor, m_editor.currentByte());
}

void ByteGrid::collapseSelection()
{
    m_anchor = -1;
    m_typing.abandon();
    update();
}

// A click or a navigation key: with `extend` the anchor stays (or is set at
// the byte selected so far), otherwise the range collapses to the new byte.
void ByteGrid::moveTo(int index, bool extend)
{
    m_typing.abandon();
    if (extend && m_anchor < 0)
        m_anchor = m_editor.currentByte();
    else if (!extend)
        m_anchor = -1;
    emit cellClicked(index);
    if (m_anchor == index)
        m_anchor = -1;
    update();
}

QSize ByteGrid::sizeHint() const
{
    return {m_headerWidth + kColumns * (m_cellWidth + kGap) + kGap, m_cellHeight + kColumns * (m_cellHeight + kGap) + kGap};
}

QRect ByteGrid::cellRect(int index) const
{
    const int row = index / kColumns;
    const int column = index % kColumns;
    return {m_headerWidth + kGap + column * (m_cellWidth + kGap), m_cellHeight + kGap + row * (m_cellHeight + kGap),
            m_cellWidth, m_cellHeight};
}

QRect ByteGrid::headerRect(int header) const
{
    if (header < kColumns)
        return {m_headerWidth + kGap + header * (m_cellWidth + kGap), 0, m_cellWidth, m_cellHeight};
    const int row = header - kColumns;
    return {0, m_cellHeight + kGap + row * (m_cellHeight + kGap), m_headerWidth - 2, m_cellHeight};
}

int ByteGrid::cellAt(const QPoint& pos) const
{
    const int column = (pos.x() - m_headerWidth - kGap) / (m_cellWidth + kGap);
    const int row = (pos.y() - m_cellHeight - kGap) / (m_cellHeight + kGap);
    if (pos.x() < m_headerWidth + kGap || pos.y() < m_cellHeight + kGap || column >= kColumns || row >= kColumns)
        return -1;
    const int index = row * kColumns + column;
    return cellRect(index).contains(pos) ? index : -1;
}

int ByteGrid::headerAt(const QPoint& pos) const
{
    for (int h = 0; h < 2 * kColumns; ++h) {
        if (headerRect(h).contains(pos))
            return h;
    }
    return -1;
}

void ByteGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const QColor face = palette().color(QPalette::Button);
    const QColor faceText = palette().color(QPalette::ButtonText);
    const QColor frame = palette().color(QPalette::Mid);

    for (int h = 0; h < 2 * kColumns; ++h) {
        const QRect r = headerRect(h);
        if (!r.intersects(event->rect()))
            continue;
        const bool highlighted = h >= kColumns && h - kColumns == m_editor.highlightedRow();
        painter.fillRect(r, highlighted ? kSelectedColour : face);
        painter.setPen(faceText);
        drawHex(painter, r, h < kColumns ? h : (h - kColumns) * kColumns);
    }

    const SpdDocument& doc = m_editor.document();
    const SpdImage& image = doc.image();
    const int first = selectionFirst();
    const int last = selectionLast();
    for (int i = 0; i < kSpdSize; ++i) {
        const QRect r = cellRect(i);
        if (!r.intersects(event->rect()))
            continue;
        const bool current = i == m_editor.currentByte();
        const QColor background = current                  ? kSelectedColour
                                  : i >= first && i <= last ? kRangeColour
                                                            : MarkColour(doc.mark(i), face);
        painter.fillRect(r, background);
        painter.setPen(frame);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(m_editor.cellText(i) == CellText::Red ? kSelectedColour : faceText);
        if (m_editor.cellText(i) == CellText::Red && current)
            painter.setPen(Qt::white);  // red text on the red selection would vanish
        if (current && m_typing.pending())
            painter.drawText(r, Qt::AlignCenter, QString::number(m_typing.heldDigit(), 16).toUpper() + QLatin1Char('_'));
        else
            drawHex(painter, r, image[static_cast<std::size_t>(i)]);
    }
}

// The two digits of a value centred in a cell (headers use the same texts:
// column h is "0h", row r is "r0").
void ByteGrid::drawHex(QPainter& painter, const QRect& cell, int value) const
{
    const QStaticText& text = m_hexTexts[static_cast<std::size_t>(value & 0xFF)];
    const QSizeF size = text.size();
    painter.drawStaticText(QPointF(cell.x() + (cell.width() - size.width()) / 2.0,
                                   cell.y() + (cell.height() - size.height()) / 2.0),
                           text);
}

void ByteGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    if (const int cell = cellAt(pos); cell >= 0)
        moveTo(cell, event->modifiers() & Qt::ShiftModifier);
    else if (const int header = headerAt(pos); header >= 0)
        emit headerClicked(header);
}

void ByteGrid::keyPressEvent(QKeyEvent* event)
{
    const int current = m_editor.currentByte();
    if (const auto target = NavigationTarget(*event, current, kSpdSize, kColumns)) {
        moveTo(*target, event->modifiers() & Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_typing.pending()) {
        m_typing.abandon();
        update(cellRect(current));
        event->accept();
        return;
    }
    if (const int digit = TypedHexDigit(*event); digit >= 0) {
        m_anchor = -1;
        if (const auto value = m_typing.digit(digit))
            emit byteTyped(current, *value);
        update();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ByteGrid::event(QEvent* event)
{
    if (ShowCellToolTip(
            event, this, [this](const QPoint& at) { return cellAt(at); },
            [this](int cell) { return cellRect(cell); }, [](int cell) { return QStringLiteral("Byte%1").arg(cell); }))
        return true;
    return QWidget::event(event);
}

}  // namespace tessaro
