#include <gtest/gtest.h>

#include "patterns/aspect_tables.h"

namespace lumenor {
namespace {

TEST(AspectTables, FramesAreInDrawingOrderWithTheirColours) {
    const auto& f = aspectFrames();
    EXPECT_STREQ(f[0].label, "21:9");
    EXPECT_DOUBLE_EQ(f[0].ratio, 7.0 / 3.0);
    EXPECT_DOUBLE_EQ(f[0].colour.g, 0.4);
    EXPECT_STREQ(f[1].label, "16:9");
    EXPECT_DOUBLE_EQ(f[1].ratio, 16.0 / 9.0);
    EXPECT_STREQ(f[2].label, "16:10");
    EXPECT_DOUBLE_EQ(f[2].colour.g, 0.7);
    EXPECT_STREQ(f[3].label, "4:3");
    EXPECT_DOUBLE_EQ(f[3].ratio, 4.0 / 3.0);
    EXPECT_EQ(defaultAspectSelection(), (QSet<QString>{"21:9", "16:9", "16:10", "4:3"}));
}

TEST(AspectTables, NamesCommonShapesAndFallsBackToTheRatio) {
    EXPECT_EQ(aspectName(1920, 1080), "16 : 9");
    EXPECT_EQ(aspectName(1920, 1200), "16 : 10");
    EXPECT_EQ(aspectName(2520, 1080), "21 : 9");
    EXPECT_EQ(aspectName(2560, 1080), "2.37 : 1");  // 0.037 from 21:9
    EXPECT_EQ(aspectName(1280, 1024), "5 : 4");
    EXPECT_EQ(aspectName(1000, 1000), "1 : 1");
    EXPECT_EQ(aspectName(3000, 1000), "3.00 : 1");
    EXPECT_EQ(aspectName(2000, 1000), "2.00 : 1");
    EXPECT_EQ(aspectName(1024, 768), "4 : 3");
    EXPECT_EQ(aspectName(1500, 1000), "3 : 2");
}

TEST(AspectTables, ANameNeedsARatioWithinThreeHundredths) {
    EXPECT_EQ(aspectName(1.6 + 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 - 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 + 0.031, 1.0), "1.63 : 1");
    EXPECT_EQ(aspectName(1.0 - 0.031, 1.0), "0.97 : 1");
}

}  // namespace
}  // namespace lumenor
