#include "pinmapui/pinmapart.h"

#include "pinmapui/drampackageart.h"
#include "pinmapui/moduleedgeart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

struct Drawing {
    bool package;
    DramPackage dram;
    ModuleEdge edge;
};

Drawing DrawingOf(PinMapPicture picture)
{
    switch (picture) {
    case PinMapPicture::Image3: return {true, DramPackage::Ddr66Tsop, {}};
    case PinMapPicture::Image9: return {true, DramPackage::Ddr2Fbga60, {}};
    case PinMapPicture::Image8: return {true, DramPackage::Ddr2Fbga84, {}};
    case PinMapPicture::Image10: return {true, DramPackage::Ddr3Fbga78, {}};
    case PinMapPicture::Image11: return {true, DramPackage::Ddr3Fbga96, {}};
    case PinMapPicture::Image4: return {false, {}, ModuleEdge::DdrDimm184};
    case PinMapPicture::Image5: return {false, {}, ModuleEdge::DdrSoDimm200};
    case PinMapPicture::Image6: return {false, {}, ModuleEdge::Ddr2Dimm240};
    case PinMapPicture::Image7: return {false, {}, ModuleEdge::Ddr2SoDimm200};
    case PinMapPicture::Image12: return {false, {}, ModuleEdge::Ddr3Dimm240};
    case PinMapPicture::Image13: return {false, {}, ModuleEdge::Ddr3SoDimm204};
    }
    return {true, DramPackage::Ddr66Tsop, {}};
}

}  // namespace

QSizeF PinMapNaturalSize(PinMapPicture picture)
{
    const Drawing d = DrawingOf(picture);
    return d.package ? DramPackageSize(d.dram) : ModuleEdgeSize(d.edge);
}

void PaintPinMap(QPainter& painter, const QRectF& target, PinMapPicture picture)
{
    const QSizeF natural = PinMapNaturalSize(picture);
    if (natural.isEmpty() || target.isEmpty())
        return;
    const qreal scale = std::min(target.width() / natural.width(), target.height() / natural.height());
    const QSizeF drawn = natural * scale;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(target.x() + (target.width() - drawn.width()) / 2,
                      target.y() + (target.height() - drawn.height()) / 2);
    painter.scale(scale, scale);
    painter.setClipRect(QRectF(QPointF(0, 0), natural));
    const Drawing d = DrawingOf(picture);
    if (d.package)
        PaintDramPackage(painter, d.dram);
    else
        PaintModuleEdge(painter, d.edge);
    painter.restore();
}

QImage RenderPinMap(PinMapPicture picture, qreal scale)
{
    const QSizeF size = PinMapNaturalSize(picture) * scale;
    QImage image(QSize(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPinMap(painter, QRectF(QPointF(0, 0), size), picture);
    return image;
}

}  // namespace tessaro
