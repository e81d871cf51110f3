#include <gtest/gtest.h>

#include "output/overlay_shadow.h"

namespace lumenor {
namespace {

// Black at half opacity under the panel, fading out to nothing `reach` pixels from its edge.
TEST(OverlayShadow, HalfBlackUnderThePanelFadingToNothingAtTheReach) {
    const QImage s = panelShadow({400, 200}, 22, 40, 0.5);
    ASSERT_EQ(s.size(), QSize(480, 280));
    const auto alphaAt = [&](int x, int y) { return qAlpha(s.pixel(x, y)); };
    EXPECT_NEAR(alphaAt(240, 140), 128, 1);
    EXPECT_EQ(qRed(s.pixel(240, 140)), 0);
    EXPECT_EQ(alphaAt(0, 140), 0);
    EXPECT_EQ(alphaAt(240, 0), 0);
    // Darkest under the panel, fading outward from its edge.
    int previous = 255;
    for (int x = 60; x >= 0; x -= 10) {
        EXPECT_LE(alphaAt(x, 140), previous) << x;
        previous = alphaAt(x, 140);
    }
    EXPECT_GT(alphaAt(30, 140), 0);
}

}  // namespace
}  // namespace lumenor
