#include "patterns/calibration_card.h"

#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "patterns/aspect_tables.h"
#include "patterns/pattern_fonts.h"
#include "patterns/render_primitives.h"

namespace lumenor::render {

namespace {

void plate(QPainter& p, double x, double yc, double w, double fs) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRectF(x - 14, yc - 0.42 * fs, w + 28, 0.95 * fs), kInk);
}

void plateLabel(QPainter& p, const TextLine& line, double cx, double yc, double fs,
                const QColor& colour) {
    const double x = cx - line.width / 2;
    plate(p, x, yc, line.width, fs);
    drawText(p, line, x, centredBaseline(line, yc), colour);
}

// Dashed whole-pixel outline of a rectangle; the dash pattern runs on around the corners as a
// stroked path's would. Dashes are counted by index so that rounding cannot stall the walk.
void dashedRect(CrispStrokes& strokes, double x, double y, double w, double h, double width,
                double dash) {
    if (!(dash > 0) || !(w > 0) || !(h > 0)) {
        return;
    }
    const QPointF corners[5] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    double sideStart = 0;
    for (int side = 0; side < 4; ++side) {
        const QPointF a = corners[side];
        const QPointF b = corners[side + 1];
        const double length = std::abs(b.x() - a.x()) + std::abs(b.y() - a.y());
        const double dx = (b.x() - a.x()) / length;
        const double dy = (b.y() - a.y()) / length;
        const auto first = static_cast<long long>(std::floor(sideStart / (2 * dash)));
        for (long long k = first; 2 * k * dash < sideStart + length; ++k) {
            const double s0 = std::max(2 * k * dash, sideStart) - sideStart;
            const double s1 = std::min((2 * k + 1) * dash, sideStart + length) - sideStart;
            if (s1 <= s0) {
                continue;
            }
            const QPointF p0(a.x() + dx * s0, a.y() + dy * s0);
            const QPointF p1(a.x() + dx * s1, a.y() + dy * s1);
            if (dy == 0) {
                strokes.horizontal(p0.x(), p1.x(), p0.y(), width);
            } else {
                strokes.vertical(p0.x(), p0.y(), p1.y(), width);
            }
        }
        sideStart += length;
    }
}

}  // namespace

