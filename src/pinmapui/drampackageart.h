#pragma once

#include "pinmap/drampackages.h"
#include "pinmap/signalclass.h"

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

// One text of a pin-out drawing and the box it is drawn in. A text with a
// `chip` colour is drawn on a filled box of that colour (the TSOP name columns).
struct DramArtText {
    QRectF box;
    QString text;
    qreal pixelSize = 10;
    bool bold = false;
    QColor ink;
    QColor chip;
    int align = 0;  // Qt::Alignment flags
};

// A ball or a TSOP lead.
struct DramArtPin {
    QString position;  // "A1", "47"
    QRectF shape;
    bool ball = true;
    QColor fill;
    QColor edge;
};

// One swatch-and-name entry of the colour legend; `box` is what it covers.
struct DramArtLegendEntry {
    SignalClass cls = SignalClass::Unused;
    QPointF topLeft;
    QRectF box;
};

// Everything a pin-out drawing is made of, in the drawing's logical units.
struct DramArtLayout {
    QSizeF size;
    QRectF body;          // the package outline's bounds
    QPainterPath outline; // the package outline
    QPainterPath indexMark;  // ball A1 / pin 1 mark
    std::vector<DramArtPin> pins;
    std::vector<DramArtText> texts;
    std::vector<DramArtLegendEntry> legend;
    qreal legendPixelSize = 10;
};

[[nodiscard]] DramArtLayout LayoutDramPackage(DramPackage package);

}  // namespace tessaro
