#pragma once

#include "pinmap/pinmappanels.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace tessaro {

// The drawing behind each pin-map picture: a DRAM package or a module connector.
[[nodiscard]] QSizeF PinMapNaturalSize(PinMapPicture picture);
// Draws the picture scaled into `target`, centred, keeping its proportions.
void PaintPinMap(QPainter& painter, const QRectF& target, PinMapPicture picture);
// The picture on white at `scale` times its natural size.
[[nodiscard]] QImage RenderPinMap(PinMapPicture picture, qreal scale = 1.0);

}  // namespace tessaro
