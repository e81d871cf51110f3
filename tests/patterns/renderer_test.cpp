#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/layer_cache.h"
#include "patterns/pattern_fonts.h"
#include "patterns/pattern_renderer.h"
#include "support/rendered_pixels.h"

namespace lumenor {
namespace {

// A drawn frame read back in the layout's coordinates: x right, y up from the bottom row.
struct Frame {
    QImage image;
    QRgb at(int x, int y) const { return image.pixel(x, image.height() - 1 - y); }
    int grey(int x, int y) const { return qGreen(at(x, y)); }
};

Frame render(Pattern p, int w, int h, double scale = 1, const Anim& anim = {},
             const QSet<QString>& aspects = defaultAspectSelection(), const QString& text = {},
             const std::optional<QImage>& image = std::nullopt,
             QImage::Format format = QImage::Format_RGB32, VideoRange range = VideoRange::full) {
    QImage canvas(w, h, format);
    canvas.fill(qRgb(1, 2, 3));
    QPainter painter(&canvas);
    PatternRenderer::draw(p, painter, w, h, scale, anim, aspects, text, image, range);
    painter.end();
    return {canvas};
}

Frame renderAnim(Pattern p, int w, int h, double t, double flashUntil = 0) {
    return render(p, w, h, 1, makeAnim(p, t, w, h, 1, 30, flashUntil));
}

// Columns in bottom row `y` whose pixel equals `colour` (or, with `equal` false, differs).
std::vector<int> columnsOf(const Frame& f, int y, QRgb colour, bool equal = true) {
    std::vector<int> xs;
    for (int x = 0; x < f.image.width(); ++x) {
        if ((f.at(x, y) == colour) == equal) {
            xs.push_back(x);
        }
    }
    return xs;
}

// Rows in column `x`, below `below`, whose pixel equals `colour` (or, with `equal` false, differs).
std::vector<int> rowsOf(const Frame& f, int x, QRgb colour, int below, bool equal = true) {
    std::vector<int> ys;
    for (int y = 0; y < below; ++y) {
        if ((f.at(x, y) == colour) == equal) {
            ys.push_back(y);
        }
    }
    return ys;
}

// The smallest rectangle holding every pixel of `area` brighter than `above`.
QRect litArea(const Frame& f, const QRect& area, int above = 200) {
    QRect lit;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (f.grey(x, y) > above) {
                lit |= QRect(x, y, 1, 1);
            }
        }
    }
    return lit;
}

// Every pixel at the (x, y) pairs `xys` has `colour`.
void expectColourAt(const Frame& f, QRgb colour, std::initializer_list<int> xys) {
    for (auto it = xys.begin(); it + 1 < xys.end(); it += 2) {
        EXPECT_EQ(f.at(it[0], it[1]), colour) << "at " << it[0] << "," << it[1];
    }
}

const QRgb kWhitePx = qRgb(255, 255, 255);
const QRgb kBlackPx = qRgb(0, 0, 0);

TEST(Renderer, LinesAreWholePixelsAtScaleOneAndTwo) {
    const Frame one = render(Pattern::grid, 640, 360, 1);
    // Row 30 is between horizontal lines: only the vertical lines are white there.
    EXPECT_EQ(columnsOf(one, 30, kWhitePx),
              (std::vector<int>{0, 64, 128, 192, 256, 320, 384, 448, 512, 576, 639}));
    EXPECT_EQ(columnsOf(one, 30, kBlackPx, false), columnsOf(one, 30, kWhitePx));
    EXPECT_EQ(rowsOf(one, 30, kWhitePx, 360), (std::vector<int>{0, 64, 128, 192, 256, 320}));
    const Frame two = render(Pattern::grid, 640, 360, 2);
    EXPECT_EQ(columnsOf(two, 30, kWhitePx),
              (std::vector<int>{0, 1, 127, 128, 255, 256, 383, 384, 511, 512, 638, 639}));
    // Overscan: at mid height the full, 95 % and 90 % rectangles' sides are the only white.
    EXPECT_EQ(columnsOf(render(Pattern::overscan, 1000, 600), 300, kWhitePx),
              (std::vector<int>{0, 25, 50, 950, 975, 999}));
}

