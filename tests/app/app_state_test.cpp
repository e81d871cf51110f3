#include <gtest/gtest.h>

#include "app/app_state.h"

namespace lumenor {
namespace {

TEST(AppState, StartsFromTheDefaults) {
    const AppState s;
    EXPECT_TRUE(s.displays.empty());
    EXPECT_FALSE(s.selectedDisplayID.has_value());
    EXPECT_FALSE(s.outputDisplayID.has_value());
    EXPECT_EQ(s.activePattern, Pattern::calibration);
    EXPECT_FALSE(s.outputVisible);
    EXPECT_FALSE(s.infoVisible);
    EXPECT_DOUBLE_EQ(s.bouncePeriod, 1.0);
    EXPECT_EQ(s.aspectRatios, (QSet<QString>{"21:9", "16:9", "16:10", "4:3"}));
    EXPECT_FALSE(s.autoCycleOn);
    EXPECT_DOUBLE_EQ(s.autoCycleInterval, 2.0);
    EXPECT_EQ(s.timecodeFps, 30);
    EXPECT_TRUE(s.slateText.isEmpty());
    EXPECT_FALSE(s.mirrorAll);
}

}  // namespace
}  // namespace lumenor
