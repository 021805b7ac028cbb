#include "pinmapui/pinmapdrawings.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

// Geometry of the drawings, in logical units.
constexpr qreal kMargin = 6;
constexpr qreal kMinWidth = 620;
constexpr qreal kBoardHeight = 24;    // board strip with the contacts at its foot
constexpr qreal kContactHeight = 12;  // gold fingers
constexpr qreal kBoardEnd = 4;        // board beyond the outer contacts
constexpr int kKeySlots = 2;          // notch width in contact pitches
constexpr int kListColumns = 5;       // columns per side in the pin list
constexpr qreal kColumnGap = 2;
constexpr qreal kGroupGap = 8;
constexpr qreal kNameGap = 3;  // between pin number and name in a list cell

const QColor kBoardFill(222, 236, 220);
const QColor kBoardEdge(70, 110, 70);
const QColor kText(20, 20, 20);
const QColor kNumberInk(90, 90, 90);
const QColor kKeyInk(150, 60, 60);

QString Num(int n)
{
    return QString::number(n);
}

QString SideLabel(ModuleEdge edge, bool front)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    const std::vector<int> pins = EdgeSidePins(edge, front);
    const QString range = Num(pins.front()) + QLatin1Char('-') + Num(pins.back());
    if (info.numbering == EdgeNumbering::FrontThenBack) {
        return front ? QCoreApplication::translate("PinMapArt", "Front: pins %1").arg(range)
                     : QCoreApplication::translate("PinMapArt", "Back: pins %1 (pin %2 behind pin 1)").arg(range, Num(pins.front()));
    }
    return front ? QCoreApplication::translate("PinMapArt", "Front: odd pins %1").arg(range)
                 : QCoreApplication::translate("PinMapArt", "Back: even pins %1 (pin 2 behind pin 1)").arg(range);
}

// The widths of the pin list and of the picture, which is as wide as the
// list needs and at least kMinWidth.
struct ListColumns {
    qreal pictureWidth = kMinWidth;
    qreal numberWidth = 0;  // the widest pin number
    qreal columnWidth = 0;  // one column of cells, the picture's width shared out
};

ListColumns MeasureListColumns(ModuleEdge edge)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    qreal numberWidth = 0;
    qreal nameWidth = 0;
    for (int pin = 1; pin <= info.pinCount; ++pin) {
        numberWidth = std::max(numberWidth, PinMapTextWidth(Num(pin), kPinMapSmallPx));
        nameWidth = std::max(nameWidth, PinMapTextWidth(PinText(EdgePinName(edge, pin)), kPinMapSmallPx));
    }
    ListColumns columns;
    columns.numberWidth = std::ceil(numberWidth);
    const qreal widest = 1 + columns.numberWidth + kNameGap + std::ceil(nameWidth) + 1;
    const qreal listWidth = 2 * kMargin + 2 * kListColumns * widest + 2 * (kListColumns - 1) * kColumnGap + kGroupGap;
    columns.pictureWidth = std::ceil(std::max(kMinWidth, listWidth));
    columns.columnWidth =
        (columns.pictureWidth - 2 * kMargin - 2 * (kListColumns - 1) * kColumnGap - kGroupGap) / (2 * kListColumns);
    return columns;
}

// Lays out a connector's drawing from the top down: the heading, the two
// sides of the edge, the pin list, the legend.
class EdgeLayoutBuilder
{
public:
    explicit EdgeLayoutBuilder(ModuleEdge edge)
        : m_edge(edge)
        , m_info(EdgeInfo(edge))
        , m_perSide(m_info.pinCount / 2)
        , m_columns(MeasureListColumns(edge))
    {
    }

    EdgeArtLayout build()
    {
        addHeading();
        qreal y = 30;
        for (bool front : {true, false})
            y = addSide(front, y) + 4;
        y = addList(y + 2);
        y = addLegend(y + 7);
        m_layout.size = QSizeF(width(), std::ceil(y + 6));
        return std::move(m_layout);
    }

private:
    [[nodiscard]] qreal width() const { return m_columns.pictureWidth; }