TEST(Renderer, ScaleOutsideItsRangeIsTakenAsTheNearestBound) {
    // At 1e-7 the grid's spacing would be a millionth of a pixel: more lines than memory.
    EXPECT_EQ(render(Pattern::grid, 96, 64, 1e-7).image,
              render(Pattern::grid, 96, 64, PatternRenderer::kMinScale).image);
    EXPECT_EQ(render(Pattern::aspect, 96, 64, 1e9).image,
              render(Pattern::aspect, 96, 64, PatternRenderer::kMaxScale).image);
}

TEST(Renderer, PixelGridAlternatesSinglePixelsAtAnySize) {
    for (auto [w, h] : {std::pair{7, 5}, std::pair{131, 67}}) {
        for (double scale : {1.0, 2.0}) {
            const Frame f = render(Pattern::pixelGrid, w, h, scale);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(f.at(x, y), (x + y) % 2 == 0 ? kWhitePx : kBlackPx)
                        << w << "x" << h << " at " << x << "," << y;
                }
            }
        }
    }
}

// Each bar's first, last and middle columns, at the bottom, middle and top rows: the eleven grey
// steps' levels are device values, halves rounded up, and the red field is one bar.
TEST(Renderer, ColourBarsFillTheirEqualShares) {
    const QRgb smpte[] = {kWhitePx,          qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(0, 255, 0),
                          qRgb(255, 0, 255), qRgb(255, 0, 0),   qRgb(0, 0, 255)};
    const QRgb ebu[] = {kWhitePx,          qRgb(191, 191, 0), qRgb(0, 191, 191), qRgb(0, 191, 0),
                        qRgb(191, 0, 191), qRgb(191, 0, 0),   qRgb(0, 0, 191),   kBlackPx};
    const auto grey = [](int v) { return qRgb(v, v, v); };
    const QRgb steps[] = {grey(0),   grey(26),  grey(51),  grey(77),  grey(102), grey(128),
                          grey(153), grey(179), grey(204), grey(230), grey(255)};
    for (const auto& [p, bars] :
         {std::pair{Pattern::smpte, std::vector(smpte, smpte + 7)},
          std::pair{Pattern::ebuBars, std::vector(ebu, ebu + 8)},
          std::pair{Pattern::grayscaleSteps, std::vector(steps, steps + 11)},
          std::pair{Pattern::red, std::vector{qRgb(255, 0, 0)}}}) {
        const Frame f = render(p, static_cast<int>(bars.size()) * 100, 50);
        for (std::size_t i = 0; i < bars.size(); ++i) {
            const int x = static_cast<int>(i) * 100;
            expectColourAt(f, bars[i], {x, 25, x + 99, 0, x + 50, 49});
        }
    }
}

TEST(Renderer, PlugeLevelsAndPositions) {
    const Frame f = render(Pattern::pluge, 1000, 400);
    // Bars 50 wide with gaps of 20, starting at (1000 - 190) / 2 = 405, from y 100 to 300, on a
    // ground of 0.02 * 255 = 5.1.
    expectColourAt(f, qRgb(5, 5, 5), {5, 5, 404, 200, 455, 200, 545, 300, 545, 99, 140, 200});
    expectColourAt(f, kBlackPx, {405, 200, 454, 100});
    expectColourAt(f, qRgb(10, 10, 10), {475, 200});
    expectColourAt(f, qRgb(20, 20, 20), {545, 299});
    expectColourAt(f, kWhitePx, {40, 200, 139, 200});
    expectColourAt(f, qRgb(128, 128, 128), {860, 200, 959, 200});
}

