#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern_renderer.h"
#include "patterns/pattern_view.h"
#include "support/manual_refresh_links.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"

namespace lumenor {
namespace {

using test::differing;
using test::ManualLinks;
using test::spinUntil;

// The offscreen platform has no native window to present to, so the view paints through Qt:
// the path every display without direct presentation takes (the Wayland output tests see it
// follow a new size).
QImage shown(PatternView& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage rendered(Pattern pattern, QSize size) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    const double w = size.width();
    const double h = size.height();
    PatternRenderer::draw(pattern, p, w, h, 1.0, makeAnim(pattern, 0.0, w, h, 1.0, 30, -1),
                          defaultAspectSelection(), QString(), std::nullopt);
    return canvas;
}

std::unique_ptr<PatternView> shownView(ManualLinks& links, Pattern pattern, QSize size) {
    auto view = std::make_unique<PatternView>(links);
    view->setPattern(pattern);
    view->resize(size);
    view->show();
    return view;
}

TEST(PatternViewPainting, StillPatternsShowTheRenderedPixelsAndOverlaysOnTop) {
    ManualLinks links;
    const auto view = shownView(links, Pattern::calibration, {480, 270});
    ASSERT_TRUE(spinUntil([&] { return view->framesPresented() > 0; }));
    EXPECT_TRUE(view->isPainting());
    EXPECT_EQ(differing(shown(*view), rendered(Pattern::calibration, {480, 270})), 0);

    view->setPattern(Pattern::pixelGrid);
    ASSERT_TRUE(spinUntil([&] {
        return differing(shown(*view), rendered(Pattern::pixelGrid, {480, 270})) == 0;
    })) << "a new pattern replaces the old one";

    view->drawOverlays = [](QPainter& p) { p.fillRect(QRect(10, 20, 30, 40), Qt::red); };
    view->requestRedraw();
    ASSERT_TRUE(spinUntil([&] { return shown(*view).pixel(25, 40) == qRgb(255, 0, 0); }));
    const QImage withOverlay = shown(*view);
    const QImage plain = rendered(Pattern::pixelGrid, {480, 270});
    EXPECT_EQ(withOverlay.pixel(9, 19), plain.pixel(9, 19)) << "the overlay stays in its box";
    EXPECT_EQ(withOverlay.pixel(40, 60), plain.pixel(40, 60));
}

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Refreshes of a 60 Hz display on the monotonic clock, as Present stamps them, for `ms`; a
// period of 0 stands for a display whose refreshes cannot be known.
void refreshFor(ManualLinks& links, int ms, std::int64_t period = 16'667) {
    QElapsedTimer t;
    t.start();
    std::uint64_t counter = 100;
    while (t.elapsed() < ms) {
        const auto micros = static_cast<std::int64_t>(monotonicSeconds() * 1e6);
        links.callback({micros, 1'000'000, period, ++counter});
        spinUntil([] { return false; }, 16);
    }
}

// An animated view paints a frame for a refresh, announces the bounces ahead for their frames
// (or reports them at the frame where the display's refresh times are unknown), and lets go of
// its refresh link when hidden.
TEST(PatternViewPainting, AnimatedPatternsPaintAtRefreshesAndAnnounceBouncesAhead) {
    ManualLinks links;
    const auto view = shownView(links, Pattern::bounce, {320, 180});
    ASSERT_TRUE(spinUntil([&] { return view->isAnimating() && links.live != nullptr; }));
    spinUntil([] { return false; }, 50);
    const QImage first = shown(*view);
    const std::uint64_t before = view->framesPresented();
    spinUntil([] { return false; }, 300);
    links.refreshes(1);
    ASSERT_TRUE(spinUntil([&] { return view->framesPresented() > before; }));
    EXPECT_GT(differing(first, shown(*view)), 0) << "the ball is drawn";

    std::vector<double> ahead;
    int atFrame = 0;
    view->onBounceAhead = [&](double showTime) { ahead.push_back(showTime); };
    view->onBounce = [&] { ++atFrame; };
    view->markerLead = [] { return 0.5; };
    // Floor contacts every 0.2 s from 0.1 s on: those up to half a second ahead are announced
    // once each, for the first refresh at or after the contact.
    const double start = monotonicSeconds();
    view->setBouncePeriod(0.2);
    const double started = monotonicSeconds();
    refreshFor(links, 150);
    EXPECT_TRUE(view->announcesAhead());
    ASSERT_GE(ahead.size(), 3u);
    for (std::size_t i = 0; i < ahead.size(); ++i) {
        const double contact = 0.1 + 0.2 * static_cast<double>(i);
        EXPECT_GE(ahead[i], start + contact) << i;
        EXPECT_LE(ahead[i], started + contact + 0.0167 + 0.001) << i;
    }

    ahead.clear();
    atFrame = 0;
    view->setBouncePeriod(0.05);
    refreshFor(links, 300, 0);
    EXPECT_FALSE(view->announcesAhead());
    EXPECT_TRUE(ahead.empty());
    EXPECT_GE(atFrame, 3);

    view->hide();
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(links.live, nullptr) << "a hidden view lets go of its refresh link";
}

}  // namespace
}  // namespace lumenor
