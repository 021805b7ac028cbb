#pragma once

#include "pinmap/signalclass.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <map>
#include <string_view>
#include <type_traits>
#include <vector>

class QPainter;

namespace tessaro {

// One look for all eleven pin-map pictures. Drawings are made in logical
// units (one unit is one pixel at 100 %); the panels scale them to fit.

// Fill of a pin, pad or ball, and the ink of its name.
[[nodiscard]] QColor SignalFill(SignalClass cls);
[[nodiscard]] QColor SignalInk(SignalClass cls);

// The text sizes of every picture, in pixels.
constexpr int kPinMapTitlePx = 14;
constexpr int kPinMapNamePx = 10;   // names, labels and headings
constexpr int kPinMapSmallPx = 9;   // pin numbers and notes: the smallest text of any picture
constexpr int kPinMapLegendPx = 10;

// The face used by every picture, at a pixel size (9 is the smallest used).
[[nodiscard]] QFont PinMapFont(qreal pixelSize, bool bold = false);

// One text of a drawing and the box it is drawn in. A text with a `chip`
// colour is drawn on a rounded box of that colour (the TSOP name columns).
struct PinMapText {
    QRectF box;
    QString text;
    qreal pixelSize = 10;
    bool bold = false;
    QColor ink;
    int align = Qt::AlignCenter;  // Qt::Alignment flags
    QColor chip;
};

// One entry of a colour legend: a swatch of the class's colours and its name
// beside it.
struct PinMapLegendEntry {
    SignalClass cls = SignalClass::Unused;
    QRectF swatch;
    QRectF label;  // the box the name is drawn in
    // Everything the entry covers.
    [[nodiscard]] QRectF box() const { return swatch.united(label); }
};

// What every drawing has besides its shapes, in the drawing's logical units:
// its size, its texts and its legend.
struct PinMapDrawing {
    QSizeF size;
    std::vector<PinMapText> texts;
    std::vector<PinMapLegendEntry> legend;
    qreal legendPixelSize = 10;
};

// The legend entry of `cls` with its swatch's top left at `topLeft`.
[[nodiscard]] PinMapLegendEntry LegendEntryAt(SignalClass cls, QPointF topLeft, qreal pixelSize);
// From the left of an entry to the left of the next one in a row.
[[nodiscard]] qreal LegendEntryAdvance(SignalClass cls, qreal pixelSize);
// The classes of the names that are not empty, in the order of the legend.
[[nodiscard]] std::vector<SignalClass> ClassesUsed(const std::vector<std::string_view>& names);

// The width of `text` in the pictures' face.
[[nodiscard]] qreal PinMapTextWidth(const QString& text, qreal pixelSize, bool bold = false);

// Saves the painter's state (the caller restores it) and turns on the
// antialiasing of shapes and texts every picture is drawn with.
void BeginPinMapPainting(QPainter& painter);
void PaintPinMapText(QPainter& painter, const PinMapText& text);
void PaintLegendEntry(QPainter& painter, const PinMapLegendEntry& entry, qreal pixelSize);
// The texts, then the legend on top.
void PaintTextsAndLegend(QPainter& painter, const PinMapDrawing& drawing);

// The layout `MakeLayout(key)` of a drawing, made on first use and kept: a
// drawing's layout never changes and every paint of a panel needs it.
template <auto MakeLayout, typename Key>
const auto& CachedLayout(Key key)
{
    using Layout = std::invoke_result_t<decltype(MakeLayout), Key>;
    static std::map<Key, Layout> layouts;
    auto it = layouts.find(key);
    if (it == layouts.end())
        it = layouts.emplace(key, MakeLayout(key)).first;
    return it->second;
}

// Text as the pictures print signal names: UTF-8 to QString.
[[nodiscard]] inline QString PinText(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace tessaro