TEST(Renderer, GradientRunsBlackToWhiteMonotonically) {
    const Frame f = render(Pattern::gradient, 1024, 16);
    EXPECT_LE(f.grey(0, 8), 1);
    EXPECT_GE(f.grey(1023, 8), 254);
    for (int x = 1; x < 1024; ++x) {
        EXPECT_GE(f.grey(x, 3), f.grey(x - 1, 3)) << x;
        EXPECT_EQ(f.at(x, 0), f.at(x, 15)) << x;
    }
    EXPECT_NEAR(f.grey(512, 8), 128, 2);
}

TEST(Renderer, FocusStarHasThirtySixBlackWedges) {
    const Frame f = render(Pattern::focus, 800, 800);
    // The grey on a circle about the centre, `a` radians counter-clockwise from the right.
    const auto greyAt = [&f](double radius, double a) {
        return f.grey(static_cast<int>(400 + radius * std::cos(a)),
                      static_cast<int>(400 + radius * std::sin(a)));
    };
    const double R = 0.42 * 800;
    int transitions = 0;
    bool wasBlack = false;
    for (int i = 0; i < 720; ++i) {
        const bool black = greyAt(0.8 * R, 2 * M_PI * (i + 0.5) / 720) < 128;
        transitions += black && !wasBlack ? 1 : 0;
        wasBlack = black;
    }
    // The walk starts inside the first wedge, so each wedge is entered exactly once.
    EXPECT_EQ(transitions, 36);
    // The first wedge starts at angle 0 and runs counter-clockwise.
    EXPECT_LT(greyAt(0.6 * R, M_PI / 72), 30);
    EXPECT_GT(greyAt(0.6 * R, 3 * M_PI / 72), 225);
    EXPECT_EQ(f.at(10, 10), kWhitePx);
    EXPECT_EQ(f.at(400 + 100, 400), qRgb(255, 0, 0));
}

TEST(Renderer, AspectFramesForChosenLabels) {
    const QRgb green = qRgb(0, 255, 0);
    const Frame wide = render(Pattern::aspect, 1600, 900, 1, {}, {QStringLiteral("16:9")});
    expectColourAt(wide, green, {0, 450, 1, 450, 1599, 450, 800, 0, 800, 899});
    expectColourAt(wide, kBlackPx, {800, 450});
    // On 4:3 the 16:9 frame spans the width: 1200 x 675 from y = 112.5, three-pixel edges.
    const Frame square = render(Pattern::aspect, 1200, 900, 1, {}, {QStringLiteral("16:9")});
    expectColourAt(square, kBlackPx, {600, 110, 600, 114, 600, 789, 600, 100});
    expectColourAt(square, green, {600, 111, 600, 113, 600, 787, 0, 450});
    // 4:3 on a 21:9 canvas is full height, 4/3 x 900 = 1200 wide, centred: x 450 ... 1650.
    const Frame ultra = render(Pattern::aspect, 2100, 900, 1, {}, {QStringLiteral("4:3")});
    expectColourAt(ultra, qRgb(255, 255, 0), {450, 450, 1650, 450});
    expectColourAt(ultra, kBlackPx, {440, 450});

    EXPECT_EQ(render(Pattern::aspect, 400, 300, 1, {}, {QStringLiteral("2:1")}).image,
              render(Pattern::black, 400, 300).image);
}

