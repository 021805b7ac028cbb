#include "documentwindow/modulebytegrid.h"

#include "documentwindow/celltooltip.h"
#include "core/hex.h"
#include "document/moduledocument.h"
#include "documentwindow/markcolours.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace tessaro {

namespace {

void Prepare(QStaticText& text, const QString& value, const QFont& font)
{
    text.setText(value);
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font);
}

}  // namespace

ModuleByteGrid::ModuleByteGrid(const ModuleDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_document(document)
{
    const QFont& cellFont = font();
    const QFontMetrics metrics(cellFont);
    m_cellWidth = std::max(26, metrics.horizontalAdvance(QStringLiteral("WW")) + 8);
    m_cellHeight = std::max(19, metrics.height() + 4);
    m_headerWidth = std::max(36, metrics.horizontalAdvance(QStringLiteral("3F0")) + 10);
    for (int v = 0; v < 256; ++v)
        Prepare(m_hexTexts[static_cast<std::size_t>(v)], QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(v))), cellFont);
    for (int c = 0; c < kColumns; ++c)
        Prepare(m_columnTexts[static_cast<std::size_t>(c)], QString::number(c, 16).toUpper(), cellFont);
    m_rowTexts.resize(static_cast<std::size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r)
        Prepare(m_rowTexts[static_cast<std::size_t>(r)], rowHeaderText(r), cellFont);
    Prepare(m_absentText, QStringLiteral("--"), cellFont);

    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    verticalScrollBar()->setSingleStep(rowPitch());
    updateScrollRange();
}

int ModuleByteGrid::rowCount() const
{
    return (m_document.size() + kColumns - 1) / kColumns;
}

QString ModuleByteGrid::rowHeaderText(int row)
{
    return QStringLiteral("%1").arg(row * kColumns, 3, 16, QLatin1Char('0')).toUpper();
}

QString ModuleByteGrid::byteCaption(int index)
{
    return QStringLiteral("Byte %1h").arg(QString::number(index, 16).toUpper().rightJustified(3, QLatin1Char('0')));
}

QSize ModuleByteGrid::sizeHint() const
{
    const int frame = 2 * frameWidth();
    const int width = m_headerWidth + kGap + kColumns * (m_cellWidth + kGap) + frame + verticalScrollBar()->sizeHint().width();
    return {width, cellsTop() + std::min(rowCount(), 32) * rowPitch() + kGap + frame};
}

QSize ModuleByteGrid::minimumSizeHint() const
{
    return {sizeHint().width(), cellsTop() + 8 * rowPitch() + 2 * frameWidth()};
}

QRect ModuleByteGrid::cellRect(int index) const
{
    const int row = index / kColumns;
    const int column = index % kColumns;
    return {m_headerWidth + kGap + column * (m_cellWidth + kGap),
            cellsTop() + row * rowPitch() - verticalScrollBar()->value(), m_cellWidth, m_cellHeight};
}

int ModuleByteGrid::cellAt(const QPoint& pos) const
{
    if (pos.x() < m_headerWidth + kGap || pos.y() < cellsTop())
        return -1;
    const int column = (pos.x() - m_headerWidth - kGap) / (m_cellWidth + kGap);
    const int row = (pos.y() - cellsTop() + verticalScrollBar()->value()) / rowPitch();
    if (column >= kColumns || row >= rowCount())
        return -1;
    const int index = row * kColumns + column;
    return index < m_document.size() && cellRect(index).contains(pos) ? index : -1;
}

QString ModuleByteGrid::cellText(int index) const
{
    return index < m_document.bytesPresent() ? m_hexTexts[m_document.bytes()[static_cast<std::size_t>(index)]].text()
                                             : m_absentText.text();
}

bool ModuleByteGrid::isCellVisible(int index) const
{
    const QRect cell = cellRect(index);
    return cell.top() >= cellsTop() && cell.bottom() <= viewport()->height() - 1;
}

int ModuleByteGrid::visibleRows() const
{
    return std::max(1, (viewport()->height() - cellsTop()) / rowPitch());
}

void ModuleByteGrid::updateScrollRange()
{
    const int content = rowCount() * rowPitch();
    const int shown = std::max(0, viewport()->height() - cellsTop());
    verticalScrollBar()->setRange(0, std::max(0, content - shown));
    verticalScrollBar()->setPageStep(std::max(rowPitch(), shown));
}

void ModuleByteGrid::setCurrentByte(int index)
{
    index = std::clamp(index, 0, m_document.size() - 1);
    if (index != m_current) {
        m_typing.abandon();
        updateCell(m_current);
        m_current = index;
        updateCell(m_current);
    }
    ensureCellVisible(m_current);
    emit currentByteChanged(m_current);
}

void ModuleByteGrid::setSelectionAnchor(int index)
{
    m_anchor = index < 0 ? -1 : std::clamp(index, 0, m_document.size() - 1);
    viewport()->update();
}

void ModuleByteGrid::collapseSelection()
{
    if (m_anchor >= 0 || m_typing.pending())
        viewport()->update();
    m_anchor = -1;
    m_typing.abandon();
}

