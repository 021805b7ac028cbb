#include "pinmapui/pinmapstyle.h"

#include <QFontMetricsF>
#include <QPainter>

#include <array>

namespace tessaro {

namespace {

// The fill of a class's pins and the ink of their names.
struct SignalColors {
    QColor fill;
    QColor ink;
};

SignalColors ColorsOf(SignalClass cls)
{
    switch (cls) {
    case SignalClass::Data: return {{214, 228, 255}, {0, 40, 170}};
    case SignalClass::Strobe: return {{196, 236, 255}, {0, 100, 150}};
    case SignalClass::Address: return {{214, 244, 214}, {0, 110, 30}};
    case SignalClass::Command: return {{255, 232, 200}, {150, 70, 0}};
    case SignalClass::Clock: return {{255, 214, 232}, {170, 0, 90}};
    case SignalClass::Power: return {{255, 212, 212}, {190, 0, 0}};
    case SignalClass::Ground: return {{222, 222, 222}, {50, 50, 50}};
    case SignalClass::Spd: return {{234, 220, 255}, {100, 30, 160}};
    case SignalClass::Unused: return {{250, 250, 250}, {140, 140, 140}};
    }
    return {Qt::white, Qt::black};
}

}  // namespace

QColor SignalFill(SignalClass cls)
{
    return ColorsOf(cls).fill;
}

QColor SignalInk(SignalClass cls)
{
    return ColorsOf(cls).ink;
}

QFont PinMapFont(qreal pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qRound(pixelSize));
    font.setBold(bold);
    return font;
}

qreal PinMapTextWidth(const QString& text, qreal pixelSize, bool bold)
{
    return QFontMetricsF(PinMapFont(pixelSize, bold)).horizontalAdvance(text);
}

namespace {
QString ClassName(SignalClass cls)
{
    return QString::fromLatin1(SignalClassName(cls));
}
}  // namespace

PinMapLegendEntry LegendEntryAt(SignalClass cls, QPointF topLeft, qreal pixelSize)
{
    const qreal x = topLeft.x();
    const qreal y = topLeft.y();
    const qreal textX = x + pixelSize + pixelSize * 0.4;
    return {cls, QRectF(x, y, pixelSize, pixelSize),
            QRectF(textX, y - pixelSize * 0.2, PinMapTextWidth(ClassName(cls), pixelSize) + 2,
                   pixelSize + pixelSize * 0.4)};
}

qreal LegendEntryAdvance(SignalClass cls, qreal pixelSize)
{
    return pixelSize * 2.6 + PinMapTextWidth(ClassName(cls), pixelSize);
}

std::vector<SignalClass> ClassesUsed(const std::vector<std::string_view>& names)
{
    std::array<bool, kSignalClassCount> used{};
    for (std::string_view name : names) {
        if (!name.empty())
            used[static_cast<std::size_t>(ClassifySignal(name))] = true;
    }
    std::vector<SignalClass> classes;
    for (int i = 0; i < kSignalClassCount; ++i) {
        if (used[static_cast<std::size_t>(i)])
            classes.push_back(static_cast<SignalClass>(i));
    }
    return classes;
}

void PaintPinMapText(QPainter& painter, const PinMapText& text)
{
    if (text.chip.isValid()) {
        painter.setPen(QPen(text.ink.lighter(170), 0.8));
        painter.setBrush(text.chip);
        painter.drawRoundedRect(text.box.adjusted(0.5, 1, -0.5, -1), 2, 2);
    }
    painter.setFont(PinMapFont(text.pixelSize, text.bold));
    painter.setPen(text.ink);
    painter.drawText(text.box, text.align, text.text);
}

void BeginPinMapPainting(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

void PaintLegendEntry(QPainter& painter, const PinMapLegendEntry& entry, qreal pixelSize)
{
    painter.save();
    painter.setFont(PinMapFont(pixelSize));
    painter.setPen(QPen(SignalInk(entry.cls), 1));
    painter.setBrush(SignalFill(entry.cls));
    painter.drawRect(entry.swatch);
    painter.setPen(Qt::black);
    painter.drawText(entry.label, Qt::AlignLeft | Qt::AlignVCenter, ClassName(entry.cls));
    painter.restore();
}

void PaintTextsAndLegend(QPainter& painter, const PinMapDrawing& drawing)
{
    for (const PinMapText& text : drawing.texts)
        PaintPinMapText(painter, text);
    for (const PinMapLegendEntry& entry : drawing.legend)
        PaintLegendEntry(painter, entry, drawing.legendPixelSize);
}

}  // namespace tessaro
