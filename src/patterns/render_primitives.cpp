#include "patterns/render_primitives.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

#include "patterns/pattern_fonts.h"

namespace lumenor::render {

QColor rgb(double r, double g, double b, double a) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return QColor(byte(r), byte(g), byte(b), byte(a));
}

QColor withAlpha(QColor c, double a) {
    c.setAlpha(static_cast<int>(std::lround(a * 255)));
    return c;
}

// A line centred on an integer coordinate would straddle two pixels, so the span
// [c - n/2, c + n/2] is rounded to the pixel grid (n = the width rounded, at least 1) and kept
// inside the canvas, so that a line on the canvas edge stays visible at full width.
std::pair<double, double> pixelSpan(double c, double width, double limit) {
    const double n = std::max(1.0, std::round(width));
    double start = std::floor(c - n / 2 + 0.5);
    start = std::clamp(start, 0.0, std::max(0.0, limit - n));
    return {start, start + n};
}

void CrispStrokes::horizontal(double x0, double x1, double y, double width, bool extend) {
    const auto [b, t] = pixelSpan(y, width, h_);
    const double e = extend ? (t - b) / 2 : 0;
    addRect(std::min(x0, x1) - e, b, std::max(x0, x1) + e, t);
}

void CrispStrokes::vertical(double x, double y0, double y1, double width, bool extend) {
    const auto [l, r] = pixelSpan(x, width, w_);
    const double e = extend ? (r - l) / 2 : 0;
    addRect(l, std::min(y0, y1) - e, r, std::max(y0, y1) + e);
}

void CrispStrokes::rect(double x, double y, double w, double h, double width) {
    horizontal(x, x + w, y, width, true);
    horizontal(x, x + w, y + h, width, true);
    vertical(x, y, y + h, width, true);
    vertical(x + w, y, y + h, width, true);
}

void CrispStrokes::fill(QPainter& p, const QColor& colour) {
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

void CrispStrokes::addRect(double x0, double y0, double x1, double y1) {
    x0 = std::round(x0);
    x1 = std::round(x1);
    y0 = std::round(y0);
    y1 = std::round(y1);
    if (x1 > x0 && y1 > y0) {
        rects_.emplace_back(x0, y0, x1 - x0, y1 - y0);
    }
}

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

void arcTo(QPainterPath& path, QPointF c, double r, double a0, double sweep) {
    // Qt measures angles in its own y-down sense; the layout's y axis is flipped.
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -a0 * 180 / kPi, -sweep * 180 / kPi);
}

TextLine measure(const char* family, double size, const QString& text) {
    const QFont font = patternFont(family, size);
    const QFontMetricsF metrics(font);
    return {font, text, metrics.horizontalAdvance(text), metrics.ascent(), metrics.descent()};
}

// The glyphs are filled as outlines, not drawn by the platform's text rasteriser, so that the
// same text gives the same pixels on screen and in a rendered file, whatever the platform's font
// smoothing.
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

}  // namespace lumenor::render
