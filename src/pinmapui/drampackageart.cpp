#include "pinmapui/pinmapdrawings.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace tessaro {

namespace {

constexpr qreal kWidth = 620;
constexpr qreal kMargin = 10;
constexpr qreal kLegendRowPitch = kPinMapLegendPx * 1.6;
constexpr qreal kFbgaHeight = 440;

// FBGA map geometry.
constexpr qreal kCellWidth = 58;   // one ball column
constexpr qreal kGapWidth = 40;    // the depopulated columns 4-6
constexpr qreal kMapPad = 5;       // outline to the outer balls
constexpr qreal kLetterWidth = 14; // row letters either side
constexpr qreal kMaxRowPitch = 28;

// TSOP geometry.
constexpr int kTsopPinsPerSide = 33;
constexpr qreal kTsopPitch = 12;
constexpr qreal kLeadWidth = 12;
constexpr qreal kLeadGap = 3;
constexpr qreal kChipWidth = 58;
constexpr qreal kChipGap = 4;

const QColor kFrameInk(70, 70, 70);
const QColor kHeadingInk(60, 60, 60);
const QColor kFaintInk(150, 150, 150);
const QColor kX4Ink(95, 95, 95);

qreal TextHeight(qreal px, bool bold = false)
{
    return QFontMetricsF(PinMapFont(px, bold)).height();
}

// The preferred size, or the smallest one when the text would not fit `width`.
qreal FittingPixelSize(const QString& text, qreal width, qreal preferred, bool bold = false)
{
    return PinMapTextWidth(text, preferred, bold) <= width ? preferred : kPinMapSmallPx;
}

void AddText(DramArtLayout& layout, const QRectF& box, const QString& text, qreal px, bool bold,
             const QColor& ink, int align = Qt::AlignCenter, const QColor& chip = {})
{
    layout.texts.push_back({box, text, px, bold, ink, align, chip});
}

void AddTitle(DramArtLayout& layout, const DramPackageData& data)
{
    AddText(layout, QRectF(kMargin, 8, kWidth - 2 * kMargin, TextHeight(kPinMapTitlePx, true)), PinText(data.title),
            kPinMapTitlePx, true, Qt::black);
}

// Lines of `text` no wider than `width`, broken between words.
std::vector<QString> WrapText(const QString& text, qreal width, qreal px, bool bold)
{
    std::vector<QString> lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && PinMapTextWidth(longer, px, bold) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}

// Notes stacked from `top` in a column; returns the bottom of the last one.
qreal AddNotes(DramArtLayout& layout, QPointF top, qreal width, const std::vector<QString>& notes)
{
    qreal y = top.y();
    for (const QString& note : notes) {
        const qreal height = TextHeight(kPinMapNamePx);
        for (const QString& line : WrapText(note, width, kPinMapNamePx, false)) {
            AddText(layout, QRectF(top.x(), y, width, height), line, kPinMapNamePx, false, kHeadingInk,
                    Qt::AlignLeft | Qt::AlignVCenter);
            y += height;
        }
        y += 6;
    }
    return y;
}

// The classes the package's pins carry in any width.
std::vector<SignalClass> PackageClasses(const DramPackageData& data)
{
    std::vector<std::string_view> names;
    for (const DramPin& pin : data.pins)
        names.insert(names.end(), pin.names.begin(), pin.names.end());
    return ClassesUsed(names);
}

// The width a legend row of entries [from, to) is centred by.
qreal LegendRowWidth(const std::vector<SignalClass>& shown, std::size_t from, std::size_t to, qreal px)
{
    const qreal gap = px * 1.2 - 2;  // between one entry's text and the next swatch
    qreal width = 0;
    for (std::size_t i = from; i < to; ++i)
        width += LegendEntryAdvance(shown[i], px);
    return to > from ? width - gap - px * 1.2 + 2 : 0.0;
}

// The first entry of the second legend row: none (the count) when one row
// fits, else the break that makes the wider of the two rows narrowest.
std::size_t LegendBreak(const std::vector<SignalClass>& shown, qreal px)
{
    std::size_t split = shown.size();
    if (LegendRowWidth(shown, 0, shown.size(), px) <= kWidth - 2 * kMargin)
        return split;
    qreal best = 1e9;
    for (std::size_t k = 1; k < shown.size(); ++k) {
        const qreal widest = std::max(LegendRowWidth(shown, 0, k, px), LegendRowWidth(shown, k, shown.size(), px));
        if (widest < best) {
            best = widest;
            split = k;
        }
    }
    return split;
}

// The legend of the classes the package uses, centred in one or two rows
// whose last ends at `bottom`; returns the top of the first row.
qreal AddLegend(DramArtLayout& layout, const DramPackageData& data, qreal bottom)
{
    const std::vector<SignalClass> shown = PackageClasses(data);
    const qreal px = kPinMapLegendPx;
    const std::size_t split = LegendBreak(shown, px);
    std::vector<std::pair<std::size_t, std::size_t>> rows{{0, split}};
    if (split < shown.size())
        rows.emplace_back(split, shown.size());
    layout.legendPixelSize = px;
    // A row's entries cover y - 0.2 px .. y + 1.2 px.
    qreal y = bottom - px * 1.2 - kLegendRowPitch * static_cast<qreal>(rows.size() - 1);
    const qreal top = y - px * 0.2;
    for (const auto& [from, to] : rows) {
        qreal x = (kWidth - LegendRowWidth(shown, from, to, px)) / 2;
        for (std::size_t i = from; i < to; ++i) {
            layout.legend.push_back(LegendEntryAt(shown[i], QPointF(x, y), px));
            x += LegendEntryAdvance(shown[i], px);
        }
        y += kLegendRowPitch;
    }
    return top;
}

std::vector<QString> FbgaNotes(const DramPackageData& data)
{
    std::vector<QString> notes = {QCoreApplication::translate("PinMapArt", "Columns 4-6 carry no balls."),
                                  QCoreApplication::translate("PinMapArt", "0.8 mm ball pitch.")};
    if (data.Offers(DramWidth::X4) && data.MainWidth() == DramWidth::X8)
        notes.push_back(QCoreApplication::translate("PinMapArt", "Names are x8. A grey second line gives the x4 name where it differs."));
    if (data.MainWidth() == DramWidth::X16)
        notes.push_back(QCoreApplication::translate("PinMapArt", "Lower byte DQ0-DQ7 with LDQS, LDM; upper byte DQ8-DQ15 with UDQS, UDM."));
    if (data.package == DramPackage::Ddr2Fbga60)
        notes.push_back(QCoreApplication::translate("PinMapArt", "RDQS, /RDQS: x8 only, when enabled in EMR(1)."));
    if (data.package == DramPackage::Ddr3Fbga78)
        notes.push_back(QCoreApplication::translate("PinMapArt", "TDQS, /TDQS: x8 only, when enabled in MR1."));
    if (data.package == DramPackage::Ddr2Fbga60 || data.package == DramPackage::Ddr2Fbga84)
        notes.push_back(QCoreApplication::translate("PinMapArt", "BA2, A13: NC on densities that do not use them."));
    if (data.package == DramPackage::Ddr3Fbga78 || data.package == DramPackage::Ddr3Fbga96)
        notes.push_back(QCoreApplication::translate("PinMapArt", "A13-A15: NC on densities that do not use them."));
    return notes;
}

// Where the ball map of an FBGA goes.
struct FbgaGrid {
    QRectF body;  // the package outline
    qreal pitch;  // from one ball row to the next
    qreal headerHeight;