// The card is laid out by its height: a wider canvas only adds grid columns.
TEST(Renderer, CalibrationCardScalesWithHeightOnly) {
    const Frame f = render(Pattern::calibration, 1920, 1080);
    const QRgb ink = qRgb(10, 11, 15);
    const QRgb iris = qRgb(140, 124, 247);
    // Grid at multiples of 120: two-pixel lines (width 1.5 rounded) at 359 and 360.
    EXPECT_NE(f.at(360, 300), ink);
    EXPECT_EQ(f.at(359, 300), f.at(360, 300));
    EXPECT_EQ(f.at(360, 300), f.at(480, 300));
    // Grey strip from x 300 to 1620 at y 120 ... 192, its ends iris.
    for (int i = 0; i <= 10; ++i) {
        const int level = static_cast<int>(std::lround(i / 10.0 * 255));
        EXPECT_EQ(f.at(300 + i * 120 + 60, 156), qRgb(level, level, level)) << i;
    }
    EXPECT_NE(f.at(1630, 156), kWhitePx);
    // Iris circle of radius 0.24 H = 259.2 about the centre; a border of four iris pixels.
    EXPECT_GT(qBlue(f.at(960 + 259, 560)), 200);
    expectColourAt(f, ink, {358, 300, 361, 300, 960 + 230, 560});
    expectColourAt(f, iris, {300, 156, 1619, 156, 700, 0, 700, 3, 700, 1079});
    // The shape label plate sits at y = 1080 - 162 = 918 in ink; the label is white text.
    EXPECT_GT(litArea(f, QRect(800, 918, 320, 1), 254).width(), 20);

    const Frame wide = render(Pattern::calibration, 3840, 1080);
    for (int dx : {-259, 259, 230}) {
        EXPECT_EQ(f.at(960 + dx, 560), wide.at(1920 + dx, 560)) << dx;
    }
    EXPECT_NE(wide.at(2400, 300), wide.at(2390, 300));
    EXPECT_EQ(wide.at(2400, 300), wide.at(360, 300));
    // Half the height: the outer circle has half the radius, 129.6, seen here on its diagonal.
    const Frame half = render(Pattern::calibration, 960, 540);
    int bluest = 0;
    for (int d = -1; d <= 1; ++d) {
        bluest = std::max(bluest, qBlue(half.at(480 + 92 + d, 270 + 92 + d)));
    }
    EXPECT_GT(bluest, 150);
}

TEST(Renderer, MovingBlockPosition) {
    EXPECT_TRUE(columnsOf(renderAnim(Pattern::movingBlock, 1000, 10, 0), 5, kWhitePx).empty());
    Anim half;
    half.phase = 3.5;  // f = 0.5: x = 1080 * 0.5 - 80 = 460
    const std::vector<int> xs =
        columnsOf(render(Pattern::movingBlock, 1000, 10, 1, half), 5, kWhitePx);
    ASSERT_EQ(xs.size(), 80u);
    EXPECT_EQ(xs.back(), 539);
}

TEST(Renderer, BounceBallAndFlash) {
    const Frame f = renderAnim(Pattern::bounce, 1920, 1080, 0);
    expectColourAt(f, kWhitePx, {960, 967, 960, 1014});
    expectColourAt(f, kBlackPx, {960, 1017, 960 - 60, 967, 100, 112});
    expectColourAt(f, qRgb(71, 71, 71), {100, 113});

    const Frame g = renderAnim(Pattern::bounce, 1920, 1080, 0.5, 0.6);
    EXPECT_EQ(rowsOf(g, 100, kWhitePx, 200), (std::vector<int>{112, 113, 114}));
    expectColourAt(g, kWhitePx, {960, 113 + 40, 960, 113 - 40});
}

TEST(Renderer, CountdownDigitsAndSweep) {
    const Frame early = renderAnim(Pattern::countdown, 800, 800, 0.25);
    const Frame late = renderAnim(Pattern::countdown, 800, 800, 0.75);
    const QRgb sector = qRgb(36, 36, 36);
    // A quarter second in: the sector covers twelve to three o'clock.
    expectColourAt(early, sector, {550, 600});
    expectColourAt(early, kBlackPx, {600, 250, 250, 600});
    expectColourAt(late, sector, {200, 250});
    expectColourAt(late, kBlackPx, {250, 600});
    // Different digits give different pictures around the centre; the same digit the same.
    const Frame nine = renderAnim(Pattern::countdown, 800, 800, 1.0);
    EXPECT_EQ(nine.image, renderAnim(Pattern::countdown, 800, 800, 11.0).image);
    EXPECT_NE(nine.image.copy(250, 250, 300, 300), early.image.copy(250, 250, 300, 300));
    EXPECT_GT(litArea(nine, {300, 420, 200, 1}, 254).width(), 5);
}