// A click or a navigation key: with `extend` the anchor stays (or is set at
// the byte selected so far), otherwise the range collapses to the new byte.
void ModuleByteGrid::moveTo(int index, bool extend)
{
    m_typing.abandon();
    const bool hadRange = m_anchor >= 0;
    if (extend && m_anchor < 0)
        m_anchor = m_current;
    else if (!extend)
        m_anchor = -1;
    setCurrentByte(index);
    if (m_anchor == m_current)
        m_anchor = -1;
    if (hadRange || m_anchor >= 0)
        viewport()->update();
}

void ModuleByteGrid::updateCell(int index)
{
    viewport()->update(cellRect(index));
}

void ModuleByteGrid::ensureCellVisible(int index)
{
    const int top = (index / kColumns) * rowPitch();
    const int shown = std::max(rowPitch(), viewport()->height() - cellsTop());
    QScrollBar* bar = verticalScrollBar();
    if (top < bar->value())
        bar->setValue(top);
    else if (top + rowPitch() > bar->value() + shown)
        bar->setValue(top + rowPitch() - shown);
}

void ModuleByteGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void ModuleByteGrid::scrollContentsBy(int /*dx*/, int dy)
{
    // The column headers stay; rows and their headers move.
    const QRect cells(0, cellsTop(), viewport()->width(), viewport()->height() - cellsTop());
    viewport()->scroll(0, dy, cells);
}

void ModuleByteGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Window));
    const QColor face = palette().color(QPalette::Button);
    const QColor faceText = palette().color(QPalette::ButtonText);
    const QColor absentText = palette().color(QPalette::Disabled, QPalette::ButtonText);
    const QColor frame = palette().color(QPalette::Mid);

    painter.setPen(faceText);
    for (int c = 0; c < kColumns; ++c) {
        const QRect r(m_headerWidth + kGap + c * (m_cellWidth + kGap), 0, m_cellWidth, m_cellHeight);
        if (!r.intersects(dirty))
            continue;
        painter.fillRect(r, face);
        drawCentred(painter, r, m_columnTexts[static_cast<std::size_t>(c)]);
    }

    painter.setClipRect(QRect(0, cellsTop(), viewport()->width(), viewport()->height() - cellsTop()).intersected(dirty));
    const int scroll = verticalScrollBar()->value();
    const int firstRow = std::max(0, (std::max(dirty.top(), cellsTop()) - cellsTop() + scroll) / rowPitch());
    const int lastRow = std::min(rowCount() - 1, (dirty.bottom() - cellsTop() + scroll) / rowPitch());
    const int present = m_document.bytesPresent();
    const int size = m_document.size();
    for (int row = firstRow; row <= lastRow; ++row) {
        const QRect header(0, cellsTop() + row * rowPitch() - scroll, m_headerWidth - 2, m_cellHeight);
        if (header.intersects(dirty)) {
            painter.fillRect(header, face);
            painter.setPen(faceText);
            drawCentred(painter, header, m_rowTexts[static_cast<std::size_t>(row)]);
        }
        for (int column = 0; column < kColumns; ++column) {
            const int index = row * kColumns + column;
            if (index >= size)
                break;
            const QRect r = cellRect(index);
            if (!r.intersects(dirty))
                continue;
            const bool selected = index == m_current;
            const bool inRange = index >= selectionFirst() && index <= selectionLast();
            painter.fillRect(r, selected  ? kSelectedColour
                                : inRange ? kRangeColour
                                          : MarkColour(m_document.mark(index), face));
            painter.setPen(frame);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            if (selected && m_typing.pending()) {
                painter.setPen(faceText);
                painter.drawText(r, Qt::AlignCenter, QString::number(m_typing.heldDigit(), 16).toUpper() + QLatin1Char('_'));
            } else if (index < present) {
                painter.setPen(faceText);
                drawCentred(painter, r, m_hexTexts[m_document.bytes()[static_cast<std::size_t>(index)]]);
            } else {
                painter.setPen(selected ? faceText : absentText);
                drawCentred(painter, r, m_absentText);
            }
        }
    }
}

void ModuleByteGrid::drawCentred(QPainter& painter, const QRect& cell, const QStaticText& text)
{
    const QSizeF size = text.size();
    painter.drawStaticText(QPointF(cell.x() + (cell.width() - size.width()) / 2.0,
                                   cell.y() + (cell.height() - size.height()) / 2.0),
                           text);
}

void ModuleByteGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (const int cell = cellAt(event->position().toPoint()); cell >= 0)
        moveTo(cell, event->modifiers() & Qt::ShiftModifier);
}

void ModuleByteGrid::keyPressEvent(QKeyEvent* event)
{
    if (const auto target = NavigationTarget(*event, m_current, m_document.size(), visibleRows())) {
        moveTo(*target, event->modifiers() & Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_typing.pending()) {
        m_typing.abandon();
        updateCell(m_current);
        event->accept();
        return;
    }
    if (const int digit = TypedHexDigit(*event); digit >= 0) {
        if (m_anchor >= 0)
            viewport()->update();
        m_anchor = -1;
        if (const auto value = m_typing.digit(digit))
            emit byteTyped(m_current, *value);
        updateCell(m_current);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

bool ModuleByteGrid::viewportEvent(QEvent* event)
{
    if (ShowCellToolTip(
            event, viewport(), [this](const QPoint& at) { return cellAt(at); },
            [this](int cell) { return cellRect(cell); }, [](int cell) { return byteCaption(cell); }))
        return true;
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace tessaro