    void addText(const QRectF& rect, const QString& text, int px, bool bold, int align, const QColor& ink)
    {
        m_layout.texts.push_back({rect, text, static_cast<qreal>(px), bold, ink, align, {}});
    }

    // A text of natural width starting at `x` (or ending there when right-aligned).
    static QRectF textRect(qreal x, qreal y, int px, bool bold, const QString& text, bool rightAligned = false)
    {
        const qreal w = std::ceil(PinMapTextWidth(text, px, bold)) + 1;
        const qreal h = px + 3;
        return rightAligned ? QRectF(x - w, y, w, h) : QRectF(x, y, w, h);
    }

    // The title on the left, where the key notch is on the right.
    void addHeading()
    {
        const QString title = PinText(m_info.title);
        addText(textRect(kMargin, 6, kPinMapTitlePx, true, title), title, kPinMapTitlePx, true, Qt::AlignLeft | Qt::AlignVCenter,
                kText);
        const KeyPins front = EdgeKeyPins(m_edge, true);
        const KeyPins back = EdgeKeyPins(m_edge, false);
        const QString key = QCoreApplication::translate("PinMapArt", "Key notch between pins %1/%2 (front) and %3/%4 (back)")
                                .arg(front.left)
                                .arg(front.right)
                                .arg(back.left)
                                .arg(back.right);
        addText(textRect(width() - kMargin, 9, kPinMapNamePx, false, key, true), key, kPinMapNamePx, false,
                Qt::AlignRight | Qt::AlignVCenter, kKeyInk);
    }

    // One side of the edge from `y`: label, board with contacts and notch,
    // pin numbers; returns the bottom.
    qreal addSide(bool front, qreal y)
    {
        const QString label = SideLabel(m_edge, front);
        addText(textRect(kMargin, y, kPinMapNamePx, true, label), label, kPinMapNamePx, true, Qt::AlignLeft | Qt::AlignVCenter,
                kText);
        y += kPinMapNamePx + 5;

        const QRectF board(kMargin, y, width() - 2 * kMargin, kBoardHeight);
        const qreal pitch = (board.width() - 2 * kBoardEnd) / (m_perSide + kKeySlots);
        const qreal contactTop = board.bottom() - kContactHeight;
        const qreal contactWidth = pitch * 0.66;
        auto slotLeft = [&](int position) {
            const int slot = position + (position >= m_info.contactsLeftOfKey ? kKeySlots : 0);
            return board.left() + kBoardEnd + slot * pitch;
        };
        for (int pin : EdgeSidePins(m_edge, front)) {
            const qreal x = slotLeft(EdgePosition(m_edge, pin)) + (pitch - contactWidth) / 2;
            m_layout.contacts.push_back({pin, QRectF(x, contactTop, contactWidth, kContactHeight)});
        }
        const qreal notchLeft = slotLeft(m_info.contactsLeftOfKey - 1) + pitch * 1.25;
        const qreal notchRight = slotLeft(m_info.contactsLeftOfKey) - pitch * 0.25;
        const QRectF notch(notchLeft, contactTop - 5, notchRight - notchLeft, board.bottom() - contactTop + 5);
        m_layout.sides.push_back({front, board, notch});
        return addSidePinNumbers(front, board, notch);
    }

