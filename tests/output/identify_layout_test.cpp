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

}  // namespace
}  // namespace lumenor
