#pragma once

#include "pinmap/moduleedges.h"
#include "pinmapui/pinmapstyle.h"

#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

namespace tessaro {

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
