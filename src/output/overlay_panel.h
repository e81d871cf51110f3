#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace lumenor {

// The rounded, translucent panel behind the output's banner and card.
inline void paintOverlayPanel(QPainter& p, const QRectF& rect, double radius, const QColor& fill,
                              const QColor& border) {
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.fillPath(shape, fill);
    p.setPen(QPen(border, 1));
    p.drawPath(shape);
}

}  // namespace lumenor