    // The pin numbers under a side: at both ends and either side of the
    // notch; returns their bottom.
    qreal addSidePinNumbers(bool front, const QRectF& board, const QRectF& notch)
    {
        const std::vector<int> pins = EdgeSidePins(m_edge, front);
        const KeyPins key = EdgeKeyPins(m_edge, front);
        const qreal ny = board.bottom() + 2;
        const qreal markerWidth = front ? 9 : 0;  // the pin-1 triangle
        const QString first = Num(pins.front());
        const QString last = Num(pins.back());
        addText(textRect(board.left() + markerWidth, ny, kPinMapSmallPx, true, first), first, kPinMapSmallPx, true,
                Qt::AlignLeft | Qt::AlignVCenter, kText);
        addText(textRect(board.right(), ny, kPinMapSmallPx, true, last, true), last, kPinMapSmallPx, true,
                Qt::AlignRight | Qt::AlignVCenter, kText);
        addText(textRect(notch.left() - 1, ny, kPinMapSmallPx, false, Num(key.left), true), Num(key.left), kPinMapSmallPx, false,
                Qt::AlignRight | Qt::AlignVCenter, kKeyInk);
        addText(textRect(notch.right() + 1, ny, kPinMapSmallPx, false, Num(key.right)), Num(key.right), kPinMapSmallPx, false,
                Qt::AlignLeft | Qt::AlignVCenter, kKeyInk);
        return ny + kPinMapSmallPx + 3;
    }

    // The pin list from `y`: front pins in the left columns, back pins in the
    // right ones, the key notch as a slot between the pins either side of
    // it; returns the bottom.
    qreal addList(qreal y)
    {
        const int slotCount = m_perSide + 1;
        const int rows = (slotCount + kListColumns - 1) / kListColumns;
        const qreal rowHeight = rows > 22 ? 11 : 12;
        const qreal groupWidth = kListColumns * m_columns.columnWidth + (kListColumns - 1) * kColumnGap;
        const qreal top = y + kPinMapNamePx + 5;
        for (bool front : {true, false}) {
            const qreal left = front ? kMargin : kMargin + groupWidth + kGroupGap;
            const QString header = front ? QCoreApplication::translate("PinMapArt", "Front") : QCoreApplication::translate("PinMapArt", "Back");
            addText(textRect(left, y, kPinMapNamePx, true, header), header, kPinMapNamePx, true,
                    Qt::AlignLeft | Qt::AlignVCenter, kText);
            std::vector<int> pins = EdgeSidePins(m_edge, front);
            pins.insert(pins.begin() + m_info.contactsLeftOfKey, 0);
            for (int i = 0; i < static_cast<int>(pins.size()); ++i) {
                const QRectF cell(left + (i / rows) * (m_columns.columnWidth + kColumnGap),
                                  top + (i % rows) * rowHeight, m_columns.columnWidth, rowHeight);
                addListCell(pins[static_cast<std::size_t>(i)], cell);
            }
        }
        return top + rows * rowHeight;
    }

    // A cell of the list: the pin's number and name, or the key slot (pin 0).
    void addListCell(int pin, const QRectF& cell)
    {
        m_layout.cells.push_back({pin, cell});
        if (pin == 0) {
            addText(cell, QCoreApplication::translate("PinMapArt", "key notch"), kPinMapSmallPx, false, Qt::AlignCenter, kKeyInk);
            return;
        }
        const std::string_view name = EdgePinName(m_edge, pin);
        const QRectF number(cell.left() + 1, cell.top(), m_columns.numberWidth, cell.height());
        const qreal nameLeft = number.right() + kNameGap;
        const QRectF label(nameLeft, cell.top(), cell.right() - 1 - nameLeft, cell.height());
        addText(number, Num(pin), kPinMapSmallPx, false, Qt::AlignRight | Qt::AlignVCenter, kNumberInk);
        addText(label, PinText(name), kPinMapSmallPx, false, Qt::AlignLeft | Qt::AlignVCenter, SignalInk(ClassifySignal(name)));
    }