    // The left of ball column `c`, counted among the populated columns.
    [[nodiscard]] qreal columnX(std::size_t c) const
    {
        return body.left() + kMapPad + static_cast<qreal>(c) * kCellWidth + (c >= 3 ? kGapWidth : 0);
    }
    // The top of ball row `r`.
    [[nodiscard]] qreal rowY(qreal r) const { return body.top() + kMapPad + r * pitch; }
};

constexpr qreal kLetterX = kMargin + 2;  // the row letters left of the map

// The map between the title and the legend, as tall as the rows allow,
// centred in the room left.
FbgaGrid PlaceFbgaGrid(const DramPackageData& data, qreal legendTop)
{
    const auto rows = static_cast<int>(data.rows.size());
    const qreal headerHeight = TextHeight(kPinMapNamePx, true);
    const qreal headerTop = 30;
    const qreal mapTop = headerTop + headerHeight + 3;
    const qreal mapBottom = legendTop - 8;
    const qreal pitch = std::min(kMaxRowPitch, (mapBottom - mapTop - 2 * kMapPad) / rows);
    const qreal outlineHeight = rows * pitch + 2 * kMapPad;
    const qreal shift = std::floor((mapBottom - mapTop - outlineHeight) / 2);
    const qreal outlineX = kLetterX + kLetterWidth + 4;
    const qreal outlineWidth = 2 * kMapPad + 6 * kCellWidth + kGapWidth;
    return {QRectF(outlineX, mapTop + shift, outlineWidth, outlineHeight), pitch, headerHeight};
}

// The outline with the ball A1 corner cut off, and a mark pointing at it.
void AddFbgaOutline(DramArtLayout& layout)
{
    const QRectF& body = layout.body;
    const qreal cut = 8;
    QPolygonF outline;
    outline << QPointF(body.left() + cut, body.top()) << body.topRight() << body.bottomRight()
            << body.bottomLeft() << QPointF(body.left(), body.top() + cut) << QPointF(body.left() + cut, body.top());
    layout.outline.addPolygon(outline);
    QPolygonF mark;
    mark << QPointF(body.left() - 2, body.top() - 2) << QPointF(body.left() - 14, body.top() - 2)
         << QPointF(body.left() - 2, body.top() - 14) << QPointF(body.left() - 2, body.top() - 2);
    layout.indexMark.addPolygon(mark);
}

// The column numbers above the map (the empty columns 4-6 faint) and the row
// letters either side of it.
void AddFbgaHeadings(DramArtLayout& layout, const DramPackageData& data, const FbgaGrid& grid)
{
    const qreal headerY = grid.body.top() - 3 - grid.headerHeight;
    for (std::size_t c = 0; c < data.columns.size(); ++c) {
        AddText(layout, QRectF(grid.columnX(c), headerY, kCellWidth, grid.headerHeight),
                QString::number(data.columns[c]), kPinMapNamePx, true, kHeadingInk);
    }
    for (int n = 0; n < 3; ++n) {
        const qreal slot = kGapWidth / 3;
        AddText(layout, QRectF(grid.columnX(3) - kGapWidth + n * slot, headerY, slot, grid.headerHeight),
                QString::number(4 + n), kPinMapSmallPx, false, kFaintInk);
    }
    for (int r = 0; r < static_cast<int>(data.rows.size()); ++r) {
        const QString letter(QLatin1Char(data.rows[static_cast<std::size_t>(r)]));
        const qreal y = grid.rowY(r);
        AddText(layout, QRectF(kLetterX, y, kLetterWidth, grid.pitch), letter, kPinMapNamePx, true, kHeadingInk);
        AddText(layout, QRectF(grid.body.right() + 4, y, kLetterWidth, grid.pitch), letter, kPinMapNamePx, true,
                kHeadingInk);
    }
}

// The name on a ball, with the x4 name on a grey second line where it differs.
void AddBallNames(DramArtLayout& layout, const QRectF& inner, std::string_view name, std::string_view x4)
{
    const QColor ink = SignalInk(ClassifySignal(name));
    const QString text = PinText(name);
    if (x4.empty() || x4 == name) {
        AddText(layout, inner, text, FittingPixelSize(text, inner.width(), kPinMapNamePx), false, ink);
        return;
    }
    const QString second = QStringLiteral("x4: ") + PinText(x4);
    const qreal h1 = TextHeight(kPinMapNamePx);
    const qreal h2 = TextHeight(kPinMapSmallPx);
    const qreal top = inner.center().y() - (h1 + h2) / 2;
    AddText(layout, QRectF(inner.left(), top, inner.width(), h1), text,
            FittingPixelSize(text, inner.width(), kPinMapNamePx), false, ink);
    AddText(layout, QRectF(inner.left(), top + h1, inner.width(), h2), second, kPinMapSmallPx, false, kX4Ink);
}

// Every ball in its class's colours, with its names.
void AddFbgaBalls(DramArtLayout& layout, const DramPackageData& data, const FbgaGrid& grid)
{
    const bool showX4 = data.Offers(DramWidth::X4) && data.MainWidth() != DramWidth::X4;
    const qreal ballWidth = kCellWidth - 4;
    const qreal ballHeight = grid.pitch - 3;
    for (const DramPin& pin : data.pins) {
        const auto r = data.rows.find(pin.position.front());
        const int column = std::stoi(pin.position.substr(1));
        const auto c = static_cast<std::size_t>(
            std::find(data.columns.begin(), data.columns.end(), column) - data.columns.begin());
        const QRectF ball(grid.columnX(c) + (kCellWidth - ballWidth) / 2,
                          grid.rowY(static_cast<qreal>(r)) + (grid.pitch - ballHeight) / 2, ballWidth, ballHeight);
        const std::string_view name = pin.Name(data.MainWidth());
        const SignalClass cls = ClassifySignal(name);
        layout.pins.push_back({QString::fromStdString(pin.position), ball, true, SignalFill(cls), SignalInk(cls)});
        AddBallNames(layout, ball.adjusted(2, 0, -2, 0), name,
                     showX4 ? pin.Name(DramWidth::X4) : std::string_view());
    }
}

// "Top view", the key of the corner mark and the package's notes, beside the map.
void AddFbgaNotes(DramArtLayout& layout, const DramPackageData& data)
{
    const QRectF& body = layout.body;
    const qreal notesX = body.right() + 4 + kLetterWidth + 14;
    const qreal notesWidth = kWidth - kMargin - notesX;
    const qreal headingHeight = TextHeight(11, true);
    AddText(layout, QRectF(notesX, body.top(), notesWidth, headingHeight), QCoreApplication::translate("PinMapArt", "Top view"), 11, true,
            Qt::black, Qt::AlignLeft | Qt::AlignVCenter);
    qreal y = body.top() + headingHeight + 4;
    // The same mark as at the map's corner, as the key of the first note.
    QPolygonF key;
    const qreal keyY = y + 1;
    key << QPointF(notesX, keyY) << QPointF(notesX + 11, keyY) << QPointF(notesX, keyY + 11) << QPointF(notesX, keyY);
    layout.indexMark.addPolygon(key);
    AddText(layout, QRectF(notesX + 16, y, notesWidth - 16, TextHeight(kPinMapNamePx)), QCoreApplication::translate("PinMapArt", "Ball A1 corner"),
            kPinMapNamePx, false, kHeadingInk, Qt::AlignLeft | Qt::AlignVCenter);
    y += TextHeight(kPinMapNamePx) + 6;
    AddNotes(layout, QPointF(notesX, y), notesWidth, FbgaNotes(data));
}

DramArtLayout LayoutFbga(const DramPackageData& data)
{
    DramArtLayout layout;
    layout.size = {kWidth, kFbgaHeight};
    AddTitle(layout, data);
    const qreal legendTop = AddLegend(layout, data, kFbgaHeight - 8);
    const FbgaGrid grid = PlaceFbgaGrid(data, legendTop);
    layout.body = grid.body;
    AddFbgaOutline(layout);
    AddFbgaHeadings(layout, data, grid);
    AddFbgaBalls(layout, data, grid);
    AddFbgaNotes(layout, data);
    return layout;
}

// Where the leads of a TSOP go: the body in the middle, the name columns
// either side of it.
struct TsopFrame {
    QRectF body;
    qreal headerTop;
    qreal headerHeight;
    qreal leadsTop;  // the top of pin 1's row
};

constexpr qreal kTsopNumberWidth = 22;  // the pin numbers inside the body

TsopFrame PlaceTsopFrame()
{
    const qreal headerHeight = TextHeight(kPinMapNamePx, true);
    const qreal headerTop = 30;
    const qreal bodyTop = headerTop + headerHeight + 4;
    const qreal bodyHeight = kTsopPinsPerSide * kTsopPitch + 8;
    const qreal sideWidth = kLeadWidth + kLeadGap + 3 * kChipWidth + 2 * kChipGap;
    const qreal bodyWidth = kWidth - 2 * kMargin - 2 * sideWidth;
    return {QRectF(kMargin + sideWidth, bodyTop, bodyWidth, bodyHeight), headerTop, headerHeight, bodyTop + 4};
}

// The widths the package comes in, widest first: the widest part's names
// stand next to the leads, narrower ones outwards.
std::vector<DramWidth> OutwardWidths(const DramPackageData& data)
{
    return {data.widths.rbegin(), data.widths.rend()};
}

// The left of name column `column` (0 next to the leads) on one side.
qreal NameColumnX(const QRectF& body, bool left, std::size_t column)
{
    const qreal offset = kLeadWidth + kLeadGap + static_cast<qreal>(column) * (kChipWidth + kChipGap);
    return left ? body.left() - offset - kChipWidth : body.right() + offset;
}

// The width ("x16") above each name column, on both sides.
void AddTsopHeadings(DramArtLayout& layout, const DramPackageData& data, const TsopFrame& frame)
{
    const std::vector<DramWidth> outward = OutwardWidths(data);
    for (std::size_t column = 0; column < outward.size(); ++column) {
        const QString heading = PinText(DramWidthName(outward[column]));
        for (bool left : {true, false}) {
            AddText(layout, QRectF(NameColumnX(frame.body, left, column), frame.headerTop, kChipWidth,
                                   frame.headerHeight),
                    heading, kPinMapNamePx, true, kHeadingInk);
        }
    }
}

// Each lead with its number inside the body and its names, one a width, on
// chips of the class's colours.
void AddTsopPins(DramArtLayout& layout, const DramPackageData& data, const TsopFrame& frame)
{
    const QRectF& body = frame.body;
    const std::vector<DramWidth> outward = OutwardWidths(data);
    for (const DramPin& pin : data.pins) {
        const int number = std::stoi(pin.position);
        const bool left = number <= kTsopPinsPerSide;
        const int row = left ? number - 1 : 2 * kTsopPinsPerSide - number;
        const qreal y = frame.leadsTop + row * kTsopPitch;
        const QRectF lead(left ? body.left() - kLeadWidth : body.right(), y + 2.5, kLeadWidth, kTsopPitch - 5);
        layout.pins.push_back({QString::fromStdString(pin.position), lead, false, QColor(205, 205, 205),
                               QColor(120, 120, 120)});
        AddText(layout,
                QRectF(left ? body.left() + 3 : body.right() - 3 - kTsopNumberWidth, y, kTsopNumberWidth,
                       kTsopPitch),
                QString::number(number), kPinMapNamePx, false, kHeadingInk,
                (left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        for (std::size_t column = 0; column < outward.size(); ++column) {
            const std::string_view name = pin.Name(outward[column]);
            const SignalClass cls = ClassifySignal(name);
            const QString text = PinText(name);
            AddText(layout, QRectF(NameColumnX(body, left, column), y, kChipWidth, kTsopPitch), text,
                    FittingPixelSize(text, kChipWidth - 4, kPinMapNamePx), false, SignalInk(cls), Qt::AlignCenter,
                    SignalFill(cls));
        }
    }
}

// The package described in the middle of its body, and "pin 1" by its mark.
void AddTsopDescription(DramArtLayout& layout, const DramPackageData& data, const TsopFrame& frame)
{
    const QRectF& body = frame.body;
    const qreal inner = body.width() - 2 * (kTsopNumberWidth + 10);
    const std::vector<std::pair<QString, qreal>> lines = {
        {PinText(data.memory), 13},
        {PinText(data.outline), 11},
        {QCoreApplication::translate("PinMapArt", "400 mil body"), kPinMapNamePx},
        {QCoreApplication::translate("PinMapArt", "0.65 mm pin pitch"), kPinMapNamePx},
        {QCoreApplication::translate("PinMapArt", "Top view"), kPinMapNamePx},
    };
    qreal total = 0;
    for (const auto& [text, px] : lines)
        total += TextHeight(px, px > 12) + 4;
    qreal y = body.center().y() - total / 2;
    for (const auto& [text, px] : lines) {
        const qreal h = TextHeight(px, px > 12);
        AddText(layout, QRectF(body.center().x() - inner / 2, y, inner, h), text, px, px > 12, kHeadingInk);
        y += h + 4;
    }
    AddText(layout, QRectF(body.left() + 42, frame.leadsTop + 1, 40, TextHeight(kPinMapSmallPx)), QCoreApplication::translate("PinMapArt", "pin 1"),
            kPinMapSmallPx, false, kHeadingInk, Qt::AlignLeft | Qt::AlignVCenter);
}

DramArtLayout LayoutTsop(const DramPackageData& data)
{
    DramArtLayout layout;
    AddTitle(layout, data);
    const TsopFrame frame = PlaceTsopFrame();
    layout.body = frame.body;
    layout.outline.addRect(frame.body);
    layout.indexMark.addEllipse(QPointF(frame.body.left() + 34, frame.leadsTop + 7), 4.5, 4.5);

    const qreal legendBottom = frame.body.bottom() + 10 + kPinMapLegendPx * 1.4 + kLegendRowPitch;
    const qreal height = std::ceil(legendBottom + 8);
    layout.size = {kWidth, height};
    AddLegend(layout, data, height - 8);

    AddTsopHeadings(layout, data, frame);
    AddTsopPins(layout, data, frame);
    AddTsopDescription(layout, data, frame);
    return layout;
}

}  // namespace

DramArtLayout LayoutDramPackage(DramPackage package)
{
    const DramPackageData& data = DramPackageInfo(package);
    return data.kind == DramPackageKind::Tsop ? LayoutTsop(data) : LayoutFbga(data);
}

QSizeF DramPackageSize(DramPackage package)
{
    if (DramPackageInfo(package).kind == DramPackageKind::Fbga)
        return {kWidth, kFbgaHeight};
    return CachedLayout<&LayoutDramPackage>(package).size;
}

void PaintDramPackage(QPainter& painter, DramPackage package)
{
    const DramArtLayout& layout = CachedLayout<&LayoutDramPackage>(package);
    BeginPinMapPainting(painter);
    painter.fillRect(QRectF(QPointF(0, 0), layout.size), Qt::white);

    painter.setPen(QPen(kFrameInk, 1.5));
    painter.setBrush(QColor(246, 246, 246));
    painter.drawPath(layout.outline);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFrameInk);
    painter.drawPath(layout.indexMark);

    for (const DramArtPin& pin : layout.pins) {
        painter.setPen(QPen(pin.edge, 1));
        painter.setBrush(pin.fill);
        if (pin.ball) {
            const qreal radius = pin.shape.height() * 0.45;
            painter.drawRoundedRect(pin.shape, radius, radius);
        } else {
            painter.drawRect(pin.shape);
        }
    }
    PaintTextsAndLegend(painter, layout);
    painter.restore();
}

}  // namespace tessaro
