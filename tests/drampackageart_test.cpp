#include "pinmapui/pinmapdrawings.h"
#include "pinmapui/pinmapstyle.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <set>
#include <string>

using namespace tessaro;

namespace {

bool Overlap(const QRectF& a, const QRectF& b)
{
    const QRectF both = a.intersected(b);
    return both.width() > 0.01 && both.height() > 0.01;
}

bool Inside(const QRectF& inner, const QRectF& outer)
{
    return inner.left() >= outer.left() - 0.01 && inner.top() >= outer.top() - 0.01 &&
           inner.right() <= outer.right() + 0.01 && inner.bottom() <= outer.bottom() + 0.01;
}

std::string Describe(const PinMapText& text)
{
    return text.text.toStdString() + " at " + std::to_string(text.box.x()) + "," + std::to_string(text.box.y());
}

}  // namespace

TEST(DramPackageArt, DrawingsSuitThePanel)
{
    for (DramPackage package : kDramPackages) {
        const DramArtLayout layout = LayoutDramPackage(package);
        EXPECT_EQ(DramPackageSize(package), layout.size);
        const qreal aspect = layout.size.width() / layout.size.height();
        EXPECT_GE(aspect, 1.2);
        EXPECT_LE(aspect, 1.6);
    }
}

TEST(DramPackageArt, EveryPinIsDrawnWithItsName)
{
    for (DramPackage package : kDramPackages) {
        const DramPackageData& data = DramPackageInfo(package);
        const DramArtLayout layout = LayoutDramPackage(package);
        SCOPED_TRACE(std::string(data.title));
        std::set<std::string> drawn;
        for (const DramArtPin& pin : layout.pins)
            EXPECT_TRUE(drawn.insert(pin.position.toStdString()).second) << pin.position.toStdString();
        ASSERT_EQ(drawn.size(), data.pins.size());
        for (const DramArtPin& art : layout.pins) {
            const DramPin* pin = FindDramPin(data, art.position.toStdString());
            ASSERT_NE(pin, nullptr) << art.position.toStdString();
            // Each width's name is printed on the ball or level with the lead.
            for (DramWidth width : data.widths) {
                QString expected = PinText(pin->Name(width));
                if (data.kind == DramPackageKind::Fbga && width != data.MainWidth()) {
                    if (pin->Name(width) == pin->Name(data.MainWidth()))
                        continue;
                    expected = QStringLiteral("x4: ") + expected;
                }
                const bool found = std::any_of(layout.texts.begin(), layout.texts.end(), [&](const PinMapText& t) {
                    return t.text == expected && (data.kind == DramPackageKind::Fbga
                                                      ? Inside(t.box, art.shape)
                                                      : std::abs(t.box.center().y() - art.shape.center().y()) < 0.5);
                });
                EXPECT_TRUE(found) << art.position.toStdString() << " " << DramWidthName(width);
            }
        }
        if (data.kind == DramPackageKind::Fbga) {
            for (const DramArtPin& pin : layout.pins)
                EXPECT_TRUE(Inside(pin.shape, layout.body)) << pin.position.toStdString();
        }
    }
}

