#include "patterns/pattern_renderer.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "patterns/aspect_tables.h"
#include "patterns/pattern_fonts.h"

namespace lumenor {

namespace {

constexpr double kPi = std::numbers::pi;

// Device values are written unchanged: 0.5 becomes 128, 0.04 becomes 10.
QColor rgb(double r, double g, double b, double a = 1.0) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return QColor(byte(r), byte(g), byte(b), byte(a));
}

const QColor kInk = QColor(10, 11, 15);
const QColor kIris = QColor(140, 124, 247);
const QColor kWhite = QColor(255, 255, 255);

QColor withAlpha(QColor c, double a) {
    c.setAlpha(static_cast<int>(std::lround(a * 255)));
    return c;
}

// Whole pixels covered by a stroke of width `width` centred on `c`: a line centred on an
// integer coordinate would straddle two pixels, so the span [c - n/2, c + n/2] is rounded to
// the pixel grid (n = the width rounded, at least 1) and kept inside the canvas, so that a
// line on the canvas edge stays visible at full width.
std::pair<double, double> pixelSpan(double c, double width, double limit) {
    const double n = std::max(1.0, std::round(width));
    double start = std::floor(c - n / 2 + 0.5);
    start = std::clamp(start, 0.0, std::max(0.0, limit - n));
    return {start, start + n};
}

// Axis-aligned strokes collected as whole-pixel rectangles. Opaque strokes are filled rectangle by
// rectangle (the raster engine's fast path); translucent ones as one path, so that crossings are
// not painted twice.
class CrispStrokes {
  public:
    CrispStrokes(double W, double H) : w_(W), h_(H) {}

    // From (x0, y) to (x1, y); `extend` lengthens both ends by half the width (for joins).
    void horizontal(double x0, double x1, double y, double width, bool extend = false) {
        const auto [b, t] = pixelSpan(y, width, h_);
        const double e = extend ? (t - b) / 2 : 0;
        addRect(std::min(x0, x1) - e, b, std::max(x0, x1) + e, t);
    }
    void vertical(double x, double y0, double y1, double width, bool extend = false) {
        const auto [l, r] = pixelSpan(x, width, w_);
        const double e = extend ? (r - l) / 2 : 0;
        addRect(l, std::min(y0, y1) - e, r, std::max(y0, y1) + e);
    }
    void rect(double x, double y, double w, double h, double width) {
        horizontal(x, x + w, y, width, true);
        horizontal(x, x + w, y + h, width, true);
        vertical(x, y, y + h, width, true);
        vertical(x + w, y, y + h, width, true);
    }
    void fill(QPainter& p, const QColor& colour) {
        p.setRenderHint(QPainter::Antialiasing, false);
        if (colour.alpha() == 255) {
            for (const QRectF& r : rects_) {
                p.fillRect(r, colour);
            }
        } else {
            QPainterPath path;
            path.setFillRule(Qt::WindingFill);
            for (const QRectF& r : rects_) {
                path.addRect(r);
            }
            p.fillPath(path, colour);
        }
        rects_.clear();
    }

  private:
    void addRect(double x0, double y0, double x1, double y1) {
        x0 = std::round(x0);
        x1 = std::round(x1);
        y0 = std::round(y0);
        y1 = std::round(y1);
        if (x1 > x0 && y1 > y0) {
            rects_.emplace_back(x0, y0, x1 - x0, y1 - y0);
        }
    }

    double w_;
    double h_;
    std::vector<QRectF> rects_;
};

// A filled rectangle with its edges on whole pixels.
void fillCrisp(QPainter& p, double x, double y, double w, double h, const QColor& colour) {
    const double x0 = std::round(x);
    const double y0 = std::round(y);
    const double x1 = std::round(x + w);
    const double y1 = std::round(y + h);
    if (x1 > x0 && y1 > y0) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(x0, y0, x1 - x0, y1 - y0), colour);
    }
}

void fillAll(QPainter& p, double W, double H, const QColor& colour) {
    fillCrisp(p, 0, 0, W, H, colour);
}

QPen pen(const QColor& colour, double width) {
    QPen result(colour, width);
    result.setCapStyle(Qt::FlatCap);
    result.setJoinStyle(Qt::MiterJoin);
    return result;
}

