#include "pinmapui/pinmapstyle.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tessaro {

QColor SignalFill(SignalClass cls)
{
    switch (cls) {
    case SignalClass::Data: return {214, 228, 255};
    case SignalClass::Strobe: return {196, 236, 255};
    case SignalClass::Address: return {214, 244, 214};
    case SignalClass::Command: return {255, 232, 200};
    case SignalClass::Clock: return {255, 214, 232};
    case SignalClass::Power: return {255, 212, 212};
    case SignalClass::Ground: return {222, 222, 222};
    case SignalClass::Spd: return {234, 220, 255};
    case SignalClass::Unused: return {250, 250, 250};
    }
    return Qt::white;
}

QColor SignalInk(SignalClass cls)
{
    switch (cls) {
    case SignalClass::Data: return {0, 40, 170};
    case SignalClass::Strobe: return {0, 100, 150};
    case SignalClass::Address: return {0, 110, 30};
    case SignalClass::Command: return {150, 70, 0};
    case SignalClass::Clock: return {170, 0, 90};
    case SignalClass::Power: return {190, 0, 0};
    case SignalClass::Ground: return {50, 50, 50};
    case SignalClass::Spd: return {100, 30, 160};
    case SignalClass::Unused: return {140, 140, 140};
    }
    return Qt::black;
}

QFont PinMapFont(qreal pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qRound(pixelSize));
    font.setBold(bold);
    return font;
}

qreal PaintSignalLegend(QPainter& painter, QPointF topLeft, qreal pixelSize,
                        std::initializer_list<SignalClass> shown)
{
    painter.save();
    const QFont font = PinMapFont(pixelSize);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const qreal swatch = pixelSize;
    qreal x = topLeft.x();
    for (SignalClass cls : shown) {
        const QRectF box(x, topLeft.y(), swatch, swatch);
        painter.setPen(QPen(SignalInk(cls), 1));
        painter.setBrush(SignalFill(cls));
        painter.drawRect(box);
        const QString name = QString::fromLatin1(SignalClassName(cls));
        painter.setPen(Qt::black);
        const qreal textX = x + swatch + pixelSize * 0.4;
        painter.drawText(QRectF(textX, topLeft.y() - pixelSize * 0.2, metrics.horizontalAdvance(name) + 2,
                                swatch + pixelSize * 0.4),
                         Qt::AlignLeft | Qt::AlignVCenter, name);
        x = textX + metrics.horizontalAdvance(name) + pixelSize * 1.2;
    }
    painter.restore();
    return x - topLeft.x();
}

}  // namespace tessaro
