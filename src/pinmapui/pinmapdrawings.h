#pragma once

#include "pinmap/drampackages.h"
#include "pinmap/moduleedges.h"
#include "pinmapui/pinmapstyle.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

// The two kinds of drawing behind the pin-map pictures: the pin-out of a DRAM
// package and the contacts of a module connector. Each has its size, its
// painting and the layout the painting draws (which the tests read).

namespace tessaro {

// --- DRAM packages ---

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

// --- Module connectors ---

// The size of a connector's drawing in logical units.
[[nodiscard]] QSizeF ModuleEdgeSize(ModuleEdge edge);
// Draws the connector's pin-out with (0, 0) at the top left of its size.
void PaintModuleEdge(QPainter& painter, ModuleEdge edge);

// A contact of the edge, or a cell of the pin list.
struct EdgeArtPin {
    int pin = 0;  // 0: the key slot of the list
    QRectF rect;
};

struct EdgeArtSide {
    bool front = true;
    QRectF board;  // the board above the contacts
    QRectF notch;  // the cut of the key notch
};

// Where everything of a connector's drawing goes. The top band shows the
// module's edge twice, front and back, a contact for every pin and the key
// notch at its place; below it the pins are listed in columns, front pins
// and back pins as two groups, with the notch as a "key" slot in the list.
// The size, texts and legend are those every drawing has.
struct EdgeArtLayout : PinMapDrawing {
    std::vector<EdgeArtSide> sides;  // front, back
    std::vector<EdgeArtPin> contacts;
    std::vector<EdgeArtPin> cells;
};

[[nodiscard]] EdgeArtLayout ModuleEdgeLayout(ModuleEdge edge);

}  // namespace tessaro
