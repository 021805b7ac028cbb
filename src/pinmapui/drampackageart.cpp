#include "pinmapui/drampackageart.h"

#include "pinmapui/pinmapstyle.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

namespace tessaro {

namespace {

constexpr qreal kWidth = 620;
constexpr qreal kMargin = 10;
constexpr qreal kTitlePx = 14;
constexpr qreal kNamePx = 10;
constexpr qreal kSmallPx = 9;  // the smallest text of any drawing
constexpr qreal kLegendPx = 10;
constexpr qreal kLegendRowPitch = kLegendPx * 1.6;
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

qreal TextWidth(const QString& text, qreal px, bool bold = false)
{
    return QFontMetricsF(PinMapFont(px, bold)).horizontalAdvance(text);
}

// The preferred size, or the smallest one when the text would not fit `width`.
qreal FittingPixelSize(const QString& text, qreal width, qreal preferred, bool bold = false)
{
    return TextWidth(text, preferred, bold) <= width ? preferred : kSmallPx;
}

void AddText(DramArtLayout& layout, const QRectF& box, const QString& text, qreal px, bool bold,
             const QColor& ink, int align = Qt::AlignCenter, const QColor& chip = {})
{
    layout.texts.push_back({box, text, px, bold, ink, chip, align});
}

void AddTitle(DramArtLayout& layout, const DramPackageData& data)
{
    AddText(layout, QRectF(kMargin, 8, kWidth - 2 * kMargin, TextHeight(kTitlePx, true)), PinText(data.title),
            kTitlePx, true, Qt::black);
}

// Lines of `text` no wider than `width`, broken between words.
std::vector<QString> WrapText(const QString& text, qreal width, qreal px, bool bold)
{
    std::vector<QString> lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && TextWidth(longer, px, bold) > width) {
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
        const qreal height = TextHeight(kNamePx);
        for (const QString& line : WrapText(note, width, kNamePx, false)) {
            AddText(layout, QRectF(top.x(), y, width, height), line, kNamePx, false, kHeadingInk,
                    Qt::AlignLeft | Qt::AlignVCenter);
            y += height;
        }
        y += 6;
    }
    return y;
}

// What one legend entry covers when PaintSignalLegend draws it at `topLeft`,
// and how far it moves the pen (the entry plus the gap to the next one).
QRectF LegendEntryBox(SignalClass cls, QPointF topLeft, qreal px)
{
    const qreal textWidth = TextWidth(QString::fromLatin1(SignalClassName(cls)), px);
    return {topLeft.x(), topLeft.y() - px * 0.2, px * 1.4 + textWidth + 2, px * 1.4};
}

qreal LegendEntryAdvance(SignalClass cls, qreal px)
{
    return px * 2.6 + TextWidth(QString::fromLatin1(SignalClassName(cls)), px);
}

// The legend of the classes the package uses, centred in one or two rows
// whose last ends at `bottom`; returns the top of the first row.
qreal AddLegend(DramArtLayout& layout, const DramPackageData& data, qreal bottom)
{
    std::vector<SignalClass> shown;
    for (int i = 0; i < kSignalClassCount; ++i) {
        const auto cls = static_cast<SignalClass>(i);
        const bool used = std::any_of(data.pins.begin(), data.pins.end(), [&](const DramPin& pin) {
            return std::any_of(pin.names.begin(), pin.names.end(),
                               [&](std::string_view name) { return !name.empty() && ClassifySignal(name) == cls; });
        });
        if (used)
            shown.push_back(cls);
    }
    const qreal px = kLegendPx;
    const qreal gap = px * 1.2 - 2;  // between one entry's text and the next swatch
    auto rowWidth = [&](std::size_t from, std::size_t to) {
        qreal width = 0;
        for (std::size_t i = from; i < to; ++i)
            width += LegendEntryAdvance(shown[i], px);
        return to > from ? width - gap - px * 1.2 + 2 : 0.0;
    };
    const qreal available = kWidth - 2 * kMargin;
    std::size_t split = shown.size();
    if (rowWidth(0, shown.size()) > available) {
        qreal best = 1e9;
        for (std::size_t k = 1; k < shown.size(); ++k) {
            const qreal widest = std::max(rowWidth(0, k), rowWidth(k, shown.size()));
            if (widest < best) {
                best = widest;
                split = k;
            }
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> rows{{0, split}};
    if (split < shown.size())
        rows.emplace_back(split, shown.size());
    layout.legendPixelSize = px;
    // A row's entries cover y - 0.2 px .. y + 1.2 px.
    qreal y = bottom - px * 1.2 - kLegendRowPitch * static_cast<qreal>(rows.size() - 1);
    const qreal top = y - px * 0.2;
    for (const auto& [from, to] : rows) {
        qreal x = (kWidth - rowWidth(from, to)) / 2;
        for (std::size_t i = from; i < to; ++i) {
            const QPointF at(x, y);
            layout.legend.push_back({shown[i], at, LegendEntryBox(shown[i], at, px)});
            x += LegendEntryAdvance(shown[i], px);
        }
        y += kLegendRowPitch;
    }
    return top;
}

std::vector<QString> FbgaNotes(const DramPackageData& data)
{
    std::vector<QString> notes = {QStringLiteral("Columns 4-6 carry no balls."),
                                  QStringLiteral("0.8 mm ball pitch.")};
    if (data.Offers(DramWidth::X4) && data.MainWidth() == DramWidth::X8)
        notes.push_back(QStringLiteral("Names are x8. A grey second line gives the x4 name where it differs."));
    if (data.MainWidth() == DramWidth::X16)
        notes.push_back(QStringLiteral("Lower byte DQ0-DQ7 with LDQS, LDM; upper byte DQ8-DQ15 with UDQS, UDM."));
    switch (data.package) {
    case DramPackage::Ddr2Fbga60:
        notes.push_back(QStringLiteral("RDQS, /RDQS: x8 only, when enabled in EMR(1)."));
        notes.push_back(QStringLiteral("BA2, A13: NC on densities that do not use them."));
        break;
    case DramPackage::Ddr2Fbga84:
        notes.push_back(QStringLiteral("BA2, A13: NC on densities that do not use them."));
        break;
    case DramPackage::Ddr3Fbga78:
        notes.push_back(QStringLiteral("TDQS, /TDQS: x8 only, when enabled in MR1."));
        notes.push_back(QStringLiteral("A13-A15: NC on densities that do not use them."));
        break;
    case DramPackage::Ddr3Fbga96:
        notes.push_back(QStringLiteral("A13-A15: NC on densities that do not use them."));
        break;
    case DramPackage::DdrTsop66: break;
    }
    return notes;
}

DramArtLayout LayoutFbga(const DramPackageData& data)
{
    DramArtLayout layout;
    layout.size = {kWidth, kFbgaHeight};
    AddTitle(layout, data);
    const qreal legendTop = AddLegend(layout, data, kFbgaHeight - 8);

    const auto rows = static_cast<int>(data.rows.size());
    const qreal headerHeight = TextHeight(kNamePx, true);
    const qreal headerTop = 30;
    const qreal mapTop = headerTop + headerHeight + 3;
    const qreal mapBottom = legendTop - 8;
    const qreal pitch = std::min(kMaxRowPitch, (mapBottom - mapTop - 2 * kMapPad) / rows);
    const qreal outlineHeight = rows * pitch + 2 * kMapPad;
    const qreal shift = std::floor((mapBottom - mapTop - outlineHeight) / 2);

    const qreal letterX = kMargin + 2;
    const qreal outlineX = letterX + kLetterWidth + 4;
    const qreal outlineWidth = 2 * kMapPad + 6 * kCellWidth + kGapWidth;
    const QRectF body(outlineX, mapTop + shift, outlineWidth, outlineHeight);
    layout.body = body;

    // The outline with the ball A1 corner cut off, and a mark pointing at it.
    const qreal cut = 8;
    QPolygonF outline;
    outline << QPointF(body.left() + cut, body.top()) << body.topRight() << body.bottomRight()
            << body.bottomLeft() << QPointF(body.left(), body.top() + cut) << QPointF(body.left() + cut, body.top());
    layout.outline.addPolygon(outline);
    QPolygonF mark;
    mark << QPointF(body.left() - 2, body.top() - 2) << QPointF(body.left() - 14, body.top() - 2)
         << QPointF(body.left() - 2, body.top() - 14) << QPointF(body.left() - 2, body.top() - 2);
    layout.indexMark.addPolygon(mark);

    auto columnX = [&](std::size_t c) {
        return body.left() + kMapPad + static_cast<qreal>(c) * kCellWidth + (c >= 3 ? kGapWidth : 0);
    };
    const qreal headerY = body.top() - 3 - headerHeight;
    for (std::size_t c = 0; c < data.columns.size(); ++c) {
        AddText(layout, QRectF(columnX(c), headerY, kCellWidth, headerHeight),
                QString::number(data.columns[c]), kNamePx, true, kHeadingInk);
    }
    for (int n = 0; n < 3; ++n) {
        const qreal slot = kGapWidth / 3;
        AddText(layout, QRectF(columnX(3) - kGapWidth + n * slot, headerY, slot, headerHeight),
                QString::number(4 + n), kSmallPx, false, kFaintInk);
    }
    for (int r = 0; r < rows; ++r) {
        const QString letter(QLatin1Char(data.rows[static_cast<std::size_t>(r)]));
        const qreal y = body.top() + kMapPad + r * pitch;
        AddText(layout, QRectF(letterX, y, kLetterWidth, pitch), letter, kNamePx, true, kHeadingInk);
        AddText(layout, QRectF(body.right() + 4, y, kLetterWidth, pitch), letter, kNamePx, true, kHeadingInk);
    }

    const bool showX4 = data.Offers(DramWidth::X4) && data.MainWidth() != DramWidth::X4;
    const qreal ballWidth = kCellWidth - 4;
    const qreal ballHeight = pitch - 3;
    for (const DramPin& pin : data.pins) {
        const auto r = data.rows.find(pin.position.front());
        const int column = std::stoi(pin.position.substr(1));
        const auto c = static_cast<std::size_t>(
            std::find(data.columns.begin(), data.columns.end(), column) - data.columns.begin());
        const QRectF ball(columnX(c) + (kCellWidth - ballWidth) / 2,
                          body.top() + kMapPad + static_cast<qreal>(r) * pitch + (pitch - ballHeight) / 2, ballWidth,
                          ballHeight);
        const std::string_view name = pin.Name(data.MainWidth());
        const SignalClass cls = ClassifySignal(name);
        layout.pins.push_back({QString::fromStdString(pin.position), ball, true, SignalFill(cls), SignalInk(cls)});

        const QRectF inner = ball.adjusted(2, 0, -2, 0);
        const QString text = PinText(name);
        const std::string_view x4 = showX4 ? pin.Name(DramWidth::X4) : std::string_view();
        if (x4.empty() || x4 == name) {
            AddText(layout, inner, text, FittingPixelSize(text, inner.width(), kNamePx), false, SignalInk(cls));
            continue;
        }
        const QString second = QStringLiteral("x4: ") + PinText(x4);
        const qreal h1 = TextHeight(kNamePx);
        const qreal h2 = TextHeight(kSmallPx);
        const qreal top = inner.center().y() - (h1 + h2) / 2;
        AddText(layout, QRectF(inner.left(), top, inner.width(), h1), text,
                FittingPixelSize(text, inner.width(), kNamePx), false, SignalInk(cls));
        AddText(layout, QRectF(inner.left(), top + h1, inner.width(), h2), second, kSmallPx, false, kX4Ink);
    }

    // Notes beside the map.
    const qreal notesX = body.right() + 4 + kLetterWidth + 14;
    const qreal notesWidth = kWidth - kMargin - notesX;
    const qreal headingHeight = TextHeight(11, true);
    AddText(layout, QRectF(notesX, body.top(), notesWidth, headingHeight), QStringLiteral("Top view"), 11, true,
            Qt::black, Qt::AlignLeft | Qt::AlignVCenter);
    qreal y = body.top() + headingHeight + 4;
    // The same mark as at the map's corner, as the key of the first note.
    QPolygonF key;
    const qreal keyY = y + 1;
    key << QPointF(notesX, keyY) << QPointF(notesX + 11, keyY) << QPointF(notesX, keyY + 11) << QPointF(notesX, keyY);
    layout.indexMark.addPolygon(key);
    AddText(layout, QRectF(notesX + 16, y, notesWidth - 16, TextHeight(kNamePx)), QStringLiteral("Ball A1 corner"),
            kNamePx, false, kHeadingInk, Qt::AlignLeft | Qt::AlignVCenter);
    y += TextHeight(kNamePx) + 6;
    AddNotes(layout, QPointF(notesX, y), notesWidth, FbgaNotes(data));
    return layout;
}

DramArtLayout LayoutTsop(const DramPackageData& data)
{
    DramArtLayout layout;
    AddTitle(layout, data);

    const qreal headerHeight = TextHeight(kNamePx, true);
    const qreal headerTop = 30;
    const qreal bodyTop = headerTop + headerHeight + 4;
    const qreal leadsTop = bodyTop + 4;
    const qreal bodyHeight = kTsopPinsPerSide * kTsopPitch + 8;
    const qreal sideWidth = kLeadWidth + kLeadGap + 3 * kChipWidth + 2 * kChipGap;
    const qreal bodyWidth = kWidth - 2 * kMargin - 2 * sideWidth;
    const QRectF body(kMargin + sideWidth, bodyTop, bodyWidth, bodyHeight);
    layout.body = body;
    layout.outline.addRect(body);
    layout.indexMark.addEllipse(QPointF(body.left() + 34, leadsTop + 7), 4.5, 4.5);

    const qreal legendBottom = body.bottom() + 10 + kLegendPx * 1.4 + kLegendRowPitch;
    const qreal height = std::ceil(legendBottom + 8);
    layout.size = {kWidth, height};
    AddLegend(layout, data, height - 8);

    // Name columns: the widest part's names next to the leads, narrower ones outwards.
    const std::vector<DramWidth> outward(data.widths.rbegin(), data.widths.rend());
    auto chipX = [&](bool left, std::size_t column) {
        const qreal offset = kLeadWidth + kLeadGap + static_cast<qreal>(column) * (kChipWidth + kChipGap);
        return left ? body.left() - offset - kChipWidth : body.right() + offset;
    };
    for (std::size_t column = 0; column < outward.size(); ++column) {
        const QString heading = PinText(DramWidthName(outward[column]));
        for (bool left : {true, false}) {
            AddText(layout, QRectF(chipX(left, column), headerTop, kChipWidth, headerHeight), heading, kNamePx, true,
                    kHeadingInk);
        }
    }

    const qreal numberWidth = 22;
    for (const DramPin& pin : data.pins) {
        const int number = std::stoi(pin.position);
        const bool left = number <= kTsopPinsPerSide;
        const int row = left ? number - 1 : 2 * kTsopPinsPerSide - number;
        const qreal y = leadsTop + row * kTsopPitch;
        const QRectF lead(left ? body.left() - kLeadWidth : body.right(), y + 2.5, kLeadWidth, kTsopPitch - 5);
        layout.pins.push_back({QString::fromStdString(pin.position), lead, false, QColor(205, 205, 205),
                               QColor(120, 120, 120)});
        AddText(layout,
                QRectF(left ? body.left() + 3 : body.right() - 3 - numberWidth, y, numberWidth, kTsopPitch),
                QString::number(number), kNamePx, false, kHeadingInk,
                (left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        for (std::size_t column = 0; column < outward.size(); ++column) {
            const std::string_view name = pin.Name(outward[column]);
            const SignalClass cls = ClassifySignal(name);
            const QString text = PinText(name);
            AddText(layout, QRectF(chipX(left, column), y, kChipWidth, kTsopPitch), text,
                    FittingPixelSize(text, kChipWidth - 4, kNamePx), false, SignalInk(cls), Qt::AlignCenter,
                    SignalFill(cls));
        }
    }

    // The package described in its middle.
    const qreal inner = body.width() - 2 * (numberWidth + 10);
    const std::vector<std::pair<QString, qreal>> lines = {
        {PinText(data.memory), 13},
        {PinText(data.outline), 11},
        {QStringLiteral("400 mil body"), kNamePx},
        {QStringLiteral("0.65 mm pin pitch"), kNamePx},
        {QStringLiteral("Top view"), kNamePx},
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
    AddText(layout, QRectF(body.left() + 42, leadsTop + 1, 40, TextHeight(kSmallPx)), QStringLiteral("pin 1"),
            kSmallPx, false, kHeadingInk, Qt::AlignLeft | Qt::AlignVCenter);
    return layout;
}

}  // namespace

DramArtLayout LayoutDramPackage(DramPackage package)
{
    const DramPackageData& data = DramPackageInfo(package);
    return data.kind == DramPackageKind::Tsop ? LayoutTsop(data) : LayoutFbga(data);
}

namespace {
// The layout never changes for a package; every paint of a panel uses it,
// so it is made once.
const DramArtLayout& CachedLayout(DramPackage package)
{
    static std::map<DramPackage, DramArtLayout> layouts;
    auto it = layouts.find(package);
    if (it == layouts.end())
        it = layouts.emplace(package, LayoutDramPackage(package)).first;
    return it->second;
}
}  // namespace

QSizeF DramPackageSize(DramPackage package)
{
    if (DramPackageInfo(package).kind == DramPackageKind::Fbga)
        return {kWidth, kFbgaHeight};
    return CachedLayout(package).size;
}

void PaintDramPackage(QPainter& painter, DramPackage package)
{
    const DramArtLayout& layout = CachedLayout(package);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
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

    for (const DramArtText& text : layout.texts) {
        if (text.chip.isValid()) {
            painter.setPen(QPen(text.ink.lighter(170), 0.8));
            painter.setBrush(text.chip);
            painter.drawRoundedRect(text.box.adjusted(0.5, 1, -0.5, -1), 2, 2);
        }
        painter.setFont(PinMapFont(text.pixelSize, text.bold));
        painter.setPen(text.ink);
        painter.drawText(text.box, text.align, text.text);
    }

    for (const DramArtLegendEntry& entry : layout.legend)
        PaintSignalLegend(painter, entry.topLeft, layout.legendPixelSize, {entry.cls});
    painter.restore();
}

}  // namespace tessaro