// A frame drawn on a canvas of `format` in `range`, `t` seconds in, with slate text.
QImage renderAt(Pattern p, QSize size, QImage::Format format, VideoRange range = VideoRange::full,
                double scale = 1, double t = 1.3) {
    const int w = size.width();
    const int h = size.height();
    return render(p, w, h, scale, makeAnim(p, t, w, h, 1, 30, 0), defaultAspectSelection(),
                  QStringLiteral("A"), std::nullopt, format, range)
        .image;
}

// The countdown's ring, its swept quarters and the glyphs of both are laid over from a cache of
// layers: the frame that records a layer and the frames that reuse it must equal drawing
// everything directly, with the sector in one piece, at 8 bits a channel and at 10.
TEST(Renderer, CachedLayersGiveTheSamePixelsAsDrawing) {
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB30}) {
        for (const auto& [size, scale] : {std::pair{QSize(1920, 1080), 1.0},
                                          {QSize(1280, 720), 2.0},
                                          {QSize(701, 433), 1.5},
                                          {QSize(90, 60), 1.0}}) {
            for (const Pattern p : {Pattern::countdown, Pattern::timecode}) {
                for (const double t : {0.0, 0.3, 1.93, 2.26, 7.71, 3661.52}) {
                    // Captured by name: Clang 14 cannot capture a structured binding.
                    const auto drawn = [&, size = size, scale = scale] {
                        return renderAt(p, size, format, VideoRange::full, scale, t);
                    };
                    render::LayerCache::setEnabled(false);
                    const QImage direct = drawn();
                    render::LayerCache::setEnabled(true);
                    const QImage recorded = drawn();
                    EXPECT_TRUE(recorded == direct && drawn() == direct)
                        << rawName(p).toStdString() << " " << size.width() << " t=" << t
                        << " format " << format;
                }
            }
        }
    }
}

