#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QPolygonF>
#include <QTransform>

#include <optional>

// The countdown's sector as a polygon in device pixels: the arc cut at a fixed step of angle, and
// every side cut at fixed rows. The raster engine fills it several times faster than the same
// sector as a path with an arc; and as the vertices do not depend on the part of the circle asked
// for, the sector's quarters filled one by one have the very edges of the sector filled whole.
namespace lumenor::render {

// Whether `device` only moves and mirrors, as outlines need.
bool movesAndMirrors(const QTransform& device);

// The sector of radius `r` about `c` from angle `a0` by `sweep` (counter-clockwise in the y-up
// layout), drawn through `device`. Nothing where `device` does more than move and mirror.
std::optional<QPolygonF> sectorOutline(const QTransform& device, QPointF c, double r, double a0,
                                       double sweep);

// Fills an outline from sectorOutline anti-aliased, in device pixels.
void fillOutline(QPainter& p, const QPolygonF& outline, const QColor& colour);

}  // namespace lumenor::render
