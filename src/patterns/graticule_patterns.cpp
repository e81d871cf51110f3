#include "patterns/graticule_patterns.h"

#include <algorithm>
#include <cmath>

#include "patterns/pattern_fonts.h"
#include "patterns/render_primitives.h"

namespace lumenor::render {

namespace {

QString percent(double value) {
    return QStringLiteral("%1 %").arg(value, 0, 'g', 3);
}

// A text label on a black box, so that lines under it do not hide it.
void label(QPainter& p, const TextLine& line, double x, double y, double pad, const QColor& ink,
           const QColor& paper) {
    fillCrisp(p, x - pad, y - line.descent - pad, line.width + 2 * pad,
              line.ascent + line.descent + 2 * pad, paper);
    drawText(p, line, x, y, ink);
}

// Ticks every 1 % of `extent` from an edge inwards to 10 %, drawn along the line at `across`;
// `inward` is +1 from the low edge and -1 from the high one. Every fifth tick is longer and
// numbered, and each of the others too where there is room.
void ruler(QPainter& p, bool alongX, double extent, double across, int inward, double scale,
           const QColor& ink, const QColor& paper, CrispStrokes& strokes) {
    const double width = std::max(1.0, std::round(scale));
    const double step = extent / 100;
    const double size = std::clamp(step * 0.6, 9 * scale, 16 * scale);
    const bool everyTick = step >= 2.2 * size * 0.6;
    for (int k = 1; k <= 10; ++k) {
        const double at = inward > 0 ? k * step : extent - k * step;
        const double half = (k % 5 == 0 ? 1.6 : 1.0) * size;
        if (alongX) {
            strokes.vertical(at, across - half, across + half, width);
        } else {
            strokes.horizontal(across - half, across + half, at, width);
        }
        if (k % 5 != 0 && !everyTick) {
            continue;
        }
        const TextLine number = measure(kMonoFamily, size, QString::number(k));
        if (alongX) {
            label(p, number, at - number.width / 2, across + half + 0.4 * size, 0, ink, paper);
        } else {
            label(p, number, across + half + 0.4 * size, centredBaseline(number, at), 0, ink,
                  paper);
        }
    }
}

}  // namespace

void drawSafeAreas(QPainter& p, double W, double H, double scale, const VideoLevels& levels) {
    const QColor black = levels.grey(0);
    fillAll(p, W, H, black);
    const double width = std::max(1.0, std::round(2 * scale));
    const double size = std::max(10.0, 0.022 * H);
    const double pad = 0.3 * size;
    struct Area {
        QString name;
        double w;
        double h;
        QColor colour;
        bool top;  // labelled at its top edge
    };
    const Area areas[] = {
        {QStringLiteral("Action safe"), 0.93 * W, 0.93 * H, levels.grey(1), true},
        {QStringLiteral("Title safe"), 0.90 * W, 0.90 * H, levels.rgb(0.75, 0.75, 0), true},
        {QStringLiteral("14:9 protection"), 14 * H / 9, H, levels.rgb(0, 0.75, 0.75), false},
        {QStringLiteral("4:3 protection"), 4 * H / 3, H, levels.rgb(0, 0.75, 0), false},
    };
    // Lines first, then the labels over them. Labels of the safe areas stack down from their
    // top edges, those of the protection areas up from their bottom edges.
    CrispStrokes strokes(W, H);
    for (const Area& a : areas) {
        if (a.w < W) {
            strokes.rect((W - a.w) / 2, (H - a.h) / 2, a.w, a.h, width);
            strokes.fill(p, a.colour);
        }
    }
    const QColor ink = levels.grey(1);
    ruler(p, true, W, H / 2, +1, scale, ink, black, strokes);
    ruler(p, true, W, H / 2, -1, scale, ink, black, strokes);
    ruler(p, false, H, W / 2, +1, scale, ink, black, strokes);
    ruler(p, false, H, W / 2, -1, scale, ink, black, strokes);
    strokes.fill(p, ink);
    int above = 0;
    int below = 0;
    const double lineStep = 1.8 * size;
    for (const Area& a : areas) {
        if (a.w >= W) {
            continue;
        }
        const double x = (W - a.w) / 2;
        const double y = (H - a.h) / 2;
        const TextLine line =
            measure(kSansFamily, size, QStringLiteral("%1 %2").arg(a.name, percent(100 * a.w / W)));
        const double baseline =
            a.top ? y + a.h - 1.6 * size - lineStep * above++ : y + 0.9 * size + lineStep * below++;
        label(p, line, x + 0.8 * size, baseline, pad, a.colour, black);
    }
}

void drawCrosshatch(QPainter& p, double W, double H, double scale, const VideoLevels& levels) {
    const QColor black = levels.grey(0);
    const QColor white = levels.grey(1);
    fillAll(p, W, H, black);
    // Lines at whole-pixel steps from the centre, of the canvas's parity in width, sit on
    // pixels mirrored about it; about 18 cells fill the height.
    const double cell = std::max(2.0, std::round(H / 18));
    const auto parityWidth = [scale](double side) {
        const int n = std::max(1, static_cast<int>(std::lround(scale)));
        const int parity = static_cast<int>(std::fmod(side, 2));
        return static_cast<double>(n % 2 == parity ? n : n + 1);
    };
    CrispStrokes strokes(W, H);
    const auto lines = [&](double side, const auto& draw) {
        for (double k = std::floor(side / 2 / cell); k >= 0; --k) {
            draw(side / 2 - k * cell);
            draw(side / 2 + k * cell);
        }
        draw(0);
        draw(side);
    };
    lines(W, [&](double x) { strokes.vertical(x, 0, H, parityWidth(W)); });
    lines(H, [&](double y) { strokes.horizontal(0, W, y, parityWidth(H)); });
    strokes.fill(p, white);
    const double size = std::max(10.0, 0.3 * cell);
    const TextLine line =
        measure(kSansFamily, size,
                QStringLiteral("%1 × %2 cells").arg(W / cell, 0, 'g', 3).arg(H / cell, 0, 'g', 3));
    label(p, line, W / 2 - line.width / 2, centredBaseline(line, H / 2 + cell / 2), 0.3 * size,
          white, black);
}

}  // namespace lumenor::render
