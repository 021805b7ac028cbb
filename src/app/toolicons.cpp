#include "app/toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tessaro::ui {

namespace {
constexpr int kSize = 24;

void Page(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 5, r.top());
    path.lineTo(r.right(), r.top() + 5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 5, r.top()), QPointF(r.right() - 5, r.top() + 5));
    p.drawLine(QPointF(r.right() - 5, r.top() + 5), QPointF(r.right(), r.top() + 5));
}

void Chip(QPainter& p, const QRectF& r)
{
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(r);
    p.setPen(QPen(QColor(200, 170, 60), 1.2));
    for (qreal x = r.left() + 2; x < r.right() - 1; x += 3) {
        p.drawLine(QPointF(x, r.top() - 3), QPointF(x, r.top()));
        p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 3));
    }
}
}  // namespace

QIcon ToolIcon(const QString& key)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    if (key == QLatin1String("NEW")) {
        Page(p, QRectF(5, 2, 14, 19));
        p.setPen(QPen(QColor(230, 180, 0), 2));
        p.drawLine(QPointF(16, 15), QPointF(22, 21));
        p.drawLine(QPointF(22, 15), QPointF(16, 21));
    } else if (key == QLatin1String("OPEN")) {
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(2, 7, 17, 13));
        p.setBrush(QColor(250, 220, 120));
        QPolygonF flap({QPointF(5, 11), QPointF(22, 11), QPointF(19, 20), QPointF(2, 20)});
        p.drawPolygon(flap);
    } else if (key == QLatin1String("SAVE")) {
        p.setBrush(QColor(50, 90, 170));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 12, 7));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(7, 14, 10, 7));
    } else if (key == QLatin1String("PRINT")) {
        Page(p, QRectF(7, 2, 10, 9));
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 15, 12, 7));
    } else if (key == QLatin1String("WIZARD")) {
        p.setPen(QPen(QColor(90, 60, 30), 2.5));
        p.drawLine(QPointF(4, 21), QPointF(16, 9));
        p.setPen(QPen(QColor(230, 180, 0), 1.5));
        for (const auto& s : {QPointF(18, 5), QPointF(12, 4), QPointF(20, 11)}) {
            p.drawLine(s + QPointF(-2, 0), s + QPointF(2, 0));
            p.drawLine(s + QPointF(0, -2), s + QPointF(0, 2));
        }
    } else if (key == QLatin1String("COMPARE")) {
        // Two pages side by side with an arrow each way between them.
        Page(p, QRectF(1, 3, 9, 17));
        Page(p, QRectF(14, 3, 9, 17));
        p.setPen(QPen(QColor(200, 40, 40), 1.6));
        p.drawLine(QPointF(8, 9), QPointF(16, 9));
        p.drawLine(QPointF(13, 7), QPointF(16, 9));
        p.drawLine(QPointF(8, 15), QPointF(16, 15));
        p.drawLine(QPointF(8, 15), QPointF(11, 17));
    } else if (key == QLatin1String("MAIL")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2, 6, 20, 13));
        p.drawLine(QPointF(2, 6), QPointF(12, 14));
        p.drawLine(QPointF(22, 6), QPointF(12, 14));
    } else if (key == QLatin1String("CONNECT")) {
        p.setBrush(QColor(120, 120, 120));
        p.drawRoundedRect(QRectF(3, 7, 18, 10), 3, 3);
        p.setBrush(QColor(60, 60, 60));
        for (qreal x : {7.0, 10.5, 14.0})
            p.drawEllipse(QPointF(x, 11), 1.1, 1.1);
        for (qreal x : {8.8, 12.3})
            p.drawEllipse(QPointF(x, 14), 1.1, 1.1);
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawLine(QPointF(12, 2), QPointF(12, 7));
    } else if (key == QLatin1String("IC")) {
        Chip(p, QRectF(5, 6, 14, 12));
    } else {
        p.setBrush(QColor(0, 120, 60));
        p.drawRect(QRectF(1, 7, 22, 10));
        for (qreal x = 3; x < 21; x += 5)
            Chip(p, QRectF(x, 9, 3.5, 4));
    }
    return QIcon(pixmap);
}

}  // namespace tessaro::ui
