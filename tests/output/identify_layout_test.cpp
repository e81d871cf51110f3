#include <gtest/gtest.h>

#include "output/identify_layout.h"

namespace lumenor {
namespace {

TEST(IdentifyLayout, CardIsCappedAndCentred) {
    const IdentifyLayout small = identifyLayout({1280, 800});
    EXPECT_EQ(small.card, QRectF(360, 200, 560, 400));  // height capped by half the view
    const IdentifyLayout large = identifyLayout({3008, 1692});
    EXPECT_EQ(large.card.size(), QSizeF(560, 420));
    EXPECT_EQ(large.card.center(), QPointF(1504, 846));
    const IdentifyLayout narrow = identifyLayout({800, 2000});
    EXPECT_EQ(narrow.card.size(), QSizeF(400, 420));
}

TEST(IdentifyLayout, NumberAboveTheCentreNameAndModeBelow) {
    const IdentifyLayout l = identifyLayout({1920, 1080});
    EXPECT_DOUBLE_EQ(l.numberFontSize, 0.38 * 420);
    EXPECT_DOUBLE_EQ(l.numberCentre.y(), 540 - 42);
    EXPECT_DOUBLE_EQ(l.nameCentre.y(), 540 + 0.26 * 420);
    EXPECT_DOUBLE_EQ(l.modeCentre.y(), 540 + 0.36 * 420);
    EXPECT_DOUBLE_EQ(l.numberCentre.x(), 960);
    EXPECT_DOUBLE_EQ(l.modeCentre.x(), 960);
}

}  // namespace
}  // namespace lumenor
