#include "document/bytegrid.h"

#include "core/hex.h"
#include "document/documenteditor.h"
#include "document/markcolours.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace tessaro {

namespace {
constexpr int kColumns = 16;
constexpr int kGap = 1;

const char* const kColumnHeaders[kColumns] = {"00", "01", "02", "03", "04", "05", "06", "07",
                                              "08", "09", "0A", "0B", "0C", "0D", "0E", "0F"};
const char* const kRowHeaders[kColumns] = {"00", "10", "20", "30", "40", "50", "60", "70",
                                           "80", "90", "A0", "B0", "C0", "D0", "E0", "F0"};
}  // namespace

ByteGrid::ByteGrid(const DocumentEditor& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
{
    const QFontMetrics metrics(font());
    m_cellWidth = std::max(26, metrics.horizontalAdvance(QStringLiteral("WW")) + 8);
    m_cellHeight = std::max(19, metrics.height() + 4);
    m_headerWidth = m_cellWidth + 4;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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
        painter.drawText(r, Qt::AlignCenter,
                         QString::fromLatin1(h < kColumns ? kColumnHeaders[h] : kRowHeaders[h - kColumns]));
    }

    const SpdDocument& doc = m_editor.document();
    const SpdImage& image = doc.image();
    char digits[3] = {};
    for (int i = 0; i < kSpdSize; ++i) {
        const QRect r = cellRect(i);
        if (!r.intersects(event->rect()))
            continue;
        const QColor background = i == m_editor.currentByte() ? kSelectedColour : MarkColour(doc.mark(i), face);
        painter.fillRect(r, background);
        painter.setPen(frame);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(m_editor.cellText(i) == CellText::Red ? kSelectedColour : faceText);
        if (m_editor.cellText(i) == CellText::Red && i == m_editor.currentByte())
            painter.setPen(Qt::white);  // red text on the red selection would vanish
        const std::uint8_t v = image[static_cast<std::size_t>(i)];
        digits[0] = "0123456789ABCDEF"[v >> 4];
        digits[1] = "0123456789ABCDEF"[v & 0xF];
        painter.drawText(r, Qt::AlignCenter, QString::fromLatin1(digits, 2));
    }
}

void ByteGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (const int cell = cellAt(pos); cell >= 0)
        emit cellClicked(cell);
    else if (const int header = headerAt(pos); header >= 0)
        emit headerClicked(header);
}

bool ByteGrid::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int cell = cellAt(help->pos());
        if (cell >= 0)
            QToolTip::showText(help->globalPos(), QStringLiteral("Byte%1").arg(cell), this, cellRect(cell));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace tessaro
