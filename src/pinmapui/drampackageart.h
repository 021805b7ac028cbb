#pragma once

#include "pinmap/drampackages.h"
#include "pinmapui/pinmapstyle.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

namespace tessaro {

// The size of a package's drawing in logical units.
[[nodiscard]] QSizeF DramPackageSize(DramPackage package);
// Draws the package's pin-out with (0, 0) at the top left of its size.
void PaintDramPackage(QPainter& painter, DramPackage package);

// A ball or a TSOP lead.
struct DramArtPin {
    QString position;  // "A1", "47"
    QRectF shape;
    bool ball = true;
    QColor fill;
    QColor edge;
};

// Everything a pin-out drawing is made of, in the drawing's logical units:
// the size, texts and legend every drawing has, and the package's shapes.
struct DramArtLayout : PinMapDrawing {
    QRectF body;             // the package outline's bounds
    QPainterPath outline;    // the package outline
    QPainterPath indexMark;  // ball A1 / pin 1 mark
    std::vector<DramArtPin> pins;
};

[[nodiscard]] DramArtLayout LayoutDramPackage(DramPackage package);

}  // namespace tessaro
