#include "patterns/sector_outline.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace lumenor::render {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The arc's chords stay within this distance of the circle: a quarter of the raster engine's
// finest step, 1/64 pixel.
constexpr double kChordError = 1.0 / 256;

// Every side gets a vertex where it crosses a row that is a multiple of this: the raster engine
// fills a side that spans many rows in one piece far more slowly, per row, than short ones.
constexpr double kCutRows = 64;

// The arc's vertices strictly between angles `lo` and `hi`, as (angle, point): at a whole
// number of steps to the quarter, and where the circle about `d` of radius `r` crosses a cut
// row (that coordinate exact). (sx, sy) turn the layout's angles into the device's directions.
std::vector<std::pair<double, QPointF>> arcVertices(QPointF d, double r, double sx, double sy,
                                                    double lo, double hi) {
    std::vector<std::pair<double, QPointF>> found;
    const double step =
        std::numbers::pi / 2 / std::ceil(std::numbers::pi / 2 / std::sqrt(8 * kChordError / r));
    for (double m = std::floor(lo / step) + 1; m * step < hi; ++m) {
        const double a = m * step;
        found.emplace_back(a, QPointF(d.x() + sx * r * std::cos(a), d.y() + sy * r * std::sin(a)));
    }
    auto add = [&](double base, QPointF point) {
        for (double a = base + kTwoPi * std::ceil((lo - base) / kTwoPi); a < hi; a += kTwoPi) {
            if (a > lo) {
                found.emplace_back(a, point);
            }
        }
    };
    for (double k = std::ceil((d.y() - r) / kCutRows) * kCutRows; k <= d.y() + r; k += kCutRows) {
        const double s = std::asin(std::clamp(sy * (k - d.y()) / r, -1.0, 1.0));
        add(s, QPointF(d.x() + sx * r * std::cos(s), k));
        add(std::numbers::pi - s, QPointF(d.x() - sx * r * std::cos(s), k));
    }
    return found;
}

// The points where the segment from `from` to `to` crosses a cut row, in that order.
void appendCuts(QPolygonF& outline, QPointF from, QPointF to) {
    const double dy = to.y() - from.y();
    if (dy == 0) {
        return;
    }
    const double step = dy > 0 ? kCutRows : -kCutRows;
    double k = dy > 0 ? (std::floor(from.y() / kCutRows) + 1) * kCutRows
                      : (std::ceil(from.y() / kCutRows) - 1) * kCutRows;
    for (; (k - to.y()) * step < 0; k += step) {
        outline << QPointF(from.x() + (k - from.y()) / dy * (to.x() - from.x()), k);
    }
}

}  // namespace

bool movesAndMirrors(const QTransform& device) {
    return device.type() <= QTransform::TxScale && std::abs(device.m11()) == 1 &&
           std::abs(device.m22()) == 1;
}

std::optional<QPolygonF> sectorOutline(const QTransform& device, QPointF c, double r, double a0,
                                       double sweep) {
    if (!movesAndMirrors(device) || !(r > 0)) {
        return std::nullopt;
    }
    const double sx = device.m11();
    const double sy = device.m22();
    const QPointF d = device.map(c);
    auto at = [&](double a) {
        return QPointF(d.x() + sx * r * std::cos(a), d.y() + sy * r * std::sin(a));
    };
    const double a1 = a0 + sweep;
    std::vector<std::pair<double, QPointF>> arc =
        arcVertices(d, r, sx, sy, std::min(a0, a1), std::max(a0, a1));
    std::sort(arc.begin(), arc.end(), [&](const auto& x, const auto& y) {
        return sweep < 0 ? x.first > y.first : x.first < y.first;
    });
    const QPointF start = at(a0);
    const QPointF end = at(a1);
    QPolygonF outline;
    outline << d;
    appendCuts(outline, d, start);
    outline << start;
    for (const auto& vertex : arc) {
        outline << vertex.second;
    }
    outline << end;
    appendCuts(outline, end, d);
    return outline;
}

void fillOutline(QPainter& p, const QPolygonF& outline, const QColor& colour) {
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    p.save();
    p.resetTransform();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(path, colour);
    p.restore();
}

}  // namespace lumenor::render
