#include "patterns/still_patterns.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "patterns/aspect_tables.h"
#include "patterns/pattern_fonts.h"
#include "patterns/render_primitives.h"

namespace lumenor::render {

void drawGrid(QPainter& p, double W, double H, double scale) {
    fillAll(p, W, H, Qt::black);
    const double width = std::max(scale, 1.0);
    const double g = 64 * scale;
    CrispStrokes strokes(W, H);
    for (double x = 0; x <= W; x += g) {
        strokes.vertical(x, 0, H, width);
    }
    for (double y = 0; y <= H; y += g) {
        strokes.horizontal(0, W, y, width);
    }
    strokes.fill(p, kWhite);
}

void drawCircle(QPainter& p, double W, double H, double scale) {
    fillAll(p, W, H, Qt::black);
    const QPointF c(W / 2, H / 2);
    const double R = 0.45 * std::min(W, H);
    for (double k : {1.0, 0.66, 0.33}) {
        strokeCircle(p, c, k * R, kWhite, std::max(2 * scale, 2.0));
    }
    CrispStrokes strokes(W, H);
    strokes.horizontal(0, W, c.y(), std::max(scale, 1.0));
    strokes.vertical(c.x(), 0, H, std::max(scale, 1.0));
    strokes.fill(p, rgb(0.4, 0.4, 0.4));
}

void drawFocus(QPainter& p, double W, double H, double scale) {
    fillAll(p, W, H, kWhite);
    const QPointF c(W / 2, H / 2);
    const double R = 0.42 * std::min(W, H);
    for (int k = 0; k <= 70; k += 2) {
        const double a0 = 2 * kPi * k / 72;
        const double a1 = 2 * kPi * (k + 1) / 72;
        QPainterPath wedge;
        wedge.setFillRule(Qt::WindingFill);
        wedge.moveTo(c);
        wedge.lineTo(c.x() + R * std::cos(a0), c.y() + R * std::sin(a0));
        arcTo(wedge, c, R, a0, a1 - a0);
        wedge.closeSubpath();
        fillShape(p, wedge, Qt::black);
    }
    CrispStrokes strokes(W, H);
    strokes.horizontal(c.x() - R, c.x() + R, c.y(), std::max(scale, 1.0));
    strokes.vertical(c.x(), c.y() - R, c.y() + R, std::max(scale, 1.0));
    strokes.fill(p, rgb(1, 0, 0));
}

void drawOverscan(QPainter& p, double W, double H, double scale) {
    fillAll(p, W, H, Qt::black);
    CrispStrokes strokes(W, H);
    for (double k : {1.0, 0.95, 0.90}) {
        strokes.rect((W - k * W) / 2, (H - k * H) / 2, k * W, k * H, std::max(scale, 1.0));
    }
    strokes.fill(p, kWhite);
}

// One texture fill instead of a fill per pixel; the tile's phase is chosen so that the pixel at
// the lower-left corner is white.
void drawPixelGrid(QPainter& p, double W, double H) {
    const int w = static_cast<int>(std::ceil(W));
    const int h = static_cast<int>(std::ceil(H));
    constexpr int kTile = 64;
    QImage tile(kTile, kTile, QImage::Format_RGB32);
    for (int row = 0; row < kTile; ++row) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(row));
        for (int x = 0; x < kTile; ++x) {
            // Device row `row` is layout row h - 1 - row.
            line[x] = ((x + h - 1 - row) % 2 == 0) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    p.save();
    p.resetTransform();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.fillRect(QRect(0, 0, w, h), QBrush(tile));
    p.restore();
}

void drawSmpte(QPainter& p, double W, double H) {
    static const QColor bars[7] = {rgb(1, 1, 1), rgb(1, 1, 0), rgb(0, 1, 1), rgb(0, 1, 0),
                                   rgb(1, 0, 1), rgb(1, 0, 0), rgb(0, 0, 1)};
    for (int i = 0; i < 7; ++i) {
        fillCrisp(p, i * W / 7, 0, W / 7, H, bars[i]);
    }
}

void drawPluge(QPainter& p, double W, double H) {
    fillAll(p, W, H, rgb(0.02, 0.02, 0.02));
    const double bw = 0.05 * W;
    const double g = 0.02 * W;
    const double x0 = (W - (3 * bw + 2 * g)) / 2;
    const double levels[3] = {0.0, 0.04, 0.08};
    for (int i = 0; i < 3; ++i) {
        fillCrisp(p, x0 + i * (bw + g), H / 4, bw, H / 2, rgb(levels[i], levels[i], levels[i]));
    }
    fillCrisp(p, 0.04 * W, H / 4, 0.1 * W, H / 2, kWhite);
    fillCrisp(p, 0.86 * W, H / 4, 0.1 * W, H / 2, rgb(0.5, 0.5, 0.5));
}

void drawGreySteps(QPainter& p, double W, double H, const VideoLevels& device) {
    for (int i = 0; i <= 10; ++i) {
        fillCrisp(p, i * W / 11, 0, W / 11, H, device.grey(i / 10.0));
    }
}

// At 8 bits the raster engine's gradient; deeper, one level a column taken at the column's
// centre, so that a ramp as many pixels wide as the depth has codes gives each code once.
void drawGradient(QPainter& p, double W, double H, const VideoLevels& device) {
    p.setRenderHint(QPainter::Antialiasing, false);
    if (device.bits() <= 8) {
        QLinearGradient gradient(0, 0, W, 0);
        gradient.setColorAt(0.0, Qt::black);
        gradient.setColorAt(1.0, Qt::white);
        p.fillRect(QRectF(0, 0, W, H), gradient);
        return;
    }
    const int columns = static_cast<int>(std::ceil(W));
    for (int x = 0; x < columns; ++x) {
        fillCrisp(p, x, 0, 1, H, device.grey((x + 0.5) / W));
    }
}

void drawAspect(QPainter& p, double W, double H, double scale, const QSet<QString>& selection) {
    fillAll(p, W, H, Qt::black);
    const double width = std::max(2.5 * scale, 2.0);
    const double r = W / H;
    for (const AspectFrame& frame : aspectFrames()) {
        const QString label = QString::fromLatin1(frame.label);
        if (!selection.contains(label)) {
            continue;
        }
        const double fw = r > frame.ratio ? frame.ratio * H : W;
        const double fh = r > frame.ratio ? H : W / frame.ratio;
        const double x = (W - fw) / 2;
        const double y = (H - fh) / 2;
        const QColor colour = rgb(frame.colour.r, frame.colour.g, frame.colour.b);
        CrispStrokes strokes(W, H);
        strokes.rect(x, y, fw, fh, width);
        strokes.fill(p, colour);
        drawText(p, measure(kMonoFamily, 24 * scale, label), x + 10 * scale, y + fh - 34 * scale,
                 colour);
    }
}

}  // namespace lumenor::render
