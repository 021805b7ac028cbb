#include "documentwindow/bytegrid.h"

#include "core/hex.h"
#include "documentwindow/celltooltip.h"
#include "documentwindow/markcolours.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

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

ByteGrid::ByteGrid(std::unique_ptr<GridCells> cells, Layout layout, QWidget* parent)
    : QFrame(parent)
    , m_cells(std::move(cells))
    , m_layout(layout)
{
    const QFontMetrics metrics(font());
    m_cellWidth = std::max(26, metrics.horizontalAdvance(QStringLiteral("WW")) + 8);
    m_cellHeight = std::max(19, metrics.height() + 4);
    for (int v = 0; v < 256; ++v)
        Prepare(m_hexTexts[static_cast<std::size_t>(v)], QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(v))), font());
    Prepare(m_absentText, QStringLiteral("--"), font());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    if (m_layout == Layout::Spd256) {
        m_headerWidth = m_cellWidth + 4;
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return;
    }
    m_headerWidth = std::max(36, metrics.horizontalAdvance(QStringLiteral("3F0")) + 10);
    for (int c = 0; c < kColumns; ++c)
        Prepare(m_columnTexts[static_cast<std::size_t>(c)], QString::number(c, 16).toUpper(), font());
    m_rowTexts.resize(static_cast<std::size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r)
        Prepare(m_rowTexts[static_cast<std::size_t>(r)], rowHeaderText(r), font());
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &ByteGrid::scrollTo);
    updateScrollRange();
}

ByteGrid::~ByteGrid() = default;

void ByteGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    setFocusPolicy(readOnly ? Qt::NoFocus : Qt::StrongFocus);
}

int ByteGrid::rowCount() const
{
    return (m_cells->count() + kColumns - 1) / kColumns;
}

QString ByteGrid::rowHeaderText(int row)
{
    return QStringLiteral("%1").arg(row * kColumns, 3, 16, QLatin1Char('0')).toUpper();
}

QString ByteGrid::byteCaption(int index)
{
    return QStringLiteral("Byte %1h").arg(QString::number(index, 16).toUpper().rightJustified(3, QLatin1Char('0')));
}

// --- Size and geometry ---

QSize ByteGrid::sizeHint() const
{
    const int width = m_headerWidth + kGap + kColumns * (m_cellWidth + kGap);
    if (m_layout == Layout::Spd256)
        return {width, m_cellHeight + kColumns * rowPitch() + kGap};
    const int frame = 2 * frameWidth();
    return {width + frame + m_scrollBar->sizeHint().width(),
            m_cellHeight + kGap + std::min(rowCount(), m_preferredRows) * rowPitch() + kGap + frame};
}

QSize ByteGrid::minimumSizeHint() const
{
    if (m_layout == Layout::Spd256)
        return sizeHint();
    return {sizeHint().width(), m_cellHeight + kGap + std::min(rowCount(), 8) * rowPitch() + 2 * frameWidth()};
}

void ByteGrid::setPreferredRows(int rows)
{
    m_preferredRows = std::max(1, rows);
    updateGeometry();
}

int ByteGrid::heightForAllRows() const
{
    return m_cellHeight + kGap + rowCount() * rowPitch() + kGap + 2 * frameWidth();
}

int ByteGrid::columnLeft(int column) const
{
    return origin().x() + m_headerWidth + kGap + column * (m_cellWidth + kGap);
}

QRect ByteGrid::cellArea() const
{
    // The fixed grid has its size before any layout gives it one.
    const QRect contents = m_layout == Layout::Spd256 ? QRect(QPoint(0, 0), sizeHint()) : contentsRect();
    const int top = m_cellHeight + kGap;
    const int bar = m_scrollBar != nullptr ? m_scrollBar->width() : 0;
    return {contents.x(), contents.y() + top, contents.width() - bar, contents.height() - top};
}

QRect ByteGrid::cellRect(int index) const
{
    const int row = index / kColumns;
    return {columnLeft(index % kColumns), cellArea().top() + (row - m_firstRow) * rowPitch(), m_cellWidth, m_cellHeight};
}

int ByteGrid::cellAt(const QPoint& pos) const
{
    const QRect area = cellArea();
    if (!area.contains(pos) || pos.x() < columnLeft(0))
        return -1;
    const int column = (pos.x() - columnLeft(0)) / (m_cellWidth + kGap);
    const int row = m_firstRow + (pos.y() - area.top()) / rowPitch();
    const int index = row * kColumns + column;
    if (column >= kColumns || index >= m_cells->count())
        return -1;
    return cellRect(index).contains(pos) ? index : -1;
}

