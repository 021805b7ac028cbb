#pragma once

#include "pinmap/signalclass.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

class QPainter;

namespace tessaro {

// One look for all eleven pin-map pictures. Drawings are made in logical
// units (one unit is one pixel at 100 %); the panels scale them to fit.

// Fill of a pin, pad or ball, and the ink of its name.
[[nodiscard]] QColor SignalFill(SignalClass cls);
[[nodiscard]] QColor SignalInk(SignalClass cls);

// The face used by every picture, at a pixel size (9 is the smallest used).
[[nodiscard]] QFont PinMapFont(qreal pixelSize, bool bold = false);

// A row of colour swatches with the class names, starting at `topLeft`;
// returns the width used. Only the classes in `shown` are drawn.
qreal PaintSignalLegend(QPainter& painter, QPointF topLeft, qreal pixelSize,
                        std::initializer_list<SignalClass> shown);

// Text as the pictures print signal names: UTF-8 to QString.
[[nodiscard]] inline QString PinText(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace tessaro