void strokeCircle(QPainter& p, QPointF c, double r, const QColor& colour, double width) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(pen(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
}

void fillShape(QPainter& p, const QPainterPath& path, const QColor& colour) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(path, colour);
}

// Measured single line of text.
struct TextLine {
    QFont font;
    QString text;
    double width;
    double ascent;
    double descent;
};

TextLine measure(const char* family, double size, const QString& text) {
    const QFont font = patternFont(family, size);
    const QFontMetricsF metrics(font);
    return {font, text, metrics.horizontalAdvance(text), metrics.ascent(), metrics.descent()};
}

// Draws with the baseline starting at (x, y) in the y-up layout coordinates. The glyphs are
// filled as outlines, not drawn by the platform's text rasteriser, so that the same text gives
// the same pixels on screen and in a rendered file, whatever the platform's font smoothing.
void drawText(QPainter& p, const TextLine& line, double x, double y, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(x, y);
    p.scale(1, -1);
    QPainterPath glyphs;
    glyphs.addText(QPointF(0, 0), line.font, line.text);
    p.fillPath(glyphs, colour);
    p.restore();
}

double centredBaseline(const TextLine& line, double yc) {
    return yc - (line.ascent - line.descent) / 2;
}

void drawCentred(QPainter& p, const TextLine& line, double cx, double cy, const QColor& colour) {
    drawText(p, line, cx - line.width / 2, centredBaseline(line, cy), colour);
}

// Counter-clockwise (in the y-up layout) arc of radius r about c from angle a0 by `sweep`.
void arcTo(QPainterPath& path, QPointF c, double r, double a0, double sweep) {
    // Qt measures angles in its own y-down sense; the layout's y axis is flipped.
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -a0 * 180 / kPi, -sweep * 180 / kPi);
}

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

void drawGreySteps(QPainter& p, double W, double H) {
    for (int i = 0; i <= 10; ++i) {
        const double v = i / 10.0;
        fillCrisp(p, i * W / 11, 0, W / 11, H, rgb(v, v, v));
    }
}

void drawGradient(QPainter& p, double W, double H) {
    QLinearGradient gradient(0, 0, W, 0);
    gradient.setColorAt(0.0, Qt::black);
    gradient.setColorAt(1.0, Qt::white);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(0, 0, W, H), gradient);
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

void drawMovingBlock(QPainter& p, double W, double H, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    const double bw = 0.08 * W;
    const double f = anim.phase - std::floor(anim.phase);
    const double x = (W + bw) * f - bw;
    fillCrisp(p, x, 0, bw, H, kWhite);
}

void drawBounce(QPainter& p, double W, double H, double scale, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    CrispStrokes floor(W, H);
    if (anim.flash) {
        floor.horizontal(0, W, anim.floorY, std::max(3 * scale, 3.0));
        floor.fill(p, kWhite);
    } else {
        floor.horizontal(0, W, anim.floorY, std::max(scale, 1.0));
        floor.fill(p, rgb(0.28, 0.28, 0.28));
    }
    if (anim.ballCenter) {
        QPainterPath ball;
        ball.addEllipse(*anim.ballCenter, anim.ballRadius, anim.ballRadius);
        fillShape(p, ball, kWhite);
    }
}

void drawCountdown(QPainter& p, double W, double H, double scale, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    const double m = std::min(W, H);
    const QPointF c(W / 2, H / 2);
    const double R = 0.38 * m;
    if (anim.sweep > 0) {
        QPainterPath sector;
        sector.setFillRule(Qt::WindingFill);
        sector.moveTo(c);
        arcTo(sector, c, R, kPi / 2, -2 * kPi * anim.sweep);
        sector.closeSubpath();
        fillShape(p, sector, rgb(0.14, 0.14, 0.14));
    }
    strokeCircle(p, c, R, kWhite, std::max(2 * scale, 2.0));
    CrispStrokes cross(W, H);
    cross.horizontal(c.x() - R, c.x() + R, c.y(), std::max(scale, 1.0));
    cross.vertical(c.x(), c.y() - R, c.y() + R, std::max(scale, 1.0));
    cross.fill(p, kWhite);
    if (anim.countNumber) {
        drawCentred(p, measure(kSansFamily, 0.4 * m, QString::number(*anim.countNumber)), c.x(),
                    c.y(), kWhite);
    }
}

