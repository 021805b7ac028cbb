#include "pinmapui/moduleedgeart.h"

#include "pinmapui/pinmapstyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <map>

namespace tessaro {

namespace {

// Geometry of the drawings, in logical units.
constexpr qreal kMargin = 6;
constexpr qreal kMinWidth = 620;
constexpr int kTitlePx = 14;
constexpr int kLabelPx = 10;
constexpr int kPinPx = 9;
constexpr int kLegendPx = 10;
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

qreal Advance(int pixelSize, bool bold, const QString& text)
{
    return QFontMetricsF(PinMapFont(pixelSize, bold)).horizontalAdvance(text);
}

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
        return front ? QStringLiteral("Front: pins ") + range
                     : QStringLiteral("Back: pins ") + range + QStringLiteral(" (pin ") + Num(pins.front()) +
                           QStringLiteral(" behind pin 1)");
    }
    return front ? QStringLiteral("Front: odd pins ") + range
                 : QStringLiteral("Back: even pins ") + range + QStringLiteral(" (pin 2 behind pin 1)");
}

class Builder {
public:
    explicit Builder(ModuleEdge edge) : edge_(edge), info_(EdgeInfo(edge)), perSide_(info_.pinCount / 2) {}

    EdgeArtLayout Build()
    {
        MeasureList();
        Header();
        qreal y = 30;
        for (bool front : {true, false})
            y = Side(front, y) + 4;
        y = List(y + 2);
        y = Legend(y + 7);
        layout_.size = QSizeF(width_, std::ceil(y + 6));
        return std::move(layout_);
    }

private:
    void AddText(const QRectF& rect, const QString& text, int px, bool bold, int align, const QColor& ink)
    {
        layout_.texts.push_back({rect, text, px, bold, align, ink});
    }

    // A text of natural width starting at `x` (or ending there when right-aligned).
    QRectF TextRect(qreal x, qreal y, int px, bool bold, const QString& text, bool rightAligned = false)
    {
        const qreal w = std::ceil(Advance(px, bold, text)) + 1;
        const qreal h = px + 3;
        return rightAligned ? QRectF(x - w, y, w, h) : QRectF(x, y, w, h);
    }

    // Column width from the widest pin number and name; sets the picture width.
    void MeasureList()
    {
        qreal numberWidth = 0;
        qreal nameWidth = 0;
        for (int pin = 1; pin <= info_.pinCount; ++pin) {
            numberWidth = std::max(numberWidth, Advance(kPinPx, false, Num(pin)));
            nameWidth = std::max(nameWidth, Advance(kPinPx, false, PinText(EdgePinName(edge_, pin))));
        }
        numberWidth_ = std::ceil(numberWidth);
        nameWidth_ = std::ceil(nameWidth);
        columnWidth_ = 1 + numberWidth_ + kNameGap + nameWidth_ + 1;
        const qreal listWidth =
            2 * kMargin + 2 * kListColumns * columnWidth_ + 2 * (kListColumns - 1) * kColumnGap + kGroupGap;
        width_ = std::ceil(std::max(kMinWidth, listWidth));
        columnWidth_ = (width_ - 2 * kMargin - 2 * (kListColumns - 1) * kColumnGap - kGroupGap) / (2 * kListColumns);
    }

    void Header()
    {
        const QString title = PinText(info_.title);
        AddText(TextRect(kMargin, 6, kTitlePx, true, title), title, kTitlePx, true, Qt::AlignLeft | Qt::AlignVCenter,
                kText);
        const KeyPins front = EdgeKeyPins(edge_, true);
        const KeyPins back = EdgeKeyPins(edge_, false);
        const QString key = QStringLiteral("Key notch between pins %1/%2 (front) and %3/%4 (back)")
                                .arg(front.left)
                                .arg(front.right)
                                .arg(back.left)
                                .arg(back.right);
        AddText(TextRect(width_ - kMargin, 9, kLabelPx, false, key, true), key, kLabelPx, false,
                Qt::AlignRight | Qt::AlignVCenter, kKeyInk);
    }