void drawCalibration(QPainter& p, double W, double H) {
    const double u = H / 1080;
    const double step = 120 * u;
    const QPointF c(W / 2, H / 2);
    const double cx = c.x();
    const double cy = c.y();
    const double R = 0.24 * H;
    const double r0 = 0.4 * R;

    fillAll(p, W, H, kInk);

    CrispStrokes grid(W, H);
    for (double x = step; x < W; x += step) {
        grid.vertical(x, 0, H, 1.5 * u);
    }
    for (double y = step; y < H; y += step) {
        grid.horizontal(0, W, y, 1.5 * u);
    }
    grid.fill(p, withAlpha(kWhite, 0.14));

    {
        QPainterPath diagonals;
        diagonals.moveTo(0, 0);
        diagonals.lineTo(W, H);
        diagonals.moveTo(W, 0);
        diagonals.lineTo(0, H);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.strokePath(diagonals, pen(withAlpha(kWhite, 0.12), 1.5 * u));
    }

    CrispStrokes cross(W, H);
    cross.horizontal(0, W, cy, 2.5 * u);
    cross.vertical(cx, 0, H, 2.5 * u);
    cross.fill(p, withAlpha(kIris, 0.85));

    strokeCircle(p, c, R, kIris, 3 * u);
    strokeCircle(p, c, 0.62 * R, withAlpha(kWhite, 0.28), 2 * u);
    fillCrisp(p, cx - r0, cy - r0, 2 * r0, 2 * r0, kInk);
    strokeCircle(p, c, r0, kIris, 3 * u);

    drawCentred(p, measure(kSansFamily, 1.5 * r0, QStringLiteral("C")), cx - 0.12 * r0, cy, kWhite);
    {
        QPainterPath dot;
        dot.addEllipse(QRectF(cx + 0.42 * r0, cy - 0.62 * r0, 0.26 * r0, 0.26 * r0));
        fillShape(p, dot, kIris);
    }

    CrispStrokes border(W, H);
    border.rect(2 * u, 2 * u, W - 4 * u, H - 4 * u, 4 * u);
    border.fill(p, kIris);

    CrispStrokes safe(W, H);
    dashedRect(safe, step, step, W - 2 * step, H - 2 * step, 2 * u, 12 * u);
    safe.fill(p, withAlpha(kWhite, 0.42));

    {
        const double m = 0.5 * step;
        const double L = 1.4 * step;
        const double w = 5 * u;
        CrispStrokes brackets(W, H);
        brackets.horizontal(m, m + L, m, w, true);
        brackets.vertical(m, m, m + L, w, true);
        brackets.vertical(W - m, m, m + L, w, true);
        brackets.horizontal(W - m - L, W - m, m, w, true);
        brackets.vertical(m, H - m - L, H - m, w, true);
        brackets.horizontal(m, m + L, H - m, w, true);
        brackets.vertical(W - m, H - m - L, H - m, w, true);
        brackets.horizontal(W - m - L, W - m, H - m, w, true);
        brackets.fill(p, kIris);
    }

    {
        const double a = 16 * u;
        const double b = 14 * u;
        QPainterPath arrows;
        arrows.setFillRule(Qt::WindingFill);
        auto triangle = [&arrows](QPointF p0, QPointF p1, QPointF p2) {
            arrows.addPolygon(QPolygonF({p0, p1, p2, p0}));
            arrows.closeSubpath();
        };
        triangle({cx, a + b}, {cx - a, 4 * u}, {cx + a, 4 * u});
        triangle({cx, H - a - b}, {cx - a, H - 4 * u}, {cx + a, H - 4 * u});
        triangle({a + b, cy}, {4 * u, cy - a}, {4 * u, cy + a});
        triangle({W - a - b, cy}, {W - 4 * u, cy - a}, {W - 4 * u, cy + a});
        fillShape(p, arrows, kIris);
    }

    {
        const double q = 0.8 * step;
        const double pitch = 6 * u;
        const double x0 = ((cx - R) + step) / 2 - q / 2;
        const double x1 = W - x0 - q;
        CrispStrokes gratings(W, H);
        for (double xb : {x0, x1}) {
            for (double i = 0; i <= q; i += pitch) {
                gratings.vertical(xb + i, cy - q / 2, cy - 3 * u, 2 * u);
            }
            for (double j = 0; j <= q; j += pitch) {
                gratings.horizontal(xb, xb + q, cy + 3 * u + j, 2 * u);
            }
        }
        gratings.fill(p, withAlpha(kWhite, 0.85));
    }

    for (int i = 0; i <= 10; ++i) {
        const double v = i / 10.0;
        fillCrisp(p, cx - 5.5 * step + i * step, step, step, 0.6 * step, rgb(v, v, v));
    }
    CrispStrokes strip(W, H);
    strip.rect(cx - 5.5 * step, step, 11 * step, 0.6 * step, 2 * u);
    strip.fill(p, kIris);

    {
        const double fs = 0.8 * step;
        plateLabel(p, measure(kSansFamily, fs, aspectName(W, H)), cx, H - 1.35 * step, fs, kWhite);
    }
    {
        const double fs = 46 * u;
        const TextLine name = measure(kSansFamily, fs, QStringLiteral("LUMENOR"));
        const TextLine dot = measure(kSansFamily, fs, QStringLiteral("."));
        const double yc = H - 1.98 * step;
        const double x = cx - (name.width + dot.width) / 2;
        plate(p, x, yc, name.width + dot.width, fs);
        drawText(p, name, x, centredBaseline(name, yc), kWhite);
        drawText(p, dot, x + name.width, centredBaseline(dot, yc), kIris);
    }
    {
        const double fs = 26 * u;
        const QString text = QStringLiteral("%1 \u00D7 %2")
                                 .arg(static_cast<long long>(W))
                                 .arg(static_cast<long long>(H));
        plateLabel(p, measure(kSansFamily, fs, text), cx, step + 0.6 * step + 22 * u, fs,
                   withAlpha(kWhite, 0.7));
    }
}

}  // namespace lumenor::render
