#include "pinmapui/pinmapart.h"

#include "pinmapui/pinmapdrawings.h"

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
    case PinMapPicture::DdrTsop66: return {true, DramPackage::DdrTsop66, {}};
    case PinMapPicture::Ddr2Fbga60: return {true, DramPackage::Ddr2Fbga60, {}};
    case PinMapPicture::Ddr2Fbga84: return {true, DramPackage::Ddr2Fbga84, {}};
    case PinMapPicture::Ddr3Fbga78: return {true, DramPackage::Ddr3Fbga78, {}};
    case PinMapPicture::Ddr3Fbga96: return {true, DramPackage::Ddr3Fbga96, {}};
    case PinMapPicture::DdrDimm184: return {false, {}, ModuleEdge::DdrDimm184};
    case PinMapPicture::DdrSoDimm200: return {false, {}, ModuleEdge::DdrSoDimm200};
    case PinMapPicture::Ddr2Dimm240: return {false, {}, ModuleEdge::Ddr2Dimm240};
    case PinMapPicture::Ddr2SoDimm200: return {false, {}, ModuleEdge::Ddr2SoDimm200};
    case PinMapPicture::Ddr3Dimm240: return {false, {}, ModuleEdge::Ddr3Dimm240};
    case PinMapPicture::Ddr3SoDimm204: return {false, {}, ModuleEdge::Ddr3SoDimm204};
    }
    return {true, DramPackage::DdrTsop66, {}};
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
    BeginPinMapPainting(painter);
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