    // One side of the edge: label, board with contacts and notch, pin numbers.
    qreal Side(bool front, qreal y)
    {
        const QString label = SideLabel(edge_, front);
        AddText(TextRect(kMargin, y, kLabelPx, true, label), label, kLabelPx, true, Qt::AlignLeft | Qt::AlignVCenter,
                kText);
        y += kLabelPx + 5;

        const QRectF board(kMargin, y, width_ - 2 * kMargin, kBoardHeight);
        const qreal pitch = (board.width() - 2 * kBoardEnd) / (perSide_ + kKeySlots);
        const qreal contactTop = board.bottom() - kContactHeight;
        const qreal contactWidth = pitch * 0.66;
        auto slotLeft = [&](int position) {
            const int slot = position + (position >= info_.contactsLeftOfKey ? kKeySlots : 0);
            return board.left() + kBoardEnd + slot * pitch;
        };
        for (int pin : EdgeSidePins(edge_, front)) {
            const qreal x = slotLeft(EdgePosition(edge_, pin)) + (pitch - contactWidth) / 2;
            layout_.contacts.push_back({pin, QRectF(x, contactTop, contactWidth, kContactHeight)});
        }
        const qreal notchLeft = slotLeft(info_.contactsLeftOfKey - 1) + pitch * 1.25;
        const qreal notchRight = slotLeft(info_.contactsLeftOfKey) - pitch * 0.25;
        const QRectF notch(notchLeft, contactTop - 5, notchRight - notchLeft, board.bottom() - contactTop + 5);
        layout_.sides.push_back({front, board, notch});

        // Pin numbers at both ends and either side of the notch.
        const std::vector<int> pins = EdgeSidePins(edge_, front);
        const KeyPins key = EdgeKeyPins(edge_, front);
        const qreal ny = board.bottom() + 2;
        const qreal markerWidth = front ? 9 : 0;  // the pin-1 triangle
        const QString first = Num(pins.front());
        const QString last = Num(pins.back());
        AddText(TextRect(board.left() + markerWidth, ny, kPinPx, true, first), first, kPinPx, true,
                Qt::AlignLeft | Qt::AlignVCenter, kText);
        AddText(TextRect(board.right(), ny, kPinPx, true, last, true), last, kPinPx, true,
                Qt::AlignRight | Qt::AlignVCenter, kText);
        AddText(TextRect(notch.left() - 1, ny, kPinPx, false, Num(key.left), true), Num(key.left), kPinPx, false,
                Qt::AlignRight | Qt::AlignVCenter, kKeyInk);
        AddText(TextRect(notch.right() + 1, ny, kPinPx, false, Num(key.right)), Num(key.right), kPinPx, false,
                Qt::AlignLeft | Qt::AlignVCenter, kKeyInk);
        return ny + kPinPx + 3;
    }

    // The pin list: front pins in the left columns, back pins in the right
    // ones, the key notch as a slot between the pins either side of it.
    qreal List(qreal y)
    {
        const int slotCount = perSide_ + 1;
        const int rows = (slotCount + kListColumns - 1) / kListColumns;
        const qreal rowHeight = rows > 22 ? 11 : 12;
        const qreal groupWidth = kListColumns * columnWidth_ + (kListColumns - 1) * kColumnGap;
        for (bool front : {true, false}) {
            const qreal left = front ? kMargin : kMargin + groupWidth + kGroupGap;
            const QString header = front ? QStringLiteral("Front") : QStringLiteral("Back");
            AddText(TextRect(left, y, kLabelPx, true, header), header, kLabelPx, true,
                    Qt::AlignLeft | Qt::AlignVCenter, kText);
            const qreal top = y + kLabelPx + 5;
            std::vector<int> pins = EdgeSidePins(edge_, front);
            pins.insert(pins.begin() + info_.contactsLeftOfKey, 0);
            for (int i = 0; i < static_cast<int>(pins.size()); ++i) {
                const QRectF cell(left + (i / rows) * (columnWidth_ + kColumnGap), top + (i % rows) * rowHeight,
                                  columnWidth_, rowHeight);
                Cell(pins[static_cast<std::size_t>(i)], cell);
            }
            listBottom_ = top + rows * rowHeight;
        }
        return listBottom_;
    }