    // The classes the connector has from `y`: one row at 10 px, or at 9 px
    // when that is too wide, else two rows; returns the bottom.
    qreal addLegend(qreal y)
    {
        std::vector<std::string_view> names;
        for (int pin = 1; pin <= m_info.pinCount; ++pin)
            names.push_back(EdgePinName(m_edge, pin));
        const std::vector<SignalClass> shown = ClassesUsed(names);
        int px = kPinMapLegendPx;
        for (int candidate : {kPinMapLegendPx, kPinMapLegendPx - 1}) {
            if (placeLegend(shown, candidate, y, false) <= width() - kMargin) {
                px = candidate;
                break;
            }
        }
        m_layout.legendPixelSize = px;
        placeLegend(shown, px, y, true);
        qreal bottom = y;
        for (const PinMapLegendEntry& entry : m_layout.legend)
            bottom = std::max(bottom, entry.label.bottom());
        return bottom;
    }

    // Places the legend entries from `y` (wrapping when `wrap`) and returns
    // the right end of the widest row.
    qreal placeLegend(const std::vector<SignalClass>& shown, int px, qreal y, bool wrap)
    {
        m_layout.legend.clear();
        qreal x = kMargin;
        qreal right = x;
        for (SignalClass cls : shown) {
            PinMapLegendEntry entry = LegendEntryAt(cls, QPointF(x, y), px);
            if (wrap && x > kMargin && entry.label.right() > width() - kMargin) {
                x = kMargin;
                y += px * 1.4 + 4;
                entry = LegendEntryAt(cls, QPointF(x, y), px);
            }
            m_layout.legend.push_back(entry);
            right = std::max(right, entry.label.right());
            x += LegendEntryAdvance(cls, px);
        }
        return right;
    }

    ModuleEdge m_edge;
    const ModuleEdgeInfo& m_info;
    int m_perSide;
    ListColumns m_columns;
    EdgeArtLayout m_layout;
};

}  // namespace

EdgeArtLayout ModuleEdgeLayout(ModuleEdge edge)
{
    return EdgeLayoutBuilder(edge).build();
}

QSizeF ModuleEdgeSize(ModuleEdge edge)
{
    return CachedLayout<&ModuleEdgeLayout>(edge).size;
}

void PaintModuleEdge(QPainter& painter, ModuleEdge edge)
{
    const EdgeArtLayout& layout = CachedLayout<&ModuleEdgeLayout>(edge);
    BeginPinMapPainting(painter);

    // The board of each side with the notch cut out of its lower edge.
    for (const EdgeArtSide& side : layout.sides) {
        QPainterPath board;
        board.addRect(side.board);
        QPainterPath notch;
        notch.addRect(side.notch.adjusted(0, 0, 0, 1));
        painter.setPen(QPen(kBoardEdge, 1));
        painter.setBrush(kBoardFill);
        painter.drawPath(board.subtracted(notch));
    }
    for (const EdgeArtPin& contact : layout.contacts) {
        const SignalClass cls = ClassifySignal(EdgePinName(edge, contact.pin));
        painter.setPen(QPen(SignalInk(cls), 0.6));
        painter.setBrush(SignalFill(cls));
        painter.drawRect(contact.rect);
    }
    // Pin 1: a triangle under the first front contact.
    if (!layout.sides.empty()) {
        const QRectF& board = layout.sides.front().board;
        const qreal x = board.left();
        const qreal y = board.bottom() + 4;
        const QPointF triangle[3] = {{x + 3.5, y}, {x + 7, y + 7}, {x, y + 7}};
        painter.setPen(Qt::NoPen);
        painter.setBrush(kText);
        painter.drawPolygon(triangle, 3);
    }

    for (const EdgeArtPin& cell : layout.cells) {
        if (cell.pin == 0) {
            painter.setPen(QPen(kKeyInk, 0.8, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.rect.adjusted(0.5, 0.5, -0.5, -0.5));
            continue;
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(SignalFill(ClassifySignal(EdgePinName(edge, cell.pin))));
        painter.drawRect(cell.rect.adjusted(0, 0.5, 0, -0.5));
    }
    PaintTextsAndLegend(painter, layout);
    painter.restore();
}

}  // namespace tessaro