void drawTimecode(QPainter& p, double W, double H, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    if (anim.timecode) {
        drawCentred(p, measure(kSansFamily, 0.16 * std::min(W, H), *anim.timecode), W / 2, H / 2,
                    kWhite);
    }
}

void drawSlate(QPainter& p, double W, double H, const QString& text,
               const std::optional<QImage>& image) {
    fillAll(p, W, H, Qt::black);
    const bool hasText = !text.isEmpty();
    const bool hasImage = image && !image->isNull();
    if (hasImage) {
        const double iw = image->width();
        const double ih = image->height();
        const double boxH = hasText ? 0.45 * H : 0.6 * H;
        const double k = std::min(0.6 * W / iw, boxH / ih);
        const double w = iw * k;
        const double h = ih * k;
        const double yc = hasText ? 0.58 * H : 0.5 * H;
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        // The bitmap's first row is its top: draw it upright in the flipped layout.
        p.translate((W - w) / 2, yc + h / 2);
        p.scale(1, -1);
        p.drawImage(QRectF(0, 0, w, h), *image);
        p.restore();
    }
    if (hasText) {
        drawCentred(p, measure(kSansFamily, 0.085 * std::min(W, H), text), W / 2,
                    hasImage ? 0.26 * H : 0.5 * H, kWhite);
    }
}

}  // namespace

void PatternRenderer::draw(Pattern pattern, QPainter& painter, double W, double H, double scale,
                           const Anim& anim, const QSet<QString>& aspectRatios,
                           const QString& slateText, const std::optional<QImage>& slateImage) {
    if (!(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H)) {
        return;
    }
    if (!(scale > 0) || !std::isfinite(scale)) {
        scale = 1;
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(0, H);
    painter.scale(1, -1);
    QPainter& p = painter;
    switch (pattern) {
        case Pattern::white:
            fillAll(p, W, H, rgb(1, 1, 1));
            break;
        case Pattern::black:
            fillAll(p, W, H, rgb(0, 0, 0));
            break;
        case Pattern::grey50:
            fillAll(p, W, H, rgb(0.5, 0.5, 0.5));
            break;
        case Pattern::red:
            fillAll(p, W, H, rgb(1, 0, 0));
            break;
        case Pattern::green:
            fillAll(p, W, H, rgb(0, 1, 0));
            break;
        case Pattern::blue:
            fillAll(p, W, H, rgb(0, 0, 1));
            break;
        case Pattern::grid:
            drawGrid(p, W, H, scale);
            break;
        case Pattern::circle:
            drawCircle(p, W, H, scale);
            break;
        case Pattern::focus:
            drawFocus(p, W, H, scale);
            break;
        case Pattern::overscan:
            drawOverscan(p, W, H, scale);
            break;
        case Pattern::pixelGrid:
            drawPixelGrid(p, W, H);
            break;
        case Pattern::smpte:
            drawSmpte(p, W, H);
            break;
        case Pattern::pluge:
            drawPluge(p, W, H);
            break;
        case Pattern::grayscaleSteps:
            drawGreySteps(p, W, H);
            break;
        case Pattern::gradient:
            drawGradient(p, W, H);
            break;
        case Pattern::aspect:
            drawAspect(p, W, H, scale, aspectRatios);
            break;
        case Pattern::calibration:
            drawCalibration(p, W, H);
            break;
        case Pattern::movingBlock:
            drawMovingBlock(p, W, H, anim);
            break;
        case Pattern::bounce:
            drawBounce(p, W, H, scale, anim);
            break;
        case Pattern::countdown:
            drawCountdown(p, W, H, scale, anim);
            break;
        case Pattern::timecode:
            drawTimecode(p, W, H, anim);
            break;
        case Pattern::slate:
            drawSlate(p, W, H, slateText, slateImage);
            break;
    }
    painter.restore();
}

}  // namespace lumenor
