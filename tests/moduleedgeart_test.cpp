#include "pinmapui/pinmapdrawings.h"
#include "pinmapui/pinmapstyle.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <map>
#include <string>

namespace tessaro {
namespace {

bool Overlap(const QRectF& a, const QRectF& b)
{
    const QRectF both = a.intersected(b);
    return both.width() > 0.01 && both.height() > 0.01;
}

bool Inside(const QRectF& r, const QSizeF& size)
{
    return r.left() >= 0 && r.top() >= 0 && r.right() <= size.width() && r.bottom() <= size.height();
}

TEST(ModuleEdgeArt, EveryPinHasOneContactAndOneListCell)
{
    for (ModuleEdge edge : kModuleEdges) {
        const ModuleEdgeInfo& info = EdgeInfo(edge);
        SCOPED_TRACE(std::string(info.name));
        const EdgeArtLayout layout = ModuleEdgeLayout(edge);
        ASSERT_EQ(layout.sides.size(), 2u);

        std::map<int, QRectF> contacts;
        for (const EdgeArtPin& c : layout.contacts)
            EXPECT_TRUE(contacts.emplace(c.pin, c.rect).second) << "pin " << c.pin << " twice";
        EXPECT_EQ(static_cast<int>(contacts.size()), info.pinCount);
        std::map<int, int> cells;
        for (const EdgeArtPin& c : layout.cells)
            ++cells[c.pin];
        EXPECT_EQ(cells[0], 2) << "one key slot a side";
        cells.erase(0);
        EXPECT_EQ(static_cast<int>(cells.size()), info.pinCount);
        for (const auto& [pin, count] : cells)
            EXPECT_EQ(count, 1) << "pin " << pin;

        for (const EdgeArtSide& side : layout.sides) {
            const std::vector<int> pins = EdgeSidePins(edge, side.front);
            for (std::size_t i = 0; i < pins.size(); ++i) {
                const QRectF& r = contacts.at(pins[i]);
                EXPECT_TRUE(side.board.contains(r)) << "pin " << pins[i];
                if (i > 0) {
                    EXPECT_LT(contacts.at(pins[i - 1]).right(), r.left()) << "pin " << pins[i];
                }
            }
            // The notch lies between the two pins either side of it.
            const KeyPins key = EdgeKeyPins(edge, side.front);
            EXPECT_LT(contacts.at(key.left).right(), side.notch.left());
            EXPECT_GT(contacts.at(key.right).left(), side.notch.right());
        }
        // A back contact stands exactly behind its front contact.
        for (int pin : EdgeSidePins(edge, false)) {
            const int front = EdgeSidePins(edge, true)[static_cast<std::size_t>(EdgePosition(edge, pin))];
            EXPECT_DOUBLE_EQ(contacts.at(pin).left(), contacts.at(front).left()) << "pin " << pin;
        }
    }
}

TEST(ModuleEdgeArt, TextIsLegibleFitsAndNothingOverlaps)
{
    for (ModuleEdge edge : kModuleEdges) {
        SCOPED_TRACE(std::string(EdgeInfo(edge).name));
        const EdgeArtLayout layout = ModuleEdgeLayout(edge);
        // Made for a panel of about 620 x 440.
        EXPECT_EQ(ModuleEdgeSize(edge), layout.size);
        EXPECT_TRUE(layout.size.width() >= 620 && layout.size.width() <= 670) << layout.size.width();
        EXPECT_TRUE(layout.size.height() >= 420 && layout.size.height() <= 490) << layout.size.height();
        std::vector<QRectF> texts;
        for (const PinMapText& t : layout.texts) {
            EXPECT_GE(t.pixelSize, 9) << t.text.toStdString();
            EXPECT_TRUE(Inside(t.box, layout.size)) << t.text.toStdString();
            const qreal advance = QFontMetricsF(PinMapFont(t.pixelSize, t.bold)).horizontalAdvance(t.text);
            EXPECT_LE(advance, t.box.width() + 0.5) << t.text.toStdString();
            EXPECT_GE(t.box.height(), t.pixelSize) << t.text.toStdString();
            texts.push_back(t.box);
        }
        EXPECT_GE(layout.legendPixelSize, 9);
        for (const PinMapLegendEntry& item : layout.legend) {
            EXPECT_TRUE(Inside(item.swatch, layout.size));
            EXPECT_TRUE(Inside(item.label, layout.size));
            texts.push_back(item.swatch);
            texts.push_back(item.label);
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                EXPECT_FALSE(Overlap(texts[i], texts[j]))
                    << "text " << i << " and " << j << " overlap";
            }
        }
        // The list cells stand apart and clear of the drawn edge.
        for (std::size_t i = 0; i < layout.cells.size(); ++i) {
            EXPECT_TRUE(Inside(layout.cells[i].rect, layout.size));
            for (const EdgeArtSide& side : layout.sides)
                EXPECT_FALSE(Overlap(layout.cells[i].rect, side.board));
            for (std::size_t j = i + 1; j < layout.cells.size(); ++j)
                EXPECT_FALSE(Overlap(layout.cells[i].rect, layout.cells[j].rect)) << i << " " << j;
        }
    }
}

TEST(ModuleEdgeArt, PaintsWithinItsSizeAndColoursCellsByClass)
{
    const QColor sentinel(255, 0, 255);
    for (ModuleEdge edge : kModuleEdges) {
        SCOPED_TRACE(std::string(EdgeInfo(edge).name));
        const EdgeArtLayout layout = ModuleEdgeLayout(edge);
        constexpr int border = 10;
        QImage image(qCeil(layout.size.width()) + 2 * border, qCeil(layout.size.height()) + 2 * border,
                     QImage::Format_ARGB32);
        image.fill(sentinel);
        {
            QPainter painter(&image);
            painter.translate(border, border);
            PaintModuleEdge(painter, edge);
        }
        int touched[2] = {0, 0};  // inside, outside the natural size
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const bool outside = x < border || y < border || x >= border + layout.size.width() ||
                                     y >= border + layout.size.height();
                touched[outside ? 1 : 0] += image.pixelColor(x, y) != sentinel ? 1 : 0;
            }
        }
        EXPECT_EQ(touched[1], 0);
        EXPECT_GT(touched[0], image.width() * image.height() / 4);

        // The free left end of a list cell shows its class's fill.
        int checked = 0;
        for (const EdgeArtPin& cell : layout.cells) {
            if (cell.pin == 0 || cell.pin > 9)
                continue;
            const QPoint at(border + qFloor(cell.rect.left()) + 2, border + qFloor(cell.rect.center().y()));
            EXPECT_EQ(image.pixelColor(at), SignalFill(ClassifySignal(EdgePinName(edge, cell.pin))))
                << "pin " << cell.pin;
            ++checked;
        }
        EXPECT_EQ(checked, 9);
    }
}

}  // namespace
}  // namespace tessaro