QRect ByteGrid::headerRect(int header) const
{
    if (header < kColumns)
        return {columnLeft(header), origin().y(), m_cellWidth, m_cellHeight};
    return {origin().x(), cellArea().top() + (header - kColumns - m_firstRow) * rowPitch(), m_headerWidth - 2, m_cellHeight};
}

int ByteGrid::headerAt(const QPoint& pos) const
{
    if (m_layout != Layout::Spd256)
        return -1;
    for (int h = 0; h < 2 * kColumns; ++h) {
        if (headerRect(h).contains(pos))
            return h;
    }
    return -1;
}

int ByteGrid::visibleRows() const
{
    return std::max(1, cellArea().height() / rowPitch());
}

bool ByteGrid::isCellVisible(int index) const
{
    const int row = index / kColumns;
    return row >= m_firstRow && row < m_firstRow + visibleRows();
}

QString ByteGrid::cellText(int index) const
{
    const int value = m_cells->byteAt(index);
    return value < 0 ? m_absentText.text() : m_hexTexts[static_cast<std::size_t>(value)].text();
}

// --- Scrolling ---

void ByteGrid::updateScrollRange()
{
    if (m_scrollBar == nullptr)
        return;
    m_scrollBar->setRange(0, std::max(0, rowCount() - visibleRows()));
    m_scrollBar->setPageStep(visibleRows());
}

void ByteGrid::scrollTo(int firstRow)
{
    if (firstRow == m_firstRow)
        return;
    const int dy = (m_firstRow - firstRow) * rowPitch();
    m_firstRow = firstRow;
    const QRect area = cellArea();
    if (std::abs(dy) < area.height())
        scroll(0, dy, area);  // the column headers stay
    else
        update(area);
}

void ByteGrid::scrollToCell(int index)
{
    if (m_scrollBar == nullptr || index < 0)
        return;
    const int row = index / kColumns;
    if (row < m_firstRow)
        m_scrollBar->setValue(row);
    else if (row >= m_firstRow + visibleRows())
        m_scrollBar->setValue(row - visibleRows() + 1);
}

void ByteGrid::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (m_scrollBar == nullptr)
        return;
    const QRect contents = contentsRect();
    const int width = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(contents.right() - width + 1, contents.top(), width, contents.height());
    updateScrollRange();
}

void ByteGrid::wheelEvent(QWheelEvent* event)
{
    if (m_scrollBar != nullptr)
        QCoreApplication::sendEvent(m_scrollBar, event);
    else
        QFrame::wheelEvent(event);
}

// --- Selection ---

void ByteGrid::setCurrentByte(int index)
{
    if (m_cells->count() <= 0)
        return;
    index = std::clamp(index, 0, m_cells->count() - 1);
    const int previous = currentByte();
    if (index != previous) {
        m_typing.abandon();
        if (previous >= 0)
            updateCell(previous);
    }
    m_cells->setCurrentByte(index);
    updateCell(index);
    scrollToCell(index);
    emit currentByteChanged(index);
}

void ByteGrid::selectRange(int first, int last)
{
    collapseSelection();
    scrollToCell(last);
    setCurrentByte(first);
    if (last != first)
        setSelectionAnchor(last);
}

void ByteGrid::setSelectionAnchor(int index)
{
    m_anchor = index < 0 || m_cells->count() <= 0 ? -1 : std::clamp(index, 0, m_cells->count() - 1);
    update();
}

void ByteGrid::collapseSelection()
{
    if (m_anchor >= 0 || m_typing.pending())
        update();
    m_anchor = -1;
    m_typing.abandon();
}

// A click or a navigation key: with `extend` the anchor stays (or is set at
// the byte selected so far), otherwise the range collapses to the new byte.
void ByteGrid::moveTo(int index, bool extend)
{
    m_typing.abandon();
    const bool hadRange = m_anchor >= 0;
    if (extend && m_anchor < 0)
        m_anchor = currentByte();
    else if (!extend)
        m_anchor = -1;
    setCurrentByte(index);
    if (m_anchor == currentByte())
        m_anchor = -1;
    if (hadRange || m_anchor >= 0)
        update();
}

void ByteGrid::updateCell(int index)
{
    update(cellRect(index));
}

// --- Painting ---

const QStaticText& ByteGrid::rowText(int row) const
{
    if (m_layout == Layout::Spd256)
        return m_hexTexts[static_cast<std::size_t>((row * kColumns) & 0xFF)];
    return m_rowTexts[static_cast<std::size_t>(row)];
}

const QStaticText& ByteGrid::columnText(int column) const
{
    return m_layout == Layout::Spd256 ? m_hexTexts[static_cast<std::size_t>(column)]
                                      : m_columnTexts[static_cast<std::size_t>(column)];
}

void ByteGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Window));
    if (frameShape() != QFrame::NoFrame)
        drawFrame(&painter);
    const QColor face = palette().color(QPalette::Button);
    const QColor faceText = palette().color(QPalette::ButtonText);
    const QColor absentText = palette().color(QPalette::Disabled, QPalette::ButtonText);
    const QColor frame = palette().color(QPalette::Mid);

    painter.setPen(faceText);
    for (int c = 0; c < kColumns; ++c) {
        const QRect r = headerRect(c);
        if (!r.intersects(dirty))
            continue;
        painter.fillRect(r, face);
        drawCentred(painter, r, columnText(c));
    }

    const QRect area = cellArea();
    painter.setClipRect(area.intersected(dirty));
    const int firstRow = m_firstRow + std::max(0, (std::max(dirty.top(), area.top()) - area.top()) / rowPitch());
    const int lastRow = std::min(rowCount() - 1, m_firstRow + (dirty.bottom() - area.top()) / rowPitch());
    const int count = m_cells->count();
    const int current = currentByte();
    const int first = selectionFirst();
    const int last = selectionLast();
    const int highlighted = m_cells->highlightedRow();
    for (int row = firstRow; row <= lastRow; ++row) {
        const QRect header = headerRect(kColumns + row);
        if (header.intersects(dirty)) {
            painter.fillRect(header, row == highlighted ? kSelectedColour : face);
            painter.setPen(faceText);
            drawCentred(painter, header, rowText(row));
        }
        for (int column = 0; column < kColumns; ++column) {
            const int index = row * kColumns + column;
            if (index >= count)
                break;
            const QRect r = cellRect(index);
            if (!r.intersects(dirty))
                continue;
            const bool isCurrent = index == current;
            const bool marked = m_cells->selected(index);
            const int value = m_cells->byteAt(index);
            const bool red = m_cells->redText(index);
            painter.fillRect(r, isCurrent                            ? kSelectedColour
                                : index >= first && index <= last ? kRangeColour
                                : marked                           ? kSelectedColour
                                                                   : m_cells->background(index, face));
            painter.setPen(frame);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            // Light text where red text or the marked selection would vanish on red.
            if (value < 0)
                painter.setPen(isCurrent ? faceText : marked ? QColor(Qt::white) : absentText);
            else if (red)
                painter.setPen(isCurrent || marked ? QColor(Qt::white) : kSelectedColour);
            else
                painter.setPen(marked ? QColor(Qt::white) : faceText);
            if (isCurrent && m_typing.pending())
                painter.drawText(r, Qt::AlignCenter, QString::number(m_typing.heldDigit(), 16).toUpper() + QLatin1Char('_'));
            else
                drawCentred(painter, r, value < 0 ? m_absentText : m_hexTexts[static_cast<std::size_t>(value)]);
        }
    }
}

void ByteGrid::drawCentred(QPainter& painter, const QRect& cell, const QStaticText& text) const
{
    const QSizeF size = text.size();
    painter.drawStaticText(QPointF(cell.x() + (cell.width() - size.width()) / 2.0,
                                   cell.y() + (cell.height() - size.height()) / 2.0),
                           text);
}

// --- Mouse and keys ---

void ByteGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const int cell = cellAt(pos);
    if (m_readOnly) {
        if (cell >= 0)
            emit cellClicked(cell);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (cell >= 0)
        moveTo(cell, event->modifiers() & Qt::ShiftModifier);
    else if (const int header = headerAt(pos); header >= 0)
        emit headerClicked(header);
}

void ByteGrid::keyPressEvent(QKeyEvent* event)
{
    const int current = currentByte();
    if (m_readOnly || current < 0) {
        QFrame::keyPressEvent(event);
        return;
    }
    const int pageRows = m_layout == Layout::Spd256 ? kColumns : visibleRows();
    if (const auto target = NavigationTarget(*event, current, m_cells->count(), pageRows)) {
        moveTo(*target, event->modifiers() & Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_typing.pending()) {
        m_typing.abandon();
        updateCell(current);
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
    QFrame::keyPressEvent(event);
}

bool ByteGrid::event(QEvent* event)
{
    const bool spd256 = m_layout == Layout::Spd256;
    if (ShowCellToolTip(
            event, this, [this](const QPoint& at) { return cellAt(at); }, [this](int cell) { return cellRect(cell); },
            [spd256](int cell) { return spd256 ? QStringLiteral("Byte%1").arg(cell) : byteCaption(cell); }))
        return true;
    return QFrame::event(event);
}

}  // namespace tessaro
