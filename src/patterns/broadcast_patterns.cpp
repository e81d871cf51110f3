#include "patterns/broadcast_patterns.h"

#include <algorithm>
#include <cmath>

#include "patterns/render_primitives.h"

namespace lumenor::render {

namespace {

// The HD colour bars are laid out on a grid of the bar width c (a seventh of the centred 4:3
// part) and the side panel d; rows take 7, 1, 1 and 3 twelfths of the height. Edges are
// rounded from the exact positions so that the parts tile the canvas.
struct BarsGrid {
    double W;
    double H;
    double d;
    double c;

    double x(double units) const { return std::round(d + units * c); }
    // The top of row band `twelfths` down from the top, in the y-up layout.
    double y(int twelfths) const { return H - std::round(H * twelfths / 12); }

    void fill(QPainter& p, double x0, double x1, int row0, int row1, const QColor& colour) const {
        fillCrisp(p, x0, y(row1), x1 - x0, y(row0) - y(row1), colour);
    }
};

}  // namespace

// Values are the 10-bit Y'CbCr ones of the HD bars for BT.709 in narrow range.
void drawSmpteHdBars(QPainter& p, double W, double H, const VideoLevels& levels) {
    const double part = std::min(W, std::min(4 * H / 3, 3 * W / 4));
    const BarsGrid g{W, H, std::round((W - part) / 2), part / 7};
    const auto yc = [&levels](int y, int cb, int cr) { return levels.ycbcr10(y, cb, cr); };
    const auto luma = [&levels](int y) { return levels.grey(VideoLevels::lumaLevel(y)); };
    const double right = g.x(7);

    // Bars at 75 % between 40 % grey side panels.
    const QColor bars[7] = {yc(721, 512, 512), yc(674, 176, 543), yc(581, 589, 176),
                            yc(534, 253, 207), yc(251, 771, 817), yc(204, 435, 848),
                            yc(111, 848, 481)};
    g.fill(p, 0, g.x(0), 0, 7, luma(414));
    for (int i = 0; i < 7; ++i) {
        g.fill(p, g.x(i), g.x(i + 1), 0, 7, bars[i]);
    }
    g.fill(p, right, W, 0, 7, luma(414));

    g.fill(p, 0, g.x(0), 7, 8, yc(754, 615, 64));
    g.fill(p, g.x(0), g.x(1), 7, 8, yc(244, 612, 395));
    g.fill(p, g.x(1), right, 7, 8, luma(721));
    g.fill(p, right, W, 7, 8, yc(127, 960, 471));

    // The ramp runs from black to white in luma, one value a column.
    g.fill(p, 0, g.x(0), 8, 9, yc(877, 64, 553));
    g.fill(p, g.x(0), g.x(1), 8, 9, yc(141, 697, 606));
    const double r0 = g.x(1);
    const double span = std::max(1.0, right - r0 - 1);
    for (double x = r0; x < right; ++x) {
        g.fill(p, x, x + 1, 8, 9, luma(static_cast<int>(std::lround(64 + 876 * (x - r0) / span))));
    }
    g.fill(p, right, W, 8, 9, yc(250, 409, 960));

    // Black, white and black, then the PLUGE steps of -2, 0, +2, 0 and +4 % a third of a bar
    // each.
    struct Step {
        double to;
        int y;
    };
    static constexpr Step kBottom[] = {{1.5, 64},
                                       {3.5, 940},
                                       {3.5 + 5.0 / 6, 64},
                                       {3.5 + 7.0 / 6, 46},
                                       {3.5 + 9.0 / 6, 64},
                                       {3.5 + 11.0 / 6, 82},
                                       {3.5 + 13.0 / 6, 64},
                                       {6, 99},
                                       {7, 64}};
    g.fill(p, 0, g.x(0), 9, 12, luma(195));
    double from = 0;
    for (const Step& s : kBottom) {
        g.fill(p, g.x(from), g.x(s.to), 9, 12, luma(s.y));
        from = s.to;
    }
    g.fill(p, right, W, 9, 12, luma(195));
}

void drawEbuBars(QPainter& p, double W, double H, const VideoLevels& levels) {
    const QColor bars[8] = {levels.rgb(1, 1, 1),       levels.rgb(0.75, 0.75, 0),
                            levels.rgb(0, 0.75, 0.75), levels.rgb(0, 0.75, 0),
                            levels.rgb(0.75, 0, 0.75), levels.rgb(0.75, 0, 0),
                            levels.rgb(0, 0, 0.75),    levels.rgb(0, 0, 0)};
    for (int i = 0; i < 8; ++i) {
        const double x0 = std::round(i * W / 8);
        fillCrisp(p, x0, 0, std::round((i + 1) * W / 8) - x0, H, bars[i]);
    }
}

}  // namespace lumenor::render