    void Cell(int pin, const QRectF& cell)
    {
        layout_.cells.push_back({pin, cell});
        if (pin == 0) {
            const QString key = QStringLiteral("key notch");
            AddText(cell, key, kPinPx, false, Qt::AlignCenter, kKeyInk);
            return;
        }
        const QString name = PinText(EdgePinName(edge_, pin));
        const QRectF number(cell.left() + 1, cell.top(), numberWidth_, cell.height());
        const qreal nameLeft = number.right() + kNameGap;
        const QRectF label(nameLeft, cell.top(), cell.right() - 1 - nameLeft, cell.height());
        AddText(number, Num(pin), kPinPx, false, Qt::AlignRight | Qt::AlignVCenter, kNumberInk);
        AddText(label, name, kPinPx, false, Qt::AlignLeft | Qt::AlignVCenter, SignalInk(ClassifySignal(EdgePinName(edge_, pin))));
    }

    // The classes the connector has, placed as PaintSignalLegend places them:
    // one row at 10 px, or at 9 px when that is too wide, else two rows.
    qreal Legend(qreal y)
    {
        std::vector<SignalClass> shown;
        for (int c = 0; c < kSignalClassCount; ++c) {
            const auto cls = static_cast<SignalClass>(c);
            for (int pin = 1; pin <= info_.pinCount; ++pin) {
                if (ClassifySignal(EdgePinName(edge_, pin)) == cls) {
                    shown.push_back(cls);
                    break;
                }
            }
        }
        int px = kLegendPx;
        for (int candidate : {kLegendPx, kLegendPx - 1}) {
            if (PlaceLegend(shown, candidate, y, false) <= width_ - kMargin) {
                px = candidate;
                break;
            }
        }
        layout_.legendPixelSize = px;
        PlaceLegend(shown, px, y, true);
        qreal bottom = y;
        for (const EdgeArtLegendItem& item : layout_.legend)
            bottom = std::max(bottom, item.text.bottom());
        return bottom;
    }

    // Places the legend items from `y` (wrapping when `wrap`) and returns the
    // right end of the widest row.
    qreal PlaceLegend(const std::vector<SignalClass>& shown, int px, qreal y, bool wrap)
    {
        layout_.legend.clear();
        qreal x = kMargin;
        qreal right = x;
        for (SignalClass cls : shown) {
            const qreal advance = Advance(px, false, QString::fromLatin1(SignalClassName(cls)));
            const qreal itemWidth = px + px * 0.4 + advance + 2;
            if (wrap && x > kMargin && x + itemWidth > width_ - kMargin) {
                x = kMargin;
                y += px * 1.4 + 4;
            }
            const QRectF swatch(x, y, px, px);
            const qreal textX = x + px + px * 0.4;
            const QRectF text(textX, y - px * 0.2, advance + 2, px + px * 0.4);
            layout_.legend.push_back({cls, swatch, text});
            right = std::max(right, text.right());
            x = textX + advance + px * 1.2;
        }
        return right;
    }

    ModuleEdge edge_;
    const ModuleEdgeInfo& info_;
    int perSide_;
    EdgeArtLayout layout_;
    qreal width_ = kMinWidth;
    qreal numberWidth_ = 0;
    qreal nameWidth_ = 0;
    qreal columnWidth_ = 0;
    qreal listBottom_ = 0;
};

void PaintText(QPainter& painter, const EdgeArtText& text)
{
    painter.setFont(PinMapFont(text.pixelSize, text.bold));
    painter.setPen(text.ink);
    painter.drawText(text.rect, text.align, text.text);
}

}  // namespace

EdgeArtLayout ModuleEdgeLayout(ModuleEdge edge)
{
    return Builder(edge).Build();
}

namespace {
// The layout never changes for a connector; every paint of a panel uses it,
// so it is made once.
const EdgeArtLayout& CachedLayout(ModuleEdge edge)
{
    static std::map<ModuleEdge, EdgeArtLayout> layouts;
    auto it = layouts.find(edge);
    if (it == layouts.end())
        it = layouts.emplace(edge, ModuleEdgeLayout(edge)).first;
    return it->second;
}
}  // namespace

QSizeF ModuleEdgeSize(ModuleEdge edge)
{
    return CachedLayout(edge).size;
}

void PaintModuleEdge(QPainter& painter, ModuleEdge edge)
{
    const EdgeArtLayout& layout = CachedLayout(edge);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

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
    for (const EdgeArtText& text : layout.texts)
        PaintText(painter, text);
    for (const EdgeArtLegendItem& item : layout.legend)
        PaintSignalLegend(painter, item.swatch.topLeft(), layout.legendPixelSize, {item.cls});
    painter.restore();
}

}  // namespace tessaro