// Text is centred where its layout puts it; with nothing to show the canvas is black.
TEST(Renderer, TimecodeAndSlateLayouts) {
    Anim anim;
    anim.timecode = QStringLiteral("01:02:03:04");
    const QRect timecode =
        litArea(render(Pattern::timecode, 1280, 720, 1, anim), {0, 0, 1280, 720}, 128);
    ASSERT_FALSE(timecode.isEmpty());
    EXPECT_NEAR(timecode.center().x(), 640, 12);
    EXPECT_NEAR(timecode.center().y(), 360, 12);
    EXPECT_EQ(render(Pattern::timecode, 64, 64).image, render(Pattern::black, 64, 64).image);

    QImage red(200, 100, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    const QRgb redPx = qRgb(255, 0, 0);
    const QString text = QStringLiteral("CAMERA A");
    // Image only: fits 0.6 W x 0.6 H of 1000 x 1000 -> 600 x 300, centred.
    const Frame image = render(Pattern::slate, 1000, 1000, 1, {}, {}, {}, red);
    expectColourAt(image, redPx, {201, 351, 798, 648});
    expectColourAt(image, kBlackPx, {195, 500, 500, 655});
    // Image with text: box 600 x 450, centre at 0.58 H; text centred at 0.26 H.
    const Frame both = render(Pattern::slate, 1000, 1000, 1, {}, {}, text, red);
    expectColourAt(both, redPx, {500, 580 + 145, 500, 580 - 145});
    expectColourAt(both, kBlackPx, {500, 580 - 160});
    EXPECT_GT(litArea(both, {0, 200, 1000, 120}).height(), 30);
    // Text only: centred at half height.
    const Frame alone = render(Pattern::slate, 1000, 1000, 1, {}, {}, text);
    EXPECT_EQ(alone.at(500, 260), kBlackPx);
    EXPECT_GT(litArea(alone, {0, 495, 1000, 1}).width(), 20);
    EXPECT_EQ(render(Pattern::slate, 64, 64).image, render(Pattern::black, 64, 64).image);
}

// 16-bit codes brought to 8 bits the way each range scales them: full range by 65535 / 255,
// limited range by 256 (narrow-range white is 235 and, its top bits repeated, 60218).
QImage toEightBits(const QImage& wide, VideoRange range) {
    if (range == VideoRange::full) {
        return wide.convertToFormat(QImage::Format_RGB32);
    }
    QImage narrow(wide.size(), QImage::Format_RGB32);
    const auto byte = [](quint16 v) { return std::min((v + 128) >> 8, 255); };
    for (int y = 0; y < wide.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgba64*>(wide.constScanLine(y));
        for (int x = 0; x < wide.width(); ++x) {
            narrow.setPixel(x, y, qRgb(byte(in[x].red()), byte(in[x].green()), byte(in[x].blue())));
        }
    }
    return narrow;
}

// Every pattern paints the whole canvas. Flat areas are the same codes at both depths;
// anti-aliased edges are blended at each depth's own precision, so may round a code or two apart.
TEST(Renderer, EveryPatternPaintsTheWholeCanvasAndSixteenBitsReduceToEight) {
    for (Pattern p : allPatterns()) {
        const QImage eight = renderAt(p, {97, 61}, QImage::Format_RGB32);
        for (int y = 0; y < 61; ++y) {
            ASSERT_EQ(columnsOf({eight}, y, qRgb(1, 2, 3)), std::vector<int>{})
                << rawName(p).toStdString();
        }
        const QImage wide = renderAt(p, {97, 61}, QImage::Format_RGBX64);
        EXPECT_EQ(test::differing(toEightBits(wide, VideoRange::full), eight, 2), 0)
            << rawName(p).toStdString();
    }
    for (Pattern p : {Pattern::smpteHdBars, Pattern::ebuBars}) {
        for (const VideoRange range : {VideoRange::full, VideoRange::limited}) {
            EXPECT_EQ(toEightBits(renderAt(p, {1920, 1080}, QImage::Format_RGBX64, range), range),
                      renderAt(p, {1920, 1080}, QImage::Format_RGB32, range))
                << rawName(p).toStdString();
        }
    }
}

// The HD bars at 1920 x 1080 in limited range, read as 10-bit codes from a 16-bit canvas.
TEST(Renderer, HdBarsHoldTheirTenBitValuesAndGeometry) {
    const QImage bars =
        renderAt(Pattern::smpteHdBars, {1920, 1080}, QImage::Format_RGBX64, VideoRange::limited);
    // Layout y up: the top row spans 450..1079, the bottom one 0..269.
    const auto code = [&bars](int x, int y) {
        const QRgba64 c = bars.pixelColor(x, 1079 - y).rgba64();
        return std::array<int, 3>{c.red() >> 6, c.green() >> 6, c.blue() >> 6};
    };
    const auto grey = [](int v) { return std::array<int, 3>{v, v, v}; };
    struct Probe {
        const char* what;
        int x;
        int y;
        std::array<int, 3> rgb;
    };
    // R'G'B' as the BT.709 matrix gives it from the Y'CbCr values, a code off at places.
    const Probe probes[] = {
        {"left panel edge", 239, 800, grey(414)}, {"75 % white", 240, 800, grey(721)},
        {"75 % blue", 1600, 800, {63, 64, 721}},  {"right panel", 1680, 800, grey(414)},
        {"100 % cyan", 100, 400, {64, 940, 941}}, {"100 % red", 1800, 300, {940, 64, 63}},
        {"ramp start", 446, 300, grey(64)},       {"ramp end", 1679, 300, grey(940)},
        {"15 % grey", 100, 100, grey(195)},       {"100 % white", 700, 100, grey(940)},
        {"PLUGE -2 %", 1165, 100, grey(46)},      {"PLUGE +2 %", 1303, 100, grey(82)},
        {"PLUGE +4 %", 1440, 100, grey(99)},      {"black", 1640, 100, grey(64)},
    };
    for (const Probe& p : probes) {
        EXPECT_EQ(code(p.x, p.y), p.rgb) << p.what;
    }
    // Row heights 630, 90, 90 and 270: the rows change between these lines.
    EXPECT_NE(code(1000, 450), code(1000, 449));
    EXPECT_NE(code(100, 360), code(100, 359));
    EXPECT_NE(code(100, 270), code(100, 269));
    // In full range black is 0 and the step below it is clipped to it.
    const Frame full = render(Pattern::smpteHdBars, 1920, 1080);
    EXPECT_EQ(full.at(1165, 100), kBlackPx);
}

TEST(Renderer, SafeAreasSitAtTheirPercentages) {
    // Each area's left edge, 2 px wide: action 93 % at 67.2, title 90 % at 96, 14:9 at 120,
    // 4:3 at 240.
    const std::vector<int> lit =
        columnsOf(render(Pattern::safeAreas, 1920, 1080), 270, kBlackPx, false);
    EXPECT_EQ(std::vector<int>(lit.begin(), std::lower_bound(lit.begin(), lit.end(), 300)),
              (std::vector<int>{66, 67, 95, 96, 119, 120, 239, 240}));
}

TEST(Renderer, CrosshatchIsSymmetricWithSquareCells) {
    for (const QSize size : {QSize(1920, 1080), QSize(1023, 767)}) {
        SCOPED_TRACE(size.width());
        const Frame hatch = render(Pattern::crosshatch, size.width(), size.height());
        // A row and a column through cells away from the label.
        const std::vector<int> xs = columnsOf(hatch, size.height() / 5 + 3, kBlackPx, false);
        const std::vector<int> ys =
            rowsOf(hatch, size.width() / 5 + 3, kBlackPx, size.height(), false);
        // Lines at both edges (the far one as the near one's mirror), at the centre and in
        // mirrored pairs; the first full cell from the centre has the same pitch across and down.
        std::vector<int> pitches;
        for (const auto& [lines, side] : {std::pair{&xs, size.width()}, {&ys, size.height()}}) {
            ASSERT_FALSE(lines->empty());
            EXPECT_EQ(lines->front(), 0);
            for (const int at : *lines) {
                EXPECT_TRUE(std::binary_search(lines->begin(), lines->end(), side - 1 - at)) << at;
            }
            const auto centre = std::lower_bound(lines->begin(), lines->end(), side / 2);
            ASSERT_EQ(*centre, side / 2);
            pitches.push_back(*std::find_if(centre, lines->end(), [&](int v) {
                return v > *centre + 2;
            }) - *centre);
        }
        EXPECT_EQ(pitches[0], pitches[1]);
    }
}

// Pattern text is drawn with the very font files we load, whichever installed copy a family
// name would pick: Nimbus Sans is installed in several formats.
TEST(PatternFonts, FamiliesResolveToTheInstalledFaces) {
    const auto head = [](const QString& file) {
        return QRawFont(file, 16, QFont::PreferNoHinting).fontTable("head");
    };
    EXPECT_EQ(QRawFont::fromFont(patternFont(kSansFamily, 40)).fontTable("head"),
              head("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"));
    EXPECT_EQ(QRawFont::fromFont(patternFont(kMonoFamily, 40)).fontTable("head"),
              head("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    EXPECT_EQ(QFontInfo(patternFont(kSansFamily, 40)).pixelSize(), 40);
}

}  // namespace
}  // namespace lumenor
