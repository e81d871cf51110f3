#include <gtest/gtest.h>

#include "patterns/aspect_tables.h"

namespace lumenor {
namespace {

// A shape is named when its ratio is within three hundredths of it, else the ratio is given.
TEST(AspectTables, NamesCommonShapesAndFallsBackToTheRatio) {
    EXPECT_EQ(aspectName(1920, 1080), "16 : 9");
    EXPECT_EQ(aspectName(2520, 1080), "21 : 9");
    EXPECT_EQ(aspectName(2560, 1080), "2.37 : 1");  // 0.037 from 21:9
    EXPECT_EQ(aspectName(3000, 1000), "3.00 : 1");
    EXPECT_EQ(aspectName(1.6 + 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 - 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 + 0.031, 1.0), "1.63 : 1");
    EXPECT_EQ(aspectName(1.0 - 0.031, 1.0), "0.97 : 1");
}

}  // namespace
}  // namespace lumenor