TEST(DramPackageArt, NothingOverlapsAndEverythingLiesInside)
{
    for (DramPackage package : kDramPackages) {
        const DramArtLayout layout = LayoutDramPackage(package);
        SCOPED_TRACE(std::string(DramPackageInfo(package).title));
        const QRectF bounds(QPointF(0, 0), layout.size);
        std::vector<QRectF> marks;
        for (const QPolygonF& mark : layout.indexMark.toSubpathPolygons())
            marks.push_back(mark.boundingRect());
        for (std::size_t i = 0; i < layout.texts.size(); ++i) {
            const PinMapText& text = layout.texts[i];
            EXPECT_TRUE(Inside(text.box, bounds)) << Describe(text);
            for (std::size_t j = i + 1; j < layout.texts.size(); ++j)
                EXPECT_FALSE(Overlap(text.box, layout.texts[j].box)) << Describe(text) << " / " << Describe(layout.texts[j]);
            // A name lies within its ball or clear of every pin.
            for (const DramArtPin& pin : layout.pins)
                EXPECT_TRUE(!Overlap(text.box, pin.shape) || Inside(text.box, pin.shape)) << Describe(text);
            for (const PinMapLegendEntry& entry : layout.legend)
                EXPECT_FALSE(Overlap(text.box, entry.box())) << Describe(text);
            for (const QRectF& mark : marks)
                EXPECT_FALSE(Overlap(text.box, mark)) << Describe(text);
        }
        for (std::size_t i = 0; i < layout.pins.size(); ++i) {
            EXPECT_TRUE(Inside(layout.pins[i].shape, bounds));
            for (std::size_t j = i + 1; j < layout.pins.size(); ++j)
                EXPECT_FALSE(Overlap(layout.pins[i].shape, layout.pins[j].shape)) << layout.pins[i].position.toStdString();
            for (const QRectF& mark : marks)
                EXPECT_FALSE(Overlap(layout.pins[i].shape, mark)) << layout.pins[i].position.toStdString();
        }
        for (const PinMapLegendEntry& entry : layout.legend) {
            EXPECT_TRUE(Inside(entry.box(), bounds));
            EXPECT_FALSE(Overlap(entry.box(), layout.body));
        }
        EXPECT_TRUE(Inside(layout.body, bounds));
    }
}

TEST(DramPackageArt, TextsAreLegibleAndFitTheirBoxes)
{
    for (DramPackage package : kDramPackages) {
        const DramArtLayout layout = LayoutDramPackage(package);
        SCOPED_TRACE(std::string(DramPackageInfo(package).title));
        for (const PinMapText& text : layout.texts) {
            EXPECT_GE(text.pixelSize, 9.0) << Describe(text);
            const QFontMetricsF metrics(PinMapFont(text.pixelSize, text.bold));
            EXPECT_LE(metrics.horizontalAdvance(text.text), text.box.width() + 0.01) << Describe(text);
            EXPECT_LE(metrics.height(), text.box.height() + 0.01) << Describe(text);
        }
        EXPECT_GE(layout.legendPixelSize, 9.0);
    }
}

// The legend boxes the layout reserves hold what is really drawn of them.
TEST(DramPackageArt, LegendEntriesCoverWhatIsDrawn)
{
    for (DramPackage package : kDramPackages) {
        const DramArtLayout layout = LayoutDramPackage(package);
        ASSERT_GE(layout.legend.size(), 8u);
        for (const PinMapLegendEntry& entry : layout.legend) {
            QImage image(layout.size.toSize() + QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            PaintLegendEntry(painter, entry, layout.legendPixelSize);
            painter.end();
            const QRectF allowed = entry.box().adjusted(-1, -1, 1, 1);
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                        ASSERT_TRUE(allowed.contains(x + 0.5, y + 0.5)) << SignalClassName(entry.cls) << " " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(DramPackageArt, PaintingFillsEachPinAndNameWithItsColour)
{
    for (DramPackage package : kDramPackages) {
        const DramArtLayout layout = LayoutDramPackage(package);
        SCOPED_TRACE(std::string(DramPackageInfo(package).title));
        const qreal scale = 2;
        QImage image((layout.size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.scale(scale, scale);
        PaintDramPackage(painter, package);
        painter.end();
        auto near = [](QRgb a, const QColor& b) {
            return std::abs(qRed(a) - b.red()) <= 3 && std::abs(qGreen(a) - b.green()) <= 3 &&
                   std::abs(qBlue(a) - b.blue()) <= 3;
        };
        // The background is painted, and each pin carries its fill just inside its edge.
        EXPECT_TRUE(near(image.pixel(1, 1), Qt::white));
        for (const DramArtPin& pin : layout.pins) {
            const QPointF probe(pin.shape.center().x(), pin.shape.top() + 1.2);
            const QPoint at = (probe * scale).toPoint();
            EXPECT_TRUE(near(image.pixel(at), pin.fill)) << pin.position.toStdString();
        }
        for (const PinMapText& text : layout.texts) {
            if (!text.chip.isValid())
                continue;
            const QPoint at = (QPointF(text.box.left() + 3, text.box.center().y()) * scale).toPoint();
            EXPECT_TRUE(near(image.pixel(at), text.chip)) << Describe(text);
        }
    }
}
